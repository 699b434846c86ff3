#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/text.h"

// What the dialog script runner needs of one open dialog: find a control by its template id,
// act on it through the same handlers as the window's events, and move the dialog's clock.
// Each dialog class brings a small adapter.
namespace velkor {

struct ControlView {
    Text text; // what the control shows: a list's selected entry, a protected display's characters
    bool enabled = true;
    bool visible = true;
};

class ScriptedDialog {
public:
    virtual ~ScriptedDialog() = default;

    virtual std::optional<ControlView> Control(int id) const = 0;
    virtual bool IsOpen() const = 0;
    // Virtual time: every tick that falls due runs, instantly.
    virtual void Advance(int64_t milliseconds) = 0;

    // Each returns false with `problem` set when the action cannot be done.
    virtual bool Click(int id, std::string& problem) = 0;
    virtual bool Select(int id, int index, std::string& problem);
    virtual bool Keys(int id, const Text& keys, std::string& problem);
    virtual bool Paste(int id, const Text& text, std::string& problem);
    virtual bool Type(const Text& text, std::string& problem);
    // A release of the left mouse button inside row `row`'s band (rows counted from 0).
    virtual bool ClickRow(int row, std::string& problem);
    // The open-file dialog: choose `path` as the customer would.
    virtual bool File(const Text& path, std::string& problem);

protected:
    // The common refusals: no such control, or one hidden or disabled.
    bool Usable(int id, std::string& problem) const;
};

} // namespace velkor
