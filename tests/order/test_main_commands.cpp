// The main window's remaining commands against the demo service: printing
// (recorded, and as PDF files without a printer), F11 in the search box, the
// classification search with F2, the spreadsheet paste with its guard and
// F7, the help window, and empty traded-list rows drawn empty.

#include "MainWindowSupport.h"

#include "Helpers.h"
#include "PrintTarget.h"
#include "TCEdit.h"
#include "TFrmCnt.h"
#include "TFrmExcelRead.h"
#include "TFrmGoodPS.h"
#include "TFrmHelp.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QToolButton>

using namespace order;
using namespace order_test;

namespace {

class MainCommands : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_TRUE(workDir_.isValid());
        WorkDir = workDir_.path() + QLatin1Char('/');
        SetPrintTargetMaker([this](const QString& folder) {
            pdfFolder_ = folder;
            auto t = std::make_unique<RecordingPrintTarget>();
            printed_.push_back(t.get());
            return t;
        });
    }

    void TearDown() override
    {
        // Targets die with each print; only their count stays meaningful.
        printed_.clear();
        SetPrintTargetMaker(nullptr);
        QGuiApplication::clipboard()->clear();
        server_.Use();
        MainWindowTest::TearDown();
        WorkDir.clear();
    }

    // Prints through a target the test keeps, so its calls can be read.
    void KeepPrints()
    {
        SetPrintTargetMaker([this](const QString&) {
            class Forward : public PrintTarget {
            public:
                explicit Forward(RecordingPrintTarget& to)
                    : to_(to)
                {
                }
                bool BeginJob(const QString& t) override { return to_.BeginJob(t); }
                void Text(int x, int y, int h, const QString& s, bool r) override { to_.Text(x, y, h, s, r); }
                void Line(int a, int b, int c, int d) override { to_.Line(a, b, c, d); }
                void EndJob() override { to_.EndJob(); }
                void Finish() override { to_.Finish(); }

            private:
                RecordingPrintTarget& to_;
            };
            return std::make_unique<Forward>(record_);
        });
    }

    bool Printed(const QString& text) const
    {
        for (const PrintCall& c : record_.calls)
            if (c.kind == PrintCall::Text && c.text == text)
                return true;
        return false;
    }

    static int DarkPixels(const QImage& image, const QRect& r)
    {
        int n = 0;
        for (int y = r.top() + 2; y < r.bottom() - 1; ++y)
            for (int x = r.left() + 2; x < r.right() - 1; ++x)
                n += qGray(image.pixel(x, y)) < 128;
        return n;
    }

    QTemporaryDir workDir_;
    QString pdfFolder_;
    std::vector<RecordingPrintTarget*> printed_;
    RecordingPrintTarget record_;
    const QString kNoLines = QStringLiteral("주문 내역이 없읍니다.\r\r주문 내역을 선택해주십시요.");
};

} // namespace

TEST_F(MainCommands, OrderSheetFromF11AndTheButtonButNotFromTheSearchBox)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    KeepPrints();
    Focus(w->SGS);
    Press(Qt::Key_F11);
    EXPECT_EQ(messages_.Last(), kNoLines);
    EXPECT_TRUE(record_.calls.empty());

    w->AddDirectLine(QStringLiteral("직접1"), QStringLiteral("EA"), QStringLiteral("2"), QString());
    w->AddDirectLine(QStringLiteral("직접2"), QStringLiteral("EA"), QStringLiteral("3"), QString());
    // In the search box F11 only searches (here: nothing, the traded list).
    Focus(w->EdtGN);
    messages_.Clear();
    Press(Qt::Key_F11);
    EXPECT_TRUE(record_.calls.empty());
    EXPECT_TRUE(messages_.Texts().isEmpty());

    Focus(w->SGS);
    Press(Qt::Key_F11);
    ASSERT_EQ(record_.Jobs().size(), 1u);
    EXPECT_EQ(record_.finished, 1);
    EXPECT_EQ(pdfFolder_, QString()); // the recorder was made by KeepPrints
    const QString today = FormatDateCode(TodayCodeText());
    EXPECT_TRUE(Printed(w->LblTitle->text() + QStringLiteral(" ") + today + QStringLiteral(" 일 주문리스트")));
    EXPECT_TRUE(Printed(QStringLiteral("02")));
    EXPECT_TRUE(Printed(QStringLiteral("직접2")));

    record_.calls.clear();
    w->EdtDD->setText(QStringLiteral("210305"));
    w->SBF11->click();
    EXPECT_TRUE(Printed(w->LblTitle->text() + QStringLiteral(" 21/03/05 일 주문리스트")));
}

