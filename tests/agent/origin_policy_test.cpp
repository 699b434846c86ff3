#include <gtest/gtest.h>

#include <fstream>

#include "agent/origin_policy.h"
#include "support/scoped_environment.h"

namespace velkor {
namespace {

TEST(OriginPolicy, AllowsOnlyExactOrigins)
{
    OriginPolicy policy;
    EXPECT_TRUE(policy.Allow("https://bank.example"));
    EXPECT_TRUE(policy.Allow(" http://127.0.0.1:8932 "));
    EXPECT_TRUE(policy.Allow("http://[::1]:8080"));
    EXPECT_TRUE(policy.IsAllowed("https://bank.example"));
    EXPECT_TRUE(policy.IsAllowed("http://127.0.0.1:8932"));
    for (const char* other : { "http://bank.example", "https://bank.example:443",
             "https://bank.example.evil.test", "https://BANK.example", "https://bank.example/",
             "http://localhost:8932", "http://127.0.0.1:89321", "", "null" }) {
        EXPECT_FALSE(policy.IsAllowed(other)) << other;
    }
    // "null" is what sandboxed frames and file: pages send; it names no site.
    for (const char* bad : { "null", "bank.example", "https://bank.example/",
             "https://bank.example/x", "https://user@bank.example", "https://bank.example:99999",
             "https://", "HTTPS://b.example", "https://bank.example:" }) {
        EXPECT_FALSE(policy.Allow(bad)) << bad;
    }
    EXPECT_EQ(policy.Allowed().size(), 3u);
}

TEST(OriginPolicy, ReadsTheAllowlistFileAndReportsBadLines)
{
    testing::TemporaryDirectory directory;
    const std::string path = directory.Path() + "/allowed-origins";
    std::ofstream(path) << "# banks\n\nhttps://ebank.example\n  https://atm.example:8443  \n"
                           "https://ebank.example/login\nnull\n";
    OriginPolicy policy;
    std::vector<std::string> problems;
    EXPECT_FALSE(policy.LoadFile(path, problems));
    EXPECT_TRUE(policy.IsAllowed("https://ebank.example"));
    EXPECT_TRUE(policy.IsAllowed("https://atm.example:8443"));
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find(":5:"), std::string::npos) << problems[0];

    OriginPolicy none;
    EXPECT_TRUE(none.LoadFile(directory.Path() + "/missing", problems));
    EXPECT_TRUE(none.Allowed().empty());
}

TEST(OriginPolicy, HostMustBeALoopbackNameWithTheAgentsPort)
{
    for (const char* host :
        { "localhost:8931", "LocalHost:8931", "127.0.0.1:8931", "[::1]:8931" }) {
        EXPECT_TRUE(IsLoopbackHost(host, 8931)) << host;
    }
    for (const char* host :
        { "localhost:8932", "localhost", "localhost:", "evil.example:8931", "127.0.0.2:8931",
            "::1:8931", "[::1]", "0.0.0.0:8931", "localhost.:8931", "127.0.0.1:8931:8931", "" }) {
        EXPECT_FALSE(IsLoopbackHost(host, 8931)) << host;
    }
    // Browsers leave out port 80.
    EXPECT_TRUE(IsLoopbackHost("localhost", 80));
    EXPECT_TRUE(IsLoopbackHost("[::1]", 80));
}

} // namespace
} // namespace velkor
