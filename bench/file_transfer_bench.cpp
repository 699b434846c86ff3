#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <openssl/evp.h>

#include "control/file_transfer_limits.h"
#include "control/velkor_ctrl.h"
#include "host/bank_session.h"

// FileTransfer of a file as large as the transfer takes, against the same encipherment done with
// raw OpenSSL (two-key TDEA in EVP's CBC with PKCS#5 padding, EVP_EncodeBlock) on the same bytes,
// and the resident memory one transfer adds, as a multiple of the file's size.
namespace {

using velkor::Text;

constexpr size_t kFileBytes = velkor::kFileTransferMaxBytes;

std::string ReadKeySetFile(const char* name)
{
    std::ifstream in(std::string(VELKOR_KEY_SET_DIR) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Setup {
    velkor::SecureBytes key;
    Text hash;
    Text encrypted;
    std::string path;
};

// A session key the bank issued and a file of pseudo-random bytes, written a piece at a time.
const Setup& TheSetup()
{
    static const Setup setup = [] {
        Setup made;
        const auto keys = velkor::host::HostKeys::FromPem(
            ReadKeySetFile("host_private.pem"), ReadKeySetFile("control_public.pem"));
        made.key = velkor::host::NewSessionKey();
        velkor::host::SessionKeyPair pair;
        if (!keys || !velkor::host::IssueSessionKey(*keys, made.key, pair)) {
            std::fprintf(stderr, "the key set carries no host private key\n");
            std::exit(1);
        }
        made.hash = Text(pair.pSessionKeyHash.begin(), pair.pSessionKeyHash.end());
        made.encrypted = Text(pair.pCpukEncSessionKey.begin(), pair.pCpukEncSessionKey.end());
        made.path = (std::filesystem::temp_directory_path()
            / ("velkor_bench_file_" + std::to_string(::getpid())))
                        .string();
        std::ofstream out(made.path, std::ios::binary);
        std::vector<char> piece(1 << 20);
        uint32_t state = 12345;
        for (size_t written = 0; written < kFileBytes; written += piece.size()) {
            for (char& c : piece) {
                state = state * 1103515245 + 12345;
                c = static_cast<char>(state >> 24);
            }
            out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        }
        return made;
    }();
    return setup;
}

class ChosenFileUi : public velkor::Ui {
public:
    explicit ChosenFileUi(std::string path)
        : path_(std::move(path))
    {
    }
    void ShowMessage(std::u16string_view, std::u16string_view) override { }
    void SetWaitCursor() override { }
    void SetArrowCursor() override { }
    std::optional<std::u16string> ChooseFileToOpen() override { return velkor::Utf8ToText(path_); }

private:
    std::string path_;
};

void ControlFileTransfer(benchmark::State& state)
{
    const Setup& setup = TheSetup();
    ChosenFileUi ui(setup.path);
    velkor::CVelkorCtrl control(ui);
    for (auto _ : state) {
        if (control.FileTransfer(setup.hash, setup.encrypted) != 0
            || control.GetRespLength() != static_cast<int32_t>(kFileBytes)) {
            state.SkipWithError("the transfer failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}

// The whole file read at once, enciphered in one EVP call and base64-encoded in one call.
void RawEvpBase64(benchmark::State& state)
{
    const Setup& setup = TheSetup();
    uint8_t key[24];
    std::memcpy(key, setup.key.data(), 16);
    std::memcpy(key + 16, setup.key.data(), 8);
    const uint8_t iv[8] = {};
    for (auto _ : state) {
        std::vector<uint8_t> plain(kFileBytes);
        const int file = ::open(setup.path.c_str(), O_RDONLY);
        size_t got = 0;
        while (got < plain.size()) {
            const ssize_t n = ::read(file, plain.data() + got, plain.size() - got);
            if (n <= 0) {
                break;
            }
            got += static_cast<size_t>(n);
        }
        ::close(file);
        std::vector<uint8_t> cipher(kFileBytes + 8);
        EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
        EVP_EncryptInit_ex2(context, EVP_des_ede3_cbc(), key, iv, nullptr);
        int length = 0;
        int last = 0;
        EVP_EncryptUpdate(context, cipher.data(), &length, plain.data(), static_cast<int>(got));
        EVP_EncryptFinal_ex(context, cipher.data() + length, &last);
        EVP_CIPHER_CTX_free(context);
        std::vector<unsigned char> base64((cipher.size() + 2) / 3 * 4 + 1);
        benchmark::DoNotOptimize(EVP_EncodeBlock(base64.data(), cipher.data(), length + last));
        benchmark::DoNotOptimize(base64.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}

// Resident set of this process, current and peak, in bytes (/proc/self/status).
std::pair<int64_t, int64_t> ResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    int64_t current = 0;
    int64_t peak = 0;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            current = std::stoll(line.substr(6)) * 1024;
        } else if (line.rfind("VmHWM:", 0) == 0) {
            peak = std::stoll(line.substr(6)) * 1024;
        }
    }
    return { current, peak };
}

// The memory one transfer adds, in a fresh child so that nothing an earlier benchmark left in the
// allocator counts: the peak resident set during FileTransfer, and during FileTransfer followed
// by reading the result as the agent does to answer (GetRespData, then its UTF-8 form), over the
// resident set before, as multiples of the file size.
void PeakMemory(benchmark::State& state)
{
    const Setup& setup = TheSetup();
    double ratios[2] = {};
    for (auto _ : state) {
        int pipe[2];
        if (::pipe(pipe) != 0) {
            state.SkipWithError("no pipe");
            return;
        }
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipe[0]);
            ChosenFileUi ui(setup.path);
            double measured[2] = {};
            for (int withAnswer = 0; withAnswer < 2; ++withAnswer) {
                velkor::CVelkorCtrl control(ui);
                std::ofstream("/proc/self/clear_refs") << "5";
                const int64_t before = ResidentBytes().first;
                control.FileTransfer(setup.hash, setup.encrypted);
                if (withAnswer == 1) {
                    Text data = control.GetRespData();
                    std::string answer = velkor::TextToUtf8(data);
                    benchmark::DoNotOptimize(answer.data());
                }
                measured[withAnswer]
                    = static_cast<double>(ResidentBytes().second - before) / kFileBytes;
            }
            [[maybe_unused]] const ssize_t sent = ::write(pipe[1], measured, sizeof measured);
            ::_exit(0);
        }
        ::close(pipe[1]);
        [[maybe_unused]] const ssize_t got = ::read(pipe[0], ratios, sizeof ratios);
        ::close(pipe[0]);
        ::waitpid(child, nullptr, 0);
    }
    state.counters["peak_x_file_size"] = ratios[0];
    state.counters["with_answer_x_file_size"] = ratios[1];
}

} // namespace

BENCHMARK(PeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(RawEvpBase64)->Unit(benchmark::kMillisecond);
BENCHMARK(ControlFileTransfer)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    TheSetup();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(TheSetup().path);
    return 0;
}
