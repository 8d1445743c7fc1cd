// The classification search of the main window: the classifications are
// loaded once per run, the catalogue copy SGB is made sure of, then the
// search window works on both and adds the products chosen in it.

#include "TFrmMain.h"

#include "ClassLogic.h"
#include "DataModule.h"
#include "Messages.h"
#include "ServiceCalls.h"
#include "StringGrid.h"
#include "TFrmGoodPS.h"
#include "TagMessage.h"

#include <QRadioButton>

namespace order {

bool TFrmMain::LoadClasses()
{
    if (!ClassNames[0].isEmpty())
        return true;
    std::string answer;
    ListClasses(DM->M_CODE.str(), ClassesRequest(DM->C_CODE.str()), answer);
    if (!IsSuccess(answer)) {
        ShowMessage(QStringLiteral("제품 분류 읽기 오류입니다\r\r다시 시도하십시요."));
        return false;
    }
    if (RecordCount(answer) == 0)
        return false;
    ReadClasses(answer, ClassLimit, ClassNames);
    return true;
}

void TFrmMain::SBGPNClick()
{
    if (!LoadCatalog() || !LoadClasses())
        return;
    if (!FrmGoodPS)
        new TFrmGoodPS(this);
    TFrmGoodPS* w = FrmGoodPS;
    w->OnlyTraded = RdBtnOnly->isChecked();
    w->ClassLimit = ClassLimit;
    w->Columns.Code = ListColumns.Code;
    w->Columns.Name = ListColumns.Name;
    w->Columns.Unit = ListColumns.Unit;
    w->Columns.UnitQty = ListColumns.UnitQty;
    w->Columns.Trade = ListColumns.PriceOrDate;
    w->Columns.Qty = ListColumns.UsualQty;
    w->Columns.Price = ListColumns.Price;
    w->Columns.Class = ListColumns.Class;
    w->Products = SGB->Model();
    w->MainOrigin = pos();
    w->OnAddLine = [this](const QString& code, const QString& name, const QString& unit, const QString& qty,
                       const QString& note, const QString& price) { AddLine(code, name, unit, qty, note, price); };
    w->setFixedHeight(height());
    w->move(x() + 350, y());
    w->exec();
}

} // namespace order
