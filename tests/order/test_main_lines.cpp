// The order lines of the main window, driven with keys through the quantity
// window against the demo service: adding from the lists, duplicates, a full
// order, editing, deleting with renumbering, totals per C_GUB, direct lines
// with F5, the screen clear and paging.

#include "MainWindowSupport.h"

#include "Helpers.h"
#include "TCEdit.h"
#include "TFrmCnt.h"
#include "TImageButton.h"

#include <QCheckBox>
#include <QToolButton>

using namespace order;
using namespace order_test;

namespace {

class MainLines : public MainWindowTest {
protected:
    struct CntSeen {
        QString mode;
        QString name;
        QString addCount;
        QString modiCount;
        QPoint offset;
        int opened = 0;
    };

    // Answers the next quantity window: types `qty` into the quantity box
    // and confirms with Enter, or cancels with Esc when qty is empty.
    void AnswerQuantity(const QString& qty)
    {
        WhenShown<TFrmCnt>(FrmCnt, [this, qty](TFrmCnt* cnt) {
            ++seen_.opened;
            seen_.mode = cnt->Mode;
            seen_.name = cnt->EdtGN->text();
            seen_.addCount = cnt->AddCount;
            seen_.modiCount = cnt->ModiCount;
            seen_.offset = cnt->pos() - main_->pos();
            QWidget* f = cnt->focusWidget();
            if (qty.isEmpty()) {
                QTest::keyClick(f, Qt::Key_Escape);
                return;
            }
            QTest::keyClicks(f, qty);
            QTest::keyClick(f, Qt::Key_Return);
        });
    }

    // Types direct lines into the quantity window in mode "NEW", then
    // cancels it.
    void AnswerDirectLines(QStringList names, QString unit, QString qty)
    {
        WhenShown<TFrmCnt>(FrmCnt, [this, names, unit, qty](TFrmCnt* cnt) {
            ++seen_.opened;
            seen_.mode = cnt->Mode;
            seen_.offset = cnt->pos() - main_->pos();
            for (const QString& name : names) {
                QWidget* f = cnt->focusWidget();
                EXPECT_EQ(f, cnt->EdtGN);
                if (f != cnt->EdtGN)
                    break;
                // Hangul arrives committed by the input method.
                QInputMethodEvent commit;
                commit.setCommitString(name);
                QApplication::sendEvent(cnt->EdtGN, &commit);
                QTest::keyClick(cnt->EdtGN, Qt::Key_Return);
                // Reached by Enter, the packing unit's shown "1" is selected and the typing replaces it.
                QTest::keyClicks(cnt->focusWidget(), unit);
                QTest::keyClick(cnt->focusWidget(), Qt::Key_Return);
                QTest::keyClicks(cnt->focusWidget(), qty);
                QTest::keyClick(cnt->focusWidget(), Qt::Key_Return);
            }
            QTest::keyClick(cnt->focusWidget(), Qt::Key_Escape);
        });
    }

    // Adds the list row through Enter and the quantity window.
    void AddFromList(TStringGrid* list, int row, const QString& qty)
    {
        Focus(list);
        list->SetRow(row);
        AnswerQuantity(qty);
        Press(Qt::Key_Return);
        QTest::qWait(0);
    }

    QString Total() const { return PlainNumber(Currency::Parse(main_->CEdtSum->TypedText().toStdString())); }

    CntSeen seen_;
    const QString kDuplicate = QString::fromUtf8("이미 주문 내용이 있습니다.\r\r기존의 내용을 수정하십시요.");
    const QString kFull = QString::fromUtf8("더이상 입력할 수 없습니다.");
};

} // namespace

