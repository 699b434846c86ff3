#include "agent/scripted_net_selection.h"

#include "common/secure_buffer.h"
#include "dialogs/input_filter.h"
#include "dialogs/trans_com_decisions.h"
#include "dialogs/trans_deal_decisions.h"
#include "dialogs/trans_oth_decisions.h"

namespace velkor {

namespace {

bool SelectIn(int id, int index, std::string& problem, const std::function<bool(int, int)>& select)
{
    if (!select(id, index)) {
        problem = "list " + std::to_string(id) + " has no entry " + std::to_string(index);
        return false;
    }
    return true;
}

class ScriptedTransDeal final : public ScriptedNetSelection {
public:
    ScriptedTransDeal(NetSelectionRequest& request, MessageSink& messages, FontSizeFile fonts)
        : decisions_(request, timers_, messages, std::move(fonts))
    {
        Attach(decisions_);
    }
    bool Select(int id, int index, std::string& problem) override
    {
        if (!Usable(id, problem)) {
            return false;
        }
        if (id != trans_deal::kList) {
            problem = "control " + std::to_string(id) + " is not a list";
            return false;
        }
        return SelectIn(id, index, problem, [this](int, int i) { return decisions_.Select(i); });
    }

private:
    TransDealDecisions decisions_;
};

// An edit field typed one key at a time: Enter never reaches it, Backspace removes the last
// character, anything else is appended up to `maximum`.
Text Typed(Text text, const Text& keys, size_t maximum,
    const std::function<bool(const KeyInput&, size_t)>& swallowed)
{
    for (const char16_t c : keys) {
        if (c == u'\n') {
            continue; // the dialogs swallow Enter
        }
        const KeyInput key = KeyInput::Character(c);
        if (swallowed && swallowed(key, text.size())) {
            continue;
        }
        if (c == kCharBackspace) {
            if (!text.empty()) {
                text.pop_back();
            }
        } else if (text.size() < maximum) {
            text.push_back(c);
        }
    }
    return text;
}

class ScriptedTransCom final : public ScriptedNetSelection {
public:
    ScriptedTransCom(NetSelectionRequest& request, MessageSink& messages, FontSizeFile fonts)
        : decisions_(request, timers_, messages, std::move(fonts))
    {
        Attach(decisions_);
    }
    bool Select(int id, int index, std::string& problem) override
    {
        if (!Usable(id, problem)) {
            return false;
        }
        if (id != trans_com::kGroupList && id != trans_com::kAccountList) {
            problem = "control " + std::to_string(id) + " is not a list";
            return false;
        }
        return SelectIn(
            id, index, problem, [this](int list, int i) { return decisions_.Select(list, i); });
    }
    bool Keys(int id, const Text& keys, std::string& problem) override
    {
        if (!FilterField(id, problem)) {
            return false;
        }
        decisions_.SetFilterText(
            Typed(decisions_.Control(id).text, keys, trans_com::kFilterMaxChars, nullptr));
        return true;
    }
    bool Paste(int id, const Text& text, std::string& problem) override
    {
        if (!FilterField(id, problem)) {
            return false;
        }
        decisions_.SetFilterText(decisions_.Control(id).text + text);
        return true;
    }

protected:
    bool ClickOwn(int id, std::string& problem) override
    {
        if (id != trans_com::kFilterButton) {
            return ScriptedNetSelection::ClickOwn(id, problem);
        }
        decisions_.ApplyFilter();
        return true;
    }

private:
    bool FilterField(int id, std::string& problem)
    {
        if (!Usable(id, problem)) {
            return false;
        }
        if (id != trans_com::kFilterField) {
            problem = "control " + std::to_string(id) + " is not an edit";
            return false;
        }
        return true;
    }

    TransComDecisions decisions_;
};

class ScriptedTransOth final : public ScriptedNetSelection {
public:
    ScriptedTransOth(NetSelectionRequest& request, MessageSink& messages, FontSizeFile fonts)
        : decisions_(request, timers_, messages, std::move(fonts))
        , filter_(messages, [this] { return clipboard_; })
    {
        Attach(decisions_);
    }
    ~ScriptedTransOth() override { WipeString(clipboard_); }