TEST_F(MainCommands, TradedListPrintsWhicheverListIsShown)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    KeepPrints();
    Press(Qt::Key_F1); // the catalogue on screen
    ASSERT_TRUE(w->SGA->isVisible());
    w->SBF11G->click();
    ASSERT_EQ(record_.Jobs().size(), 1u); // 45 traded products: one sheet
    EXPECT_TRUE(Printed(QStringLiteral("누리식자재 도매센터  품목리스트")));
    for (int r : { 0, 44 })
        EXPECT_TRUE(Printed(w->SGG->Cells(0, r))) << r;
    // A catalogue product never traded is not on the sheet.
    QString untraded;
    for (int r = 0; r < w->SGA->RowCount() && untraded.isEmpty(); ++r) {
        bool traded = false;
        for (int t = 0; t < w->SGG->RowCount(); ++t)
            traded |= w->SGG->Cells(19, t) == w->SGA->Cells(19, r);
        if (!traded)
            untraded = w->SGA->Cells(0, r);
    }
    ASSERT_FALSE(untraded.isEmpty());
    EXPECT_FALSE(Printed(untraded));
}

TEST_F(MainCommands, WithoutAPrinterTheSheetIsAPdfInTheWorkFolder)
{
    TFrmMain* w = Open(kShop03);
    ASSERT_NE(w, nullptr);
    SetPrintTargetMaker([](const QString& folder) { return std::make_unique<PrinterTarget>(folder, true); });
    w->AddDirectLine(QStringLiteral("직접"), QStringLiteral("EA"), QStringLiteral("1"), QString());
    messages_.Clear();
    w->SBF11->click();
    ASSERT_EQ(messages_.requests.size(), 1u);
    const QStringList files = QDir(workDir_.path()).entryList({ QStringLiteral("*.pdf") });
    ASSERT_EQ(files.size(), 1);
    const QString path = QDir(workDir_.path()).filePath(files[0]);
    EXPECT_EQ(messages_.Last(), PdfFilesMessage({ path }));
    EXPECT_GT(QFileInfo(path).size(), 0);
}