TEST_F(MainLines, AddFromTheTradedListWithPricesAndTotal)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const int row = 4;
    const QString code = w->SGG->Cells(19, row);
    const QString price = w->SGG->Cells(5, row);
    AddFromList(w->SGG, row, QStringLiteral("1.5"));
    EXPECT_EQ(seen_.opened, 1);
    EXPECT_EQ(seen_.mode, QStringLiteral("ADD"));
    // The quantity window upper-cases Latin letters of the name.
    const QString name = w->SGG->Cells(0, row).toUpper();
    EXPECT_EQ(seen_.name, name);
    EXPECT_EQ(seen_.addCount, w->SGG->Cells(6, row).isEmpty() ? QStringLiteral("0") : w->SGG->Cells(6, row));
    EXPECT_EQ(seen_.offset, QPoint(620, 180));
    ASSERT_EQ(Lines(), 1);
    EXPECT_EQ(w->SGS->Cells(0, 0), QStringLiteral("1"));
    EXPECT_EQ(w->SGS->Cells(1, 0), name);
    EXPECT_EQ(w->SGS->Cells(2, 0), w->SGG->Cells(1, row));
    EXPECT_EQ(w->SGS->Cells(3, 0), QStringLiteral("1.5"));
    EXPECT_EQ(w->SGS->Cells(4, 0), price);
    const QString amount = PlainNumber(Currency::Parse("1.5") * Currency::Parse(price.toStdString()));
    EXPECT_EQ(w->SGS->Cells(5, 0), amount);
    EXPECT_EQ(w->SGS->Cells(9, 0), code);
    EXPECT_EQ(Total(), amount);
    // Back on the list, on the same row.
    EXPECT_EQ(w->focusWidget(), w->SGG);
    EXPECT_EQ(w->SGG->Row(), row);

    // The same product again: the duplicate message, the line selected,
    // its quantity unchanged.
    AddFromList(w->SGG, 7, QStringLiteral("2"));
    AddFromList(w->SGG, row, QStringLiteral("9"));
    EXPECT_EQ(messages_.Last(), kDuplicate);
    EXPECT_EQ(Lines(), 2);
    EXPECT_EQ(w->SGS->Row(), 0);
    EXPECT_EQ(w->SGS->Cells(3, 0), QStringLiteral("1.5"));

    // Cancelled: nothing changes.
    AddFromList(w->SGG, 9, QString());
    EXPECT_EQ(Lines(), 2);
    const Currency expected = Currency::Parse(amount.toStdString())
        + Currency::FromInt(2) * Currency::Parse(w->SGG->Cells(5, 7).toStdString());
    EXPECT_EQ(Total(), PlainNumber(expected));

    // Double click adds too.
    w->SGG->SetRow(12);
    AnswerQuantity(QStringLiteral("3"));
    const QRect cell = w->SGG->visualRect(w->SGG->Model()->index(12, 0));
    QTest::mouseDClick(w->SGG->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::qWait(0);
    EXPECT_EQ(Lines(), 3);
    EXPECT_EQ(w->SGS->Cells(9, 2), w->SGG->Cells(19, 12));
}

TEST_F(MainLines, CatalogueAddPlacesTheWindowFurtherLeftAndEmptyCodeIsRefused)
{
    TFrmMain* w = Open(kShop02);
    ASSERT_NE(w, nullptr);
    Press(Qt::Key_F1);
    ASSERT_TRUE(w->SGA->isVisible());
    AddFromList(w->SGA, 3, QStringLiteral("4"));
    EXPECT_EQ(seen_.offset, QPoint(600, 180));
    ASSERT_EQ(Lines(), 1);
    EXPECT_EQ(w->SGS->Cells(9, 0), w->SGA->Cells(19, 3));
    EXPECT_EQ(w->SGS->Cells(3, 0), QStringLiteral("4"));
    // A list row without a product: message, no window.
    const int opened = seen_.opened;
    w->SGA->SetCells(19, 5, QString());
    Focus(w->SGA);
    w->SGA->SetRow(5);
    Press(Qt::Key_Return);
    EXPECT_EQ(messages_.Last(), QString::fromUtf8("제품을 선택하십시요."));
    EXPECT_EQ(seen_.opened, opened);
    EXPECT_EQ(Lines(), 1);
}

TEST_F(MainLines, WithoutPriceSwitchNoPricesAndTheTotalStays)
{
    TFrmMain* w = Open(kShop03);
    ASSERT_NE(w, nullptr);
    AddFromList(w->SGG, 1, QStringLiteral("2"));
    AddFromList(w->SGG, 2, QStringLiteral("5"));
    ASSERT_EQ(Lines(), 2);
    for (int r = 0; r < 2; ++r) {
        EXPECT_TRUE(w->SGS->Cells(4, r).isEmpty());
        EXPECT_TRUE(w->SGS->Cells(5, r).isEmpty());
    }
    EXPECT_EQ(w->CEdtSum->Value(), 0.0);
    Focus(w->SGS);
    w->SGS->SetRow(0);
    Press(Qt::Key_Delete);
    EXPECT_EQ(Lines(), 1);
    EXPECT_EQ(w->CEdtSum->Value(), 0.0);
}

