#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include "agent_test_client.h"

// A real `velkor serve` on the simulated readers: after a page has verified a PIN, run DES with its
// own key and gone away, nothing in the agent's memory may still hold the PIN or the key.
namespace velkor {
namespace {

using nlohmann::json;
using testing::TestClient;

const QString kOrigin = QStringLiteral("http://bank.test:8443");
// Distinctive values: the simulated card's own PIN differs, so any hit is a copy the agent kept.
constexpr char kPin[] = "740392615847";
constexpr char kKeyHex[] = "8F3A5C7E91B2D4F6";
const std::string kKeyBytes = "\x8F\x3A\x5C\x7E\x91\xB2\xD4\xF6";

std::string Utf16Le(const std::string& ascii)
{
    std::string out;
    for (const char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

struct Finding {
    std::string what;
    std::string region;
};

// Every readable mapping of `pid`, searched for each needle.
std::vector<Finding> FindInMemory(
    qint64 pid, const std::vector<std::pair<std::string, std::string>>& needles)
{
    std::vector<Finding> found;
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    const int mem = open(("/proc/" + std::to_string(pid) + "/mem").c_str(), O_RDONLY);
    EXPECT_GE(mem, 0) << "cannot open the agent's memory";
    std::string line;
    while (mem >= 0 && std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string range, perms, offset, device, inode, path;
        fields >> range >> perms >> offset >> device >> inode;
        std::getline(fields, path);
        if (perms[0] != 'r' || path.find("[vvar]") != std::string::npos) {
            continue;
        }
        const uint64_t start = std::stoull(range.substr(0, range.find('-')), nullptr, 16);
        const uint64_t end = std::stoull(range.substr(range.find('-') + 1), nullptr, 16);
        std::string bytes(end - start, '\0');
        const ssize_t got = pread(mem, bytes.data(), bytes.size(), static_cast<off_t>(start));
        if (got <= 0) {
            continue;
        }
        bytes.resize(static_cast<size_t>(got));
        for (const auto& [what, needle] : needles) {
            if (bytes.find(needle) != std::string::npos) {
                found.push_back({ what, line });
            }
        }
    }
    if (mem >= 0) {
        close(mem);
    }
    return found;
}

TEST(AgentMemory, NoPinOrKeyIsLeftAfterThePageCloses)
{
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer's allocator replaces the wiping one and quarantines freed blocks intact.
    GTEST_SKIP() << "freed memory is AddressSanitizer's quarantine here";
#endif
    testing::EnsureApplication();
    QProcess agent;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VELKOR_PCSC_LIBRARY", VELKOR_SIM_LIBRARY);
    environment.insert("VELKOR_SIM_CONFIG", VELKOR_SIM_CONFIG);
    agent.setProcessEnvironment(environment);
    QStringList arguments { "serve", "--port", "0", "--no-demo-origin", "--allow-origin", kOrigin,
        "--ui", "none" };
    if (geteuid() != 0) {
        arguments << "--debug"; // only root reads a non-dumpable process's memory
    }
    agent.start(VELKOR_EXECUTABLE, arguments);
    ASSERT_TRUE(agent.waitForStarted());
    uint16_t port = 0;
    QString output;
    ASSERT_TRUE(testing::WaitFor([&] {
        output += QString::fromUtf8(agent.readAllStandardOutput());
        const auto match = QRegularExpression("127\\.0\\.0\\.1:(\\d+)/").match(output);
        if (match.hasMatch()) {
            port = static_cast<uint16_t>(match.captured(1).toUInt());
        }
        return port != 0 || agent.state() != QProcess::Running;
    }));
    ASSERT_NE(port, 0);
    {
        TestClient page(kOrigin);
        ASSERT_TRUE(page.Open(port));
        EXPECT_EQ(page.Call("ListReaders")["result"], 0);
        EXPECT_EQ(page.Call("ConnectCard", { "ACS ACR83U 00 00" })["result"], 0);
        const json verified = page.Call("VerifyPIN", { kPin });
        EXPECT_NE(verified["result"], 0) << "the card's PIN is another";
        EXPECT_EQ(page.Call("DES", { 0, 8, kKeyHex, "0123456789ABCDEF" })["result"], 0);
        page.Socket().close();
        ASSERT_TRUE(page.WaitClosed());
    }
    QThread::msleep(300); // the agent tears the page down after the close

    const std::string lowerKeyHex = QString(kKeyHex).toLower().toStdString();
    const auto found = FindInMemory(agent.processId(),
        { { "PIN (UTF-8)", kPin }, { "PIN (UTF-16)", Utf16Le(kPin) }, { "key bytes", kKeyBytes },
            { "key hex (UTF-8)", kKeyHex }, { "key hex (UTF-16)", Utf16Le(kKeyHex) },
            { "key hex lower case", lowerKeyHex } });
    for (const auto& finding : found) {
        ADD_FAILURE() << finding.what << " in " << finding.region;
    }
    agent.terminate();
    agent.waitForFinished();
}

} // namespace
} // namespace velkor
