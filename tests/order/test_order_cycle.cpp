// The order's life through the main window against the demo service, driven
// with keys: sending (and the exact request it makes), the order list,
// opening, changing and resending, the supplier receiving, samples, copying,
// deleting, failed sends and reads, and the delivery-date calendar.

#include "MainWindowSupport.h"

#include "../service/LoopbackServer.h"

#include "Gzip.h"
#include "ServiceCalls.h"
#include "TCEdit.h"
#include "TFrmCA.h"
#include "TFrmCnt.h"
#include "TFrmOrderS.h"
#include "TagMessage.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>

using namespace order;
using namespace order_test;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The elements of a flat tagged text in their order.
Pairs Elements(std::string_view text)
{
    Pairs out;
    while (!text.empty() && text.front() == '<') {
        const std::size_t close = text.find('>');
        const std::string name(text.substr(1, close - 1));
        const std::string end = "</" + name + ">";
        const std::size_t at = text.find(end);
        if (close == std::string_view::npos || at == std::string_view::npos)
            break;
        out.emplace_back(name, std::string(text.substr(close + 1, at - close - 1)));
        text.remove_prefix(at + end.size());
    }
    EXPECT_TRUE(text.empty()) << "unread: " << text;
    return out;
}

// The request text inside a recorded multipart POST: the one file part is
// a gzip member.
std::string RequestText(const std::string& raw)
{
    const std::size_t body = raw.find("\r\n\r\n");
    const std::size_t part = raw.find("\r\n\r\n", body + 4);
    const std::size_t foot = raw.rfind("\r\n--");
    if (body == std::string::npos || part == std::string::npos || foot == std::string::npos || foot < part)
        return {};
    std::string text;
    EXPECT_TRUE(GunzipMember(std::string_view(raw).substr(part + 4, foot - part - 4), text));
    return text;
}

class OrderCycle : public MainWindowTest {
protected:
    void TearDown() override
    {
        ServiceUp();
        MainWindowTest::TearDown();
    }

    void ServiceUp() { server_.Use(); }
    void ServiceAt(int port) { qputenv("ORDER_SERVICE_HOST", QByteArray("127.0.0.1:") + QByteArray::number(port)); }

    // F3 (or Ctrl+F3) and the order list: the row with this code, or the
    // first row when the code is empty. `meanwhile` runs once the list is
    // loaded, before Enter.
    void OpenFromList(const QString& code, bool sample = false, std::function<void()> meanwhile = {})
    {
        bool picked = false;
        WhenShown<TFrmOrderS>(FrmOrderS, [&](TFrmOrderS* w) {
            EXPECT_TRUE(QTest::qWaitFor([w] { return !w->FirstActivate(); }, 5000));
            listOffset_ = w->pos() - main_->pos();
            int row = 0;
            for (int r = 0; r < w->SGG->RowCount() && !code.isEmpty(); ++r)
                if (w->SGG->Cells(7, r) == code)
                    row = r;
            w->SGG->SetRow(row);
            listState_ = w->SGG->Cells(3, row);
            if (meanwhile)
                meanwhile();
            picked = true;
            QTest::keyClick(w->SGG, Qt::Key_Return);
        });
        Press(Qt::Key_F3, sample ? Qt::ControlModifier : Qt::NoModifier);
        EXPECT_TRUE(picked);
        Activate();
    }

    std::string Key() const { return DM->M_CODE.str(); }

    // The shop's newest order code, as the service lists it.
    QString NewestCode()
    {
        std::string a;
        ListOrders(Key(),
            BuildTag("WHERE_OPTION", " OH_CC = '" + DM->C_CODE.str() + "' AND OH_IOG <> 'S' ")
                + BuildTag("ORDERBY", "OH_SD DESC,OH_CODE DESC"),
            a);
        return QString::fromStdString(ExtractTag("OH_CODE", ExtractTag("RDC_0", a)));
    }

    std::string Stored(const QString& code)
    {
        std::string a;
        GetOrder(Key(), code.toStdString(), a);
        return a;
    }

    std::string StoredHead(const QString& code, const char* field)
    {
        return ExtractTag(field, ExtractTag("ORDERH_DATA", Stored(code)));
    }

