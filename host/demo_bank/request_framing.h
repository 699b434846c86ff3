#pragma once

#include <cstddef>
#include <memory>
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

    RequestFraming(const RequestFraming&) = delete;
    RequestFraming& operator=(const RequestFraming&) = delete;
    ~RequestFraming() { EndLargeBody(); }

    // Bodies past the ordinary bound arriving at once, counted over every connection that shares
    // `count`: each may be buffered whole, so beyond kMostLargeBodiesAtOnce one is refused (503).
    static constexpr int kMostLargeBodiesAtOnce = 2;
    void ShareLargeBodyCount(std::shared_ptr<int> count) { largeBodies_ = std::move(count); }

    // Takes the next bytes of the connection; false once a request is refused (refusal() then
    // holds the status line to answer with before closing; later bytes are not looked at).
    bool Feed(std::string_view bytes);
    const std::string& refusal() const { return refusal_; }

private:
    bool EndHeaders();
    size_t BodyLimitFor(std::string_view requestLine) const;
    bool Refuse(const char* statusLine);
    void EndLargeBody();

    size_t maxBodyBytes_;
    std::string largerBodyPath_;
    size_t largerBodyBytes_ = 0;
    std::string headers_; // of the request being read, up to kMaxHeaderBytes
    size_t bodyLeft_ = 0;
    std::string refusal_;
    std::shared_ptr<int> largeBodies_;
    bool inLargeBody_ = false; // counted in largeBodies_
};

} // namespace velkor::host
