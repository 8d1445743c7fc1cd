// The delivery-date calendar and the order list: their rules without a
// window, then the windows driven with keys, the mouse and the wheel, the
// order list against the demo service.

#include "../service/LoopbackServer.h"

#include "DataModule.h"
#include "DemoServiceSupport.h"
#include "DialogTestSupport.h"
#include "Messages.h"
#include "OrderListLogic.h"
#include "StringGrid.h"
#include "TFrmCA.h"
#include "TFrmOrderS.h"
#include "TagMessage.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <functional>
#include <memory>

using namespace order;

namespace {

// Shows a dialog modally, drives it from inside its own loop and checks that
// it deleted itself.
template <typename Dialog> int RunModal(Dialog* const& global, std::function<void(Dialog&)> drive)
{
    const int result = dialog_test::RunModal<Dialog>(global, drive);
    EXPECT_EQ(global, nullptr) << "the window deletes itself and clears its global";
    return result;
}

} // namespace

TEST(CalendarStartDate, ValidDatesInThe2000sOtherwiseToday)
{
    const QDate today(2026, 12, 8);
    struct Case {
        const char* text;
        QDate expected;
    };
    const Case cases[] = {
        { "070229", today }, // 2007 was no leap year
        { "080229", QDate(2008, 2, 29) },
        { "991231", QDate(2099, 12, 31) },
        { "070305", QDate(2007, 3, 5) },
        { "", today },
        { "071301", today },
        { "070431", today },
        { "07035", today },
        { "0703051", today },
        { "07a305", today },
    };
    for (const Case& c : cases)
        EXPECT_EQ(CalendarStartDate(QString::fromLatin1(c.text), today), c.expected) << c.text;
    EXPECT_EQ(CalendarDateCode(QDate(2007, 3, 5)), QStringLiteral("070305"));
}

TEST(OrderListLogic, RequestDoublesQuotesOfTheCustomerCode)
{
    EXPECT_EQ(OrderListRequest("000101"),
        "<WHERE_OPTION> OH_CC = '000101' AND OH_IOG <> 'S' </WHERE_OPTION>"
        "<ORDERBY>OH_SD DESC,OH_CODE DESC</ORDERBY>");
    EXPECT_EQ(ExtractTag("WHERE_OPTION", OrderListRequest("A'B''")), " OH_CC = 'A''B''''' AND OH_IOG <> 'S' ");
}

TEST(OrderListLogic, CellTexts)
{
    struct Case {
        int col;
        const char* cell;
        const char* text;
        int indent;
        bool red;
    };
    const Case cases[] = {
        { 0, "061231", "06/12/31", 6, false },
        { 0, " 061231 ", "06/12/31", 6, false },
        { 0, "6123", "", 6, false },
        { 4, "261224", "26/12/24", 6, false },
        { 4, "", "", 6, false },
        { 1, "0905", "09:05", 7, false },
        { 2, "1130", "11:30", 7, false },
        { 2, "905", "", 7, false },
        { 3, "A", "미접수", 8, false },
        { 3, "I", "접수중", 8, false },
        { 3, "O", "접수", 8, false },
        { 3, "X", "작성중", 8, true },
        { 3, "S", "", 8, false },
        { 5, "  오전 배송  ", "오전 배송", 4, false },
        { 7, "00000012", "00000012", 4, false },
    };
    for (const Case& c : cases) {
        const OrderListCell d = OrderListCellDisplay(c.col, QString::fromUtf8(c.cell));
        EXPECT_EQ(d.text, QString::fromUtf8(c.text)) << c.col << " " << c.cell;
        EXPECT_EQ(d.indent, c.indent) << c.col;
        EXPECT_EQ(d.red, c.red) << c.col << " " << c.cell;
    }
}

class CalendarWindow : public ::testing::Test {
protected:
    void SetUp() override { dm = std::make_unique<TDM>(); }

    int Open(const QString& input, std::function<void(TFrmCA&)> drive)
    {
        DM->PickedValue = QStringLiteral("stale");
        new TFrmCA();
        EXPECT_EQ(DM->PickedValue, QString()) << "emptied at creation";
        FrmCA->InputText = input;
        return RunModal<TFrmCA>(FrmCA, drive);
    }

    std::unique_ptr<TDM> dm;
};

