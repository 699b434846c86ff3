#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <PCSC/winscard.h>

// An opt-in diagnostic log of every PC/SC call: the function, the reader it concerns, the result
// by name and how long the call took, one line each, for example
//   velkor pcsc: SCardTransmit reader="ACS ACR83U 00 00" -> SCARD_S_SUCCESS 0.112 ms
// (a code without a name is shown in hexadecimal).
// It never shows what is sent to or read from a card (APDUs, PINs, keys, ATRs), only that a call
// happened. On with VELKOR_LOG=pcsc (a comma-separated list of topics, read once) or by
// EnableCallLog (`velkor serve --verbose`); lines go to standard error unless a sink is set.
namespace velkor::pcsc {

void EnableCallLog(bool enabled);
bool CallLogEnabled();

using CallLogSink = std::function<void(std::string_view line)>;

// Replaces where the lines go while alive (tests); restores the previous sink afterwards.
class ScopedCallLogSink {
public:
    explicit ScopedCallLogSink(CallLogSink sink);
    ScopedCallLogSink(const ScopedCallLogSink&) = delete;
    ScopedCallLogSink& operator=(const ScopedCallLogSink&) = delete;
    ~ScopedCallLogSink();

private:
    CallLogSink previous_;
};

// The name of a PC/SC result, e.g. "SCARD_E_NO_SMARTCARD"; "unknown" for codes it does not know.
std::string_view ResultName(int32_t result);

} // namespace velkor::pcsc
