#include "TagMessage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace order;

TEST(TagMessage, BuildAndExtractEmptyValue)
{
    const std::string e = BuildTag("OH_CODE", "");
    EXPECT_EQ(e, "<OH_CODE></OH_CODE>");
    EXPECT_EQ(ExtractTag("OH_CODE", e), "");
}

TEST(TagMessage, ValuesGoThroughUnescaped)
{
    EXPECT_EQ(BuildTag("G_NAME", "a<b & c>\r\nd"), "<G_NAME>a<b & c>\r\nd</G_NAME>");
    EXPECT_EQ(ExtractTag("G_NAME", BuildTag("G_NAME", "a<b & c>\r\nd")), "a<b & c>\r\nd");
    EXPECT_EQ(WrapPostData("<A>1</A>"), "VALUE=<POST_DATA><A>1</A></POST_DATA>");
    EXPECT_EQ(WrapPostData(""), "VALUE=<POST_DATA></POST_DATA>");
}

struct LookupCase {
    const char* what;
    const char* name;
    std::string text;
    std::string value;
};

TEST(TagMessage, ExtractTagLookupRules)
{
    const std::vector<LookupCase> cases = {
        {"missing element", "OH_CODE", "<OH_SD>241207</OH_SD>", ""},
        {"first of two", "G_NAME", "<G_NAME>사과</G_NAME><G_NAME>배</G_NAME>", "사과"},
        {"nested same name: up to the first closing tag", "G_NAME", "<G_NAME>a<G_NAME>b</G_NAME>c</G_NAME>",
         "a<G_NAME>b"},
        {"record 1 after record 10", "RDC_1", "<RDC_10>ten</RDC_10><RDC_1>one</RDC_1>", "one"},
        {"names are case-sensitive", "g_name", "<G_NAME>x</G_NAME>", ""},
        {"closing tag missing", "A", "<A>value without end", ""},
        {"closing before opening", "A", "</A><A>x", ""},
        {"opening missing: text from L up to the closing tag", "AB", "0123456</AB>", "3456"},
        {"opening missing, closing too early", "AB", "01</AB>", ""},
        {"empty text", "A", "", ""},
        {"value with NUL", "A", std::string("<A>x\0y</A>", 10), std::string("x\0y", 3)},
        {"only a transport error word", "RESULT_CODE", "Send_PostRequest Error<CALL_INDEX></CALL_INDEX>", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtractTag(c.name, c.text), c.value) << c.what;
        EXPECT_EQ(ExtractTagView(c.name, c.text), c.value) << c.what;
        // TakeTag gives the same value in both of its forms.
        std::string s = c.text;
        EXPECT_EQ(TakeTag(c.name, s), c.value) << c.what;
        std::string_view v = c.text;
        EXPECT_EQ(TakeTag(c.name, v), c.value) << c.what;
        EXPECT_EQ(v, s) << c.what;
    }
}

TEST(TagMessage, TakeTagCutsUpToTheClosingTagsBracket)
{
    std::string answer = "<RDC_0><A>1</A></RDC_0><RDC_1><A>2</A></RDC_1>";
    EXPECT_EQ(TakeTag("RDC_0", answer), "<A>1</A>");
    EXPECT_EQ(answer, "/RDC_0><RDC_1><A>2</A></RDC_1>");
    EXPECT_EQ(TakeTag("RDC_1", answer), "<A>2</A>");
    EXPECT_EQ(answer, "/RDC_1>");
    // Without a closing tag the text stays as it is.
    std::string rest = "<RDC_2>open";
    EXPECT_EQ(TakeTag("RDC_2", rest), "");
    EXPECT_EQ(rest, "<RDC_2>open");
    // A closing tag alone still cuts (the opening-missing arithmetic).
    std::string closingOnly = "xx</B>tail";
    TakeTag("B", closingOnly);
    EXPECT_EQ(closingOnly, "/B>tail");
}

TEST(TagMessage, ExtractBetweenUsesFreeMarkersAndFullWidthPositions)
{
    EXPECT_EQ(ExtractBetween("a<VERSION>3.2</VERSION>b", "<VERSION>", "</VERSION>"), "3.2");
    EXPECT_EQ(ExtractBetween("[x]", "[", "]"), "x");
    EXPECT_EQ(ExtractBetween("no markers", "[", "]"), "");
    EXPECT_EQ(ExtractBetween("abc", "", ""), "");
    // Beyond 65,535 characters the positions must not wrap around.
    std::string big(70000, 'x');
    big += "<MODULE>nrclient</MODULE>";
    EXPECT_EQ(ExtractBetween(big, "<MODULE>", "</MODULE>"), "nrclient");
    std::string far(65536 - 9, 'y');
    far = "<MESSAGE>" + far + "</MESSAGE>";
    EXPECT_EQ(ExtractBetween(far, "<MESSAGE>", "</MESSAGE>").size(), 65536u - 9);
}

