#include "DateCode.h"
#include "Helpers.h"
#include "Messages.h"

#include <gtest/gtest.h>

#include <QString>

#include <vector>

using namespace order;

namespace {
const QString kWrongDate = QStringLiteral("날짜가 정확하지 않습니다.\r\r             ");
const QString kNoDate = QStringLiteral("검색할 날짜가 없습니다.");
}  // namespace

TEST(Helpers, CheckDateCode)
{
    struct Case {
        const char* what;
        QString text;
        bool allowEmpty;
        bool valid;
    };
    const std::vector<Case> cases = {
        {"29 February 2024", "240229", false, true},
        {"31 December 2024", "241231", false, true},
        {"00 is a leap year", "000229", false, true},
        {"29 February 2023", "230229", false, false},
        {"month 13", "241301", false, false},
        {"month 00", "240001", false, false},
        {"day 00", "240100", false, false},
        {"31 November", "241131", false, false},
        {"30 April", "240430", false, true},
        {"31 April", "240431", false, false},
        {"two trailing blanks", "241207  ", false, true},
        {"leading blank before five digits", " 24120", false, false},
        {"five digits", "24120", false, false},
        {"seven digits", "2412071", false, false},
        {"a letter", "24a207", false, false},
        {"a sign", "+41207", false, false},
        {"empty allowed", "", true, true},
        {"empty not allowed", "", false, false},
        {"six blanks allowed as empty", "      ", true, true},
        {"six blanks not allowed", "      ", false, false},
    };
    for (const auto& c : cases) {
        MessageRecorder quiet;
        EXPECT_EQ(CheckDateCode(c.text, false, c.allowEmpty), c.valid) << c.what;
        EXPECT_TRUE(quiet.requests.empty()) << c.what;

        MessageRecorder rec;
        EXPECT_EQ(CheckDateCode(c.text, true, c.allowEmpty), c.valid) << c.what;
        if (c.valid)
            EXPECT_TRUE(rec.requests.empty()) << c.what;
        else if (c.text.isEmpty())
            EXPECT_EQ(rec.Texts(), QStringList{kNoDate}) << c.what;
        else
            EXPECT_EQ(rec.Texts(), QStringList{kWrongDate + c.text}) << c.what;
    }
}

TEST(Helpers, FormatDateCode)
{
    EXPECT_EQ(FormatDateCode("241207"), "24/12/07");
    EXPECT_EQ(FormatDateCode("2412"), "2412");
    EXPECT_EQ(FormatDateCode("      "), "      ");
    EXPECT_EQ(FormatDateCode(""), "");
    EXPECT_EQ(FormatDateCode("2412071"), "2412071");
    EXPECT_EQ(FormatDateCode("ab cd "), "ab/ c/d ");
}

TEST(Helpers, TrimAndTextTests)
{
    EXPECT_EQ(TrimRight("    "), "");
    EXPECT_EQ(TrimRight("a\t "), "a\t");
    EXPECT_EQ(TrimRight(" a "), " a");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimLeft("\ta"), "\ta");
    EXPECT_EQ(TrimLeft(""), "");

    EXPECT_FALSE(IsNameText(""));
    EXPECT_TRUE(IsNameText("apple"));
    EXPECT_TRUE(IsNameText("사과"));
    EXPECT_TRUE(IsNameText("_x"));
    EXPECT_FALSE(IsNameText("1abc"));
    EXPECT_FALSE(IsNameText("Apple"));
    EXPECT_FALSE(IsNameText(" apple"));

    EXPECT_FALSE(IsDigitsOnly(""));
    EXPECT_TRUE(IsDigitsOnly("0123"));
    EXPECT_FALSE(IsDigitsOnly("12a"));
    EXPECT_FALSE(IsDigitsOnly(" 1"));
    EXPECT_FALSE(IsDigitsOnly(QStringLiteral("１２")));
}

TEST(Helpers, ParseAmount)
{
    const std::vector<std::pair<QString, const char*>> cases = {
        {"1,234.5", "1234.5"}, {"12:30", "1230"},     {"letters", "0"},    {"", "0"},
        {"   ", "0"},          {" 1 000 ", "1000"},   {"24/12/07", "241207"}, {"-5", "-5"},
        {"1,2,3", "123"},      {"0.12345", "0.1234"}, {"1.5kg", "0"},
    };
    for (const auto& [text, plain] : cases)
        EXPECT_EQ(PlainNumber(ParseAmount(text)), plain) << text.toStdString();
}

TEST(Helpers, NumbersOfGridCells)
{
    EXPECT_EQ(PlainNumber(ToCurrency("")), "0");
    EXPECT_EQ(PlainNumber(ToCurrency("x")), "0");
    EXPECT_EQ(PlainNumber(ToCurrency("1234.50")), "1234.5");
    EXPECT_EQ(FormatNumberText("##,###,##0.##", ToCurrency("1234567.456")), "1,234,567.46");
    EXPECT_EQ(FormatNumberText("########", ToCurrency("0")), "");
}

TEST(Helpers, ShowBarredAndTodayCode)
{
    MessageRecorder rec;
    ShowBarred("A\tB");
    ShowBarred("");
    EXPECT_EQ(rec.Texts(), (QStringList{"|A\tB|", "||"}));

    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    SetFixedTimeForTesting(std::mktime(&t));
    EXPECT_EQ(TodayCodeText(), "241207");
    SetFixedTimeForTesting(0);
    EXPECT_EQ(TodayCodeText().size(), 6);
}

TEST(Helpers, ExtractBetweenOnLongTexts)
{
    QString list = QString(70000, QLatin1Char(' ')) + QStringLiteral("<MESSAGE>새 버전이 있습니다</MESSAGE>");
    EXPECT_EQ(ExtractBetween(list, "<MESSAGE>", "</MESSAGE>"), QStringLiteral("새 버전이 있습니다"));
    EXPECT_EQ(ExtractBetween("<VERSION>3.2</VERSION>", "<VERSION>", "</VERSION>"), "3.2");
    EXPECT_EQ(ExtractBetween("<IMAGE>", "<IMAGE>", "</IMAGE>"), "");
}
