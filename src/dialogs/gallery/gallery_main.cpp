// velkor-gallery <folder>: draws the keypads, the protected display in each mode, the shaded
// buttons of each kind in each state, the labels and buttons, and the frames of the card animation,
// one PNG file each, into <folder>.

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <cstdio>

#include "crypto/data_process.h"
#include "crypto/key_store.h"
#include "crypto/rsa_key.h"
#include "dialogs/common_account_dialog.h"
#include "dialogs/common_account_geometry.h"
#include "dialogs/consent_dialog.h"
#include "dialogs/keypad_panel.h"
#include "dialogs/protected_display_sink.h"
#include "dialogs/trans_com_dialog.h"
#include "dialogs/trans_deal_dialog.h"
#include "dialogs/trans_oth_dialog.h"
#include "dialogs/trans_set_dialog.h"
#include "dialogs/try_firm_dialog.h"
#include "resource_ids.h"
#include "widgets/button_ex.h"
#include "widgets/color_static.h"
#include "widgets/dialog_font_faces.h"
#include "widgets/picture_ex.h"
#include "widgets/secure_static.h"
#include "widgets/shade_button.h"

namespace velkor {
namespace {

class Gallery {
public:
    explicit Gallery(QString folder)
        : folder_(std::move(folder))
    {
    }