    // A new order of n traded products (rows 0, 1, ...) sent with F7.
    QString SendNew(int n, bool writing = false)
    {
        for (int r = 0; r < n; ++r)
            AddTraded(r, QString::number(r + 2));
        main_->ChkBxIOG->setChecked(writing);
        messages_.Clear();
        Press(Qt::Key_F7);
        EXPECT_EQ(messages_.Last(), kSent);
        EXPECT_EQ(Lines(), 0);
        return NewestCode();
    }

    QPoint listOffset_;
    QString listState_;
    const QString kSent
        = QString::fromUtf8("주문 내용을 전송하였습니다.\r\r[주문열기]를 클릭하여 내용을 학인하십시요.");
    const QString kAgain
        = QString::fromUtf8("\r\r내용을 수정하여 저장해도 거래처에 다시 전송되지 않습니다.\r\r변경을 원할 "
                            "경우 [복사]를 클릭하시여 다시 전송하십시요.\r\r신규 주문으로 전송됩니다.");
};

} // namespace

TEST_F(OrderCycle, SendMakesTheExactRequest)
{
    testsupport::RecordingFront front(server_->Port());
    ServiceAt(front.Port());
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const QString code = w->SGG->Cells(19, 3);
    AddTraded(3, QStringLiteral("3"));
    // A direct line of 1,000 with a typed name and packing unit.
    w->AddDirectLine(QStringLiteral("직접 주문품"), QStringLiteral("EA"), QStringLiteral("1,000"), QStringLiteral("N"));
    Focus(w->EdtNote);
    Type(QStringLiteral("door 2"));
    Focus(w->EdtDD);
    Type(QStringLiteral("261224"));
    front.Clear();
    Press(Qt::Key_F7);
    EXPECT_EQ(messages_.Last(), kSent);

    std::string text;
    for (const std::string& raw : front.Requests())
        if (raw.rfind("POST /NET/Order.php ", 0) == 0)
            text = RequestText(raw);
    ASSERT_EQ(text.rfind("VALUE=<POST_DATA>", 0), 0u) << text;
    const Pairs top = Elements(ExtractTag("POST_DATA", text));
    ASSERT_EQ(top.size(), 5u);
    EXPECT_EQ(top[0].first, "CALL_INDEX");
    EXPECT_EQ(top[1], Pairs::value_type("COMMAND", "100401"));
    EXPECT_EQ(top[2], Pairs::value_type("DB_KEY", "000001"));
    EXPECT_EQ(top[3].first, "ORDERH_DATA");
    EXPECT_EQ(top[4].first, "ORDERL_DATA");
    const Pairs head = { { "OH_CODE", "" }, { "OH_SD", "" }, { "OH_AT", "" }, { "OH_MT", "" }, { "OH_MCOUNT", "1" },
        { "OH_DD", "261224" }, { "OH_CC", "000101" }, { "OH_TYPE", "C" }, { "OH_IOG", "A" }, { "OH_SG", "0" },
        { "OH_SCODE", "" }, { "OH_RCOUNT", "2" }, { "OH_NOTE", "DOOR 2" }, { "OH_DG", "X" }, { "OH_PN", "" },
        { "OH_PS", "" }, { "OH_MC", "000001" }, { "OH_NC", DM->C_NC.toStdString() }, { "OH_MG", "N" } };
    EXPECT_EQ(Elements(top[3].second), head);
    const Pairs lines = Elements(top[4].second);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].first, "OLD_0");
    EXPECT_EQ(lines[1].first, "OLD_1");
    const Pairs product = { { "OL_NO", "0" }, { "OL_CC", "000101" }, { "OL_OC", "" }, { "OL_GC", code.toStdString() },
        { "OL_GN", "" }, { "OL_GBOX", "" }, { "OL_LO", "0" }, { "OL_LC", "3" }, { "OL_LN", "" }, { "OL_LG", "E" },
        { "OL_LB", "0" }, { "OL_LM", "0" } };
    EXPECT_EQ(Elements(lines[0].second), product);
    const Pairs direct = { { "OL_NO", "1" }, { "OL_CC", "000101" }, { "OL_OC", "" }, { "OL_GC", "YZ" },
        { "OL_GN", "직접 주문품" }, { "OL_GBOX", "EA" }, { "OL_LO", "0" }, { "OL_LC", "1000" }, { "OL_LN", "N" },
        { "OL_LG", "E" }, { "OL_LB", "0" }, { "OL_LM", "0" } };
    EXPECT_EQ(Elements(lines[1].second), direct);
    // Sent: the screen holds a new order.
    EXPECT_EQ(Lines(), 0);
    EXPECT_EQ(w->EdtDD->text(), QString());
    EXPECT_EQ(w->EdtNote->text(), QString());
}

