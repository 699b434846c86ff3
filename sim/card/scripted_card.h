#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "virtual_card.h"

// A card that answers from an ordered script. Each command it receives must equal the next
// entry's command (compared as upper-case hexadecimal, exactly as sent) and gets that entry's
// response. A different command, or any command after the script's end, is answered 6F00 and
// reported with the step number and both APDUs; it does not consume the entry, so one stray
// command does not derail the rest of the exchange.
namespace velkor::sim {

struct ScriptEntry {
    Bytes command;
    Bytes response;
};

class ScriptedCard final : public VirtualCard {
public:
    // Mismatch reports go to `diagnostics` (standard error by default).
    ScriptedCard(Bytes atr, CardProtocol protocol, std::vector<ScriptEntry> script,
        std::ostream* diagnostics = nullptr);

    const Bytes& Atr() const override { return atr_; }
    CardProtocol Protocol() const override { return protocol_; }
    Bytes Transmit(const Bytes& command) override;
    std::optional<ScriptProgress> Progress() const override;

private:
    void ReportMismatch(const Bytes& received) const;

    Bytes atr_;
    CardProtocol protocol_;
    std::vector<ScriptEntry> script_;
    size_t next_ = 0;
    size_t mismatches_ = 0;
    std::ostream* diagnostics_;
};

} // namespace velkor::sim
