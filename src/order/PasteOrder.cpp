#include "PasteOrder.h"

#include "Helpers.h"
#include "OrderLineLogic.h"
#include "StringGrid.h"

#include <QHash>

namespace order {

PasteCounts AddPastedRows(TStringGridModel& lines, const TStringGridModel& catalog, const TListColumns& cols,
    const std::vector<PastedRow>& rows, bool withPrices)
{
    // First catalogue row of each barcode and of each name.
    QHash<QString, int> byBarcode;
    QHash<QString, int> byName;
    for (int r = 0; r < catalog.RowCount(); ++r) {
        if (Trimmed(catalog.Cell(cols.Code, r)).isEmpty())
            continue;
        const QString barcode = Trimmed(catalog.Cell(cols.Barcode, r));
        if (!barcode.isEmpty() && !byBarcode.contains(barcode))
            byBarcode.insert(barcode, r);
        const QString name = Trimmed(catalog.Cell(cols.Name, r));
        if (!name.isEmpty() && !byName.contains(name))
            byName.insert(name, r);
    }

    const TLineColumns lc = TLineColumns::ForColumnCount(lines.ColCount());
    PasteCounts counts;
    for (const PastedRow& row : rows) {
        const QString name = Trimmed(row.name);
        const QString barcode = Trimmed(row.barcode);
        int product = barcode.isEmpty() ? -1 : byBarcode.value(barcode, -1);
        if (product < 0)
            product = byName.value(name, -1);
        const QString code = product >= 0 ? Trimmed(catalog.Cell(cols.Code, product)) : QString();
        // A product already ordered takes the pasted quantity on top.
        if (const int existing = product >= 0 ? FindLine(lines, code) : -1; existing >= 0) {
            QString had = lines.Cell(lc.Qty, existing);
            had.remove(QLatin1Char(','));
            SetLineQuantity(lines, existing, PlainNumber(ToCurrency(had) + ToCurrency(row.qty)), withPrices);
            ++counts.products;
            continue;
        }
        const int free = FirstFreeRow(lines);
        if (free < 0) {
            ++counts.notFit;
        } else if (product >= 0) {
            WriteLine(lines, free,
                OrderLine { code, Trimmed(catalog.Cell(cols.Name, product)), Trimmed(catalog.Cell(cols.Unit, product)),
                    row.qty, TrimRight(row.note), Trimmed(catalog.Cell(cols.Price, product)) },
                withPrices);
            ++counts.products;
        } else {
            WriteItem(lines, free, { kDirectCode, name, Trimmed(row.unit), row.qty, TrimRight(row.note) });
            ++counts.direct;
        }
    }
    return counts;
}

QString PasteCountsMessage(const PasteCounts& counts)
{
    QString text = QStringLiteral("엑셀 내용을 주문에 넣었습니다.\r\r제품 %1줄, 직접입력 %2줄")
                       .arg(counts.products)
                       .arg(counts.direct);
    if (counts.notFit > 0)
        text += QStringLiteral("\r\r최대 99줄을 넘는 %1줄은 넣지 못했습니다.").arg(counts.notFit);
    return text;
}

} // namespace order
