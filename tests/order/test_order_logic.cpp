// The main window's rules that need no window: list requests, filling list
// models from answers, barcode look-up, cell texts, order lines, totals,
// notices and the relaunch message.

#include "MainLogic.h"
#include "OrderLineLogic.h"
#include "OrderLogic.h"
#include "ProductListLogic.h"
#include "QStringPrinter.h"
#include "StringGrid.h"
#include "TagMessage.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace order;

namespace {

std::string Record(int i, const std::string& fields)
{
    return BuildTag(RecordName(i), fields);
}

std::string Product(const std::string& name, const std::string& code, const std::string& cost, const std::string& date,
    const std::string& barcode, const std::string& cnt = "")
{
    return BuildTag("G_CODE", code) + BuildTag("G_NAME", name) + BuildTag("G_BOX", "BOX") + BuildTag("G_BCNT", "12")
        + BuildTag("U_COST", cost) + BuildTag("U_DATE", date) + BuildTag("U_CNT", cnt) + BuildTag("G_BCODE", barcode)
        + BuildTag("G_GPN1", "면류");
}

std::shared_ptr<const std::string> Answer(const std::vector<std::string>& records, const std::string& count = "")
{
    std::string a = BuildTag("RESULT_CODE", "1")
        + BuildTag("RESULT_RECORD_COUNT", count.empty() ? std::to_string(records.size()) : count);
    for (std::size_t i = 0; i < records.size(); ++i)
        a += Record(int(i), records[i]);
    return std::make_shared<const std::string>(a);
}

void MakeList(TStringGridModel& m)
{
    m.SetColCount(kListColCount);
    m.SetRowCount(25);
}

void MakeLines(TStringGridModel& m)
{
    m.SetColCount(kLineColCount);
    m.SetRowCount(kLineRowCount);
}

} // namespace

TEST(ListRequests, FieldsInOrder)
{
    EXPECT_EQ(TradedListRequest("000101", kOrderByDate),
        "<SAME_FIELD>U_CC</SAME_FIELD><SAME_KEY>000101</SAME_KEY><ORDERBY>U_DATE DESC</ORDERBY>");
    EXPECT_EQ(TradedListRequest("000101", kOrderByName),
        "<SAME_FIELD>U_CC</SAME_FIELD><SAME_KEY>000101</SAME_KEY><ORDERBY>G_NAME ASC</ORDERBY>");
    EXPECT_EQ(TradedSearchRequest("000101", "%라면%", true),
        "<SAME_FIELD>U_CC</SAME_FIELD><SAME_KEY>000101</SAME_KEY><LIKE_FIELD>G_NAME</LIKE_FIELD>"
        "<LIKE_KEY>%라면%</LIKE_KEY><ORDERBY>U_DATE DESC</ORDERBY>");
    EXPECT_EQ(
        TradedSearchRequest("000101", "%A%", false).find("<ORDERBY>G_NAME ASC</ORDERBY>") != std::string::npos, true);
    EXPECT_EQ(CatalogRequest("000101", "A"),
        "<C_CODE>000101</C_CODE><GROUP_FIELD>G_PART</GROUP_FIELD><GROUP_KEY>A</GROUP_KEY>"
        "<ORDERBY>G_NAME ASC</ORDERBY>");
    EXPECT_EQ(CatalogSearchRequest("000101", "라%"),
        "<C_CODE>000101</C_CODE><LIKE_FIELD>G_NAME</LIKE_FIELD><LIKE_KEY>라%</LIKE_KEY>"
        "<ORDERBY>G_NAME ASC</ORDERBY>");
    EXPECT_EQ(NoticesRequest(), "<GM_GC>999999</GM_GC><ORDERBY>GM_NO ASC</ORDERBY>");
}

TEST(ListRequests, SearchPatternTrimsBlanksOnly)
{
    EXPECT_EQ(SearchPattern(QStringLiteral("  라면 "), false), "%라면%");
    EXPECT_EQ(SearchPattern(QStringLiteral("라면"), true), "라면%");
    EXPECT_EQ(SearchPattern(QStringLiteral("A B"), true), "A B%");
}