TEST_F(OrderCycle, SendGuards)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const std::uint64_t calls = Calls();
    Press(Qt::Key_F7);
    EXPECT_EQ(messages_.Last(), QString::fromUtf8("전송할 주문내역이 없습니다."));
    AddTraded(0, QStringLiteral("1"));
    for (const char* bad : { "261340", "260229", "26122", "2612a4" }) {
        w->EdtDD->setText(QString::fromLatin1(bad));
        Press(Qt::Key_F7);
        EXPECT_EQ(messages_.Last(), QString::fromUtf8("배송일을 정확히 입력해 주십시요.")) << bad;
    }
    EXPECT_EQ(w->Order.SendCount, 0) << "a refused send is not counted";
    EXPECT_EQ(Calls(), calls) << "nothing was sent";
    EXPECT_EQ(Lines(), 1);
}

// When two checks fail at once, the earlier one speaks and nothing else is
// asked: no lines before a bad date; a state that refuses the send before the
// question about an unusual quantity.
TEST_F(OrderCycle, SendChecksSpeakInTheirOrder)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const std::uint64_t calls = Calls();
    w->EdtDD->setText(QStringLiteral("261340"));
    messages_.Clear();
    Press(Qt::Key_F7);
    EXPECT_EQ(messages_.Texts(), QStringList { Msg("전송할 주문내역이 없습니다.") });
    EXPECT_EQ(Calls(), calls);
    w->EdtDD->clear();

    const QString code = SendNew(1);
    ASSERT_TRUE(server_->SetOrderState(code.toStdString(), "I"));
    OpenFromList(code);
    ASSERT_EQ(Lines(), 1);
    const QString usual = w->SGG->Cells(6, 4).trimmed();
    ASSERT_FALSE(usual.isEmpty());
    AddTraded(4, QString::number(usual.toInt() * 10));
    ASSERT_EQ(Lines(), 2);
    const std::uint64_t before = Calls();
    messages_.Clear();
    messages_.script = { MessageAnswer::Yes };
    Press(Qt::Key_F7);
    EXPECT_EQ(messages_.Texts(), QStringList { Msg("접수중인 내용은 수정할 수 없습니다.") });
    EXPECT_EQ(Calls(), before) << "nothing was sent";
    EXPECT_EQ(Lines(), 2);
}

