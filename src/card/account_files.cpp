#include "card/account_files.h"

#include <algorithm>
#include <optional>
#include <span>

#include "card/card_application.h"

namespace velkor::card {

namespace {

constexpr size_t kAccountOffset = 2; // bytes 0 and 1 of a record are not used
constexpr size_t kCardAccountChars = 16;

struct AccountFileLayout {
    FileId file;
    uint8_t firstRecord;
    uint8_t lastRecord;
    size_t accountChars;
};

constexpr AccountFileLayout LayoutOf(AccountFile file)
{
    return file == AccountFile::Ef1001 ? AccountFileLayout { kAccountFile, 3, 10, 16 }
                                       : AccountFileLayout { kSecondAccountFile, 1, 8, 24 };
}

bool IsDigit(uint8_t byte)
{
    return byte >= '0' && byte <= '9';
}

// The account text of a record, or nothing for an empty entry. Only the bytes the card sent are
// looked at.
std::optional<Text> AccountOf(std::span<const uint8_t> record, size_t accountChars)
{
    if (record.size() <= 3 || !IsDigit(record[3])) {
        return std::nullopt;
    }
    const auto account
        = record.subspan(kAccountOffset, std::min(accountChars, record.size() - kAccountOffset));
    if (std::all_of(account.begin(), account.end(), [](uint8_t b) { return b == '0'; })) {
        return std::nullopt;
    }
    const auto end = std::find(account.begin(), account.end(), uint8_t { 0 });
    return BytesAsText(account.data(), static_cast<size_t>(end - account.begin()));
}

} // namespace

Result ListAccounts(pcsc::CardSlot slot, AccountFile file, AccountList& list, int32_t& count)
{
    const AccountFileLayout layout = LayoutOf(file);
    if (!Succeeded(SelectApplication(slot)) || !Succeeded(SelectFile(slot, layout.file))) {
        return Outcome::ApplicationNotSelected;
    }
    count = 0;
    const auto le = static_cast<uint8_t>(kAccountOffset + layout.accountChars);
    for (uint8_t record = layout.firstRecord; record <= layout.lastRecord; ++record) {
        pcsc::ApduResponse response;
        if (!Succeeded(ReadRecord(slot, record, le, response))) {
            return Outcome::RecordRefused;
        }
        auto account = AccountOf(response.Data(), layout.accountChars);
        if (account && count < static_cast<int32_t>(list.size())) {
            list[static_cast<size_t>(count++)] = std::move(*account);
        }
    }
    return Outcome::Done;
}

Result CheckCardAccount(pcsc::CardSlot slot, std::u16string_view account)
{
    if (!Succeeded(SelectFile(slot, kAccountFile))) {
        return Outcome::ApplicationNotSelected;
    }
    pcsc::ApduResponse response;
    const pcsc::ApduResult read = ReadRecord(slot, 3, kAccountOffset + kCardAccountChars, response);
    if (!Succeeded(read)) {
        return Result::Failed(read);
    }
    const auto record = response.Data();
    for (size_t i = 0; i < kCardAccountChars; ++i) {
        const uint8_t given = i < account.size() ? static_cast<uint8_t>(account[i] & 0xFF) : 0;
        const size_t at = kAccountOffset + i;
        const uint8_t held = at < record.size() ? record[at] : 0;
        if (given != held) {
            return Outcome::AccountDiffers;
        }
        if (given == 0) {
            break;
        }
    }
    return Outcome::Done;
}

} // namespace velkor::card