TEST(ListFill, ColumnsFollowThePriceSwitch)
{
    const auto answer = Answer(
        { Product("신라면", "G001", "1200", "240305", "8801043014809", "3"), Product("우유 1L", "G002", "", "", "") });
    for (const bool gua : { true, false }) {
        SCOPED_TRACE(gua);
        TStringGridModel m;
        MakeList(m);
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Warning);
        EXPECT_EQ(FillList(m, answer, gua), 2);
        const TListColumns c = TListColumns::ForColumnCount(m.ColCount());
        EXPECT_EQ(m.RowCount(), 2);
        EXPECT_EQ(m.Cell(c.Name, 0), QStringLiteral("신라면"));
        EXPECT_EQ(m.Cell(c.Unit, 0), QStringLiteral("BOX"));
        EXPECT_EQ(m.Cell(c.UnitQty, 0), QStringLiteral("12"));
        EXPECT_EQ(m.Cell(c.PriceOrDate, 0), gua ? QStringLiteral("1200") : QStringLiteral("240305"));
        EXPECT_EQ(m.Cell(4, 0), QString());
        EXPECT_EQ(m.Cell(c.Price, 0), QStringLiteral("1200"));
        EXPECT_EQ(m.Cell(c.UsualQty, 0), QStringLiteral("3"));
        EXPECT_EQ(m.Cell(c.Barcode, 0), QStringLiteral("8801043014809"));
        EXPECT_EQ(m.Cell(c.Class, 0), QStringLiteral("면류"));
        EXPECT_EQ(m.Cell(c.Code, 0), QStringLiteral("G001"));
        EXPECT_EQ(m.Cell(c.Code, 1), QStringLiteral("G002"));
        for (int col = 8; col < 18; ++col)
            EXPECT_TRUE(m.Cell(col, 0).isEmpty()) << col;
    }
}

TEST(ListFill, NoRecordsEmptiesCellsAndKeepsRowCount)
{
    TStringGridModel m;
    MakeList(m);
    FillList(m, Answer({ Product("A", "1", "1", "1", "1") }), true);
    m.SetRowCount(7);
    m.SetCell(0, 6, QStringLiteral("x"));
    EXPECT_EQ(FillList(m, Answer({}), true), 0);
    EXPECT_EQ(m.RowCount(), 7);
    for (int r = 0; r < 7; ++r)
        EXPECT_TRUE(m.Cell(0, r).isEmpty());
}

TEST(ListFill, MissingRecordsLeaveEmptyRowsAndABogusCountIsBounded)
{
    TStringGridModel m;
    MakeList(m);
    // Three announced, two present.
    EXPECT_EQ(FillList(m, Answer({ Product("A", "1", "", "", ""), Product("B", "2", "", "", "") }, "3"), false), 3);
    EXPECT_EQ(m.RowCount(), 3);
    EXPECT_EQ(m.Cell(0, 1), QStringLiteral("B"));
    EXPECT_TRUE(m.Cell(0, 2).isEmpty());
    // A count no answer of this size can hold must not size the grid.
    TStringGridModel big;
    MakeList(big);
    const long long n = FillList(big, Answer({ Product("A", "1", "", "", "") }, "2000000000"), false);
    EXPECT_LT(n, 1000);
    EXPECT_EQ(big.RowCount(), n);
    EXPECT_EQ(big.Cell(0, 0), QStringLiteral("A"));
}

TEST(ListFill, FindRowMatchesExactly)
{
    TStringGridModel m;
    MakeList(m);
    FillList(m,
        Answer(
            { Product("A", "1", "", "", "880"), Product("B", "2", "", "", "8801"), Product("C", "3", "", "", "8801") }),
        true);
    const int barcode = TListColumns().Barcode;
    EXPECT_EQ(FindRow(m, barcode, QStringLiteral("8801")), 1);
    EXPECT_EQ(FindRow(m, barcode, QStringLiteral("880")), 0);
    EXPECT_EQ(FindRow(m, barcode, QStringLiteral("88")), -1);
    EXPECT_EQ(FindRow(m, barcode, QStringLiteral("8801 ")), -1);
}

