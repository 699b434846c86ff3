#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The opening handshake of a WebSocket, server side (RFC 6455 section 4.2), read from the raw
// request head so that nothing in it is lost or merged on the way: a repeated Host or Origin is
// refused rather than resolved one way or the other.
namespace velkor {

// A request head larger than this is refused (431) before it is complete.
inline constexpr size_t kMaxHandshakeBytes = 8192;

struct HandshakeRequest {
    int status = 400; // 101 when the upgrade may go ahead, else the HTTP status to refuse with
    std::string problem; // why not, for the log
    std::string host; // raw header values, as sent
    std::string origin; // empty when the request has none
    std::string key; // Sec-WebSocket-Key
};

// `head` is the request up to and including the blank line that ends it.
HandshakeRequest ParseHandshake(std::string_view head);

// The whole answer to a request: 101 with Sec-WebSocket-Accept, or the refusal.
std::string HandshakeResponse(const HandshakeRequest& request);

} // namespace velkor
