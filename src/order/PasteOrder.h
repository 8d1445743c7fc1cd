#pragma once

// The rows of the spreadsheet paste window turned into order lines: a row
// whose barcode or, failing that, exact name is a catalogue product becomes
// that product's line; any other row a direct line ("YZ").

#include "ProductListLogic.h"
#include "TFrmExcelRead.h"

#include <QString>

#include <vector>

namespace order {

class TStringGridModel;

struct PasteCounts {
    int products = 0; // rows that became (or added to) a product line
    int direct = 0; // rows that became direct lines
    int notFit = 0; // rows left out because the order was full
};

// Adds the rows to the order lines. A product row takes the catalogue's code,
// name and packing unit, the pasted quantity and note and, with prices, the
// catalogue row's price; a product already ordered gets the pasted quantity
// added to its line, as a scan does. Rows beyond the 99th line are counted,
// not written.
PasteCounts AddPastedRows(TStringGridModel& lines, const TStringGridModel& catalog, const TListColumns& cols,
    const std::vector<PastedRow>& rows, bool withPrices);

// The one message that reports what became of the rows.
QString PasteCountsMessage(const PasteCounts& counts);

} // namespace order
