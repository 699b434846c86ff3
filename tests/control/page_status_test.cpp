#include <gtest/gtest.h>

#include "common/status_codes.h"
#include "page_status.h"
#include "pcsc/reader_session.h"

// Every card outcome and the page code it becomes; a failed exchange reaches the page as it came.
namespace velkor {
namespace {

using card::Outcome;

TEST(PageStatus, EachCardOutcomeHasItsPageCode)
{
    const struct {
        card::Result result;
        int32_t code;
    } table[] = {
        { Outcome::Done, status::kOk },
        { Outcome::ArgumentMissing, status::kMissingArgument },
        { Outcome::ArgumentWrongLength, status::kBadLength },
        { Outcome::ArgumentNotDigits, status::kBadValue },
        { Outcome::ArgumentNotHex, status::kDecodeFailed3 },
        { Outcome::ApplicationNotSelected, status::kSelectionFailed },
        { Outcome::RecordRefused, status::kAccountListIncomplete },
        { Outcome::AccountDiffers, status::kAccountMismatch },
        { Outcome::AnswerTooShort, status::kCardAnswerTooShort },
        { Outcome::PinRefused, status::kPinRefused },
        { Outcome::PinAnswered6608, status::kPinAnswered6608 },
        { Outcome::PinAnswered6620, status::kPinAnswered6620 },
        { Outcome::TransactionAnswered6610, status::kTransactionAnswered6610 },
        { Outcome::TransactionAnswered69F0, status::kTransactionAnswered69F0 },
        { Outcome::TransactionFailed, status::kTransactionFailed },
        { Outcome::NoPinPad, status::kUnavailable },
        { card::Result::Failed({ pcsc::kRemovedCard, 0 }), pcsc::kRemovedCard },
        { card::Result::Failed({ 0, pcsc::sw::kRecordNotFound }), pcsc::sw::kRecordNotFound },
    };
    for (const auto& row : table) {
        EXPECT_EQ(ToPageStatus(row.result), row.code) << static_cast<int>(row.result.outcome);
    }
}

} // namespace
} // namespace velkor
