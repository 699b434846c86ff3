#pragma once

#include <string>
#include <sys/types.h>

// A real pcscd with the vsmartcard-vpcd reader driver and velkor-cardsim as the card, run as
// children of the test. Its own reader.conf moves vpcd to ports 40000/40001, so a vpcd set up on
// the machine (port 35963) never interferes. It refuses to run next to a foreign pcscd or over a
// busy port, holds an exclusive lock on /tmp/velkor-realstack.lock so that runs on a shared
// machine take turns, and always stops what it started.
namespace velkor::realstack {

inline constexpr int kVpcdPort = 40000;
inline constexpr const char* kCardReader = "Virtual PCD 00 00";
inline constexpr const char* kSecondReader = "Virtual PCD 00 01";

class RealStack {
public:
    RealStack() = default;
    RealStack(const RealStack&) = delete;
    RealStack& operator=(const RealStack&) = delete;
    ~RealStack();

    // Takes the lock, checks the machine, starts pcscd and waits for its readers.
    bool Start(std::string& error);

    // Starts velkor-cardsim with the card (first time), or puts the card back (SIGUSR2); waits
    // until pcscd sees it.
    bool InsertCard(const std::string& cardJson, std::string& error);
    bool ReinsertCard(std::string& error);
    // Takes the card out (SIGUSR1) and waits until pcscd sees the reader empty.
    bool RemoveCard(std::string& error);

    void StopPcscd();
    bool StartPcscd(std::string& error);

private:
    bool WaitForCard(bool present, std::string& error);
    bool WaitForReaders(std::string& error);

    int lockFd_ = -1;
    std::string workDir_;
    pid_t pcscd_ = -1;
    pid_t cardsim_ = -1;
};

} // namespace velkor::realstack