TEST_F(CalendarWindow, DoubleClickPicksTheDay)
{
    const int result = Open(QStringLiteral("080229"), [](TFrmCA& w) {
        EXPECT_EQ(w.size(), QSize(241, 369));
        EXPECT_EQ(w.MCa->selectedDate(), QDate(2008, 2, 29));
        w.MCa->setSelectedDate(QDate(2008, 3, 5));
        auto* days = w.MCa->findChild<QTableView*>();
        ASSERT_NE(days, nullptr);
        const QRect cell = days->visualRect(days->currentIndex());
        ASSERT_TRUE(cell.isValid());
        QTest::mouseDClick(days->viewport(), Qt::LeftButton, {}, cell.center());
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(DM->PickedValue, QStringLiteral("080305"));
}

TEST_F(CalendarWindow, KeysMoveAndEnterPicks)
{
    const int result = Open(QStringLiteral("991231"), [](TFrmCA& w) {
        EXPECT_EQ(w.MCa->selectedDate(), QDate(2099, 12, 31));
        QWidget* f = QApplication::focusWidget();
        ASSERT_NE(f, nullptr);
        QTest::keyClick(f, Qt::Key_Left);
        QTest::keyClick(f, Qt::Key_Up);
        QTest::keyClick(f, Qt::Key_Return);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(DM->PickedValue, QStringLiteral("991223"));
}

// The month bar reads year then month, "2099년 12월", and keeps it when the
// page turns; the days are drawn 24 pixels high.
TEST_F(CalendarWindow, MonthBarReadsYearThenMonth)
{
    Open(QStringLiteral("991231"), [](TFrmCA& w) {
        auto* year = w.MCa->findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton"));
        auto* month = w.MCa->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
        auto* next = w.MCa->findChild<QToolButton*>(QStringLiteral("qt_calendar_nextmonth"));
        ASSERT_TRUE(year && month && next);
        EXPECT_EQ(year->text(), QStringLiteral("2099년"));
        EXPECT_EQ(month->text(), QStringLiteral("12월"));
        EXPECT_LT(year->x(), month->x());
        next->click();
        EXPECT_EQ(year->text(), QStringLiteral("2100년"));
        EXPECT_EQ(month->text(), QStringLiteral("1월"));
        EXPECT_EQ(w.MCa->font().pixelSize(), 24);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_Escape);
    });
}

TEST_F(CalendarWindow, EscCancelsAndPicksNothing)
{
    const int result = Open(QString(), [](TFrmCA& w) {
        EXPECT_EQ(w.MCa->selectedDate(), QDate::currentDate());
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &w, Qt::Key_Escape);
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(DM->PickedValue, QString());
}

class OrderListWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_.Start(); }
    static void TearDownTestSuite() { server_.Stop(); }
    void SetUp() override
    {
        ASSERT_TRUE(server_.Started());
        server_.Use();
        dm = std::make_unique<TDM>();
        DM->M_CODE = QStringLiteral("000001");
        DM->C_CODE = QStringLiteral("000101");
        SetMessages(&messages);
    }
    void TearDown() override { SetMessages(nullptr); }

    int Open(std::function<void(TFrmOrderS&)> drive)
    {
        new TFrmOrderS();
        return RunModal<TFrmOrderS>(FrmOrderS, [drive](TFrmOrderS& w) {
            EXPECT_TRUE(QTest::qWaitFor([&w] { return !w.FirstActivate(); }, 5000));
            drive(w);
        });
    }

    static inline testsupport::SuiteService server_;
    std::unique_ptr<TDM> dm;
    MessageRecorder messages;
};

TEST_F(OrderListWindow, NewestFirstAndEnterHandsBackTheCode)
{
    QString first;
    const int result = Open([&](TFrmOrderS& w) {
        EXPECT_EQ(w.size(), QSize(738, 552));
        EXPECT_EQ(w.RecordCount, 5);
        ASSERT_EQ(w.SGG->RowCount(), 5);
        for (int r = 1; r < 5; ++r)
            EXPECT_GE(w.SGG->Cells(0, r - 1), w.SGG->Cells(0, r)) << "newest first";
        EXPECT_EQ(w.SGG->Cells(6, 0), QString()) << "the spare column stays empty";
        EXPECT_EQ(w.SBCount->text(), QStringLiteral("1"));
        EXPECT_EQ(QApplication::focusWidget(), w.SGG);
        first = w.SGG->Cells(7, 0);
        QTest::keyClick(w.SGG, Qt::Key_Return);
    });
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(first.isEmpty());
    EXPECT_EQ(DM->PickedValue, first);
    EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST_F(OrderListWindow, WheelButtonsAndCounter)
{
    const int result = Open([](TFrmOrderS& w) {
        auto wheel = [&w](int dy) {
            QWheelEvent e(QPointF(20, 20), w.SGG->viewport()->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, dy),
                Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w.SGG->viewport(), &e);
            QApplication::processEvents();
        };
        wheel(-120);
        EXPECT_EQ(w.SGG->Row(), 1) << "one step is one row";
        EXPECT_EQ(w.SBCount->text(), QStringLiteral("2"));
        wheel(-120);
        wheel(120);
        EXPECT_EQ(w.SGG->Row(), 1);
        w.SBEnd->click();
        EXPECT_EQ(w.SGG->Row(), 4);
        EXPECT_EQ(w.SBCount->text(), QStringLiteral("5"));
        w.SBHome->click();
        EXPECT_EQ(w.SGG->Row(), 0);
        QTest::keyClick(w.SGG, Qt::Key_Down);
        EXPECT_EQ(w.SBCount->text(), QStringLiteral("2"));
        w.SBEsc->click();
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(DM->PickedValue, QString());
}

TEST_F(OrderListWindow, FailedLoadNeverHandsBackACode)
{
    qputenv("ORDER_SERVICE_HOST", QByteArray("127.0.0.1:") + QByteArray::number(testsupport::ClosedPort()));
    const int result = Open([](TFrmOrderS& w) {
        EXPECT_EQ(w.RecordCount, -1);
        EXPECT_EQ(w.SGG->RowCount(), 25) << "the empty rows stay";
        // Choosing an empty row ends with Cancel.
        w.SBEnter->click();
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(DM->PickedValue, QString());
    EXPECT_EQ(messages.Texts(),
        QStringList { QStringLiteral("발주 읽기 오류입니다\r\r인터넷을 확인하시고 다시 시도하십시요.") });
}

TEST_F(OrderListWindow, CustomerCodeWithQuotesFindsNothingElse)
{
    DM->C_CODE = QStringLiteral("0' OR '1'='1");
    const int result = Open([](TFrmOrderS& w) {
        EXPECT_LE(w.RecordCount, 0);
        QTest::keyClick(w.SGG, Qt::Key_Escape);
    });
    EXPECT_EQ(result, 2);
}
