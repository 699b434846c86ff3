#pragma once

#include <cstdint>
#include <string>

// Which reader session last used the card in each reader, process-wide. A card keeps what a
// session did to it (above all a verified PIN) until it is reset, so a session that finds another
// session's use recorded for a reader resets the card before its first command. Internal to the
// pcsc library; used only from the thread that hosts the controls.
namespace velkor::pcsc::detail {

// Records that `session` holds a connection to the card in `reader`.
void RecordCardUse(const std::string& reader, uint64_t session);
// Whether a session other than `session` used the card in `reader` since its last reset.
bool UsedByAnotherSession(const std::string& reader, uint64_t session);
// Records that the card in `reader` was reset, unpowered or ejected: nobody's state is on it.
void RecordCardReset(const std::string& reader);
// As RecordCardReset, but only when `session` was the last to use the card: the reset that ending
// a connection brings leaves alone a card that another session has reset and used since.
void ForgetCardUse(const std::string& reader, uint64_t session);

} // namespace velkor::pcsc::detail
