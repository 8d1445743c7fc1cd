#pragma once

// The order lines without pixels: the lines live in a string-grid model of
// 10 columns and 99 rows, packed from row 0; a row is a line while its
// product-code column is not empty.

#include "Currency.h"
#include "OrderOnScreen.h"
#include "ProductListLogic.h"

#include <QString>

#include <vector>

namespace order {

class TStringGridModel;

struct TLineColumns {
    int Number = 0;
    int Name = 1;
    int Unit = 2;
    int Qty = 3;
    int Price = 4;
    int Amount = 5;
    int Note = 6;
    int Code = 9; // column count - 1

    static TLineColumns ForColumnCount(int colCount);
};

inline constexpr int kLineColCount = 10;
inline constexpr int kLineRowCount = 99;
inline const QString kDirectCode = QStringLiteral("YZ");

struct OrderLine {
    QString code;
    QString name;
    QString unit;
    QString qty;
    QString note;
    QString price; // without thousands separators
};

// Row of the line with this product code (all rows searched); -1 when none.
int FindLine(const TStringGridModel& lines, const QString& code);
// First row whose product code is empty; -1 when all rows are lines.
int FirstFreeRow(const TStringGridModel& lines);
// Number of lines (rows up to the first without a product code).
int LineCount(const TStringGridModel& lines);
// The lines as the order keeps them, cells as they stand.
std::vector<OrderItem> LineItems(const TStringGridModel& lines);

// quantity x price in the four-decimal fixed point, as plain text.
QString LineAmount(const QString& qty, const QString& price);
// The quantity of a scanned product's line plus one: "1.5" -> "2.5".
QString IncrementQuantity(const QString& qty);

// Writes a product line into `row` (number, code, name, unit, quantity
// without ","; with prices: price without "," and its amount; note).
void WriteLine(TStringGridModel& lines, int row, const OrderLine& line, bool withPrices);
// Writes a line as the order keeps it into `row`: number, code, name, unit,
// quantity and note as given; with a price also the price and the amount.
void WriteItem(TStringGridModel& lines, int row, const OrderItem& line, const QString& price = QString());
// Sets a line's quantity and, with prices, recomputes its amount.
void SetLineQuantity(TStringGridModel& lines, int row, const QString& qty, bool withPrices);

// Removes the line at `row`: the rows below move up and are renumbered, the
// last row is emptied. False when the row holds no line.
bool DeleteLine(TStringGridModel& lines, int row);

// Sum of the amounts of the lines, thousands separators ignored.
Currency LinesTotal(const TStringGridModel& lines);

void ClearLines(TStringGridModel& lines);

// What an order-line cell shows.
CellDisplay LineCellDisplay(int col, const QString& cell);

} // namespace order
