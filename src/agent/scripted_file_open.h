#pragma once

#include "agent/scripted_dialog.h"

// The script runner's open-file dialog: `{"file": PATH}` chooses PATH (whether or not it exists,
// as a customer may type any name), `{"click": 2}` cancels.
namespace velkor {

class ScriptedFileOpen final : public ScriptedDialog {
public:
    static constexpr int kOpen = 1;
    static constexpr int kCancel = 2;

    std::optional<ControlView> Control(int id) const override;
    bool IsOpen() const override { return open_; }
    void Advance(int64_t) override { }
    bool Click(int id, std::string& problem) override;
    bool File(const Text& path, std::string& problem) override;
    void Cancel() { open_ = false; }

    // The chosen path, nothing when cancelled.
    const std::optional<Text>& Chosen() const { return chosen_; }

private:
    bool open_ = true;
    std::optional<Text> chosen_;
};

} // namespace velkor
