#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/secure_buffer.h"
#include "common/text.h"

// CDataProcess: the cipher, encoding and data-protection services that the engines, the card
// commands and the dialogs share. It keeps no state; every operation works on the buffers its
// caller passes, so all operations are static (an instance may still be held and used).
//
// Conventions:
// - Block cipher: DES, two-key and three-key TDEA from OpenSSL's libcrypto; the key form follows
//   the key length (8, 16, 24 bytes). Modes and padding rules are ours (see ChainMode).
// - Binary data crosses the scripting boundary as upper-case hexadecimal text; where a text is read
//   as bytes, each UTF-16 code unit contributes its low 8 bits.
// - Every buffer that held a key, a session key, a dialog key or plain entry data is wiped before
//   an operation returns.
namespace velkor {

// Selects single DES or TDEA; the numeric values are those pages and callers use (length / 8 - 1).
enum class KeyForm : int32_t {
    SingleDes = 0, // 8-byte key K1
    TwoKey = 1, // 16-byte key K1 K2, K3 = K1
    ThreeKey = 2, // 24-byte key K1 K2 K3
};

// Key length in bytes of a key form (8, 16 or 24).
constexpr size_t KeyLength(KeyForm form)
{
    return 8 * (static_cast<size_t>(form) + 1);
}

enum class ChainMode : int32_t {
    Ecb = 0,
    // CBC; encipherment always appends a final block of padding bytes that each hold the padding
    // count 1..8 (PKCS #5); decipherment drops as many bytes as the last plain byte says, and fails
    // when that count exceeds 8 (the other padding bytes are not examined).
    CbcPadded = 1,
    CbcNoPadding = 2, // CBC over whole blocks only
};

// Parity given to random bytes (RandomBytes).
enum class RandomParity : int32_t {
    Odd = 0, // every byte odd parity, as in a DES key
    Even = 1,
    AsDrawn = 2,
};

// A text argument that may be missing (nullopt); an OptText or a Text converts to it implicitly.
using OptTextView = std::optional<std::u16string_view>;

// The dialog key in wrapped form (see MakeDialogKey).
using WrappedDialogKey = std::array<uint8_t, 16>;

class CDataProcess {
public:
    static constexpr size_t kBlockSize = 8;

    CDataProcess() = default;
    virtual ~CDataProcess();

    // ---- Hexadecimal -------------------------------------------------------------------------

    // Decodes exactly `digitCount` characters of `text` (low 8 bits of each; 0-9, A-F, a-f) into
    // `output`, two digits per byte, high nibble first. The buffer is not cleared first: with an
    // odd count the last digit becomes the high nibble of a final byte whose low nibble is the high
    // nibble that byte held before (0 in a zeroed buffer, F in a buffer prefilled with FF).
    // `output` must hold (digitCount + 1) / 2 bytes. Fails (false) on any non-digit, or when
    // `digitCount` exceeds the text; the output may then be partly written.
    static bool HexToBytes(size_t digitCount, std::u16string_view text, uint8_t* output);

    // Two upper-case digits per byte into `output` (replacing it). Refuses a count below 1 or a
    // null pointer (false, output untouched).
    static bool BytesToHex(size_t byteCount, const uint8_t* bytes, Text& output);
    // The same for any span; an empty span gives an empty text.
    static Text HexText(std::span<const uint8_t> bytes);

    // ---- DES and TDEA ------------------------------------------------------------------------

    // Enciphers `*length` bytes of `input` into `output` and sets `*length` to the output length.
    // `key` holds KeyLength(form) bytes; `initialValue` 8 bytes (ignored, and may be null, in
    // ECB). `output` must hold the input length rounded down to a multiple of 8, plus 8; it may be
    // the same buffer as `input`.
    // Returns 0, status::kCipherBadArgument (0x3000: a pointer missing, a bad key form or mode, or
    // CBC without an initial value) or status::kCipherBadLength (0x3001: ECB or CBC without
    // padding over a length that is not a multiple of 8).
    static int32_t DesEncrypt(const uint8_t* key, KeyForm form, size_t* length,
        const uint8_t* input, uint8_t* output, ChainMode mode, const uint8_t* initialValue);

    // Deciphers `*length` bytes (whole blocks) and sets `*length` to the plain length, less the
    // padding in ChainMode::CbcPadded. `output` must hold the input length. Returns 0, 0x3000 as
    // above, 0x3001 when the input is not a whole number of blocks (for the padded mode: at least
    // one block), or status::kCipherBadPadding (0x3002) for a padding count above 8.
    static int32_t DesDecrypt(const uint8_t* key, KeyForm form, size_t* length,
        const uint8_t* input, uint8_t* output, ChainMode mode, const uint8_t* initialValue);

    // ---- Base64 (RFC 4648 alphabet, "=" padding, no line breaks) --------------------------------

    // One byte (char) per base64 character.
    static std::string Base64EncodeToBytes(const uint8_t* bytes, size_t count);
    // One UTF-16 character per base64 character.
    static Text Base64EncodeToText(const uint8_t* bytes, size_t count);
    // Low 8 bits of each character; CR and LF are dropped. A remaining length that is not a
    // multiple of 4, or below 4, gives no bytes; a character outside the alphabet decodes as 0.
    static SecureBytes Base64Decode(std::u16string_view text);

    // ---- Random numbers (OpenSSL RAND_bytes) --------------------------------------------------

    // Fills `count` bytes (8 or 16), none of them zero, with the given parity. Returns false on a
    // bad count or parity, or when the generator fails (the buffer is then wiped).
    static bool RandomBytes(uint8_t* output, size_t count, RandomParity parity);
    // Bytes 2 to 5 of an 8-byte draw with RandomParity::AsDrawn, little-endian. Callers reduce it
    // modulo their range (offsets % 32, indexes % 4).
    static uint32_t RandomNumber();

