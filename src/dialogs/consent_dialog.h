#pragma once

#include <QDialog>
#include <QString>

#include "dialogs/consent_answer.h"

class QLabel;
class QPushButton;
class QTimer;

// The question a site that is not on the allowlist raises the first time it asks for the card:
// the site's origin in large type and three answers. It counts down and ends unanswered when the
// time is up; Escape and the close box end it unanswered too. The answers only become clickable
// a moment after it opened, so that a click or key press meant for the page cannot answer it,
// and 拒絕 has the focus. It decides nothing: ConsentPolicy weighs the answer.
namespace velkor {

class ConsentDialog : public QDialog {
    Q_OBJECT
public:
    // Answers are accepted after this delay.
    static constexpr int kArmingMilliseconds = 800;

    ConsentDialog(const QString& origin, int seconds, QWidget* parent = nullptr);

    // Runs modally above other windows and returns the answer.
    ConsentAnswer Run();
    ConsentAnswer Answer() const { return answer_; }
    int SecondsLeft() const { return secondsLeft_; }

    QPushButton* AllowOnceButton() const { return allowOnce_; }
    QPushButton* AllowAlwaysButton() const { return allowAlways_; }
    QPushButton* RefuseButton() const { return refuse_; }
    // Makes the answers clickable at once (tests, the gallery).
    void Arm();
    // One second of the countdown; at zero the dialog ends unanswered.
    void TickSecond();

public slots:
    void reject() override;

private:
    void Finish(ConsentAnswer answer);
    void ShowSecondsLeft();

    QLabel* countdown_ = nullptr;
    QPushButton* allowOnce_ = nullptr;
    QPushButton* allowAlways_ = nullptr;
    QPushButton* refuse_ = nullptr;
    QTimer* seconds_ = nullptr;
    int secondsLeft_;
    ConsentAnswer answer_ = ConsentAnswer::NoAnswer;
};

// Shows the dialog for `origin` and returns the customer's answer.
ConsentAnswer RunConsentDialog(const QString& origin, int seconds);

} // namespace velkor
