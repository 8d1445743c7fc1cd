#pragma once

// TFrmCnt: the quantity window. Confirms one order line: shows the chosen
// product, takes the quantity from an on-screen keypad or the keyboard and an
// optional delivery note, and hands the line back through the data module's
// exchange fields DM->LineName, LineUnit, LineQty and LineNote.
//
// Modes (Mode, set before exec()):
//   "ADD"  a product from a list: GoodName, GoodBox, GoodUnit, AddCount;
//   "MODI" (and any text other than "ADD"/"NEW") an order line being changed:
//          GoodName, GoodBox, Note, ModiCount;
//   "NEW"  products typed in directly: every confirmed line goes to
//          OnAddDirectLine at once and the window stays open for the next
//          one until it is cancelled.
//
// Opening: the opener creates it with new (unless FrmCnt already exists),
// sets the inputs, places it and calls exec(). Placement, relative to the
// opener's window: traded list Top+180/Left+620, catalogue list Top+180/
// Left+600, order-line edit and direct entry Top+180/Left+620,
// classification search (main window) Top+160/Left+560, paste window
// Top+180/Left+120. The window deletes itself when it closes
// (WA_DeleteOnClose): do not touch it after exec() returns.
//
// Results: 1 (OK, "ADD"/"MODI" only; LineName not empty, LineQty a non-zero
// number) or 2 (Cancel; the four exchange fields are empty).

#include "TDialog.h"

#include <QString>

#include <functional>

class QLineEdit;
class QWidget;

namespace order {

class TCEdit;
class TImageButton;

// The quantity as the exchange field carries it: to the nearest 0.0001,
// without separators or trailing zeros ("3", "2.5", "-1").
QString QuantityText(double value);

class TFrmCnt : public TDialog {
    Q_OBJECT

public:
    explicit TFrmCnt(QWidget* parent = nullptr);

    // Inputs, set by the opener before exec().
    QString Mode;
    QString GoodName; // product name
    QString GoodBox; // packing unit
    QString GoodUnit; // unit quantity ("ADD")
    QString AddCount; // starting quantity in "ADD"; empty counts as 0
    QString Note; // line note ("MODI")
    QString ModiCount; // starting quantity in "MODI", without separators
    // "NEW": appends one line to the opener's order (the main window's
    // AddDirectLine, which reports a full order itself).
    std::function<void(const QString& name, const QString& unit, const QString& qty, const QString& note)>
        OnAddDirectLine;

    // Controls, named as the handlers refer to them.
    QWidget* Panel9 = nullptr; // top strip, drags the window
    QLineEdit* EdtGN = nullptr;
    QLineEdit* EdtGU = nullptr;
    TCEdit* CEdtCnt = nullptr;
    QLineEdit* EdtGB = nullptr;
    QLineEdit* EdtNote = nullptr;
    TImageButton* SB[10] = {}; // SB0 .. SB9
    TImageButton* SBP = nullptr;
    TImageButton* SBDel = nullptr;
    TImageButton* SBOK = nullptr;
    TImageButton* SBEsc = nullptr;

    void FormActivate();
    void DigitClick(int digit); // SB0Click .. SB9Click
    void SBPClick() { } // laid out; decimals are typed into CEdtCnt
    void SBDelClick();
    void SBOKClick();

    void done(int result) override; // closing rules: see the .cpp

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void EnterKey(QWidget* receiver) override; // on to the next field; in the last two, OK
    void MoveFocus(bool next) override;

private:
    bool IsNew() const { return Mode == QLatin1String("NEW"); }
    bool IsAdd() const { return Mode == QLatin1String("ADD"); }
    void TakeLine(); // exchange fields from the fields
    void SetQuantityText(const QString& text);

    bool firstActivate_ = true;
    bool firstDigit_ = true;
};

extern TFrmCnt* FrmCnt;

} // namespace order
