#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "crypto/data_process.h"
#include "dialogs/common_account_form.h"
#include "dialogs/common_account_geometry.h"
#include "dialogs/virtual_dialog_timers.h"
#include "list_cipher_fixture.h"
#include "recording_message_sink.h"

// The common-account entry forms' decisions on a virtual clock, with a real session key.
namespace velkor {
namespace {

using namespace common_account;

TEST(CommonAccountList, CountsEmptyItemsAndSelectsOnlyAnExistingEntry)
{
    CommonAccountRow row;
    LoadCommonAccountList(u"甲銀行%%004;;;;乙銀行%%0127", 1, row);
    EXPECT_EQ(row.itemCount, 3);
    ASSERT_EQ(row.entries.size(), 2u);
    EXPECT_EQ(row.entries[1], u"乙銀行");
    EXPECT_EQ(row.selected, 1);
    // Entry 1 is item 2: item 1 is the empty one, so nothing matches.
    EXPECT_FALSE(CommonAccountItem(u"甲銀行%%004;;;;乙銀行%%0127", 1));
    EXPECT_EQ(CommonAccountItem(u"甲銀行%%004;;;;乙銀行%%0127", 2)->code, u"012");
    EXPECT_EQ(CommonAccountItem(u"a%%b%%123", 0)->display, u"a%%b");
    EXPECT_EQ(CommonAccountItem(u"NoCode;;", 0)->code, u"");

    LoadCommonAccountList(u"A%%1;;B%%2;;", 2, row);
    EXPECT_EQ(row.selected, -1);
    LoadCommonAccountList(Text(100, u'x') + u"%%001", 0, row);
    EXPECT_EQ(row.entries[0].size(), 80u);
}

// Whether this process's writable memory holds the `count` characters at `typed` as ASCII or as
// UTF-16LE. `typed` and the search's buffers lie in `mapping`, a private mapping left out of the
// search (the kernel may list it merged with a neighbour, which is searched), so the search leaves
// no copy of what it looks for.
bool MemoryHoldsTyped(const char* typed, size_t count, char* mapping, size_t mappingSize)
{
    char* const ascii = mapping + 4096;
    char* const wide = ascii + 64;
    char* const buffer = wide + 128;
    const size_t chunk = mappingSize - static_cast<size_t>(buffer - mapping);
    std::memcpy(ascii, typed, count);
    for (size_t i = 0; i < count; ++i) {
        wide[2 * i] = typed[i];
        wide[2 * i + 1] = 0;
    }
    const uint64_t ownStart = reinterpret_cast<uint64_t>(mapping);
    const uint64_t ownEnd = ownStart + mappingSize;
    const int mem = open("/proc/self/mem", O_RDONLY);
    bool found = false;
    const auto search = [&](uint64_t start, uint64_t end) {
        for (uint64_t at = start; at < end && !found; at += chunk - 2 * count) {
            const ssize_t got
                = pread(mem, buffer, std::min<uint64_t>(chunk, end - at), static_cast<off_t>(at));
            if (got <= 0) {
                return;
            }
            const auto in = [&](const char* needle, size_t length) {
                return memmem(buffer, static_cast<size_t>(got), needle, length) != nullptr;
            };
            found = in(ascii, count) || in(wide, 2 * count);
        }
    };
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (mem >= 0 && !found && std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string range, perms;
        fields >> range >> perms;
        const uint64_t start = std::stoull(range.substr(0, range.find('-')), nullptr, 16);
        const uint64_t end = std::stoull(range.substr(range.find('-') + 1), nullptr, 16);
        if (perms.substr(0, 2) != "rw" || end - start > (64u << 20)) {
            continue;
        }
        if (start < ownEnd && ownStart < end) {
            search(start, ownStart > start ? ownStart : start);
            search(ownEnd < end ? ownEnd : end, end);
        } else {
            search(start, end);
        }
    }
    if (mem >= 0) {
        close(mem);
    }
    Wipe(ascii, mappingSize - 4096);
    return found;
}

class CommonAccountFormTest : public ::testing::Test {
protected:
    // Starts a form on `rows` (the AtmNode elements) with the fixture's session key.
    CommonAccountForm& Open(const Text& rows,
        CommonAccountFormKind kind = CommonAccountFormKind::WebAtm,
        const Text& top = u"<Title>加入常用</Title>")
    {
        document_ = top + rows;
        request_.form = kind;
        request_.document = document_;
        request_.keys = { cipher_.KeyHash(), cipher_.EncryptedKey() };
        request_.verifyPin = [this](const SecureBytes& pin) {
            verifiedPin_.assign(pin.data(), pin.data() + pin.size());
            return cardStatus_;
        };
        form_ = std::make_unique<CommonAccountForm>(
            request_, timers_, messages_, [this] { return clipboard_; });
        timers_.SetHandler([this](int id) { form_->Tick(id); });
        started_ = form_->Start();
        return *form_;
    }
    void Type(const Text& text)
    {
        for (const char16_t c : text) {
            const int key = form_->KeyShowing(c);
            ASSERT_GE(key, 0) << static_cast<int>(c);
            form_->PressKey(key);
        }
    }
    // Types on the ordinary keyboard into the current row's edit, through the filter.
    void Keys(const Text& text)
    {
        for (const char16_t c : text) {
            Text edit = form_->EditText(static_cast<size_t>(form_->CurrentRow()));
            if (form_->FilterKey(KeyInput::Character(c), edit, edit.size())) {
                continue;
            }
            if (c == kCharBackspace) {
                edit.pop_back();
            } else {
                edit.push_back(c);
            }
            form_->SetEditText(form_->CurrentRow(), edit);
        }
    }

