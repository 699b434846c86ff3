#include "agent/serve_command.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>

#include "agent/agent_server.h"
#include "agent/host_manifests.h"
#include "agent/idle_exit.h"
#include "agent/origin_policy.h"
#include "agent/process_hardening.h"
#include "agent/registration.h"
#include "agent/socket_activation.h"
#include "build_info.h"
#include "common/quit_on_signals.h"
#include "crypto/key_store.h"
#include "pcsc/call_log.h"

namespace velkor {

namespace {

constexpr int kUsageError = 2;

} // namespace

bool HasDisplay()
{
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" }) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

std::unique_ptr<QCoreApplication> MakeAgentApplication(int& argc, char** argv,
    const std::string& ui, bool verbose, const char* logName, AgentOptions& options)
{
    if (verbose) {
        options.log = [logName](const std::string& line) {
            std::fprintf(stderr, "%s: %s\n", logName, line.c_str());
        };
        pcsc::EnableCallLog(true); // every PC/SC call, never what is sent to the card
    }
    const bool widgets = ui == "qt" || (ui == "auto" && HasDisplay());
    options.ui = widgets ? AgentUi::Widgets : AgentUi::Headless;
    if (!widgets) {
        return std::make_unique<QCoreApplication>(argc, argv);
    }
    auto app = std::make_unique<QApplication>(argc, argv);
    // The agent serves until it is stopped: closing a dialog, its only window, must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    return app;
}

namespace {

// The longest quiet period: a day, which also keeps the milliseconds within a timer's range.
constexpr long kLongestIdleExitSeconds = 86400;

void PrintServeUsage(std::ostream& out)
{
    out << "usage: velkor serve [--port N] [--allow-origin ORIGIN]... [--demo-origin]\n"
           "                    [--verbose] [--ui auto|none|qt] [--idle-exit SECONDS] [--debug]\n";
    PrintServeOptions(out);
}

} // namespace

void PrintServeOptions(std::ostream& out)
{
    out << "  --port N        listen on 127.0.0.1 and ::1 port N (default 8931)\n"
           "  --allow-origin ORIGIN\n"
           "                  also allow pages of ORIGIN for this run (besides the allowlist\n"
           "                  file ~/.config/velkor/allowed-origins)\n"
           "  --demo-origin   also allow the demo bank, http://127.0.0.1:8932\n"
           "  --verbose       log connections, refusals and calls (never their arguments)\n"
           "  --ui auto|none|qt\n"
           "                  show dialogs on the desktop (qt), cancel them (none), or qt when\n"
           "                  a display is present (auto, the default)\n"
           "  --idle-exit SECONDS\n"
           "                  exit after SECONDS without a page or a call (0: never, the\n"
           "                  default); for an agent its socket unit starts on demand\n"
           "  --debug         leave the agent's memory readable by a debugger of the same user\n";
}

bool ParseServeArguments(
    const std::vector<std::string>& args, ServeSettings& settings, std::string& error)
{
    AgentOptions& options = settings.options;
    std::vector<std::string> extraOrigins;
    bool demoOrigin = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--port" && hasValue) {
            char* end = nullptr;
            const long port = std::strtol(args[++i].c_str(), &end, 10);
            if (*end != '\0' || port < 0 || port > 65535 || args[i].empty()) {
                error = "--port takes 0 to 65535";
                return false;
            }
            options.port = static_cast<uint16_t>(port);
        } else if (arg == "--allow-origin" && hasValue) {
            extraOrigins.push_back(args[++i]);
        } else if (arg == "--demo-origin") {
            demoOrigin = true;
        } else if (arg == "--no-demo-origin") {
            demoOrigin = false; // the default; still accepted from older scripts
        } else if (arg == "--verbose") {
            settings.verbose = true;
        } else if (arg == "--debug") {
            settings.debuggable = true;
        } else if (arg == "--help") {
            settings.help = true;
        } else if (arg == "--idle-exit" && hasValue) {
            char* end = nullptr;
            const long seconds = std::strtol(args[++i].c_str(), &end, 10);
            if (*end != '\0' || seconds < 0 || seconds > kLongestIdleExitSeconds
                || args[i].empty()) {
                error = "--idle-exit takes 0 to " + std::to_string(kLongestIdleExitSeconds)
                    + " seconds";
                return false;
            }
            settings.idleExitSeconds = static_cast<int>(seconds);
        } else if (arg == "--ui" && hasValue
            && (args[i + 1] == "auto" || args[i + 1] == "none" || args[i + 1] == "qt")) {
            settings.ui = args[++i];
        } else if ((arg == "--ui" && hasValue && args[i + 1].starts_with("script="))
            || arg.starts_with("--ui=script=")) {
            // Scripted dialogs answer for the customer: only a command line's own calls may use
            // them, never a page.
            error = "--ui script=FILE is for velkor call only";
            return false;
        } else {
            error = "unexpected argument " + arg;
            return false;
        }
    }