TEST(ListCells, DrawingRulesPerColumnAndSwitch)
{
    struct Case {
        int col;
        const char* cell;
        bool gua;
        bool traded;
        const char* shown;
        bool right;
    } cases[] = {
        { 0, "  신라면  ", true, true, "신라면", false },
        { 1, "BOX ", true, true, "BOX", false },
        { 2, "12", true, true, "12", true },
        { 2, "12.6", true, true, "13", true },
        { 2, "0", true, true, "", true },
        { 2, "abc", true, true, "", true },
        { 2, "", false, false, "", true },
        { 3, "1234567.5", true, true, "1,234,567.5", true },
        { 3, "0", true, true, "0", true },
        { 3, "", true, true, "0", true },
        { 3, "x", true, true, "0", true },
        { 3, "0", true, false, "", true },
        { 3, "", true, false, "", true },
        { 3, "1200", true, false, "1,200", true },
        { 3, "210305", false, true, "21/03/05", false },
        { 3, "21035", false, true, "", false },
        { 3, "2103050", false, false, "", false },
        { 7, " 8801 ", true, true, "8801", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.col << " '" << c.cell << "' gua=" << c.gua << " traded=" << c.traded);
        const CellDisplay d = ListCellDisplay(c.col, QString::fromUtf8(c.cell), c.gua, c.traded);
        EXPECT_EQ(d.text, QString::fromUtf8(c.shown));
        EXPECT_EQ(d.rightAligned, c.right);
        EXPECT_EQ(d.indent, c.col == 0 ? 6 : 4);
    }
}

TEST(OrderLines, WriteFindAndCount)
{
    TStringGridModel m;
    MakeLines(m);
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Warning);
    const TLineColumns c = TLineColumns::ForColumnCount(m.ColCount());
    EXPECT_EQ(c.Code, 9);
    EXPECT_EQ(FirstFreeRow(m), 0);
    WriteLine(m, 0,
        { QStringLiteral("G1"), QStringLiteral("신라면"), QStringLiteral("BOX"), QStringLiteral("1,500"),
            QStringLiteral("빨리"), QStringLiteral("1,200") },
        true);
    EXPECT_EQ(m.Cell(c.Number, 0), QStringLiteral("1"));
    EXPECT_EQ(m.Cell(c.Qty, 0), QStringLiteral("1500"));
    EXPECT_EQ(m.Cell(c.Price, 0), QStringLiteral("1200"));
    EXPECT_EQ(m.Cell(c.Amount, 0), QStringLiteral("1800000"));
    EXPECT_EQ(m.Cell(c.Note, 0), QStringLiteral("빨리"));
    WriteLine(m, 1,
        { QStringLiteral("G2"), QStringLiteral("우유"), QStringLiteral("EA"), QStringLiteral("2"), QString(),
            QStringLiteral("900") },
        false);
    EXPECT_TRUE(m.Cell(c.Price, 1).isEmpty());
    EXPECT_TRUE(m.Cell(c.Amount, 1).isEmpty());
    EXPECT_EQ(FindLine(m, QStringLiteral("G2")), 1);
    EXPECT_EQ(FindLine(m, QStringLiteral("G3")), -1);
    EXPECT_EQ(FirstFreeRow(m), 2);
    EXPECT_EQ(LineCount(m), 2);
}