TEST_F(OrderCycle, OpenChangeResendReceiveAndSample)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const QString code = SendNew(2);
    ASSERT_FALSE(code.isEmpty());
    EXPECT_EQ(StoredHead(code, "OH_MCOUNT"), "1");

    // Opened: identity, count and lines come back.
    OpenFromList(code);
    EXPECT_EQ(listOffset_, QPoint(240, 20));
    EXPECT_EQ(listState_, QStringLiteral("A"));
    EXPECT_EQ(w->Order.OrderCode, code);
    EXPECT_EQ(w->Order.OrderState, OrderStatus::Sent);
    EXPECT_EQ(w->Order.SendCount, 1);
    ASSERT_EQ(Lines(), 2);
    EXPECT_EQ(w->SGS->Cells(9, 0), w->SGG->Cells(19, 0));
    EXPECT_EQ(w->SGS->Cells(3, 1), QStringLiteral("3"));
    EXPECT_EQ(w->SGS->Cells(4, 0), w->SGG->Cells(5, 0).trimmed()) << "prices from the traded list";

    // Changed and sent again: the same order, counted twice.
    Focus(w->SGS);
    w->SGS->SetRow(0);
    WhenShown<TFrmCnt>(FrmCnt, [](TFrmCnt* cnt) {
        QTest::keyClicks(cnt->focusWidget(), QStringLiteral("7"));
        QTest::keyClick(cnt->focusWidget(), Qt::Key_Return);
    });
    Press(Qt::Key_Return);
    Activate();
    Press(Qt::Key_F7);
    EXPECT_EQ(messages_.Last(), kSent);
    EXPECT_EQ(NewestCode(), code);
    EXPECT_EQ(StoredHead(code, "OH_MCOUNT"), "2");
    EXPECT_EQ(ExtractTag("OL_LC", ExtractTag("RDC_0", ExtractTag("ORDERL_DATA", Stored(code)))), "7");

    // The supplier receives it: neither send nor delete, and opening says so.
    struct Step {
        const char* state;
        const char* opened;
        const char* send;
        const char* remove;
    };
    const Step steps[] = {
        { "I", "거래처에서 주문이 접수중입니다.", "접수중인 내용은 수정할 수 없습니다.",
            "접수중인 내용은 삭제할 수 없습니다." },
        { "O", "거래처에서 주문이 이미 접수 되었습니다.", "이미 접수된 내용은 수정할 수 없습니다.",
            "이미 접수된 내용은 삭제할 수 없습니다." },
    };
    for (const Step& s : steps) {
        ASSERT_TRUE(server_->SetOrderState(code.toStdString(), s.state));
        messages_.Clear();
        OpenFromList(code);
        EXPECT_EQ(listState_, QString::fromLatin1(s.state));
        EXPECT_EQ(messages_.Texts(), QStringList { QString::fromUtf8(s.opened) + kAgain });
        EXPECT_EQ(Lines(), 2);
        Press(Qt::Key_F7);
        EXPECT_EQ(messages_.Last(), QString::fromUtf8(s.send));
        Press(Qt::Key_F8);
        EXPECT_EQ(messages_.Last(), QString::fromUtf8(s.remove));
        EXPECT_EQ(w->Order.SendCount, 2) << "a refused send is not counted";
    }
    EXPECT_EQ(StoredHead(code, "OH_MCOUNT"), "2");

    // Registered as a sample: the screen clears without a word.
    messages_.Clear();
    Press(Qt::Key_F7, Qt::ControlModifier);
    EXPECT_TRUE(messages_.Texts().isEmpty());
    EXPECT_EQ(Lines(), 0);
    EXPECT_EQ(w->Order.OrderCode, QString());
    EXPECT_EQ(StoredHead(code, "OH_SG"), "1");

    // Opened as a sample: its lines in a new order.
    w->EdtNote->setText(QStringLiteral("KEEP?"));
    OpenFromList(code, true);
    EXPECT_EQ(Lines(), 2);
    EXPECT_EQ(w->Order.OrderCode, QString());
    EXPECT_EQ(w->Order.OrderState, OrderStatus::None);
    EXPECT_EQ(w->Order.SendCount, 0);
    EXPECT_EQ(w->EdtNote->text(), QString());
    EXPECT_EQ(w->EdtDD->text(), QString());
    Press(Qt::Key_F7, Qt::ControlModifier);
    EXPECT_EQ(messages_.Last(), QString::fromUtf8("먼저 샘플로 등록할 내용을 주문열기하여 선택해 주십시요."));
    Press(Qt::Key_F8); // no order code: nothing happens
    EXPECT_EQ(Lines(), 2);
    Press(Qt::Key_F7);
    EXPECT_EQ(messages_.Last(), kSent);
    const QString copy = NewestCode();
    EXPECT_NE(copy, code);
    EXPECT_EQ(StoredHead(copy, "OH_MCOUNT"), "1");
    EXPECT_EQ(StoredHead(copy, "OH_RCOUNT"), "2");
}

TEST_F(OrderCycle, SampleGuardsByState)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    Press(Qt::Key_F7, Qt::ControlModifier);
    EXPECT_EQ(messages_.Last(), QString::fromUtf8("먼저 샘플로 등록할 내용을 주문열기하여 선택해 주십시요."));
    // Stored while still being written: it comes back checked.
    const QString writing = SendNew(1, true);
    EXPECT_EQ(StoredHead(writing, "OH_IOG"), "X");
    EXPECT_FALSE(w->ChkBxIOG->isChecked());
    OpenFromList(writing);
    EXPECT_TRUE(w->ChkBxIOG->isChecked());
    EXPECT_EQ(w->Order.OrderState, OrderStatus::Writing);
    Press(Qt::Key_F7, Qt::ControlModifier);
    EXPECT_EQ(messages_.Last(), QString::fromUtf8("작성중인 내용은 샘플등록을 할수 없습니다."));
    // Sent without the box: "A", not yet received.
    w->ChkBxIOG->setChecked(false);
    Press(Qt::Key_F7);
    EXPECT_EQ(StoredHead(writing, "OH_IOG"), "A");
    OpenFromList(writing);
    EXPECT_FALSE(w->ChkBxIOG->isChecked());
    Press(Qt::Key_F7, Qt::ControlModifier);
    EXPECT_EQ(messages_.Last(), QString::fromUtf8("미접수 내용은 샘플등록을 할수 없습니다."));
    EXPECT_EQ(w->Order.OrderCode, writing);
}

