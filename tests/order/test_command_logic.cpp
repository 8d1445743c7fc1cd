// Rules of the main window's commands that need no window: reading the
// classifications, turning pasted rows into order lines, and which list rows
// hold no product.

#include "ClassLogic.h"
#include "OrderLineLogic.h"
#include "PasteOrder.h"
#include "ProductListLogic.h"
#include "QStringPrinter.h"
#include "StringGrid.h"
#include "TagMessage.h"

#include <gtest/gtest.h>

using namespace order;

namespace {

std::string ClassAnswer(const std::vector<std::string>& names)
{
    std::string a = BuildTag("RESULT_CODE", "1") + BuildTag("RESULT_RECORD_COUNT", std::to_string(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i)
        a += BuildTag(RecordName(static_cast<long long>(i)), BuildTag("G_GPN1", names[i]));
    return a;
}

} // namespace

TEST(Classes, RequestAndReading)
{
    EXPECT_EQ(ClassesRequest("000101"), "<C_CODE>000101</C_CODE>");
    std::array<FixedText<50>, 100> names;
    const std::string longName(60, 'K');
    EXPECT_EQ(ReadClasses(ClassAnswer({ "음료", "", "  과자  ", longName }), 100, names), 4);
    EXPECT_EQ(names[0].get(), QStringLiteral("음료"));
    EXPECT_EQ(names[1].get(), QStringLiteral("미분류"));
    EXPECT_EQ(names[2].get(), QStringLiteral("과자"));
    EXPECT_EQ(names[3].get(), QString(50, QLatin1Char('K')));
    EXPECT_TRUE(names[4].isEmpty());
}

TEST(Classes, NoMoreThanTheLimitOrTheTable)
{
    std::vector<std::string> many;
    for (int i = 0; i < 150; ++i)
        many.push_back("분류" + std::to_string(i));
    const std::string answer = ClassAnswer(many);
    std::array<FixedText<50>, 100> names;
    EXPECT_EQ(ReadClasses(answer, 100, names), 100);
    EXPECT_EQ(names[99].get(), QStringLiteral("분류99"));
    std::array<FixedText<50>, 100> fewer;
    EXPECT_EQ(ReadClasses(answer, 7, fewer), 7);
    EXPECT_TRUE(fewer[7].isEmpty());
    // A limit beyond the table is held to the table.
    std::array<FixedText<50>, 100> beyond;
    EXPECT_EQ(ReadClasses(answer, 500, beyond), 100);
}

TEST(ListRows, ARowWithoutCodeAndNameIsEmpty)
{
    TStringGridModel list;
    list.SetColCount(kListColCount);
    list.SetRowCount(4);
    const TListColumns c;
    list.SetCell(c.Code, 0, QStringLiteral("100001"));
    list.SetCell(c.Name, 1, QStringLiteral("생수"));
    list.SetCell(c.Code, 2, QStringLiteral("  "));
    list.SetCell(c.Name, 2, QStringLiteral(" "));
    list.SetCell(c.PriceOrDate, 2, QStringLiteral("0"));
    EXPECT_FALSE(IsEmptyListRow(list, 0, c));
    EXPECT_FALSE(IsEmptyListRow(list, 1, c));
    EXPECT_TRUE(IsEmptyListRow(list, 2, c));
    EXPECT_TRUE(IsEmptyListRow(list, 3, c));
    // A product row keeps the rule that an empty price reads "0".
    EXPECT_EQ(ListCellDisplay(c.PriceOrDate, QString(), true, true).text, QStringLiteral("0"));
}

class PastedRowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lines.SetColCount(kLineColCount);
        lines.SetRowCount(kLineRowCount);
        catalog.SetColCount(kListColCount);
        catalog.SetRowCount(3);
        Product(0, "100001", "생수 2L", "BOX", "8801", "1200");
        Product(1, "100002", "땅콩 1kg", "봉", "8802", "");
        Product(2, "100003", "생수 2L", "EA", "8803", "99"); // same name: the first one is taken
    }

    void Product(int r, const char* code, const char* name, const char* unit, const char* barcode, const char* price)
    {
        catalog.SetCell(cols.Code, r, QString::fromUtf8(code));
        catalog.SetCell(cols.Name, r, QString::fromUtf8(name));
        catalog.SetCell(cols.Unit, r, QString::fromUtf8(unit));
        catalog.SetCell(cols.Barcode, r, QString::fromUtf8(barcode));
        catalog.SetCell(cols.Price, r, QString::fromUtf8(price));
    }

    static PastedRow Row(const char* name, const char* qty, const char* barcode = "", const char* note = "")
    {
        return { QString::fromUtf8(name), QString::fromUtf8(qty), QStringLiteral("EA"), QString::fromUtf8(note),
            QString::fromUtf8(barcode) };
    }

    TStringGridModel lines;
    TStringGridModel catalog;
    TListColumns cols;
};

