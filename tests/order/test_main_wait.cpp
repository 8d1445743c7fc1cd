// The main window while the service is slow: against a line that holds the
// answer for 3 s the window keeps painting, the box appears, keys typed
// meanwhile are acted on after the answer, in order, and a cancel gives the
// failure of a dead line at once with the order kept. Quick calls show
// nothing.

#include "MainWindowSupport.h"

#include "../service/LoopbackServer.h"

#include "CallWait.h"
#include "ServiceCalls.h"
#include "TFrmCnt.h"
#include "TagMessage.h"

#include <QLabel>
#include <QToolButton>

using namespace order;
using namespace order_test;

namespace {

// Paint events of one window and its controls.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* window)
        : window_(window)
    {
        qApp->installEventFilter(this);
    }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Paint && w && w->window() == window_)
            ++count;
        return false;
    }
    int count = 0;

private:
    QWidget* window_;
};

class SlowLine : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        SetTransferRunner(&wait_);
        front_ = std::make_unique<testsupport::RecordingFront>(server_->Port());
        qputenv("ORDER_SERVICE_HOST", QByteArray("127.0.0.1:") + QByteArray::number(front_->Port()));
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        SetTransferRunner(nullptr);
        front_.reset();
        qputenv("ORDER_SERVICE_HOST", QByteArray::fromStdString(server_->HostPort()));
    }

    void AddTraded(int row, const QString& qty)
    {
        Focus(main_->SGG);
        main_->SGG->SetRow(row);
        WhenShown<TFrmCnt>(FrmCnt, [qty](TFrmCnt* cnt) {
            QTest::keyClicks(cnt->focusWidget(), qty);
            QTest::keyClick(cnt->focusWidget(), Qt::Key_Return);
        });
        Press(Qt::Key_Return);
        Activate();
    }

    QString NewestCode()
    {
        std::string a;
        ListOrders(DM->M_CODE.str(),
            BuildTag("WHERE_OPTION", " OH_CC = '" + DM->C_CODE.str() + "' AND OH_IOG <> 'S' ")
                + BuildTag("ORDERBY", "OH_SD DESC,OH_CODE DESC"),
            a);
        return QString::fromStdString(ExtractTag("OH_CODE", ExtractTag("RDC_0", a)));
    }

    std::vector<QString> LineCells()
    {
        std::vector<QString> cells;
        for (int r = 0; r < Lines(); ++r)
            for (int c = 0; c < 10; ++c)
                cells.push_back(main_->SGS->Cells(c, r));
        return cells;
    }

    static void At(int ms, std::function<void()> action) { QTimer::singleShot(ms, qApp, std::move(action)); }

    // Keys as the keyboard (or a scanner) gives them: to the window, which
    // hands them to its focused control.
    void TypeAtWindow(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(main_->windowHandle(), c.toLatin1());
    }

    TCallWait wait_;
    std::unique_ptr<testsupport::RecordingFront> front_;
};

} // namespace

TEST_F(SlowLine, TheWindowPaintsAndActsOnKeysTypedMeanwhileAfterTheAnswer)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    AddTraded(0, QStringLiteral("2"));
    AddTraded(1, QStringLiteral("5"));
    const QString barcode = w->SGG->Cells(w->ListColumns.Barcode, 5);
    const QString code = w->SGG->Cells(w->ListColumns.Code, 5);
    ASSERT_GE(barcode.size(), 4);
    Focus(w->EdtGN);
    const QString before = NewestCode();

    front_->SetDelay("/NET/Order.php", 3000);
    PaintCounter paints(w);
    int paintsAtOne = 0, paintsAtTwo = 0;
    bool boxShown = false;
    // A scanner types half the barcode before the box appears and the rest,
    // with Enter, while it is up.
    At(300, [&] { TypeAtWindow(barcode.left(2)); });
    At(1000, [&] {
        paintsAtOne = paints.count;
        w->update();
    });
    At(1500, [&] {
        boxShown = FrmWait && FrmWait->isVisible() && FrmWait->parentWidget() == w;
        TypeAtWindow(barcode.mid(2));
        QTest::keyClick(w->windowHandle(), Qt::Key_Return);
    });
    At(2000, [&] { paintsAtTwo = paints.count; });
    QTest::keyClick(w->windowHandle(), Qt::Key_F7);
    front_->SetDelay("/NET/Order.php", 0);

    EXPECT_GT(paintsAtTwo, paintsAtOne) << "the window painted while the answer was held";
    EXPECT_TRUE(boxShown);
    const QString kSent = Msg("주문 내용을 전송하였습니다.\r\r[주문열기]를 클릭하여 내용을 학인하십시요.");
    EXPECT_EQ(messages_.Last(), kSent);
    // The send took the two lines typed before it; the scan came after the
    // answer and began the next order.
    const QString sent = NewestCode();
    EXPECT_NE(sent, before);
    std::string stored;
    GetOrder(DM->M_CODE.str(), sent.toStdString(), stored);
    EXPECT_EQ(ExtractTag("OH_RCOUNT", ExtractTag("ORDERH_DATA", stored)), "2");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Lines() == 1 && wait_.HeldInput() == 0; }, 5000));
    EXPECT_EQ(w->SGS->Cells(9, 0), code);
    EXPECT_EQ(w->SGS->Cells(3, 0), QStringLiteral("1"));
    EXPECT_EQ(w->EdtGN->text(), QString());
    EXPECT_EQ(messages_.Last(), kSent) << "no message after the scan";
}

TEST_F(SlowLine, CancelAfterASecondFailsTheSendAtOnceAndKeepsTheOrder)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    AddTraded(0, QStringLiteral("2"));
    AddTraded(1, QStringLiteral("5"));
    w->EdtNote->setText(QStringLiteral("KEEP"));
    const std::vector<QString> cells = LineCells();
    const QString before = NewestCode();

    front_->SetDelay("/NET/Order.php", 3000);
    At(1000, [&] {
        ASSERT_NE(FrmWait, nullptr);
        QTest::mouseClick(FrmWait->SBCancel, Qt::LeftButton);
    });
    Press(Qt::Key_F7);
    front_->SetDelay("/NET/Order.php", 0);

    // The client hung up while the line was still silent.
    EXPECT_TRUE(front_->GaveUpReaches(1));
    const QString failure = messages_.Last();
    EXPECT_TRUE(failure.startsWith(Msg("주문 전송 실패입니다.\r\rSend_PostRequest Error<CALL_INDEX>")))
        << failure.toStdString();
    EXPECT_TRUE(failure.endsWith(Msg("</CALL_INDEX>\r\r인터넷 연결을 확인하십시요.")));
    EXPECT_EQ(LineCells(), cells);
    EXPECT_EQ(w->EdtNote->text(), QStringLiteral("KEEP"));
    EXPECT_EQ(w->SendCount, 1);
    EXPECT_EQ(w->OrderCode, QString());
    EXPECT_EQ(FrmWait, nullptr);
    EXPECT_EQ(NewestCode(), before) << "the held request never reached the service";
}

TEST_F(SlowLine, QuickCallsShowNoBox)
{
    // The login, the notices, the traded list, a search and the order list.
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    Focus(w->EdtGN);
    Type(QStringLiteral("A"));
    Press(Qt::Key_Return);
    EXPECT_GE(Calls(), 5u);
    EXPECT_EQ(wait_.BoxesShown(), 0);
    EXPECT_EQ(wait_.HeldInput(), 0);
}