TEST_F(MainCommands, ClassificationSearchAddsLinesAndLoadsTheClassesOnce)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    const std::uint64_t before = Calls();
    int opened = 0;
    QString chosenCode;
    WhenShown<TFrmGoodPS>(FrmGoodPS, [&](TFrmGoodPS* ps) {
        ++opened;
        EXPECT_EQ(ps->pos() - w->pos(), QPoint(350, 0));
        EXPECT_EQ(ps->height(), w->height());
        EXPECT_EQ(ps->SBOnly->text(), QStringLiteral("모든제품")); // traded only, as RdBtnOnly
        ASSERT_EQ(ps->SGP->RowCount(), 14); // 13 classifications and "미분류"
        EXPECT_EQ(ps->SGP->Cells(0, 13), QStringLiteral("미분류"));
        ASSERT_FALSE(ps->SGG->Cells(19, 0).isEmpty());
        chosenCode = ps->SGG->Cells(19, 0);
        WhenShown<TFrmCnt>(FrmCnt, [&](TFrmCnt* cnt) {
            EXPECT_EQ(cnt->pos() - w->pos(), QPoint(560, 160));
            QTest::keyClicks(cnt->focusWidget(), QStringLiteral("4"));
            QTest::keyClick(cnt->focusWidget(), Qt::Key_Return);
        });
        ps->SGG->setFocus();
        QTest::keyClick(ps->SGG, Qt::Key_Return);
        // The line is in the order while the window stays open.
        EXPECT_EQ(Lines(), 1);
        EXPECT_TRUE(ps->isVisible());
        QTest::keyClick(ps->SGG, Qt::Key_Escape);
    });
    Focus(w->SGG);
    Press(Qt::Key_F2);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(Calls(), before + 2); // the catalogue and the classifications
    EXPECT_EQ(ClassNames[13].get(), QStringLiteral("미분류"));
    ASSERT_EQ(Lines(), 1);
    EXPECT_EQ(w->SGS->Cells(9, 0), chosenCode);
    EXPECT_EQ(w->SGS->Cells(3, 0), QStringLiteral("4"));
    EXPECT_FALSE(w->SGS->Cells(4, 0).isEmpty()); // a traded product with C_GUB: its price

    // Again, from the button: nothing is asked of the service.
    Activate();
    WhenShown<TFrmGoodPS>(FrmGoodPS, [&](TFrmGoodPS* ps) {
        ++opened;
        ps->SBEsc->click();
    });
    w->SBGPN->click();
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(Calls(), before + 2);
}

TEST_F(MainCommands, RefusedClassificationsOpenNoWindowAndAreAskedForAgain)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    Press(Qt::Key_F1); // the catalogue is loaded and cached
    ASSERT_TRUE(w->SGA->isVisible());
    qputenv("ORDER_SERVICE_HOST", QByteArray("127.0.0.1:1")); // nothing listens there
    messages_.Clear();
    Press(Qt::Key_F2);
    EXPECT_EQ(messages_.Texts(), QStringList { QStringLiteral("제품 분류 읽기 오류입니다\r\r다시 시도하십시요.") });
    EXPECT_EQ(FrmGoodPS, nullptr);
    EXPECT_TRUE(ClassNames[0].isEmpty());
    server_.Use();
    int opened = 0;
    WhenShown<TFrmGoodPS>(FrmGoodPS, [&](TFrmGoodPS* ps) {
        ++opened;
        // The catalogue list is shown: all products, the switch offers the traded ones.
        EXPECT_EQ(ps->SBOnly->text(), QStringLiteral("거래된제품만"));
        ps->SBEsc->click();
    });
    Press(Qt::Key_F2);
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(ClassNames[0].isEmpty());
}

