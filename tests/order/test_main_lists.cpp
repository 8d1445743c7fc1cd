// The product lists of the main window against the demo service: caches and
// call counts, switching lists, sorting, searches, barcode scans, price
// look-up, the empty-list hint, removal, paging and the position counter.

#include "MainWindowSupport.h"

#include "Bell.h"
#include "Helpers.h"
#include "TCEdit.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QToolButton>
#include <QWheelEvent>

using namespace order;
using namespace order_test;

namespace {

class MainLists : public MainWindowTest {
protected:
    int RowOfCode(TStringGrid* g, const QString& code)
    {
        for (int r = 0; r < g->RowCount(); ++r)
            if (g->Cells(19, r) == code)
                return r;
        return -1;
    }

    // A traded product that has a barcode and a price.
    int PricedRow(TStringGrid* g)
    {
        for (int r = 0; r < g->RowCount(); ++r)
            if (!g->Cells(7, r).isEmpty() && g->Cells(5, r).toLongLong() > 0)
                return r;
        return -1;
    }

    const QString kEmptyHint
        = QString::fromUtf8("거래된 제품목록에서는 찾을수 없습니다.\r\r전체 제품목록에서 검색해 보십시요.");
};

} // namespace

TEST_F(MainLists, RefillsFromTheCachesMakeNoCalls)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const int traded = w->SGG->RowCount();

    // Back to the search box: the traded list comes from TradedCache.
    std::uint64_t before = Calls();
    Focus(w->SGG);
    Focus(w->EdtGN);
    EXPECT_EQ(Calls(), before);
    EXPECT_EQ(w->SGG->RowCount(), traded);

    // F1: the catalogue is asked for once, and copied into SGB.
    Press(Qt::Key_F1);
    EXPECT_TRUE(w->RdBtnAll->isChecked());
    EXPECT_TRUE(w->SGA->isVisible());
    EXPECT_FALSE(w->SGG->isVisible());
    EXPECT_FALSE(w->SBSDIndex->isEnabled());
    EXPECT_FALSE(w->SBF8U->isEnabled());
    EXPECT_EQ(Calls(), before + 1);
    const int catalog = w->SGA->RowCount();
    EXPECT_GT(catalog, traded);
    EXPECT_FALSE(w->CatalogPending);
    EXPECT_EQ(w->SGB->RowCount(), catalog);
    EXPECT_EQ(w->SGB->Cells(0, catalog - 1), w->SGA->Cells(0, catalog - 1));
    EXPECT_EQ(w->SGB->Cells(19, 0), w->SGA->Cells(19, 0));
    EXPECT_FALSE(DM->CatalogCache.empty());

    // F1 twice more and a refocus: both lists come from the caches.
    Press(Qt::Key_F1);
    EXPECT_TRUE(w->SGG->isVisible());
    EXPECT_TRUE(w->SBSDIndex->isEnabled());
    Press(Qt::Key_F1);
    Focus(w->SGA);
    Focus(w->EdtGN);
    EXPECT_EQ(Calls(), before + 1);
    EXPECT_EQ(w->SGA->RowCount(), catalog);
    // The lists keep the cached answer itself, not copies of it: the cache,
    // SGA and SGB hold one text.
    EXPECT_EQ(DM->CatalogCache.Shared().use_count(), 3);

    // A catalogue search does not touch the cache or SGB.
    const std::string cache = DM->CatalogCache;
    Type(QString::fromUtf8("라면"));
    Press(Qt::Key_Return);
    EXPECT_EQ(Calls(), before + 2);
    EXPECT_TRUE(w->FromSearch);
    EXPECT_EQ(w->focusWidget(), w->SGA);
    EXPECT_LT(w->SGA->RowCount(), catalog);
    for (int r = 0; r < w->SGA->RowCount(); ++r)
        EXPECT_TRUE(w->SGA->Cells(0, r).contains(QString::fromUtf8("라면"))) << r;
    EXPECT_EQ(DM->CatalogCache, cache);
    EXPECT_EQ(w->SGB->RowCount(), catalog);
    Press(Qt::Key_Space); // back to the box: the full list again, from the cache
    EXPECT_EQ(w->focusWidget(), w->EdtGN);
    EXPECT_FALSE(w->FromSearch);
    EXPECT_EQ(w->SGA->RowCount(), catalog);
    EXPECT_EQ(Calls(), before + 2);
}

