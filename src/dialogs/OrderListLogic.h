#pragma once

// The order list without pixels: its request, the answer fields of its
// columns and what a cell shows.

#include "OrderStatus.h"

#include <QString>

#include <string>
#include <vector>

namespace order {

inline constexpr int kOrderListColCount = 8;

// WHERE_OPTION for the customer's orders (every state but samples' "S") and
// ORDERBY, newest first. Quotes in the customer code are doubled, as in an
// SQL string literal, so that no code can change the clause.
std::string OrderListRequest(const std::string& cCode);

// Answer element read into each column; the spare column 6 stays empty.
std::vector<std::string> OrderListFields();

// "미접수", "접수중", "접수", "작성중"; empty for no state.
QString OrderStateWord(OrderStatus state);

struct OrderListCell {
    QString text;
    int indent = 4; // pixels from the left edge
    bool red = false;
};
// What a cell of the order list shows: dates (columns 0, 4) as yy/mm/dd,
// times (1, 2) as hh:mm, both only when the trimmed text has the right
// length; the state word in column 3; the rest as stored.
OrderListCell OrderListCellDisplay(int col, const QString& cell);

} // namespace order
