#include "OrderOnScreen.h"

#include "Helpers.h"

namespace order {

namespace {

    Guard Refuse(const char* message)
    {
        return { true, QString::fromUtf8(message) };
    }

} // namespace

Guard OrderOnScreen::SendGuard() const
{
    if (Lines.empty())
        return Refuse("전송할 주문내역이 없습니다.");
    if (!CheckDateCode(DeliveryDate, false, true))
        return Refuse("배송일을 정확히 입력해 주십시요.");
    if (OrderState == OrderStatus::Receiving)
        return Refuse("접수중인 내용은 수정할 수 없습니다.");
    if (OrderState == OrderStatus::Received)
        return Refuse("이미 접수된 내용은 수정할 수 없습니다.");
    return {};
}

void OrderOnScreen::CountSend()
{
    SendCount = static_cast<std::int16_t>(SendCount + 1);
}

void OrderOnScreen::SendFailed(bool answerLost, const QDateTime& started)
{
    // An order opened again keeps its code: sending it again replaces it and
    // can never make a second one.
    if (IsNew() && answerLost) {
        if (!LostSendSince.isValid())
            LostSendSince = started;
    } else {
        LostSendSince = QDateTime();
    }
}

OrderOnScreen OrderOnScreen::Opened(const OrderOnScreen& read, ReadPurpose purpose)
{
    OrderOnScreen o;
    o.Lines = read.Lines;
    if (purpose == ReadPurpose::Sample)
        return o;
    o.OrderCode = read.OrderCode;
    o.OrderDate = read.OrderDate;
    o.OrderTime = read.OrderTime;
    o.OrderState = read.OrderState;
    o.SendCount = read.SendCount;
    o.DeliveryDate = read.DeliveryDate;
    o.Note = read.Note;
    o.StillWriting = read.OrderState == OrderStatus::Writing;
    return o;
}

QString OrderOnScreen::OpenedMessage() const
{
    const char* const cannotResend
        = "\r\r내용을 수정하여 저장해도 거래처에 다시 전송되지 않습니다.\r\r변경을 원할 경우 [복사]를 클릭하시여 "
          "다시 전송하십시요.\r\r신규 주문으로 전송됩니다.";
    if (OrderState == OrderStatus::Received)
        return QString::fromUtf8("거래처에서 주문이 이미 접수 되었습니다.") + QString::fromUtf8(cannotResend);
    if (OrderState == OrderStatus::Receiving)
        return QString::fromUtf8("거래처에서 주문이 접수중입니다.") + QString::fromUtf8(cannotResend);
    return QString();
}

Guard OrderOnScreen::CopyGuard() const
{
    if (IsNew())
        return Refuse("복사할 내용을 먼저 열기하여 선택하십시요.");
    return {};
}

void OrderOnScreen::CopyAsNew()
{
    SendCount = 0;
    OrderCode.clear();
    OrderDate.clear();
    OrderTime.clear();
    OrderState = OrderStatus::None;
}

Guard OrderOnScreen::DeleteGuard() const
{
    if (OrderState == OrderStatus::Receiving)
        return Refuse("접수중인 내용은 삭제할 수 없습니다.");
    if (OrderState == OrderStatus::Received)
        return Refuse("이미 접수된 내용은 삭제할 수 없습니다.");
    // Nothing of a new order (or of a sample's lines) is stored to delete.
    if (IsNew())
        return { true, QString() };
    return {};
}

QString OrderOnScreen::DeleteQuestion() const
{
    return QString::fromUtf8("주문일: ") + OrderDate + QString::fromUtf8("\r\r주문 내역을 삭제합니다.");
}

Guard OrderOnScreen::SampleGuard() const
{
    if (IsNew())
        return Refuse("먼저 샘플로 등록할 내용을 주문열기하여 선택해 주십시요.");
    if (OrderState == OrderStatus::Writing)
        return Refuse("작성중인 내용은 샘플등록을 할수 없습니다.");
    if (OrderState == OrderStatus::Sent)
        return Refuse("미접수 내용은 샘플등록을 할수 없습니다.");
    return {};
}

} // namespace order
