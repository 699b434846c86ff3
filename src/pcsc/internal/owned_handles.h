#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "pcsc/pcsc_api.h"

// Owners of the PC/SC context and card handles a reader session holds. Each releases what it
// holds when it is released, replaced or destroyed, so that no path of the session can leave a
// context or a connection behind. Both use the bound library (pcsc_api.h): a session abandons
// them, without a call, when the library that made them was closed under it.
namespace velkor::pcsc {

class ContextHandle {
public:
    ContextHandle() = default;
    ~ContextHandle() { Release(); }
    ContextHandle(const ContextHandle&) = delete;
    ContextHandle& operator=(const ContextHandle&) = delete;

    // Establishes a new user-scope context, releasing a held one first. 0 or the PC/SC error.
    int32_t Establish();
    // The release's result, 0 when nothing was held.
    int32_t Release();
    void Abandon() { value_ = 0; }
    bool Held() const { return value_ != 0; }
    SCARDCONTEXT Get() const { return value_; }

private:
    SCARDCONTEXT value_ = 0;
};

// A connection to the card in one reader. It converts to the raw handle for the calls that only
// use it; disconnecting or replacing it goes through the owner.
class CardHandle {
public:
    CardHandle() = default;
    CardHandle(SCARDHANDLE value, std::string reader, bool exclusive)
        : value_(value)
        , reader_(std::move(reader))
        , exclusive_(exclusive)
    {
    }
    // An owner dropped without an explicit disconnection leaves the card as it is.
    ~CardHandle() { Disconnect(SCARD_LEAVE_CARD); }
    CardHandle(CardHandle&& other) noexcept
        : value_(std::exchange(other.value_, 0))
        , reader_(std::move(other.reader_))
        , exclusive_(other.exclusive_)
    {
    }
    CardHandle& operator=(CardHandle&& other) noexcept
    {
        if (this != &other) {
            Disconnect(SCARD_LEAVE_CARD);
            value_ = std::exchange(other.value_, 0);
            reader_ = std::move(other.reader_);
            exclusive_ = other.exclusive_;
        }
        return *this;
    }

    // The disconnection's result, 0 when nothing was held. Records a reset card (card_use).
    int32_t Disconnect(DWORD disposition);
    // Forgets the handle without a call: ending its context ended the connection.
    void Abandon() { value_ = 0; }
    operator SCARDHANDLE() const { return value_; }
    const std::string& Reader() const { return reader_; }
    // Whether the connection holds the card alone (made or reconnected exclusively).
    bool Exclusive() const { return exclusive_; }
    void MarkExclusive() { exclusive_ = true; }

private:
    SCARDHANDLE value_ = 0;
    std::string reader_;
    bool exclusive_ = false;
};

} // namespace velkor::pcsc
