#include "dialogs/consent_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "dialogs/dialog_window.h"

namespace velkor {

ConsentDialog::ConsentDialog(const QString& origin, int seconds, QWidget* parent)
    : QDialog(parent)
    , secondsLeft_(seconds)
{
    setWindowTitle(QStringLiteral("Velkor 晶片金融卡"));
    KeepInFront(*this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("下列網站要求使用您讀卡機中的晶片金融卡：")));
    auto* site = new QLabel;
    site->setObjectName(QStringLiteral("origin"));
    site->setTextFormat(Qt::PlainText);
    site->setText(origin);
    site->setWordWrap(true);
    QFont large = site->font();
    large.setPointSizeF(large.pointSizeF() * 1.8);
    large.setBold(true);
    site->setFont(large);
    layout->addWidget(site);
    layout->addWidget(new QLabel(QStringLiteral(
        "只允許您信任的銀行網站。允許後，該網站可以讀取卡片資料，並在您輸入密碼後簽署交易。")));
    countdown_ = new QLabel;
    countdown_->setObjectName(QStringLiteral("countdown"));
    layout->addWidget(countdown_);

    auto* buttons = new QHBoxLayout;
    allowOnce_ = new QPushButton(QStringLiteral("允許一次"));
    allowAlways_ = new QPushButton(QStringLiteral("一律允許"));
    refuse_ = new QPushButton(QStringLiteral("拒絕"));
    for (QPushButton* button : { allowOnce_, allowAlways_, refuse_ }) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    allowOnce_->setEnabled(false);
    allowAlways_->setEnabled(false);
    refuse_->setFocus();
    connect(allowOnce_, &QPushButton::clicked, this, [this] { Finish(ConsentAnswer::AllowOnce); });
    connect(
        allowAlways_, &QPushButton::clicked, this, [this] { Finish(ConsentAnswer::AllowAlways); });
    connect(refuse_, &QPushButton::clicked, this, [this] { Finish(ConsentAnswer::Refuse); });

    seconds_ = new QTimer(this);
    seconds_->setInterval(1000);
    connect(seconds_, &QTimer::timeout, this, &ConsentDialog::TickSecond);
    ShowSecondsLeft();
}

void ConsentDialog::Arm()
{
    allowOnce_->setEnabled(true);
    allowAlways_->setEnabled(true);
}

void ConsentDialog::ShowSecondsLeft()
{
    countdown_->setText(QStringLiteral("%1 秒內未回答即視為拒絕。").arg(secondsLeft_));
}

void ConsentDialog::TickSecond()
{
    if (--secondsLeft_ <= 0) {
        Finish(ConsentAnswer::NoAnswer);
        return;
    }
    ShowSecondsLeft();
}

void ConsentDialog::Finish(ConsentAnswer answer)
{
    seconds_->stop();
    answer_ = answer;
    done(answer == ConsentAnswer::AllowOnce || answer == ConsentAnswer::AllowAlways
            ? QDialog::Accepted
            : QDialog::Rejected);
}

void ConsentDialog::reject()
{
    Finish(ConsentAnswer::NoAnswer);
}

ConsentAnswer ConsentDialog::Run()
{
    seconds_->start();
    QTimer::singleShot(kArmingMilliseconds, this, &ConsentDialog::Arm);
    ExecInFront(*this);
    return answer_;
}

ConsentAnswer RunConsentDialog(const QString& origin, int seconds)
{
    ConsentDialog dialog(origin, seconds);
    return dialog.Run();
}

} // namespace velkor
