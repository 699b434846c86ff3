#pragma once

#include <string>

#include "common/text.h"

// Takes the card out of a reader of the in-process PC/SC simulator and puts the same card back,
// through the simulator's exported control functions, looked up on the PC/SC library the process
// has loaded (VELKOR_PCSC_LIBRARY). Fails with a problem when that library is not loaded or is
// not the simulator.
namespace velkor {

bool MoveSimulatorCard(const Text& reader, bool insert, std::string& problem);

} // namespace velkor
