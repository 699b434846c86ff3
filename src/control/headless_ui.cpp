#include "control/headless_ui.h"

#include <iostream>

#include "common/text.h"

namespace velkor {

HeadlessUi::HeadlessUi(std::ostream* out)
    : out_(out != nullptr ? out : &std::cerr)
{
}

void HeadlessUi::ShowMessage(std::u16string_view text, std::u16string_view caption)
{
    *out_ << "[" << TextToUtf8(caption) << "] " << TextToUtf8(text) << "\n" << std::flush;
}

HeadlessUi& HeadlessUi::Shared()
{
    static HeadlessUi ui;
    return ui;
}

} // namespace velkor
