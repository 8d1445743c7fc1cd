// The main window while the service holds its answer for 3 s: it keeps
// painting, shows the box, acts on keys typed meanwhile after the answer and
// in order, and a cancel gives the failure of a dead line at once with the
// order kept. Quick calls show nothing.

#include "MainWindowSupport.h"

#include "../service/LoopbackServer.h"

#include "CallWait.h"
#include "ServiceCalls.h"
#include "TFrmCnt.h"
#include "TagMessage.h"

#include <QToolButton>

using namespace order;
using namespace order_test;

namespace {

class SlowLine : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetTransferRunner(&wait_);
        qputenv("ORDER_SERVICE_HOST", QByteArray("127.0.0.1:") + QByteArray::number(front_.Port()));
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        SetTransferRunner(nullptr);
        server_.Use();
    }

    // An order of two traded products, typed in through the quantity window.
    TFrmMain* OpenWithTwoLines()
    {
        TFrmMain* w = Open(kShop01);
        for (int row = 0; w && row < 2; ++row) {
            Focus(w->SGG);
            w->SGG->SetRow(row);
            WhenShown<TFrmCnt>(FrmCnt, [](TFrmCnt* cnt) {
                QTest::keyClicks(cnt->focusWidget(), QStringLiteral("3"));
                QTest::keyClick(cnt->focusWidget(), Qt::Key_Return);
            });
            Press(Qt::Key_Return);
            Activate();
        }
        EXPECT_EQ(Lines(), 2);
        return w;
    }

    // F7 while the service holds every order request for 3 s.
    void SendHeld()
    {
        front_.SetDelay("/NET/Order.php", 3000);
        QTest::keyClick(main_->windowHandle(), Qt::Key_F7);
        front_.SetDelay("/NET/Order.php", 0);
    }

    // The head of the shop's newest order.
    std::string NewestOrder()
    {
        std::string a;
        ListOrders(DM->M_CODE.str(),
            BuildTag("WHERE_OPTION", " OH_CC = '" + DM->C_CODE.str() + "' AND OH_IOG <> 'S' ")
                + BuildTag("ORDERBY", "OH_SD DESC,OH_CODE DESC"),
            a);
        GetOrder(DM->M_CODE.str(), ExtractTag("OH_CODE", ExtractTag("RDC_0", a)), a);
        return ExtractTag("ORDERH_DATA", a);
    }

    static void At(int ms, std::function<void()> action) { QTimer::singleShot(ms, qApp, std::move(action)); }

    TCallWait wait_;
    testsupport::RecordingFront front_ { server_->Port() };
};

} // namespace

TEST_F(SlowLine, TheWindowPaintsAndActsOnKeysTypedMeanwhileAfterTheAnswer)
{
    TFrmMain* w = OpenWithTwoLines();
    ASSERT_NE(w, nullptr);
    const QString barcode = w->SGG->Cells(w->ListColumns.Barcode, 5);
    const QString code = w->SGG->Cells(w->ListColumns.Code, 5);
    Focus(w->EdtGN);
    int cellsDrawn = 0;
    const auto draw = w->SGS->OnDrawCell;
    w->SGS->OnDrawCell = [&](int c, int r, QPainter& p, const QRect& rect, bool s, bool f) {
        ++cellsDrawn;
        draw(c, r, p, rect, s, f);
    };
    int drawnAtOne = 0, drawnAtTwo = 0;
    bool boxOverWindow = false;
    // A scanner types the barcode, half before the box appears and the rest
    // with Enter while it is up, into the keyboard's window.
    const auto scan = [w](const QString& keys) {
        for (const QChar c : keys)
            QTest::keyClick(w->windowHandle(), c.toLatin1());
    };
    At(300, [&] { scan(barcode.left(4)); });
    At(1000, [&] {
        drawnAtOne = cellsDrawn;
        w->SGS->viewport()->update();
    });
    At(1500, [&] {
        boxOverWindow = FrmWait && FrmWait->isVisible() && FrmWait->parentWidget() == w;
        scan(barcode.mid(4) + QLatin1Char('\r'));
    });
    At(2000, [&] { drawnAtTwo = cellsDrawn; });
    SendHeld();

    EXPECT_GT(drawnAtTwo, drawnAtOne) << "the order lines were drawn again while the answer was held";
    EXPECT_TRUE(boxOverWindow);
    const QString sent = Msg("주문 내용을 전송하였습니다.\r\r[주문열기]를 클릭하여 내용을 학인하십시요.");
    EXPECT_EQ(messages_.Last(), sent);
    EXPECT_EQ(ExtractTag("OH_RCOUNT", NewestOrder()), "2");
    // The scan came after the answer and began the next order.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Lines() == 1 && wait_.HeldInput() == 0; }));
    EXPECT_EQ(w->SGS->Cells(9, 0), code);
    EXPECT_EQ(w->SGS->Cells(3, 0), QStringLiteral("1"));
    EXPECT_EQ(messages_.Last(), sent);
}

TEST_F(SlowLine, CancelAfterASecondFailsTheSendAtOnceAndKeepsTheOrder)
{
    TFrmMain* w = OpenWithTwoLines();
    ASSERT_NE(w, nullptr);
    w->EdtNote->setText(QStringLiteral("KEEP"));
    std::vector<QString> cells;
    for (int i = 0; i < 20; ++i)
        cells.push_back(w->SGS->Cells(i % 10, i / 10));
    const std::string before = NewestOrder();
    At(1000, [] {
        ASSERT_NE(FrmWait, nullptr);
        QTest::mouseClick(FrmWait->SBCancel, Qt::LeftButton);
    });
    SendHeld();

    EXPECT_TRUE(front_.GaveUpReaches(1)) << "the client hung up while the line was silent";
    const QString failure = messages_.Last();
    EXPECT_TRUE(failure.startsWith(Msg("주문 전송 실패입니다.\r\rSend_PostRequest Error<CALL_INDEX>")))
        << failure.toStdString();
    EXPECT_TRUE(failure.endsWith(Msg("</CALL_INDEX>\r\r인터넷 연결을 확인하십시요.")));
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(w->SGS->Cells(i % 10, i / 10), cells[i]) << i;
    EXPECT_EQ(w->EdtNote->text(), QStringLiteral("KEEP"));
    EXPECT_EQ(w->Order.SendCount, 1);
    EXPECT_EQ(FrmWait, nullptr);
    EXPECT_EQ(NewestOrder(), before) << "the held request never reached the service";
}

TEST_F(SlowLine, QuickCallsShowNoBox)
{
    // The login, the notices, the traded list and a search.
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    Focus(w->EdtGN);
    Type(QStringLiteral("A"));
    Press(Qt::Key_Return);
    EXPECT_GE(Calls(), 5u);
    EXPECT_EQ(wait_.BoxesShown(), 0);
}
