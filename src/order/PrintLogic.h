#pragma once

// The two printouts of the main window, drawn on a PrintTarget in 0.1 mm
// units with y upwards: the order sheet (50 lines a page, each page its own
// job) and the product list (two columns of 50 rows a sheet).

#include <QString>

namespace order {

class PrintTarget;
class TStringGridModel;

inline constexpr int kSheetLinesPerPage = 50;

// The date of the order sheet's title: the delivery date as typed, or today's
// code when none is typed, with FormatDateCode applied.
QString OrderSheetDate(const QString& deliveryDate, const QString& todayCode);
// "<supplier> <date> 일 주문리스트"
QString OrderSheetTitle(const QString& supplier, const QString& date);
// "<supplier>  품목리스트"
QString ProductListTitle(const QString& supplier);

// Prints the lines of an order-lines model (10 columns: number, name, unit,
// quantity, price, amount, note, -, -, code) up to the first row without a
// product code: pages 0 .. n div 50, the title on even page indexes only.
void PrintOrderSheet(PrintTarget& target, const TStringGridModel& lines, const QString& title);

// Prints every row of a product list (name column 0, packing unit column 1),
// empty rows included, in blocks of 50: even blocks start a sheet in its left
// column under the title, odd blocks fill its right column.
void PrintProductList(PrintTarget& target, const TStringGridModel& list, const QString& title);

} // namespace order