    static constexpr const char16_t* kBank
        = u"<AtmNode Name=\"銀行\" Type=\"0\">甲銀行%%004;;乙銀行%%012;;</AtmNode>";

    testing::ListCipherFixture cipher_;
    testing::RecordingMessageSink messages_;
    VirtualDialogTimers timers_;
    CommonAccountRequest request_;
    Text document_;
    Text clipboard_;
    int32_t cardStatus_ = 0x9000;
    std::vector<uint8_t> verifiedPin_;
    std::unique_ptr<CommonAccountForm> form_;
    std::optional<int> started_;
};

TEST_F(CommonAccountFormTest, ReadsUpToTenRowsAndMendsTypes)
{
    Text rows;
    for (int i = 0; i < 12; ++i) {
        rows += u"<AtmNode Name=\"a%%b\" Type=\"9\"></AtmNode>";
    }
    auto& form = Open(rows);
    ASSERT_FALSE(started_);
    EXPECT_EQ(form.RowCount(), 10u);
    EXPECT_EQ(form.Row(0).type, u'0');
    EXPECT_EQ(form.Row(0).name, u"a\r\nb");
    EXPECT_EQ(form.Control(kHeading).text, u"加入常用");
}

TEST_F(CommonAccountFormTest, WebFormGoesOnAfterABadListAndTheNetBankFormStops)
{
    const Text rows = u"<AtmNode Type=\"0\" Ciph=\"1\">0123</AtmNode>"
                      u"<AtmNode Type=\"0\" Ciph=\"1\"></AtmNode>"
        + Text(kBank);
    auto& web = Open(rows);
    EXPECT_FALSE(started_);
    EXPECT_EQ(
        messages_.texts, (std::vector<Text> { u"獲取XML下拉選單資料失敗", u"無XML下拉選單資料" }));
    EXPECT_FALSE(web.Control(ComboId(0)).enabled);
    EXPECT_EQ(web.Control(ComboId(2)).text, u"甲銀行");

    Open(rows, CommonAccountFormKind::NetBank);
    EXPECT_EQ(started_, kCancelled);
    // Not hexadecimal: it never deciphers.
    Open(u"<AtmNode Type=\"0\" Ciph=\"1\">" + Text(32, u'Z') + u"</AtmNode>",
        CommonAccountFormKind::NetBank);
    EXPECT_EQ(started_, kCancelled);
}

TEST_F(CommonAccountFormTest, JoinsRowsIntoPlainAndProtectedOutputsAndTheConfirmation)
{
    auto& form = Open(Text(kBank)
        + u"<AtmNode Name=\"帳號\" Type=\"3\" KeyType=\"3\" min=\"3\" Default=\"16\"></AtmNode>"
          u"<AtmNode Name=\"暱稱\" Type=\"4\" KeyType=\"2\" Default=\"10\"></AtmNode>"
          u"<AtmNode Name=\"密碼\" Type=\"6\" KeyType=\"0\" min=\"4\" Default=\"12\"></AtmNode>");
    form.SelectEntry(0, 1);
    form.MouseReleased(common_account_geometry::kWebForm.Band(1).x + 1,
        common_account_geometry::kWebForm.Band(1).y + 1);
    ASSERT_EQ(form.CurrentRow(), 1);
    Type(u"0123456789012");
    form.FocusRow(2);
    Keys(u"房租");
    form.MouseReleased(40, common_account_geometry::kWebForm.Band(3).y + 2);
    Type(u"123");
    EXPECT_FALSE(form.OkEnabled());
    Type(u"4");
    EXPECT_TRUE(form.OkEnabled());
    form.Ok();
    EXPECT_EQ(form.Result(), kConfirmed);
    EXPECT_EQ(request_.plainOutput, u"012||0123456789012||房租||1234||");
    EXPECT_EQ(verifiedPin_, (std::vector<uint8_t> { '1', '2', '3', '4' }));
    EXPECT_EQ(cipher_.Plain(request_.protectedOutput), request_.plainOutput);
    EXPECT_EQ(request_.confirmationDocument,
        u"<MSG> <Tag1>加入常用</Tag1> <Tag2>※請核常用帳號資料，並依畫面指示進行操作。</Tag2> "
        u"<Tag3> </Tag3> <Tag4>銀行</Tag4> <Tag5>乙銀行</Tag5> <Tag6>帳號</Tag6> "
        u"<Tag7>0123456789012</Tag7> <Tag8>暱稱</Tag8> <Tag9>房租</Tag9> </MSG>");
}

TEST_F(CommonAccountFormTest, SecretRowsOfKeyCellTypesAndTheCardsVerdict)
{
    const Text rows = u"<AtmNode Type=\"7\" KeyType=\"7\" Default=\"8\"></AtmNode>"
                      u"<AtmNode Type=\"6\" KeyType=\"7\" Default=\"8\"></AtmNode>";
    auto& form = Open(rows, CommonAccountFormKind::NetBank);
    Type(u"ABC");
    form.MouseReleased(40, common_account_geometry::kNetForm.Band(1).y + 2);
    Type(u"12");
    form.Ok();
    EXPECT_EQ(request_.plainOutput, u"ABC;;");
    EXPECT_TRUE(verifiedPin_.empty()); // the net-bank form checks no PIN

    cardStatus_ = 0x6983;
    request_.plainOutput.clear();
    auto& web = Open(rows);
    Type(u"ABC");
    web.MouseReleased(40, common_account_geometry::kWebForm.Band(1).y + 2);
    Type(u"12");
    web.Ok();
    EXPECT_EQ(web.Result(), kPinRefused);
    EXPECT_TRUE(request_.plainOutput.empty());
    EXPECT_TRUE(request_.confirmationDocument.empty());
}

TEST_F(CommonAccountFormTest, EmptyKeypadRowKeepsTheFormOpenWithoutCountdown)
{
    auto& form = Open(u"<AtmNode Type=\"3\" KeyType=\"0\" Default=\"6\"></AtmNode>");
    form.Ok();
    EXPECT_EQ(messages_.texts.back(), u"請輸入第 1 項資料");
    EXPECT_FALSE(form.Result());
    EXPECT_FALSE(timers_.IsRunning(kCountdownTimerId));
    Type(u"1234567");
    EXPECT_EQ(form.DisplayCharacters(0), u"123456"); // the seventh press is ignored
}

TEST_F(CommonAccountFormTest, KeyFilterRefusesWhatTheRowCannotHold)
{
    auto& form = Open(u"<AtmNode Type=\"3\" KeyType=\"2\" Default=\"5\"></AtmNode>"
                      u"<AtmNode Type=\"4\" KeyType=\"2\" min=\"4\" Default=\"6\"></AtmNode>"
                      u"<AtmNode Type=\"4\" KeyType=\"2\" Default=\"0\"></AtmNode>");
    EXPECT_TRUE(form.FilterKey(KeyInput::KeyDown(kKeyEnter), u"", 0));
    Keys(u"1a2345678\b");
    EXPECT_EQ(form.EditText(0), u"1234");
    clipboard_ = u"12x";
    EXPECT_TRUE(form.FilterKey(KeyInput::KeyDown(kKeyV, true), u"", 0));
    EXPECT_EQ(messages_.texts.back(), u"必須為數字");
    clipboard_ = Text(300, u'1') + u"x"; // letters past the examined part too
    EXPECT_TRUE(form.FilterKey(KeyInput::KeyDown(kKeyV, true), u"", 0));

    form.FocusRow(1);
    EXPECT_FALSE(form.OkEnabled());
    Keys(u"a||;;b%");
    EXPECT_EQ(form.EditText(1), u"a|;b%");
    EXPECT_TRUE(form.OkEnabled()); // typing into the row lets it pass whatever its length
    clipboard_ = u"|x";
    EXPECT_TRUE(form.FilterKey(KeyInput::KeyDown(kKeyV, true), u"a|", 2));
    EXPECT_FALSE(form.FilterKey(KeyInput::KeyDown(kKeyV, true), u"a", 1));

    form.FocusRow(2);
    Keys(u"ab");
    EXPECT_EQ(form.EditText(2), u"");
}

TEST_F(CommonAccountFormTest, KeyboardSwitchClearsTheKeypadEntry)
{
    auto& form = Open(u"<AtmNode Type=\"6\" KeyType=\"7\" Default=\"9\"></AtmNode>"
                      u"<AtmNode Type=\"3\" KeyType=\"3\" Default=\"9\"></AtmNode>");
    Type(u"AB");
    form.FocusRow(1);
    Type(u"12");
    ASSERT_TRUE(form.Control(kGeneralKeyboard).visible);
    form.Click(kGeneralKeyboard);
    EXPECT_EQ(form.DisplayCharacters(1), u"");
    EXPECT_TRUE(form.Control(EditId(1)).visible);
    EXPECT_FALSE(form.Control(kFirstKey).visible);
    form.Click(kGraphicKeypad);
    EXPECT_TRUE(form.Control(kFirstKey).visible);
    EXPECT_FALSE(form.Control(EditId(1)).visible);
}

TEST_F(CommonAccountFormTest, PresetsStopAtTheFirstBadOneAndEncipheredPresetsOpen)
{
    Open(u"<AtmNode Type=\"3\" KeyType=\"2\">12ab</AtmNode>"
         u"<AtmNode Type=\"4\" KeyType=\"2\">ok</AtmNode>");
    EXPECT_EQ(messages_.texts.back(), u"第1項之預設值錯誤,忽略");
    EXPECT_EQ(form_->EditText(1), u"");

    auto& form = Open(u"<AtmNode Type=\"3\" KeyType=\"0\" Ciph=\"1\" Default=\"8\">"
        + cipher_.Encipher(u"12345") + u"</AtmNode>");
    EXPECT_EQ(form.DisplayCharacters(0), u"12345");

    Open(u"<AtmNode Type=\"7\" KeyType=\"7\" Default=\"8\">密碼</AtmNode>");
    EXPECT_EQ(messages_.texts.back(), u"第1項之預設值錯誤,忽略"); // one byte per cell
    EXPECT_EQ(form_->DisplayCharacters(0), u"");
}

TEST_F(CommonAccountFormTest, CountdownShowsTheLastMinuteAndCancels)
{
    auto& form = Open(Text(kBank));
    timers_.Advance(119'000);
    EXPECT_FALSE(form.Control(kCountdownLabel).visible);
    timers_.Advance(1'000);
    EXPECT_TRUE(form.Control(kCountdownLabel).visible);
    EXPECT_EQ(form.Control(kCountdownLabel).text, u" 60 秒後自動登出");
    timers_.Advance(60'000);
    EXPECT_EQ(form.Result(), kCancelled);
    EXPECT_EQ(messages_.texts.back(), u"交易時間逾時，請重新執行交易 !");
}

TEST_F(CommonAccountFormTest, FunctionTypeTwoTakesOnlySecretRows)
{
    auto& form = Open(u"<AtmNode Type=\"3\" KeyType=\"2\">123</AtmNode>"
                      u"<AtmNode Type=\"6\" KeyType=\"0\" Default=\"6\"></AtmNode>",
        CommonAccountFormKind::WebAtm, u"<FunType>2</FunType>");
    EXPECT_EQ(form.CurrentRow(), 1);
    EXPECT_TRUE(form.OkEnabled());
    EXPECT_EQ(form.Control(kHint).text, kHintKeypad);
    EXPECT_FALSE(form.Control(DisplayId(0)).enabled);
    form.MouseReleased(40, common_account_geometry::kWebForm.Band(0).y + 2);
    EXPECT_EQ(form.CurrentRow(), 1);
}

TEST_F(CommonAccountFormTest, MinimumLengthLooksAheadAtTheKeyBeingTyped)
{
    auto& form = Open(u"<AtmNode Type=\"3\" KeyType=\"5\" min=\"3\" Default=\"9\"></AtmNode>");
    ASSERT_TRUE(form.Control(EditId(0)).visible); // key type 5 starts on the keyboard
    Keys(u"12");
    EXPECT_FALSE(form.OkEnabled());
    Keys(u"3");
    EXPECT_TRUE(form.OkEnabled()); // checked before the third lands: passes from min - 1
    EXPECT_FALSE(form.FilterKey(KeyInput::KeyDown(kKeyDelete), u"123", 3));
    EXPECT_TRUE(form.OkEnabled()); // nothing follows the caret
    EXPECT_FALSE(form.FilterKey(KeyInput::KeyDown(kKeyDelete), u"123", 1));
    EXPECT_FALSE(form.OkEnabled());
    Keys(u"\b");
    EXPECT_FALSE(form.OkEnabled());
    EXPECT_EQ(form.EditText(0), u"12");
}

TEST_F(CommonAccountFormTest, EncipheredListIsReadAgainAtOkAndDocumentsMayBeMissing)
{
    auto& form = Open(u"<AtmNode Type=\"1\" Ciph=\"1\" Default=\"1\">"
        + cipher_.Encipher(u"甲銀行%%004;;乙銀行%%0123456") + u"</AtmNode>");
    EXPECT_EQ(form.Control(ComboId(0)).text, u"乙銀行");
    form.Ok();
    EXPECT_EQ(request_.plainOutput, u"012||");

    request_.document = {};
    CommonAccountForm missing(request_, timers_, messages_);
    EXPECT_EQ(missing.Start(), kCancelled);
    EXPECT_EQ(messages_.texts.back(), u"請確認正確XML資料");
    Open(Text(), CommonAccountFormKind::WebAtm, Text());
    EXPECT_EQ(started_, kCancelled);
}

TEST_F(CommonAccountFormTest, CancelWipesWhatWasTyped)
{
    auto& form = Open(u"<AtmNode Type=\"3\" KeyType=\"0\" Default=\"9\"></AtmNode>"
                      u"<AtmNode Type=\"4\" KeyType=\"2\" Default=\"9\">abc</AtmNode>");
    Type(u"4711");
    form.Click(kCancel);
    EXPECT_EQ(form.Result(), kCancelled);
    EXPECT_EQ(form.EditText(1), u"");
    EXPECT_EQ(form.Control(DisplayId(0)).text, u"");
    EXPECT_EQ(form.KeyShowing(u'4'), -1); // the keypad order is gone
    EXPECT_TRUE(form.PlainOutputForTesting().empty());
    EXPECT_TRUE(request_.plainOutput.empty());
}

// The page going away while OK shows a message: the form ends cancelled, with no outputs.
TEST_F(CommonAccountFormTest, CancelDuringAMessageAtOkWins)
{
    struct CancellingSink final : MessageSink {
        void ShowMessage(const Text&, const Text&) override
        {
            if (form != nullptr) {
                form->Cancel();
            }
        }
        CommonAccountForm* form = nullptr;
    } sink;
    request_.form = CommonAccountFormKind::WebAtm;
    const Text document
        = Text(kBank) + u"<AtmNode Type=\"3\" KeyType=\"0\" Default=\"4\"></AtmNode>";
    request_.document = document; // no session key: enciphering at OK fails with a message
    CommonAccountForm form(request_, timers_, sink);
    ASSERT_FALSE(form.Start());
    form.FocusRow(1);
    form.PressKey(form.KeyShowing(u'7'));
    sink.form = &form;
    form.Ok();
    EXPECT_EQ(form.Result(), kCancelled);
    EXPECT_TRUE(request_.plainOutput.empty());
}

TEST_F(CommonAccountFormTest, CancelAndTimeOutLeaveNoTypedCharacterInMemory)
{
    constexpr size_t kScratch = 1 << 20;
    constexpr size_t kDigits = 14;
    void* mapped
        = mmap(nullptr, kScratch, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    char* const scratch = static_cast<char*>(mapped);
    for (const bool timeOut : { false, true }) {
        for (size_t i = 0; i < kDigits; ++i) {
            scratch[i] = static_cast<char>('0' + CDataProcess::RandomNumber() % 10);
        }
        auto& form = Open(u"<AtmNode Type=\"3\" KeyType=\"0\" Default=\"20\"></AtmNode>");
        for (size_t i = 0; i < kDigits; ++i) {
            form.PressKey(form.KeyShowing(static_cast<char16_t>(scratch[i])));
        }
        if (timeOut) {
            timers_.Advance(180'000);
        } else {
            form.Cancel();
        }
        ASSERT_EQ(form.Result(), kCancelled);
        EXPECT_FALSE(MemoryHoldsTyped(scratch, kDigits, scratch, kScratch))
            << (timeOut ? "after the time-out" : "after Cancel");
        Wipe(scratch, kDigits);
    }
    munmap(mapped, kScratch);
}

} // namespace
} // namespace velkor
