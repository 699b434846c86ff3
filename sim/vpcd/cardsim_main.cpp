// velkor-cardsim: one virtual card for a real pcscd through the vsmartcard-vpcd reader driver.
//
//   velkor-cardsim --card card.json [--host 127.0.0.1] [--port 35963] [--connect-timeout 2000]
//                  [--verbose]
//
// Connected = inserted. SIGUSR1 takes the card out (closes the connection), SIGUSR2 puts it back
// (connects again; the card keeps its state). When vpcd drops the connection (pcscd stopped),
// the card keeps trying to reconnect. SIGTERM or SIGINT end the program.

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iostream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/signalfd.h>
#include <unistd.h>

#include "apdu_redaction.h"
#include "build_info.h"
#include "card_factory.h"
#include "common/secure_buffer.h"
#include "hex.h"
#include "vpcd_card_session.h"
#include "vpcd_link.h"

namespace {

using velkor::sim::Bytes;

constexpr int kRetryMilliseconds = 250;

struct Options {
    std::string host = "127.0.0.1";
    int port = 35963;
    int connectTimeoutMs = 2000;
    std::string cardFile;
    bool verbose = false;
};

void PrintUsage(std::ostream& out)
{
    out << "usage: velkor-cardsim --card <card.json> [--host <address>] [--port <port>]\n"
           "                      [--connect-timeout <ms>] [--verbose]\n"
           "SIGUSR1 removes the card, SIGUSR2 inserts it again.\n";
}

int Usage()
{
    PrintUsage(std::cerr);
    return 2;
}

bool ParseNumber(const char* text, int& out)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 0 || value > 65535 * 100) {
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--card" && hasValue) {
            options.cardFile = argv[++i];
        } else if (arg == "--host" && hasValue) {
            options.host = argv[++i];
        } else if (arg == "--port" && hasValue) {
            if (!ParseNumber(argv[++i], options.port) || options.port == 0
                || options.port > 65535) {
                return false;
            }
        } else if (arg == "--connect-timeout" && hasValue) {
            if (!ParseNumber(argv[++i], options.connectTimeoutMs)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return !options.cardFile.empty();
}

// Lengths and status words, and commands with any PIN data masked.
void LogExchange(const Bytes& command, const Bytes& response)
{
    std::ostringstream line;
    line << "velkor-cardsim: APDU " << velkor::sim::RedactedHex(command) << " -> "
         << response.size() << " bytes";
    if (response.size() >= 2) {
        line << ", SW " << velkor::sim::ToHex(Bytes(response.end() - 2, response.end()));
    }
    std::cerr << line.str() << "\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        PrintUsage(std::cout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "velkor-cardsim " << velkor::kBuildVersion << "\n";
        return 0;
    }
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        return Usage();
    }
    std::ifstream file(options.cardFile);
    const auto description = nlohmann::json::parse(file, nullptr, false);
    if (!file || description.is_discarded()) {
        std::cerr << "velkor-cardsim: cannot read a JSON card from " << options.cardFile << "\n";
        return 2;
    }
    std::string error;
    auto card = velkor::sim::MakeCard(description, error);
    if (!card) {
        std::cerr << "velkor-cardsim: " << options.cardFile << ": " << error << "\n";
        return 2;
    }
    card->PowerOn();
    velkor::sim::VpcdCardSession session(*card);

    // Signals arrive through a descriptor, so the loop never runs card code in a handler.
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : { SIGUSR1, SIGUSR2, SIGTERM, SIGINT }) {
        sigaddset(&signals, signal);
    }
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd < 0) {
        std::cerr << "velkor-cardsim: signalfd: " << std::strerror(errno) << "\n";
        return 1;
    }

    velkor::sim::VpcdLink link;
    if (!link.Connect(options.host, options.port, options.connectTimeoutMs, error)) {
        std::cerr << "velkor-cardsim: " << error << "\n";
        return 1; // refuse to start over a busy slot or without pcscd
    }
    if (options.verbose) {
        std::cerr << "velkor-cardsim: inserted\n";
    }

    bool inserted = true;
    for (;;) {
        if (inserted && !link.IsOpen()) {
            if (link.Connect(options.host, options.port, options.connectTimeoutMs, error)) {
                if (options.verbose) {
                    std::cerr << "velkor-cardsim: inserted\n";
                }
            }
        }
        pollfd watched[2] = { { signalFd, POLLIN, 0 }, { link.Descriptor(), POLLIN, 0 } };
        const nfds_t count = link.IsOpen() ? 2 : 1;
        const int timeout = (inserted && !link.IsOpen()) ? kRetryMilliseconds : -1;
        if (poll(watched, count, timeout) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::cerr << "velkor-cardsim: poll: " << std::strerror(errno) << "\n";
            return 1;
        }
        if (watched[0].revents & POLLIN) {
            signalfd_siginfo info {};
            if (read(signalFd, &info, sizeof(info)) != sizeof(info)) {
                continue;
            }
            if (info.ssi_signo == SIGUSR1) {
                inserted = false;
                link.Close();
                card->PowerOff();
                if (options.verbose) {
                    std::cerr << "velkor-cardsim: removed\n";
                }
            } else if (info.ssi_signo == SIGUSR2) {
                inserted = true;
            } else {
                return 0;
            }
            continue;
        }
        if (count == 2 && watched[1].revents != 0) {
            auto message = link.Receive();
            if (!message) {
                link.Close(); // vpcd went away; reconnect while the card counts as inserted
                if (options.verbose) {
                    std::cerr << "velkor-cardsim: connection lost\n";
                }
                continue;
            }
            const auto reply = session.Handle(*message);
            if (reply) {
                if (options.verbose && message->size() > 1) {
                    LogExchange(*message, *reply);
                }
                if (!link.Send(*reply)) {
                    link.Close();
                }
            }
            velkor::Wipe(message->data(), message->size()); // may have carried a PIN block
        }
    }
}
