#include "PrintLogic.h"

#include "Helpers.h"
#include "OrderLineLogic.h"
#include "PrintTarget.h"
#include "StringGrid.h"

namespace order {

namespace {

    constexpr int kPitch = 50;
    constexpr int kTop = -250;
    constexpr int kTitleX = 120;
    constexpr int kTitleY = -150;
    constexpr int kTitleHeight = 45;

    void TextIfAny(PrintTarget& t, int x, int y, int height, const QString& text, bool right = false)
    {
        if (!text.isEmpty())
            t.Text(x, y, height, text, right);
    }

} // namespace

QString OrderSheetDate(const QString& deliveryDate, const QString& todayCode)
{
    return FormatDateCode(deliveryDate.isEmpty() ? todayCode : deliveryDate);
}

QString OrderSheetTitle(const QString& supplier, const QString& date)
{
    return supplier + QLatin1Char(' ') + date + QStringLiteral(" 일 주문리스트");
}

QString ProductListTitle(const QString& supplier)
{
    return supplier + QStringLiteral("  품목리스트");
}

void PrintOrderSheet(PrintTarget& target, const TStringGridModel& lines, const QString& title)
{
    const TLineColumns c = TLineColumns::ForColumnCount(lines.ColCount());
    const int n = LineCount(lines);
    static constexpr int kRuleX[] = { 20, 80, 1030, 1160, 1340, 2000 };
    // n div 50 + 1 pages: a full last page is followed, on purpose, by one
    // that holds only the top rule.
    for (int page = 0; page <= n / kSheetLinesPerPage; ++page) {
        if (!target.BeginJob(QStringLiteral("주문리스트")))
            return;
        if (page % 2 == 0)
            target.Text(kTitleX, kTitleY, kTitleHeight, title, false);
        target.Line(20, -255, 2000, -255);
        for (int k = 0; k < kSheetLinesPerPage; ++k) {
            const int i = page * kSheetLinesPerPage + k;
            if (i >= n)
                break;
            const int y = kTop - kPitch * k;
            target.Text(30, y - 15, 35, FormatNumberText("00", Currency::FromInt(i + 1)), false);
            TextIfAny(target, 90, y - 10, 40, lines.Cell(c.Name, i));
            TextIfAny(target, 1040, y - 10, 40, lines.Cell(c.Unit, i));
            TextIfAny(target, 1310, y - 10, 40, lines.Cell(c.Qty, i), true);
            TextIfAny(target, 1360, y - 10, 40, lines.Cell(c.Note, i));
            target.Line(20, y - 55, 2000, y - 55);
            for (int x : kRuleX)
                target.Line(x, y - 5, x, y - 55);
        }
        target.EndJob();
    }
}

void PrintProductList(PrintTarget& target, const TStringGridModel& list, const QString& title)
{
    const int rows = list.RowCount();
    const int blocks = rows / kSheetLinesPerPage + 1;
    for (int b = 0; b < blocks; ++b) {
        const bool left = b % 2 == 0;
        const int x0 = left ? 20 : 1010;
        const int right = left ? 1010 : 2000;
        if (left) {
            if (!target.BeginJob(QStringLiteral("품목리스트")))
                return;
            target.Text(kTitleX, kTitleY, kTitleHeight, title, false);
        }
        target.Line(x0, kTop, right, kTop);
        for (int k = 0; k < kSheetLinesPerPage; ++k) {
            const int r = b * kSheetLinesPerPage + k;
            if (r >= rows)
                break;
            const int y = kTop - kPitch * k;
            TextIfAny(target, x0 + 10, y - 10, 32, list.Cell(0, r));
            TextIfAny(target, x0 + 670, y - 10, 32, list.Cell(1, r));
            target.Line(x0, y - 50, right, y - 50);
            for (int x : { x0, x0 + 660, x0 + 780, right })
                target.Line(x, y, x, y - 50);
        }
        // A sheet is done with its right column, or with the last block.
        if (!left || b == blocks - 1)
            target.EndJob();
    }
}

} // namespace order
