#pragma once

#include <iosfwd>

#include "control/ui.h"

// The Ui of a control without a screen (`velkor call --ui none`, services): every message box is
// written to a stream (standard error by default) as "[caption] text" and counts as acknowledged
// at once; cursors do nothing.
namespace velkor {

class HeadlessUi final : public Ui {
public:
    explicit HeadlessUi(std::ostream* out = nullptr);

    void ShowMessage(std::u16string_view text, std::u16string_view caption) override;
    void SetWaitCursor() override { }
    void SetArrowCursor() override { }

    // The instance a control uses when it is given no Ui.
    static HeadlessUi& Shared();

private:
    std::ostream* out_;
};

} // namespace velkor
