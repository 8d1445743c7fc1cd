#pragma once

// What the program's windows share in looks: fonts given in pixels (굴림,
// 돋움 and MS Sans Serif are substituted at start-up) and the frame and
// caption colours.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <initializer_list>

class QToolButton;
class QWidget;

namespace order {

inline QFont PixelFont(const char* family, int pixels, bool bold = false)
{
    QFont f(QString::fromUtf8(family));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

inline QFont GulimFont(int pixels, bool bold = false)
{
    return PixelFont("굴림", pixels, bold);
}

inline const QColor kSkyBlue { 166, 202, 240 };
inline const QColor kTeal { 0, 128, 128 };

// A speed button: takes no focus (the keys stay where the user works) and
// shows its caption in the given font and colour.
QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QRect& geometry, const QString& caption,
    const QString& hint, const QFont& font, const QColor& color = Qt::black);

// The sky-blue bars of a frame, as panels named "Panel<first>", "Panel<first
// + 1>", ... in the order given.
void MakeFrameBars(QWidget* parent, int first, std::initializer_list<QRect> bars);

} // namespace order
