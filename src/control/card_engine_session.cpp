#include <vector>

#include "common/status_codes.h"
#include "control/card_engine.h"
#include "crypto/data_process.h"

namespace velkor {

namespace {

constexpr size_t kMinReaderNameChars = 6;
constexpr size_t kMaxReaderNameChars = 64;
// ListReaders empties this many names before listing.
constexpr size_t kNamesClearedBeforeListing = 10;

} // namespace

int32_t CardEngine::ListReaders(pcsc::ReaderNameList& names, int32_t& count) const
{
    for (size_t i = 0; i < kNamesClearedBeforeListing; ++i) {
        names[i].clear();
    }
    return session_.ListReaderNames(count, names) == 0 ? status::kOk : status::kUnavailable;
}

int32_t CardEngine::ConnectCard(
    const OptText& readerName, int32_t& slot, int32_t& atrHexLength, Text& atrHex) const
{
    slot = 0;
    if (!readerName) {
        return status::kMissingArgument;
    }
    if (readerName->size() < kMinReaderNameChars || readerName->size() > kMaxReaderNameChars) {
        return status::kBadLength;
    }
    // PC/SC takes the name as a C string: an embedded NUL would cut it and connect another reader.
    if (readerName->find(u'\0') != Text::npos) {
        return status::kBadValue;
    }
    std::vector<uint8_t> atr;
    const int32_t result = session_.ConnectSlot(*readerName, slot, atr, pcsc::kShareExclusive);
    if (result != 0) {
        return result;
    }
    if (!CDataProcess::BytesToHex(atr.size(), atr.data(), atrHex)) {
        atrHex.clear(); // a card that sent no ATR bytes
    }
    atrHexLength = static_cast<int32_t>(atrHex.size());
    return status::kOk;
}

int32_t CardEngine::DisconnectCard(int32_t slot) const
{
    session_.DisconnectSlot(slot, pcsc::kResetCard);
    session_.ReleaseReaderContext();
    return status::kOk;
}

int32_t CardEngine::ReaderStatus(
    int32_t slot, int32_t attribute, int32_t& length, Text& value) const
{
    if (attribute < pcsc::kVendorName || attribute > pcsc::kReaderVersion) {
        return status::kUnavailable;
    }
    std::vector<uint8_t> bytes;
    if (session_.GetReaderAttribute(slot, attribute, bytes) != 0) {
        return status::kAttributeReadFailed;
    }
    size_t used = 0;
    while (used < bytes.size() && bytes[used] != 0) {
        ++used;
    }
    value = BytesAsText(bytes.data(), used);
    length = static_cast<int32_t>(used);
    return status::kOk;
}

} // namespace velkor
