// The order on screen as a value, without a window: the supplier's state
// letters, what each command refuses in which state, what sending, opening
// and copying do to the order, and what an order answer puts on screen.

#include "OrderLogic.h"
#include "OrderOnScreen.h"
#include "QStringPrinter.h"
#include "TagMessage.h"

#include <gtest/gtest.h>

using namespace order;

namespace {

OrderOnScreen Opened(OrderStatus state)
{
    OrderOnScreen o;
    o.OrderCode = QStringLiteral("00000012");
    o.OrderDate = QStringLiteral("261207");
    o.OrderState = state;
    o.Lines = { { "100001", "신라면", "BOX", "2", "" } };
    return o;
}

} // namespace

TEST(OrderStatus, LettersBothWays)
{
    const std::pair<OrderStatus, std::string_view> known[] = { { OrderStatus::Writing, "X" },
        { OrderStatus::Sent, "A" }, { OrderStatus::Receiving, "I" }, { OrderStatus::Received, "O" },
        { OrderStatus::None, "" } };
    for (const auto& [status, letter] : known) {
        EXPECT_EQ(WireLetter(status), letter);
        EXPECT_EQ(OrderStatusFromWire(letter), status) << letter;
    }
    for (std::string_view unknown : { "S", "a", " A", "AA", "?" })
        EXPECT_EQ(OrderStatusFromWire(unknown), OrderStatus::None) << unknown;
}

TEST(OrderRules, WhatEachStateRefuses)
{
    // "" lets the command go on; "-" stops it without a message.
    struct Case {
        const char* what;
        OrderOnScreen order;
        const char *send, *copy, *remove, *sample;
    };
    const Case cases[] = {
        { "new order", [] { OrderOnScreen o = Opened(OrderStatus::None); o.OrderCode.clear(); return o; }(), "",
            "복사할 내용을 먼저 열기하여 선택하십시요.", "-", "먼저 샘플로 등록할 내용을 주문열기하여 선택해 주십시요." },
        { "still being written", Opened(OrderStatus::Writing), "", "", "", "작성중인 내용은 샘플등록을 할수 없습니다." },
        { "sent", Opened(OrderStatus::Sent), "", "", "", "미접수 내용은 샘플등록을 할수 없습니다." },
        { "being received", Opened(OrderStatus::Receiving), "접수중인 내용은 수정할 수 없습니다.", "",
            "접수중인 내용은 삭제할 수 없습니다.", "" },
        { "received", Opened(OrderStatus::Received), "이미 접수된 내용은 수정할 수 없습니다.", "",
            "이미 접수된 내용은 삭제할 수 없습니다.", "" },
        { "opened, no state the program knows", Opened(OrderStatus::None), "", "", "", "" },
    };
    auto expect = [](const Guard& g, const char* expected, const char* what, const char* command) {
        const QString text = QString::fromUtf8(expected);
        EXPECT_EQ(g.refused, !text.isEmpty()) << what << ": " << command;
        EXPECT_EQ(g.message, text == QLatin1String("-") ? QString() : text) << what << ": " << command;
    };
    for (const Case& c : cases) {
        expect(c.order.SendGuard(), c.send, c.what, "send");
        expect(c.order.CopyGuard(), c.copy, c.what, "copy");
        expect(c.order.DeleteGuard(), c.remove, c.what, "delete");
        expect(c.order.SampleGuard(), c.sample, c.what, "sample");
    }
}

TEST(OrderRules, SendChecksLinesThenDateThenState)
{
    OrderOnScreen o = Opened(OrderStatus::Received);
    o.DeliveryDate = QStringLiteral("261332");
    EXPECT_EQ(o.SendGuard().message, QStringLiteral("배송일을 정확히 입력해 주십시요."));
    o.Lines.clear();
    EXPECT_EQ(o.SendGuard().message, QStringLiteral("전송할 주문내역이 없습니다."));
    OrderOnScreen dated = Opened(OrderStatus::Sent);
    for (const char* date : { "", "261231", "280229" })
        EXPECT_FALSE((dated.DeliveryDate = QString::fromUtf8(date), dated.SendGuard().refused)) << date;
    dated.DeliveryDate = QStringLiteral("2612");
    EXPECT_TRUE(dated.SendGuard().refused);
}

TEST(OrderRules, SendCountAndLostAnswers)
{
    OrderOnScreen o = Opened(OrderStatus::None);
    o.OrderCode.clear();
    o.SendCount = 32767;
    o.CountSend();
    EXPECT_EQ(o.SendCount, -32768) << "a 16-bit count";

    const QDateTime first(QDate(2026, 12, 8), QTime(10, 5));
    o.SendFailed(true, first);
    EXPECT_TRUE(o.MayBeStoredAlready());
    o.SendFailed(true, first.addSecs(60));
    EXPECT_EQ(o.LostSendSince, first) << "from the first send whose answer was lost";
    o.SendFailed(false, first.addSecs(120));
    EXPECT_FALSE(o.MayBeStoredAlready()) << "a refusal is an answer";

    OrderOnScreen reopened = Opened(OrderStatus::Sent);
    reopened.SendFailed(true, first);
    EXPECT_FALSE(reopened.MayBeStoredAlready()) << "sending it again replaces it";
}

