// The order sheet and the product list as drawing calls (recorded), and the
// order sheet written as PDF files when there is no printer, read back with
// pdftotext.

#include "Messages.h"
#include "OrderLineLogic.h"
#include "PrintLogic.h"
#include "PrintTarget.h"
#include "QStringPrinter.h"
#include "StringGrid.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>

using namespace order;

namespace {

const QString kTitle = QStringLiteral("누리식자재 도매센터 24/12/07 일 주문리스트");

void MakeOrder(TStringGridModel& lines, int n)
{
    lines.SetColCount(kLineColCount);
    lines.SetRowCount(kLineRowCount);
    for (int i = 0; i < n; ++i)
        WriteLine(lines, i,
            OrderLine { QString::number(100000 + i), QStringLiteral("제품%1").arg(i + 1), QStringLiteral("BOX"),
                QString::number(i + 2) + QStringLiteral(".5"), i % 2 ? QStringLiteral("오전") : QString(), QString() },
            false);
}

const PrintCall* FindText(const std::vector<PrintCall>& job, const QString& text)
{
    for (const PrintCall& c : job)
        if (c.kind == PrintCall::Text && c.text == text)
            return &c;
    return nullptr;
}

int CountLines(const std::vector<PrintCall>& job)
{
    return int(std::count_if(job.begin(), job.end(), [](const PrintCall& c) { return c.kind == PrintCall::Line; }));
}

bool HasLine(const std::vector<PrintCall>& job, int x1, int y1, int x2, int y2)
{
    return std::any_of(job.begin(), job.end(), [&](const PrintCall& c) {
        return c.kind == PrintCall::Line && c.x == x1 && c.y == y1 && c.x2 == x2 && c.y2 == y2;
    });
}

} // namespace

TEST(OrderSheet, PagesTitlesLinesAndRules)
{
    struct Case {
        int lines;
        int pages;
        std::vector<int> linesPerPage;
    };
    for (const Case& c : { Case { 1, 1, { 1 } }, Case { 50, 2, { 50, 0 } }, Case { 51, 2, { 50, 1 } } }) {
        SCOPED_TRACE(c.lines);
        TStringGridModel lines;
        MakeOrder(lines, c.lines);
        RecordingPrintTarget target;
        PrintOrderSheet(target, lines, kTitle);
        const auto jobs = target.Jobs();
        ASSERT_EQ(int(jobs.size()), c.pages);
        for (int p = 0; p < c.pages; ++p) {
            SCOPED_TRACE(p);
            const auto& job = jobs[std::size_t(p)];
            // Title on even page indexes only.
            const PrintCall* title = FindText(job, kTitle);
            if (p % 2 == 0) {
                ASSERT_NE(title, nullptr);
                EXPECT_EQ(title->x, 120);
                EXPECT_EQ(title->y, -150);
                EXPECT_EQ(title->height, 45);
            } else {
                EXPECT_EQ(title, nullptr);
            }
            EXPECT_TRUE(HasLine(job, 20, -255, 2000, -255));
            const int n = c.linesPerPage[std::size_t(p)];
            // Top rule, then a horizontal and six vertical rules a line.
            EXPECT_EQ(CountLines(job), 1 + 7 * n);
            for (int k = 0; k < n; ++k) {
                const int i = p * 50 + k;
                const int y = -250 - 50 * k;
                const QString number = QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
                const PrintCall* num = FindText(job, number);
                ASSERT_NE(num, nullptr) << number.toStdString();
                EXPECT_EQ(num->x, 30);
                EXPECT_EQ(num->y, y - 15);
                EXPECT_EQ(num->height, 35);
                const PrintCall* name = FindText(job, QStringLiteral("제품%1").arg(i + 1));
                ASSERT_NE(name, nullptr);
                EXPECT_EQ(name->x, 90);
                EXPECT_EQ(name->y, y - 10);
                EXPECT_EQ(name->height, 40);
                EXPECT_TRUE(HasLine(job, 20, y - 55, 2000, y - 55));
                for (int x : { 20, 80, 1030, 1160, 1340, 2000 })
                    EXPECT_TRUE(HasLine(job, x, y - 5, x, y - 55)) << x;
            }
        }
    }
}

