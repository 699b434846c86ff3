// Holds a running `velkor serve` under load from many pages at once, with the clients a hostile or
// careless local program could be: one that reads its answers slowly, one that never reads, one
// that closes and comes back every second, one that floods. Checks that the agent survives, that
// its memory stays bounded, that every call of a well-behaved page is answered correctly, and
// that pages take turns (the worst wait of a well-behaved call stays short).
//
//   agent_load_test VELKOR_EXECUTABLE [--pages N] [--calls N]
//
// Prints the figures; exits 0 when every check holds.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "build_info.h"

namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

const std::string kOrigin = "http://load.test";
constexpr long kRssBoundKiB = 256 * 1024;
#if defined(__SANITIZE_ADDRESS__)
constexpr double kWorstWaitBoundMs = 10000; // every call is several times slower
#else
constexpr double kWorstWaitBoundMs = 2000;
#endif
constexpr int kTimeLimitSeconds = 240;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string Frame(const std::string& payload)
{
    std::string frame(1, '\x81');
    if (payload.size() < 126) {
        frame += static_cast<char>(0x80 | payload.size());
    } else {
        frame += static_cast<char>(0x80 | 126);
        frame += static_cast<char>(payload.size() >> 8);
        frame += static_cast<char>(payload.size() & 0xFF);
    }
    const char mask[4] = { 0x0F, 0x1E, 0x2D, 0x3C };
    frame.append(mask, 4);
    for (size_t i = 0; i < payload.size(); ++i) {
        frame += static_cast<char>(payload[i] ^ mask[i % 4]);
    }
    return frame;
}

std::string Request(int64_t id, const std::string& method)
{
    return Frame(
        R"({"jsonrpc":"2.0","id":)" + std::to_string(id) + R"(,"method":")" + method + "\"}");
}

enum class Kind { Good, SlowReader, NeverReader, Closer, Flooder };

struct Page {
    Kind kind = Kind::Good;
    int fd = -1;
    bool open = false; // handshake answered
    std::string in;
    std::string out;
    int64_t nextId = 1;
    int toSend = 0; // calls still to send (well-behaved kinds)
    int answered = 0;
    std::map<int64_t, Clock::time_point> inFlight;
    Clock::time_point connectedAt;
    Clock::time_point lastRead;
};

class LoadRun {
public:
    LoadRun(uint16_t port, int pages, int calls)
        : port_(port)
        , calls_(calls)
        , expected_("Version " + std::string(velkor::kBuildVersion) + " ")
    {
        for (int i = 0; i < pages; ++i) {
            Add(Kind::Good);
        }
        for (const Kind kind :
            { Kind::SlowReader, Kind::NeverReader, Kind::Closer, Kind::Flooder }) {
            Add(kind);
        }
    }

    // Runs until every well-behaved call is answered; false on a wrong answer or timeout.
    bool Run(pid_t agent)
    {
        const auto start = Clock::now();
        auto lastSample = start;
        while (!Done()) {
            if (MsSince(start) > kTimeLimitSeconds * 1000.0) {
                std::fprintf(stderr, "load: time limit reached\n");
                return false;
            }
            if (MsSince(lastSample) > 100) {
                lastSample = Clock::now();
                peakRssKiB_ = std::max(peakRssKiB_, RssKiB(agent));
                if (waitpid(agent, nullptr, WNOHANG) != 0) {
                    std::fprintf(stderr, "load: the agent died\n");
                    return false;
                }
            }
            if (!Step()) {
                return false;
            }
        }
        seconds_ = MsSince(start) / 1000;
        return true;
    }

    static long RssKiB(pid_t pid)
    {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.starts_with("VmRSS:")) {
                return std::stol(line.substr(6));
            }
        }
        return 0;
    }

    long PeakRssKiB() const { return peakRssKiB_; }
    double WorstWaitMs() const { return worstWaitMs_; }
    double Seconds() const { return seconds_; }
    long Answered() const { return answeredGood_; }
    int Reconnects() const { return reconnects_; }

