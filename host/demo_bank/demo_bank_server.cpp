#include "demo_bank_server.h"

#include <QFile>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponse>

#include "crypto/data_process.h"
#include "demo_request.h"
#include "request_site.h"

namespace velkor::host {

namespace {

using Method = QHttpServerRequest::Method;

// The page may load its own files and reach the agent on loopback, nothing else.
const QByteArray kContentSecurityPolicy
    = "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
      "connect-src 'self' ws://127.0.0.1:* ws://localhost:*; base-uri 'none'; "
      "form-action 'none'; frame-ancestors 'none'";

struct PageFile {
    const char* path;
    const char* resource;
    const char* mimeType;
};

constexpr PageFile kPageFiles[] = {
    { "/", ":/demo_bank/index.html", "text/html; charset=utf-8" },
    { "/app.js", ":/demo_bank/app.js", "text/javascript; charset=utf-8" },
    { "/velkor.js", ":/demo_bank/velkor.js", "text/javascript; charset=utf-8" },
    { "/style.css", ":/demo_bank/style.css", "text/css; charset=utf-8" },
    { "/common_account.js", ":/demo_bank/common_account.js", "text/javascript; charset=utf-8" },
};

void AddCommonHeaders(QHttpServerResponse& response)
{
    response.setHeader("X-Content-Type-Options", "nosniff");
    response.setHeader("Referrer-Policy", "no-referrer");
}

QHttpServerResponse FileResponse(const PageFile& file)
{
    QFile resource(QString::fromLatin1(file.resource));
    if (!resource.open(QIODevice::ReadOnly)) {
        return QHttpServerResponse(QHttpServerResponse::StatusCode::InternalServerError);
    }
    QHttpServerResponse response(QByteArray(file.mimeType), resource.readAll());
    AddCommonHeaders(response);
    response.setHeader("Content-Security-Policy", kContentSecurityPolicy);
    response.setHeader("Cache-Control", "no-cache");
    return response;
}

QHttpServerResponse JsonResponse(const DemoBankReply& reply)
{
    QHttpServerResponse response(QByteArrayLiteral("application/json"),
        QByteArray::fromStdString(reply.json),
        static_cast<QHttpServerResponse::StatusCode>(reply.httpStatus));
    AddCommonHeaders(response);
    response.setHeader("Cache-Control", "no-store");
    return response;
}

// The cookie that tells one customer's browser from another, for the per-client share of the
// sessions; set with the page.
constexpr char kClientCookie[] = "velkor_demo_client";
constexpr qsizetype kClientCookieDigits = 32;

QByteArray ClientCookieOf(const QHttpServerRequest& request)
{
    for (const auto& [name, value] : request.headers()) {
        if (name.compare("Cookie", Qt::CaseInsensitive) != 0) {
            continue;
        }
        for (const QByteArray& pair : value.split(';')) {
            const QByteArray trimmed = pair.trimmed();
            const QByteArray prefix = QByteArray(kClientCookie) + "=";
            if (trimmed.startsWith(prefix)
                && trimmed.size() == prefix.size() + kClientCookieDigits) {
                return trimmed.mid(prefix.size());
            }
        }
    }
    return {};
}

// The browser's cookie, or for a client without one (not a browser that loaded the page) its
// address.
std::string ClientOf(const QHttpServerRequest& request)
{
    const QByteArray cookie = ClientCookieOf(request);
    return cookie.isEmpty() ? "address " + request.remoteAddress().toString().toStdString()
                            : "cookie " + cookie.toStdString();
}

void SetClientCookie(const QHttpServerRequest& request, QHttpServerResponse& response)
{
    uint8_t raw[kClientCookieDigits / 2];
    if (!ClientCookieOf(request).isEmpty()
        || !CDataProcess::RandomBytes(raw, sizeof raw, RandomParity::AsDrawn)) {
        return;
    }
    const Text hex = CDataProcess::HexText(raw);
    response.setHeader("Set-Cookie",
        QByteArray(kClientCookie) + "="
            + QByteArray::fromStdString(std::string(hex.begin(), hex.end()))
            + "; Path=/; HttpOnly; SameSite=Strict");
}

std::string_view Body(const QHttpServerRequest& request, QByteArray& holder)
{
    holder = request.body();
    return { holder.constData(), static_cast<size_t>(holder.size()) };
}

} // namespace

DemoBankServer::DemoBankServer(DemoBank& bank)
    : bank_(bank)
    , listener_(new BoundedTcpServer(DemoRequest::kMaxBodyBytes, &server_))
{
    listener_->AllowLargerBody(
        std::string(DemoBank::kFileUploadPath), DemoBank::kMaxFileUploadBytes);
    AddPage();
    AddEndpoints();
    server_.setMissingHandler([](const QHttpServerRequest&, QHttpServerResponder&& responder) {
        responder.write(QByteArrayLiteral(R"({"error":"not found"})"),
            QByteArrayLiteral("application/json"), QHttpServerResponder::StatusCode::NotFound);
    });
}

void DemoBankServer::AddPage()
{
    for (const PageFile& file : kPageFiles) {
        server_.route(QString::fromLatin1(file.path), Method::Get | Method::Head,
            [this, &file](const QHttpServerRequest& request) {
                if (auto refused = Refusal(request, false)) {
                    return std::move(*refused);
                }
                QHttpServerResponse response = FileResponse(file);
                SetClientCookie(request, response);
                return response;
            });
    }
}

void DemoBankServer::AddEndpoints()
{
    server_.route("/api/config", Method::Get, [this](const QHttpServerRequest& request) {
        return Refusal(request, true).value_or(JsonResponse(bank_.Config()));
    });

    server_.route("/api/auth/start", Method::Post, [this](const QHttpServerRequest& request) {
        if (auto refused = Refusal(request, true)) {
            return std::move(*refused);
        }
        QByteArray body;
        return JsonResponse(bank_.StartAuthentication(Body(request, body), ClientOf(request)));
    });
    using Endpoint = DemoBankReply (DemoBank::*)(std::string_view);
    const std::pair<const char*, Endpoint> posts[] = {
        { "/api/auth/finish", &DemoBank::FinishAuthentication },
        { "/api/session-key", &DemoBank::IssueSessionKey },
        { "/api/tac/verify", &DemoBank::VerifyTransaction },
        { "/api/confirmation-document", &DemoBank::ConfirmationDocument },
        { "/api/common-account/document", &DemoBank::CommonAccountDocument },
        { "/api/common-account/open", &DemoBank::OpenCommonAccount },
        { "/api/transfer/start", &DemoBank::StartTransfer },
        { "/api/transfer/verify", &DemoBank::VerifyTransfer },
        { "/api/net-bank/document", &DemoBank::NetBankDialogDocument },
        { "/api/net-bank/import-account", &DemoBank::NetBankChosenAccount },
        { DemoBank::kFileUploadPath.data(), &DemoBank::NetBankUploadedFile },
    };
    for (const auto& post : posts) {
        const Endpoint endpoint = post.second; // a plain variable: clang 14 cannot capture bindings
        server_.route(QString::fromLatin1(post.first), Method::Post,
            [this, endpoint](const QHttpServerRequest& request) {
                if (auto refused = Refusal(request, true)) {
                    return std::move(*refused);
                }
                QByteArray body;
                return JsonResponse((bank_.*endpoint)(Body(request, body)));
            });
    }
}

std::optional<QHttpServerResponse> DemoBankServer::Refusal(
    const QHttpServerRequest& request, bool endpoint) const
{
    switch (CheckSite(request.headers(), port_, endpoint)) {
    case SiteCheck::Allowed:
        return std::nullopt;
    case SiteCheck::ForeignHost:
        return JsonResponse(ErrorReply(421, "this server answers only to its own address"));
    case SiteCheck::CrossSite:
        return JsonResponse(ErrorReply(403, "requests from other sites are refused"));
    }
    return std::nullopt;
}

uint16_t DemoBankServer::Listen(uint16_t port)
{
    if (!listener_->listen(QHostAddress::LocalHost, port)) {
        return 0;
    }
    server_.bind(listener_);
    port_ = listener_->serverPort();
    return port_;
}

} // namespace velkor::host