TEST(OrderSheet, ColumnsOfOneLine)
{
    TStringGridModel lines;
    MakeOrder(lines, 3);
    lines.SetCell(3, 1, QStringLiteral("1.5"));
    RecordingPrintTarget target;
    PrintOrderSheet(target, lines, kTitle);
    const auto job = target.Jobs().at(0);
    const int y = -250 - 50;
    const PrintCall* unit = nullptr;
    const PrintCall* qty = FindText(job, QStringLiteral("1.5"));
    const PrintCall* note = FindText(job, QStringLiteral("오전"));
    for (const PrintCall& c : job)
        if (c.kind == PrintCall::Text && c.text == QLatin1String("BOX") && c.y == y - 10)
            unit = &c;
    ASSERT_TRUE(unit && qty && note);
    EXPECT_EQ(unit->x, 1040);
    // The quantity as stored, ending at x 1310.
    EXPECT_EQ(qty->x, 1310);
    EXPECT_TRUE(qty->rightAligned);
    EXPECT_EQ(qty->y, y - 10);
    EXPECT_EQ(note->x, 1360);
    EXPECT_FALSE(note->rightAligned);
    EXPECT_EQ(target.calls.front().kind, PrintCall::Begin);
    EXPECT_EQ(target.calls.back().kind, PrintCall::End);
}

TEST(OrderSheet, DateOfTheTitle)
{
    EXPECT_EQ(OrderSheetDate(QStringLiteral("210305"), QStringLiteral("241207")), QStringLiteral("21/03/05"));
    EXPECT_EQ(OrderSheetDate(QString(), QStringLiteral("241207")), QStringLiteral("24/12/07"));
    EXPECT_EQ(OrderSheetDate(QStringLiteral("2103"), QStringLiteral("241207")), QStringLiteral("2103"));
    EXPECT_EQ(OrderSheetTitle(QStringLiteral("A&B상사"), QStringLiteral("21/03/05")),
        QStringLiteral("A&B상사 21/03/05 일 주문리스트"));
}

TEST(ProductList, TwoColumnsASheetAndTheTitleOnTheLeftOnly)
{
    TStringGridModel list;
    list.SetColCount(20);
    list.SetRowCount(120);
    for (int r = 0; r < 120; ++r) {
        list.SetCell(0, r, QStringLiteral("품목%1").arg(r + 1));
        list.SetCell(1, r, QStringLiteral("봉"));
    }
    list.SetCell(0, 60, QString()); // an empty row is printed with its rules
    const QString title = ProductListTitle(QStringLiteral("누리"));
    EXPECT_EQ(title, QStringLiteral("누리  품목리스트"));
    RecordingPrintTarget target;
    PrintProductList(target, list, title);
    const auto jobs = target.Jobs();
    ASSERT_EQ(jobs.size(), 2u);

    auto expectRow = [&](const std::vector<PrintCall>& job, int r, int x0, int right) {
        SCOPED_TRACE(r);
        const int y = -250 - 50 * (r % 50);
        const PrintCall* name = FindText(job, QStringLiteral("품목%1").arg(r + 1));
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->x, x0 + 10);
        EXPECT_EQ(name->y, y - 10);
        EXPECT_EQ(name->height, 32);
        EXPECT_TRUE(HasLine(job, x0, y - 50, right, y - 50));
        for (int x : { x0, x0 + 660, x0 + 780, right })
            EXPECT_TRUE(HasLine(job, x, y, x, y - 50));
    };
    // Sheet 1: rows 1-50 left, 51-100 right; one title.
    EXPECT_NE(FindText(jobs[0], title), nullptr);
    EXPECT_EQ(std::count_if(jobs[0].begin(), jobs[0].end(), [&](const PrintCall& c) { return c.text == title; }), 1);
    EXPECT_TRUE(HasLine(jobs[0], 20, -250, 1010, -250));
    EXPECT_TRUE(HasLine(jobs[0], 1010, -250, 2000, -250));
    for (int r : { 0, 9, 49 })
        expectRow(jobs[0], r, 20, 1010);
    for (int r : { 50, 99 })
        expectRow(jobs[0], r, 1010, 2000);
    EXPECT_EQ(CountLines(jobs[0]), 2 + 100 * 5);
    // Sheet 2: rows 101-120 left, under the title again.
    const PrintCall* title2 = FindText(jobs[1], title);
    ASSERT_NE(title2, nullptr);
    EXPECT_EQ(title2->x, 120);
    EXPECT_EQ(title2->y, -150);
    for (int r : { 100, 119 })
        expectRow(jobs[1], r, 20, 1010);
    EXPECT_EQ(CountLines(jobs[1]), 1 + 20 * 5);
    const PrintCall* unit = FindText(jobs[1], QStringLiteral("봉"));
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->x, 690);
}

