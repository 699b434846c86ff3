#include "page_status.h"

#include "common/status_codes.h"

namespace velkor {

int32_t ToPageStatus(const card::Result& result)
{
    using card::Outcome;
    switch (result.outcome) {
    case Outcome::Done:
        return status::kOk;
    case Outcome::ArgumentMissing:
        return status::kMissingArgument;
    case Outcome::ArgumentWrongLength:
        return status::kBadLength;
    case Outcome::ArgumentNotDigits:
        return status::kBadValue;
    case Outcome::ArgumentNotHex:
        return status::kDecodeFailed3;
    case Outcome::ApplicationNotSelected:
        return status::kSelectionFailed;
    case Outcome::RecordRefused:
        return status::kAccountListIncomplete;
    case Outcome::AccountDiffers:
        return status::kAccountMismatch;
    case Outcome::AnswerTooShort:
        return status::kCardAnswerTooShort;
    case Outcome::PinRefused:
        return status::kPinRefused;
    case Outcome::PinAnswered6608:
        return status::kPinAnswered6608;
    case Outcome::PinAnswered6620:
        return status::kPinAnswered6620;
    case Outcome::TransactionAnswered6610:
        return status::kTransactionAnswered6610;
    case Outcome::TransactionAnswered69F0:
        return status::kTransactionAnswered69F0;
    case Outcome::TransactionFailed:
        return status::kTransactionFailed;
    case Outcome::NoPinPad:
        return status::kUnavailable;
    case Outcome::ExchangeFailed:
        break;
    }
    return result.exchange.Code();
}

} // namespace velkor
