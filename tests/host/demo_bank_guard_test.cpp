#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

#include "demo_bank_server.h"
#include "demo_keys.h"
#include "request_framing.h"
#include "request_site.h"

// What the demo bank refuses before a request reaches its endpoints: requests larger than it
// accepts (found from their headers, before the body is read) and requests from foreign hosts or
// other sites.
namespace velkor {
namespace {

using host::RequestFraming;
using host::SiteCheck;

std::string Post(size_t length, const std::string& extra = {})
{
    return "POST /api/auth/start HTTP/1.1\r\nHost: 127.0.0.1:1\r\n" + extra
        + "Content-Length: " + std::to_string(length) + "\r\n\r\n" + std::string(length, '{');
}

TEST(RequestFraming, FollowsPipelinedRequestsInAnyPiecesAndRefusesOversizedOnes)
{
    // Two requests, the first body holding a blank line, fed one byte at a time.
    const std::string twice = Post(20, "X: a\r\n") + "\r\n\r\n" + Post(16);
    RequestFraming bytewise(64);
    for (const char c : twice + Post(64)) {
        ASSERT_TRUE(bytewise.Feed({ &c, 1 }));
    }
    const std::pair<std::string, std::string> refused[] = {
        { Post(65), "413 Payload Too Large" },
        { "POST / HTTP/1.1\r\nContent-Length: 1500000000\r\n\r\n", "413 Payload Too Large" },
        { "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n", "411 Length Required" },
        { "POST / HTTP/1.1\r\ncontent-length: 1\r\nContent-Length: 2\r\n\r\n", "400 Bad Request" },
        { "POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", "400 Bad Request" },
        { "GET / HTTP/1.1\r\nX: " + std::string(RequestFraming::kMaxHeaderBytes, 'x'),
            "431 Request Header Fields Too Large" },
        // Lines ended by a bare LF, which the HTTP server reads as its own framing: here it would
        // see a body of 1.5 GB where this count sees headers ended by the body's blank line.
        { "POST / HTTP/1.1\nContent-Length: 1500000000\n\nxx\r\n\r\n", "400 Bad Request" },
        { "POST / HTTP/1.1\r\nX: a\nContent-Length: 1500000000\r\n\r\n", "400 Bad Request" },
        // The second request of a connection is watched as closely as the first.
        { Post(2) + Post(1000), "413 Payload Too Large" },
    };
    for (const auto& [stream, status] : refused) {
        RequestFraming framing(64);
        EXPECT_FALSE(framing.Feed(stream)) << stream.substr(0, 60);
        EXPECT_EQ(framing.refusal(), status) << stream.substr(0, 60);
    }
}

TEST(RequestSite, EndpointsAnswerOnlyTheBanksOwnPages)
{
    using H = host::HttpHeaders;
    const QByteArray own = "127.0.0.1:8932";
    const auto check
        = [](const H& headers, bool endpoint) { return host::CheckSite(headers, 8932, endpoint); };
    EXPECT_EQ(check({ { "Host", own }, { "Origin", "http://127.0.0.1:8932" },
                        { "Sec-Fetch-Site", "same-origin" } },
                  true),
        SiteCheck::Allowed);
    EXPECT_EQ(check({ { "host", "LocalHost:8932" }, { "origin", "http://localhost:8932" } }, true),
        SiteCheck::Allowed);
    EXPECT_EQ(check({ { "Host", own } }, true), SiteCheck::Allowed); // not sent by a browser
    // A page may be opened from a link on another site, but never under a foreign name.
    EXPECT_EQ(
        check({ { "Host", own }, { "Sec-Fetch-Site", "cross-site" } }, false), SiteCheck::Allowed);
    for (const H& foreign : { H {}, H { { "Host", "evil.test:8932" } },
             H { { "Host", "127.0.0.1:8931" } }, H { { "Host", own }, { "Host", own } } }) {
        EXPECT_EQ(check(foreign, false), SiteCheck::ForeignHost);
    }
    for (const H& crossSite : { H { { "Host", own }, { "Origin", "http://evil.test" } },
             H { { "Host", own }, { "Origin", "null" } },
             H { { "Host", own }, { "Origin", "http://127.0.0.1:8932" },
                 { "Origin", "http://evil.test" } },
             H { { "Host", own }, { "Sec-Fetch-Site", "same-site" } } }) {
        EXPECT_EQ(check(crossSite, true), SiteCheck::CrossSite);
    }
}

// Raw HTTP against the real server, so that what Qt HttpServer would buffer is visible.
class DemoBankOverTcp : public ::testing::Test {
protected:
    void SetUp() override
    {
        VELKOR_REQUIRE_HOST_KEYS();
        if (QCoreApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "demo_bank_guard_test";
            static char* argv[] = { name, nullptr };
            new QCoreApplication(argc, argv);
        }
        bank = std::make_unique<host::DemoBank>(
            *testing::DemoHostKeys(), host::CardKeyTable(), 8931);
        server = std::make_unique<host::DemoBankServer>(*bank);
        port = server->Listen(0);
        ASSERT_NE(port, 0);
        socket.connectToHost("127.0.0.1", port);
        ASSERT_TRUE(socket.waitForConnected(5000));
    }

