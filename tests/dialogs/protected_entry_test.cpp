#include "dialogs/protected_entry.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace velkor {
namespace {

std::u16string Characters(const KeypadOrder& order, const DialogKey& key)
{
    std::u16string shown;
    for (size_t i = 0; i < order.Positions(); ++i) {
        shown += order.CharacterAt(i, false, key);
    }
    return shown;
}

class ProtectedEntryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(key.Make());
        ASSERT_TRUE(order.Build(KeypadKind::kDigits, false, key));
    }

    DialogKey key;
    KeypadOrder order;
    std::vector<DisplayUpdate> shown;
    ProtectedEntry entry { key, order, [this](const DisplayUpdate& u) { shown.push_back(u); } };
};

TEST(KeypadOrder, FixedAndRandomOrdersArePermutations)
{
    DialogKey key;
    ASSERT_TRUE(key.Make());
    KeypadOrder fixed;
    ASSERT_TRUE(fixed.Build(KeypadKind::kDigits, false, key));
    EXPECT_EQ(Characters(fixed, key), u"1234567890");

    std::set<std::u16string> seen;
    for (int i = 0; i < 8; ++i) {
        KeypadOrder random;
        ASSERT_TRUE(random.Build(KeypadKind::kAlphanumeric, true, key));
        std::u16string all = Characters(random, key);
        ASSERT_EQ(all.size(), 36u);
        seen.insert(all);
        std::u16string digits = all.substr(0, 10);
        std::u16string letters = all.substr(10);
        std::sort(digits.begin(), digits.end());
        std::sort(letters.begin(), letters.end());
        EXPECT_EQ(digits, u"0123456789");
        EXPECT_EQ(letters, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    }
    EXPECT_GT(seen.size(), 1u); // every opening shuffles afresh
    EXPECT_EQ(fixed.CharacterAt(10, false, key), 0); // the digit keypad has no letters
}

// A generator that fails at once or part-way, or that repeats itself for ever, ends the build with
// no order instead of a zero-filled one or an endless loop.
TEST(KeypadOrder, GivesUpWhenItsDrawsFail)
{
    DialogKey key;
    ASSERT_TRUE(key.Make());
    const KeypadDraw failing = [](std::span<uint8_t, 8>) { return false; };
    size_t constantDraws = 0;
    const KeypadDraw constant = [&constantDraws](std::span<uint8_t, 8> draw) {
        ++constantDraws;
        std::fill(draw.begin(), draw.end(), uint8_t { 7 });
        return true;
    };
    uint8_t partWayDraws = 0;
    const KeypadDraw partWay = [&partWayDraws](std::span<uint8_t, 8> draw) {
        std::fill(draw.begin(), draw.end(), ++partWayDraws);
        return partWayDraws <= 3;
    };
    for (const KeypadDraw& source : { failing, constant, partWay }) {
        KeypadOrder failed;
        ASSERT_TRUE(failed.Build(KeypadKind::kDigits, false, key)); // a previous order is dropped
        EXPECT_FALSE(failed.Build(KeypadKind::kDigits, true, key, source));
        EXPECT_EQ(failed.Positions(), 0u);
        std::vector<DisplayUpdate> shown;
        ProtectedEntry entry(key, failed, [&shown](const DisplayUpdate& u) { shown.push_back(u); });
        EXPECT_EQ(entry.Press(0), ProtectedEntry::kRefused);
    }
    EXPECT_LE(constantDraws, 2 + KeypadOrder::kDrawsPerPosition);
}

TEST(KeypadOrder, SealedOrderOpensOnlyWithItsOwnDialogKey)
{
    DialogKey mine;
    DialogKey other;
    ASSERT_TRUE(mine.Make());
    ASSERT_TRUE(other.Make());
    KeypadOrder order;
    ASSERT_TRUE(order.Build(KeypadKind::kDigits, false, mine));
    EXPECT_NE(Characters(order, other), u"1234567890");
    // The sealed form does not carry the digits in the clear.
    const auto sealed = order.SealedForTesting();
    const uint8_t plain[] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 0 };
    EXPECT_EQ(std::search(sealed.begin(), sealed.end(), std::begin(plain), std::end(plain)),
        sealed.end());
}

