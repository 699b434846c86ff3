#pragma once

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

#include "dialogs/input_filter.h"

// Applies the dialogs' key filters to Qt key events: it watches every key event bound for the
// dialog or one of its children (so Enter never reaches a default button), and the account and
// e-mail edit fields it is given.
namespace velkor {

class QtDialogKeyFilter : public QObject {
    Q_OBJECT
public:
    QtDialogKeyFilter(QWidget* dialog, MessageSink& messages);
    ~QtDialogKeyFilter() override;

    // `isActive` tells whether the field is where the account is typed; `okChanged` receives the
    // filter's OK decisions. The field takes digits only, whatever way text arrives.
    void WatchAccountEdit(QLineEdit* edit, int maximumLength, std::function<bool()> isActive,
        std::function<void(bool)> okChanged);
    void WatchEmailEdit(QLineEdit* edit);

    // The clipboard text a paste would insert.
    static Text ClipboardText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool FilterAccountKey(const KeyInput& key);
    bool FilterEmailKey(const KeyInput& key);

    QPointer<QWidget> dialog_;
    AccountInputFilter accountFilter_;
    EmailInputFilter emailFilter_;
    QPointer<QLineEdit> accountEdit_;
    QPointer<QLineEdit> emailEdit_;
    std::function<bool()> accountActive_;
    std::function<void(bool)> okChanged_;
};

} // namespace velkor
