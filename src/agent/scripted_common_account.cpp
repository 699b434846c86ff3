#include "agent/scripted_common_account.h"

#include "common/secure_buffer.h"
#include "crypto/data_process.h"
#include "dialogs/common_account_geometry.h"

namespace velkor {

using namespace common_account;

namespace {

constexpr size_t kSystemEditLimit = 32767; // an edit without a limit of its own

bool IsEdit(int id)
{
    return id >= EditId(0) && id < EditId(static_cast<int>(kCommonAccountRows));
}

bool IsCombo(int id)
{
    return id >= ComboId(0) && id < ComboId(static_cast<int>(kCommonAccountRows));
}

bool IsDisplay(int id)
{
    return id >= DisplayId(0) && id <= DisplayId(static_cast<int>(kCommonAccountRows) - 1)
        && (id - DisplayId(0)) % 2 == 0;
}

} // namespace

ScriptedCommonAccount::ScriptedCommonAccount(CommonAccountRequest& request, MessageSink& messages)
    : form_(request, timers_, messages, [this] { return clipboard_; })
{
    timers_.SetHandler([this](int id) { form_.Tick(id); });
}

std::optional<ControlView> ScriptedCommonAccount::Control(int id) const
{
    const CommonAccountControl* control = form_.Find(id);
    if (control == nullptr) {
        return std::nullopt;
    }
    ControlView view { control->text, control->enabled, control->visible };
    if (IsDisplay(id)) {
        view.text = form_.DisplayCharacters(static_cast<size_t>((id - DisplayId(0)) / 2));
    } else if (id >= kFirstKey && id < kFirstKey + kCharacterKeys && !control->text.empty()) {
        Text plain;
        CDataProcess::RevealForDisplay(control->text, form_.CaptionKey(id - kFirstKey), plain);
        view.text = plain;
        WipeString(plain);
    }
    return view;
}

bool ScriptedCommonAccount::Click(int id, std::string& problem)
{
    if (!Usable(id, problem)) {
        return false;
    }
    if (!form_.Click(id)) {
        problem = "control " + std::to_string(id) + " is not a button";
        return false;
    }
    return true;
}

bool ScriptedCommonAccount::Select(int id, int index, std::string& problem)
{
    if (!Usable(id, problem)) {
        return false;
    }
    if (!IsCombo(id)) {
        problem = "control " + std::to_string(id) + " is not a list";
        return false;
    }
    const int row = id - ComboId(0);
    if (index < 0
        || static_cast<size_t>(index) >= form_.Row(static_cast<size_t>(row)).entries.size()) {
        problem = "list " + std::to_string(id) + " has no entry " + std::to_string(index);
        return false;
    }
    form_.FocusRow(row);
    form_.SelectEntry(row, index);
    return true;
}

int ScriptedCommonAccount::FocusEdit(int id, std::string& problem)
{
    if (!Usable(id, problem)) {
        return -1;
    }
    if (!IsEdit(id)) {
        problem = "control " + std::to_string(id) + " is not an edit";
        return -1;
    }
    form_.FocusRow(id - EditId(0));
    return id - EditId(0);
}

void ScriptedCommonAccount::Insert(int row, const Text& text)
{
    const int32_t limit = form_.Row(static_cast<size_t>(row)).defaultValue;
    const size_t maximum = limit > 0 ? static_cast<size_t>(limit) : kSystemEditLimit;
    Text edit = form_.EditText(static_cast<size_t>(row));
    WipeOnExit<Text> wipeEdit(edit);
    edit += text.substr(0, maximum > edit.size() ? maximum - edit.size() : 0);
    form_.SetEditText(row, edit);
}

bool ScriptedCommonAccount::Keys(int id, const Text& keys, std::string& problem)
{
    const int row = FocusEdit(id, problem);
    if (row < 0) {
        return false;
    }
    for (const char16_t c : keys) {
        if (!IsOpen()) {
            break;
        }
        Text edit = form_.EditText(static_cast<size_t>(row));
        WipeOnExit<Text> wipeEdit(edit);
        if (c == u'\n') {
            form_.FilterKey(KeyInput::KeyDown(kKeyEnter), edit, edit.size());
            continue;
        }
        if (form_.FilterKey(KeyInput::Character(c), edit, edit.size())) {
            continue;
        }
        if (c == kCharBackspace) {
            if (!edit.empty()) {
                edit.pop_back();
                form_.SetEditText(row, edit);
            }
        } else {
            Insert(row, Text(1, c));
        }
    }
    return true;
}

bool ScriptedCommonAccount::Paste(int id, const Text& text, std::string& problem)
{
    const int row = FocusEdit(id, problem);
    if (row < 0) {
        return false;
    }
    clipboard_ = text;
    Text edit = form_.EditText(static_cast<size_t>(row));
    WipeOnExit<Text> wipeEdit(edit);
    if (!form_.FilterKey(KeyInput::KeyDown(kKeyV, true), edit, edit.size())
        && !form_.FilterKey(KeyInput::Character(kCharPaste), edit, edit.size())) {
        Insert(row, text);
    }
    WipeString(clipboard_);
    return true;
}

bool ScriptedCommonAccount::Type(const Text& text, std::string& problem)
{
    for (const char16_t c : text) {
        const int key = form_.KeyShowing(c);
        if (key < 0) {
            problem = "no key shows \"" + TextToUtf8(Text(1, c)) + "\"";
            return false;
        }
        if (!Click(kFirstKey + key, problem)) {
            return false;
        }
    }
    return true;
}

bool ScriptedCommonAccount::ClickRow(int row, std::string& problem)
{
    if (row < 0 || static_cast<size_t>(row) >= kCommonAccountRows) {
        problem = "the form has no row " + std::to_string(row);
        return false;
    }
    const auto band = common_account_geometry::For(form_.Kind()).Band(row);
    form_.MouseReleased(band.x + 1, band.y + band.height / 2);
    return true;
}

} // namespace velkor
