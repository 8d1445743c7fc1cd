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
        WriteLine(m, int(i), { rows[i].code, rows[i].name, rows[i].unit, rows[i].qty, rows[i].note, rows[i].price },
            true);
}

// The elements of a tagged text in their order: name, value.
std::vector<std::pair<std::string, std::string>> Elements(std::string_view text)
{
    std::vector<std::pair<std::string, std::string>> out;
    while (!text.empty()) {
        const std::size_t close = text.find('>');
        EXPECT_EQ(text.front(), '<');
        if (close == std::string_view::npos || text.front() != '<')
            break;
        const std::string name(text.substr(1, close - 1));
        const std::string end = "</" + name + ">";
        const std::size_t at = text.find(end);
        EXPECT_NE(at, std::string_view::npos) << name;
        if (at == std::string_view::npos)
            break;
        out.emplace_back(name, std::string(text.substr(close + 1, at - close - 1)));
        text.remove_prefix(at + end.size());
    }
    return out;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

} // namespace

TEST(OrderRequest, HeaderAndLinesInTheirOrder)
{
    TStringGridModel lines;
    Fill(lines,
        { { "100007", "신라면 120g", "BOX", "3", "19200", "  빨리 " }, { "YZ", "직접 품목", "EA", "1,000", "", "" } });
    OrderHeader h;
    h.code = QStringLiteral("00000012");
    h.date = QStringLiteral("261201");
    h.time = QStringLiteral("0930");
    h.sendCount = 4;
    h.delivery = QStringLiteral("261224");
    h.note = QStringLiteral("  문 앞에 두세요  ");
    h.writing = true;
    h.mCode = "000001";
    h.cCode = "000101";
    h.cNc = "01";
    const std::string text = OrderSendRequest(h, lines);

    const Pairs top = Elements(text);
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0].first, "ORDERH_DATA");
    EXPECT_EQ(top[1].first, "ORDERL_DATA");
    const Pairs head = Elements(top[0].second);
    const Pairs expectedHead = { { "OH_CODE", "00000012" }, { "OH_SD", "261201" }, { "OH_AT", "0930" },
        { "OH_MT", "" }, { "OH_MCOUNT", "4" }, { "OH_DD", "261224" }, { "OH_CC", "000101" }, { "OH_TYPE", "C" },
        { "OH_IOG", "X" }, { "OH_SG", "0" }, { "OH_SCODE", "" }, { "OH_RCOUNT", "2" }, { "OH_NOTE", "문 앞에 두세요" },
        { "OH_DG", "X" }, { "OH_PN", "" }, { "OH_PS", "" }, { "OH_MC", "000001" }, { "OH_NC", "01" },
        { "OH_MG", "N" } };
    EXPECT_EQ(head, expectedHead);

    const Pairs body = Elements(top[1].second);
    ASSERT_EQ(body.size(), 2u);
    EXPECT_EQ(body[0].first, "OLD_0");
    EXPECT_EQ(body[1].first, "OLD_1");
    const Pairs catalogue = { { "OL_NO", "0" }, { "OL_CC", "000101" }, { "OL_OC", "" }, { "OL_GC", "100007" },
        { "OL_GN", "" }, { "OL_GBOX", "" }, { "OL_LO", "0" }, { "OL_LC", "3" }, { "OL_LN", "빨리" }, { "OL_LG", "E" },
        { "OL_LB", "0" }, { "OL_LM", "0" } };
    EXPECT_EQ(Elements(body[0].second), catalogue);
    const Pairs direct = { { "OL_NO", "1" }, { "OL_CC", "000101" }, { "OL_OC", "" }, { "OL_GC", "YZ" },
        { "OL_GN", "직접 품목" }, { "OL_GBOX", "EA" }, { "OL_LO", "0" }, { "OL_LC", "1000" }, { "OL_LN", "" },
        { "OL_LG", "E" }, { "OL_LB", "0" }, { "OL_LM", "0" } };
    EXPECT_EQ(Elements(body[1].second), direct);
}