TEST_F(MainLists, SortSwitchAsksTheServerEachTime)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->SBSDIndex->text(), QString::fromUtf8("거래일순"));
    // Loaded by name first.
    for (int r = 1; r < w->SGG->RowCount(); ++r)
        EXPECT_LE(w->SGG->Cells(0, r - 1).compare(w->SGG->Cells(0, r)), 0) << r;
    const std::uint64_t before = Calls();
    w->SBSDIndex->click();
    EXPECT_EQ(Calls(), before + 1);
    EXPECT_EQ(w->SBSDIndex->text(), QString::fromUtf8("제품명순"));
    for (int r = 1; r < w->SGG->RowCount(); ++r)
        EXPECT_GE(w->SGG->Cells(3, r - 1), w->SGG->Cells(3, r)) << r; // newest first
    Focus(w->SGG);
    Focus(w->EdtGN);
    EXPECT_EQ(Calls(), before + 1);
    w->SBSDIndex->click();
    EXPECT_EQ(Calls(), before + 2);
    EXPECT_EQ(w->SBSDIndex->text(), QString::fromUtf8("거래일순"));
    EXPECT_EQ(w->focusWidget(), w->EdtGN);
}

TEST_F(MainLists, SortButtonDoesNothingWhenPricesAreShown)
{
    TFrmMain* w = Open(kShop02);
    ASSERT_NE(w, nullptr);
    const std::uint64_t before = Calls();
    w->SBSDIndex->click();
    EXPECT_EQ(Calls(), before);
    EXPECT_EQ(w->SBSDIndex->text(), QString::fromUtf8("거래일순"));
}

TEST_F(MainLists, ScanningABarcodeTwiceGivesOneLineOfTwo)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const int row = PricedRow(w->SGG);
    ASSERT_GE(row, 0);
    const QString barcode = w->SGG->Cells(7, row);
    const QString code = w->SGG->Cells(19, row);
    const QString price = w->SGG->Cells(5, row);
    const std::uint64_t before = Calls();
    for (int i = 0; i < 2; ++i) {
        Type(barcode);
        Press(Qt::Key_Return);
        EXPECT_TRUE(w->EdtGN->text().isEmpty());
        EXPECT_EQ(w->focusWidget(), w->EdtGN);
    }
    EXPECT_EQ(Calls(), before); // found in the list: no search
    EXPECT_EQ(Lines(), 1);
    EXPECT_EQ(w->SGS->Cells(9, 0), code);
    EXPECT_EQ(w->SGS->Cells(3, 0), QStringLiteral("2"));
    EXPECT_EQ(w->SGS->Cells(4, 0), price);
    EXPECT_EQ(w->SGS->Cells(5, 0), QString::number(2 * price.toLongLong()));
    EXPECT_EQ(w->CEdtSum->Value(), 2.0 * price.toDouble());
    EXPECT_TRUE(messages_.Texts().isEmpty());
}

TEST_F(MainLists, ScanAddsOneToAFractionalQuantity)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const int row = PricedRow(w->SGG);
    ASSERT_GE(row, 0);
    const QString barcode = w->SGG->Cells(7, row);
    const QString price = w->SGG->Cells(5, row);
    Type(barcode);
    Press(Qt::Key_Return);
    ASSERT_EQ(Lines(), 1);
    // The shop typed 1.5 into the line earlier.
    w->SGS->SetCells(3, 0, QStringLiteral("1.5"));
    Type(barcode);
    Press(Qt::Key_Return);
    EXPECT_EQ(w->SGS->Cells(3, 0), QStringLiteral("2.5"));
    EXPECT_EQ(w->SGS->Cells(5, 0), PlainNumber(Currency::Parse("2.5") * Currency::Parse(price.toStdString())));
    EXPECT_EQ(w->CEdtSum->Value(), 2.5 * price.toDouble());
    EXPECT_EQ(w->SGS->Row(), 0);
}

TEST_F(MainLists, UnknownBarcodeFallsBackToASearchAndHangulNeverScans)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const int rows = w->SGG->RowCount();
    const QString first = w->SGG->Cells(0, 0);
    std::uint64_t before = Calls();
    // Not a barcode of the list: a contains search that finds nothing.
    Type(QStringLiteral("0000000000000"));
    Press(Qt::Key_Return);
    EXPECT_EQ(Calls(), before + 1);
    EXPECT_EQ(Lines(), 0);
    EXPECT_EQ(w->SGG->RowCount(), rows); // the list keeps what it showed
    EXPECT_EQ(w->SGG->Cells(0, 0), first);
    EXPECT_EQ(w->focusWidget(), w->EdtGN);
    EXPECT_TRUE(w->EdtGN->text().isEmpty());
    EXPECT_TRUE(messages_.Texts().isEmpty());

    // A Hangul text is a name: searched, never scanned, even when some row
    // had it as a barcode.
    const QString word = w->SGG->Cells(0, 0).left(2);
    w->SGG->SetCells(7, 1, word);
    before = Calls();
    Type(word);
    Press(Qt::Key_Return);
    EXPECT_EQ(Calls(), before + 1);
    EXPECT_EQ(Lines(), 0);
    EXPECT_TRUE(w->FromSearch);
    EXPECT_EQ(w->focusWidget(), w->SGG);
    ASSERT_GT(w->SGG->RowCount(), 0);
    for (int r = 0; r < w->SGG->RowCount(); ++r)
        EXPECT_TRUE(w->SGG->Cells(0, r).contains(word)) << r;
}