namespace {

std::string MakeAnswer(int n)
{
    std::string a = "<RESULT_CODE>1</RESULT_CODE><RESULT_RECORD_COUNT>" + std::to_string(n) + "</RESULT_RECORD_COUNT>";
    for (int i = 0; i < n; ++i)
        a += BuildTag(RecordName(i), BuildTag("G_NAME", "상품" + std::to_string(i)) + BuildTag("RDC_0", "inner"));
    a += '\0';
    a += "<CALL_INDEX>241207-3</CALL_INDEX>";
    return a;
}

}  // namespace

TEST(TagMessage, RecordWalkerGivesWhatExtractTagGivesForEveryRecord)
{
    for (int n : {0, 1, 2, 11, 120}) {
        const std::string answer = MakeAnswer(n);
        ASSERT_TRUE(IsSuccess(answer));
        ASSERT_EQ(RecordCount(answer), n);
        RecordWalker walker(answer);
        std::string taken = answer;
        for (int i = 0; i < n; ++i) {
            const std::string expected = ExtractTag(RecordName(i), answer);
            ASSERT_EQ(ExtractTag("G_NAME", expected), "상품" + std::to_string(i));
            EXPECT_EQ(walker.Next(), expected) << n << " records, record " << i;
            EXPECT_EQ(TakeTag(RecordName(i), taken), expected);
        }
        // Past the last record the walk gives empty values and stays put.
        EXPECT_EQ(walker.Next(), "");
        EXPECT_EQ(walker.Index(), n + 1);
    }
}

TEST(TagMessage, RecordWalkerStopsAtAGap)
{
    const std::string answer = "<RDC_0>a</RDC_0><RDC_2>c</RDC_2>";
    RecordWalker walker(answer);
    EXPECT_EQ(walker.Next(), "a");
    EXPECT_EQ(walker.Next(), "");
    // The text after a missing record is still there for the next name.
    EXPECT_EQ(walker.Next(), "c");
}

TEST(TagMessage, ResultCodeAndRecordCount)
{
    struct Case {
        std::string answer;
        bool success;
        long long count;
    };
    const std::vector<Case> cases = {
        {"<RESULT_CODE>1</RESULT_CODE><RESULT_RECORD_COUNT>3</RESULT_RECORD_COUNT>", true, 3},
        {"<RESULT_CODE>0</RESULT_CODE><RESULT_RECORD_COUNT>x</RESULT_RECORD_COUNT>", false, 0},
        {"<RESULT_CODE> 1</RESULT_CODE><RESULT_RECORD_COUNT>-2</RESULT_RECORD_COUNT>", false, -2},
        {"<RESULT_CODE>1</RESULT_CODE><RESULT_RECORD_COUNT></RESULT_RECORD_COUNT>", true, 0},
        {"<RESULT_RECORD_COUNT>99999999999999999999</RESULT_RECORD_COUNT>", false, 0},
        {"SetResponseBuffer Error<CALL_INDEX>241207-1</CALL_INDEX>", false, 0},
        {"", false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSuccess(c.answer), c.success) << c.answer;
        EXPECT_EQ(RecordCount(c.answer), c.count) << c.answer;
    }
    EXPECT_EQ(ToIntDef(" 12 ", -1), 12);
    EXPECT_EQ(ToIntDef("+7", -1), 7);
    EXPECT_EQ(ToIntDef("1.5", -1), -1);
    EXPECT_EQ(ToIntDef("", -1), -1);
    EXPECT_EQ(RecordName(10), "RDC_10");
}

TEST(TagMessage, MalformedTextsNeverReadOutside)
{
    const std::vector<std::string> texts = {"<", ">", "</", "<A", "<A>", "</A>", "<A></A", "</A><A>", "<<A>>",
                                            std::string(1, '\0'), "<A>\xff\xfe</A>"};
    for (const auto& t : texts) {
        for (const char* name : {"A", "", "RDC_0"}) {
            const std::string_view v = ExtractTagView(name, t);
            EXPECT_TRUE(v.empty() || (v.data() >= t.data() && v.data() + v.size() <= t.data() + t.size())) << t;
            std::string s = t;
            TakeTag(name, s);
            EXPECT_LE(s.size(), t.size());
        }
    }
}
