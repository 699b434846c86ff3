#include <gtest/gtest.h>

#include "common/status_codes.h"

// Pages compare the methods' results with these numbers as they are published: each name is
// pinned to its decimal wire value here, and nowhere else is the number written.
namespace velkor {
namespace {

struct WireValue {
    const char* name;
    int32_t code;
    int64_t published;
};

#define VELKOR_WIRE(name, published)                                                               \
    {                                                                                              \
#name, status::name, published                                                             \
    }

TEST(StatusCodes, EveryNameKeepsItsWireValue)
{
    const WireValue table[] = {
        VELKOR_WIRE(kOk, 0),
        VELKOR_WIRE(kPinRefused, 1),
        VELKOR_WIRE(kUnavailable, -1),
        VELKOR_WIRE(kAttributeReadFailed, -2),
        VELKOR_WIRE(kNoContext, 7),
        VELKOR_WIRE(kConversionFailed, 4097),
        VELKOR_WIRE(kNoReaderName, 4099),
        VELKOR_WIRE(kBadValue, 8193),
        VELKOR_WIRE(kBadLength, 8194),
        VELKOR_WIRE(kMissingArgument, 8195),
        VELKOR_WIRE(kDecodeFailed1, 8450),
        VELKOR_WIRE(kDecodeFailed2, 8451),
        VELKOR_WIRE(kDecodeFailed3, 8452),
        VELKOR_WIRE(kCipherBadArgument, 12288),
        VELKOR_WIRE(kCipherBadLength, 12289),
        VELKOR_WIRE(kCipherBadPadding, 12290),
        VELKOR_WIRE(kSelectionFailed, 20481),
        VELKOR_WIRE(kAccountListIncomplete, 20482),
        VELKOR_WIRE(kPinAnswered6608, 20484),
        VELKOR_WIRE(kPinAnswered6620, 20485),
        VELKOR_WIRE(kTransactionAnswered6610, 20486),
        VELKOR_WIRE(kTransactionAnswered69F0, 20756),
        VELKOR_WIRE(kAccountMismatch, 20757),
        VELKOR_WIRE(kTransactionFailed, -1),
        VELKOR_WIRE(kCardAnswerTooShort, -1),
        VELKOR_WIRE(kCipherFailed, -1),
        VELKOR_WIRE(kNotConfirmed, 20756),
        VELKOR_WIRE(kConfirmationFirstCheckFailed, 20757),
        VELKOR_WIRE(kConfirmationLaterCheckFailed, 20758),
        VELKOR_WIRE(kTooFewAccountLists, 20998),
        VELKOR_WIRE(kHashMismatch, -1),
        VELKOR_WIRE(kSessionKeyUnusable, 20741),
        VELKOR_WIRE(kRn2EncipherFailed, 20742),
        VELKOR_WIRE(kRn2SignFailed, 20743),
        VELKOR_WIRE(kSessionDesFailed, 20752),
        VELKOR_WIRE(kSessionKeyHashMismatch, 20753),
        VELKOR_WIRE(kDataCipherMissingText, 16781315),
        VELKOR_WIRE(kDataCipherKeyNotHex, 33558534),
        VELKOR_WIRE(kDataCipherKeyUndecipherable, 50336513),
        VELKOR_WIRE(kDataCipherKeyBadLength, 67113729),
        VELKOR_WIRE(kDataCipherHashNotHex, 83890182),
        VELKOR_WIRE(kDataCipherHashMismatch, 100668166),
        VELKOR_WIRE(kDataCipherBadInput, 150999046),
        VELKOR_WIRE(kDataCipherFailed, 167777029),
        VELKOR_WIRE(kNetDialogNotCompleted, 20756),
        VELKOR_WIRE(kFileDialogCancelled, -1),
        VELKOR_WIRE(kBufferNotAllocated, 20992),
    };
    for (const WireValue& row : table) {
        EXPECT_EQ(row.code, row.published) << row.name;
    }
}

} // namespace
} // namespace velkor
