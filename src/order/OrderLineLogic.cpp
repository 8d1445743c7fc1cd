#include "OrderLineLogic.h"

#include "Helpers.h"
#include "StringGrid.h"

namespace order {

namespace {

    QString WithoutCommas(QString text)
    {
        text.remove(QLatin1Char(','));
        return text;
    }

} // namespace

TLineColumns TLineColumns::ForColumnCount(int colCount)
{
    TLineColumns c;
    c.Code = colCount - 1;
    return c;
}

int FindLine(const TStringGridModel& lines, const QString& code)
{
    const int col = lines.ColCount() - 1;
    for (int r = 0; r < lines.RowCount(); ++r)
        if (lines.Cell(col, r) == code)
            return r;
    return -1;
}

int FirstFreeRow(const TStringGridModel& lines)
{
    const int col = lines.ColCount() - 1;
    for (int r = 0; r < lines.RowCount(); ++r)
        if (lines.Cell(col, r).isEmpty())
            return r;
    return -1;
}

int LineCount(const TStringGridModel& lines)
{
    const int free = FirstFreeRow(lines);
    return free < 0 ? lines.RowCount() : free;
}

std::vector<OrderItem> LineItems(const TStringGridModel& lines)
{
    const TLineColumns c = TLineColumns::ForColumnCount(lines.ColCount());
    std::vector<OrderItem> items;
    const int n = LineCount(lines);
    items.reserve(static_cast<std::size_t>(n));
    for (int r = 0; r < n; ++r)
        items.push_back({ lines.Cell(c.Code, r), lines.Cell(c.Name, r), lines.Cell(c.Unit, r), lines.Cell(c.Qty, r),
            lines.Cell(c.Note, r) });
    return items;
}

QString LineAmount(const QString& qty, const QString& price)
{
    return PlainNumber(ToCurrency(WithoutCommas(qty)) * ToCurrency(WithoutCommas(price)));
}

QString IncrementQuantity(const QString& qty)
{
    return PlainNumber(ToCurrency(WithoutCommas(qty)) + Currency::FromInt(1));
}

void WriteLine(TStringGridModel& lines, int row, const OrderLine& line, bool withPrices)
{
    const TLineColumns c = TLineColumns::ForColumnCount(lines.ColCount());
    lines.SetCell(c.Code, row, line.code);
    lines.SetCell(c.Number, row, QString::number(row + 1));
    lines.SetCell(c.Name, row, line.name);
    lines.SetCell(c.Unit, row, line.unit);
    lines.SetCell(c.Qty, row, WithoutCommas(line.qty));
    if (withPrices) {
        const QString price = WithoutCommas(line.price);
        lines.SetCell(c.Price, row, price);
        lines.SetCell(c.Amount, row, LineAmount(lines.Cell(c.Qty, row), price));
    }
    lines.SetCell(c.Note, row, line.note);
}

void WriteItem(TStringGridModel& lines, int row, const OrderItem& line, const QString& price)
{
    const TLineColumns c = TLineColumns::ForColumnCount(lines.ColCount());
    lines.SetCell(c.Number, row, QString::number(row + 1));
    lines.SetCell(c.Code, row, line.code);
    lines.SetCell(c.Name, row, line.name);
    lines.SetCell(c.Unit, row, line.unit);
    lines.SetCell(c.Qty, row, line.qty);
    if (!price.isEmpty()) {
        lines.SetCell(c.Price, row, price);
        lines.SetCell(c.Amount, row, LineAmount(line.qty, price));
    }
    lines.SetCell(c.Note, row, line.note);
}

void SetLineQuantity(TStringGridModel& lines, int row, const QString& qty, bool withPrices)
{
    const TLineColumns c = TLineColumns::ForColumnCount(lines.ColCount());
    lines.SetCell(c.Qty, row, qty);
    if (withPrices)
        lines.SetCell(c.Amount, row, LineAmount(qty, lines.Cell(c.Price, row)));
}

bool DeleteLine(TStringGridModel& lines, int row)
{
    const TLineColumns c = TLineColumns::ForColumnCount(lines.ColCount());
    const int rows = lines.RowCount();
    if (row < 0 || row >= rows || lines.Cell(c.Code, row).isEmpty())
        return false;
    for (int r = row; r < rows - 1; ++r) {
        for (int col = 0; col < lines.ColCount(); ++col)
            lines.SetCell(col, r, lines.Cell(col, r + 1));
        lines.SetCell(c.Number, r, QString::number(r + 1));
        if (lines.Cell(c.Name, r).isEmpty()) {
            lines.SetCell(c.Number, r, QString());
            break;
        }
    }
    for (int col = 0; col < lines.ColCount(); ++col)
        lines.SetCell(col, rows - 1, QString());
    return true;
}

Currency LinesTotal(const TStringGridModel& lines)
{
    const TLineColumns c = TLineColumns::ForColumnCount(lines.ColCount());
    Currency total;
    for (int r = 0; r < lines.RowCount() && !lines.Cell(c.Code, r).isEmpty(); ++r)
        total += ToCurrency(WithoutCommas(lines.Cell(c.Amount, r)));
    return total;
}

void ClearLines(TStringGridModel& lines)
{
    lines.ClearCells();
}

CellDisplay LineCellDisplay(int col, const QString& cell)
{
    const TLineColumns c;
    const QString text = TrimRight(cell);
    CellDisplay d;
    if (col == c.Number) {
        const Currency v = ToCurrency(text);
        if (!text.isEmpty() && !v.IsZero())
            d.text = FormatNumberText("#,0", v);
        d.rightAligned = true;
    } else if (col == c.Qty || col == c.Price || col == c.Amount) {
        const Currency v = ToCurrency(text);
        if (!text.isEmpty() && !v.IsZero())
            d.text = FormatNumberText("###,##0.##", v);
        d.rightAligned = true;
    } else {
        d.text = text;
        if (col == c.Name)
            d.indent = 6;
    }
    return d;
}

} // namespace order
