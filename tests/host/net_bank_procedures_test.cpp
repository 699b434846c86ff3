#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "common/status_codes.h"
#include "control/file_transfer_limits.h"
#include "control/net_bank_function_type.h"
#include "control/velkor_ctrl.h"
#include "demo_keys.h"
#include "host/transferred_file.h"

// TransferNet and FileTransfer on the control, with a Ui that answers as a customer would.
namespace velkor {
namespace {

class CannedUi : public Ui {
public:
    void ShowMessage(std::u16string_view text, std::u16string_view) override
    {
        messages.emplace_back(text);
    }
    void SetWaitCursor() override { }
    void SetArrowCursor() override { }

    int RunNetSelection(NetSelectionRequest& request) override
    {
        static const char* const kNames[] = { "TransDeal", "TransCom", "TransOth" };
        ran.push_back(kNames[static_cast<int>(request.dialog)]);
        request.result = plain;
        request.encipheredResult = enciphered;
        return answer;
    }
    int RunTransferAccount(TransferAccountRequest& request) override
    {
        ran.push_back(
            request.dialog == TransferAccountDialog::NetBank ? "CTransSetNet" : "CTransSet");
        request.firstResult = u"first";
        request.encipheredFirstResult = u"F1";
        request.secondResult = plain;
        request.encipheredSecondResult = enciphered;
        return answer;
    }
    std::optional<std::u16string> ChooseFileToOpen() override { return file; }

    int answer = 1;
    Text plain = u"0||004||1234567890||";
    Text enciphered = u"0123456789ABCDEF";
    std::optional<Text> file;
    std::vector<std::string> ran;
    std::vector<Text> messages;
};

TEST(TransferNet, TheFunctionTypeChoosesTheDialog)
{
    const std::pair<const char16_t*, int32_t> types[] = {
        { u"<FunType>1</FunType>", 1 },
        { u"<fUNtYPE> \t1 \r\n</FuNTyPe>", 1 },
        { u"<FunType>+1</FunType>", 1 },
        { u"<FunType> -2</FunType>", -2 },
        { u"<FunType>12</FunType>", 0 },
        { u"<FunType>9999999999</FunType>", 0 },
        { u"<FunType>-9999999999</FunType>", -2147483647 - 1 },
        { u"<FunType>x</FunType>", 0 },
        { u"<FunType>2abc</FunType>", 2 },
        { u"<FunType><FunType>1</FunType>", 0 },
        { u"<FunType>1", -1 },
        { u"</FunType><FunType>2", -1 },
        { u"<Caption>x</Caption>", -1 },
    };
    for (const auto& [document, expected] : types) {
        EXPECT_EQ(ReadFunctionType(document), expected) << TextToUtf8(document);
    }
    // Only 127 characters of the text count.
    EXPECT_EQ(ReadFunctionType(u"<FunType>" + Text(126, u' ') + u"25</FunType>"), 2);

    CannedUi ui;
    CVelkorCtrl control(ui);
    for (const char16_t* document : { u"<FUNTYPE> 1 </funtype>", u"<FunType>12</FunType>",
             u"<FunType>5</FunType>", u"<Caption>c</Caption>", u"<FunType>2</FunType>" }) {
        EXPECT_EQ(control.TransferNet(u"H", u"K", Text(document)), 0);
    }
    EXPECT_EQ(ui.ran,
        (std::vector<std::string> {
            "TransCom", "TransDeal", "CTransSetNet", "CTransSetNet", "TransOth" }));
}

TEST(TransferNet, StoresTheImportAccountOnlyWhenTheDialogGaveItEnciphered)
{
    CannedUi ui;
    CVelkorCtrl control(ui);
    ASSERT_EQ(control.TransferNet(u"H", u"K", Text(u"<FunType>0</FunType>")), 0);
    EXPECT_EQ(control.GetClearImportAccount(), u"0||004||1234567890||");
    EXPECT_EQ(control.GetEncImportAccount(), u"0123456789ABCDEF");

    // The transfer-account dialog's second result is the import account.
    ui.plain = u"004||1234567890||0||";
    ASSERT_EQ(control.TransferNet(u"H", u"K", std::nullopt), 0);
    EXPECT_EQ(control.GetClearImportAccount(), u"004||1234567890||0||");

    // Cancelled, timed out, or OK without the enciphered result: both members empty.
    const auto common
        = [&] { return control.TransferNet(u"H", u"K", Text(u"<FunType>1</FunType>")); };
    ui.answer = 2;
    EXPECT_EQ(common(), status::kNetDialogNotCompleted);
    EXPECT_EQ(control.GetClearImportAccount(), u"");
    EXPECT_EQ(control.GetEncImportAccount(), u"");
    ui.answer = 1;
    ui.enciphered.clear();
    EXPECT_EQ(common(), status::kNetDialogNotCompleted);
    EXPECT_EQ(control.GetClearImportAccount(), u"");
    // A page that has gone gets no dialog result.
    ui.enciphered = u"AB";
    control.MarkPageLeft();
    EXPECT_EQ(common(), status::kNetDialogNotCompleted);
}

class FileTransfer : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (testing::DemoHostKeys() == nullptr) {
            GTEST_SKIP() << "the selected key set carries no host private key";
        }
        SecureBytes key(16);
        ASSERT_TRUE(CDataProcess::RandomBytes(key.data(), key.size(), RandomParity::Odd));
        issued = testing::IssueKey(std::move(key));
        directory = std::filesystem::temp_directory_path()
            / ("velkor_file_transfer_" + std::to_string(::getpid()));
        std::filesystem::create_directories(directory);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::string Write(const std::string& name, const std::string& contents)
    {
        const auto path = directory / name;
        std::ofstream(path, std::ios::binary) << contents;
        return path.string();
    }
    // Chooses `path` and transfers it.
    int32_t Transfer(const std::string& path)
    {
        ui.file = Utf8ToText(path);
        return control.FileTransfer(issued.hash, issued.encrypted);
    }
    std::string Contents()
    {
        SecureBytes plain;
        const Text data = control.GetRespData();
        EXPECT_TRUE(host::DecipherTransferredFile(
            issued.key, std::string(data.begin(), data.end()), plain));
        return std::string(plain.begin(), plain.end());
    }

