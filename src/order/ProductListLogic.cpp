#include "ProductListLogic.h"

#include "Helpers.h"
#include "StringGrid.h"
#include "TagMessage.h"

namespace order {

TListColumns TListColumns::ForColumnCount(int colCount)
{
    TListColumns c;
    c.Class = colCount - 2;
    c.Code = colCount - 1;
    return c;
}

std::string TradedListRequest(const std::string& cCode, const std::string& order)
{
    return BuildTag("SAME_FIELD", "U_CC") + BuildTag("SAME_KEY", cCode)
        + BuildTag("ORDERBY", order == kOrderByDate ? "U_DATE DESC" : "G_NAME ASC");
}

std::string TradedSearchRequest(const std::string& cCode, const std::string& pattern, bool byDate)
{
    return BuildTag("SAME_FIELD", "U_CC") + BuildTag("SAME_KEY", cCode) + BuildTag("LIKE_FIELD", "G_NAME")
        + BuildTag("LIKE_KEY", pattern) + BuildTag("ORDERBY", byDate ? "U_DATE DESC" : "G_NAME ASC");
}

std::string CatalogRequest(const std::string& cCode, const std::string& cMgu)
{
    return BuildTag("C_CODE", cCode) + BuildTag("GROUP_FIELD", "G_PART") + BuildTag("GROUP_KEY", cMgu)
        + BuildTag("ORDERBY", "G_NAME ASC");
}

std::string CatalogSearchRequest(const std::string& cCode, const std::string& pattern)
{
    return BuildTag("C_CODE", cCode) + BuildTag("LIKE_FIELD", "G_NAME") + BuildTag("LIKE_KEY", pattern)
        + BuildTag("ORDERBY", "G_NAME ASC");
}

std::string SearchPattern(const QString& text, bool prefix)
{
    const std::string t = TrimLeft(TrimRight(text)).toStdString();
    return prefix ? t + "%" : "%" + t + "%";
}

std::vector<std::string> ListFields(bool priceInColumn3, int colCount)
{
    const TListColumns c = TListColumns::ForColumnCount(colCount);
    std::vector<std::string> fields(static_cast<std::size_t>(colCount));
    auto set = [&](int col, const char* name) {
        if (col >= 0 && col < colCount)
            fields[std::size_t(col)] = name;
    };
    set(c.Name, "G_NAME");
    set(c.Unit, "G_BOX");
    set(c.UnitQty, "G_BCNT");
    set(c.PriceOrDate, priceInColumn3 ? "U_COST" : "U_DATE");
    set(c.Price, "U_COST");
    set(c.UsualQty, "U_CNT");
    set(c.Barcode, "G_BCODE");
    set(c.Class, "G_GPN1");
    set(c.Code, "G_CODE");
    return fields;
}

long long FillList(TStringGridModel& list, std::shared_ptr<const std::string> answer, bool priceInColumn3)
{
    const long long n = answer ? RecordCount(*answer) : 0;
    if (n <= 0) {
        list.ClearCells();
        return n;
    }
    const long long rows = RowsForRecords(*answer);
    list.FillFromAnswer(std::move(answer), ListFields(priceInColumn3, list.ColCount()), int(rows));
    return rows;
}

int FindRow(const TStringGridModel& list, int col, const QString& text)
{
    for (int r = 0; r < list.RowCount(); ++r)
        if (list.Cell(col, r) == text)
            return r;
    return -1;
}

CellDisplay ListCellDisplay(int col, const QString& cell, bool priceInColumn3, bool tradedList)
{
    const TListColumns c;
    const QString text = TrimLeft(TrimRight(cell));
    CellDisplay d;
    if (col == c.Name) {
        d.text = text;
        d.indent = 6;
    } else if (col == c.UnitQty) {
        const Currency v = ToCurrency(text);
        if (!v.IsZero())
            d.text = FormatNumberText("########", v);
        d.rightAligned = true;
    } else if (col == c.PriceOrDate) {
        if (priceInColumn3) {
            const Currency v = ToCurrency(text);
            if (tradedList || !v.IsZero())
                d.text = FormatNumberText("##,###,##0.##", v);
            d.rightAligned = true;
        } else if (text.size() == 6) {
            d.text = FormatDateCode(text);
        }
    } else {
        d.text = text;
    }
    return d;
}

bool IsEmptyListRow(const TStringGridModel& list, int row, const TListColumns& cols)
{
    return TrimLeft(TrimRight(list.Cell(cols.Code, row))).isEmpty()
        && TrimLeft(TrimRight(list.Cell(cols.Name, row))).isEmpty();
}

} // namespace order