    bool Keys(int id, const Text& keys, std::string& problem) override
    {
        if (!AccountField(id, problem)) {
            return false;
        }
        Text typed = Typed(decisions_.EditText(), keys, decisions_.MaximumLength(),
            [this](const KeyInput& key, size_t length) {
                return filter_
                    .Filter(key, length, decisions_.MaximumLength(), decisions_.EditIsActiveEntry())
                    .swallow;
            });
        decisions_.SetEditText(typed);
        WipeString(typed);
        return true;
    }
    bool Paste(int id, const Text& text, std::string& problem) override
    {
        if (!AccountField(id, problem)) {
            return false;
        }
        clipboard_ = text;
        const FilterDecision paste
            = filter_.Filter(KeyInput::KeyDown(kKeyV, true), decisions_.EditText().size(),
                decisions_.MaximumLength(), decisions_.EditIsActiveEntry());
        if (!paste.swallow) {
            decisions_.SetEditText(decisions_.EditText() + text);
        }
        WipeString(clipboard_);
        return true;
    }
    bool Type(const Text& text, std::string& problem) override
    {
        for (const char16_t c : text) {
            const int position = decisions_.PositionOf(c);
            if (position < 0) {
                problem = "no key of the keypad shows \"" + TextToUtf8(Text(1, c)) + "\"";
                return false;
            }
            if (!Usable(trans_oth::kFirstKey + position, problem)) {
                return false;
            }
            decisions_.PressKey(trans_oth::kFirstKey + position);
        }
        return true;
    }

protected:
    bool ClickOwn(int id, std::string& problem) override
    {
        if (id >= trans_oth::kFirstKey && id <= trans_oth::kClear) {
            decisions_.PressKey(id);
        } else if (id == trans_oth::kGraphicRadio || id == trans_oth::kGeneralRadio) {
            decisions_.ChooseKeyboard(id);
        } else if (id == trans_oth::kAddToCommon) {
            decisions_.ToggleAddToCommon();
        } else {
            return ScriptedNetSelection::ClickOwn(id, problem);
        }
        return true;
    }
    std::optional<Text> OwnText(int id) const override
    {
        if (id == trans_oth::kDisplay) {
            return decisions_.DisplayCharacters();
        }
        if (id == trans_oth::kEdit) {
            return decisions_.EditText();
        }
        if (id >= trans_oth::kFirstKey && id < trans_oth::kFirstKey + 10) {
            // The caption the customer sees on the shuffled key.
            const auto position = static_cast<size_t>(id - trans_oth::kFirstKey);
            return Text(1, decisions_.Order().CharacterAt(position, false, decisions_.Key()));
        }
        return std::nullopt;
    }

private:
    bool AccountField(int id, std::string& problem)
    {
        if (!Usable(id, problem)) {
            return false;
        }
        if (id != trans_oth::kEdit) {
            problem = "control " + std::to_string(id) + " is not an edit";
            return false;
        }
        return true;
    }

    TransOthDecisions decisions_;
    Text clipboard_;
    AccountInputFilter filter_;
};

} // namespace

ScriptedNetSelection::ScriptedNetSelection() = default;

void ScriptedNetSelection::Attach(NetSelectionDecisions& decisions)
{
    decisions_ = &decisions;
    timers_.SetHandler([this](int id) { decisions_->Tick(id); });
}

std::unique_ptr<ScriptedNetSelection> ScriptedNetSelection::For(
    NetSelectionRequest& request, MessageSink& messages, FontSizeFile fonts)
{
    switch (request.dialog) {
    case NetSelectionDialog::TransCom:
        return std::make_unique<ScriptedTransCom>(request, messages, std::move(fonts));
    case NetSelectionDialog::TransOth:
        return std::make_unique<ScriptedTransOth>(request, messages, std::move(fonts));
    case NetSelectionDialog::TransDeal:
        break;
    }
    return std::make_unique<ScriptedTransDeal>(request, messages, std::move(fonts));
}

const char* ScriptedNetSelection::NameOf(NetSelectionDialog dialog)
{
    switch (dialog) {
    case NetSelectionDialog::TransCom:
        return "TransCom";
    case NetSelectionDialog::TransOth:
        return "TransOth";
    case NetSelectionDialog::TransDeal:
        break;
    }
    return "TransDeal";
}

std::optional<ControlView> ScriptedNetSelection::Control(int id) const
{
    const NetControl* control = Decisions().Find(id);
    if (control == nullptr) {
        return std::nullopt;
    }
    ControlView view { control->text, control->enabled, control->visible };
    if (control->selected >= 0) {
        view.text = control->entries[static_cast<size_t>(control->selected)];
    }
    if (std::optional<Text> own = OwnText(id)) {
        view.text = std::move(*own);
    }
    return view;
}

bool ScriptedNetSelection::Click(int id, std::string& problem)
{
    if (!Usable(id, problem)) {
        return false;
    }
    NetSelectionDecisions& decisions = Decisions();
    if (id == net_selection::kOk) {
        decisions.Ok();
    } else if (id == net_selection::kCancel) {
        decisions.Cancel();
    } else if (id >= decisions.FirstFontRadio() && id < decisions.FirstFontRadio() + 3) {
        decisions.ChooseFontSize(id);
    } else {
        return ClickOwn(id, problem);
    }
    return true;
}

bool ScriptedNetSelection::ClickOwn(int id, std::string& problem)
{
    problem = "control " + std::to_string(id) + " is not a button";
    return false;
}

std::optional<Text> ScriptedNetSelection::OwnText(int) const
{
    return std::nullopt;
}

} // namespace velkor