    QByteArray Host() const { return "Host: 127.0.0.1:" + QByteArray::number(port) + "\r\n"; }
    // A POST announcing `length` bytes (the body's own size unless given) after `headers`.
    QByteArray Post(const char* path, const QByteArray& body, const QByteArray& headers = {},
        qsizetype length = -1) const
    {
        return "POST " + QByteArray(path) + " HTTP/1.1\r\n" + Host() + headers
            + "Content-Type: application/json\r\nContent-Length: "
            + QByteArray::number(length < 0 ? body.size() : length) + "\r\n\r\n" + body;
    }

    // Everything the server writes until it has written `responses` answers (and `until`, for a
    // body that may come in pieces) or closes.
    QByteArray Exchange(const QByteArray& request, int responses = 1, const QByteArray& until = {})
    {
        socket.write(request);
        QByteArray answer;
        QElapsedTimer clock;
        clock.start();
        while ((answer.count("HTTP/1.1 ") < responses || !answer.contains(until))
            && clock.elapsed() < 5000 && socket.state() == QAbstractSocket::ConnectedState) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            answer += socket.readAll();
        }
        return answer;
    }

    std::unique_ptr<host::DemoBank> bank;
    std::unique_ptr<host::DemoBankServer> server;
    uint16_t port = 0;
    QTcpSocket socket;
};

TEST_F(DemoBankOverTcp, ServesThePageWithItsPolicyAndAnswersEndpoints)
{
    const auto get = [this](const char* path, const QByteArray& until) {
        return Exchange("GET " + QByteArray(path) + " HTTP/1.1\r\n" + Host() + "\r\n", 1, until);
    };
    const QByteArray page = get("/", "/app.js");
    EXPECT_TRUE(page.startsWith("HTTP/1.1 200")) << page.left(200).toStdString();
    EXPECT_TRUE(page.contains("/app.js"));
    EXPECT_TRUE(page.contains("connect-src 'self' ws://127.0.0.1:*"));
    EXPECT_TRUE(get("/velkor.js", "export const Velkor").contains("export const Velkor"));

    const auto post
        = [this](const char* path, const QByteArray& body) { return Exchange(Post(path, body)); };
    const QByteArray challenge = post("/api/auth/start", "{}");
    EXPECT_TRUE(challenge.startsWith("HTTP/1.1 200")) << challenge.toStdString();
    EXPECT_TRUE(challenge.contains("application/json"));
    EXPECT_EQ(bank->Sessions().size(), 1u);
    EXPECT_TRUE(post("/api/tac/verify", "{").contains("HTTP/1.1 400"));
    EXPECT_TRUE(post("/api/nothing", "{}").contains("HTTP/1.1 404"));
}

TEST_F(DemoBankOverTcp, AnOversizedBodyIsRefusedFromItsHeaders)
{
    // 1.5 GB announced, 1 MiB sent: refused and closed without waiting for (or keeping) the rest.
    const QByteArray answer
        = Exchange(Post("/api/auth/start", QByteArray(1 << 20, '{'), {}, 1'500'000'000));
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 413")) << answer.toStdString();
    EXPECT_EQ(bank->Sessions().size(), 0u);
}

TEST_F(DemoBankOverTcp, PipelinedRequestsInPiecesAreAnsweredAndForeignOnesRefused)
{
    const QByteArray post = Post(
        "/api/auth/start", "{}", "Origin: http://127.0.0.1:" + QByteArray::number(port) + "\r\n");
    socket.write(post.left(20));
    socket.waitForBytesWritten();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const QByteArray both = Exchange(post.mid(20) + post, 2);
    EXPECT_EQ(both.count("HTTP/1.1 200"), 2) << both.toStdString();
    EXPECT_EQ(bank->Sessions().size(), 2u);

    EXPECT_TRUE(Exchange(Post("/api/auth/start", "{}", "Origin: http://evil.test\r\n"))
                    .contains("HTTP/1.1 403"));
    const QByteArray foreign
        = "GET / HTTP/1.1\r\nHost: evil.test:" + QByteArray::number(port) + "\r\n\r\n";
    EXPECT_TRUE(Exchange(foreign).contains("HTTP/1.1 421"));
    EXPECT_EQ(bank->Sessions().size(), 2u);
}

} // namespace
} // namespace velkor
