#include <iostream>
#include <string>
#include <vector>

#include "agent/call_command.h"
#include "agent/serve_command.h"
#include "build_info.h"
#include "common/secure_buffer.h"
#include "crypto/key_store.h"
#include "widgets/dialog_font_faces.h"

namespace {

void PrintUsage(std::ostream& out)
{
    out << "Velkor " << velkor::kBuildVersion << "\n"
        << "usage:\n"
        << "  velkor call [--ui none|qt|script=FILE] 'Method(arg, ...)' ...   run methods on one\n"
        << "      control (script=FILE: dialogs driven by a JSON script, see the README)\n"
        << "  velkor serve [--port N] [--allow-origin ORIGIN]... [--verbose]   run the agent\n"
        << "      [--idle-exit SECONDS]   (velkor serve --help: all its options); on the\n"
        << "      sockets its systemd socket unit passes, when started by one\n"
        << "  velkor register [--executable PATH]   start the agent with the user's session\n"
        << "  velkor unregister                     undo velkor register\n"
        << "  velkor --version\n";
}

} // namespace

int main(int argc, char** argv)
{
    // The dialogs' font faces map to installed faces before any dialog draws.
    velkor::RegisterDialogFontFaces();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        PrintUsage(args.empty() ? std::cerr : std::cout);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        std::cout << velkor::kBuildVersion
                  << (velkor::BuiltInKeySetIsDemo() ? " (demo key set)" : "") << "\n";
        return 0;
    }
    if (args[0] == "call") {
        // The calls may hold PINs and keys: the copies made here are wiped once they have run.
        std::vector<std::string> calls(args.begin() + 1, args.end());
        const int code = velkor::RunCallCommand(calls);
        for (auto& text : calls) {
            velkor::WipeString(text);
        }
        for (auto& text : args) {
            velkor::WipeString(text);
        }
        return code;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "serve") {
        return velkor::RunServeCommand(argc, argv, rest);
    }
    if (args[0] == "register") {
        return velkor::RunRegisterCommand(rest);
    }
    if (args[0] == "unregister") {
        return velkor::RunUnregisterCommand(rest);
    }
    std::cerr << "velkor: unknown command " << args[0] << "\n";
    PrintUsage(std::cerr);
    return 2;
}
