#include "real_stack.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <winscard.h>

extern char** environ;

namespace velkor::realstack {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kLockPath = "/tmp/velkor-realstack.lock";
constexpr const char* kSocketPath = "/run/pcscd/pcscd.comm";
constexpr const char* kPidPath = "/run/pcscd/pcscd.pid";
constexpr auto kStartTimeout = std::chrono::seconds(5);

// The pid of a running pcscd, or -1.
pid_t FindPcscd()
{
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream comm(entry.path() / "comm");
        std::string command;
        if (std::getline(comm, command) && command == "pcscd") {
            return static_cast<pid_t>(std::stoi(name));
        }
    }
    return -1;
}

bool PortFree(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return free;
}

pid_t Spawn(const std::vector<std::string>& args, const std::string& logPath)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(
        &actions, STDOUT_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> argv;
    for (const auto& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// SIGTERM, then SIGKILL when the process does not end within two seconds.
void Stop(pid_t& pid)
{
    if (pid <= 0) {
        return;
    }
    kill(pid, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid = -1;
}

bool Exited(pid_t pid)
{
    int status = 0;
    return pid > 0 && waitpid(pid, &status, WNOHANG) == pid;
}

std::string Slurp(const std::string& path)
{
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

} // namespace

RealStack::~RealStack()
{
    Stop(cardsim_);
    StopPcscd();
    if (!workDir_.empty()) {
        std::error_code ignored;
        fs::remove_all(workDir_, ignored);
    }
    if (lockFd_ >= 0) {
        close(lockFd_); // releases the lock
    }
}

bool RealStack::Start(std::string& error)
{
    lockFd_ = open(kLockPath, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lockFd_ < 0 || flock(lockFd_, LOCK_EX) != 0) {
        error = std::string("cannot lock ") + kLockPath + ": " + std::strerror(errno);
        return false;
    }
    if (const pid_t other = FindPcscd(); other > 0) {
        error = "a pcscd (pid " + std::to_string(other)
            + ") is already running; the real-stack tests need the machine's only pcscd";
        return false;
    }
    for (int port : { kVpcdPort, kVpcdPort + 1 }) {
        if (!PortFree(port)) {
            error = "port " + std::to_string(port)
                + " is busy; the real-stack tests need it for vpcd";
            return false;
        }
    }
    char dirTemplate[] = "/tmp/velkor-realstack-XXXXXX";
    if (mkdtemp(dirTemplate) == nullptr) {
        error = std::string("mkdtemp: ") + std::strerror(errno);
        return false;
    }
    workDir_ = dirTemplate;
    fs::create_directory(workDir_ + "/reader.conf.d");
    // 0x9C40 = 40000: vpcd listens on this port and the next one.
    std::ofstream(workDir_ + "/reader.conf.d/vpcd")
        << "FRIENDLYNAME \"Virtual PCD\"\n"
           "DEVICENAME   /dev/null:0x9C40\n"
           "LIBPATH      /usr/lib/pcsc/drivers/serial/libifdvpcd.so\n"
           "CHANNELID    0x9C40\n";
    return StartPcscd(error);
}

bool RealStack::StartPcscd(std::string& error)
{
    // Left behind by a pcscd that did not end cleanly; pcscd refuses to start over them.
    std::error_code ignored;
    fs::remove(kSocketPath, ignored);
    fs::remove(kPidPath, ignored);
    pcscd_ = Spawn(
        { "/usr/sbin/pcscd", "-f", "-c", workDir_ + "/reader.conf.d" }, workDir_ + "/pcscd.log");
    if (pcscd_ <= 0) {
        error = "cannot start /usr/sbin/pcscd (is the pcscd package installed?)";
        return false;
    }
    return WaitForReaders(error);
}

void RealStack::StopPcscd()
{
    if (pcscd_ <= 0) {
        return;
    }
    Stop(pcscd_);
    std::error_code ignored;
    fs::remove(kSocketPath, ignored);
    fs::remove(kPidPath, ignored);
}

bool RealStack::WaitForReaders(std::string& error)
{
    const auto deadline = Clock::now() + kStartTimeout;
    while (Clock::now() < deadline) {
        if (Exited(pcscd_)) {
            pcscd_ = -1;
            error = "pcscd ended at start: " + Slurp(workDir_ + "/pcscd.log");
            return false;
        }
        SCARDCONTEXT context = 0;
        if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context)
            == SCARD_S_SUCCESS) {
            char names[1024];
            DWORD length = sizeof(names);
            const LONG rv = SCardListReaders(context, nullptr, names, &length);
            SCardReleaseContext(context);
            if (rv == SCARD_S_SUCCESS
                && std::string(names, length).find(kCardReader) != std::string::npos) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    error = "pcscd listed no vpcd readers within 5 s: " + Slurp(workDir_ + "/pcscd.log");
    return false;
}

bool RealStack::WaitForCard(bool present, std::string& error)
{
    const auto deadline = Clock::now() + kStartTimeout;
    while (Clock::now() < deadline) {
        SCARDCONTEXT context = 0;
        if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context)
            == SCARD_S_SUCCESS) {
            SCARD_READERSTATE state {};
            state.szReader = kCardReader;
            state.dwCurrentState = SCARD_STATE_UNAWARE;
            const LONG rv = SCardGetStatusChange(context, 0, &state, 1);
            SCardReleaseContext(context);
            const bool seen = (state.dwEventState & SCARD_STATE_PRESENT) != 0;
            if (rv == SCARD_S_SUCCESS && seen == present) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    error = std::string("pcscd did not see the card ") + (present ? "inserted" : "removed")
        + " within 5 s: " + Slurp(workDir_ + "/cardsim.log");
    return false;
}

bool RealStack::InsertCard(const std::string& cardJson, std::string& error)
{
    if (cardsim_ > 0) {
        return ReinsertCard(error);
    }
    const std::string cardPath = workDir_ + "/card.json";
    std::ofstream(cardPath) << cardJson;
    const char* build = std::getenv("VELKOR_BUILD_DIR");
    const std::string program
        = std::string(build != nullptr ? build : ".") + "/sim/vpcd/velkor-cardsim";
    cardsim_
        = Spawn({ program, "--card", cardPath, "--port", std::to_string(kVpcdPort), "--verbose" },
            workDir_ + "/cardsim.log");
    if (cardsim_ <= 0) {
        error = "cannot start " + program;
        return false;
    }
    return WaitForCard(true, error);
}

bool RealStack::ReinsertCard(std::string& error)
{
    kill(cardsim_, SIGUSR2);
    return WaitForCard(true, error);
}

bool RealStack::RemoveCard(std::string& error)
{
    kill(cardsim_, SIGUSR1);
    return WaitForCard(false, error);
}

} // namespace velkor::realstack
