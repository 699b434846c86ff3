#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <PCSC/winscard.h>

// The call log's bookkeeping for the PC/SC binding (pcsc_api.cpp): which reader each handle
// belongs to, and the timed wrapper around each call. Internal to the pcsc library.
namespace velkor::pcsc {

namespace detail {

// Remembers which reader a card handle (of which context) is connected to, for the log's lines.
void NoteConnection(SCARDCONTEXT context, SCARDHANDLE card, std::string_view reader);
void ForgetConnection(SCARDHANDLE card);
void ForgetContext(SCARDCONTEXT context);
std::string ReaderOfConnection(SCARDHANDLE card);

// Runs `call` and, when the log is on, writes its line.
int32_t LoggedCall(
    const char* function, std::string_view reader, const std::function<int32_t()>& call);

} // namespace detail

} // namespace velkor::pcsc
