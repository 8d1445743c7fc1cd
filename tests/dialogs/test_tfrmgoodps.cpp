#include "DataModule.h"
#include "DialogTestSupport.h"
#include "Messages.h"
#include "StringGrid.h"
#include "TCEdit.h"
#include "TFrmCnt.h"
#include "TFrmGoodPS.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QWheelEvent>

#include <memory>

using namespace order;
using namespace dialog_test;

namespace {

struct Product {
    const char* code;
    const char* name;
    const char* cls;
    const char* trade; // last trade date: traded when not empty
    const char* unitQty;
    const char* qty;
    const char* price;
};

const Product kProducts[] = {
    { "100001", "생수 2L", "음료", "241201", "6", "2", "1200" },
    { "100002", "콜라", "음료", "", "24", "", "" },
    { "100003", "사이다", "음료", "241115", "0", "5", "900" },
    { "100004", "식혜", "음료", "", "12", "", "" },
    { "100005", "건빵", "과자", "", "1", "", "" },
    { "100006", "수세미", "", "241010", "1", "3", "500" },
    { "100007", "고무줄", "  ", "", "1", "", "" },
};

class TFrmGoodPSTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dm = std::make_unique<TDM>(); // empties ClassNames
        products.SetColCount(20);
        products.SetRowCount(int(std::size(kProducts)));
        const GoodColumns c;
        for (int r = 0; r < products.RowCount(); ++r) {
            const Product& p = kProducts[r];
            products.SetCell(c.Code, r, QString::fromUtf8(p.code));
            products.SetCell(c.Name, r, QString::fromUtf8(p.name));
            products.SetCell(c.Unit, r, QStringLiteral("BOX"));
            products.SetCell(c.Class, r, QString::fromUtf8(p.cls));
            products.SetCell(c.Trade, r, QString::fromUtf8(p.trade));
            products.SetCell(c.UnitQty, r, QString::fromUtf8(p.unitQty));
            products.SetCell(c.Qty, r, QString::fromUtf8(p.qty));
            products.SetCell(c.Price, r, QString::fromUtf8(p.price));
        }
        ClassNames[0] = QStringLiteral("음료");
        ClassNames[1] = QStringLiteral("과자");
        ClassNames[2] = QStringLiteral("미분류");
    }
    void TearDown() override
    {
        EXPECT_EQ(FrmGoodPS, nullptr) << "the window must delete itself and clear its global";
        delete FrmGoodPS;
        dm.reset();
    }

    int Run(bool onlyTraded, std::function<void(TFrmGoodPS&)> drive)
    {
        new TFrmGoodPS();
        FrmGoodPS->OnlyTraded = onlyTraded;
        FrmGoodPS->Products = &products;
        FrmGoodPS->MainOrigin = QPoint(40, 30);
        FrmGoodPS->OnAddLine = [this](const QString& code, const QString& name, const QString& unit, const QString& qty,
                                   const QString& note, const QString& price) {
            added << (QStringList { code, name, unit, qty, note, price });
        };
        return RunModal<TFrmGoodPS>(FrmGoodPS, drive);
    }

    static QStringList Names(TFrmGoodPS& w)
    {
        QStringList names;
        for (int r = 0; r < w.SGG->RowCount(); ++r)
            names << w.SGG->Cells(0, r);
        return names;
    }

    static void Choose(TFrmGoodPS& w, int classRow)
    {
        w.SGP->setFocus();
        w.SGP->SetRow(classRow);
        w.SGG->setFocus();
    }

    std::unique_ptr<TDM> dm;
    MessageRecorder messages;
    TStringGridModel products;
    QList<QStringList> added;
};

} // namespace

TEST(GoodPSLogic, ClassesFiltersAndRows)
{
    std::array<FixedText<50>, 100> names;
    EXPECT_EQ(ClassCount(names, 100), 0);
    names[0] = QStringLiteral("a");
    names[1] = QStringLiteral("b");
    names[3] = QStringLiteral("d"); // after a gap: not counted
    EXPECT_EQ(ClassCount(names, 100), 2);
    EXPECT_EQ(ClassCount(names, 1), 1);
    EXPECT_EQ(ClassFilter(QStringLiteral(" 음료 ")), QStringLiteral("음료"));
    EXPECT_EQ(ClassFilter(QStringLiteral("미분류")), QString());

    TStringGridModel g;
    g.SetColCount(4);
    g.SetRowCount(6);
    for (int r : { 1, 4 })
        g.SetCell(3, r, QStringLiteral("x"));
    struct Case {
        int row;
        bool down;
        int expected;
    };
    for (const Case& c : { Case { 2, true, 4 }, Case { 4, true, 5 }, Case { 5, true, -1 }, Case { 4, false, 1 },
             Case { 1, false, 0 }, Case { 0, false, -1 }, Case { 0, true, 1 } })
        EXPECT_EQ(NextTradedRow(g, c.row, c.down, 3), c.expected) << c.row << (c.down ? " down" : " up");

    for (int r = 0; r < 6; ++r)
        g.SetCell(0, r, QString::number(r));
    MoveGridRow(g, 1, 4);
    QStringList order;
    for (int r = 0; r < 6; ++r)
        order << g.Cell(0, r);
    EXPECT_EQ(order, (QStringList { "0", "2", "3", "4", "1", "5" }));
    EXPECT_EQ(g.Cell(3, 4), QStringLiteral("x")); // the whole row moved
    MoveGridRow(g, 4, 0);
    EXPECT_EQ(g.Cell(0, 0), QStringLiteral("1"));
    EXPECT_EQ(g.Cell(0, 1), QStringLiteral("0"));
}