TEST(ProductList, AFullSheetIsFollowedByOneWithTheTitleOnly)
{
    TStringGridModel list;
    list.SetColCount(20);
    list.SetRowCount(100);
    RecordingPrintTarget target;
    PrintProductList(target, list, QStringLiteral("T"));
    const auto jobs = target.Jobs();
    ASSERT_EQ(jobs.size(), 2u);
    ASSERT_EQ(jobs[1].size(), 2u);
    EXPECT_EQ(jobs[1][0].text, QStringLiteral("T"));
    EXPECT_TRUE(HasLine(jobs[1], 20, -250, 1010, -250));
}

// Without a printer every page is a PDF file; pdftotext (poppler-utils,
// installed by scripts/install-deps.sh) reads the text back.
TEST(PrinterTarget, OrderSheetAsPdfFilesNamedInOneMessage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    MessageRecorder messages;
    TStringGridModel lines;
    MakeOrder(lines, 51);
    {
        PrinterTarget target(dir.path(), true);
        EXPECT_TRUE(target.ToPdf());
        PrintOrderSheet(target, lines, kTitle);
        target.Finish();
        ASSERT_EQ(target.PdfFiles().size(), 2);
        ASSERT_EQ(messages.requests.size(), 1u);
        EXPECT_EQ(messages.Last(), PdfFilesMessage(target.PdfFiles()));
        for (const QString& f : target.PdfFiles()) {
            EXPECT_TRUE(messages.Last().contains(f));
            EXPECT_TRUE(f.startsWith(dir.path() + QLatin1Char('/')));
            EXPECT_TRUE(f.endsWith(QStringLiteral(".pdf")));
        }
        auto text = [](const QString& file) {
            QProcess p;
            p.start(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), file, QStringLiteral("-") });
            EXPECT_TRUE(p.waitForFinished(30000)) << "pdftotext missing? run scripts/install-deps.sh";
            return QString::fromUtf8(p.readAllStandardOutput());
        };
        const QString page1 = text(target.PdfFiles()[0]);
        const QString page2 = text(target.PdfFiles()[1]);
        // Every blank of the text layer is a real blank (a font that draws
        // the control characters and the blank with one glyph made them
        // U+0001), so the title reads back as it was drawn.
        for (const QString& page : { page1, page2 }) {
            EXPECT_FALSE(page.contains(QChar(1))) << page.toStdString();
            EXPECT_FALSE(page.isEmpty());
        }
        EXPECT_TRUE(page1.contains(kTitle)) << page1.toStdString();
        EXPECT_TRUE(page1.contains(QStringLiteral("01")));
        EXPECT_TRUE(page1.contains(QStringLiteral("50")));
        EXPECT_FALSE(page1.contains(QStringLiteral("제품51")));
        EXPECT_TRUE(page2.contains(QStringLiteral("51")));
        EXPECT_TRUE(page2.contains(QStringLiteral("제품51")));
        EXPECT_FALSE(page2.contains(QStringLiteral("주문리스트")));
    }
}

TEST(PrinterTarget, MakerCanBeReplacedAndRestored)
{
    RecordingPrintTarget* made = nullptr;
    SetPrintTargetMaker([&made](const QString&) {
        auto t = std::make_unique<RecordingPrintTarget>();
        made = t.get();
        return t;
    });
    auto target = MakePrintTarget(QStringLiteral("/nowhere"));
    EXPECT_EQ(target.get(), made);
    SetPrintTargetMaker(nullptr);
    auto real = MakePrintTarget(QStringLiteral("/nowhere"));
    EXPECT_NE(dynamic_cast<PrinterTarget*>(real.get()), nullptr);
}