TEST_F(PastedRowsTest, BarcodeThenNameThenDirectLine)
{
    const PasteCounts counts = AddPastedRows(lines, catalog, cols,
        { Row("아무 이름", "2", " 8802 ", "빨리"), Row(" 생수 2L ", "1.5"), Row("없는 제품", "3", "9999"),
            Row("생수 2l", "1") },
        true);
    EXPECT_EQ(counts.products, 2);
    EXPECT_EQ(counts.direct, 2);
    EXPECT_EQ(counts.notFit, 0);
    ASSERT_EQ(LineCount(lines), 4);
    const TLineColumns lc;
    // The barcode wins over the name; the catalogue's name and unit are used.
    EXPECT_EQ(lines.Cell(lc.Code, 0), QStringLiteral("100002"));
    EXPECT_EQ(lines.Cell(lc.Name, 0), QStringLiteral("땅콩 1kg"));
    EXPECT_EQ(lines.Cell(lc.Unit, 0), QStringLiteral("봉"));
    EXPECT_EQ(lines.Cell(lc.Qty, 0), QStringLiteral("2"));
    EXPECT_EQ(lines.Cell(lc.Note, 0), QStringLiteral("빨리"));
    EXPECT_TRUE(lines.Cell(lc.Price, 0).isEmpty()); // never traded: no price
    EXPECT_EQ(lines.Cell(lc.Code, 1), QStringLiteral("100001"));
    EXPECT_EQ(lines.Cell(lc.Price, 1), QStringLiteral("1200"));
    EXPECT_EQ(lines.Cell(lc.Amount, 1), QStringLiteral("1800"));
    // No match, and a name that differs in case: direct lines as pasted.
    EXPECT_EQ(lines.Cell(lc.Code, 2), QStringLiteral("YZ"));
    EXPECT_EQ(lines.Cell(lc.Name, 2), QStringLiteral("없는 제품"));
    EXPECT_EQ(lines.Cell(lc.Unit, 2), QStringLiteral("EA"));
    EXPECT_EQ(lines.Cell(lc.Qty, 2), QStringLiteral("3"));
    EXPECT_TRUE(lines.Cell(lc.Price, 2).isEmpty());
    EXPECT_EQ(lines.Cell(lc.Number, 3), QStringLiteral("4"));
    EXPECT_EQ(lines.Cell(lc.Code, 3), QStringLiteral("YZ"));
    EXPECT_EQ(PasteCountsMessage(counts), QStringLiteral("엑셀 내용을 주문에 넣었습니다.\r\r제품 2줄, 직접입력 2줄"));
}

TEST_F(PastedRowsTest, DuplicatesAddUpAndTheOrderLimitHolds)
{
    // 97 direct lines already in the order.
    std::vector<PastedRow> filler;
    for (int i = 0; i < 97; ++i)
        filler.push_back(Row("직접", "1"));
    AddPastedRows(lines, catalog, cols, filler, true);
    ASSERT_EQ(LineCount(lines), 97);
    const PasteCounts counts = AddPastedRows(lines, catalog, cols,
        { Row("생수 2L", "2"), Row("x", "1", "8801"), Row("땅콩 1kg", "1"), Row("또 직접", "1"),
            Row("생수 2L", "0.5") },
        true);
    EXPECT_EQ(counts.products, 4);
    EXPECT_EQ(counts.direct, 0);
    EXPECT_EQ(counts.notFit, 1);
    EXPECT_EQ(LineCount(lines), 99);
    const int water = FindLine(lines, QStringLiteral("100001"));
    ASSERT_EQ(water, 97);
    EXPECT_EQ(lines.Cell(3, water), QStringLiteral("3.5"));
    EXPECT_EQ(lines.Cell(5, water), QStringLiteral("4200"));
    EXPECT_EQ(lines.Cell(9, 98), QStringLiteral("100002"));
    EXPECT_EQ(PasteCountsMessage(counts),
        QStringLiteral(
            "엑셀 내용을 주문에 넣었습니다.\r\r제품 4줄, 직접입력 0줄\r\r최대 99줄을 넘는 1줄은 넣지 못했습니다."));
}

TEST_F(PastedRowsTest, WithoutPricesNoPriceOrAmount)
{
    AddPastedRows(lines, catalog, cols, { Row("생수 2L", "2") }, false);
    EXPECT_EQ(lines.Cell(9, 0), QStringLiteral("100001"));
    EXPECT_TRUE(lines.Cell(4, 0).isEmpty());
    EXPECT_TRUE(lines.Cell(5, 0).isEmpty());
}
