#pragma once

#include <string_view>

// The message boxes of the file transfer; "%s" stands for the file's full path.
namespace velkor::messages {

inline constexpr std::u16string_view kFileCannotOpen = u"檔案%s 無法開啟";
inline constexpr std::u16string_view kFileCannotRead = u"檔案%s 無法讀取";
inline constexpr std::u16string_view kFileBufferNotAllocated = u"Allocate Buffer Fail";
// A file larger than the transfer takes (file_transfer_limits.h).
inline constexpr std::u16string_view kFileTooLarge = u"檔案%s 超過 32MB 上限, 無法傳送";

} // namespace velkor::messages
