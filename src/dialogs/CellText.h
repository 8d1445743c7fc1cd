#pragma once

// What a dialog's grid cell shows, and drawing it: the text 4 pixels below
// the cell's top, `indent` pixels from the left edge or, right-aligned, from
// the right edge. The painter arrives clipped to the cell.

#include <QPainter>
#include <QRect>
#include <QString>

#include <algorithm>

namespace order {

struct CellText {
    QString text;
    bool rightAligned = false;
    int indent = 4;
};

inline void DrawDialogCell(QPainter& p, const QRect& rect, const CellText& c)
{
    if (c.text.isEmpty())
        return;
    const QRect area = c.rightAligned ? rect.adjusted(0, 4, -c.indent, 0) : rect.adjusted(c.indent, 4, 0, 0);
    const int flags = (c.rightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop | Qt::TextSingleLine;
    // The substitute font is wider than the one the column widths were made
    // for: a date or an amount a few pixels too wide is drawn condensed
    // rather than cut.
    const int width = p.fontMetrics().horizontalAdvance(c.text);
    if (width > area.width() && width * 85 <= area.width() * 100) {
        const QFont saved = p.font();
        QFont condensed = saved;
        condensed.setStretch(std::max(80, area.width() * 100 / width));
        p.setFont(condensed);
        p.drawText(area, flags, c.text);
        p.setFont(saved);
        return;
    }
    p.drawText(area, flags, c.text);
}

} // namespace order