// A hand scanner types a code and Enter; a code that neither the list nor
// the search knows rings the bell once and changes nothing else.
TEST_F(MainLists, ACodeNobodyKnowsRingsTheBellOnce)
{
    int bells = 0;
    SetBellForTesting([&] { ++bells; });
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const int row = PricedRow(w->SGG);
    ASSERT_GE(row, 0);
    struct Case {
        QString text;
        int bells;
        int lines; // order lines afterwards
    };
    const Case cases[] = {
        { w->SGG->Cells(7, row), 0, 1 }, // in the traded list
        { QStringLiteral("0000000000000"), 1, 1 },
        { QStringLiteral(" 8809999999999 "), 1, 1 },
        { QStringLiteral("ZZQXNOTHING"), 0, 1 }, // a name that finds nothing
        { QString::fromUtf8("없는제품이름"), 0, 1 },
    };
    for (const Case& c : cases) {
        bells = 0;
        messages_.Clear();
        Type(c.text);
        Press(Qt::Key_Return);
        EXPECT_EQ(bells, c.bells) << c.text.toStdString();
        EXPECT_EQ(Lines(), c.lines) << c.text.toStdString();
        EXPECT_TRUE(w->EdtGN->text().isEmpty()) << c.text.toStdString();
        EXPECT_EQ(w->focusWidget(), w->EdtGN) << c.text.toStdString();
        EXPECT_TRUE(messages_.Texts().isEmpty()) << c.text.toStdString();
    }
    // The same in the catalogue.
    Press(Qt::Key_F1);
    ASSERT_TRUE(w->SGA->isVisible());
    bells = 0;
    Type(QStringLiteral("0000000000000"));
    Press(Qt::Key_Return);
    EXPECT_EQ(bells, 1);
    EXPECT_EQ(w->focusWidget(), w->EdtGN);
    SetBellForTesting(nullptr);
}

TEST_F(MainLists, F11InTheTradedListNeverSearches)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const std::uint64_t before = Calls();
    Type(QString::fromUtf8("라"));
    Press(Qt::Key_F11);
    EXPECT_EQ(Calls(), before);
    EXPECT_EQ(w->EdtGN->text(), QString::fromUtf8("라"));
    EXPECT_EQ(w->focusWidget(), w->EdtGN);
}

TEST_F(MainLists, CatalogueSearchesContainOnEnterAndPrefixOnF11)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    Press(Qt::Key_F1);
    ASSERT_TRUE(w->SGA->isVisible());
    const QString name = w->SGA->Cells(0, 5);
    const QString head = name.left(1);
    Type(head);
    Press(Qt::Key_F11);
    ASSERT_GT(w->SGA->RowCount(), 0);
    for (int r = 0; r < w->SGA->RowCount(); ++r)
        EXPECT_TRUE(w->SGA->Cells(0, r).startsWith(head)) << r;
    EXPECT_EQ(w->focusWidget(), w->SGA);
    Press(Qt::Key_Space);
    const QString middle = name.mid(1, 2);
    Type(middle);
    Press(Qt::Key_Return);
    bool notAtStart = false;
    for (int r = 0; r < w->SGA->RowCount(); ++r) {
        EXPECT_TRUE(w->SGA->Cells(0, r).contains(middle)) << r;
        notAtStart |= !w->SGA->Cells(0, r).startsWith(middle);
    }
    EXPECT_TRUE(notAtStart);
}