    bool Save(QWidget& widget, const QString& name)
    {
        widget.adjustSize();
        widget.show();
        QApplication::processEvents();
        const QString path = QDir(folder_).filePath(name + ".png");
        const bool saved = widget.grab().save(path);
        widget.hide();
        std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
        ok_ = ok_ && saved;
        return saved;
    }
    bool SaveImage(const QImage& image, const QString& name)
    {
        const QString path = QDir(folder_).filePath(name + ".png");
        const bool saved = image.save(path);
        std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
        ok_ = ok_ && saved;
        return saved;
    }
    bool Ok() const { return ok_; }

private:
    QString folder_;
    bool ok_ = true;
};

void Keypads(Gallery& gallery)
{
    DialogKey key;
    key.Make();
    struct Variant {
        KeypadKind kind;
        bool random;
        bool lowerCase;
        const char* name;
    };
    for (const Variant& v :
        { Variant { KeypadKind::kDigits, true, false, "keypad_digits_random" },
            Variant { KeypadKind::kDigits, false, false, "keypad_digits_fixed" },
            Variant { KeypadKind::kAlphanumeric, true, false, "keypad_alphanumeric_random" },
            Variant { KeypadKind::kAlphanumeric, true, true, "keypad_alphanumeric_lower_case" } }) {
        KeypadOrder order;
        order.Build(v.kind, v.random, key);
        QWidget window;
        window.setAutoFillBackground(true);
        auto* layout = new QVBoxLayout(&window);
        auto* display = new CSecureStatic(&window);
        display->setFixedSize(300, 24);
        display->SetBkColor(Qt::white);
        display->SetTextColor(QColor(96, 96, 96));
        auto* panel = new KeypadPanel(v.kind, &window);
        layout->addWidget(display);
        layout->addWidget(panel);
        ProtectedEntry entry(key, order, ShowOn(*display));
        display->SetProtection(entry.DisplayOffset(), 24);
        SilentMessageSink messages;
        panel->Prepare(key, order,
            v.kind == KeypadKind::kDigits ? KeypadLook::TransferDialogs()
                                          : KeypadLook::CommonAccountForm(),
            messages);
        panel->SetEntry(&entry);
        if (v.lowerCase) {
            panel->PressKey(panel->CaseIndex());
        }
        for (int k : { 0, 1, 2, 3 }) {
            panel->PressKey(k);
        }
        gallery.Save(window, v.name);
    }
}

void SecureDisplays(Gallery& gallery)
{
    const int32_t offset = 11;
    struct Sample {
        int32_t mode;
        Text text;
        bool protect;
    };
    const Sample samples[] = {
        { 0, u"0123456789012345", true },
        { 1, u"0123456789012345", true },
        { 2, u"0123456789", true },
        { 3, u"********", false },
        { 4, u"0123456789012345", true },
        { 5, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789ab", false },
        { 6, u"霖州銀行 轉入帳號", false },
        { 7, u"甲銀行 004-1234567", true },
    };
    for (const Sample& sample : samples) {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* display = new CSecureStatic(&window);
        display->setFixedSize(360, 32);
        display->SetBkColor(Qt::white);
        display->SetTextColor(QColor(96, 96, 96));
        display->SetFont(u"新細明體", 12);
        display->SetStyleBits(0x200);
        display->SetProtection(offset, 24);
        display->SetText(
            sample.protect ? CDataProcess::ProtectTextForDisplay(sample.text, offset) : sample.text,
            sample.mode);
        auto* caption = new CXColorStatic(&window);
        caption->setFixedSize(360, 18);
        caption->SetFont(u"Verdana", 9);
        caption->SetText(u"mode " + Utf8ToText(std::to_string(sample.mode)) + u": "
            + display->WindowText().substr(0, 40));
        layout->addWidget(display);
        layout->addWidget(caption);
        gallery.Save(window, QString("secure_display_mode%1").arg(sample.mode));
    }
}

void ShadedButtons(Gallery& gallery)
{
    for (int kind = 0; kind <= 8; ++kind) {
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        const char* states[] = { "normal", "hover", "pressed", "disabled", "default" };
        for (int state = 0; state < 5; ++state) {
            auto* button = new CxShadeButton(&window);
            button->setFixedSize(72, 40);
            button->SetFont(u"微軟正黑體", 18, 700);
            button->SetTextColor(QColor(96, 96, 96));
            button->SetShade(kind, 8, 20, 5, QColor(137, 219, 245), 20, 7, 3);
            button->SetCaption(state == 0 ? u"更正" : Utf8ToText(states[state]), false);
            layout->addWidget(button);
            if (state == 1) {
                QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
                QApplication::sendEvent(button, &enter);
            } else if (state == 2) {
                button->setDown(true);
            } else if (state == 3) {
                button->setEnabled(false);
            } else if (state == 4) {
                button->SetDefault(true);
            }
        }
        gallery.Save(window, QString("shaded_button_kind%1").arg(kind));
    }
}

void LabelsAndButtons(Gallery& gallery)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* heading = new CXColorStatic(&window, 0x201);
    heading->setFixedSize(320, 24);
    heading->SetFont(u"Verdana", 10);
    heading->SetBold(true);
    heading->SetBkColor(QColor(254, 242, 233));
    heading->SetTextColor(QColor(96, 96, 96));
    heading->SetText(u"新增常用帳號");
    auto* countdown = new CXColorStatic(&window, 0x202);
    countdown->setFixedSize(320, 22);
    countdown->SetFont(u"新細明體", 12);
    countdown->SetTextColor(QColor(255, 0, 0));
    countdown->SetText(u" 60 秒後自動登出");
    auto* row = new QHBoxLayout;
    auto* ok = new CButtonEx(u"確定", &window);
    ok->SetBkColor(QColor(254, 238, 226));
    auto* cancel = new CButtonEx(u"取消", &window);
    cancel->SetBkColor(QColor(254, 238, 226));
    auto* disabled = new CButtonEx(u"確定", &window);
    disabled->SetBkColor(QColor(0xFE, 0xEE, 0xE2));
    disabled->setEnabled(false);
    for (auto* button : { ok, cancel, disabled }) {
        button->setFixedSize(90, 26);
        row->addWidget(button);
    }
    layout->addWidget(heading);
    layout->addWidget(countdown);
    layout->addLayout(row);
    gallery.Save(window, "labels_and_buttons");
}

void AnimationFrames(Gallery& gallery)
{
    CPictureEx picture;
    if (!picture.LoadFromResource(kCardReinsertAnimation, "GIF")) {
        std::printf("FAILED the card animation does not load\n");
        gallery.SaveImage(QImage(), "animation_missing");
        return;
    }
    for (int i = 0; i < picture.FrameCount(); ++i) {
        gallery.SaveImage(
            picture.Frame(i).image, QString("animation_frame_%1").arg(i, 2, 10, QChar('0')));
    }
}

// A session key as the bank makes one, and a text enciphered under it as the page passes it.
struct GallerySessionKey {
    GallerySessionKey()
    {
        uint8_t key[16];
        CDataProcess::RandomBytes(key, sizeof key, RandomParity::Odd);
        std::vector<uint8_t> enciphered;
        ScopedEmbeddedKeys keys;
        RsaKey::FromPrivateDer(EmbeddedKeys::Contents(EmbeddedKeys::kControlPrivateKey))
            .PublicEncrypt(key, enciphered);
        hash = CDataProcess::HexText(*Sha1(key));
        Wipe(key, sizeof key);
        encipheredKey = CDataProcess::HexText(enciphered);
    }
    Text Encipher(std::u16string_view plain) const
    {
        ScopedEmbeddedKeys keys;
        int32_t length = static_cast<int32_t>(plain.size());
        Text cipher;
        CDataProcess::SessionCipher(
            0, CDataProcess::kInputUtf16Le, length, plain, hash, encipheredKey, cipher);
        const SecureBytes bytes = TextLow8(cipher);
        return CDataProcess::HexText(std::span<const uint8_t>(bytes.data(), bytes.size()));
    }
    Text hash;
    Text encipheredKey;
};

// The confirmation dialog of each kind, waiting for the card to be pulled and put back, and then
// waiting for OK.
void ConfirmationDialogs(Gallery& gallery)
{
    const Text table
        = u"<Tag1>轉帳：確認交易資料</Tag1><Tag2>※請核對轉帳資料，並依畫面指示進行操作。</Tag2>"
          u"<Tag3>交易序號 0001</Tag3><Tag4>委託單位</Tag4><Tag5>霖州銀行 822</Tag5>"
          u"<Tag6>費用名稱</Tag6><Tag7>822-0012345678</Tag7><Tag8>轉出銀行</Tag8>"
          u"<Tag9>1234.56</Tag9><Tag10>轉出帳號</Tag10><Tag11>822-0012345678</Tag11>"
          u"<Tag12>轉帳金額</Tag12><Tag13>1234.56</Tag13><Tag14>手 續 費</Tag14>"
          u"<Tag15>15.00</Tag15><Tag16>email通知</Tag16><Tag17>me@bank.test</Tag17>"
          u"<Tag18>通知內容</Tag18><Tag19>轉帳成功通知</Tag19>";
    const GallerySessionKey session;
    const Text first = u"00012345678901230乙銀行%%812$$me@bank.test";
    for (const int kind : { 0, 1, 2, 3, 4, 23, 25 }) {
        for (const int phase : { 1, 2 }) {
            TransferConfirmation transfer;
            transfer.sessionKeyHash = session.hash;
            transfer.encipheredSessionKey = session.encipheredKey;
            transfer.encipheredFirstResult = session.Encipher(first);
            transfer.encipheredSecondResult = session.Encipher(u"812||00012345678901||0||2523||");
            ConfirmationRequest request;
            request.document = table;
            request.kind = kind;
            request.amount = u"000000000123456";
            request.account = u"822-0012345678";
            request.transferee = kind == 23 ? std::u16string_view(first) : u"822-0012345678";
            request.transfer = &transfer;
            int32_t card = 0;
            request.probeCard = [&card] { return card; };
            SilentMessageSink messages;
            CTryFirm dialog(request, messages);
            if (dialog.Prepare()) {
                std::printf("FAILED the confirmation dialog of type %d ended at start\n", kind);
                gallery.SaveImage(QImage(), QString("try_firm_type%1_ended").arg(kind));
                continue;
            }
            for (int tick = 0; tick < 4; ++tick) {
                dialog.Tick(try_firm::kRemovalTimerId);
            }
            if (phase == 2) {
                card = static_cast<int32_t>(0x8010000CU);
                dialog.Tick(try_firm::kRemovalTimerId);
                card = 0;
                dialog.Tick(try_firm::kRemovalTimerId);
            }
            gallery.Save(dialog, QString("try_firm_type%1_phase%2").arg(kind).arg(phase));
        }
    }
}

// The consent prompt for a site not on the allowlist: just opened (answers not yet armed) and a
// long origin, armed, with the countdown near its end.
void ConsentDialogs(Gallery& gallery)
{
    ConsentDialog opened(QStringLiteral("https://ebank.example.com"), kConsentPromptSeconds);
    gallery.Save(opened, "consent_opened");
    ConsentDialog armed(
        QStringLiteral("https://login.secure-online-banking.branch-42.example.com:8443"), 3);
    armed.Arm();
    armed.TickSecond();
    gallery.Save(armed, "consent_armed_long_origin");
}

// The net-bank selection dialogs: the agreed accounts in each font size, the common accounts
// narrowed by a filter, the other account typed on the keypad and in the edit field.
void NetSelectionDialogs(Gallery& gallery)
{
    const GallerySessionKey session;
    const QString folder = QDir::temp().filePath(QStringLiteral("velkor-gallery-fonts"));
    const FontSizeFile fonts(std::filesystem::path(folder.toStdString()));
    SilentMessageSink messages;
    NetSelectionRequest request;
    request.keys = { session.hash, session.encipheredKey };
    const Text agreed = u"<TimeOut>45</TimeOut><AtmNode Ciph=\"1\">"
        + session.Encipher(
            u"甲銀行 004-1234567890%%004||1234567890;;乙銀行 812-0001112223%%812||0001112223")
        + u"</AtmNode>";
    for (const int choice : { kFontLarge, kFontMedium, kFontSmall }) {
        fonts.SaveFontSize(choice, kSlotTransDeal);
        request.document = agreed;
        TransDeal dialog(request, messages, fonts);
        dialog.Prepare();
        dialog.Tick(kCountdownTimerId);
        for (int tick = 0; tick < 5; ++tick) {
            dialog.Tick(kCountdownTimerId);
        }
        gallery.Save(dialog, QString("trans_deal_font%1").arg(choice + 1));
    }
    const Text common
        = u"<Filter>3</Filter><Title>銀行別</Title><Title>帳號</Title>"
          u"<Title>收款人戶名</Title><Title>Email</Title>"
          u"<AtmNode Type=\"1\" Name=\"朋友\">(1)王小明%%004||111222333||王小明||a@b.tw;;"
          u"(2)Bob Lin%%812||444555666||Bob Lin;;</AtmNode>"
          u"<AtmNode Type=\"1\" Name=\"家人\">(3)王媽媽%%700||777888999||王媽媽</AtmNode>";
    request.document = common;
    TransCom com(request, messages, fonts);
    com.Prepare();
    // As the customer does it: medium font, 王 typed into the filter, 過濾 clicked.
    static_cast<QAbstractButton*>(com.ControlWidget(1038))->click();
    if (auto* filter = qobject_cast<QLineEdit*>(com.ControlWidget(1001))) {
        filter->setText(QString::fromUtf8("王"));
        emit filter->textEdited(filter->text());
    }
    static_cast<QAbstractButton*>(com.ControlWidget(1042))->click();
    gallery.Save(com, "trans_com_filtered");
    for (const int keyType : { 3, 5 }) {
        const Text other = u"<KeyType>" + Utf8ToText(std::to_string(keyType))
            + u"</KeyType><AtmNode check=\"1\" min=\"6\" Default=\"16\">00123</AtmNode>";
        request.document = other;
        TransOth dialog(request, messages, fonts);
        dialog.Prepare();
        if (keyType == 3 && dialog.Keypad() != nullptr) {
            dialog.Keypad()->PressKey(4);
        }
        gallery.Save(dialog, keyType == 3 ? "trans_oth_keypad" : "trans_oth_keyboard");
    }
    QDir(folder).removeRecursively();
}

// The transfer-account dialogs: each kind chosen, the keypad and the general keyboard, the
// net bank's groups, a kind without data (disabled) and OK disabled when nothing has data.
void TransferAccountDialogs(Gallery& gallery)
{
    const Text lists = u"<AtmNode Name=\"約定帳號\">甲帳戶-薪轉%%004||12345678901234;;</AtmNode>"
                       u"<AtmNode Name=\"常用帳號\">媽媽%%700||0001111$$mom@mail.test;;</AtmNode>"
                       u"<AtmNode Name=\"其他帳號\">乙銀行%%812;;丙銀行%%007;;</AtmNode>";
    const Text groups
        = u"<AtmNode Type=\"0\" Name=\"約定帳號\">甲帳戶%%004||1234;;</AtmNode>"
          u"<AtmNode Type=\"1\" Name=\"家人\">媽媽%%700||0001111$$mom@mail.test;;</AtmNode>"
          u"<AtmNode Type=\"1\" Name=\"同事\">阿明%%812||22;;阿華%%812||33;;</AtmNode>"
          u"<AtmNode Type=\"2\" Name=\"其他帳號\">乙銀行%%812;;</AtmNode>";
    const Text empty = u"<AtmNode/><AtmNode/><AtmNode/>";
    struct State {
        const char* name;
        TransferAccountDialog dialog;
        Text document;
        std::function<void(TransSetDecisions&)> act;
    };
    using enum TransferAccountDialog;
    const State states[] = {
        { "agreed", WebAtm, u"<KeyType>3</KeyType>" + lists, {} },
        { "common", WebAtm, u"<KeyType>3</KeyType>" + lists,
            [](TransSetDecisions& d) { d.Click(trans_set::kCommonRadio); } },
        { "other_keypad", WebAtm, u"<KeyType>3</KeyType>" + lists,
            [](TransSetDecisions& d) {
                for (int i = 0; i < 7; ++i) {
                    d.Click(trans_set::kFirstKey + i);
                }
                d.Click(trans_set::kAddToCommon);
            } },
        { "other_general_keyboard", WebAtm, u"<KeyType>5</KeyType>" + lists,
            [](TransSetDecisions& d) {
                d.Focus(trans_set::kAccountEdit);
                d.SetAccountText(u"1234567");
            } },
        { "agreed_disabled", WebAtm,
            u"<KeyType>1</KeyType><AtmNode/>" + lists.substr(lists.find(u"<AtmNode Name=\"常用")),
            {} },
        { "ok_disabled", WebAtm, u"<KeyType>0</KeyType>" + empty, {} },
        { "net_groups", NetBank, u"<KeyType>4</KeyType>" + groups,
            [](TransSetDecisions& d) { d.SelectItem(trans_set::kGroupList, 2); } },
        { "net_other_general_keyboard", NetBank, u"<KeyType>6</KeyType>" + groups,
            [](TransSetDecisions& d) { d.Click(trans_set::kOtherRadio); } },
    };
    for (const State& state : states) {
        TransferAccountRequest request;
        request.dialog = state.dialog;
        request.document = state.document;
        SilentMessageSink messages;
        CTransSet dialog(request, messages);
        if (dialog.Prepare()) {
            std::printf("FAILED the transfer-account dialog %s ended at start\n", state.name);
            gallery.SaveImage(QImage(), QString("trans_set_%1_ended").arg(state.name));
            continue;
        }
        if (state.act) {
            dialog.Act([&] { state.act(dialog.Decisions()); });
        }
        gallery.Save(dialog, QString("trans_set_%1").arg(state.name));
    }
}

// The common-account entry forms of both kinds: three and ten rows, each row type current, the
// keypad with its letters in both cases, function type 2, and OK disabled and enabled.
void ReleaseOnRow(CommonAccountDialog& dialog, CommonAccountFormKind kind, int row)
{
    const auto band = common_account_geometry::For(kind).Band(row);
    const QPointF at(band.x + 2, band.y + band.height / 2);
    QMouseEvent release(QEvent::MouseButtonRelease, at, dialog.mapToGlobal(at), Qt::LeftButton,
        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &release);
}

void PressKeys(CommonAccountDialog& dialog, std::u16string_view characters)
{
    for (const char16_t c : characters) {
        const int key = dialog.Decisions().KeyShowing(c);
        if (key >= 0) {
            static_cast<QAbstractButton*>(dialog.ControlWidget(common_account::kFirstKey + key))
                ->click();
        }
    }
}

void CommonAccountForms(Gallery& gallery)
{
    const GallerySessionKey session;
    const Text threeRows = u"<Title>常用轉入帳號 - 新增</Title><TimeOut>180</TimeOut>"
                           u"<AtmNode Name=\"轉入銀行\" Type=\"0\" Ciph=\"1\">"
        + session.Encipher(u"甲銀行%%004;;乙銀行%%012;;丙銀行%%822;;")
        + u"</AtmNode><AtmNode Name=\"轉入帳號\" Type=\"3\" KeyType=\"3\" min=\"10\" "
          u"Default=\"16\"></AtmNode><AtmNode Name=\"暱稱\" Type=\"5\" KeyType=\"2\" "
          u"Default=\"10\">房租</AtmNode>";
    Text tenRows
        = u"<Title>常用轉入帳號 - 新增</Title>"
          u"<AtmNode Name=\"使用者代號%%(英數字)\" Type=\"7\" KeyType=\"7\" min=\"6\" "
          u"Default=\"10\"></AtmNode>"
          u"<AtmNode Name=\"轉入銀行\" Type=\"0\">甲銀行%%004;;乙銀行%%012;;</AtmNode>"
          u"<AtmNode Name=\"幣別\" Type=\"1\" Default=\"1\">台幣%%TWD;;美元%%USD;;</AtmNode>"
          u"<AtmNode Name=\"分行\" Type=\"2\">總行%%001;;</AtmNode>"
          u"<AtmNode Name=\"轉入帳號\" Type=\"3\" KeyType=\"0\" Default=\"14\">"
          u"0012345678</AtmNode>"
          u"<AtmNode Name=\"暱稱\" Type=\"4\" KeyType=\"2\" Default=\"10\">Rent01</AtmNode>"
          u"<AtmNode Name=\"身分證號\" Type=\"5\" KeyType=\"5\" Default=\"10\"></AtmNode>"
          u"<AtmNode Name=\"晶片卡密碼\" Type=\"6\" KeyType=\"1\" min=\"6\" "
          u"Default=\"12\"></AtmNode>"
          u"<AtmNode Name=\"交易密碼\" Type=\"7\" KeyType=\"4\" Default=\"8\"></AtmNode>"
          u"<AtmNode Name=\"備註\" Type=\"4\" KeyType=\"6\" Default=\"20\"></AtmNode>";
    const Text functionTypeTwo
        = u"<FunType>2</FunType><Title>常用轉入帳號 - 確認</Title>"
          u"<AtmNode Name=\"轉入帳號\" Type=\"3\" KeyType=\"2\" Default=\"14\">0012345678</AtmNode>"
          u"<AtmNode Name=\"暱稱\" Type=\"5\" KeyType=\"2\" Default=\"10\">房租</AtmNode>"
          u"<AtmNode Name=\"晶片卡密碼\" Type=\"6\" KeyType=\"0\" Default=\"12\"></AtmNode>";
    for (const auto kind : { CommonAccountFormKind::WebAtm, CommonAccountFormKind::NetBank }) {
        const QString prefix
            = kind == CommonAccountFormKind::WebAtm ? "common_account_web" : "common_account_net";
        SilentMessageSink messages;
        auto open = [&](const Text& document, CommonAccountRequest& request) {
            request.form = kind;
            request.document = document;
            request.keys = { session.hash, session.encipheredKey };
            auto dialog = kind == CommonAccountFormKind::WebAtm
                ? std::unique_ptr<CommonAccountDialog>(new CWebComDlg(request, messages))
                : std::unique_ptr<CommonAccountDialog>(new CWebComNetDlg(request, messages));
            if (dialog->Prepare()) {
                std::printf("FAILED a common-account form ended at start\n");
                gallery.SaveImage(QImage(), prefix + "_ended");
                dialog.reset();
            }
            return dialog;
        };
        {
            CommonAccountRequest request;
            auto dialog = open(threeRows, request);
            if (dialog) {
                gallery.Save(*dialog, prefix + "_3rows_ok_disabled");
                ReleaseOnRow(*dialog, kind, 1);
                PressKeys(*dialog, u"0012345678901");
                gallery.Save(*dialog, prefix + "_3rows_ok_enabled");
            }
        }
        {
            CommonAccountRequest request;
            auto dialog = open(tenRows, request);
            if (dialog) {
                PressKeys(*dialog, u"ABC");
                gallery.Save(*dialog, prefix + "_10rows_letters_upper_case");
                static_cast<QAbstractButton*>(dialog->ControlWidget(common_account::kCaseKey))
                    ->click();
                PressKeys(*dialog, u"de");
                gallery.Save(*dialog, prefix + "_10rows_letters_lower_case");
                for (int row = 1; row < 10; ++row) {
                    ReleaseOnRow(*dialog, kind, row);
                    gallery.Save(*dialog,
                        prefix
                            + QString("_10rows_row%1_type%2_current")
                                  .arg(row)
                                  .arg(QChar(dialog->Decisions().Row(row).type)));
                }
            }
        }
        {
            CommonAccountRequest request;
            auto dialog = open(functionTypeTwo, request);
            if (dialog) {
                gallery.Save(*dialog, prefix + "_function_type2");
            }
        }
    }
}

} // namespace
} // namespace velkor

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: velkor-gallery <output folder>\n");
        return 2;
    }
    if (!QDir().mkpath(argv[1])) {
        std::fprintf(stderr, "velkor-gallery: cannot make %s\n", argv[1]);
        return 1;
    }
    velkor::RegisterDialogFontFaces();
    velkor::Gallery gallery(QString::fromLocal8Bit(argv[1]));
    velkor::Keypads(gallery);
    velkor::SecureDisplays(gallery);
    velkor::ShadedButtons(gallery);
    velkor::LabelsAndButtons(gallery);
    velkor::AnimationFrames(gallery);
    velkor::ConfirmationDialogs(gallery);
    velkor::ConsentDialogs(gallery);
    velkor::TransferAccountDialogs(gallery);
    velkor::NetSelectionDialogs(gallery);
    velkor::CommonAccountForms(gallery);
    return gallery.Ok() ? 0 : 1;
}