TEST_F(MainCommands, PasteWindowOnlyForAnEmptyOrderAndF7MakesTheLines)
{
    TFrmMain* w = Open(kShop02);
    ASSERT_NE(w, nullptr);
    // Two traded products: one found by its barcode, one by its name.
    const int byBarcode = 2;
    const int byName = 5;
    const QString barcode = w->SGG->Cells(7, byBarcode);
    const QString name = w->SGG->Cells(0, byName);
    ASSERT_FALSE(barcode.isEmpty());

    w->AddDirectLine(QStringLiteral("X"), QString(), QStringLiteral("1"), QString());
    w->SBExcel->click();
    EXPECT_EQ(messages_.Last(),
        QStringLiteral(
            "주문중인 내용이 있는 경우는\r\r엑셀 내용을 불러올 수 없습니다\r\r[화면취소]를 먼저 클릭하십시요."));
    EXPECT_EQ(FrmExcelRead, nullptr);
    Press(Qt::Key_F9);

    QGuiApplication::clipboard()->setText(QStringLiteral("아무거나\t2\tBOX\t빨리\t") + barcode + QStringLiteral("\r\n")
        + QStringLiteral(" ") + name + QStringLiteral(" \t1,234\t\t\r\n") + QStringLiteral("없는 제품\tabc\tEA\t\r\n")
        + QStringLiteral("또\t3\tBOX\t\t") + barcode + QStringLiteral("\r\n"));
    int opened = 0;
    WhenShown<TFrmExcelRead>(FrmExcelRead, [&](TFrmExcelRead* x) {
        ++opened;
        EXPECT_EQ(x->y(), w->y());
        EXPECT_EQ(x->height(), w->height());
        EXPECT_EQ(x->x() + x->width(), w->x() + w->width());
        QTest::keyClick(x->SGS, Qt::Key_F1);
        EXPECT_EQ(x->SGS->Cells(0, 3), QStringLiteral("04"));
        QTest::keyClick(x->SGS, Qt::Key_F7);
    });
    messages_.Clear();
    w->SBExcel->click();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(FrmExcelRead, nullptr); // closed by F7
    EXPECT_EQ(messages_.Last(), QStringLiteral("엑셀 내용을 주문에 넣었습니다.\r\r제품 3줄, 직접입력 1줄"));
    ASSERT_EQ(Lines(), 3);
    EXPECT_EQ(w->SGS->Cells(9, 0), w->SGG->Cells(19, byBarcode));
    EXPECT_EQ(w->SGS->Cells(1, 0), w->SGG->Cells(0, byBarcode));
    EXPECT_EQ(w->SGS->Cells(3, 0), QStringLiteral("5")); // 2 + 3: the same product twice
    EXPECT_EQ(w->SGS->Cells(6, 0), QStringLiteral("빨리"));
    EXPECT_EQ(w->SGS->Cells(4, 0), w->SGG->Cells(5, byBarcode));
    EXPECT_EQ(w->SGS->Cells(9, 1), w->SGG->Cells(19, byName));
    EXPECT_EQ(w->SGS->Cells(3, 1), QStringLiteral("1234"));
    EXPECT_EQ(w->SGS->Cells(9, 2), QStringLiteral("YZ"));
    EXPECT_EQ(w->SGS->Cells(1, 2), QStringLiteral("없는 제품"));
    EXPECT_EQ(w->SGS->Cells(3, 2), QStringLiteral("0"));
    const Currency total
        = Currency::Parse(w->SGS->Cells(5, 0).toStdString()) + Currency::Parse(w->SGS->Cells(5, 1).toStdString());
    EXPECT_FALSE(total.IsZero());
    QString shown = w->CEdtSum->TypedText();
    EXPECT_EQ(Currency::Parse(shown.remove(QLatin1Char(',')).toStdString()), total);
}

TEST_F(MainCommands, HelpOpensBesideTheOrder)
{
    TFrmMain* w = Open(kShop01);
    ASSERT_NE(w, nullptr);
    int opened = 0;
    WhenShown<TFrmHelp>(FrmHelp, [&](TFrmHelp* h) {
        ++opened;
        EXPECT_EQ(h->pos() - w->pos(), QPoint(30, 150));
        EXPECT_EQ(h->Mm->document()->blockCount(), 65);
        QTest::keyClick(h->Mm, Qt::Key_Escape);
    });
    w->SBHelp->click();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(FrmHelp, nullptr);
}

// A shop that shows prices and has traded nothing: the empty rows of the
// traded list draw nothing in the price column; a product row keeps "0".
TEST_F(MainCommands, EmptyTradedRowsShowNoPrice)
{
    TFrmMain* w = Open(kShop02);
    ASSERT_NE(w, nullptr);
    w->SGG->Model()->ClearCells();
    w->SGG->SetRow(0);
    QApplication::processEvents();
    const QRect empty = w->SGG->visualRect(w->SGG->Model()->index(2, 3));
    QImage image = w->SGG->viewport()->grab().toImage();
    EXPECT_EQ(DarkPixels(image, empty), 0);

    w->SGG->SetCells(19, 2, QStringLiteral("100001"));
    w->SGG->SetCells(0, 2, QStringLiteral("생수"));
    QApplication::processEvents();
    image = w->SGG->viewport()->grab().toImage();
    EXPECT_GT(DarkPixels(image, empty), 0);
}