TEST(OrderLines, AmountsInFourDecimalFixedPoint)
{
    struct Case {
        const char* qty;
        const char* price;
        const char* amount;
    } cases[] = {
        { "1.5", "1200", "1800" },
        { "1.5", "1,200", "1800" },
        { "3", "", "0" },
        { "", "500", "0" },
        { "0.3333", "3", "0.9999" },
        { "2.5", "0.1", "0.25" },
        { "-2", "1000", "-2000" },
        { "abc", "10", "0" },
        { "0.12346", "1", "0.1235" },
        { "100000", "99999.99", "9999999000" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(LineAmount(QString::fromUtf8(c.qty), QString::fromUtf8(c.price)), QString::fromUtf8(c.amount))
            << c.qty << " x " << c.price;
}

TEST(OrderLines, ScanAddsOneToTheQuantitysValue)
{
    EXPECT_EQ(IncrementQuantity(QStringLiteral("1.5")), QStringLiteral("2.5"));
    EXPECT_EQ(IncrementQuantity(QStringLiteral("1")), QStringLiteral("2"));
    EXPECT_EQ(IncrementQuantity(QStringLiteral("")), QStringLiteral("1"));
    EXPECT_EQ(IncrementQuantity(QStringLiteral("1,000")), QStringLiteral("1001"));
    EXPECT_EQ(IncrementQuantity(QStringLiteral("x")), QStringLiteral("1"));
}

TEST(OrderLines, DeleteRenumbersAndTotalDrops)
{
    TStringGridModel m;
    MakeLines(m);
    for (int i = 0; i < 5; ++i)
        WriteLine(m, i,
            { QStringLiteral("G%1").arg(i), QStringLiteral("N%1").arg(i), QStringLiteral("EA"), QString::number(i + 1),
                QString(), QStringLiteral("100") },
            true);
    EXPECT_EQ(LinesTotal(m), Currency::FromInt(1500));
    EXPECT_TRUE(DeleteLine(m, 2));
    const TLineColumns c;
    EXPECT_EQ(LineCount(m), 4);
    EXPECT_EQ(m.Cell(c.Name, 2), QStringLiteral("N3"));
    EXPECT_EQ(m.Cell(c.Number, 2), QStringLiteral("3"));
    EXPECT_EQ(m.Cell(c.Name, 3), QStringLiteral("N4"));
    EXPECT_EQ(m.Cell(c.Number, 3), QStringLiteral("4"));
    for (int col = 0; col < kLineColCount; ++col)
        EXPECT_TRUE(m.Cell(col, 4).isEmpty()) << col;
    EXPECT_EQ(LinesTotal(m), Currency::FromInt(1200));
    EXPECT_FALSE(DeleteLine(m, 4)); // no line there
    EXPECT_FALSE(DeleteLine(m, -1));
    EXPECT_EQ(LineCount(m), 4);
}

TEST(OrderLines, FullGridDeletesTheLastRowByEmptyingIt)
{
    TStringGridModel m;
    MakeLines(m);
    for (int i = 0; i < kLineRowCount; ++i)
        WriteLine(m, i,
            { QStringLiteral("G%1").arg(i), QStringLiteral("N%1").arg(i), {}, QStringLiteral("1"), {},
                QStringLiteral("10") },
            true);
    EXPECT_EQ(FirstFreeRow(m), -1);
    EXPECT_EQ(LineCount(m), 99);
    EXPECT_EQ(LinesTotal(m), Currency::FromInt(990));
    EXPECT_TRUE(DeleteLine(m, 98));
    EXPECT_EQ(LineCount(m), 98);
    EXPECT_EQ(m.Cell(1, 97), QStringLiteral("N97"));
    EXPECT_TRUE(DeleteLine(m, 0));
    EXPECT_EQ(m.Cell(0, 0), QStringLiteral("1"));
    EXPECT_EQ(m.Cell(1, 0), QStringLiteral("N1"));
    EXPECT_EQ(m.Cell(0, 96), QStringLiteral("97"));
    EXPECT_TRUE(m.Cell(0, 97).isEmpty());
    EXPECT_EQ(LinesTotal(m), Currency::FromInt(970));
}

TEST(OrderLines, TotalStopsAtTheFirstRowWithoutCode)
{
    TStringGridModel m;
    MakeLines(m);
    const TLineColumns c;
    m.SetCell(c.Code, 0, QStringLiteral("G"));
    m.SetCell(c.Amount, 0, QStringLiteral("1,234.5"));
    m.SetCell(c.Amount, 2, QStringLiteral("100")); // behind the gap: not a line
    m.SetCell(c.Code, 2, QStringLiteral("H"));
    EXPECT_EQ(LinesTotal(m), Currency::FromRaw(12345000));
}

TEST(OrderLines, CellDrawingRules)
{
    struct Case {
        int col;
        const char* cell;
        const char* shown;
        bool right;
        int indent;
    } cases[] = {
        { 0, "12", "12", true, 4 },
        { 0, "0", "", true, 4 },
        { 0, "", "", true, 4 },
        { 0, "1234", "1,234", true, 4 },
        { 1, " 신라면  ", " 신라면", false, 6 },
        { 2, "BOX  ", "BOX", false, 4 },
        { 3, "1.5", "1.5", true, 4 },
        { 3, "0", "", true, 4 },
        // Below 1: a leading zero, at most two decimals, rounded half away
        // from zero; a value that rounds to nothing still shows 0.
        { 3, "0.5", "0.5", true, 4 },
        { 3, "0.25", "0.25", true, 4 },
        { 3, "0.125", "0.13", true, 4 },
        { 3, "0.004", "0", true, 4 },
        { 3, "0.0000", "", true, 4 },
        { 3, "-0.5", "-0.5", true, 4 },
        { 3, "-0.005", "-0.01", true, 4 },
        { 4, ".75", "0.75", true, 4 },
        { 5, "0.01", "0.01", true, 4 },
        { 3, "", "", true, 4 },
        { 4, "1200", "1,200", true, 4 },
        { 5, "1800", "1,800", true, 4 },
        { 5, "1234567.891", "1,234,567.89", true, 4 },
        { 6, "빨리  ", "빨리", false, 4 },
        { 9, "G1", "G1", false, 4 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.col << " '" << c.cell << "'");
        const CellDisplay d = LineCellDisplay(c.col, QString::fromUtf8(c.cell));
        EXPECT_EQ(d.text, QString::fromUtf8(c.shown));
        EXPECT_EQ(d.rightAligned, c.right);
        EXPECT_EQ(d.indent, c.indent);
    }
}

// A failure message shows the answer without the line breaks and blanks at
// its ends; those inside it stay, the NUL before an echoed CALL_INDEX too.
TEST(MainRules, FailureMessagesTrimTheAnswersEnds)
{
    using namespace std::string_literals;
    struct Case {
        std::string answer;
        QString shown;
    } cases[] = {
        { "\r\n<RESULT_CODE>0</RESULT_CODE>\r\n"s, QStringLiteral("<RESULT_CODE>0</RESULT_CODE>") },
        { "\r\r\n\n  Send_PostRequest Error<CALL_INDEX>261209-3</CALL_INDEX>"s,
            QStringLiteral("Send_PostRequest Error<CALL_INDEX>261209-3</CALL_INDEX>") },
        { "<RESULT_CODE>0</RESULT_CODE>\r\n\0<CALL_INDEX>261209-4</CALL_INDEX>\r\n"s,
            QStringLiteral("<RESULT_CODE>0</RESULT_CODE>\r\n") + QChar(u'\0')
                + QStringLiteral("<CALL_INDEX>261209-4</CALL_INDEX>") },
        { "\r\n"s, QString() },
        { "a\r\nb"s, QStringLiteral("a\r\nb") },
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrimmedAnswer(c.answer), c.shown) << testing::PrintToString(c.answer);
}

TEST(MainRules, LaunchMessage)
{
    EXPECT_EQ(LaunchMessage({ QStringLiteral("prog") }), QString());
    EXPECT_EQ(LaunchMessage({ QStringLiteral("prog"), QStringLiteral("/SKIPCHECK") }), QString());
    EXPECT_EQ(LaunchMessage({ QStringLiteral("prog"), QStringLiteral("/SKIPCHECK"), QStringLiteral("새^버전/설치^완료"),
                  QStringLiteral("x") }),
        QStringLiteral("새 버전\r\n설치 완료"));
}

TEST(MainRules, NoticesFillSlotsAndStopAtTwenty)
{
    TNotices n;
    n[5] = QStringLiteral("old");
    std::vector<std::string> records;
    for (int i = 0; i < 3; ++i)
        records.push_back(
            BuildTag("GM_NO", std::to_string(i)) + BuildTag("GM_NOTE", "공지 " + std::to_string(i) + "  "));
    EXPECT_EQ(ReadNotices(*Answer(records), n), 3);
    EXPECT_EQ(n[0], QStringLiteral("공지 0  "));
    EXPECT_EQ(n[2], QStringLiteral("공지 2  "));
    EXPECT_TRUE(n[3].isEmpty());
    EXPECT_TRUE(n[5].isEmpty());

    records.clear();
    for (int i = 0; i < 25; ++i)
        records.push_back(BuildTag("GM_NOTE", "N" + std::to_string(i)));
    EXPECT_EQ(ReadNotices(*Answer(records), n), 25);
    EXPECT_EQ(n[19], QStringLiteral("N19"));
}
