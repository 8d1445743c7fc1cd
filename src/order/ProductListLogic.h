#pragma once

// What the product lists do without pixels: the list requests, the column
// layout of a list row, filling a list model from an answer, barcode look-up
// and the text a list cell shows.

#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace order {

class TStringGridModel;

// Column indexes of a product-list row (SGG, SGA, SGB and the
// classification search).
struct TListColumns {
    int Name = 0;
    int Unit = 1;
    int UnitQty = 2;
    int PriceOrDate = 3;
    int Price = 5;
    int UsualQty = 6;
    int Barcode = 7;
    int Class = 18; // column count - 2
    int Code = 19; // column count - 1

    static TListColumns ForColumnCount(int colCount);
};

inline constexpr int kListColCount = 20;

// Sort orders of the traded list.
inline constexpr const char* kOrderByDate = "SD";
inline constexpr const char* kOrderByName = "GN";

std::string TradedListRequest(const std::string& cCode, const std::string& order);
// byDate: the sort button shows "제품명순" (the list is in date order).
std::string TradedSearchRequest(const std::string& cCode, const std::string& pattern, bool byDate);
std::string CatalogRequest(const std::string& cCode, const std::string& cMgu);
std::string CatalogSearchRequest(const std::string& cCode, const std::string& pattern);

// "<text>%" for a prefix search, "%<text>%" for a contains search; the text
// is trimmed first.
std::string SearchPattern(const QString& text, bool prefix);

// Answer element read into each of the list's columns; column 3 carries the
// price when C_GUA is "1", otherwise the last trade date.
std::vector<std::string> ListFields(bool priceInColumn3, int colCount = kListColCount);

// Empties the list, then fills it from the records of the answer. Returns the
// record count (the list keeps its row count when it is 0 or less).
long long FillList(TStringGridModel& list, std::shared_ptr<const std::string> answer, bool priceInColumn3);

// First row whose column `col` equals `text` exactly; -1 when none.
int FindRow(const TStringGridModel& list, int col, const QString& text);

// What a list cell shows. Column meanings as in TListColumns.
struct CellDisplay {
    QString text;
    bool rightAligned = false;
    int indent = 4; // pixels from the aligned edge
};
CellDisplay ListCellDisplay(int col, const QString& cell, bool priceInColumn3, bool tradedList);

// A list row that holds no product (no code and no name, trimmed): such a row
// is drawn empty whatever its columns' drawing rules would make of nothing.
bool IsEmptyListRow(const TStringGridModel& list, int row, const TListColumns& cols);

} // namespace order
