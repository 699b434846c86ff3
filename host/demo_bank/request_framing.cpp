#include "request_framing.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace velkor::host {

namespace {

bool SameName(std::string_view a, std::string_view b)
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
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

bool RequestFraming::Feed(std::string_view bytes)
{
    while (refusal_.empty() && !bytes.empty()) {
        if (bodyLeft_ > 0) {
            const size_t taken = std::min(bodyLeft_, bytes.size());
            bodyLeft_ -= taken;
            bytes.remove_prefix(taken);
            if (bodyLeft_ == 0) {
                EndLargeBody();
            }
            continue;
        }
        // Header bytes: look for the blank line that ends them, across earlier pieces too.
        const size_t before = headers_.size();
        const size_t room = kMaxHeaderBytes - before;
        headers_.append(bytes.substr(0, room));
        // The HTTP server also ends lines at a bare LF: a request framed that way would hide its
        // Content-Length from this count and have its body buffered whatever its size.
        for (size_t i = before; i < headers_.size(); ++i) {
            if (headers_[i] == '\n' && (i == 0 || headers_[i - 1] != '\r')) {
                return Refuse("400 Bad Request");
            }
        }
        const size_t searchFrom = before >= 3 ? before - 3 : 0;
        const size_t end = headers_.find("\r\n\r\n", searchFrom);
        if (end == std::string::npos) {
            if (headers_.size() >= kMaxHeaderBytes) {
                return Refuse("431 Request Header Fields Too Large");
            }
            return true;
        }
        const size_t consumed = end + 4 - before;
        headers_.resize(end + 2);
        if (!EndHeaders()) {
            return false;
        }
        bytes.remove_prefix(consumed);
    }
    return refusal_.empty();
}

bool RequestFraming::EndHeaders()
{
    std::string_view rest(headers_);
    const std::string_view requestLine = rest.substr(0, rest.find("\r\n"));
    rest.remove_prefix(requestLine.size());
    bool hasLength = false;
    size_t length = 0;
    while (!rest.empty()) {
        rest.remove_prefix(std::min<size_t>(2, rest.size()));
        const std::string_view line = rest.substr(0, rest.find("\r\n"));
        rest.remove_prefix(line.size());
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view name = line.substr(0, colon);
        const std::string_view value = Trimmed(line.substr(colon + 1));
        if (SameName(name, "Transfer-Encoding")) {
            return Refuse("411 Length Required");
        }
        if (SameName(name, "Content-Length")) {
            size_t parsed = 0;
            const auto [end, error]
                = std::from_chars(value.data(), value.data() + value.size(), parsed);
            if (value.empty() || error != std::errc() || end != value.data() + value.size()
                || (hasLength && parsed != length)) {
                return Refuse("400 Bad Request");
            }
            hasLength = true;
            length = parsed;
        }
    }
    if (length > BodyLimitFor(requestLine)) {
        return Refuse("413 Payload Too Large");
    }
    if (length > maxBodyBytes_ && largeBodies_) {
        if (*largeBodies_ >= kMostLargeBodiesAtOnce) {
            return Refuse("503 Service Unavailable");
        }
        ++*largeBodies_;
        inLargeBody_ = true;
    }
    headers_.clear();
    bodyLeft_ = length;
    return true;
}

size_t RequestFraming::BodyLimitFor(std::string_view requestLine) const
{
    // "METHOD target HTTP/1.1"
    const size_t targetStart = requestLine.find(' ');
    if (largerBodyPath_.empty() || targetStart == std::string_view::npos) {
        return maxBodyBytes_;
    }
    const std::string_view target = requestLine.substr(targetStart + 1);
    return target.substr(0, target.find(' ')) == largerBodyPath_ ? largerBodyBytes_ : maxBodyBytes_;
}

void RequestFraming::EndLargeBody()
{
    if (inLargeBody_) {
        inLargeBody_ = false;
        --*largeBodies_;
    }
}

bool RequestFraming::Refuse(const char* statusLine)
{
    refusal_ = statusLine;
    headers_.clear();
    return false;
}

} // namespace velkor::host
