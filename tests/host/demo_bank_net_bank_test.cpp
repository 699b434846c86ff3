#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include <nlohmann/json.hpp>
#include <unistd.h>

#include "control/net_bank_function_type.h"
#include "control/velkor_ctrl.h"
#include "crypto/key_store.h"
#include "demo_bank.h"
#include "demo_bank_session.h"
#include "demo_keys.h"
#include "demo_request.h"
#include "request_framing.h"
#include "support/transfer_dialogs_ui.h"

// The demo bank's net-bank endpoints with the real control's session cipher.
namespace velkor {
namespace {

using nlohmann::json;
using testing::T;

// The customer and the dialog: deciphers the lists as a dialog does and answers enciphered.
class CustomerUi : public Ui {
public:
    void ShowMessage(std::u16string_view, std::u16string_view) override { }
    void SetWaitCursor() override { }
    void SetArrowCursor() override { }

    int RunNetSelection(NetSelectionRequest& request) override
    {
        const size_t start = request.document.find(u'>', request.document.find(u"<AtmNode")) + 1;
        const std::u16string_view hex
            = request.document.substr(start, request.document.find(u"</AtmNode>") - start);
        const auto [hash, key] = request.keys;
        listText = testing::UnderSession(1, hash, key, hex);
        request.result = u"1||812||0000123456||王小華||";
        request.encipheredResult = testing::UnderSession(0, hash, key, request.result);
        if (listText.empty() || request.encipheredResult.empty()) {
            return 2;
        }
        return 1;
    }
    std::optional<std::u16string> ChooseFileToOpen() override { return file; }

    Text listText;
    std::optional<Text> file;
};

class DemoBankNetBank : public ::testing::Test {
protected:
    void SetUp() override
    {
        VELKOR_REQUIRE_HOST_KEYS();
        bank = std::make_unique<host::DemoBank>(
            *testing::DemoHostKeys(), host::CardKeyTable(), 8931);
        signedIn = testing::SignIn(*bank, control);
    }

    json Post(host::DemoBankReply (host::DemoBank::*endpoint)(std::string_view), const json& body,
        int expectedStatus = 200)
    {
        const host::DemoBankReply reply = (bank.get()->*endpoint)(body.dump());
        EXPECT_EQ(reply.httpStatus, expectedStatus) << reply.json;
        return json::parse(reply.json);
    }

    CustomerUi ui;
    CVelkorCtrl control { ui };
    std::unique_ptr<host::DemoBank> bank;
    testing::BankSession signedIn;
    const std::string& session = signedIn.id;
    const Text& key = signedIn.key;
    const Text& hash = signedIn.hash;
};

TEST_F(DemoBankNetBank, TheBankReadsTheAccountChosenFromItsEncipheredList)
{
    const json document = Post(&host::DemoBank::NetBankDialogDocument,
        { { "session", session }, { "dialog", "1" }, { "enciphered", "true" } });
    const Text commonInfo = Utf8ToText(document["document"].get<std::string>());
    EXPECT_EQ(ReadFunctionType(commonInfo), 1);

    ASSERT_EQ(control.TransferNet(hash, key, commonInfo), 0);
    EXPECT_NE(ui.listText.find(u"(媽媽)王美麗%%017||0009876543210||王美麗$$mom@example.com;;"),
        Text::npos);
    const json read = Post(&host::DemoBank::NetBankChosenAccount,
        { { "session", session }, { "dialog", "1" },
            { "encImportAccount", TextToUtf8(control.GetEncImportAccount()) } });
    EXPECT_EQ(read["read"], true);
    EXPECT_EQ(read["kind"], "1");
    EXPECT_EQ(read["bank"], "812");
    EXPECT_EQ(read["account"], "0000123456");
    EXPECT_EQ(read["fields"], json::array({ "王小華" }));

    // Another session's key, or none, reads nothing.
    Post(&host::DemoBank::NetBankDialogDocument,
        { { "session", std::string(32, '0') }, { "dialog", "1" }, { "enciphered", "true" } }, 404);
    Post(&host::DemoBank::NetBankDialogDocument,
        { { "session", session }, { "dialog", "3" }, { "enciphered", "true" } }, 400);
}

TEST_F(DemoBankNetBank, TheBankHashesTheDecipheredFileUnderItsName)
{
    const auto path = std::filesystem::temp_directory_path()
        / ("velkor_upload_" + std::to_string(::getpid()) + "_報表.csv");
    const std::string contents = "date,amount\n2026-12-06,2500\n";
    std::ofstream(path, std::ios::binary) << contents;
    ui.file = Utf8ToText(path.string());
    ASSERT_EQ(control.FileTransfer(hash, key), 0);
    std::filesystem::remove(path);

    const json upload
        = { { "session", session }, { "respLength", std::to_string(control.GetRespLength()) },
              { "respData", TextToUtf8(control.GetRespData()) },
              { "encFileName", TextToUtf8(control.GetEncFileName()) } };
    const json read = Post(&host::DemoBank::NetBankUploadedFile, upload);
    EXPECT_EQ(read["read"], true);
    EXPECT_EQ(read["path"], path.string());
    EXPECT_EQ(read["name"], path.filename().string());
    EXPECT_EQ(read["size"], contents.size());
    EXPECT_EQ(read["sha256"], "cde82bf3c75d266121cab4c92d4637c934ff60b174cf3097f47c9a51799a1914");

    // A response length that does not match the contents is not taken as the file.
    json altered = upload;
    altered["respLength"] = "5";
    EXPECT_EQ(Post(&host::DemoBank::NetBankUploadedFile, altered)["read"], false);
}

TEST(DemoBankUpload, OnlyTheUploadEndpointTakesLargeBodies)
{
    const size_t large = host::DemoBank::kMaxFileUploadBytes;
    const auto post = [](const std::string& target, size_t length) {
        return "POST " + target + " HTTP/1.1\r\nContent-Length: " + std::to_string(length)
            + "\r\n\r\n";
    };
    const std::string upload(host::DemoBank::kFileUploadPath);
    const auto framing = [&] {
        return std::make_unique<host::RequestFraming>(
            host::DemoRequest::kMaxBodyBytes, upload, large);
    };
    EXPECT_TRUE(framing()->Feed(post(upload, large)));
    EXPECT_FALSE(framing()->Feed(post("/api/tac/verify", host::DemoRequest::kMaxBodyBytes + 1)));
    EXPECT_FALSE(framing()->Feed(post(upload, large + 1)));
    EXPECT_FALSE(framing()->Feed(post(upload + "x", large)));

    // Connections that each start a large body and never finish it: only a few are let in at once,
    // and a finished or closed one makes room.
    const auto count = std::make_shared<int>(0);
    std::vector<std::unique_ptr<host::RequestFraming>> uploads;
    for (int i = 0; i <= host::RequestFraming::kMostLargeBodiesAtOnce; ++i) {
        uploads.push_back(framing());
        uploads.back()->ShareLargeBodyCount(count);
    }
    for (int i = 0; i < host::RequestFraming::kMostLargeBodiesAtOnce; ++i) {
        EXPECT_TRUE(uploads[i]->Feed(post(upload, large)));
    }
    host::RequestFraming& waiting = *uploads.back();
    EXPECT_FALSE(waiting.Feed(post(upload, large)));
    EXPECT_EQ(waiting.refusal(), "503 Service Unavailable");
    EXPECT_TRUE(uploads[0]->Feed(std::string(large, '{')));
    uploads[1].reset();
    EXPECT_EQ(*count, 0);
}

} // namespace
} // namespace velkor
