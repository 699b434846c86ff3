#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/status_codes.h"
#include "control/file_transfer_limits.h"
#include "control/session_engine.h"
#include "customer_messages.h"
#include "file_transfer_messages.h"

namespace velkor {

namespace {

Text WithPath(std::u16string_view message, std::u16string_view path)
{
    Text text(message);
    if (const size_t at = text.find(u"%s"); at != Text::npos) {
        text.replace(at, 2, path);
    }
    return text;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor)
        : descriptor_(descriptor)
    {
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

// Reads exactly `count` bytes; false at an early end of the file or on an error.
bool ReadExactly(int descriptor, uint8_t* buffer, size_t count)
{
    while (count != 0) {
        const ssize_t got = ::read(descriptor, buffer, count);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        buffer += got;
        count -= static_cast<size_t>(got);
    }
    return true;
}

// Enciphers the chosen file into `respData` and sets `respLength`, telling the customer what
// stopped it. A missing or empty file has no contents and no message.
void TransferContents(const SessionEngine& engine, const OptText& sessionKeyHashHex,
    const OptText& encryptedSessionKey, const PageInteraction& page, std::u16string_view path,
    Text& respData, int32_t& respLength)
{
    const auto tell = [&](std::u16string_view message) {
        page.Tell(WithPath(message, path), messages::kBankCaption);
    };
    // A NUL would cut the name short and open another file.
    if (path.find(u'\0') != std::u16string_view::npos) {
        tell(messages::kFileCannotOpen);
        return;
    }
    const std::string name = TextToUtf8(path);
    // Not blocking: a FIFO without a writer must not hold the call; it is refused below.
    const FileDescriptor file(::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno != ENOENT) {
            tell(messages::kFileCannotOpen);
        }
        return;
    }
    struct stat status { };
    // Only a regular file has a size to read: directories, FIFOs, sockets and devices (which may
    // never end) are refused as files that cannot be opened.
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        tell(messages::kFileCannotOpen);
        return;
    }
    const auto size = static_cast<uint64_t>(status.st_size);
    if (size == 0) {
        return;
    }
    if (size > kFileTransferMaxBytes) {
        tell(messages::kFileTooLarge);
        return;
    }
    const int descriptor = file.get();
    const int32_t enciphered = engine.FileEncipher(
        sessionKeyHashHex, encryptedSessionKey, size,
        [descriptor](
            uint8_t* buffer, size_t count) { return ReadExactly(descriptor, buffer, count); },
        respData, SessionEngine::kFileOutputBase64);
    if (enciphered == status::kOk) {
        respLength = static_cast<int32_t>(size);
    } else if (enciphered == status::kBufferNotAllocated) {
        tell(messages::kFileBufferNotAllocated);
    } else if (enciphered == SessionEngine::kFileReadFailed) {
        tell(messages::kFileCannotRead);
    }
}

} // namespace

int32_t SessionEngine::FileTransfer(const OptText& sessionKeyHashHex,
    const OptText& encryptedSessionKey, const PageInteraction& page, Text& respData,
    int32_t& respLength, Text& clearFileName, Text& encFileName) const
{
    std::optional<Text> chosen;
    const int dialog = page.RunDialog([&chosen](Ui& ui) {
        chosen = ui.ChooseFileToOpen();
        return chosen ? PageInteraction::kConfirmed : PageInteraction::kCancelled;
    });
    if (dialog != PageInteraction::kConfirmed || !chosen) {
        return status::kFileDialogCancelled;
    }
    const Text& path = *chosen;
    TransferContents(
        *this, sessionKeyHashHex, encryptedSessionKey, page, path, respData, respLength);
    clearFileName = path;

    WaitCursor waitCursor(page.ui());
    SecureBytes pathBytes(2 * path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        pathBytes[2 * i] = static_cast<uint8_t>(path[i] & 0xFF);
        pathBytes[2 * i + 1] = static_cast<uint8_t>(path[i] >> 8);
    }
    static const uint8_t kNoBytes = 0;
    if (FileEncipher(sessionKeyHashHex, encryptedSessionKey, pathBytes.size(),
            pathBytes.empty() ? &kNoBytes : pathBytes.data(), encFileName, kFileOutputBase64)
        != status::kOk) {
        // Never the name of an earlier file next to this file's path.
        encFileName.clear();
    }
    return status::kOk;
}

} // namespace velkor
