// velkor-demo-bank: a demo internet bank on loopback for trying Velkor end to end.
//
//   velkor-demo-bank [--port 8932] [--agent-port 8931] [--key-set DIR] [--cards FILE]
//
// --key-set names the key set the control was built with (its host_private.pem and
// control_public.pem); --cards the simulator description (reader configuration or card profile)
// whose virtual cards' TAC keys the bank checks transactions with.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "card_key_table.h"
#include "common/quit_on_signals.h"
#include "demo_bank.h"
#include "demo_bank_server.h"

namespace {

constexpr int kUsageError = 2;
constexpr uint16_t kDefaultBankPort = 8932;
constexpr uint16_t kDefaultAgentPort = 8931;

void PrintUsage()
{
    std::cerr << "usage: velkor-demo-bank [--port N] [--agent-port N] [--key-set DIR] "
                 "[--cards FILE]\n";
}

bool ReadPort(const std::string& text, bool allowZero, uint16_t& port)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < (allowZero ? 0 : 1) || value > 65535) {
        return false;
    }
    port = static_cast<uint16_t>(value);
    return true;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

int main(int argc, char** argv)
{
    using namespace velkor::host;
    uint16_t port = kDefaultBankPort;
    uint16_t agentPort = kDefaultAgentPort;
    std::string keySet = VELKOR_DEMO_KEY_SET;
    std::string cardsFile = VELKOR_DEMO_CARDS;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--port" && hasValue && ReadPort(args[i + 1], true, port)) {
            ++i;
        } else if (args[i] == "--agent-port" && hasValue
            && ReadPort(args[i + 1], false, agentPort)) {
            ++i;
        } else if (args[i] == "--key-set" && hasValue) {
            keySet = args[++i];
        } else if (args[i] == "--cards" && hasValue) {
            cardsFile = args[++i];
        } else {
            std::cerr << "velkor-demo-bank: unexpected or invalid argument " << args[i] << "\n";
            PrintUsage();
            return kUsageError;
        }
    }

    std::string hostPrivate = ReadFile(keySet + "/host_private.pem");
    std::optional<HostKeys> keys
        = HostKeys::FromPem(hostPrivate, ReadFile(keySet + "/control_public.pem"));
    velkor::WipeString(hostPrivate);
    if (!keys) {
        std::cerr << "velkor-demo-bank: " << keySet
                  << " holds no usable host_private.pem and control_public.pem\n";
        return 1;
    }
    CardKeyTable cards;
    std::string error;
    if (!cards.LoadFile(cardsFile, error)) {
        std::cerr << "velkor-demo-bank: " << error << "\n";
        return 1;
    }

    QCoreApplication app(argc, argv);
    velkor::QuitOnSignals(&app);
    DemoBank bank(std::move(*keys), std::move(cards), agentPort);
    DemoBankServer server(bank);
    const uint16_t listening = server.Listen(port);
    if (listening == 0) {
        std::cerr << "velkor-demo-bank: cannot listen on 127.0.0.1:" << port << "\n";
        return 1;
    }
    std::cout << "velkor-demo-bank: listening on http://127.0.0.1:" << listening << "/ (agent port "
              << agentPort << ", TAC keys of " << bank.CardCount() << " card(s) from " << cardsFile
              << ")" << std::endl;
    return app.exec();
}
