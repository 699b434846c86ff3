#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/text.h"

// The script of `velkor call --ui script=FILE`: what each dialog that opens during the calls
// expects to be and what is done in it. The file is JSON (UTF-8):
//   {"dialogs": [ {"expect": NAME, "actions": [ ... ]}, ... ]}
// Everything is checked when the file is read, so that a malformed script stops the command
// before any call runs.
namespace velkor {

// Class names of the dialogs a script may expect.
bool IsScriptedDialogName(std::string_view name);

struct ExpectedControl {
    std::optional<Text> text;
    std::optional<bool> enabled;
    std::optional<bool> visible;
};

struct ScriptAction {
    enum class Kind {
        kClick,
        kClickRow,
        kSelect,
        kKeys,
        kPaste,
        kType,
        kWait,
        kCard,
        kExpect,
        kExpectMessage,
        kFile
    };
    Kind kind = Kind::kClick;
    int control = 0; // click, select, keys, paste
    int index = 0; // select, clickRow
    Text text; // keys, paste, type, expectMessage, file
    double seconds = 0; // wait
    bool insertCard = false; // card: insert (true) or remove
    std::vector<std::pair<int, ExpectedControl>> expectations; // expect
    std::string source; // the action as written, for reports
};

struct ScriptedDialogEntry {
    std::string expect;
    std::vector<ScriptAction> actions;
};

struct DialogScript {
    std::vector<ScriptedDialogEntry> dialogs;
};

// Parses a script; on failure `error` says where and what.
std::optional<DialogScript> ParseDialogScript(std::string_view json, std::string& error);
// Reads and parses the file at `path`.
std::optional<DialogScript> LoadDialogScript(const std::string& path, std::string& error);

} // namespace velkor
