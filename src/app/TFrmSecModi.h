#pragma once

// TFrmSecModi: registers ("NEW", from the login) or changes ("MODI", from the
// main window) the shop's password. The password is typed twice, its first
// four characters are checked against the rules below, then it is sent to
// the service and, once the service took it, kept as DM->C_SS.
//
// Lifetime: the caller creates it with new (unless FrmSecModi already
// exists), places it, sets Mode and calls exec(); the window deletes itself
// when it closes (WA_DeleteOnClose), so the caller must not touch it after
// exec() returns. Results: 1 when the service stored the password, 2 when
// cancelled.

#include "TDialog.h"

#include <QString>

class QLabel;
class QLineEdit;
class QToolButton;
class QFrame;

namespace order {

// The outcome of the password rules for a password that passed the length
// check: accepted, or refused with the message to show. A prefix that is not
// all digits needs the user's confirmation (askLetters).
struct PasswordVerdict {
    bool askLetters = false;
    bool refused = false;
    QString message;
};
PasswordVerdict CheckPasswordRules(const QString& password);

class TFrmSecModi : public TDialog {
    Q_OBJECT

public:
    explicit TFrmSecModi(QWidget* parent = nullptr);

    // "NEW" for a first registration, anything else for a change.
    QString Mode;

    QToolButton* SBSec1 = nullptr;
    QToolButton* SBSec2 = nullptr;
    QLineEdit* MEdtS = nullptr;
    QLineEdit* MEdtV = nullptr;
    QLabel* LblTitle = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QToolButton* SBEsc = nullptr;
    QToolButton* SBLogin = nullptr;
    QFrame* Panel1 = nullptr;

    void SBLoginClick();
    void FormActivate(); // captions follow Mode

protected:
    void showEvent(QShowEvent* event) override;
    void EnterKey(QWidget* receiver) override; // on to the next box; in the second one, confirm

private:
    bool IsNew() const { return Mode == QLatin1String("NEW"); }
    void Refuse();
};

extern TFrmSecModi* FrmSecModi;

} // namespace order
