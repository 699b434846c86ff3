#pragma once

#include <string>

namespace velkor {

// Where one page's answers go: its WebSocket, or its name on the native-messaging port. The
// transport reports the page's end to PageServices::PageClosed, whichever side ended it.
class PageLink {
public:
    virtual ~PageLink() = default;
    // Sends one JSON-RPC answer; dropped when the page has gone.
    virtual void Send(const std::string& message) = 0;
    // Ends the page because its site is not allowed (the customer refused, or did not answer).
    virtual void RefuseOrigin() = 0;
};

} // namespace velkor
