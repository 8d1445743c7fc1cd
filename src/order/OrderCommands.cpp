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

// Rows 0.. of the order from lines read back (an order, a sample or the
// draft); prices only for shops that see them.
void TFrmMain::PutLines(const std::vector<ReadLine>& lines)
{
    TStringGridModel& grid = *SGS->Model();
    const bool prices = GubOn();
    for (std::size_t r = 0; r < lines.size() && static_cast<int>(r) < grid.RowCount(); ++r)
        WriteReadLine(grid, static_cast<int>(r), lines[r], prices ? TradedPrice(lines[r].code) : QString());
}

void TFrmMain::SBF7Click()
{
    TStringGridModel& lines = *SGS->Model();
    if (lines.Cell(LineColumns.Number, 0).isEmpty()) {
        ShowMessage(QStringLiteral("전송할 주문내역이 없습니다."));
        return;
    }
    if (!CheckDateCode(EdtDD->text(), false, true)) {
        ShowMessage(QStringLiteral("배송일을 정확히 입력해 주십시요."));
        return;
    }
    if (OrderState == QLatin1String("I")) {
        ShowMessage(QStringLiteral("접수중인 내용은 수정할 수 없습니다."));
        return;
    }
    if (OrderState == QLatin1String("O")) {
        ShowMessage(QStringLiteral("이미 접수된 내용은 수정할 수 없습니다."));
        return;
    }
    if (!ConfirmUnusualQuantities())
        return;
    // A new order whose last send lost its answer may be stored already.
    if (OrderCode.isEmpty() && LostSendSince.isValid()) {
        QString time;
        if (FindEarlierSend(time)
            && !ConfirmMessage(QStringLiteral("같은 내용의 주문이 이미 전송되어 있습니다. (") + time
                + QStringLiteral(")\r\r다시 전송하시겠습니까?"))) {
            LostSendSince = QDateTime();
            ShowMessage(kSent);
            SBF9Click();
            return;
        }
    }
    // The selection walks down the lines and stays on the last one.
    for (int r = 0; r < lines.RowCount() && !lines.Cell(LineColumns.Number, r).isEmpty(); ++r)
        SGS->SetRow(r);
    // Counted before the call and kept after a failure: a retry is a new send.
    SendCount = static_cast<std::int16_t>(SendCount + 1);
    DraftChanged();

    OrderHeader header;
    header.code = OrderCode;
    header.date = OrderDate;
    header.time = OrderTime;
    header.sendCount = SendCount;
    header.delivery = EdtDD->text();
    header.note = EdtNote->text();
    header.writing = ChkBxIOG->isChecked();
    header.mCode = Key();
    header.cCode = DM->C_CODE.str();
    header.cNc = DM->C_NC.toStdString();
    const QDateTime started = QDateTime::currentDateTime();
    std::string answer;
    SendOrder(Key(), OrderSendRequest(header, lines), answer);
    if (!IsSuccess(answer)) {
        // Only a lost answer leaves the doubt; a refusal is an answer.
        if (OrderCode.isEmpty() && IsTransportFailure(answer)) {
            if (!LostSendSince.isValid())
                LostSendSince = started;
        } else {
            LostSendSince = QDateTime();
        }
        DraftChanged();
        ShowMessage(QStringLiteral("주문 전송 실패입니다.\r\r") + TrimmedAnswer(answer) + QStringLiteral("\r\r")
            + kCheckConnection);
        return;
    }
    LostSendSince = QDateTime();
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
    for (const StoredOrder& o : OrdersStoredSince(list, LostSendSince, EdtDD->text(), EdtNote->text())) {
        std::string answer;
        GetOrder(Key(), o.code.toStdString(), answer);
        if (IsSuccess(answer) && SameLines(ParseOrderAnswer(answer), *SGS->Model())) {
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
    if (purpose == kReadOrder) {
        OrderCode = read.code;
        OrderDate = read.date;
        OrderTime = read.time;
        SendCount = read.sendCount;
        EdtDD->setText(read.delivery);
        EdtNote->setText(read.note);
        OrderState = read.state;
        const QString cannotResend = QStringLiteral(
            "\r\r내용을 수정하여 저장해도 거래처에 다시 전송되지 않습니다.\r\r변경을 원할 경우 [복사]를 클릭하시여 "
            "다시 전송하십시요.\r\r신규 주문으로 전송됩니다.");
        if (OrderState == QLatin1String("O"))
            ShowMessage(QStringLiteral("거래처에서 주문이 이미 접수 되었습니다.") + cannotResend);
        else if (OrderState == QLatin1String("I"))
            ShowMessage(QStringLiteral("거래처에서 주문이 접수중입니다.") + cannotResend);
        else if (OrderState == QLatin1String("X"))
            ChkBxIOG->setChecked(true);
    }

    PutLines(read.lines);
    DraftChanged();
    if (!read.complete)
        ShowMessage(QStringLiteral("주문 제품 라인수량 불일치 입니다.\r\r") + kCheckConnection);
    RefreshTotal();
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
    if (OrderCode.isEmpty()) {
        ShowMessage(QStringLiteral("복사할 내용을 먼저 열기하여 선택하십시요."));
        return;
    }
    SendCount = 0;
    OrderCode.clear();
    OrderDate.clear();
    OrderTime.clear();
    OrderState.clear();
    DraftChanged();
    ShowMessage(QStringLiteral("새로운 주문으로 복사 되었습니다."));
}

void TFrmMain::SBF8Click()
{
    if (OrderState == QLatin1String("I")) {
        ShowMessage(QStringLiteral("접수중인 내용은 삭제할 수 없습니다."));
        return;
    }
    if (OrderState == QLatin1String("O")) {
        ShowMessage(QStringLiteral("이미 접수된 내용은 삭제할 수 없습니다."));
        return;
    }
    if (OrderCode.isEmpty())
        return;
    if (!ConfirmMessage(QStringLiteral("주문일: ") + OrderDate + QStringLiteral("\r\r주문 내역을 삭제합니다.")))
        return;
    std::string answer;
    DeleteOrder(Key(), OrderCode.toStdString(), answer);
    if (!IsSuccess(answer)) {
        ShowMessage(QStringLiteral("주문 내역 삭제 오류입니다."));
        return;
    }
    SBF9Click();
}

void TFrmMain::SBF7SClick()
{
    if (OrderCode.isEmpty()) {
        ShowMessage(QStringLiteral("먼저 샘플로 등록할 내용을 주문열기하여 선택해 주십시요."));
        return;
    }
    if (OrderState == QLatin1String("X")) {
        ShowMessage(QStringLiteral("작성중인 내용은 샘플등록을 할수 없습니다."));
        return;
    }
    if (OrderState == QLatin1String("A")) {
        ShowMessage(QStringLiteral("미접수 내용은 샘플등록을 할수 없습니다."));
        return;
    }
    const std::string code = OrderCode.toStdString();
    std::string answer;
    RegisterSample(Key(), code, SampleRequest(code), answer);
    if (!IsSuccess(answer)) {
        ShowMessage(QStringLiteral("샘플 등록 오류입니다."));
        return;
    }
    SBF9Click();
}

} // namespace order
