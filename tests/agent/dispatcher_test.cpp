#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "agent/dispatcher.h"
#include "agent/json_rpc.h"
#include "agent/json_secrets.h"
#include "build_info.h"
#include "control/velkor_ctrl.h"

namespace velkor {
namespace {

using nlohmann::json;

// A table with one method of each shape the dispatcher has to convert.
const std::vector<MethodInfo>& ProbeMethods()
{
    static const std::vector<MethodInfo> methods {
        { 20, "Echo", { ValueType::Integer, ValueType::Text }, ValueType::Text,
            [](CVelkorCtrl&, std::span<const MethodArgument> arguments) -> MethodResult {
                const auto& text = std::get<OptText>(arguments[1]);
                return text ? u"n=" + Utf8ToText(std::to_string(std::get<int32_t>(arguments[0])))
                        + u" t=" + *text
                            : Text(u"missing");
            } },
        { 21, "Status", {}, ValueType::Integer,
            [](CVelkorCtrl&, std::span<const MethodArgument>) -> MethodResult { return -7; } },
    };
    return methods;
}

json ErrorOf(const Dispatcher::Outcome& outcome)
{
    EXPECT_FALSE(outcome.call.has_value());
    return json::parse(outcome.reply);
}

TEST(Dispatcher, RunsMethodsByNameOrDispatchIdWithPositionalParams)
{
    const Dispatcher dispatcher(ProbeMethods());
    CVelkorCtrl control;

    auto byName = dispatcher.Dispatch(
        R"({"jsonrpc":"2.0","id":7,"method":"Echo","params":[-3,"\u81fa\u7063"]})");
    ASSERT_TRUE(byName.call) << byName.reply;
    const json answer = json::parse(dispatcher.Run(*byName.call, control));
    EXPECT_EQ(answer, json::parse(R"({"jsonrpc":"2.0","id":7,"result":"n=-3 t=臺灣"})"));

    auto byId
        = dispatcher.Dispatch(R"({"jsonrpc":"2.0","id":"a","method":"20","params":[1,null]})");
    ASSERT_TRUE(byId.call) << byId.reply;
    EXPECT_EQ(json::parse(dispatcher.Run(*byId.call, control))["result"], "missing");

    // Omitted params mean none; integer results stay integers.
    auto status = dispatcher.Dispatch(R"({"jsonrpc":"2.0","id":null,"method":"Status"})");
    ASSERT_TRUE(status.call);
    std::optional<int32_t> logged;
    EXPECT_EQ(json::parse(dispatcher.Run(*status.call, control, &logged)),
        json::parse(R"({"jsonrpc":"2.0","id":null,"result":-7})"));
    EXPECT_EQ(logged, -7);
}

TEST(Dispatcher, NotificationsRunButAreNeverAnswered)
{
    const Dispatcher dispatcher(ProbeMethods());
    CVelkorCtrl control;
    auto call = dispatcher.Dispatch(R"({"jsonrpc":"2.0","method":"Echo","params":[1,"x"]})");
    ASSERT_TRUE(call.call);
    EXPECT_TRUE(call.call->notification);
    EXPECT_EQ(dispatcher.Run(*call.call, control), "");
    // Not even their errors.
    const auto wrong = dispatcher.Dispatch(R"({"jsonrpc":"2.0","method":"Echo","params":[]})");
    EXPECT_EQ(wrong.reply, "");
    EXPECT_FALSE(wrong.call);
}

TEST(Dispatcher, AnswersTransportErrorsWithTheirJsonRpcCodes)
{
    const Dispatcher dispatcher(ProbeMethods());
    const std::vector<std::pair<std::string, int>> cases {
        { R"({"jsonrpc":"2.0","id":1,"method":"Echo",)", rpc::kParseError },
        { "", rpc::kParseError },
        { R"([{"jsonrpc":"2.0","id":1,"method":"Status"}])", rpc::kInvalidRequest },
        { R"("Status")", rpc::kInvalidRequest },
        { R"({"id":1,"method":"Status"})", rpc::kInvalidRequest },
        { R"({"jsonrpc":"1.0","id":1,"method":"Status"})", rpc::kInvalidRequest },
        { R"({"jsonrpc":"2.0","id":{},"method":"Status"})", rpc::kInvalidRequest },
        { R"({"jsonrpc":"2.0","id":1,"method":21})", rpc::kInvalidRequest },
        { R"({"jsonrpc":"2.0","id":1,"method":"Status","params":3})", rpc::kInvalidRequest },
        { R"({"jsonrpc":"2.0","id":1,"method":"Nope"})", rpc::kMethodNotFound },
        { R"({"jsonrpc":"2.0","id":1,"method":"99"})", rpc::kMethodNotFound },
        { R"({"jsonrpc":"2.0","id":1,"method":"99999999999"})", rpc::kMethodNotFound },
        { R"({"jsonrpc":"2.0","id":1,"method":"Echo","params":{"a":1}})", rpc::kInvalidParams },
        { R"({"jsonrpc":"2.0","id":1,"method":"Echo","params":[1]})", rpc::kInvalidParams },
        { R"({"jsonrpc":"2.0","id":1,"method":"Echo","params":["1","x"]})", rpc::kInvalidParams },
        { R"({"jsonrpc":"2.0","id":1,"method":"Echo","params":[1.5,"x"]})", rpc::kInvalidParams },
        { R"({"jsonrpc":"2.0","id":1,"method":"Echo","params":[4294967296,"x"]})",
            rpc::kInvalidParams },
        { R"({"jsonrpc":"2.0","id":1,"method":"Echo","params":[1,2]})", rpc::kInvalidParams },
        { R"({"jsonrpc":"2.0","id":1,"method":"velkor.describe","params":[1]})",
            rpc::kInvalidParams },
    };
    for (const auto& [frame, code] : cases) {
        const json error = ErrorOf(dispatcher.Dispatch(frame));
        EXPECT_EQ(error["jsonrpc"], "2.0") << frame;
        EXPECT_EQ(error["error"]["code"], code) << frame;
        EXPECT_TRUE(error["error"]["message"].is_string()) << frame;
    }
    // The id is echoed when it could be read.
    EXPECT_EQ(
        ErrorOf(dispatcher.Dispatch(R"({"jsonrpc":"2.0","id":"q","method":"Nope"})"))["id"], "q");
    // A page-supplied name is repeated only when it is a short identifier.
    const json odd = ErrorOf(
        dispatcher.Dispatch(R"({"jsonrpc":"2.0","id":1,"method":"<script>alert(1)</script>"})"));
    EXPECT_EQ(odd["error"]["message"], "unknown method");
}

// The method table's own test pins names and ids; here only that describe lists every method as
// the table has it, and is queued like a call so that it counts toward the page's pending calls.
TEST(Dispatcher, DescribeListsTheMethodTable)
{
    const Dispatcher dispatcher(AllMethods());
    CVelkorCtrl control;
    auto describe = dispatcher.Dispatch(R"({"jsonrpc":"2.0","id":1,"method":"velkor.describe"})");
    ASSERT_TRUE(describe.call);
    const json result = json::parse(dispatcher.Run(*describe.call, control))["result"];
    EXPECT_EQ(result["version"], kBuildVersion);
    ASSERT_EQ(result["methods"].size(), AllMethods().size());
    EXPECT_EQ(result["methods"][7],
        json::parse(R"({"id":8,"name":"GetAPIVersion","params":[],"result":"text"})"));
}

// Half a megabyte of nested arrays once overflowed the stack of the walk that wipes every request.
TEST(Dispatcher, DeepNestingIsRefusedBeforeAnyWalk)
{
    const Dispatcher dispatcher(ProbeMethods());
    const size_t deep = 500000;
    const std::string nested = std::string(deep, '[') + std::string(deep, ']');
    EXPECT_EQ(ErrorOf(dispatcher.Dispatch(nested))["error"]["code"], rpc::kInvalidRequest);
    EXPECT_EQ(ErrorOf(dispatcher.Dispatch(R"({"jsonrpc":"2.0","id":1,"method":"Echo","params":)"
                  + nested + "}"))["error"]["code"],
        rpc::kInvalidRequest);

    // The bound counts real nesting only: 32 levels pass on to the usual checks, brackets inside
    // strings do not count.
    const std::string levels32 = std::string(30, '[') + std::string(30, ']');
    EXPECT_EQ(ErrorOf(dispatcher.Dispatch(R"({"jsonrpc":"2.0","id":1,"method":"Echo","params":[)"
                  + levels32 + R"(,"x"]})"))["error"]["code"],
        rpc::kInvalidParams);
    auto call = dispatcher.Dispatch(R"({"jsonrpc":"2.0","id":1,"method":"Echo","params":[1,")"
        + std::string(100, '[') + R"(\"[[["]})");
    ASSERT_TRUE(call.call) << call.reply;

    // The wipe itself walks any depth without recursion.
    json document = "secret";
    for (size_t i = 0; i < deep; ++i) {
        document = json::array({ std::move(document) });
    }
    WipeJsonStrings(document);
}

// Pages match answers to requests by id: it comes back as sent, even where a double cannot hold it.
TEST(Dispatcher, IdsComeBackExactlyAsSent)
{
    const Dispatcher dispatcher(ProbeMethods());
    CVelkorCtrl control;
    for (const std::string id : { "9007199254740993", "18446744073709551617",
             "-123456789012345678901234567890", "1.50", "1E+2", "\"\\u00e9\"", "null" }) {
        auto call
            = dispatcher.Dispatch(R"({"jsonrpc":"2.0","id":)" + id + R"(,"method":"Status"})");
        ASSERT_TRUE(call.call) << id;
        const std::string echoed = R"({"id":)" + (id[0] == '"' ? std::string(R"("é")") : id);
        EXPECT_EQ(dispatcher.Run(*call.call, control), echoed + R"(,"jsonrpc":"2.0","result":-7})");
        const auto error
            = dispatcher.Dispatch(R"({"jsonrpc":"2.0","id":)" + id + R"(,"method":"No"})");
        EXPECT_NE(error.reply.find(echoed + ","), std::string::npos) << error.reply;
    }
}

} // namespace
} // namespace velkor