private:
    void Add(Kind kind)
    {
        auto page = std::make_unique<Page>();
        page->kind = kind;
        page->toSend = kind == Kind::Good || kind == Kind::SlowReader ? calls_ : 0;
        Connect(*page);
        pages_.push_back(std::move(page));
    }

    void Connect(Page& page)
    {
        page.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        const int on = 1;
        setsockopt(page.fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port_);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connect(page.fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        page.open = false;
        page.in.clear();
        page.out = "GET / HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_)
            + "\r\nOrigin: " + kOrigin
            + "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
              "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n";
        page.connectedAt = page.lastRead = Clock::now();
    }

    bool Done() const
    {
        for (const auto& page : pages_) {
            if ((page->kind == Kind::Good || page->kind == Kind::SlowReader)
                && (page->toSend > 0 || !page->inFlight.empty())) {
                return false;
            }
        }
        return true;
    }

    // Fills the page's output with what it sends next.
    void Produce(Page& page)
    {
        if (!page.open || page.out.size() > 64 * 1024) {
            return;
        }
        switch (page.kind) {
        case Kind::Good:
        case Kind::SlowReader: {
            const size_t window = page.kind == Kind::Good ? 4 : 32;
            while (page.toSend > 0 && page.inFlight.size() < window) {
                const int64_t id = page.nextId++;
                page.out += Request(id, id % 2 ? "GetAPIVersion" : "8");
                page.inFlight[id] = Clock::now();
                --page.toSend;
            }
            break;
        }
        case Kind::NeverReader:
            for (int i = 0; i < 64; ++i) {
                page.out += Request(page.nextId++, "velkor.describe");
            }
            break;
        case Kind::Closer:
            if (page.inFlight.size() < 8) {
                page.out += Request(page.nextId++, "GetAPIVersion");
                page.inFlight[page.nextId - 1] = Clock::now();
            }
            break;
        case Kind::Flooder:
            for (int i = 0; i < 256; ++i) {
                page.out += Request(page.nextId++, i % 3 ? "GetAPIVersion" : "NoSuchMethod");
            }
            break;
        }
    }

    bool Step()
    {
        std::vector<pollfd> fds;
        for (auto& page : pages_) {
            Produce(*page);
            short events = 0;
            const bool reads = page->kind != Kind::NeverReader || !page->open;
            if (reads) {
                events |= POLLIN;
            }
            if (!page->out.empty()) {
                events |= POLLOUT;
            }
            fds.push_back({ page->fd, events, 0 });
        }
        poll(fds.data(), fds.size(), 20);
        for (size_t i = 0; i < pages_.size(); ++i) {
            Page& page = *pages_[i];
            if ((fds[i].revents & POLLOUT) != 0 && !page.out.empty()) {
                const ssize_t sent = send(page.fd, page.out.data(), page.out.size(), MSG_NOSIGNAL);
                if (sent > 0) {
                    page.out.erase(0, static_cast<size_t>(sent));
                }
            }
            if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !Read(page)) {
                return false;
            }
            if (page.kind == Kind::Closer && MsSince(page.connectedAt) > 1000) {
                close(page.fd);
                page.inFlight.clear();
                ++reconnects_;
                Connect(page);
            }
        }
        return true;
    }

    bool Read(Page& page)
    {
        if (page.kind == Kind::SlowReader) {
            if (MsSince(page.lastRead) < 20) {
                return true;
            }
            page.lastRead = Clock::now();
        }
        char buffer[65536];
        const size_t limit = page.kind == Kind::SlowReader ? 512 : sizeof buffer;
        const ssize_t got = recv(page.fd, buffer, limit, 0);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            return true;
        }
        if (got <= 0) {
            if (page.kind == Kind::Good || page.kind == Kind::SlowReader) {
                std::fprintf(stderr, "load: a well-behaved page was disconnected (%s)\n",
                    got == 0 ? "closed" : std::strerror(errno));
                return false;
            }
            return true; // closers and floods may be cut off; they come back or not
        }
        page.in.append(buffer, static_cast<size_t>(got));
        if (!page.open) {
            const size_t end = page.in.find("\r\n\r\n");
            if (end == std::string::npos) {
                return true;
            }
            if (!page.in.starts_with("HTTP/1.1 101")) {
                std::fprintf(
                    stderr, "load: handshake refused: %s\n", page.in.substr(0, end).c_str());
                return false;
            }
            page.in.erase(0, end + 4);
            page.open = true;
        }
        while (page.in.size() >= 2) {
            size_t length = static_cast<uint8_t>(page.in[1]) & 0x7F;
            size_t header = 2;
            if (length >= 126) {
                header = length == 126 ? 4 : 10;
                if (page.in.size() < header) {
                    return true;
                }
                length = 0;
                for (size_t k = 2; k < header; ++k) {
                    length = (length << 8) | static_cast<uint8_t>(page.in[k]);
                }
            }
            if (page.in.size() < header + length) {
                return true;
            }
            const auto opcode = static_cast<uint8_t>(page.in[0]) & 0x0F;
            const std::string payload = page.in.substr(header, length);
            page.in.erase(0, header + length);
            if (opcode == 0x1 && !Answer(page, payload)) {
                return false;
            }
        }
        return true;
    }

    bool Answer(Page& page, const std::string& payload)
    {
        if (page.kind == Kind::Flooder) {
            return true;
        }
        const json answer = json::parse(payload, nullptr, false);
        const auto it = answer.is_object() && answer.contains("id") && answer["id"].is_number()
            ? page.inFlight.find(answer["id"].get<int64_t>())
            : page.inFlight.end();
        if (it == page.inFlight.end() || answer.value("result", json()) != expected_) {
            std::fprintf(stderr, "load: unexpected answer %s\n", payload.c_str());
            return false;
        }
        const double waited = MsSince(it->second);
        page.inFlight.erase(it);
        if (page.kind == Kind::Good) {
            worstWaitMs_ = std::max(worstWaitMs_, waited);
            ++answeredGood_;
        }
        return true;
    }

    uint16_t port_;
    int calls_;
    json expected_;
    std::vector<std::unique_ptr<Page>> pages_;
    long peakRssKiB_ = 0;
    double worstWaitMs_ = 0;
    double seconds_ = 0;
    long answeredGood_ = 0;
    int reconnects_ = 0;
};

