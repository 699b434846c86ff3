#include "agent/websocket_handshake.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include <QByteArray>
#include <QCryptographicHash>

namespace velkor {

namespace {

constexpr std::string_view kAcceptGuid = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
constexpr size_t kKeyLength = 24; // base64 of 16 bytes

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x))
            == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// True when the comma-separated `list` holds `token` (any letter case).
bool HasToken(std::string_view list, std::string_view token)
{
    while (!list.empty()) {
        const size_t comma = list.find(',');
        if (EqualsIgnoringCase(Trimmed(list.substr(0, comma)), token)) {
            return true;
        }
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return false;
}

bool IsBase64Key(std::string_view key)
{
    if (key.size() != kKeyLength || !key.ends_with("==")) {
        return false;
    }
    return std::all_of(key.begin(), key.end() - 2,
        [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/'; });
}

HandshakeRequest Refuse(int status, std::string problem)
{
    HandshakeRequest request;
    request.status = status;
    request.problem = std::move(problem);
    return request;
}

} // namespace

HandshakeRequest ParseHandshake(std::string_view head)
{
    if (head.size() > kMaxHandshakeBytes) {
        return Refuse(431, "request head too large");
    }
    std::vector<std::string_view> lines;
    while (!head.empty()) {
        const size_t end = head.find("\r\n");
        if (end == std::string_view::npos) {
            return Refuse(400, "request head not ended by CRLF");
        }
        lines.push_back(head.substr(0, end));
        head.remove_prefix(end + 2);
    }
    if (lines.size() < 2 || !lines.back().empty()) {
        return Refuse(400, "incomplete request head");
    }
    lines.pop_back();
    const std::string_view requestLine = lines.front();
    if (!requestLine.starts_with("GET ") || !requestLine.ends_with(" HTTP/1.1")) {
        return Refuse(400, "not a GET request of HTTP/1.1");
    }

    HandshakeRequest request;
    int hosts = 0;
    int origins = 0;
    int keys = 0;
    bool upgrade = false;
    bool connectionUpgrade = false;
    std::string_view version;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0 || line.front() == ' '
            || line.front() == '\t') {
            return Refuse(400, "malformed header line");
        }
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = Trimmed(line.substr(colon + 1));
        if (EqualsIgnoringCase(name, "Host")) {
            ++hosts;
            request.host = value;
        } else if (EqualsIgnoringCase(name, "Origin")) {
            ++origins;
            request.origin = value;
        } else if (EqualsIgnoringCase(name, "Sec-WebSocket-Key")) {
            ++keys;
            request.key = value;
        } else if (EqualsIgnoringCase(name, "Upgrade")) {
            upgrade = upgrade || HasToken(value, "websocket");
        } else if (EqualsIgnoringCase(name, "Connection")) {
            connectionUpgrade = connectionUpgrade || HasToken(value, "upgrade");
        } else if (EqualsIgnoringCase(name, "Sec-WebSocket-Version")) {
            version = value;
        }
    }
    // A repeated Host or Origin could be read one way here and another way by whoever checks it.
    if (hosts != 1) {
        return Refuse(400, hosts == 0 ? "no Host header" : "repeated Host header");
    }
    if (origins > 1) {
        return Refuse(400, "repeated Origin header");
    }
    if (!upgrade || !connectionUpgrade) {
        return Refuse(400, "not a WebSocket upgrade");
    }
    if (version != "13") {
        return Refuse(426, "unsupported WebSocket version");
    }
    if (keys != 1 || !IsBase64Key(request.key)) {
        return Refuse(400, "bad Sec-WebSocket-Key");
    }
    request.status = 101;
    return request;
}

std::string HandshakeResponse(const HandshakeRequest& request)
{
    if (request.status == 101) {
        QByteArray material = QByteArray::fromStdString(request.key);
        material.append(kAcceptGuid.data(), static_cast<qsizetype>(kAcceptGuid.size()));
        const QByteArray accept
            = QCryptographicHash::hash(material, QCryptographicHash::Sha1).toBase64();
        return "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Accept: "
            + accept.toStdString() + "\r\n\r\n";
    }
    const char* reason = request.status == 426 ? "Upgrade Required"
        : request.status == 431                ? "Request Header Fields Too Large"
                                               : "Bad Request";
    std::string response
        = "HTTP/1.1 " + std::to_string(request.status) + " " + reason + "\r\nConnection: close\r\n";
    if (request.status == 426) {
        response += "Sec-WebSocket-Version: 13\r\n";
    }
    return response + "Content-Length: 0\r\n\r\n";
}

} // namespace velkor
