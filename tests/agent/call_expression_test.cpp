#include <gtest/gtest.h>

#include "agent/call_expression.h"
#include "agent/json_arguments.h"

namespace velkor {
namespace {

TEST(CallExpression, ParsesJsonLiteralArguments)
{
    std::string error;
    const auto call = ParseCallExpression(R"x(  DES(0, 8, "a,b)", null) )x", error);
    ASSERT_TRUE(call) << error;
    EXPECT_EQ(call->method, "DES");
    ASSERT_EQ(call->params.size(), 4u);
    EXPECT_EQ(call->params[2], "a,b)");
    EXPECT_TRUE(call->params[3].is_null());

    const auto empty = ParseCallExpression("ListReaders()", error);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->params.empty());
}

TEST(CallExpression, RejectsMalformedCalls)
{
    std::string error;
    for (const char* text :
        { "", "(1)", "ListReaders", "ListReaders(", "Foo(1,)", "Foo('x')", "Foo(1) trailing" }) {
        EXPECT_FALSE(ParseCallExpression(text, error)) << text;
        EXPECT_FALSE(error.empty());
    }
}

TEST(JsonArguments, ChecksCountsTypesAndIntegerRange)
{
    const MethodInfo method { 99, "Probe", { ValueType::Integer, ValueType::Text },
        ValueType::Integer, nullptr };
    std::string error;
    auto ok = JsonToArguments(method, nlohmann::json::parse(R"([-2147483648, "x"])"), error);
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(std::get<int32_t>((*ok)[0]), INT32_MIN);
    EXPECT_EQ(std::get<OptText>((*ok)[1]), OptText { u"x" });

    auto missing = JsonToArguments(method, nlohmann::json::parse(R"([1, null])"), error);
    ASSERT_TRUE(missing);
    EXPECT_FALSE(std::get<OptText>((*missing)[1]).has_value());

    for (const char* bad : { R"([1])", R"([1, "x", 3])", R"(["1", "x"])", R"([1.5, "x"])",
             R"([2147483648, "x"])", R"([true, "x"])", R"([1, 2])", R"([1, ["x"]])" }) {
        EXPECT_FALSE(JsonToArguments(method, nlohmann::json::parse(bad), error)) << bad;
    }
}

} // namespace
} // namespace velkor