TEST_F(OrderCycle, CopyMakesANewOrderOfTheSameContent)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    Press(Qt::Key_F6);
    EXPECT_EQ(messages_.Last(), QString::fromUtf8("복사할 내용을 먼저 열기하여 선택하십시요."));
    const QString code = SendNew(2);
    OpenFromList(code);
    const QString delivery = w->EdtDD->text();
    Press(Qt::Key_F6);
    EXPECT_EQ(messages_.Last(), QString::fromUtf8("새로운 주문으로 복사 되었습니다."));
    EXPECT_EQ(w->Order.OrderCode, QString());
    EXPECT_EQ(w->Order.OrderDate, QString());
    EXPECT_EQ(w->Order.SendCount, 0);
    EXPECT_EQ(Lines(), 2);
    EXPECT_EQ(w->EdtDD->text(), delivery);
    Press(Qt::Key_F7);
    EXPECT_EQ(messages_.Last(), kSent);
    const QString copy = NewestCode();
    EXPECT_NE(copy, code);
    EXPECT_EQ(StoredHead(code, "OH_MCOUNT"), "1") << "the original stays as it was";
    EXPECT_EQ(StoredHead(copy, "OH_MCOUNT"), "1");
}

TEST_F(OrderCycle, DeleteAsksFirst)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const QString code = SendNew(1);
    OpenFromList(code);
    const QString question
        = QString::fromUtf8("주문일: ") + w->Order.OrderDate + QString::fromUtf8("\r\r주문 내역을 삭제합니다.");
    EXPECT_EQ(w->Order.OrderDate.size(), 6);
    messages_.script = { MessageAnswer::No };
    Press(Qt::Key_F8);
    EXPECT_EQ(messages_.Last(), question);
    EXPECT_TRUE(IsSuccess(Stored(code)));
    EXPECT_EQ(Lines(), 1);
    messages_.script = { MessageAnswer::Yes };
    Press(Qt::Key_F8);
    EXPECT_FALSE(IsSuccess(Stored(code)));
    EXPECT_EQ(Lines(), 0);
    EXPECT_EQ(w->Order.OrderCode, QString());
}

TEST_F(OrderCycle, FailedSendKeepsTheOrderAndCountsOn)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    AddTraded(0, QStringLiteral("2"));
    AddTraded(1, QStringLiteral("5"));
    w->EdtNote->setText(QStringLiteral("RETRY"));
    ServiceAt(testsupport::ClosedPort());
    Press(Qt::Key_F7);
    const QString failure = messages_.Last();
    EXPECT_TRUE(failure.startsWith(QString::fromUtf8("주문 전송 실패입니다.\r\rSend_PostRequest Error<CALL_INDEX>")))
        << failure.toStdString();
    EXPECT_TRUE(failure.endsWith(QString::fromUtf8("</CALL_INDEX>\r\r인터넷 연결을 확인하십시요.")));
    EXPECT_EQ(Lines(), 2);
    EXPECT_EQ(w->SGS->Cells(3, 1), QStringLiteral("5"));
    EXPECT_EQ(w->EdtNote->text(), QStringLiteral("RETRY"));
    EXPECT_EQ(w->Order.SendCount, 1);
    EXPECT_EQ(w->SGS->Row(), 1) << "the selection ends on the last line";
    ServiceUp();
    Press(Qt::Key_F7);
    EXPECT_EQ(messages_.Last(), kSent);
    EXPECT_EQ(StoredHead(NewestCode(), "OH_MCOUNT"), "2");
}

