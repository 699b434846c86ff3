#pragma once

namespace velkor {

// Closes the open modal dialogs and message boxes, innermost first, as if the customer had
// pressed Cancel. Used when the page whose call opened them has gone away.
void CancelOpenDialogs();

} // namespace velkor
