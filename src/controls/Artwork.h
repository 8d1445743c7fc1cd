#pragma once

// The program's own pictures, drawn in code: button strips for TImageButton
// (four looks stacked: normal, mouse over, pressed, disabled, on a fuchsia
// background that becomes the buttons' shape) and the login window's two
// pictures.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QString>

class QPainter;

namespace order {

// Fuchsia: the colour cut out of every button strip.
inline QColor ArtTransparentColor()
{
    return QColor(255, 0, 255);
}

// Login window buttons: 102 x 126 (four 31-row looks; the last two rows are
// unused), a pill-shaped plate with the caption ("취 소", "로 그 인").
QImage LoginButtonStrip(const QString& caption);

// Quantity keypad keys: 63 x 4*sliceHeight (63 x 204 for the ordinary keys),
// a rounded key with the caption ("1", ".", "Del", "O K", "취 소").
QImage KeypadStrip(const QString& caption, int sliceHeight = 51);

// Close button of the notice and help windows: 41 x 168, four 42-row looks of
// an orange circle holding a power symbol.
QImage CloseButtonStrip();

// Main window exit button: one 41 x 41 look, a round power button.
QImage MainCloseButton();

// Login window pictures: the product artwork on the left (366 x 216) and the
// right-hand picture (275 x 216) with the caption plates beside the framed
// white boxes under the three inputs.
QImage LoginLeftPicture();
QImage LoginRightPicture();

// Where LoginRightPicture puts its white boxes (in its own coordinates), so
// that the window can lay its borderless inputs over them.
QRect LoginRightBox(int index);

// The program's mark, a ringing bell (딩동) on a round blue badge with a
// white ring, drawn around centre with the given badge radius. The banner
// shows it at radius 31; the desktop icon is the mark alone.
void DrawBellBadge(QPainter& p, QPointF centre, double radius);

// The desktop icon: the mark filling a size x size square on a transparent
// background.
QImage ProgramIcon(int size);

} // namespace order
