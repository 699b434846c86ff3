#pragma once

#include <cstdint>

// Status codes returned by the control's methods. Integers, 0 for success; the families are
// grouped by hexadecimal range so that a page can tell control, argument, decoding, cipher, card
// and procedure failures apart.
namespace velkor::status {

inline constexpr int32_t kOk = 0;
inline constexpr int32_t kPinRefused = 1;

inline constexpr int32_t kUnavailable = -1; // PC/SC binding missing, listing failed, bad selector
inline constexpr int32_t kAttributeReadFailed = -2;
inline constexpr int32_t kNoContext = 7; // attribute read or probe before any context

inline constexpr int32_t kConversionFailed = 0x1001;
inline constexpr int32_t kNoReaderName = 0x1003;

inline constexpr int32_t kBadValue = 0x2001;
inline constexpr int32_t kBadLength = 0x2002;
inline constexpr int32_t kMissingArgument = 0x2003;

inline constexpr int32_t kDecodeFailed1 = 0x2102;
inline constexpr int32_t kDecodeFailed2 = 0x2103;
inline constexpr int32_t kDecodeFailed3 = 0x2104;

inline constexpr int32_t kCipherBadArgument = 0x3000;
inline constexpr int32_t kCipherBadLength = 0x3001;
inline constexpr int32_t kCipherBadPadding = 0x3002;
// The page's DES and MAC: a key, block or initial value that is not hexadecimal, or a failed run.
inline constexpr int32_t kCipherFailed = -1;

// Card commands and transaction requests.
inline constexpr int32_t kSelectionFailed = 0x5001; // the application or a file was not selected
inline constexpr int32_t kAccountListIncomplete = 0x5002; // a record of the list was refused
inline constexpr int32_t kPinAnswered6608 = 0x5004;
inline constexpr int32_t kPinAnswered6620 = 0x5005;
inline constexpr int32_t kTransactionAnswered6610 = 0x5006;
inline constexpr int32_t kTransactionAnswered69F0 = 0x5114;
inline constexpr int32_t kAccountMismatch = 0x5115; // the card's account differs from the given one
inline constexpr int32_t kTransactionFailed = -1; // any other failure of the transaction command
// The card accepted a read or a record write, but its answer is too short to hold what was read.
inline constexpr int32_t kCardAnswerTooShort = -1;

// The confirmation dialog that comes before a confirmed card command.
inline constexpr int32_t kNotConfirmed = 0x5114; // cancelled, timed out, or the page went away
// The message document does not match the transaction: its first check failed (101), or a later
// one (102).
inline constexpr int32_t kConfirmationFirstCheckFailed = 0x5115;
inline constexpr int32_t kConfirmationLaterCheckFailed = 0x5116;

// The common-account procedure: the PIN can be entered neither on the reader (no pad) nor in the
// form (the card refused the PIN typed there).
inline constexpr int32_t kPinEntryUnavailable = 0x5006;

// The transfer procedures: the dialogs' parameter document has fewer than the three account
// lists (agreed, common, banks) the transfer-account dialog needs.
inline constexpr int32_t kTooFewAccountLists = 0x5206;

// Mutual authentication and the session-key methods.
inline constexpr int32_t kHashMismatch = -1; // VerifySessionKeyHash: the hash does not match
inline constexpr int32_t kSessionKeyUnusable
    = 0x5105; // RSA decipherment failed, wrong RN1/key size
inline constexpr int32_t kRn2EncipherFailed = 0x5106;
inline constexpr int32_t kRn2SignFailed = 0x5107;
inline constexpr int32_t kSessionDesFailed = 0x5110;
inline constexpr int32_t kSessionKeyHashMismatch = 0x5111;

// The session-key data cipher used by the dialogs (SessionCipher, ProtectOutput).
inline constexpr int32_t kDataCipherMissingText = 0x1001003;
inline constexpr int32_t kDataCipherKeyNotHex = 0x2001006;
inline constexpr int32_t kDataCipherKeyUndecipherable = 0x3001301;
inline constexpr int32_t kDataCipherKeyBadLength = 0x4001301;
inline constexpr int32_t kDataCipherHashNotHex = 0x5001006;
inline constexpr int32_t kDataCipherHashMismatch = 0x6001306;
inline constexpr int32_t kDataCipherBadInput = 0x9001006;
inline constexpr int32_t kDataCipherFailed = 0xa001305;

// The net-bank procedures and the file transfer.
// A net-bank dialog was cancelled, timed out, closed because the page went away, or ended with OK
// but without the enciphered result the bank needs.
inline constexpr int32_t kNetDialogNotCompleted = 0x5114;
inline constexpr int32_t kFileDialogCancelled = -1;
// A buffer for the enciphered file contents could not be allocated.
inline constexpr int32_t kBufferNotAllocated = 0x5200;

} // namespace velkor::status
