#include "agent/serve_command.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>

#include "agent/agent_server.h"
#include "agent/origin_policy.h"
#include "agent/process_hardening.h"
#include "agent/registration.h"
#include "build_info.h"
#include "common/quit_on_signals.h"
#include "crypto/key_store.h"

namespace velkor {

namespace {

constexpr int kUsageError = 2;

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

void PrintServeUsage()
{
    std::cerr << "usage: velkor serve [--port N] [--allow-origin ORIGIN]... [--no-demo-origin]\n"
                 "                    [--verbose] [--ui auto|none|qt] [--debug]\n"
                 "  --debug  leave the agent's memory readable by a debugger of the same user\n";
}

} // namespace

int RunServeCommand(int argc, char** argv, const std::vector<std::string>& args)
{
    AgentOptions options;
    std::vector<std::string> extraOrigins;
    bool demoOrigin = true;
    bool verbose = false;
    bool debuggable = false;
    std::string ui = "auto";
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--port" && hasValue) {
            char* end = nullptr;
            const long port = std::strtol(args[++i].c_str(), &end, 10);
            if (*end != '\0' || port < 0 || port > 65535 || args[i].empty()) {
                std::cerr << "velkor serve: --port takes 0 to 65535\n";
                return kUsageError;
            }
            options.port = static_cast<uint16_t>(port);
        } else if (arg == "--allow-origin" && hasValue) {
            extraOrigins.push_back(args[++i]);
        } else if (arg == "--no-demo-origin") {
            demoOrigin = false;
        } else if (arg == "--verbose") {
            verbose = true;
        } else if (arg == "--debug") {
            debuggable = true;
        } else if (arg == "--ui" && hasValue
            && (args[i + 1] == "auto" || args[i + 1] == "none" || args[i + 1] == "qt")) {
            ui = args[++i];
        } else {
            std::cerr << "velkor serve: unexpected argument " << arg << "\n";
            PrintServeUsage();
            return kUsageError;
        }
    }

    if (!ProtectProcessMemory(debuggable)) {
        std::cerr << "velkor serve: could not make the process non-dumpable\n";
    }

    OriginPolicy check;
    if (demoOrigin) {
        options.allowedOrigins.emplace_back(kDemoOrigin);
    }
    std::vector<std::string> problems;
    OriginPolicy fromFile;
    fromFile.LoadFile(AllowedOriginsPath(), problems);
    for (const auto& origin : fromFile.Allowed()) {
        options.allowedOrigins.push_back(origin);
    }
    for (const auto& origin : extraOrigins) {
        if (!check.Allow(origin)) {
            std::cerr << "velkor serve: --allow-origin " << origin
                      << ": not an origin (scheme://host[:port], no path or trailing slash)\n";
            return kUsageError;
        }
        options.allowedOrigins.push_back(origin);
    }
    for (const auto& problem : problems) {
        std::cerr << "velkor serve: ignored " << problem << "\n";
    }

    if (verbose) {
        options.log
            = [](const std::string& line) { std::fprintf(stderr, "velkor: %s\n", line.c_str()); };
    }
    const bool widgets = ui == "qt" || (ui == "auto" && HasDisplay());
    options.ui = widgets ? AgentUi::Widgets : AgentUi::Headless;
    std::unique_ptr<QCoreApplication> app;
    if (widgets) {
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QuitOnSignals(app.get());

    AgentServer server(options);
    QString error;
    if (!server.Listen(error)) {
        std::cerr << "velkor serve: " << error.toStdString() << "\n";
        return 1;
    }
    std::cout << "velkor " << kBuildVersion << ": listening on ws://127.0.0.1:" << server.Port()
              << "/ and ws://[::1]:" << server.Port() << "/" << std::endl;
    if (BuiltInKeySetIsDemo()) {
        std::cerr << "velkor serve: built with the demo key set, whose private keys are public: "
                     "for development and tests only"
                  << std::endl;
    }
    if (verbose) {
        for (const auto& origin : server.Origins().Allowed()) {
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
    return ok ? 0 : 1;
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
    return ok ? 0 : 1;
}

} // namespace velkor
