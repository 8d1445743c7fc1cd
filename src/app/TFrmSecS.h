#pragma once

// TFrmSecS: the login window. Looks up the member (supplier) and then the
// customer (shop) on the service, compares the password and fills the login
// values of DM. A shop without a password registers one through TFrmSecModi.
//
// Lifetime: created with new by its opener and shown with exec(); the window
// deletes itself when it closes (WA_DeleteOnClose), so the opener must not
// touch it after exec() returns. The global FrmSecS points to it while it
// exists. Results: 1 when the login values are complete, 2 otherwise.

#include "TDialog.h"

#include <QProxyStyle>
#include <QValidator>

class QFrame;
class QLabel;
class QLineEdit;

namespace order {

class TImageButton;

// Line-edit helpers shared by the login and password windows.
// Upper-cases whatever enters the box (typed or pasted).
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override { input = input.toUpper(); }
};

// Shows every character of a password box as "#".
class HashEchoStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
        QStyleHintReturn* returnData = nullptr) const override;
};

// Makes a password box that shows "#" for every character; the style
// belongs to the box, so it lives exactly as long as the box does.
void UseHashEcho(QLineEdit* edit);

// Strips leading and trailing blanks and control characters.
QString TrimControls(const QString& s);
// An id as the service looks it up: without "-", then trimmed of blanks.
QString NormaliseId(const QString& typed);

class TFrmSecS : public TDialog {
    Q_OBJECT

public:
    explicit TFrmSecS(QWidget* parent = nullptr);

    QLineEdit* EdtMID = nullptr;
    QLineEdit* EdtCID = nullptr;
    QLineEdit* MEdtS = nullptr;
    TImageButton* SBEsc = nullptr;
    TImageButton* SBLogin = nullptr;
    QLabel* ImgL = nullptr;
    QLabel* ImgR = nullptr;

    void SBLoginClick();
    // Refills the id boxes from the login values and puts the focus where the
    // next typing belongs; runs when the window is shown and again whenever
    // it gets the focus back from one of the program's own windows.
    void FormActivate();

protected:
    void showEvent(QShowEvent* event) override;
    void EnterKey(QWidget* receiver) override; // on to the next box; in the password box, log in

private:
    bool MemberStep(const QString& memberId);
    bool CustomerStep(const QString& customerId);
    void Message(const QString& text);
    void ShowReadError(const std::string& answer);
};

extern TFrmSecS* FrmSecS;

} // namespace order
