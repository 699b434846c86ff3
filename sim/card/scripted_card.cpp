#include "scripted_card.h"

#include <iostream>
#include <sstream>

#include "apdu_redaction.h"

namespace velkor::sim {

namespace {

const Bytes kNoPreciseDiagnosis { 0x6F, 0x00 };

} // namespace

ScriptedCard::ScriptedCard(
    Bytes atr, CardProtocol protocol, std::vector<ScriptEntry> script, std::ostream* diagnostics)
    : atr_(std::move(atr))
    , protocol_(protocol)
    , script_(std::move(script))
    , diagnostics_(diagnostics != nullptr ? diagnostics : &std::cerr)
{
}

Bytes ScriptedCard::Transmit(const Bytes& command)
{
    if (next_ < script_.size() && script_[next_].command == command) {
        return script_[next_++].response;
    }
    ++mismatches_;
    ReportMismatch(command);
    return kNoPreciseDiagnosis;
}

std::optional<ScriptProgress> ScriptedCard::Progress() const
{
    return ScriptProgress { next_, script_.size(), mismatches_ };
}

void ScriptedCard::ReportMismatch(const Bytes& received) const
{
    // Built in one string so that concurrent writers cannot interleave a report.
    std::ostringstream report;
    report << "velkor-sim: script step " << next_ + 1 << ": ";
    if (next_ >= script_.size()) {
        report << "past the end of the script (" << script_.size() << " entries), received "
               << RedactedHex(received);
    } else {
        const Bytes& expected = script_[next_].command;
        report << "expected " << RedactedHex(expected) << ", received " << RedactedHex(received);
        if (CarriesPin(expected) || CarriesPin(received)) {
            report << " (PIN data hidden)";
        }
    }
    report << "; answered 6F00\n";
    *diagnostics_ << report.str() << std::flush;
}

} // namespace velkor::sim