TEST_F(OrderCycle, FailedReadLeavesTheScreenAsItWas)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const QString code = SendNew(2);
    OpenFromList(code);
    AddTraded(5, QStringLiteral("4"));
    w->EdtNote->setText(QStringLiteral("MINE"));
    const int lines = Lines();
    std::vector<QString> cells;
    for (int r = 0; r < lines; ++r)
        for (int c = 0; c < 10; ++c)
            cells.push_back(w->SGS->Cells(c, r));
    const QString total = w->CEdtSum->text();
    messages_.Clear();
    OpenFromList(QString(), false, [this] { ServiceAt(testsupport::ClosedPort()); });
    ASSERT_EQ(messages_.Texts().size(), 1);
    EXPECT_TRUE(messages_.Last().startsWith(QString::fromUtf8("주문 내용 읽기 실패입니다.\r\rSend_PostRequest Error")));
    EXPECT_TRUE(messages_.Last().endsWith(QString::fromUtf8("\r\r인터넷 연결을 확인하십시요.")));
    ASSERT_EQ(Lines(), lines);
    std::size_t i = 0;
    for (int r = 0; r < lines; ++r)
        for (int c = 0; c < 10; ++c)
            EXPECT_EQ(w->SGS->Cells(c, r), cells[i++]) << r << "," << c;
    EXPECT_EQ(w->Order.OrderCode, code);
    EXPECT_EQ(w->Order.OrderState, OrderStatus::Sent);
    EXPECT_EQ(w->Order.SendCount, 1);
    EXPECT_EQ(w->EdtNote->text(), QStringLiteral("MINE"));
    EXPECT_EQ(w->CEdtSum->text(), total);
}

TEST_F(OrderCycle, BrokenLineCountsFillWhatFits)
{
    TFrmMain* w = Open(kShop03);
    ASSERT_NE(w, nullptr);
    struct Case {
        int rcount;
        int records;
        int lines;
        bool message;
    };
    const Case cases[] = { { 150, 120, 99, true }, { 3, 2, 2, true }, { 2, -1, 0, true }, { 0, 0, 0, false } };
    for (const Case& c : cases) {
        std::string body;
        for (int i = 0; i < c.records; ++i)
            body += BuildTag(RecordName(i),
                BuildTag("OL_GC", "YZ") + BuildTag("OL_GN", "품목 " + std::to_string(i)) + BuildTag("OL_LC", "1"));
        const std::string answer = BuildTag("RESULT_CODE", "1")
            + BuildTag("ORDERH_DATA",
                BuildTag("OH_CODE", "00009999") + BuildTag("OH_IOG", "A")
                    + BuildTag("OH_RCOUNT", std::to_string(c.rcount)))
            + (c.records < 0 ? std::string() : BuildTag("ORDERL_DATA", body));
        testsupport::RecordingFront front(server_->Port());
        ServiceAt(front.Port());
        messages_.Clear();
        OpenFromList(QString(), false, [&front, &answer] {
            front.SetCanned("/NET/Order.php",
                "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: "
                    + std::to_string(answer.size()) + "\r\nConnection: close\r\n\r\n" + answer);
        });
        ServiceUp();
        EXPECT_EQ(Lines(), c.lines) << c.rcount;
        EXPECT_EQ(w->SGS->Cells(0, 98).isEmpty(), c.lines < 99);
        EXPECT_EQ(w->Order.OrderCode, QStringLiteral("00009999"));
        const QString mismatch = QString::fromUtf8("주문 제품 라인수량 불일치 입니다.\r\r인터넷 연결을 확인하십시요.");
        EXPECT_EQ(messages_.Texts().contains(mismatch), c.message) << c.rcount;
    }
}

TEST_F(OrderCycle, CalendarPicksTheDeliveryDate)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    w->EdtDD->setText(QStringLiteral("080229"));
    QPoint offset;
    QDate shown;
    WhenShown<TFrmCA>(FrmCA, [&](TFrmCA* ca) {
        offset = ca->pos() - w->pos();
        shown = ca->MCa->selectedDate();
        ca->MCa->setSelectedDate(QDate(2027, 1, 5));
        QTest::keyClick(ca->MCa, Qt::Key_Return);
    });
    w->SBDate->click();
    Activate();
    EXPECT_EQ(offset, QPoint(160, 20));
    EXPECT_EQ(shown, QDate(2008, 2, 29));
    EXPECT_EQ(w->EdtDD->text(), QStringLiteral("270105"));
    EXPECT_NE(w->focusWidget(), w->EdtDD) << "the focus moves on after a pick";

    // F12 opens it too; Esc changes nothing.
    WhenShown<TFrmCA>(FrmCA, [](TFrmCA* ca) { QTest::keyClick(ca->MCa, Qt::Key_Escape); });
    Press(Qt::Key_F12);
    Activate();
    EXPECT_EQ(w->EdtDD->text(), QStringLiteral("270105"));
    EXPECT_EQ(FrmCA, nullptr);
}
