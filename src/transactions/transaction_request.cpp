#include "transactions/transaction_request.h"

#include <span>

#include "card/card_application.h"
#include "card/snum_tac_command.h"
#include "common/local_clock.h"
#include "common/secure_buffer.h"
#include "pcsc/status_words.h"
#include "transactions/transaction_identity.h"

namespace velkor::transactions {

namespace {

using Field = OptText TransactionFields::*;

struct FieldRule {
    Field field;
    size_t length;
};

constexpr size_t kImportAccountChars = 16;

using F = TransactionFields;

// The fields of each type in the methods' parameter order, with their lengths.
constexpr FieldRule kInquiryParameters[]
    = { { &F::processingCode, 4 }, { &F::checkCode, 8 }, { &F::inquiredAccount, 16 } };
constexpr FieldRule kTransferParameters[]
    = { { &F::processingCode, 4 }, { &F::requestId, 8 }, { &F::checkCode, 8 }, { &F::amount, 14 },
          { &F::importAccount, kImportAccountChars }, { &F::account, 16 } };
constexpr FieldRule kPaymentParameters[]
    = { { &F::processingCode, 4 }, { &F::requestId, 8 }, { &F::checkCode, 8 }, { &F::amount, 14 },
          { &F::paymentType, 5 }, { &F::cancellationNumber, 16 }, { &F::account, 16 } };
constexpr FieldRule kWithdrawalParameters[] = { { &F::processingCode, 4 }, { &F::requestId, 8 },
    { &F::checkCode, 8 }, { &F::amount, 14 }, { &F::account, 16 } };

// The card's order of the command data; a null field stands for the timestamp. Note that a
// payment sends the account before the cancellation number.
constexpr Field kInquiryData[] = { &F::processingCode, &F::checkCode, &F::inquiredAccount };
constexpr Field kTransferData[] = { &F::processingCode, &F::amount, &F::requestId, &F::checkCode,
    nullptr, &F::importAccount, &F::account };
constexpr Field kPaymentData[] = { &F::processingCode, &F::amount, &F::requestId, &F::checkCode,
    nullptr, &F::paymentType, &F::account, &F::cancellationNumber };
constexpr Field kWithdrawalData[]
    = { &F::processingCode, &F::amount, &F::requestId, &F::checkCode, nullptr, &F::account };

std::span<const FieldRule> ParameterOrder(TransactionType type)
{
    switch (type) {
    case TransactionType::Inquiry:
        return kInquiryParameters;
    case TransactionType::Transfer:
        return kTransferParameters;
    case TransactionType::Payment:
        return kPaymentParameters;
    case TransactionType::PayTax:
    case TransactionType::Withdrawal:
        break;
    }
    return kWithdrawalParameters; // tax payment: the same fields as a withdrawal
}

std::span<const Field> DataOrder(TransactionType type)
{
    switch (type) {
    case TransactionType::Inquiry:
        return kInquiryData;
    case TransactionType::Transfer:
        return kTransferData;
    case TransactionType::Payment:
        return kPaymentData;
    case TransactionType::PayTax:
    case TransactionType::Withdrawal:
        break;
    }
    return kWithdrawalData;
}

void AppendLow8(std::vector<uint8_t>& data, std::u16string_view text)
{
    for (const char16_t c : text) {
        data.push_back(static_cast<uint8_t>(c & 0xFF));
    }
}

// The outcome of a transaction command the card did not accept.
card::Outcome RefusedTransaction(const pcsc::ApduResult& result)
{
    if (result.pcscResult != 0) {
        return card::Outcome::TransactionFailed;
    }
    switch (result.statusWord) {
    case pcsc::sw::kTransactionAnswer6610:
        return card::Outcome::TransactionAnswered6610;
    case pcsc::sw::kTransactionAnswer69F0:
        return card::Outcome::TransactionAnswered69F0;
    default:
        return card::Outcome::TransactionFailed;
    }
}

} // namespace

card::Result CheckTransactionFields(
    TransactionType type, const TransactionFields& fields, ImportAccountRule importRule)
{
    const std::span<const FieldRule> rules = ParameterOrder(type);
    for (const FieldRule& rule : rules) {
        if (!(fields.*rule.field)) {
            return card::Outcome::ArgumentMissing;
        }
    }
    for (const FieldRule& rule : rules) {
        const size_t length = (fields.*rule.field)->size();
        const bool longerAllowed = rule.field == &TransactionFields::importAccount
            && importRule == ImportAccountRule::AtLeast16;
        if (longerAllowed ? length < rule.length : length != rule.length) {
            return card::Outcome::ArgumentWrongLength;
        }
    }
    return card::Outcome::Done;
}

Text TransactionTimestamp(const std::tm& localTime)
{
    char formatted[kTimestampChars + 1] = {};
    if (std::strftime(formatted, sizeof formatted, "%Y%m%d%H%M%S", &localTime) != kTimestampChars) {
        return Text(kTimestampChars, u'0'); // a year beyond four digits: never on a real clock
    }
    return Text(formatted, formatted + kTimestampChars);
}

std::vector<uint8_t> TransactionCommandData(
    TransactionType type, const TransactionFields& fields, std::u16string_view timestamp)
{
    // Sized once: a reallocation would leave a copy of the accounts in freed memory.
    size_t size = 0;
    for (const Field field : DataOrder(type)) {
        size += field == nullptr ? timestamp.size() : (fields.*field)->size();
    }
    std::vector<uint8_t> data;
    data.reserve(size);
    for (const Field field : DataOrder(type)) {
        if (field == nullptr) {
            AppendLow8(data, timestamp);
        } else if (field == &TransactionFields::importAccount) {
            AppendLow8(data, std::u16string_view(*(fields.*field)).substr(0, kImportAccountChars));
        } else {
            AppendLow8(data, *(fields.*field));
        }
    }
    return data;
}

card::Result RequestTransaction(pcsc::CardSlot slot, TransactionType type,
    const TransactionFields& fields, ImportAccountRule importRule, TransactionRecord& record)
{
    if (card::Result check = CheckTransactionFields(type, fields, importRule); !check.Ok()) {
        return check;
    }
    const bool timestamped = type != TransactionType::Inquiry;
    const Text timestamp = timestamped ? TransactionTimestamp(LocalTimeNow()) : Text();
    std::vector<uint8_t> data = TransactionCommandData(type, fields, timestamp);
    WipeOnExit wipeData(data);

    pcsc::ApduResponse response;
    const pcsc::ApduResult result = card::SendSnumTacCommand(
        slot, card::kTransactionP1, card::kTransactionP2, data, response);
    if (!card::Succeeded(result)) {
        return RefusedTransaction(result);
    }
    Text snum;
    Text tac;
    if (!card::ReadSnumTac(response.Data(), snum, tac)) {
        return card::Outcome::TransactionFailed; // accepted, but no room for SNUM and TAC in the
                                                 // answer
    }
    record.snum = std::move(snum);
    record.tac = std::move(tac);
    record.dateTime = timestamp;
    ReadTransactionIdentity(slot, record.issuer, record.remark, record.account);
    return card::Outcome::Done;
}

} // namespace velkor::transactions
