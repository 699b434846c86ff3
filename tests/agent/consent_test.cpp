#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "agent/agent_server.h"
#include "agent/consent_policy.h"
#include "agent/origin_policy.h"
#include "agent/origins_command.h"
#include "agent_test_client.h"
#include "support/scoped_environment.h"

namespace velkor {
namespace {

using namespace std::chrono_literals;
using Time = std::chrono::steady_clock::time_point;

constexpr std::string_view kBank = "https://ebank.example";

class ConsentPolicyTest : public ::testing::Test {
protected:
    ConsentPolicy Make(bool canAsk = true)
    {
        return ConsentPolicy(
            { "https://fixed.example" }, AllowedOriginsPath(), canAsk, [this] { return now_; });
    }
    // Asks as the agent does: judge, and when a prompt is due, show it and take `answer`.
    static bool Ask(ConsentPolicy& policy, std::string_view origin, ConsentAnswer answer)
    {
        if (policy.Judge(origin) != ConsentVerdict::Ask) {
            return policy.Judge(origin) == ConsentVerdict::Allowed;
        }
        policy.PromptShown(origin);
        return policy.Decide(origin, answer);
    }

    testing::ScopedHome home_;
    Time now_ {};
};

TEST_F(ConsentPolicyTest, AnswersAllowOnlyAsFarAsTheyWereGiven)
{
    ConsentPolicy policy = Make();
    EXPECT_EQ(policy.Judge("https://fixed.example"), ConsentVerdict::Allowed);
    EXPECT_EQ(policy.Judge(kBank), ConsentVerdict::Ask);

    // Once: this page only, nothing remembered.
    EXPECT_TRUE(Ask(policy, kBank, ConsentAnswer::AllowOnce));
    EXPECT_EQ(policy.Judge(kBank), ConsentVerdict::Ask);
    EXPECT_TRUE(OriginAllowlistFile(AllowedOriginsPath()).Read().empty());

    // Always: in the file, so that another process (the other transport) and a later run agree.
    now_ += 1h;
    EXPECT_TRUE(Ask(policy, kBank, ConsentAnswer::AllowAlways));
    EXPECT_EQ(Make().Judge(kBank), ConsentVerdict::Allowed);
    EXPECT_EQ(RunOriginsCommand({ "revoke", std::string(kBank) }, std::cout, std::cerr), 0);
    EXPECT_EQ(policy.Judge(kBank), ConsentVerdict::Ask) << "revoking takes effect at once";

    // Without a screen nobody can be asked; "null" and malformed origins never are.
    EXPECT_EQ(Make(false).Judge(kBank), ConsentVerdict::Refused);
    EXPECT_EQ(Make(false).Judge("https://fixed.example"), ConsentVerdict::Allowed);
    EXPECT_EQ(policy.Judge("null"), ConsentVerdict::Refused);
    EXPECT_EQ(policy.Judge("https://a.example/path"), ConsentVerdict::Refused);
    EXPECT_EQ(policy.Judge(""), ConsentVerdict::Refused);
}

// Only sites the network cannot impersonate, under names the prompt shows faithfully, are asked
// about; listed origins are admitted as before whatever they look like.
TEST_F(ConsentPolicyTest, OnlySecureOrLocalSitesWithPlainNamesAreAskedAbout)
{
    ConsentPolicy policy = Make();
    for (const char* askable : { "https://ebank.example:8443", "https://[2001:db8::1]",
             "http://localhost:8080", "http://127.0.0.1", "http://127.1.2.3:80", "http://[::1]:9",
             "https://a-b.c1.example" }) {
        EXPECT_EQ(policy.Judge(askable), ConsentVerdict::Ask) << askable;
    }
    const std::string tooLong = "https://" + std::string(250, 'a') + ".com";
    for (const std::string& refused : std::vector<std::string> { "http://ebank.example",
             "http://127.0.0.1.evil.example", "http://128.0.0.1", "http://127.0.0.256",
             "http://localhost.evil.example", "ws://localhost", "ftp://ebank.example",
             "https://\xe2\x80\xaeknab.example", "https://bank\x01.example",
             "https://ban_k.example", tooLong, "https://[::1", "null" }) {
        EXPECT_EQ(policy.Judge(refused), ConsentVerdict::Refused) << refused;
    }
    OriginPolicy listed;
    ASSERT_TRUE(listed.Allow("http://bank.lan:8080"));
    EXPECT_EQ(ConsentPolicy(listed.Allowed(), "", true).Judge("http://bank.lan:8080"),
        ConsentVerdict::Allowed);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunOriginsCommand({ "allow", "http://bank.lan" }, out, err), 2);
    EXPECT_NE(err.str().find("https://"), std::string::npos) << err.str();
    EXPECT_EQ(RunOriginsCommand({ "allow", "http://127.0.0.1:8932" }, out, err), 0);
    EXPECT_EQ(OriginAllowlistFile(AllowedOriginsPath()).Read().size(), 1u);
}

TEST_F(ConsentPolicyTest, RefusedAndUnansweredSitesWaitLongerEachTime)
{
    ConsentPolicy policy = Make();
    EXPECT_FALSE(Ask(policy, kBank, ConsentAnswer::Refuse));
    EXPECT_EQ(policy.Judge(kBank), ConsentVerdict::Refused);
    now_ += 59s;
    EXPECT_EQ(policy.Judge(kBank), ConsentVerdict::Refused);
    EXPECT_EQ(policy.Judge("https://other.example"), ConsentVerdict::Ask) << "per site";
    now_ += 1s;
    // An unanswered prompt counts as a refusal, and doubles the wait.
    EXPECT_FALSE(Ask(policy, kBank, ConsentAnswer::NoAnswer));
    now_ += 119s;
    EXPECT_EQ(policy.Judge(kBank), ConsentVerdict::Refused);
    now_ += 1s;
    EXPECT_EQ(policy.Judge(kBank), ConsentVerdict::Ask);
    for (int i = 0; i < 20; ++i) {
        policy.Decide(kBank, ConsentAnswer::Refuse);
    }
    now_ += ConsentPolicy::kLongestCooldown;
    EXPECT_EQ(policy.Judge(kBank), ConsentVerdict::Ask) << "at most an hour";

    // A page that leaves while asked leaves no decision; a later "once" clears the record.
    EXPECT_FALSE(policy.Decide(kBank, ConsentAnswer::PageLeft));
    EXPECT_EQ(policy.Judge(kBank), ConsentVerdict::Ask);
    EXPECT_TRUE(policy.Decide(kBank, ConsentAnswer::AllowOnce));
    policy.Decide(kBank, ConsentAnswer::Refuse);
    now_ += ConsentPolicy::kFirstCooldown;
    EXPECT_EQ(policy.Judge(kBank), ConsentVerdict::Ask);
}

TEST_F(ConsentPolicyTest, FreshSiteNamesCannotStormThePrompts)
{
    ConsentPolicy policy = Make();
    for (int i = 0; i < ConsentPolicy::kPromptsPerWindow; ++i) {
        const std::string family = "https://s.evil" + std::to_string(i) + ".example";
        EXPECT_FALSE(Ask(policy, family, ConsentAnswer::NoAnswer));
        now_ += 1s;
    }
    EXPECT_EQ(policy.Judge("https://s9.evil.example"), ConsentVerdict::Refused);
    EXPECT_EQ(policy.Judge("https://fixed.example"), ConsentVerdict::Allowed);
    EXPECT_EQ(policy.Judge(kBank), ConsentVerdict::Refused) << "all prompts are used up";
    now_ += ConsentPolicy::kPromptWindow;
    EXPECT_EQ(policy.Judge("https://s9.evil.example"), ConsentVerdict::Ask);
}

// Made-up names under one domain cannot use up the prompts before a bank's first visit, and a
// site turned away for want of prompts is asked when it comes again.
TEST_F(ConsentPolicyTest, OneSiteFamilyLeavesAPromptForOthers)
{
    ConsentPolicy policy = Make();
    for (int i = 0; i < ConsentPolicy::kPromptsPerFamily; ++i) {
        EXPECT_FALSE(Ask(policy, "https://s" + std::to_string(i) + ".evil.example:8443",
            ConsentAnswer::NoAnswer));
    }
    EXPECT_EQ(policy.Judge("https://x.y.evil.example"), ConsentVerdict::Refused);
    EXPECT_EQ(policy.Judge("https://evil.example"), ConsentVerdict::Refused);
    EXPECT_EQ(policy.Judge("http://127.0.0.1:1"), ConsentVerdict::Ask);
    EXPECT_EQ(policy.Judge("https://www.ebank.example"), ConsentVerdict::Ask);
    now_ += ConsentPolicy::kPromptWindow;
    EXPECT_EQ(policy.Judge("https://s9.evil.example"), ConsentVerdict::Ask);
}

TEST(OriginsCommand, ListAllowRevokeKeepOtherLines)
{
    testing::ScopedHome home;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunOriginsCommand({ "list" }, out, err), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(RunOriginsCommand({ "allow", "https://b.example" }, out, err), 0);
    EXPECT_EQ(RunOriginsCommand({ "allow", "https://b.example" }, out, err), 0);
    {
        std::ofstream file(AllowedOriginsPath(), std::ios::app);
        file << "# my banks\nhttps://a.example:8443\nnot an origin\n";
    }
    for (const auto& [arguments, code] : std::vector<std::pair<std::vector<std::string>, int>> {
             { { "revoke", "https://b.example" }, 0 }, { { "revoke", "https://never.example" }, 0 },
             { { "allow", "https://c.example/" }, 2 }, { { "allow", "null" }, 2 },
             { { "forget" }, 2 } }) {
        EXPECT_EQ(RunOriginsCommand(arguments, out, err), code) << arguments[0];
    }
    out.str("");
    err.str("");
    EXPECT_EQ(RunOriginsCommand({ "list" }, out, err), 0);
    EXPECT_EQ(out.str(), "https://a.example:8443\n");
    EXPECT_NE(err.str().find("not an origin"), std::string::npos);
    std::stringstream content;
    content << std::ifstream(AllowedOriginsPath()).rdbuf();
    EXPECT_EQ(content.str(), "# my banks\nhttps://a.example:8443\nnot an origin\n");
}

// Over the WebSocket: an unlisted site is held without a control until the customer answered,
// its early requests are answered afterwards, and a refusal closes it and spares a second prompt.
TEST(ConsentOverWebSocket, PageWaitsForTheAnswerAndRefusalsAreNotAskedAgain)
{
    testing::EnsureApplication();
    testing::ScopedHome home;
    std::vector<std::string> asked;
    ConsentAnswer next = ConsentAnswer::AllowOnce;
    AgentOptions options;
    options.port = 0;
    options.allowlistFile = AllowedOriginsPath();
    options.askConsent = [&](const std::string& origin) {
        asked.push_back(origin);
        return next;
    };
    AgentServer server(options);
    QString error;
    ASSERT_TRUE(server.Listen(error));

    testing::TestClient once(QString::fromStdString(std::string(kBank)));
    ASSERT_TRUE(once.Open(server.Port()));
    EXPECT_EQ(once.Call("velkor.describe")["result"]["agent"], "velkor");
    EXPECT_EQ(once.Call("GetAPIVersion")["result"], "Version 1.0.0.1 ");
    EXPECT_EQ(asked, std::vector<std::string> { std::string(kBank) });

    next = ConsentAnswer::Refuse;
    testing::TestClient refused(QStringLiteral("https://evil.example"));
    refused.Open(server.Port());
    refused.Send(1, "GetAPIVersion");
    ASSERT_TRUE(refused.WaitClosed());
    EXPECT_EQ(refused.closeCode, kCloseOriginRefused);
    EXPECT_TRUE(refused.received.empty());
    EXPECT_EQ(
        testing::TestClient(QStringLiteral("https://evil.example")).OpenAndCloseCode(server.Port()),
        kCloseOriginRefused);
    EXPECT_EQ(asked.size(), 2U);
    EXPECT_EQ(once.Call("GetAPIVersion")["result"], "Version 1.0.0.1 ") << "others carry on";
}

} // namespace
} // namespace velkor
