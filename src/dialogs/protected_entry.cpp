#include "dialogs/protected_entry.h"

#include <algorithm>
#include <string_view>

namespace velkor {

namespace {

constexpr size_t kScratchSlack = 128; // the text lies at a random offset below this

uint32_t RandomBelow(uint32_t range)
{
    return CDataProcess::RandomNumber() % range;
}

bool FillRandom(uint8_t* bytes, size_t count)
{
    uint8_t draw[16];
    for (size_t at = 0; at < count; at += sizeof draw) {
        if (!CDataProcess::RandomBytes(draw, sizeof draw, RandomParity::AsDrawn)) {
            Wipe(draw, sizeof draw);
            return false;
        }
        std::copy_n(draw, std::min(sizeof draw, count - at), bytes + at);
    }
    Wipe(draw, sizeof draw);
    return true;
}

// One byte of a fresh 8-byte draw; false when the draw fails.
bool DrawByte(const KeypadDraw& draw, size_t which, uint8_t& value)
{
    std::array<uint8_t, 8> bytes {};
    const bool drawn = draw && draw(bytes);
    value = bytes[which];
    Wipe(bytes.data(), bytes.size());
    return drawn;
}

// Draws candidates for position `at` of `plain` until one is not held by positions `first` to
// `at` - 1. Each candidate is byte 3 of a draw, reduced by `make`. False when a draw fails or
// every one of kDrawsPerPosition candidates was taken: a generator stuck on one value must not
// hang the dialog's thread.
template <typename MakeCandidate>
bool DrawFreePosition(std::array<uint8_t, 40>& plain, size_t first, size_t at,
    const KeypadDraw& draw, MakeCandidate make)
{
    const auto begin = plain.begin() + static_cast<std::ptrdiff_t>(first);
    const auto end = plain.begin() + static_cast<std::ptrdiff_t>(at);
    for (size_t attempt = 0; attempt < KeypadOrder::kDrawsPerPosition; ++attempt) {
        uint8_t byte = 0;
        if (!DrawByte(draw, 3, byte)) {
            return false;
        }
        const uint8_t candidate = make(byte);
        if (std::find(begin, end, candidate) == end) {
            plain[at] = candidate;
            return true;
        }
    }
    return false;
}

} // namespace

bool SystemKeypadDraw(std::span<uint8_t, 8> draw)
{
    return CDataProcess::RandomBytes(draw.data(), draw.size(), RandomParity::AsDrawn);
}

bool DialogKey::Make()
{
    index_ = static_cast<int32_t>(RandomBelow(CDataProcess::kEntryKeyIndexCount));
    offset_ = static_cast<int32_t>(RandomBelow(CDataProcess::kKeyOffsetCount));
    made_ = CDataProcess::MakeDialogKey(offset_, index_, wrapped_);
    return made_;
}

bool DialogKey::Seal(size_t count, const uint8_t* input, uint8_t* output) const
{
    return made_
        && CDataProcess::SealWithDialogKey(count, input, output, wrapped_, offset_, index_);
}

bool DialogKey::Open(size_t count, const uint8_t* input, uint8_t* output) const
{
    return made_
        && CDataProcess::OpenWithDialogKey(count, input, output, wrapped_, offset_, index_);
}

bool KeypadOrder::Build(KeypadKind kind, bool random, const DialogKey& key, const KeypadDraw& draw)
{
    const size_t positions = kind == KeypadKind::kAlphanumeric ? kAllPositions : kDigitPositions;
    positions_ = 0;
    Wipe(sealed_.data(), sealed_.size());
    std::array<uint8_t, 40> plain {};
    bool built = true;
    if (!random) {
        for (size_t i = 0; i < kDigitPositions; ++i) {
            plain[i] = static_cast<uint8_t>((i + 1) % 10);
        }
        for (size_t i = kDigitPositions; i < positions; ++i) {
            plain[i] = static_cast<uint8_t>('A' + (i - kDigitPositions));
        }
    } else {
        const auto digit = [](uint8_t byte) { return static_cast<uint8_t>(byte % 10); };
        const auto letter = [](uint8_t byte) { return static_cast<uint8_t>('A' + byte % 26); };
        uint8_t first = 0;
        built = DrawByte(draw, 4, first);
        plain[0] = digit(first);
        for (size_t i = 1; built && i < kDigitPositions; ++i) {
            built = DrawFreePosition(plain, 0, i, draw, digit);
        }
        for (size_t i = kDigitPositions; built && i < positions; ++i) {
            built = DrawFreePosition(plain, kDigitPositions, i, draw, letter);
        }
    }
    const size_t sealedSize = positions == kAllPositions ? 40 : 16;
    built = built && key.Seal(sealedSize, plain.data(), sealed_.data());
    Wipe(plain.data(), plain.size());
    if (built) {
        positions_ = positions;
    } else {
        Wipe(sealed_.data(), sealed_.size());
    }
    return built;
}

char16_t KeypadOrder::CharacterAt(size_t position, bool lowerCase, const DialogKey& key) const
{
    if (position >= positions_) {
        return 0;
    }
    std::array<uint8_t, 40> plain {};
    char16_t character = 0;
    if (key.Open(SealedSize(), sealed_.data(), plain.data())) {
        const uint8_t value = plain[position];
        if (position < kDigitPositions) {
            character = static_cast<char16_t>(u'0' + value);
        } else {
            character = static_cast<char16_t>(lowerCase ? value + 32 : value);
        }
    }
    Wipe(plain.data(), plain.size());
    return character;
}

void EntryStore::Clear()
{
    FillRandom(cells_.data(), cells_.size());
    count_ = 0;
}

bool EntryStore::Append(char16_t character, const DialogKey& key)
{
    if (count_ >= kCells) {
        return false;
    }
    uint8_t* cell = cells_.data() + count_ * kCellBytes;
    uint8_t block[8] = {};
    const uint8_t position = static_cast<uint8_t>(RandomBelow(8));
    block[position] = static_cast<uint8_t>(character & 0xFF);
    const bool sealed = key.Seal(sizeof block, block, cell + 2);
    Wipe(block, sizeof block);
    if (!sealed) {
        return false;
    }
    cell[0] = position;
    ++count_;
    return true;
}

void EntryStore::RemoveLast()
{
    if (count_ > 0) {
        --count_;
    }
}

bool EntryStore::OpenInto(size_t count, const DialogKey& key, uint8_t* bytes) const
{
    uint8_t block[8] {};
    bool opened = count <= count_;
    for (size_t i = 0; opened && i < count; ++i) {
        const uint8_t* cell = cells_.data() + i * kCellBytes;
        opened = key.Open(sizeof block, cell + 2, block);
        bytes[i] = block[cell[0] & 0x07];
    }
    Wipe(block, sizeof block);
    return opened;
}

ProtectedEntry::ProtectedEntry(const DialogKey& key, const KeypadOrder& order, DisplaySink display)
    : key_(key)
    , order_(order)
    , display_(std::move(display))
    , displayOffset_(static_cast<int32_t>(RandomBelow(CDataProcess::kKeyOffsetCount)))
{
}

int32_t ProtectedEntry::Press(size_t position)
{
    if (store_.Count() >= maximum_ || store_.Count() >= EntryStore::kCells) {
        return kRefused;
    }
    const char16_t character = order_.CharacterAt(position, lowerCase_, key_);
    if (character == 0) {
        return kRefused;
    }
    ShowText(store_.Count(), character);
    if (!store_.Append(character, key_)) {
        ShowText(store_.Count(), 0); // the character was not kept: show only what is
        return kRefused;
    }
    return kAccepted;
}

int32_t ProtectedEntry::Correction()
{
    if (store_.Count() == 0) {
        return kRefused;
    }
    ShowText(store_.Count() - 1, 0);
    store_.RemoveLast();
    return kAccepted;
}

void ProtectedEntry::Clear()
{
    store_.Clear();
    if (display_) {
        display_({ Text(), static_cast<int32_t>(mode_), true });
    }
}

void ProtectedEntry::Preset(std::u16string_view text)
{
    Clear();
    for (const char16_t c : text.substr(0, std::min(maximum_, EntryStore::kCells))) {
        store_.Append(c, key_);
    }
    ShowText(store_.Count(), 0);
}

void ProtectedEntry::ShowText(size_t count, char16_t appended)
{
    if (!display_) {
        return;
    }
    const size_t length = count + (appended != 0 ? 1 : 0);
    if (mode_ == DisplayMode::kMasked) {
        static constexpr std::u16string_view kStars = u"***************************";
        display_({ Text(kStars.substr(0, std::min(length, kStars.size()))), 3 });
        return;
    }
    // The plain text, as UTF-16LE, at a random place in a noise-free scratch area.
    SecureBytes opened(EntryStore::kCells);
    SecureBytes scratch(kScratchSlack + 2 * (EntryStore::kCells + 1));
    const size_t offset = 2 * RandomBelow(kScratchSlack / 2);
    store_.OpenInto(count, key_, opened.data());
    for (size_t i = 0; i < count; ++i) {
        scratch[offset + 2 * i] = opened[i];
    }
    if (appended != 0) {
        scratch[offset + 2 * count] = static_cast<uint8_t>(appended & 0xFF);
    }
    DisplayUpdate update;
    update.mode = static_cast<int32_t>(mode_);
    if (length > 0) {
        CDataProcess::ProtectForDisplay(
            static_cast<int32_t>(2 * length), scratch.data() + offset, displayOffset_, update.text);
    }
    display_(update);
}

bool ProtectedEntry::ReadTypedValue(Text& value) const
{
    SecureBytes opened(EntryStore::kCells);
    const size_t count = store_.Count();
    WipeString(value);
    value.reserve(EntryStore::kCells);
    if (!store_.OpenInto(count, key_, opened.data())) {
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        value.push_back(opened[i]);
    }
    return true;
}

int32_t CheckCharClass(size_t count, std::u16string_view text, char16_t charClass)
{
    static constexpr std::u16string_view kEmailPunctuation = u"!#%&*+-/=?^_{}|~<>:,.@()";
    const auto digit = [](uint8_t c) { return c >= '0' && c <= '9'; };
    const auto letter = [](uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    count = std::min(count, text.size());
    for (size_t i = 0; i < count; ++i) {
        const uint8_t c = static_cast<uint8_t>(text[i] & 0xFF);
        switch (charClass) {
        case u'1':
            if (!digit(c)) {
                return -1;
            }
            break;
        case u'2':
            if (!digit(c) && !letter(c)) {
                return -2;
            }
            break;
        case u'3':
            if (!digit(c) && !letter(c) && kEmailPunctuation.find(c) == std::u16string_view::npos) {
                return -3;
            }
            break;
        default:
            return 0;
        }
    }
    return 0;
}

} // namespace velkor
