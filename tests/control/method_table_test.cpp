#include <gtest/gtest.h>

#include <set>

#include "control/method_table.h"
#include "control/velkor_ctrl.h"

namespace velkor {
namespace {

TEST(MethodTable, IdsAndNamesAreUniqueAndInRange)
{
    std::set<int32_t> ids;
    std::set<std::string_view> names;
    for (const auto& method : AllMethods()) {
        EXPECT_GE(method.dispatchId, 1);
        EXPECT_LE(method.dispatchId, 84);
        EXPECT_TRUE(ids.insert(method.dispatchId).second) << method.dispatchId;
        EXPECT_TRUE(names.insert(method.name).second) << method.name;
        EXPECT_EQ(FindMethod(method.name), &method);
        EXPECT_EQ(FindMethod(method.dispatchId), &method);
    }
    EXPECT_EQ(FindMethod("NoSuchMethod"), nullptr);
    EXPECT_EQ(FindMethod(0), nullptr);
}

TEST(MethodTable, ArgumentsMustMatchInCountAndType)
{
    const MethodInfo* method = FindMethod("ConnectReader");
    ASSERT_NE(method, nullptr);
    EXPECT_TRUE(ArgumentsMatch(*method, {}));
    const std::vector<MethodArgument> extra { int32_t { 1 } };
    EXPECT_FALSE(ArgumentsMatch(*method, extra));
}

} // namespace
} // namespace velkor