TEST_F(MainLines, EditThroughTheQuantityWindow)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    AddFromList(w->SGG, 0, QStringLiteral("2"));
    AddFromList(w->SGG, 1, QStringLiteral("1"));
    const QString price = w->SGS->Cells(4, 1);
    Focus(w->SGS);
    w->SGS->SetRow(1);
    AnswerQuantity(QStringLiteral("3.25"));
    Press(Qt::Key_Return);
    QTest::qWait(0);
    EXPECT_EQ(seen_.mode, QStringLiteral("MODI"));
    EXPECT_EQ(seen_.modiCount, QStringLiteral("1"));
    EXPECT_EQ(seen_.offset, QPoint(620, 180));
    EXPECT_EQ(w->SGS->Cells(3, 1), QStringLiteral("3.25"));
    const Currency amount1 = Currency::Parse("3.25") * Currency::Parse(price.toStdString());
    EXPECT_EQ(w->SGS->Cells(5, 1), PlainNumber(amount1));
    EXPECT_EQ(Total(), PlainNumber(Currency::Parse(w->SGS->Cells(5, 0).toStdString()) + amount1));
    EXPECT_EQ(Lines(), 2);
    // Enter on an empty row opens nothing.
    w->SGS->SetRow(5);
    const int opened = seen_.opened;
    Press(Qt::Key_Return);
    EXPECT_EQ(seen_.opened, opened);
}

TEST_F(MainLines, DeleteRenumbersAndLowersTheTotal)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    for (int i = 0; i < 5; ++i)
        w->AddLine(QStringLiteral("C%1").arg(i), QStringLiteral("제품%1").arg(i), QStringLiteral("EA"),
            QString::number(i + 1), QString(), QStringLiteral("1,000"));
    EXPECT_EQ(Total(), QStringLiteral("15000"));
    Focus(w->SGS);
    w->SGS->SetRow(2);
    Press(Qt::Key_Delete);
    EXPECT_EQ(Lines(), 4);
    EXPECT_EQ(w->SGS->Cells(1, 2), QString::fromUtf8("제품3"));
    EXPECT_EQ(w->SGS->Cells(0, 2), QStringLiteral("3"));
    EXPECT_EQ(w->SGS->Cells(0, 3), QStringLiteral("4"));
    EXPECT_TRUE(w->SGS->Cells(0, 4).isEmpty());
    EXPECT_EQ(Total(), QStringLiteral("12000"));
    // F4 in the grid deletes one line per press.
    w->SGS->SetRow(1);
    Press(Qt::Key_F4);
    EXPECT_EQ(Lines(), 3);
    EXPECT_EQ(w->SGS->Cells(1, 1), QString::fromUtf8("제품3"));
    EXPECT_EQ(Total(), QStringLiteral("10000"));
    // F4 in the search box does nothing; the button deletes the selected line.
    Focus(w->EdtGN);
    Press(Qt::Key_F4);
    EXPECT_EQ(Lines(), 3);
    w->SGS->SetRow(0);
    w->SBF4->click();
    EXPECT_EQ(Lines(), 2);
    EXPECT_EQ(Total(), QStringLiteral("9000"));
    // A row without a line: nothing.
    w->SGS->SetRow(6);
    w->SBF4->click();
    EXPECT_EQ(Lines(), 2);
    // The box shows the four-decimal sum with two decimals.
    w->AddLine(
        QStringLiteral("C9"), QStringLiteral("X"), QString(), QStringLiteral("0.3333"), QString(), QStringLiteral("1"));
    EXPECT_EQ(w->SGS->Cells(5, 2), QStringLiteral("0.3333"));
    EXPECT_EQ(w->CEdtSum->TypedText(), QStringLiteral("9000.33"));
}

TEST_F(MainLines, FullOrderRefusesTheHundredthLine)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    for (int i = 0; i < 97; ++i)
        w->AddDirectLine(QStringLiteral("직접%1").arg(i), QStringLiteral("EA"), QStringLiteral("1"), QString());
    EXPECT_TRUE(messages_.Texts().isEmpty());
    // The 98th and 99th through F5; the 100th is refused.
    Focus(w->EdtGN);
    AnswerDirectLines({ QString::fromUtf8("가"), QString::fromUtf8("나"), QString::fromUtf8("다") },
        QStringLiteral("BOX"), QStringLiteral("2"));
    Press(Qt::Key_F5);
    QTest::qWait(0);
    EXPECT_EQ(seen_.mode, QStringLiteral("NEW"));
    EXPECT_EQ(Lines(), 99);
    EXPECT_EQ(w->SGS->Cells(1, 98), QString::fromUtf8("나"));
    EXPECT_EQ(w->SGS->Cells(0, 98), QStringLiteral("99"));
    EXPECT_EQ(messages_.Texts().count(kFull), 1);
    w->AddLine(QStringLiteral("G1"), QStringLiteral("x"), QString(), QStringLiteral("1"), QString(), QString());
    EXPECT_EQ(messages_.Texts().count(kFull), 2);
    EXPECT_EQ(FindLine(*w->SGS->Model(), QStringLiteral("G1")), -1);
    // The last line of a full order is just emptied.
    Focus(w->SGS);
    w->SGS->SetRow(98);
    Press(Qt::Key_Delete);
    EXPECT_EQ(Lines(), 98);
    EXPECT_TRUE(w->SGS->Cells(1, 98).isEmpty());
}

