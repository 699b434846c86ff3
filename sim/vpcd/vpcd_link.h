#pragma once

#include <optional>
#include <string>

#include "virtual_card.h"

// The card's TCP connection to the vpcd reader driver: every message, both ways, is a 2-byte
// big-endian length and the payload. vpcd writes the length and the payload in two sends without
// TCP_NODELAY, so the card re-arms TCP_QUICKACK after every receive and writes each reply in one
// send; otherwise delayed ACKs cost about 40 ms per APDU.
namespace velkor::sim {

class VpcdLink {
public:
    VpcdLink() = default;
    VpcdLink(const VpcdLink&) = delete;
    VpcdLink& operator=(const VpcdLink&) = delete;
    ~VpcdLink() { Close(); }

    // Connects without blocking past `timeoutMs`. vpcd accepts one card per slot, only during its
    // presence poll; a slot that already holds a card leaves the connection pending, which ends
    // here as a timeout.
    bool Connect(const std::string& host, int port, int timeoutMs, std::string& error);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }

    // One whole message; nothing when the connection closed or failed.
    std::optional<Bytes> Receive();
    bool Send(const Bytes& payload);

private:
    bool ReadExactly(uint8_t* data, size_t size);

    int fd_ = -1;
};

} // namespace velkor::sim
