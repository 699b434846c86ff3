#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Follows the requests of one HTTP/1.1 connection as its bytes arrive, before Qt HttpServer
// buffers them (it keeps a whole body in memory whatever its size): a request whose header block
// or declared body is larger than the bank accepts is refused as soon as its headers say so,
// instead of after gigabytes were read. Bodies must declare their length: the bank's page always
// sends Content-Length, and a chunked body could only be measured by buffering it.
namespace velkor::host {

class RequestFraming {
public:
    static constexpr size_t kMaxHeaderBytes = 16 * 1024;

    explicit RequestFraming(size_t maxBodyBytes)
        : maxBodyBytes_(maxBodyBytes)
    {
    }
    // Requests for `largerBodyPath` (the request target exactly) may carry up to
    // `largerBodyBytes`.
    RequestFraming(size_t maxBodyBytes, std::string largerBodyPath, size_t largerBodyBytes)
        : maxBodyBytes_(maxBodyBytes)
        , largerBodyPath_(std::move(largerBodyPath))
        , largerBodyBytes_(largerBodyBytes)
    {
    }

    // Takes the next bytes of the connection; false once a request is refused (refusal() then
    // holds the status line to answer with before closing; later bytes are not looked at).
    bool Feed(std::string_view bytes);
    const std::string& refusal() const { return refusal_; }

private:
    bool EndHeaders();
    size_t BodyLimitFor(std::string_view requestLine) const;
    bool Refuse(const char* statusLine);

    size_t maxBodyBytes_;
    std::string largerBodyPath_;
    size_t largerBodyBytes_ = 0;
    std::string headers_; // of the request being read, up to kMaxHeaderBytes
    size_t bodyLeft_ = 0;
    std::string refusal_;
};

} // namespace velkor::host
