// The order as the service sees it, without a window: the send request's
// header and lines, the sample request, and reading an order answer back.

#include "Helpers.h"
#include "OrderLogic.h"
#include "StringGrid.h"
#include "TagMessage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace order;

namespace {

struct Row {
    QString code, name, unit, qty, price, note;
};

void Fill(TStringGridModel& m, const std::vector<Row>& rows)
{
    m.SetColCount(kLineColCount);
    m.SetRowCount(kLineRowCount);
    for (std::size_t i = 0; i < rows.size(); ++i)
        WriteLine(
            m, int(i), { rows[i].code, rows[i].name, rows[i].unit, rows[i].qty, rows[i].note, rows[i].price }, true);
}

} // namespace

// The window test checks a new order's request element by element; here an
// order opened again, stored as still being written.
TEST(OrderRequest, ReopenedOrderKeepsItsIdentity)
{
    TStringGridModel lines;
    Fill(lines, { { "100007", "신라면", "BOX", "3", "19200", "  빨리 " } });
    OrderOnScreen o;
    o.OrderCode = QStringLiteral("00000012");
    o.OrderDate = QStringLiteral("261201");
    o.OrderTime = QStringLiteral("0930");
    o.SendCount = 4;
    o.Note = QStringLiteral("  문 앞  ");
    o.StillWriting = true;
    o.Lines = LineItems(lines);
    const std::string text = OrderSendRequest(o, SenderCodes {});
    const std::string head = ExtractTag("ORDERH_DATA", text);
    const std::pair<const char*, const char*> expected[] = { { "OH_CODE", "00000012" }, { "OH_SD", "261201" },
        { "OH_AT", "0930" }, { "OH_MCOUNT", "4" }, { "OH_IOG", "X" }, { "OH_NOTE", "문 앞" }, { "OH_RCOUNT", "1" } };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(ExtractTag(name, head), value) << name;
    EXPECT_EQ(ExtractTag("OL_LN", text), "빨리");
    EXPECT_EQ(text.find("19200"), std::string::npos) << "prices are not sent";
}

TEST(OrderRequest, SampleHoldsCodeAndFlag)
{
    EXPECT_EQ(SampleRequest("00000007"), "<ORDERH_DATA><OH_CODE>00000007</OH_CODE><OH_SG>1</OH_SG></ORDERH_DATA>");
}

namespace {

std::string LineRecord(int i, const std::string& code, const std::string& lc = "2")
{
    return BuildTag(RecordName(i),
        BuildTag("OL_GC", code) + BuildTag("G_NAME", "카탈로그 " + code) + BuildTag("G_BOX", "BOX")
            + BuildTag("OL_GN", code == "YZ" ? "직접 " + std::to_string(i) : "") + BuildTag("OL_GBOX", "EA")
            + BuildTag("OL_LC", lc) + BuildTag("OL_LN", "n" + std::to_string(i)));
}

std::string OrderAnswer(const std::string& rcount, int records, bool withLines = true)
{
    std::string head = BuildTag("OH_CODE", "00000009") + BuildTag("OH_SD", "261207") + BuildTag("OH_AT", "1015")
        + BuildTag("OH_MCOUNT", "3") + BuildTag("OH_DD", "261210") + BuildTag("OH_NOTE", "메모")
        + BuildTag("OH_IOG", "A") + BuildTag("OH_RCOUNT", rcount);
    std::string body;
    for (int i = 0; i < records; ++i)
        body += LineRecord(i, i % 3 == 2 ? "YZ" : std::to_string(100001 + i));
    return BuildTag("RESULT_CODE", "1") + BuildTag("ORDERH_DATA", head)
        + (withLines ? BuildTag("ORDERL_DATA", body) : std::string());
}

} // namespace

TEST(OrderAnswer, DirectLinesKeepWhatWasTyped)
{
    const std::vector<OrderItem> lines = ParseOrderAnswer(OrderAnswer("3", 3)).order.Lines;
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].name, QStringLiteral("카탈로그 100001"));
    EXPECT_EQ(lines[2].code, QStringLiteral("YZ"));
    EXPECT_EQ(lines[2].name, QStringLiteral("직접 2"));
    EXPECT_EQ(lines[2].unit, QStringLiteral("EA"));
}

TEST(OrderAnswer, LineCountsThatDoNotMatch)
{
    struct Case {
        const char* what;
        std::string answer;
        std::size_t lines;
        bool complete;
    };
    const Case cases[] = {
        { "no lines", OrderAnswer("0", 0), 0, true },
        { "count not a number", OrderAnswer("x", 2), 0, true },
        { "one record missing", OrderAnswer("3", 2), 2, false },
        { "no lines element", OrderAnswer("2", 0, false), 0, false },
        { "more than an order holds", OrderAnswer("150", 120), 99, false },
        { "99 exactly", OrderAnswer("99", 99), 99, true },
        { "huge count, few records", OrderAnswer("2147483648", 1), 1, false },
    };
    for (const Case& c : cases) {
        const ReadOrderAnswer o = ParseOrderAnswer(c.answer);
        EXPECT_EQ(o.order.Lines.size(), c.lines) << c.what;
        EXPECT_EQ(o.complete, c.complete) << c.what;
    }
}

TEST(OrderAnswer, SendCountOutsideSixteenBitsIsNoCount)
{
    for (const auto& [text, count] : std::vector<std::pair<std::string, int>> {
             { "32767", 32767 }, { "32768", 0 }, { "-1", -1 }, { "", 0 }, { "3a", 0 } }) {
        const std::string a = BuildTag("RESULT_CODE", "1") + BuildTag("ORDERH_DATA", BuildTag("OH_MCOUNT", text));
        EXPECT_EQ(ParseOrderAnswer(a).order.SendCount, count) << text;
    }
}

TEST(OrderAnswer, ReadLinePricesOnlyWhenFound)
{
    TStringGridModel lines;
    lines.SetColCount(kLineColCount);
    lines.SetRowCount(kLineRowCount);
    WriteItem(lines, 0, { "100001", "라면", "BOX", "1.5", "n" }, QStringLiteral("1200"));
    WriteItem(lines, 1, { "100002", "과자", "BOX", "2", "" }, QString());
    EXPECT_EQ(lines.Cell(0, 0), QStringLiteral("1"));
    EXPECT_EQ(lines.Cell(4, 0), QStringLiteral("1200"));
    EXPECT_EQ(lines.Cell(5, 0), QStringLiteral("1800"));
    EXPECT_EQ(lines.Cell(0, 1), QStringLiteral("2"));
    EXPECT_EQ(lines.Cell(4, 1), QString());
    EXPECT_EQ(lines.Cell(5, 1), QString());
    EXPECT_EQ(LinesTotal(lines), ToCurrency(QStringLiteral("1800")));
}