    // ---- Dialog key ---------------------------------------------------------------------------

    // Window positions a dialog may draw: offsets 0..31, indexes 0..3.
    static constexpr int32_t kKeyOffsetCount = 32;
    static constexpr int32_t kEntryKeyIndexCount = 4;

    // Draws a fresh 16-byte dialog key and returns it wrapped (two-key TDEA, CBC) under the entry
    // key window chosen by `offset` and `index`. Only the wrapped form ever leaves this call.
    // False (and `wrapped` zeroed) for an offset or index out of range or a generator failure.
    static bool MakeDialogKey(int32_t offset, int32_t index, WrappedDialogKey& wrapped);
    // Enciphers (seal) or deciphers (open) `count` bytes, a multiple of 8, with the dialog key
    // unwrapped from `wrapped`; `input` and `output` may be the same buffer. The unwrapped key
    // never outlives the call. False for a count that is not whole blocks or a bad offset/index.
    static bool SealWithDialogKey(size_t count, const uint8_t* input, uint8_t* output,
        const WrappedDialogKey& wrapped, int32_t offset, int32_t index);
    static bool OpenWithDialogKey(size_t count, const uint8_t* input, uint8_t* output,
        const WrappedDialogKey& wrapped, int32_t offset, int32_t index);

    // ---- Protected display text ---------------------------------------------------------------

    // Largest text a protected display takes, in bytes (156 UTF-16 characters).
    static constexpr int32_t kDisplayTextMaxBytes = 312;

    // Enciphers `byteCount` bytes of `text` (the dialogs pass UTF-16LE bytes, 2 per character)
    // under the display key window at `offset` (0..31), two-key TDEA, CBC with padding, and
    // writes the base64 form, one character per base64 character, into `protectedText`. A count
    // of 0 or less leaves `protectedText` unchanged; a count above 312 or an offset out of range
    // empties it. Returns 0.
    static int32_t ProtectForDisplay(
        int32_t byteCount, const uint8_t* text, int32_t offset, Text& protectedText);
    // ProtectForDisplay of `text` as UTF-16LE bytes (the UTF-16LE copy is wiped): the form a label
    // or caption takes.
    static Text ProtectTextForDisplay(std::u16string_view text, int32_t offset);
    // The reverse, for the widgets that draw protected text: base64-decodes, deciphers with the
    // same window and takes the plain bytes as UTF-16LE. False (and `plain` empty) when the text
    // does not decode or decipher. The caller wipes `plain` (WipeString) once drawn.
    static bool RevealForDisplay(std::u16string_view protectedText, int32_t offset, Text& plain);

    // ---- Session-key data cipher --------------------------------------------------------------

    // Input forms of SessionCipher and ProtectOutput.
    static constexpr int32_t kInputLow8 = 0; // one byte per character (SessionCipher), raw bytes
                                             // (ProtectOutput)
    static constexpr int32_t kInputHex = 1; // hexadecimal digits
    static constexpr int32_t kInputUtf16Le = 3; // SessionCipher: 2 bytes per character
    // Any other form: base64 text.

    // Largest converted input, in bytes.
    static constexpr size_t kSessionCipherMaxBytes = 6400;
    static constexpr size_t kProtectOutputMaxBytes = 2400;

    // Enciphers (direction 0) or deciphers (any other direction) `length` characters of `input`
    // under the session key that `pCpukEncSessionKey` carries (RSA-enciphered to the control,
    // hexadecimal) and `pSessionKeyHash` vouches for (SHA-1, hexadecimal). Cipher: two-key TDEA
    // with the first 16 bytes of the session key (an 8-byte key followed by 8 zero bytes), zero
    // initial value, CBC with padding.
    // Output: enciphering gives one character per cipher byte; deciphering gives the plain bytes
    // as UTF-16LE text when some byte pair is an ASCII letter, digit or space followed by 0, and
    // otherwise one character per plain byte. `length` becomes the output byte count.
    // The caller opens the key store (LoadEmbeddedKeys, or ScopedEmbeddedKeys) around the call.
    // Returns 0 or a status::kDataCipher* code; `output` and `length` are changed only on success.
    static int32_t SessionCipher(int32_t direction, int32_t inputForm, int32_t& length,
        OptTextView input, OptTextView pSessionKeyHash, OptTextView pCpukEncSessionKey,
        Text& output);

    // Enciphers `input` under the session key (as SessionCipher) with the caller's 8-byte initial
    // value and a CBC mode. Input forms: 0 the bytes as they are, 1 hexadecimal digits (ASCII
    // bytes) decoded into half as many bytes rounded up, other: base64 (ASCII bytes). Without
    // padding the decoded input must be whole blocks. Output: one character per cipher byte.
    // Returns 0, a status::kDataCipher* code, or status::kConversionFailed for a mode that
    // is not CBC. `output` is changed only on success.
    static int32_t ProtectOutput(int32_t inputForm, std::span<const uint8_t> input,
        const uint8_t* initialValue, ChainMode mode, OptTextView pSessionKeyHash,
        OptTextView pCpukEncSessionKey, Text& output);

    // ---- Embedded key store -------------------------------------------------------------------

    // Deciphers the program's key blobs into the module-wide working buffers (false when a blob
    // does not open; the buffers are then wiped). WipeEmbeddedKeys zeroes them. Both run on the
    // page's thread only; see key_store.h for the RAII guard.
    static bool LoadEmbeddedKeys();
    static void WipeEmbeddedKeys();
};

} // namespace velkor
