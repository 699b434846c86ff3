#pragma once

#include <cstdint>
#include <ctime>
#include <vector>

#include "card/card_result.h"
#include "common/text.h"
#include "pcsc/reader_session.h"

// Card-signed transaction requests. The page's fields and the PC's timestamp form the data of one
// transaction command (00 E2 10 80); the card answers with a transaction serial number (SNUM) and
// a TAC that the bank's host checks. After the command the card's identity (issuer, remark,
// account) is read for the host as well.
namespace velkor::transactions {

enum class TransactionType {
    Inquiry,
    Transfer,
    Payment,
    PayTax,
    Withdrawal,
};

// The page's fields, as the methods receive them; each type uses some of them.
struct TransactionFields {
    OptText processingCode; // 4 characters
    OptText requestId; // 8
    OptText checkCode; // 8
    OptText amount; // 14
    OptText importAccount; // 16 (plain transfer: 16 or more, the first 16 are sent)
    OptText account; // 16
    OptText inquiredAccount; // 16, inquiry
    OptText paymentType; // 5
    OptText cancellationNumber; // 16
};

// The control members that hold the last transaction; only a successful command replaces them.
struct TransactionRecord {
    Text& snum;
    Text& tac;
    Text& dateTime;
    Text& issuer;
    Text& remark;
    Text& account;
};

// How long the transfer's import account may be: the plain transfer sends the first 16
// characters of a longer one, the methods that connect by themselves want exactly 16.
enum class ImportAccountRule {
    AtLeast16,
    Exactly16,
};

inline constexpr size_t kTimestampChars = 14;

// ArgumentMissing when a field the type uses is missing, ArgumentWrongLength when one has the
// wrong length (checked in the methods' parameter order), else Done.
card::Result CheckTransactionFields(
    TransactionType type, const TransactionFields& fields, ImportAccountRule importRule);

// "%Y%m%d%H%M%S" of a local time: 14 digits.
Text TransactionTimestamp(const std::tm& localTime);

// The command data of a type, one byte per character: the fields in the card's order, with the
// timestamp after the check code (not for an inquiry). The fields must have passed
// CheckTransactionFields.
std::vector<uint8_t> TransactionCommandData(
    TransactionType type, const TransactionFields& fields, std::u16string_view timestamp);

// The request on the card of `slot`: checks the fields (CheckTransactionFields), sends the command
// with the PC's timestamp and, when the card accepts it, stores SNUM, TAC and the timestamp (empty
// for an inquiry) and reads the card identity into the record. The card's 6610 gives
// TransactionAnswered6610, 69F0 gives TransactionAnswered69F0, any other failure
// TransactionFailed; a failed request leaves the record as it was. A failed identity read is not
// reported: the result is Done once the command was accepted.
card::Result RequestTransaction(pcsc::CardSlot slot, TransactionType type,
    const TransactionFields& fields, ImportAccountRule importRule, TransactionRecord& record);

} // namespace velkor::transactions
