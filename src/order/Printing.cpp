// Printing from the main window: the order sheet of the order on screen and
// the traded product list, on the default printer (or as PDF files in the
// work folder when there is none).

#include "TFrmMain.h"

#include "DataModule.h"
#include "Helpers.h"
#include "Messages.h"
#include "PrintLogic.h"
#include "PrintTarget.h"
#include "StringGrid.h"

#include <QLabel>
#include <QLineEdit>

namespace order {

void TFrmMain::SBF11Click()
{
    if (SGS->Cells(LineColumns.Code, 0).isEmpty()) {
        ShowMessage(QStringLiteral("주문 내역이 없읍니다.\r\r주문 내역을 선택해주십시요."));
        return;
    }
    const QString date = OrderSheetDate(EdtDD->text(), TodayCodeText());
    const std::unique_ptr<PrintTarget> target = MakePrintTarget(WorkDir);
    PrintOrderSheet(*target, *SGS->Model(), OrderSheetTitle(LblTitle->text(), date));
    target->Finish();
}

void TFrmMain::SBF11GClick()
{
    const std::unique_ptr<PrintTarget> target = MakePrintTarget(WorkDir);
    PrintProductList(*target, *SGG->Model(), ProductListTitle(LblTitle->text()));
    target->Finish();
}

} // namespace order
