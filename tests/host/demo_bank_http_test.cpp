#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <nlohmann/json.hpp>

#include "demo_bank_server.h"
#include "demo_keys.h"

// The demo bank over real HTTP on loopback: the page is served with its security headers and an
// endpoint answers a POST.
namespace velkor {
namespace {

struct HttpAnswer {
    int status = 0;
    QByteArray contentType;
    QByteArray securityPolicy;
    QByteArray body;
};

HttpAnswer Fetch(QNetworkAccessManager& network, const QUrl& url, const QByteArray* postBody)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    QNetworkReply* reply = postBody ? network.post(request, *postBody) : network.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    HttpAnswer answer { reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
        reply->rawHeader("Content-Type"), reply->rawHeader("Content-Security-Policy"),
        reply->readAll() };
    reply->deleteLater();
    return answer;
}

TEST(DemoBankServer, ServesThePageAndAnswersEndpointsOverLoopback)
{
    std::optional<host::HostKeys> keys = host::HostKeys::FromPem(
        testing::ReadKeySetFile("host_private.pem"), testing::ReadKeySetFile("control_public.pem"));
    if (!keys) {
        GTEST_SKIP() << "the selected key set carries no host private key";
    }
    int argc = 1;
    char name[] = "demo_bank_http_test";
    char* argv[] = { name, nullptr };
    QCoreApplication app(argc, argv);
    host::DemoBank bank(std::move(*keys), host::CardKeyTable(), 8931);
    host::DemoBankServer server(bank);
    const uint16_t port = server.Listen(0);
    ASSERT_NE(port, 0);
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
    QNetworkAccessManager network;

    const HttpAnswer page = Fetch(network, QUrl(base + "/"), nullptr);
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.contentType.startsWith("text/html"));
    EXPECT_TRUE(page.body.contains("/app.js"));
    EXPECT_TRUE(page.securityPolicy.contains("connect-src 'self' ws://127.0.0.1:*"));
    const HttpAnswer client = Fetch(network, QUrl(base + "/velkor.js"), nullptr);
    EXPECT_EQ(client.status, 200);
    EXPECT_TRUE(client.body.contains("export const Velkor"));

    const QByteArray empty = "{}";
    const HttpAnswer challenge = Fetch(network, QUrl(base + "/api/auth/start"), &empty);
    EXPECT_EQ(challenge.status, 200);
    EXPECT_EQ(challenge.contentType, "application/json");
    const auto body = nlohmann::json::parse(challenge.body.toStdString());
    EXPECT_EQ(body["session"].get<std::string>().size(), 32u);
    EXPECT_EQ(body["RN1Len"], 128);
    EXPECT_EQ(bank.Sessions().size(), 1u);

    const QByteArray junk = "{";
    EXPECT_EQ(Fetch(network, QUrl(base + "/api/tac/verify"), &junk).status, 400);
    EXPECT_EQ(Fetch(network, QUrl(base + "/api/nothing"), nullptr).status, 404);
}

} // namespace
} // namespace velkor
