#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A card as both simulators see it: an ATR, one transmission protocol, power and reset, and an
// answer to each command APDU. The card kinds (a scripted card today, a financial card model
// later) implement it; the readers around them never know which kind they hold.
namespace velkor::sim {

using Bytes = std::vector<uint8_t>;

// The values are pcsc-lite's protocol bits, so a reader can hand them out unchanged.
enum class CardProtocol : uint32_t { T0 = 1, T1 = 2 };

// How far a scripted exchange got: lets a test check that every expected APDU arrived.
struct ScriptProgress {
    size_t consumed = 0; // entries answered as scripted
    size_t total = 0; // entries in the script
    size_t mismatches = 0; // commands answered 6F00 (wrong command or past the end)
};

class VirtualCard {
public:
    virtual ~VirtualCard() = default;

    virtual const Bytes& Atr() const = 0;
    virtual CardProtocol Protocol() const = 0;

    // Cold start (insertion, power on), power off, and warm reset. A card model that keeps
    // volatile state (a selected file, a verified PIN) clears it here.
    virtual void PowerOn() { }
    virtual void PowerOff() { }
    virtual void Reset() { }

    // The response APDU (data, SW1, SW2) to one command APDU.
    virtual Bytes Transmit(const Bytes& command) = 0;

    virtual std::optional<ScriptProgress> Progress() const { return std::nullopt; }
};

} // namespace velkor::sim
