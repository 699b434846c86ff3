#include "agent/native_host_command.h"

#include <csignal>
#include <iostream>
#include <memory>

#include <unistd.h>

#include <QCoreApplication>

#include "agent/native_host.h"
#include "agent/process_hardening.h"
#include "agent/serve_command.h"
#include "common/quit_on_signals.h"

namespace velkor {

int RunNativeHostCommand(int argc, char** argv, const std::vector<std::string>& args)
{
    // The browser's own arguments: chrome-extension://ID/, or Firefox's manifest path and id.
    std::vector<std::string> options;
    for (const auto& arg : args) {
        if (arg.starts_with("--") && !arg.starts_with("--parent-window=")) {
            options.push_back(arg);
        } else if (!options.empty() && options.back() == "--allow-origin") {
            options.push_back(arg);
        } else if (!options.empty() && options.back() == "--ui") {
            options.push_back(arg);
        }
    }
    ServeSettings settings;
    std::string error;
    if (!ParseServeArguments(options, settings, error)) {
        std::cerr << "velkor native-host: " << error << "\n";
        return 2;
    }
    for (const auto& problem : settings.problems) {
        std::cerr << "velkor native-host: ignored " << problem << "\n";
    }
    if (!ProtectProcessMemory(settings.debuggable)) {
        std::cerr << "velkor native-host: could not make the process non-dumpable\n";
    }
    // The browser's end may close at any time: a failed write ends the session, not the process.
    std::signal(SIGPIPE, SIG_IGN);
    // Only frames may reach the browser: they get their own descriptor, and anything else a
    // library prints on standard output goes to standard error (the browser's log).
    const int frames = ::dup(STDOUT_FILENO);
    if (frames < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::cerr << "velkor native-host: cannot set up standard output\n";
        return 1;
    }

    AgentOptions& agent = settings.options;
    const std::unique_ptr<QCoreApplication> app = MakeAgentApplication(
        argc, argv, settings.ui, settings.verbose, "velkor native-host", agent);

    NativeHost host(STDIN_FILENO, frames, agent);
    host.SetFinished([](int code) { QCoreApplication::exit(code); });
    OnQuitSignals(app.get(), [&host] { host.End(0, "asked to stop"); });
    host.Start();
    return app->exec();
}

} // namespace velkor