TEST(GoodPSLogic, CellTexts)
{
    const GoodColumns c;
    struct Case {
        int col;
        const char* cell;
        bool gua;
        const char* text;
        bool right;
    };
    const Case cases[] = {
        { c.Trade, "12500", true, "12,500", true },
        { c.Trade, "0", true, "", true },
        { c.Trade, "", true, "", true },
        { c.Trade, "070315", false, "07/03/15", false },
        { c.Trade, "07031", false, "", false },
        { c.UnitQty, "0", false, "", true },
        { c.UnitQty, "24", false, "24", true },
        { c.UnitQty, "abc", false, "", true },
        { c.Name, " 생수 ", false, "생수", false },
        { c.Price, "1200", true, "1200", false },
        { 8, "x", false, "", false },
    };
    for (const Case& k : cases) {
        const CellText t = GoodCellText(k.col, QString::fromUtf8(k.cell), k.gua, c);
        EXPECT_EQ(t.text, QString::fromUtf8(k.text)) << k.col << " " << k.cell;
        EXPECT_EQ(t.rightAligned, k.right) << k.col << " " << k.cell;
    }
    EXPECT_EQ(GoodCellText(c.Name, "a", false, c).indent, 6);
}

TEST_F(TFrmGoodPSTest, ClassificationsProductsAndTheTradedSwitch)
{
    Run(true, [&](TFrmGoodPS& w) {
        EXPECT_EQ(w.size(), QSize(654, 675));
        EXPECT_EQ(w.ImgLeft->height(), 41);
        EXPECT_EQ(w.SBOnly->text(), QStringLiteral("모든제품"));
        ASSERT_EQ(w.SGP->RowCount(), 3);
        EXPECT_EQ(w.SGP->Cells(0, 2), QStringLiteral("미분류"));
        EXPECT_EQ(w.SGP->ColWidth(0), 186);
        // Traded products of the first classification.
        EXPECT_EQ(Names(w), (QStringList { "생수 2L", "사이다" }));
        EXPECT_EQ(w.SBCount->text(), QStringLiteral("2"));
        EXPECT_EQ(w.SGG->Cells(19, 1), QStringLiteral("100003"));
        EXPECT_EQ(w.SGG->Cells(5, 0), QStringLiteral("1200"));
        EXPECT_EQ(w.SGG->Cells(6, 0), QStringLiteral("2"));
        // Space: all products.
        QTest::keyClick(w.SGG, Qt::Key_Space);
        EXPECT_EQ(w.SBOnly->text(), QStringLiteral("거래된제품만"));
        EXPECT_EQ(Names(w), (QStringList { "생수 2L", "콜라", "사이다", "식혜" }));
        EXPECT_EQ(w.SBCount->text(), QStringLiteral("4"));
        // "미분류": exactly the products without a classification.
        Choose(w, 2);
        EXPECT_EQ(Names(w), (QStringList { "수세미", "고무줄" }));
        // A classification without traded products: empty grid, count 0,
        // the rows stay; switching back refills it.
        Choose(w, 1);
        EXPECT_EQ(Names(w), (QStringList { "건빵" }));
        w.SBOnly->click();
        EXPECT_EQ(w.SBCount->text(), QStringLiteral("0"));
        EXPECT_EQ(w.SGG->RowCount(), 1);
        EXPECT_TRUE(w.SGG->Cells(0, 0).isEmpty());
        w.SBOnly->click();
        EXPECT_EQ(Names(w), (QStringList { "건빵" }));
        QTest::keyClick(w.SGG, Qt::Key_F2); // nothing
        EXPECT_TRUE(w.isVisible());
        QTest::keyClick(w.SGG, Qt::Key_Escape);
    });
}

