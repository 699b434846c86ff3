// A page's WebSocket text frame through the JSON-RPC dispatcher and, when it names a method with
// fitting arguments, the method itself on a control without readers (the PC/SC library is absent,
// so every card method fails the way it does on a machine without pcsc-lite).
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string_view>

#include "agent/dispatcher.h"
#include "common/wait.h"
#include "control/headless_ui.h"
#include "control/method_table.h"
#include "control/velkor_ctrl.h"

namespace {

// Methods that store settings or records write under this process's own home.
void UseScratchHome()
{
    static char home[] = "/tmp/velkor-fuzz-home-XXXXXX";
    if (mkdtemp(home) != nullptr) {
        setenv("HOME", home, 1);
        setenv("XDG_CONFIG_HOME", home, 1);
        setenv("XDG_DATA_HOME", home, 1);
        setenv("XDG_STATE_HOME", home, 1);
    }
    setenv("VELKOR_PCSC_LIBRARY", "/nonexistent/libpcsclite.so.1", 1);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    UseScratchHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velkor;
    static const Dispatcher dispatcher(AllMethods());
    static std::ostream discard(nullptr); // message boxes are written nowhere
    static HeadlessUi ui(&discard);
    static const ScopedWaitHook noWaits([](int) {});

    const Dispatcher::Outcome outcome
        = dispatcher.Dispatch(std::string_view(reinterpret_cast<const char*>(data), size));
    if (outcome.call) {
        CVelkorCtrl control(ui);
        dispatcher.Run(*outcome.call, control);
    }
    return 0;
}
