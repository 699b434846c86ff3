#include <cstdio>
#include <cstring>
#include <string>

#include "build_info.h"
#include "crypto/keytool/key_set_writer.h"

// velkor-keytool: makes the key set a build embeds (see key_set_writer.h for the files).
namespace {

void PrintUsage(std::FILE* out)
{
    std::fputs("usage:\n"
               "  velkor-keytool generate [--force] <dir>\n"
               "      fresh RSA-1024 pairs for the control and the host, and a complete set\n"
               "      (--force replaces the private keys of an earlier set in <dir>)\n"
               "  velkor-keytool seal --control-private <pem> --host-public <pem>\n"
               "                      [--further1 <file>] [--further2 <file>] <dir>\n"
               "      a set from existing keys\n"
               "then configure with -DVELKOR_KEY_SET=<dir>.\n",
        out);
}

int Usage()
{
    PrintUsage(stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("velkor-keytool %s\n", velkor::kBuildVersion);
        return 0;
    }
    if (argc < 3) {
        return Usage();
    }
    std::string error;
    bool done = false;
    if (std::strcmp(argv[1], "generate") == 0 && argc == 3) {
        done = velkor::keytool::GenerateKeySet(argv[2], false, error);
    } else if (std::strcmp(argv[1], "generate") == 0 && argc == 4
        && std::strcmp(argv[2], "--force") == 0) {
        done = velkor::keytool::GenerateKeySet(argv[3], true, error);
    } else if (std::strcmp(argv[1], "seal") == 0) {
        std::string controlPrivate, hostPublic, further1, further2, directory;
        for (int i = 2; i < argc; ++i) {
            const std::string option = argv[i];
            std::string* target = option == "--control-private" ? &controlPrivate
                : option == "--host-public"                     ? &hostPublic
                : option == "--further1"                        ? &further1
                : option == "--further2"                        ? &further2
                                                                : nullptr;
            if (target != nullptr && i + 1 < argc) {
                *target = argv[++i];
            } else if (target == nullptr && option.rfind("--", 0) != 0 && directory.empty()) {
                directory = option;
            } else {
                return Usage();
            }
        }
        if (controlPrivate.empty() || hostPublic.empty() || directory.empty()) {
            return Usage();
        }
        done = velkor::keytool::SealKeySet(
            controlPrivate, hostPublic, further1, further2, directory, error);
    } else {
        return Usage();
    }
    if (!done) {
        std::fprintf(stderr, "velkor-keytool: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
