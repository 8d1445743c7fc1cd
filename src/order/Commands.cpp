// The spreadsheet paste window and the help window of the main window.

#include "TFrmMain.h"

#include "DataModule.h"
#include "Helpers.h"
#include "Messages.h"
#include "PasteOrder.h"
#include "StringGrid.h"
#include "TFrmExcelRead.h"
#include "TFrmHelp.h"


namespace order {

void TFrmMain::SBExcelClick()
{
    if (!TrimRight(SGS->Cells(LineColumns.Name, 0)).isEmpty()) {
        ShowMessage(QStringLiteral("주문중인 내용이 있는 경우는\r\r엑셀 내용을 불러올 수 없습니다\r\r[화면취소]를 "
                                   "먼저 클릭하십시요."));
        return;
    }
    if (!FrmExcelRead)
        new TFrmExcelRead(this);
    TFrmExcelRead* w = FrmExcelRead;
    w->OnAddDirectLine = [this](const QString& name, const QString& unit, const QString& qty, const QString& note) {
        AddDirectLine(name, unit, qty, note);
    };
    // The pasted rows become order lines; the catalogue is what tells a
    // product from a direct line, so it has to be there first.
    w->OnSaveOrder = [this](const std::vector<PastedRow>& rows) {
        if (!LoadCatalog())
            return false;
        const PasteCounts counts = AddPastedRows(*SGS->Model(), *SGB->Model(), ListColumns, rows, GubOn());
        SGS->SetRow(0);
        RefreshTotal();
        ShowMessage(PasteCountsMessage(counts));
        return true;
    };
    w->setFixedHeight(height());
    w->move(x() + width() - w->width(), y());
    w->exec();
}

void TFrmMain::SBHelpClick()
{
    if (!FrmHelp)
        new TFrmHelp(this);
    FrmHelp->move(x() + 30, y() + 150);
    FrmHelp->exec();
}

} // namespace order
