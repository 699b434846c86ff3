#pragma once

#include <string_view>

// Whether the web-ATM common-account form collects the card PIN itself, read from the page's
// parameter document before the form is built (the procedure needs the answer to choose between
// the form's PIN row and the reader's PIN pad, and to refuse a reader without a pad first).
namespace velkor {

// True when some `<AtmNode` element (the open tag compared exactly) has a "type" attribute
// (name compared without regard to case, first occurrence in the element) whose value, trimmed
// of blanks and control characters, begins with '6' or '7': the secret rows, the first of which
// holds the PIN. An element's text ends at its first "/>" or "</AtmNode>"; an element that is
// never closed has no attributes. The document ends at its first NUL.
bool FormCollectsPin(std::u16string_view document);

} // namespace velkor