// Starts the agent; returns its pid and port (0 on failure).
pid_t StartAgent(const char* executable, uint16_t& port)
{
    int out[2];
    if (pipe(out) != 0) {
        return -1;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(executable, executable, "serve", "--port", "0", "--allow-origin", kOrigin.c_str(),
            "--ui", "none", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[256];
    ssize_t got = 0;
    while (
        text.find('\n') == std::string::npos && (got = read(out[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<size_t>(got));
    }
    close(out[0]);
    const size_t at = text.find("ws://127.0.0.1:");
    port = at == std::string::npos ? 0 : static_cast<uint16_t>(std::atoi(text.c_str() + at + 15));
    return pid;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: agent_load_test VELKOR_EXECUTABLE [--pages N] [--calls N]\n");
        return 2;
    }
    int pages = 100;
    int calls = 1000;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--pages") == 0) {
            pages = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--calls") == 0) {
            calls = std::atoi(argv[i + 1]);
        }
    }
    // The agent reads no allowlist of the user's.
    char home[] = "/tmp/velkor-load-XXXXXX";
    if (mkdtemp(home) == nullptr) {
        return 2;
    }
    setenv("XDG_CONFIG_HOME", home, 1);

    uint16_t port = 0;
    const pid_t agent = StartAgent(argv[1], port);
    if (agent <= 0 || port == 0) {
        std::fprintf(stderr, "load: the agent did not start\n");
        return 1;
    }
    const long startRss = LoadRun::RssKiB(agent);
    LoadRun run(port, pages, calls);
    bool ok = run.Run(agent);
    const bool alive = waitpid(agent, nullptr, WNOHANG) == 0;
    kill(agent, SIGTERM);
    int status = 0;
    waitpid(agent, &status, 0);
    rmdir(home);

    std::printf("load: %d pages x %d calls + slow reader, never reader, closer (%d reconnects), "
                "flooder\n",
        pages, calls, run.Reconnects());
    std::printf("load: %ld well-behaved calls answered correctly in %.1f s\n", run.Answered(),
        run.Seconds());
    std::printf("load: worst wait of a well-behaved call %.1f ms\n", run.WorstWaitMs());
    std::printf("load: agent RSS %.1f MiB at start, peak %.1f MiB\n", startRss / 1024.0,
        run.PeakRssKiB() / 1024.0);
    ok = ok && alive && run.Answered() == static_cast<long>(pages) * calls;
    if (run.PeakRssKiB() > kRssBoundKiB) {
        std::fprintf(stderr, "load: agent RSS above %ld MiB\n", kRssBoundKiB / 1024);
        ok = false;
    }
    if (run.WorstWaitMs() > kWorstWaitBoundMs) {
        std::fprintf(stderr, "load: a well-behaved call waited over %.0f ms\n", kWorstWaitBoundMs);
        ok = false;
    }
    std::printf("load: %s\n", ok ? "passed" : "FAILED");
    return ok ? 0 : 1;
}