TEST_F(MainLists, PriceLookUpSelectsAndAddsNothing)
{
    TFrmMain* w = Open(kShop02);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->ChkBxOCost->isVisible());
    w->ChkBxOCost->setChecked(true);
    const int row = w->SGG->RowCount() - 2;
    const QString barcode = w->SGG->Cells(7, row);
    ASSERT_FALSE(barcode.isEmpty());
    const std::uint64_t before = Calls();
    Type(barcode);
    Press(Qt::Key_Return);
    EXPECT_EQ(w->SGG->Row(), row);
    EXPECT_EQ(w->SBCount->text(), QString::number(row + 1));
    EXPECT_EQ(Lines(), 0);
    EXPECT_TRUE(w->EdtGN->text().isEmpty());
    Type(QStringLiteral("1234"));
    Press(Qt::Key_Return);
    EXPECT_EQ(w->SGG->Row(), row);
    EXPECT_EQ(Lines(), 0);
    EXPECT_EQ(Calls(), before);
}

TEST_F(MainLists, EmptyTradedListHintOnceAndNotWithTradedOnlyShops)
{
    for (const Shop* shop : { &kShop01, &kShop03 }) {
        SCOPED_TRACE(shop->id);
        TearDown();
        SetUp();
        TFrmMain* w = Open(*shop);
        ASSERT_NE(w, nullptr);
        w->SGG->Model()->ClearCells(); // as if the shop had no traded products
        Type(QStringLiteral("9999999"));
        Press(Qt::Key_Return);
        Type(QStringLiteral("9999999"));
        Press(Qt::Key_Return);
        EXPECT_FALSE(w->EmptyHintPending);
        EXPECT_EQ(messages_.Texts().count(kEmptyHint), shop->guc ? 0 : 1);
        EXPECT_EQ(w->focusWidget(), w->EdtGN);
    }
    // F11 shows it whatever C_GUC says.
    TearDown();
    SetUp();
    TFrmMain* w = Open(kShop03);
    ASSERT_NE(w, nullptr);
    w->SGG->Model()->ClearCells();
    Press(Qt::Key_F11);
    Press(Qt::Key_F11);
    EXPECT_EQ(messages_.Texts().count(kEmptyHint), 1);
}

TEST_F(MainLists, RemovingATradedProductReloadsTheList)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const int rows = w->SGG->RowCount();
    Focus(w->SGG);
    w->SGG->SetRow(2);
    const QString name = w->SGG->Cells(0, 2);
    const QString code = w->SGG->Cells(19, 2);
    messages_.script = { MessageAnswer::No };
    w->SBF8U->click();
    EXPECT_EQ(messages_.Last(),
        QString::fromUtf8("제품: ") + name + QString::fromUtf8(" 를\r\r거래된 제품 목록에서 삭제합니다."));
    EXPECT_EQ(w->SGG->RowCount(), rows);
    const std::uint64_t before = Calls();
    messages_.script = { MessageAnswer::Yes };
    w->SBF8U->click();
    EXPECT_EQ(Calls(), before + 2); // the removal and the reload
    EXPECT_EQ(w->SGG->RowCount(), rows - 1);
    EXPECT_EQ(RowOfCode(w->SGG, code), -1);
    EXPECT_EQ(w->focusWidget(), w->EdtGN);
}

TEST_F(MainLists, PagingButtonsWheelAndCounter)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->SBCount->text(), QStringLiteral("1"));
    w->SBEnd->click();
    EXPECT_EQ(w->SGG->Row(), w->SGG->RowCount() - 1);
    EXPECT_EQ(w->SBCount->text(), QString::number(w->SGG->RowCount()));
    EXPECT_EQ(w->focusWidget(), w->EdtGN); // the focus does not move
    w->SBHome->click();
    EXPECT_EQ(w->SGG->Row(), 0);
    w->SBPgDn->click();
    const int page = w->SGG->Row();
    EXPECT_GT(page, 10);
    w->SBPgUp->click();
    EXPECT_EQ(w->SGG->Row(), 0);

    // The wheel steps the focused grid by one row, and nothing elsewhere.
    auto wheel = [&](QWidget* target, int dy) {
        QWheelEvent e(QPointF(10, 10), target->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, dy), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    };
    wheel(w->SGG->viewport(), -120);
    EXPECT_EQ(w->SGG->Row(), 0); // the search box has the focus
    Focus(w->SGG);
    wheel(w->SGG->viewport(), -120);
    wheel(w->SGG->viewport(), -120);
    EXPECT_EQ(w->SGG->Row(), 2);
    wheel(w->SGG->viewport(), 120);
    EXPECT_EQ(w->SGG->Row(), 1);
    EXPECT_EQ(w->SBCount->text(), QStringLiteral("2"));
    // A click on a row shows its number.
    const QRect cell = w->SGG->visualRect(w->SGG->Model()->index(4, 0));
    QTest::mouseClick(w->SGG->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(w->SGG->Row(), 4);
    EXPECT_EQ(w->SBCount->text(), QStringLiteral("5"));
}