TEST(OrderRequest, NewOrderAndPlainState)
{
    TStringGridModel lines;
    Fill(lines, { { "100001", "A", "BOX", "1", "", "" } });
    OrderHeader h;
    h.sendCount = 1;
    const std::string head = ExtractTag("ORDERH_DATA", OrderSendRequest(h, lines));
    for (const char* empty : { "OH_CODE", "OH_SD", "OH_AT", "OH_DD", "OH_NOTE" })
        EXPECT_EQ(ExtractTag(empty, head), "") << empty;
    EXPECT_EQ(ExtractTag("OH_IOG", head), "A");
    EXPECT_EQ(ExtractTag("OH_MCOUNT", head), "1");
}

TEST(OrderRequest, SampleHoldsCodeAndFlag)
{
    EXPECT_EQ(SampleRequest("00000007"), "<ORDERH_DATA><OH_CODE>00000007</OH_CODE><OH_SG>1</OH_SG></ORDERH_DATA>");
}

TEST(OrderRequest, FailureTextIsTrimmedOfBlanksAndControls)
{
    EXPECT_EQ(TrimmedAnswer("\r\n  Send_PostRequest Error<CALL_INDEX>x</CALL_INDEX> \n"),
        QStringLiteral("Send_PostRequest Error<CALL_INDEX>x</CALL_INDEX>"));
    EXPECT_EQ(TrimmedAnswer(" \t "), QString());
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

TEST(OrderAnswer, HeaderAndLines)
{
    const ReadOrderAnswer o = ParseOrderAnswer(OrderAnswer("3", 3));
    EXPECT_EQ(o.code, QStringLiteral("00000009"));
    EXPECT_EQ(o.date, QStringLiteral("261207"));
    EXPECT_EQ(o.time, QStringLiteral("1015"));
    EXPECT_EQ(o.sendCount, 3);
    EXPECT_EQ(o.delivery, QStringLiteral("261210"));
    EXPECT_EQ(o.note, QStringLiteral("메모"));
    EXPECT_EQ(o.state, QStringLiteral("A"));
    EXPECT_TRUE(o.complete);
    ASSERT_EQ(o.lines.size(), 3u);
    EXPECT_EQ(o.lines[0].name, QStringLiteral("카탈로그 100001"));
    EXPECT_EQ(o.lines[0].unit, QStringLiteral("BOX"));
    // A direct line keeps what was typed, not the catalogue's fields.
    EXPECT_EQ(o.lines[2].code, QStringLiteral("YZ"));
    EXPECT_EQ(o.lines[2].name, QStringLiteral("직접 2"));
    EXPECT_EQ(o.lines[2].unit, QStringLiteral("EA"));
    EXPECT_EQ(o.lines[2].note, QStringLiteral("n2"));
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
        EXPECT_EQ(o.lines.size(), c.lines) << c.what;
        EXPECT_EQ(o.complete, c.complete) << c.what;
    }
}

TEST(OrderAnswer, SendCountOutsideSixteenBitsIsNoCount)
{
    for (const auto& [text, count] : std::vector<std::pair<std::string, int>> {
             { "32767", 32767 }, { "32768", 0 }, { "-1", -1 }, { "", 0 }, { "3a", 0 } }) {
        const std::string a = BuildTag("RESULT_CODE", "1") + BuildTag("ORDERH_DATA", BuildTag("OH_MCOUNT", text));
        EXPECT_EQ(ParseOrderAnswer(a).sendCount, count) << text;
    }
}

TEST(OrderAnswer, ReadLinePricesOnlyWhenFound)
{
    TStringGridModel lines;
    lines.SetColCount(kLineColCount);
    lines.SetRowCount(kLineRowCount);
    WriteReadLine(lines, 0, { "100001", "라면", "BOX", "1.5", "n" }, QStringLiteral("1200"));
    WriteReadLine(lines, 1, { "100002", "과자", "BOX", "2", "" }, QString());
    EXPECT_EQ(lines.Cell(0, 0), QStringLiteral("1"));
    EXPECT_EQ(lines.Cell(4, 0), QStringLiteral("1200"));
    EXPECT_EQ(lines.Cell(5, 0), QStringLiteral("1800"));
    EXPECT_EQ(lines.Cell(0, 1), QStringLiteral("2"));
    EXPECT_EQ(lines.Cell(4, 1), QString());
    EXPECT_EQ(lines.Cell(5, 1), QString());
    EXPECT_EQ(LinesTotal(lines), ToCurrency(QStringLiteral("1800")));
}