TEST_F(ProtectedEntryTest, PressesFollowTheOrderAndStopAtTheMaximum)
{
    EXPECT_EQ(entry.Press(9), ProtectedEntry::kAccepted); // position 9 shows 0 in template order
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(entry.Press(static_cast<size_t>(i % 9)), ProtectedEntry::kAccepted);
    }
    EXPECT_EQ(entry.Press(0), ProtectedEntry::kRefused);
    EXPECT_EQ(entry.Count(), 16u);
    EXPECT_EQ(entry.Correction(), ProtectedEntry::kAccepted);
    EXPECT_EQ(entry.Press(4), ProtectedEntry::kAccepted);
    Text value;
    ASSERT_TRUE(entry.ReadTypedValue(value));
    EXPECT_EQ(value, u"0123456789123455");
    WipeString(value);

    entry.Clear();
    EXPECT_EQ(entry.Count(), 0u);
    EXPECT_EQ(entry.Correction(), ProtectedEntry::kRefused);
    EXPECT_TRUE(shown.back().text.empty());
}

TEST_F(ProtectedEntryTest, DisplayGetsProtectedTextOrAsterisks)
{
    entry.Press(0);
    entry.Press(1);
    Text plain;
    ASSERT_TRUE(CDataProcess::RevealForDisplay(shown.back().text, entry.DisplayOffset(), plain));
    EXPECT_EQ(plain, u"12");
    EXPECT_EQ(shown.back().text.find(u"12"), Text::npos);
    entry.Correction();
    ASSERT_TRUE(CDataProcess::RevealForDisplay(shown.back().text, entry.DisplayOffset(), plain));
    EXPECT_EQ(plain, u"1");

    entry.SetDisplayMode(DisplayMode::kMasked);
    entry.Press(2);
    EXPECT_EQ(shown.back().text, u"**");
    EXPECT_FALSE(shown.back().cleared);
    entry.Clear();
    EXPECT_TRUE(shown.back().cleared); // the display goes back to white
}

TEST_F(ProtectedEntryTest, StoreMemoryNeverHoldsTheTypedCharacters)
{
    entry.SetMaximumLength(48);
    for (int i = 0; i < 48; ++i) {
        entry.Press(4); // '5' every time: the worst case for patterns
    }
    const auto cells = entry.StoreForTesting().CellsForTesting();
    for (size_t i = 0; i < EntryStore::kCells; ++i) {
        const uint8_t* cell = cells.data() + i * EntryStore::kCellBytes;
        uint8_t plainBlock[8] = {};
        plainBlock[cell[0] & 7] = '5';
        EXPECT_FALSE(std::equal(cell + 2, cell + 10, plainBlock)) << "cell " << i;
    }
    // The whole entry object: no run of the typed text, as bytes or as UTF-16.
    const auto* raw = reinterpret_cast<const uint8_t*>(&entry);
    const std::vector<uint8_t> memory(raw, raw + sizeof entry);
    const std::vector<uint8_t> ascii(4, '5');
    const std::vector<uint8_t> wide { '5', 0, '5', 0, '5', 0 };
    EXPECT_EQ(std::search(memory.begin(), memory.end(), ascii.begin(), ascii.end()), memory.end());
    EXPECT_EQ(std::search(memory.begin(), memory.end(), wide.begin(), wide.end()), memory.end());
    // The same store opened under another dialog key gives something else.
    DialogKey other;
    ASSERT_TRUE(other.Make());
    uint8_t opened[48] = {};
    entry.StoreForTesting().OpenInto(48, other, opened);
    EXPECT_NE(std::count(std::begin(opened), std::end(opened), '5'), 48);
}

TEST_F(ProtectedEntryTest, PresetIsSealedAndCutToTheMaximum)
{
    entry.SetMaximumLength(4);
    entry.Preset(u"987654");
    EXPECT_EQ(entry.Count(), 4u);
    Text value;
    ASSERT_TRUE(entry.ReadTypedValue(value));
    EXPECT_EQ(value, u"9876");
    WipeString(value);
    entry.SetMaximumLength(0);
    entry.Clear();
    EXPECT_EQ(entry.Press(0), ProtectedEntry::kRefused);
}

TEST(CheckCharClass, ClassesAndTheirFailureCodes)
{
    EXPECT_EQ(CheckCharClass(3, u"123", u'1'), 0);
    EXPECT_EQ(CheckCharClass(3, u"12a", u'1'), -1);
    EXPECT_EQ(CheckCharClass(2, u"12a", u'1'), 0); // only the count is checked
    EXPECT_EQ(CheckCharClass(4, u"aZ09", u'2'), 0);
    EXPECT_EQ(CheckCharClass(2, u"a-", u'2'), -2);
    EXPECT_EQ(CheckCharClass(12, u"a.b@c-d{|}~(", u'3'), 0);
    EXPECT_EQ(CheckCharClass(3, u"a b", u'3'), -3);
    EXPECT_EQ(CheckCharClass(1, u"\u0131", u'1'), 0); // counted by its low 8 bits, 0x31
    EXPECT_EQ(CheckCharClass(10, u"1", u'1'), 0); // a count past the text stops at its end
}

} // namespace
} // namespace velkor