TEST_F(MainLines, DirectLinesWithF5AnyNumberOfTimes)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    AddFromList(w->SGG, 0, QStringLiteral("2"));
    const QString total = Total();
    Focus(w->EdtGN);
    AnswerDirectLines(
        { QString::fromUtf8("보냉팩"), QString::fromUtf8("보냉팩") }, QStringLiteral("BOX"), QStringLiteral("1.5"));
    w->SBF5->click();
    QTest::qWait(0);
    EXPECT_EQ(seen_.mode, QStringLiteral("NEW"));
    EXPECT_EQ(seen_.offset, QPoint(620, 180));
    ASSERT_EQ(Lines(), 3);
    for (int r = 1; r <= 2; ++r) {
        EXPECT_EQ(w->SGS->Cells(0, r), QString::number(r + 1));
        EXPECT_EQ(w->SGS->Cells(9, r), QStringLiteral("YZ"));
        EXPECT_EQ(w->SGS->Cells(1, r), QString::fromUtf8("보냉팩"));
        EXPECT_EQ(w->SGS->Cells(2, r), QStringLiteral("BOX"));
        EXPECT_EQ(w->SGS->Cells(3, r), QStringLiteral("1.5"));
        EXPECT_TRUE(w->SGS->Cells(4, r).isEmpty());
        EXPECT_TRUE(w->SGS->Cells(5, r).isEmpty());
    }
    EXPECT_EQ(w->SGS->Row(), 2);
    EXPECT_EQ(Total(), total);
    EXPECT_TRUE(DM->LineName.isEmpty());
}

TEST_F(MainLines, AddAfterASearchReturnsToTheSearchBox)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const int all = w->SGG->RowCount();
    const QString word = w->SGG->Cells(0, 3).left(2);
    Type(word);
    Press(Qt::Key_Return);
    ASSERT_TRUE(w->FromSearch);
    ASSERT_EQ(w->focusWidget(), w->SGG);
    AnswerQuantity(QStringLiteral("1"));
    Press(Qt::Key_Return);
    QTest::qWait(0);
    EXPECT_EQ(Lines(), 1);
    EXPECT_EQ(w->focusWidget(), w->EdtGN);
    EXPECT_FALSE(w->FromSearch);
    EXPECT_EQ(w->SGG->RowCount(), all);
}

TEST_F(MainLines, ScreenClearEmptiesTheOrder)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    AddFromList(w->SGG, 0, QStringLiteral("2"));
    w->EdtDD->setText(QStringLiteral("261224"));
    w->EdtNote->setText(QStringLiteral("NOTE"));
    w->ChkBxIOG->setChecked(true);
    w->Order.OrderCode = QStringLiteral("00000001");
    w->Order.SendCount = 3;
    Focus(w->SGS);
    const std::uint64_t before = Calls();
    Press(Qt::Key_F9);
    EXPECT_EQ(Lines(), 0);
    EXPECT_TRUE(w->SGS->Cells(1, 0).isEmpty());
    EXPECT_TRUE(w->EdtDD->text().isEmpty());
    EXPECT_TRUE(w->EdtNote->text().isEmpty());
    EXPECT_FALSE(w->ChkBxIOG->isChecked());
    EXPECT_TRUE(w->Order.OrderCode.isEmpty());
    EXPECT_EQ(w->Order.SendCount, 0);
    EXPECT_EQ(w->CEdtSum->Value(), 0.0);
    EXPECT_EQ(w->SGS->Row(), 0);
    EXPECT_EQ(w->focusWidget(), w->EdtGN);
    EXPECT_EQ(Calls(), before); // the traded list came from the cache
}

TEST_F(MainLines, OrderPagingButtonsKeepTheFocus)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    w->SGS->SetRow(0);
    w->SBPD->click();
    EXPECT_GT(w->SGS->Row(), 10);
    EXPECT_EQ(w->focusWidget(), w->EdtGN);
    w->SBPU->click();
    EXPECT_EQ(w->SGS->Row(), 0);
}