    if (demoOrigin) {
        options.allowedOrigins.emplace_back(kDemoOrigin);
    }
    // The allowlist file is read afresh for each page (velkor origins, the consent dialog);
    // read once here only to report its problems at start-up.
    options.allowlistFile = AllowedOriginsPath();
    OriginPolicy fromFile;
    fromFile.LoadFile(options.allowlistFile, settings.problems);
    OriginPolicy check;
    for (const auto& origin : extraOrigins) {
        if (!check.Allow(origin)) {
            error = "--allow-origin " + origin
                + ": not an origin (scheme://host[:port], no path or trailing slash)";
            return false;
        }
        options.allowedOrigins.push_back(origin);
    }
    return true;
}

int RunServeCommand(int argc, char** argv, const std::vector<std::string>& args)
{
    ServeSettings settings;
    std::string error;
    if (!ParseServeArguments(args, settings, error)) {
        std::cerr << "velkor serve: " << error << "\n";
        if (error.starts_with("unexpected")) {
            PrintServeUsage(std::cerr);
        }
        return kUsageError;
    }
    if (settings.help) {
        PrintServeUsage(std::cout);
        return 0;
    }
    for (const auto& problem : settings.problems) {
        std::cerr << "velkor serve: ignored " << problem << "\n";
    }
    if (!ProtectProcessMemory(settings.debuggable)) {
        std::cerr << "velkor serve: could not make the process non-dumpable\n";
    }
    AgentOptions& options = settings.options;
    const bool verbose = settings.verbose;
    const std::unique_ptr<QCoreApplication> app
        = MakeAgentApplication(argc, argv, settings.ui, verbose, "velkor", options);
    QuitOnSignals(app.get());

    options.passedSockets = TakePassedSockets();
    const bool activated = !options.passedSockets.empty();
    AgentServer server(options);
    QString listenError;
    if (!server.Listen(listenError)) {
        std::cerr << "velkor serve: " << listenError.toStdString() << "\n";
        return 1;
    }
    if (activated) {
        std::cout << "velkor " << kBuildVersion << ": listening on the socket"
                  << (options.passedSockets.size() > 1 ? "s" : "") << " of its socket unit, port "
                  << server.Port() << std::endl;
    } else {
        std::cout << "velkor " << kBuildVersion << ": listening on ws://127.0.0.1:" << server.Port()
                  << "/ and ws://[::1]:" << server.Port() << "/" << std::endl;
    }
    std::unique_ptr<IdleExit> idleExit;
    if (settings.idleExitSeconds > 0) {
        idleExit = std::make_unique<IdleExit>(
            std::chrono::seconds(settings.idleExitSeconds), [&server] { return server.Busy(); },
            [] {
                std::cout << "velkor: idle, exiting" << std::endl;
                QCoreApplication::quit();
            });
        QObject::connect(&server, &AgentServer::Activity, idleExit.get(), &IdleExit::Restart);
        idleExit->Restart();
    }
    if (BuiltInKeySetIsDemo()) {
        std::cerr << "velkor serve: built with the demo key set, whose private keys are public: "
                     "for development and tests only"
                  << std::endl;
    }
    if (verbose) {
        for (const auto& origin : server.Consent().FixedOrigins()) {
            options.log("allowed origin " + origin);
        }
    }
    return app->exec();
}

int RunRegisterCommand(const std::vector<std::string>& args)
{
    std::string executable;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--executable" && i + 1 < args.size()) {
            executable = args[++i];
        } else {
            std::cerr << "usage: velkor register [--executable PATH]\n";
            return kUsageError;
        }
    }
    if (executable.empty()) {
        executable = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().toStdString();
    } else {
        executable = QFileInfo(QString::fromStdString(executable)).absoluteFilePath().toStdString();
    }
    SystemctlUser services;
    std::string message;
    const bool ok = RegisterAgent(executable, kBuildVersion, services, message);
    (ok ? std::cout : std::cerr) << "velkor register: " << message << "\n";
    const bool hosts = InstallHostManifests(executable, message);
    (hosts ? std::cout : std::cerr) << "velkor register: " << message << "\n";
    return ok && hosts ? 0 : 1;
}

int RunUnregisterCommand(const std::vector<std::string>& args)
{
    if (!args.empty()) {
        std::cerr << "usage: velkor unregister\n";
        return kUsageError;
    }
    SystemctlUser services;
    std::string message;
    const bool ok = UnregisterAgent(services, message);
    (ok ? std::cout : std::cerr) << "velkor unregister: " << message << "\n";
    const bool hosts = RemoveHostManifests(message);
    (hosts ? std::cout : std::cerr) << "velkor unregister: " << message << "\n";
    return ok && hosts ? 0 : 1;
}

} // namespace velkor
