#pragma once

#include "dialogs/protected_entry.h"
#include "widgets/secure_static.h"

// Connects an entry field to the protected display that shows it: each update sets the display's
// text and drawing mode, and a clear also gives the display back its white background.
namespace velkor {

ProtectedEntry::DisplaySink ShowOn(CSecureStatic& display);

} // namespace velkor
