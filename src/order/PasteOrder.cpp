#include "PasteOrder.h"

#include "Helpers.h"
#include "OrderLineLogic.h"
#include "StringGrid.h"

#include <QHash>

namespace order {

namespace {


} // namespace

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
        if (product >= 0) {
            const QString code = Trimmed(catalog.Cell(cols.Code, product));
            const int existing = FindLine(lines, code);
            if (existing >= 0) {
                QString had = lines.Cell(lc.Qty, existing);
                had.remove(QLatin1Char(','));
                SetLineQuantity(lines, existing, PlainNumber(ToCurrency(had) + ToCurrency(row.qty)), withPrices);
                ++counts.products;
                continue;
            }
            const int free = FirstFreeRow(lines);
            if (free < 0) {
                ++counts.notFit;
                continue;
            }
            WriteLine(lines, free,
                OrderLine { code, Trimmed(catalog.Cell(cols.Name, product)), Trimmed(catalog.Cell(cols.Unit, product)),
                    row.qty, TrimRight(row.note), Trimmed(catalog.Cell(cols.Price, product)) },
                withPrices);
            ++counts.products;
            continue;
        }
        const int free = FirstFreeRow(lines);
        if (free < 0) {
            ++counts.notFit;
            continue;
        }
        lines.SetCell(lc.Number, free, QString::number(free + 1));
        lines.SetCell(lc.Code, free, kDirectCode);
        lines.SetCell(lc.Name, free, name);
        lines.SetCell(lc.Unit, free, Trimmed(row.unit));
        lines.SetCell(lc.Qty, free, row.qty);
        lines.SetCell(lc.Note, free, TrimRight(row.note));
        ++counts.direct;
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
