#include "crypto/data_process.h"

#include <cstring>

#include "protection_keys.h"

namespace velkor {

namespace {

using protection::kWindowBytes;

bool ValidWindow(int32_t offset, int32_t index)
{
    return offset >= 0 && offset < CDataProcess::kKeyOffsetCount && index >= 0
        && index < CDataProcess::kEntryKeyIndexCount;
}

const uint8_t* EntryInitialValue()
{
    return reinterpret_cast<const uint8_t*>(protection::kEntryInitialValueLabel);
}

// Copies the entry key window (16 bytes of string `index` from `offset`) into `key`.
void EntryKeyWindow(int32_t offset, int32_t index, uint8_t (&key)[kWindowBytes])
{
    uint8_t table[protection::kEntryKeyUsedBytes];
    WipeOnExit wipeTable(table);
    std::memcpy(table, protection::kEntryKeyTable[index], sizeof table);
    std::memcpy(key, table + offset, kWindowBytes);
}

// Unwraps the dialog key and runs `count` bytes through it in CBC without padding.
bool WithDialogKey(bool seal, size_t count, const uint8_t* input, uint8_t* output,
    const WrappedDialogKey& wrapped, int32_t offset, int32_t index)
{
    if (!ValidWindow(offset, index) || count % CDataProcess::kBlockSize != 0 || input == nullptr
        || output == nullptr) {
        return false;
    }
    uint8_t wrappingKey[kWindowBytes];
    uint8_t dialogKey[kWindowBytes];
    WipeOnExit wipeWrapping(wrappingKey);
    WipeOnExit wipeDialog(dialogKey);
    EntryKeyWindow(offset, index, wrappingKey);
    size_t length = sizeof dialogKey;
    if (CDataProcess::DesDecrypt(wrappingKey, KeyForm::TwoKey, &length, wrapped.data(), dialogKey,
            ChainMode::CbcNoPadding, EntryInitialValue())
        != 0) {
        return false;
    }
    length = count;
    const auto run = seal ? &CDataProcess::DesEncrypt : &CDataProcess::DesDecrypt;
    return run(dialogKey, KeyForm::TwoKey, &length, input, output, ChainMode::CbcNoPadding,
               EntryInitialValue())
        == 0;
}

bool ValidDisplayOffset(int32_t offset)
{
    return offset >= 0 && offset < CDataProcess::kKeyOffsetCount;
}

void DisplayKeyWindow(int32_t offset, uint8_t (&key)[kWindowBytes])
{
    std::memcpy(key, protection::kDisplayKeyString + offset, kWindowBytes);
}

const uint8_t* DisplayInitialValue()
{
    return reinterpret_cast<const uint8_t*>(protection::kDisplayInitialValueLabel);
}

} // namespace

bool CDataProcess::MakeDialogKey(int32_t offset, int32_t index, WrappedDialogKey& wrapped)
{
    wrapped.fill(0);
    if (!ValidWindow(offset, index)) {
        return false;
    }
    uint8_t dialogKey[kWindowBytes];
    uint8_t wrappingKey[kWindowBytes];
    WipeOnExit wipeDialog(dialogKey);
    WipeOnExit wipeWrapping(wrappingKey);
    if (!RandomBytes(dialogKey, sizeof dialogKey, RandomParity::AsDrawn)) {
        return false;
    }
    EntryKeyWindow(offset, index, wrappingKey);
    size_t length = sizeof dialogKey;
    if (DesEncrypt(wrappingKey, KeyForm::TwoKey, &length, dialogKey, wrapped.data(),
            ChainMode::CbcNoPadding, EntryInitialValue())
        != 0) {
        wrapped.fill(0);
        return false;
    }
    return true;
}

bool CDataProcess::SealWithDialogKey(size_t count, const uint8_t* input, uint8_t* output,
    const WrappedDialogKey& wrapped, int32_t offset, int32_t index)
{
    return WithDialogKey(true, count, input, output, wrapped, offset, index);
}

bool CDataProcess::OpenWithDialogKey(size_t count, const uint8_t* input, uint8_t* output,
    const WrappedDialogKey& wrapped, int32_t offset, int32_t index)
{
    return WithDialogKey(false, count, input, output, wrapped, offset, index);
}

int32_t CDataProcess::ProtectForDisplay(
    int32_t byteCount, const uint8_t* text, int32_t offset, Text& protectedText)
{
    if (byteCount <= 0) {
        return 0;
    }
    if (byteCount > kDisplayTextMaxBytes || text == nullptr || !ValidDisplayOffset(offset)) {
        protectedText.clear();
        return 0;
    }
    uint8_t key[kWindowBytes];
    uint8_t work[kDisplayTextMaxBytes + kBlockSize];
    WipeOnExit wipeKey(key);
    WipeOnExit wipeWork(work);
    DisplayKeyWindow(offset, key);
    std::memcpy(work, text, static_cast<size_t>(byteCount));
    size_t length = static_cast<size_t>(byteCount);
    if (DesEncrypt(
            key, KeyForm::TwoKey, &length, work, work, ChainMode::CbcPadded, DisplayInitialValue())
        != 0) {
        protectedText.clear();
        return 0;
    }
    protectedText = Base64EncodeToText(work, length);
    return 0;
}

Text CDataProcess::ProtectTextForDisplay(std::u16string_view text, int32_t offset)
{
    SecureBytes bytes(2 * text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
    }
    Text protectedText;
    ProtectForDisplay(static_cast<int32_t>(bytes.size()), bytes.data(), offset, protectedText);
    return protectedText;
}

bool CDataProcess::RevealForDisplay(std::u16string_view protectedText, int32_t offset, Text& plain)
{
    plain.clear();
    if (!ValidDisplayOffset(offset)) {
        return false;
    }
    SecureBytes work = Base64Decode(protectedText);
    if (work.empty() || work.size() > kDisplayTextMaxBytes + kBlockSize) {
        return false;
    }
    uint8_t key[kWindowBytes];
    WipeOnExit wipeKey(key);
    DisplayKeyWindow(offset, key);
    size_t length = work.size();
    if (DesDecrypt(key, KeyForm::TwoKey, &length, work.data(), work.data(), ChainMode::CbcPadded,
            DisplayInitialValue())
        != 0) {
        return false;
    }
    plain.reserve(length / 2);
    for (size_t i = 0; i + 1 < length; i += 2) {
        plain.push_back(static_cast<char16_t>(work[i] | (work[i + 1] << 8)));
    }
    return true;
}

} // namespace velkor
