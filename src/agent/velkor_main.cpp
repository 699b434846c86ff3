#include <iostream>
#include <string>
#include <vector>

#include "agent/call_command.h"
#include "agent/native_host_command.h"
#include "agent/origins_command.h"
#include "agent/serve_command.h"
#include "build_info.h"
#include "common/secure_buffer.h"
#include "crypto/key_store.h"
#include "widgets/dialog_font_faces.h"

namespace {

void PrintUsage(std::ostream& out)
{
    out << "Velkor " << velkor::kBuildVersion
        << ": lets bank web pages use the chip card in the card reader.\n"
        << "\n"
        << "Usage: velkor COMMAND [OPTION]...\n"
        << "\n"
        << "Commands:\n"
        << "  call [--ui none|qt|script=FILE] 'Method(arg, ...)'...\n"
        << "                  run methods on one control, in order, and print each result\n"
        << "                  (script=FILE: dialogs driven by a JSON script, see the README)\n"
        << "  serve [OPTION]...\n"
        << "                  run the local agent that bank pages connect to; started by its\n"
        << "                  systemd socket unit, it serves the socket it is given\n"
        << "  register [--executable PATH]\n"
        << "                  start the agent with the user's desktop session\n"
        << "  unregister      undo velkor register\n"
        << "  native-host [OPTION]...\n"
        << "                  the browser extension's native-messaging host (the browser starts\n"
        << "                  it; serve's options, without the port)\n"
        << "  origins list|allow ORIGIN|revoke ORIGIN\n"
        << "                  the sites allowed to use the card\n"
        << "  --version       print the version\n"
        << "\n"
        << "Options of serve:\n";
    velkor::PrintServeOptions(out);
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
    if (args[0] == "native-host") {
        return velkor::RunNativeHostCommand(argc, argv, rest);
    }
    if (args[0] == "origins") {
        return velkor::RunOriginsCommand(rest, std::cout, std::cerr);
    }
    std::cerr << "velkor: unknown command " << args[0] << "\n";
    PrintUsage(std::cerr);
    return 2;
}
