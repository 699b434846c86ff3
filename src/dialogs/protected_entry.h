#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "common/secure_buffer.h"
#include "common/text.h"
#include "crypto/data_process.h"

// The protected entry of the secure dialogs: a per-dialog random key held only wrapped, the
// keypad order sealed with it, and the typed characters kept one per sealed cell. Plain
// characters exist only in scratch buffers during one key press or the OK processing, and those
// are wiped before the call returns.
namespace velkor {

// A dialog's own random key, kept only in wrapped form with its wrapping index and offset.
class DialogKey {
public:
    DialogKey() = default;
    DialogKey(const DialogKey&) = delete;
    DialogKey& operator=(const DialogKey&) = delete;
    ~DialogKey() { Wipe(wrapped_.data(), wrapped_.size()); }

    // Draws the index, the offset and the key. False when the generator fails.
    bool Make();
    bool Seal(size_t count, const uint8_t* input, uint8_t* output) const;
    bool Open(size_t count, const uint8_t* input, uint8_t* output) const;

    int32_t Index() const { return index_; }
    int32_t Offset() const { return offset_; }

private:
    WrappedDialogKey wrapped_ {};
    int32_t index_ = 0;
    int32_t offset_ = 0;
    bool made_ = false;
};

enum class KeypadKind { kDigits, kAlphanumeric };

// One fresh 8-byte random draw for the keypad order; false when the generator fails.
using KeypadDraw = std::function<bool(std::span<uint8_t, 8>)>;
// The draw from the system generator (CDataProcess::RandomBytes).
bool SystemKeypadDraw(std::span<uint8_t, 8> draw);

// The character shown on each keypad position: positions 0 to 9 digits, 10 to 35 (on the
// alphanumeric keypad) capital letters. Kept sealed; opened only for one key press.
class KeypadOrder {
public:
    static constexpr size_t kDigitPositions = 10;
    static constexpr size_t kAllPositions = 36;

    KeypadOrder() = default;
    KeypadOrder(const KeypadOrder&) = delete;
    KeypadOrder& operator=(const KeypadOrder&) = delete;
    ~KeypadOrder() { Wipe(sealed_.data(), sealed_.size()); }

    // A position whose candidates keep repeating earlier ones gives up after this many draws.
    static constexpr size_t kDrawsPerPosition = 1000;

    // Builds a random order, or the template order 1 2 3 4 5 6 7 8 9 0 (letters A to Z). False
    // when a draw fails, a position finds no free character within kDrawsPerPosition draws, or
    // the order cannot be sealed; the order then has no positions (CharacterAt gives 0), so the
    // keypad keeps its template captions and no key types anything.
    bool Build(KeypadKind kind, bool random, const DialogKey& key,
        const KeypadDraw& draw = SystemKeypadDraw);
    size_t Positions() const { return positions_; }
    // The character of `position`: '0' + digit, or the letter (lower case when asked). Zero for
    // a position the keypad does not have.
    char16_t CharacterAt(size_t position, bool lowerCase, const DialogKey& key) const;

    std::span<const uint8_t> SealedForTesting() const { return { sealed_.data(), SealedSize() }; }

private:
    size_t SealedSize() const { return positions_ == kAllPositions ? 40 : 16; }

    std::array<uint8_t, 40> sealed_ {};
    size_t positions_ = 0;
};

// The sealed characters of one entry field.
class EntryStore {
public:
    static constexpr size_t kCells = 48;
    static constexpr size_t kCellBytes = 16;

    EntryStore() { Clear(); }
    EntryStore(const EntryStore&) = delete;
    EntryStore& operator=(const EntryStore&) = delete;
    ~EntryStore() { Wipe(cells_.data(), cells_.size()); }

    // Refills every cell with random bytes; nothing typed.
    void Clear();
    // Seals one character (its low 8 bits) into the next cell. False when the store is full.
    bool Append(char16_t character, const DialogKey& key);
    // Forgets the last character; its cell is overwritten by the next Append.
    void RemoveLast();
    size_t Count() const { return count_; }

    // Opens the first `count` characters into `bytes` at `offset`, one byte each. The caller
    // provides a buffer of at least offset + count bytes and wipes it.
    bool OpenInto(size_t count, const DialogKey& key, uint8_t* bytes) const;

    std::span<const uint8_t> CellsForTesting() const { return cells_; }

private:
    std::array<uint8_t, kCells * kCellBytes> cells_ {};
    size_t count_ = 0;
};

// What a protected display is to show: protected text in one of the protected drawing modes, or
// asterisks in mode 3. `cleared` is set by Clear: the display also goes back to its white
// background.
struct DisplayUpdate {
    Text text;
    int32_t mode = 0;
    bool cleared = false;
};

// How the typed characters are shown: deciphered in one of the protected drawing modes (upright
// cells, cells tilted together or one by one, or the whole text at once), or one asterisk each.
enum class DisplayMode : int32_t {
    kClear = 0,
    kTiltedTogether = 1,
    kMasked = 3,
    kTiltedEach = 4,
    kWhole = 7,
};

// Keypad presses, correction and clear for one entry field, and the typed value for OK.
class ProtectedEntry {
public:
    static constexpr int32_t kAccepted = 0;
    static constexpr int32_t kRefused = -1;

    using DisplaySink = std::function<void(const DisplayUpdate&)>;

    ProtectedEntry(const DialogKey& key, const KeypadOrder& order, DisplaySink display);

    // The display offset is drawn here; the dialog hands it to its protected display.
    int32_t DisplayOffset() const { return displayOffset_; }
    void SetMaximumLength(size_t maximum) { maximum_ = maximum; }
    size_t MaximumLength() const { return maximum_; }
    void SetDisplayMode(DisplayMode mode) { mode_ = mode; }
    void SetLowerCase(bool lowerCase) { lowerCase_ = lowerCase; }

    int32_t Press(size_t position);
    int32_t Correction();
    void Clear();
    // Seals a preset text character by character (up to the maximum) and shows it.
    void Preset(std::u16string_view text);
    size_t Count() const { return store_.Count(); }

    // The typed characters, for OK processing only; the caller wipes `value` (WipeString).
    bool ReadTypedValue(Text& value) const;

    const EntryStore& StoreForTesting() const { return store_; }

private:
    // Opens the first `count` characters, optionally appends one, and shows the result.
    void ShowText(size_t count, char16_t appended);

    const DialogKey& key_;
    const KeypadOrder& order_;
    DisplaySink display_;
    EntryStore store_;
    size_t maximum_ = 16;
    DisplayMode mode_ = DisplayMode::kClear;
    bool lowerCase_ = false;
    int32_t displayOffset_ = 0;
};

// The character classes of typed text: '1' digits (failure -1), '2' digits and ASCII letters
// (-2), '3' those and the e-mail punctuation (-3). The low 8 bits of each character count.
int32_t CheckCharClass(size_t count, std::u16string_view text, char16_t charClass);

} // namespace velkor
