// The order lines of the main window: adding from the lists, direct lines,
// editing through the quantity window, deleting, the total, paging, the
// screen clear and drawing.

#include "TFrmMain.h"

#include "DataModule.h"
#include "Helpers.h"
#include "Messages.h"
#include "StringGrid.h"
#include "TCEdit.h"
#include "TDialog.h"
#include "TFrmCnt.h"

#include <QLineEdit>
#include <QPainter>
#include <QPointer>

namespace order {

namespace {

    const QString kFull = QStringLiteral("더이상 입력할 수 없습니다.");


} // namespace

// Creates the quantity window when there is none and places it relative to
// this window; the caller sets the mode and values, then shows it.
TFrmCnt* TFrmMain::QuantityWindow(int left, int top)
{
    if (!FrmCnt)
        new TFrmCnt(this);
    FrmCnt->move(x() + left, y() + top);
    return FrmCnt;
}

void TFrmMain::AddProductLine()
{
    TStringGrid* list = VisibleList();
    const bool traded = list == SGG;
    const int row = list->Row();
    const QString code = Trimmed(list->Cells(ListColumns.Code, row));
    const QString price = Trimmed(list->Cells(ListColumns.Price, row));
    if (code.isEmpty()) {
        ShowMessage(QStringLiteral("제품을 선택하십시요."));
        return;
    }
    TFrmCnt* cnt = QuantityWindow(traded ? 620 : 600, 180);
    cnt->Mode = QStringLiteral("ADD");
    cnt->GoodName = list->Cells(ListColumns.Name, row);
    cnt->GoodBox = list->Cells(ListColumns.Unit, row);
    cnt->GoodUnit = list->Cells(ListColumns.UnitQty, row);
    const QString usual = Trimmed(list->Cells(ListColumns.UsualQty, row));
    cnt->AddCount = usual.isEmpty() ? QStringLiteral("0") : usual;
    if (cnt->exec() == 1)
        AddLine(code, DM->LineName, DM->LineUnit, DM->LineQty, DM->LineNote, price);
    if (FromSearch) {
        FocusSearchBox();
    } else {
        list->SetRow(row);
        list->setFocus(Qt::OtherFocusReason);
    }
}

void TFrmMain::AddLine(const QString& code, const QString& name, const QString& unit, const QString& qty,
    const QString& note, const QString& price)
{
    TStringGridModel& lines = *SGS->Model();
    const int existing = FindLine(lines, code);
    if (existing >= 0) {
        ShowMessage(QStringLiteral("이미 주문 내용이 있습니다.\r\r기존의 내용을 수정하십시요."));
        SGS->SetRow(existing);
        return;
    }
    const int row = FirstFreeRow(lines);
    if (row < 0) {
        ShowMessage(kFull);
        RefreshTotal();
        return;
    }
    WriteLine(lines, row, OrderLine { code, name, unit, qty, note, price }, GubOn());
    SGS->SetRow(row);
    RefreshTotal();
}

void TFrmMain::AddDirectLine(const QString& name, const QString& unit, const QString& qty, const QString& note)
{
    TStringGridModel& lines = *SGS->Model();
    const int row = FirstFreeRow(lines);
    if (row < 0) {
        ShowMessage(kFull);
        return;
    }
    WriteItem(lines, row, { kDirectCode, name, unit, qty, note });
    SGS->SetRow(row);
}

void TFrmMain::SBF5Click()
{
    TFrmCnt* cnt = QuantityWindow(620, 180);
    cnt->Mode = QStringLiteral("NEW");
    cnt->OnAddDirectLine = [this](const QString& name, const QString& unit, const QString& qty, const QString& note) {
        AddDirectLine(name, unit, qty, note);
    };
    if (cnt->exec() == 1)
        AddLine(kDirectCode, DM->LineName, DM->LineUnit, DM->LineQty, DM->LineNote, QString());
}

void TFrmMain::EditLine()
{
    const int row = SGS->Row();
    const QString code = SGS->Cells(LineColumns.Code, row);
    if (row < 0 || code.isEmpty())
        return;
    const QString price = Trimmed(SGS->Cells(LineColumns.Price, row));
    TFrmCnt* cnt = QuantityWindow(620, 180);
    cnt->Mode = QStringLiteral("MODI");
    cnt->GoodName = SGS->Cells(LineColumns.Name, row);
    cnt->GoodBox = SGS->Cells(LineColumns.Unit, row);
    cnt->Note = SGS->Cells(LineColumns.Note, row);
    cnt->GoodUnit = QStringLiteral("0");
    cnt->AddCount = QStringLiteral("0");
    QString qty = SGS->Cells(LineColumns.Qty, row);
    qty.remove(QLatin1Char(','));
    cnt->ModiCount = qty;
    if (cnt->exec() != 1)
        return;
    WriteLine(
        *SGS->Model(), row, OrderLine { code, DM->LineName, DM->LineUnit, DM->LineQty, DM->LineNote, price }, GubOn());
    RefreshTotal();
}

void TFrmMain::SBF4Click()
{
    if (DeleteLine(*SGS->Model(), SGS->Row()))
        RefreshTotal();
}

void TFrmMain::RefreshTotal()
{
    if (!GubOn())
        return;
    // The box shows two decimals; the total itself is summed at four.
    CEdtSum->SetValueText(FormatNumberText("0.##", LinesTotal(*SGS->Model())));
}

void TFrmMain::SBPUClick()
{
    PressKey(SGS, Qt::Key_PageUp);
}

void TFrmMain::SBPDClick()
{
    PressKey(SGS, Qt::Key_PageDown);
}

void TFrmMain::SBF9Click()
{
    RemoveDraft();
    Order = OrderOnScreen();
    ShowOrder();
    FocusSearchBox();
}

void TFrmMain::DrawLineCell(int col, int row, QPainter& p, const QRect& rect)
{
    DrawCellText(p, rect, LineCellDisplay(col, SGS->Cells(col, row)));
}

} // namespace order
