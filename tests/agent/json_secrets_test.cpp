#include <gtest/gtest.h>

#include "agent/json_arguments.h"
#include "agent/json_secrets.h"

namespace velkor {
namespace {

// The answers are read by JSON parsers in pages: the hand-built literal must be what the library
// itself writes, for every byte class that JSON escapes and for multi-byte UTF-8.
TEST(JsonSecrets, StringLiteralMatchesTheLibrarysOwnDump)
{
    std::string everyControl;
    for (int c = 0; c < 0x20; ++c) {
        everyControl.push_back(static_cast<char>(c));
    }
    for (const std::string& text :
        { std::string(), std::string("123456"), std::string("quote \" back \\ slash / del \x7f"),
            everyControl, std::string("\xE9\x9C\x96\xE5\xB7\x9E \xF0\x9F\x92\xB3") }) {
        EXPECT_EQ(JsonStringLiteral(text), nlohmann::json(text).dump()) << text;
    }
}

TEST(JsonSecrets, ParsedParametersAreWipedWhenTheScopeEnds)
{
    nlohmann::json params
        = nlohmann::json::parse(R"(["123456", {"pin": "654321"}, [["key"]], 7, null])");
    {
        ScopedJsonWipe wipe(params);
    }
    EXPECT_EQ(params, nlohmann::json::parse(R"(["", {"pin": ""}, [[""]], 7, null])"));
}

TEST(JsonSecrets, TextResultIsWipedOnceWritten)
{
    MethodResult text = Text(u"0123456789012345\n");
    EXPECT_EQ(ResultJsonText(text), R"("0123456789012345\n")");
    EXPECT_TRUE(std::get<Text>(text).empty());

    MethodResult status = int32_t { -8195 };
    EXPECT_EQ(ResultJsonText(status), "-8195");
}

} // namespace
} // namespace velkor