TEST_F(TFrmGoodPSTest, PreviousAndNextTradedProduct)
{
    Run(false, [&](TFrmGoodPS& w) {
        EXPECT_EQ(w.SBOnly->text(), QStringLiteral("거래된제품만"));
        ASSERT_EQ(w.SGG->RowCount(), 4); // 생수(t) 콜라 사이다(t) 식혜
        w.SGG->setFocus();
        w.SGG->SetRow(0);
        QTest::keyClick(w.SGG, Qt::Key_Delete);
        EXPECT_EQ(w.SGG->Row(), 2);
        EXPECT_EQ(w.SBCount->text(), QStringLiteral("3"));
        // No traded product below: the last row.
        w.SBDN->click();
        EXPECT_EQ(w.SGG->Row(), 3);
        w.SBDN->click(); // on the last row: nothing
        EXPECT_EQ(w.SGG->Row(), 3);
        QTest::keyClick(w.SGG, Qt::Key_Insert);
        EXPECT_EQ(w.SGG->Row(), 2);
        w.SBUP->click();
        EXPECT_EQ(w.SGG->Row(), 0);
        // The wheel steps the focused grid one row.
        QWheelEvent down(QPointF(10, 10), w.SGG->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.SGG->viewport(), &down);
        EXPECT_EQ(w.SGG->Row(), 1);
        w.SBEnd->click();
        EXPECT_EQ(w.SGG->Row(), 3);
        w.SBHome->click();
        EXPECT_EQ(w.SGG->Row(), 0);
        w.SBEsc->click();
    });
}

TEST_F(TFrmGoodPSTest, ChoosingAddsThroughTheQuantityWindowAndStaysOpen)
{
    const int result = Run(true, [&](TFrmGoodPS& w) {
        w.SGG->setFocus();
        w.SGG->SetRow(1); // 사이다, usual quantity 5, unit quantity 0
        WhenShown<TFrmCnt>(FrmCnt, [&](TFrmCnt* cnt) {
            EXPECT_EQ(cnt->Mode, QStringLiteral("ADD"));
            EXPECT_EQ(cnt->pos(), QPoint(40 + 560, 30 + 160));
            EXPECT_EQ(cnt->EdtGN->text(), QStringLiteral("사이다"));
            EXPECT_EQ(cnt->AddCount, QStringLiteral("5"));
            EXPECT_TRUE(cnt->EdtGU->text().isEmpty());
            QTest::keyClicks(cnt->focusWidget(), QStringLiteral("7"));
            QTest::keyClick(cnt->focusWidget(), Qt::Key_Return);
        });
        QTest::keyClick(w.SGG, Qt::Key_Return);
        EXPECT_TRUE(w.isVisible());
        ASSERT_EQ(added.size(), 1);
        EXPECT_EQ(added[0], (QStringList { "100003", "사이다", "BOX", "7", "", "900" }));
        // Cancelled: nothing added.
        WhenShown<TFrmCnt>(FrmCnt, [](TFrmCnt* cnt) { QTest::keyClick(cnt->focusWidget(), Qt::Key_Escape); });
        w.SGG->SetRow(0);
        const QRect cell = w.SGG->visualRect(w.SGG->Model()->index(0, 0));
        QTest::mouseDClick(w.SGG->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        EXPECT_EQ(added.size(), 1);
        // A row without a product.
        w.SGG->Model()->SetCell(19, 0, QString());
        QTest::keyClick(w.SGG, Qt::Key_Return);
        EXPECT_EQ(messages.Last(), QStringLiteral("선택된 제품이 없습니다."));
        EXPECT_EQ(FrmCnt, nullptr);
        w.SBEnter->click();
    });
    EXPECT_EQ(result, 1);
}

TEST_F(TFrmGoodPSTest, NoClassificationsLeavesTheProductsEmpty)
{
    for (auto& n : ClassNames)
        n.clear();
    Run(true, [&](TFrmGoodPS& w) {
        EXPECT_TRUE(w.SGG->Cells(0, 0).isEmpty());
        EXPECT_TRUE(w.SGP->Cells(0, 0).isEmpty());
        w.SBEsc->click();
    });
}

TEST_F(TFrmGoodPSTest, AClassificationIsDraggedToAnotherPlace)
{
    Run(false, [&](TFrmGoodPS& w) {
        const QRect first = w.SGP->visualRect(w.SGP->Model()->index(0, 0));
        const QRect third = w.SGP->visualRect(w.SGP->Model()->index(2, 0));
        QTest::mousePress(w.SGP->viewport(), Qt::LeftButton, Qt::NoModifier, first.center());
        QTest::mouseMove(w.SGP->viewport(), third.center());
        QTest::mouseRelease(w.SGP->viewport(), Qt::LeftButton, Qt::NoModifier, third.center());
        EXPECT_EQ(w.SGP->Cells(0, 0), QStringLiteral("과자"));
        EXPECT_EQ(w.SGP->Cells(0, 2), QStringLiteral("음료"));
        EXPECT_EQ(w.SGP->Row(), 2);
        EXPECT_EQ(Names(w), (QStringList { "생수 2L", "콜라", "사이다", "식혜" }));
        w.SBEsc->click();
    });
}
