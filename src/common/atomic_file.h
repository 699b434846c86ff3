#pragma once

#include <string>

namespace velkor {

// Replaces the file at `path` with `content` atomically: written beside it, then renamed over it,
// creating its folder first. False (and no file left beside it) when any step fails.
bool WriteFileAtomically(const std::string& path, const std::string& content);

} // namespace velkor