TEST(OrderRules, OpeningAndCopying)
{
    OrderOnScreen read = Opened(OrderStatus::Writing);
    read.OrderTime = QStringLiteral("0915");
    read.SendCount = 3;
    read.DeliveryDate = QStringLiteral("261224");
    read.Note = QStringLiteral("문앞");
    read.LostSendSince = QDateTime::currentDateTime();

    const OrderOnScreen order = OrderOnScreen::Opened(read, ReadPurpose::Order);
    EXPECT_EQ(order.OrderCode, read.OrderCode);
    EXPECT_EQ(order.OrderTime, read.OrderTime);
    EXPECT_EQ(order.SendCount, 3);
    EXPECT_EQ(order.Note, read.Note);
    EXPECT_TRUE(order.StillWriting) << "stored as still being written: the box comes back";
    EXPECT_FALSE(order.LostSendSince.isValid());
    EXPECT_EQ(order.OpenedMessage(), QString());

    const OrderOnScreen sample = OrderOnScreen::Opened(read, ReadPurpose::Sample);
    EXPECT_TRUE(sample.IsNew());
    EXPECT_EQ(sample.SendCount, 0);
    EXPECT_TRUE(sample.DeliveryDate.isEmpty() && sample.Note.isEmpty() && !sample.StillWriting);
    EXPECT_EQ(sample.Lines.size(), 1u);

    const QString tail = QStringLiteral(
        "\r\r내용을 수정하여 저장해도 거래처에 다시 전송되지 않습니다.\r\r변경을 원할 경우 [복사]를 클릭하시여 다시 "
        "전송하십시요.\r\r신규 주문으로 전송됩니다.");
    EXPECT_EQ(Opened(OrderStatus::Received).OpenedMessage(), QStringLiteral("거래처에서 주문이 이미 접수 되었습니다.") + tail);
    EXPECT_EQ(Opened(OrderStatus::Receiving).OpenedMessage(), QStringLiteral("거래처에서 주문이 접수중입니다.") + tail);

    OrderOnScreen copy = order;
    copy.CopyAsNew();
    EXPECT_TRUE(copy.IsNew());
    EXPECT_TRUE(copy.OrderDate.isEmpty() && copy.OrderTime.isEmpty());
    EXPECT_EQ(copy.OrderState, OrderStatus::None);
    EXPECT_EQ(copy.SendCount, 0);
    EXPECT_EQ(copy.DeliveryDate, order.DeliveryDate);
    EXPECT_EQ(copy.Note, order.Note);
    EXPECT_TRUE(copy.StillWriting);
    EXPECT_EQ(copy.Lines.size(), 1u);
    EXPECT_EQ(order.DeleteQuestion(), QStringLiteral("주문일: 261207\r\r주문 내역을 삭제합니다."));
}

TEST(OrderRules, AnOrderAnswerThereAndBack)
{
    const std::string answer = BuildTag("RESULT_CODE", "1")
        + BuildTag("ORDERH_DATA",
            BuildTag("OH_CODE", "00000031") + BuildTag("OH_MCOUNT", "2") + BuildTag("OH_IOG", "I")
                + BuildTag("OH_RCOUNT", "2"))
        + BuildTag("ORDERL_DATA",
            BuildTag("RDC_0", BuildTag("OL_GC", "YZ") + BuildTag("OL_GN", "직접") + BuildTag("OL_LC", "1,000")));
    const ReadOrderAnswer read = ParseOrderAnswer(answer);
    EXPECT_FALSE(read.complete);
    EXPECT_EQ(read.order.OrderState, OrderStatus::Receiving);
    ASSERT_EQ(read.order.Lines.size(), 1u) << "the lines read so far stay";

    OrderOnScreen o = OrderOnScreen::Opened(read.order, ReadPurpose::Order);
    o.CountSend();
    const std::string request = OrderSendRequest(o, { "M1", "C1", "N1" });
    for (const auto& [name, value] : std::initializer_list<std::pair<const char*, const char*>> { { "OH_CODE", "00000031" },
             { "OH_MCOUNT", "3" }, { "OH_IOG", "A" }, { "OH_RCOUNT", "1" }, { "OL_GN", "직접" }, { "OL_LC", "1000" },
             { "OH_MC", "M1" }, { "OH_NC", "N1" } })
        EXPECT_EQ(ExtractTag(name, request), value) << name;
}
