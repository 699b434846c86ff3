#pragma once

#include <cstddef>
#include <string_view>

namespace velkor {

// Deepest nesting of arrays and objects a request may have. Real requests are flat (an object
// holding one array of scalars); the bound keeps every walk over a parsed request, and the JSON
// parser itself, which recurses once per level, far from the end of the stack.
inline constexpr size_t kMaxJsonNesting = 32;

// True when `text` opens more than `limit` arrays or objects inside each other. Looks only at the
// raw text (brackets inside strings do not count), so it is safe on any input and runs before the
// parser sees it. Malformed text is left for the parser to refuse.
bool JsonNestsDeeperThan(std::string_view text, size_t limit = kMaxJsonNesting);

} // namespace velkor