    testing::IssuedKey issued;
    std::filesystem::path directory;
    CannedUi ui;
    CVelkorCtrl control { ui };
};

TEST_F(FileTransfer, EnciphersTheContentsAndThePath)
{
    const std::string path = Write("二十位元組.bin", "0123456789abcdefghij");
    EXPECT_STATUS_AND_WIPED(Transfer(path), 0);
    EXPECT_EQ(control.GetRespLength(), 20);
    EXPECT_EQ(control.GetRespData().size(), 32u);
    EXPECT_EQ(Contents(), "0123456789abcdefghij");
    EXPECT_EQ(control.GetClearFileName(), Utf8ToText(path));
    Text name;
    const Text encName = control.GetEncFileName();
    ASSERT_TRUE(host::DecipherTransferredFileName(
        issued.key, std::string(encName.begin(), encName.end()), name));
    EXPECT_EQ(name, Utf8ToText(path));
    EXPECT_TRUE(ui.messages.empty());

    // Larger than one read: the pieces join into one text.
    std::string large(200'003, '\0');
    for (size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<char>(i * 7919 >> 3);
    }
    EXPECT_STATUS_AND_WIPED(Transfer(Write("large", large)), 0);
    EXPECT_EQ(control.GetRespLength(), 200'003);
    EXPECT_EQ(Contents(), large);
}

TEST_F(FileTransfer, FilesWithoutContentsKeepTheDataButGetTheirNames)
{
    ASSERT_EQ(Transfer(Write("first", "kept")), 0);
    const Text kept = control.GetRespData();

    struct Case {
        std::string path;
        std::u16string message; // empty: none
    };
    ASSERT_EQ(::mkfifo((directory / "fifo").c_str(), 0600), 0);
    std::vector<Case> cases {
        { Write("empty", ""), u"" },
        { (directory / "missing").string(), u"" },
        { directory.string(), u"檔案" + Utf8ToText(directory.string()) + u" 無法開啟" },
        { (directory / "fifo").string(),
            u"檔案" + Utf8ToText((directory / "fifo").string()) + u" 無法開啟" },
        { "/dev/zero", u"檔案/dev/zero 無法開啟" },
    };
    // A NUL inside the path would open another file.
    const std::string withNul = (directory / "first").string() + std::string("\0b", 2);
    cases.push_back({ withNul, u"檔案" + Utf8ToText(withNul) + u" 無法開啟" });
    {
        const auto over = directory / "over";
        std::ofstream(over).close();
        std::filesystem::resize_file(over, kFileTransferMaxBytes + 1);
        cases.push_back(
            { over.string(), u"檔案" + Utf8ToText(over.string()) + u" 超過 32MB 上限, 無法傳送" });
    }
    // A file whose system-reported size is more than it can give (sysfs reports a page).
    struct stat sys { };
    if (::stat("/sys/devices/system/cpu/online", &sys) == 0 && sys.st_size == 4096) {
        cases.push_back(
            { "/sys/devices/system/cpu/online", u"檔案/sys/devices/system/cpu/online 無法讀取" });
    }
    for (const Case& c : cases) {
        ui.messages.clear();
        EXPECT_STATUS_AND_WIPED(Transfer(c.path), 0);
        EXPECT_EQ(control.GetRespLength(), 0) << c.path;
        EXPECT_EQ(control.GetRespData(), kept) << c.path;
        EXPECT_EQ(control.GetClearFileName(), Utf8ToText(c.path));
        EXPECT_FALSE(control.GetEncFileName().empty()) << c.path;
        EXPECT_EQ(
            ui.messages, c.message.empty() ? std::vector<Text> {} : std::vector<Text> { c.message })
            << c.path;
    }
}

TEST_F(FileTransfer, CancelAndWrongKeysLeaveNothingStale)
{
    ASSERT_EQ(Transfer(Write("first", "data")), 0);
    const Text data = control.GetRespData();
    ui.file.reset();
    EXPECT_EQ(control.FileTransfer(issued.hash, issued.encrypted), -1);
    EXPECT_EQ(control.GetRespLength(), 0);
    EXPECT_EQ(control.GetRespData(), data);

    // With a key the control cannot open, the contents are not taken and the earlier file's
    // enciphered name does not stay next to this file's path.
    ui.file = Utf8ToText(Write("second", "other data"));
    Text wrongHash = issued.hash;
    wrongHash[0] = wrongHash[0] == u'0' ? u'1' : u'0';
    EXPECT_STATUS_AND_WIPED(control.FileTransfer(wrongHash, issued.encrypted), 0);
    EXPECT_EQ(control.GetRespLength(), 0);
    EXPECT_EQ(control.GetRespData(), data);
    EXPECT_EQ(control.GetClearFileName(), *ui.file);
    EXPECT_EQ(control.GetEncFileName(), u"");
    EXPECT_EQ(control.FileTransfer(std::nullopt, issued.encrypted), 0);
    EXPECT_EQ(control.GetEncFileName(), u"");
}

TEST_F(FileTransfer, EncipherFormsAgree)
{
    const SessionEngine engine;
    const uint8_t bytes[13] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0xFF };
    Text hex, base64, raw;
    ASSERT_EQ(engine.FileEncipher(issued.hash, issued.encrypted, 13, bytes, hex, 1), 0);
    ASSERT_EQ(engine.FileEncipher(issued.hash, issued.encrypted, 13, bytes, base64, 2), 0);
    ASSERT_EQ(engine.FileEncipher(issued.hash, issued.encrypted, 13, bytes, raw, 7), 0);
    ASSERT_EQ(raw.size(), 16u);
    const SecureBytes decoded = CDataProcess::Base64Decode(base64);
    EXPECT_EQ(CDataProcess::HexText(decoded), hex);
    EXPECT_EQ(raw, BytesAsText(decoded.data(), decoded.size()));
    EXPECT_EQ(engine.FileEncipher(issued.hash, issued.encrypted, 13, nullptr, raw, 2), 0x2003);
    EXPECT_EQ(raw.size(), 16u);
}

} // namespace
} // namespace velkor
