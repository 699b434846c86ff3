#pragma once

namespace velkor {

// Keeps other processes of the same user from reading the agent's memory: no core dumps, no
// ptrace attach, /proc/PID/mem readable only by root (as credential agents do). `debuggable`
// leaves the process as it was, for a debugger or a memory inspection. Returns false when the
// system refused.
bool ProtectProcessMemory(bool debuggable);

} // namespace velkor
