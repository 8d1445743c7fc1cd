// The order's way to and from the service: sending, the delivery-date
// calendar, opening an order or a sample from the order list, copying,
// deleting and registering a sample.

#include "TFrmMain.h"

#include "DataModule.h"
#include "Helpers.h"
#include "Messages.h"
#include "OrderListLogic.h"
#include "OrderLogic.h"
#include "ServiceCalls.h"
#include "StringGrid.h"
#include "TCEdit.h"
#include "TFrmCA.h"
#include "TFrmOrderS.h"
#include "TagMessage.h"

#include <QCheckBox>
#include <QLineEdit>

namespace order {

namespace {

    const QString kCheckConnection = QStringLiteral("인터넷 연결을 확인하십시요.");
    const QString kSent = QStringLiteral("주문 내용을 전송하였습니다.\r\r[주문열기]를 클릭하여 내용을 학인하십시요.");

    std::string Key()
    {
        return DM ? DM->M_CODE.str() : std::string();
    }

    // Shows why a command may not go on; true when it may not.
    bool Refused(const Guard& guard)
    {
        if (guard.refused && !guard.message.isEmpty())
            ShowMessage(guard.message);
        return guard.refused;
    }

} // namespace

QString TFrmMain::TradedPrice(const QString& code) const
{
    // The shop's own price, from the first traded-list row of the product.
    const QString wanted = Trimmed(code);
    for (int g = 0; g < SGG->RowCount(); ++g)
        if (Trimmed(SGG->Cells(ListColumns.Code, g)) == wanted)
            return Trimmed(SGG->Cells(ListColumns.Price, g));
    return QString();
}

// Puts the order value on screen: delivery date, note, box and lines (with
// the shop's own prices when it sees them).
void TFrmMain::ShowOrder()
{
    // The editors write each change back into Order, so the order shown is
    // taken from a copy.
    const OrderOnScreen shown = Order;
    EdtDD->setText(shown.DeliveryDate);
    EdtNote->setText(shown.Note);
    ChkBxIOG->setChecked(shown.StillWriting);
    TStringGridModel& grid = *SGS->Model();
    ClearLines(grid);
    const bool prices = GubOn();
    for (std::size_t r = 0; r < shown.Lines.size() && static_cast<int>(r) < grid.RowCount(); ++r) {
        const OrderItem& line = shown.Lines[r];
        WriteItem(grid, static_cast<int>(r), line, prices ? TradedPrice(line.code) : QString());
    }
    SGS->SetRow(0);
    CEdtSum->SetValue(0);
    RefreshTotal();
}

void TFrmMain::SBF7Click()
{
    if (Refused(Order.SendGuard()) || !ConfirmUnusualQuantities())
        return;
    // A new order whose last send lost its answer may be stored already.
    if (Order.MayBeStoredAlready()) {
        QString time;
        if (FindEarlierSend(time)
            && !ConfirmMessage(QStringLiteral("같은 내용의 주문이 이미 전송되어 있습니다. (") + time
                + QStringLiteral(")\r\r다시 전송하시겠습니까?"))) {
            ShowMessage(kSent);
            SBF9Click();
            return;
        }
    }
    // The selection walks down the lines and stays on the last one.
    const TStringGridModel& lines = *SGS->Model();
    for (int r = 0; r < lines.RowCount() && !lines.Cell(LineColumns.Number, r).isEmpty(); ++r)
        SGS->SetRow(r);
    Order.CountSend();
    DraftChanged();

    const SenderCodes sender { Key(), DM->C_CODE.str(), DM->C_NC.toStdString() };
    const QDateTime started = QDateTime::currentDateTime();
    std::string answer;
    SendOrder(Key(), OrderSendRequest(Order, sender), answer);
    if (!IsSuccess(answer)) {
        Order.SendFailed(IsTransportFailure(answer), started);
        DraftChanged();
        ShowMessage(QStringLiteral("주문 전송 실패입니다.\r\r") + TrimmedAnswer(answer) + QStringLiteral("\r\r")
            + kCheckConnection);
        return;
    }
    ShowMessage(kSent);
    SBF9Click();
}

bool TFrmMain::ConfirmUnusualQuantities()
{
    const std::vector<UnusualLine> unusual
        = UnusualQuantities(*SGS->Model(), *SGG->Model(), ListColumns.Code, ListColumns.UsualQty);
    return unusual.empty() || ConfirmMessage(UnusualQuantityQuestion(unusual));
}

// Looks among the shop's orders stored since the lost send began for one
// with the delivery date, note and lines on screen. Any failure on the way
// finds nothing, and the send goes on as usual.
bool TFrmMain::FindEarlierSend(QString& time)
{
    std::string list;
    ListOrders(Key(), OrderListRequest(DM->C_CODE.str()), list);
    if (!IsSuccess(list))
        return false;
    for (const StoredOrder& o : OrdersStoredSince(list, Order.LostSendSince, Order.DeliveryDate, Order.Note)) {
        std::string answer;
        GetOrder(Key(), o.code.toStdString(), answer);
        if (IsSuccess(answer) && SameLines(ParseOrderAnswer(answer), Order.Lines)) {
            time = o.time;
            return true;
        }
    }
    return false;
}

void TFrmMain::SBDateClick()
{
    EdtDD->setFocus(Qt::OtherFocusReason);
    if (!FrmCA)
        new TFrmCA(this);
    TFrmCA* calendar = FrmCA;
    calendar->move(x() + 160, y() + 20);
    calendar->InputText = EdtDD->text();
    if (calendar->exec() != 1)
        return;
    EdtDD->setText(DM->PickedValue);
    focusNextPrevChild(true);
}

void TFrmMain::ReadOrder(int purpose)
{
    if (!FrmOrderS)
        new TFrmOrderS(this);
    TFrmOrderS* list = FrmOrderS;
    list->Purpose = purpose;
    list->move(x() + 240, y() + 20);
    if (list->exec() != 1)
        return;

    std::string answer;
    GetOrder(Key(), DM->PickedValue.toStdString(), answer);
    if (!IsSuccess(answer)) {
        ShowMessage(QStringLiteral("주문 내용 읽기 실패입니다.\r\r") + QString::fromStdString(answer)
            + QStringLiteral("\r\r") + kCheckConnection);
        RefreshTotal();
        return;
    }
    const ReadOrderAnswer read = ParseOrderAnswer(answer, SGS->RowCount());
    SBF9Click();
    Order = OrderOnScreen::Opened(read.order, purpose == kReadSample ? ReadPurpose::Sample : ReadPurpose::Order);
    ShowOrder();
    DraftChanged();
    const QString warning = Order.OpenedMessage();
    if (!warning.isEmpty())
        ShowMessage(warning);
    if (!read.complete)
        ShowMessage(QStringLiteral("주문 제품 라인수량 불일치 입니다.\r\r") + kCheckConnection);
}

void TFrmMain::SBF3Click()
{
    ReadOrder(kReadOrder);
}

void TFrmMain::SBF3SClick()
{
    ReadOrder(kReadSample);
}

void TFrmMain::SBF6Click()
{
    if (Refused(Order.CopyGuard()))
        return;
    Order.CopyAsNew();
    DraftChanged();
    ShowMessage(QStringLiteral("새로운 주문으로 복사 되었습니다."));
}

void TFrmMain::SBF8Click()
{
    if (Refused(Order.DeleteGuard()) || !ConfirmMessage(Order.DeleteQuestion()))
        return;
    std::string answer;
    DeleteOrder(Key(), Order.OrderCode.toStdString(), answer);
    if (!IsSuccess(answer)) {
        ShowMessage(QStringLiteral("주문 내역 삭제 오류입니다."));
        return;
    }
    SBF9Click();
}

void TFrmMain::SBF7SClick()
{
    if (Refused(Order.SampleGuard()))
        return;
    const std::string code = Order.OrderCode.toStdString();
    std::string answer;
    RegisterSample(Key(), code, SampleRequest(code), answer);
    if (!IsSuccess(answer)) {
        ShowMessage(QStringLiteral("샘플 등록 오류입니다."));
        return;
    }
    SBF9Click();
}

} // namespace order
