#include "agent/scripted_trans_set.h"

#include "common/secure_buffer.h"

namespace velkor {

using namespace trans_set;

namespace {

constexpr size_t kEmailChars = EmailInputFilter::kMaximumLength;

bool IsList(int id)
{
    return id == kAgreedList || id == kCommonList || id == kBankList || id == kGroupList;
}

bool IsClickable(int id)
{
    return id == kOk || id == kCancel || (id >= kAgreedRadio && id <= kClearKey)
        || id == kAddToCommon || id == kTypedDisplay;
}

} // namespace

ScriptedTransSet::ScriptedTransSet(TransferAccountRequest& request, MessageSink& messages)
    : decisions_(request, timers_, messages)
    , accountFilter_(messages, [this] { return clipboard_; })
    , emailFilter_(messages, [this] { return clipboard_; })
{
    timers_.SetHandler([this](int id) { decisions_.Tick(id); });
}

std::optional<ControlView> ScriptedTransSet::Control(int id) const
{
    const TransSetControl* control = decisions_.Find(id);
    if (control == nullptr) {
        return std::nullopt;
    }
    ControlView view { control->text, control->enabled, control->visible };
    if (IsList(id)) {
        const std::vector<Text> entries = decisions_.ListEntries(id);
        const int selected = decisions_.ListSelection(id);
        view.text = selected >= 0 && static_cast<size_t>(selected) < entries.size()
            ? entries[static_cast<size_t>(selected)]
            : Text();
    } else if (id == kTypedDisplay) {
        view.text = decisions_.DisplayCharacters();
    } else if (id == kAccountEdit) {
        view.text = decisions_.AccountText();
    } else if (id == kEmailEdit) {
        view.text = decisions_.EmailText();
    } else if (id >= kFirstKey && id < kCorrectionKey) {
        // The caption the key shows (its shuffled character).
        const char16_t character = decisions_.KeyCharacter(static_cast<size_t>(id - kFirstKey));
        if (character != 0) {
            view.text = Text(1, character);
        }
    }
    return view;
}

bool ScriptedTransSet::Click(int id, std::string& problem)
{
    if (!Usable(id, problem)) {
        return false;
    }
    if (!IsClickable(id)) {
        problem = "control " + std::to_string(id) + " is not a button";
        return false;
    }
    decisions_.Click(id);
    return true;
}

bool ScriptedTransSet::Select(int id, int index, std::string& problem)
{
    if (!IsList(id)) {
        return ScriptedDialog::Select(id, index, problem);
    }
    if (!Usable(id, problem)) {
        return false;
    }
    const size_t count = decisions_.ListEntries(id).size();
    if (static_cast<size_t>(index) >= count) {
        problem = "list " + std::to_string(id) + " has " + std::to_string(count) + " entries";
        return false;
    }
    decisions_.SelectItem(id, index);
    return true;
}

bool ScriptedTransSet::Edit(int id, std::string& problem,
    const std::function<void(Text&, const EditKeyFilter&, const OkDecision&)>& change)
{
    if (id != kAccountEdit && id != kEmailEdit) {
        return ScriptedDialog::Keys(id, {}, problem);
    }
    if (!Usable(id, problem)) {
        return false;
    }
    decisions_.Focus(id);
    const OkDecision ok = [this](bool enabled) { decisions_.FilterSetsOk(enabled); };
    Text text = id == kAccountEdit ? decisions_.AccountText() : decisions_.EmailText();
    WipeOnExit wipeText(text);
    if (id == kAccountEdit) {
        change(
            text,
            [this](const KeyInput& key, const Text& now) {
                return accountFilter_.Filter(
                    key, now.size(), kAccountChars, decisions_.AccountEditActive());
            },
            ok);
        decisions_.SetAccountText(text);
    } else {
        change(
            text,
            [this](const KeyInput& key, const Text& now) {
                return emailFilter_.Filter(key, now.size(), now.empty() ? 0 : now.back(), 0);
            },
            ok);
        decisions_.SetEmailText(text);
    }
    return true;
}

bool ScriptedTransSet::Keys(int id, const Text& keys, std::string& problem)
{
    const size_t maximum = id == kAccountEdit ? kAccountChars : kEmailChars;
    return Edit(id, problem, [&](Text& text, const EditKeyFilter& filter, const OkDecision& ok) {
        TypeIntoEdit(text, keys, maximum, filter, ok);
    });
}

bool ScriptedTransSet::Paste(int id, const Text& pasted, std::string& problem)
{
    const size_t maximum = id == kAccountEdit ? kAccountChars : kEmailChars;
    clipboard_ = pasted;
    const bool done
        = Edit(id, problem, [&](Text& text, const EditKeyFilter& filter, const OkDecision& ok) {
              PasteIntoEdit(text, pasted, maximum, filter, ok);
          });
    WipeString(clipboard_);
    return done;
}

bool ScriptedTransSet::Type(const Text& text, std::string& problem)
{
    for (const char16_t c : text) {
        int found = 0;
        for (size_t position = 0; position < KeypadOrder::kDigitPositions && found == 0;
             ++position) {
            char16_t shown = decisions_.KeyCharacter(position);
            if (shown == c) {
                found = kFirstKey + static_cast<int>(position);
            }
            Wipe(&shown, sizeof shown);
        }
        if (found == 0) {
            problem = "no key of the keypad shows \"" + TextToUtf8(Text(1, c)) + "\"";
            return false;
        }
        if (!Usable(found, problem)) {
            return false;
        }
        decisions_.Click(found);
    }
    return true;
}

} // namespace velkor
