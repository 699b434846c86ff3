#include "pcsc/call_log.h"
#include "call_log_internal.h"

#include <PCSC/pcsclite.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

namespace velkor::pcsc {

namespace {

constexpr std::string_view kUnknownResult = "unknown";

struct LogState {
    bool enabled = false;
    CallLogSink sink;
    // card handle -> its context and reader, kept only while the log is on
    std::map<SCARDHANDLE, std::pair<SCARDCONTEXT, std::string>> connections;
};

bool TopicRequested(std::string_view topics, std::string_view topic)
{
    while (!topics.empty()) {
        const size_t comma = topics.find(',');
        if (topics.substr(0, comma) == topic) {
            return true;
        }
        topics = comma == std::string_view::npos ? std::string_view() : topics.substr(comma + 1);
    }
    return false;
}

LogState& State()
{
    static LogState state = [] {
        LogState initial;
        const char* topics = std::getenv("VELKOR_LOG");
        initial.enabled = topics != nullptr && TopicRequested(topics, "pcsc");
        return initial;
    }();
    return state;
}

void Write(const std::string& line)
{
    if (State().sink) {
        State().sink(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

#define VELKOR_RESULT(name)                                                                        \
    {                                                                                              \
        static_cast<int32_t>(static_cast<uint32_t>(name)), #name                                   \
    }
constexpr std::array<std::pair<int32_t, std::string_view>, 42> kResultNames { {
    VELKOR_RESULT(SCARD_S_SUCCESS),
    VELKOR_RESULT(SCARD_F_INTERNAL_ERROR),
    VELKOR_RESULT(SCARD_E_CANCELLED),
    VELKOR_RESULT(SCARD_E_INVALID_HANDLE),
    VELKOR_RESULT(SCARD_E_INVALID_PARAMETER),
    VELKOR_RESULT(SCARD_E_INVALID_TARGET),
    VELKOR_RESULT(SCARD_E_NO_MEMORY),
    VELKOR_RESULT(SCARD_F_WAITED_TOO_LONG),
    VELKOR_RESULT(SCARD_E_INSUFFICIENT_BUFFER),
    VELKOR_RESULT(SCARD_E_UNKNOWN_READER),
    VELKOR_RESULT(SCARD_E_TIMEOUT),
    VELKOR_RESULT(SCARD_E_SHARING_VIOLATION),
    VELKOR_RESULT(SCARD_E_NO_SMARTCARD),
    VELKOR_RESULT(SCARD_E_UNKNOWN_CARD),
    VELKOR_RESULT(SCARD_E_CANT_DISPOSE),
    VELKOR_RESULT(SCARD_E_PROTO_MISMATCH),
    VELKOR_RESULT(SCARD_E_NOT_READY),
    VELKOR_RESULT(SCARD_E_INVALID_VALUE),
    VELKOR_RESULT(SCARD_E_SYSTEM_CANCELLED),
    VELKOR_RESULT(SCARD_F_COMM_ERROR),
    VELKOR_RESULT(SCARD_F_UNKNOWN_ERROR),
    VELKOR_RESULT(SCARD_E_INVALID_ATR),
    VELKOR_RESULT(SCARD_E_NOT_TRANSACTED),
    VELKOR_RESULT(SCARD_E_READER_UNAVAILABLE),
    VELKOR_RESULT(SCARD_P_SHUTDOWN),
    VELKOR_RESULT(SCARD_E_PCI_TOO_SMALL),
    VELKOR_RESULT(SCARD_E_READER_UNSUPPORTED),
    VELKOR_RESULT(SCARD_E_DUPLICATE_READER),
    VELKOR_RESULT(SCARD_E_CARD_UNSUPPORTED),
    VELKOR_RESULT(SCARD_E_NO_SERVICE),
    VELKOR_RESULT(SCARD_E_SERVICE_STOPPED),
    VELKOR_RESULT(SCARD_E_UNSUPPORTED_FEATURE),
    VELKOR_RESULT(SCARD_E_NO_READERS_AVAILABLE),
    VELKOR_RESULT(SCARD_E_COMM_DATA_LOST),
    VELKOR_RESULT(SCARD_E_SERVER_TOO_BUSY),
    VELKOR_RESULT(SCARD_W_UNSUPPORTED_CARD),
    VELKOR_RESULT(SCARD_W_UNRESPONSIVE_CARD),
    VELKOR_RESULT(SCARD_W_UNPOWERED_CARD),
    VELKOR_RESULT(SCARD_W_RESET_CARD),
    VELKOR_RESULT(SCARD_W_REMOVED_CARD),
    VELKOR_RESULT(SCARD_W_SECURITY_VIOLATION),
    VELKOR_RESULT(SCARD_W_CANCELLED_BY_USER),
} };
#undef VELKOR_RESULT

} // namespace

void EnableCallLog(bool enabled)
{
    State().enabled = enabled;
    if (!enabled) {
        State().connections.clear();
    }
}

bool CallLogEnabled()
{
    return State().enabled;
}

ScopedCallLogSink::ScopedCallLogSink(CallLogSink sink)
    : previous_(std::exchange(State().sink, std::move(sink)))
{
}

ScopedCallLogSink::~ScopedCallLogSink()
{
    State().sink = std::move(previous_);
}

std::string_view ResultName(int32_t result)
{
    for (const auto& [code, name] : kResultNames) {
        if (code == result) {
            return name;
        }
    }
    return kUnknownResult;
}

namespace detail {

void NoteConnection(SCARDCONTEXT context, SCARDHANDLE card, std::string_view reader)
{
    if (State().enabled) {
        State().connections[card] = { context, std::string(reader) };
    }
}

void ForgetConnection(SCARDHANDLE card)
{
    State().connections.erase(card);
}

void ForgetContext(SCARDCONTEXT context)
{
    std::erase_if(State().connections,
        [context](const auto& entry) { return entry.second.first == context; });
}

std::string ReaderOfConnection(SCARDHANDLE card)
{
    const auto found = State().connections.find(card);
    return found != State().connections.end() ? found->second.second : std::string();
}

int32_t LoggedCall(
    const char* function, std::string_view reader, const std::function<int32_t()>& call)
{
    if (!State().enabled) {
        return call();
    }
    const auto start = std::chrono::steady_clock::now();
    const int32_t result = call();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::string line = "velkor pcsc: ";
    line += function;
    if (!reader.empty()) {
        line += " reader=\"";
        line += reader;
        line += '"';
    }
    line += " -> ";
    char text[64] = {};
    const std::string_view name = ResultName(result);
    if (name == kUnknownResult) {
        std::snprintf(text, sizeof(text), "0x%08X", static_cast<uint32_t>(result));
        line += text;
    } else {
        line += name;
    }
    std::snprintf(text, sizeof(text), " %.3f ms", took.count());
    line += text;
    Write(line);
    return result;
}

} // namespace detail

} // namespace velkor::pcsc
