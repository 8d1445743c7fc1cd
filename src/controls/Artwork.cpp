#include "Artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace order {

namespace {

    QFont ArtFont(int pixelSize, bool bold)
    {
        QFont f;
        f.setFamilies({ QStringLiteral("NanumGothic"), QString::fromUtf8("굴림") });
        f.setPixelSize(pixelSize);
        f.setBold(bold);
        f.setStyleStrategy(QFont::PreferAntialias);
        return f;
    }

    // Drawing happens on a transparent canvas with antialiasing; then every pixel
    // becomes either fully opaque (edges blended over the backdrop the button will
    // sit on) or exactly fuchsia, so that the shape scan sees clean edges and no
    // pink fringe shows.
    QImage Flatten(const QImage& canvas, QColor backdrop)
    {
        QImage out(canvas.size(), QImage::Format_RGB32);
        const QRgb cut = ArtTransparentColor().rgb();
        for (int y = 0; y < canvas.height(); ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
            auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < canvas.width(); ++x) {
                const QRgb p = src[x]; // premultiplied
                const int a = qAlpha(p);
                if (a < 110) {
                    dst[x] = cut;
                    continue;
                }
                const int inv = 255 - a;
                int r = qRed(p) + backdrop.red() * inv / 255;
                int g = qGreen(p) + backdrop.green() * inv / 255;
                int b = qBlue(p) + backdrop.blue() * inv / 255;
                QRgb c = qRgb(std::min(r, 255), std::min(g, 255), std::min(b, 255));
                if ((c & 0xFFFFFFu) == (cut & 0xFFFFFFu))
                    c = qRgb(254, 0, 254); // never the cut-out colour inside the art
                dst[x] = c;
            }
        }
        return out;
    }

    // Antialiased shapes and text.
    class SmoothPainter : public QPainter {
    public:
        explicit SmoothPainter(QPaintDevice* device)
            : QPainter(device)
        {
            setRenderHint(Antialiasing);
            setRenderHint(TextAntialiasing);
        }
    };

    // A gradient from the top edge of `r` down to its bottom edge.
    void FillDown(QPainter& p, const QRect& r, std::initializer_list<std::pair<qreal, QColor>> stops)
    {
        QLinearGradient g(r.left(), r.top(), r.left(), r.top() + r.height());
        for (const auto& [at, colour] : stops)
            g.setColorAt(at, colour);
        p.fillRect(r, g);
    }

    QImage Canvas(int w, int h)
    {
        QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        return img;
    }

    struct Look {
        QColor top, bottom, border, text;
        int shift;
    };

    // normal, mouse over, pressed, disabled
    Look PlateLook(int i, QColor base)
    {
        switch (i) {
        case 0:
            return { base.lighter(135), base, base.darker(140), Qt::white, 0 };
        case 1:
            return { base.lighter(165), base.lighter(115), base.darker(130), QColor(255, 255, 210), 0 };
        case 2:
            return { base.darker(125), base.lighter(105), base.darker(170), Qt::white, 1 };
        default:
            return { QColor(222, 222, 222), QColor(188, 188, 188), QColor(150, 150, 150), QColor(128, 128, 128), 0 };
        }
    }

    void DrawPlate(
        QPainter& p, const QRectF& r, qreal radius, const Look& look, const QString& caption, const QFont& font)
    {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, look.top);
        g.setColorAt(1, look.bottom);
        p.setPen(QPen(look.border, 1.2));
        p.setBrush(g);
        p.drawRoundedRect(r, radius, radius);
        // A soft highlight on the upper half.
        QRectF shine = r.adjusted(3, 2, -3, -r.height() / 2);
        QLinearGradient sg(shine.topLeft(), shine.bottomLeft());
        sg.setColorAt(0, QColor(255, 255, 255, look.shift ? 30 : 90));
        sg.setColorAt(1, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(sg);
        p.drawRoundedRect(shine, radius * 0.8, radius * 0.8);
        p.setFont(font);
        p.setPen(look.text);
        p.drawText(r.translated(look.shift, look.shift), Qt::AlignCenter, caption);
    }

    void DrawPowerSymbol(QPainter& p, QPointF c, qreal radius, QColor colour, qreal width)
    {
        QPen pen(colour, width, Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const QRectF arc(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
        // Open at the top: from 60 degrees round to 120 degrees the long way.
        p.drawArc(arc, 120 * 16, 300 * 16);
        p.drawLine(QPointF(c.x(), c.y() - radius - width * 0.6), QPointF(c.x(), c.y() - width * 0.2));
    }

    void DrawRoundButton(QPainter& p, const QRectF& r, QColor base, int look)
    {
        const Look l = PlateLook(look, base);
        QRadialGradient g(r.center() - QPointF(r.width() * 0.15, r.height() * 0.2), r.width() * 0.7);
        g.setColorAt(0, l.top);
        g.setColorAt(1, l.bottom);
        p.setPen(QPen(l.border, 1.5));
        p.setBrush(g);
        p.drawEllipse(r);
        const QPointF c = r.center() + QPointF(l.shift, l.shift);
        DrawPowerSymbol(p, c, r.width() * 0.24, l.text, r.width() * 0.085);
    }


    void DrawBell(QPainter& p, QPointF centre, double size)
    {
        QPainterPath bell;
        const double w = size * 0.5;
        bell.moveTo(centre.x() - w, centre.y() + size * 0.35);
        bell.cubicTo(centre.x() - w * 0.75, centre.y() + size * 0.1, centre.x() - w * 0.8, centre.y() - size * 0.45,
            centre.x(), centre.y() - size * 0.45);
        bell.cubicTo(centre.x() + w * 0.8, centre.y() - size * 0.45, centre.x() + w * 0.75, centre.y() + size * 0.1,
            centre.x() + w, centre.y() + size * 0.35);
        bell.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 204, 51));
        p.drawPath(bell);
        p.drawEllipse(QPointF(centre.x(), centre.y() + size * 0.42), size * 0.1, size * 0.1);
        p.drawEllipse(QPointF(centre.x(), centre.y() - size * 0.5), size * 0.07, size * 0.07);
        // Ringing strokes on both sides.
        p.setPen(QPen(QColor(255, 255, 255, 220), 2.2 * (size / 34.0), Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        for (int i = 1; i <= 2; ++i) {
            const double r = size * (0.45 + 0.18 * i);
            p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 20 * 16, 40 * 16);
            p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 120 * 16, 40 * 16);
        }
    }
} // namespace

QImage LoginButtonStrip(const QString& caption)
{
    const int w = 102;
    const int sliceH = 31;
    QImage canvas = Canvas(w, 126);
    SmoothPainter p(&canvas);
    const QFont font = ArtFont(14, true);
    for (int i = 0; i < 4; ++i) {
        const QRectF r(1.5, i * sliceH + 1.5, w - 3, sliceH - 3);
        DrawPlate(p, r, r.height() / 2, PlateLook(i, QColor(30, 120, 200)), caption, font);
    }
    p.end();
    return Flatten(canvas, QColor(236, 244, 252));
}

QImage KeypadStrip(const QString& caption, int sliceHeight)
{
    const int w = 63;
    if (sliceHeight < 8)
        sliceHeight = 8;
    QImage canvas = Canvas(w, 4 * sliceHeight);
    SmoothPainter p(&canvas);
    const bool wide = caption.size() > 1;
    const QFont font = ArtFont(wide ? 15 : 22, true);
    const bool action = caption.contains(QLatin1Char('K')) || caption.contains(QString::fromUtf8("취"));
    const QColor base = action ? QColor(235, 120, 30) : QColor(40, 130, 205);
    for (int i = 0; i < 4; ++i) {
        const QRectF r(1.5, i * sliceHeight + 1.5, w - 3, sliceHeight - 3);
        DrawPlate(p, r, 9, PlateLook(i, base), caption, font);
    }
    p.end();
    return Flatten(canvas, QColor(240, 240, 240));
}

QImage CloseButtonStrip()
{
    const int w = 41;
    const int sliceH = 42;
    QImage canvas = Canvas(w, 4 * sliceH);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 4; ++i) {
        const QRectF r(2, i * sliceH + 2.5, w - 4, w - 4);
        DrawRoundButton(p, r, QColor(240, 110, 20), i);
    }
    p.end();
    return Flatten(canvas, QColor(240, 240, 240));
}

QImage MainCloseButton()
{
    QImage canvas = Canvas(41, 41);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    DrawRoundButton(p, QRectF(2, 2, 37, 37), QColor(235, 90, 30), 0);
    p.end();
    return Flatten(canvas, QColor(40, 120, 200));
}

QImage LoginLeftPicture()
{
    const int w = 366;
    const int h = 216;
    QImage img(w, h, QImage::Format_RGB32);
    SmoothPainter p(&img);

    FillDown(p, img.rect(), { { 0, QColor(120, 196, 245) }, { 0.65, QColor(214, 238, 252) }, { 1, Qt::white } });

    // Rolling hills and a road towards the shop.
    QPainterPath hills;
    hills.moveTo(0, 170);
    hills.cubicTo(90, 140, 170, 185, 250, 160);
    hills.cubicTo(300, 146, 340, 150, w, 158);
    hills.lineTo(w, h);
    hills.lineTo(0, h);
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(124, 200, 110));
    p.drawPath(hills);
    QPainterPath front;
    front.moveTo(0, 192);
    front.cubicTo(120, 175, 230, 205, w, 185);
    front.lineTo(w, h);
    front.lineTo(0, h);
    front.closeSubpath();
    p.setBrush(QColor(86, 170, 80));
    p.drawPath(front);

    // The sun.
    QRadialGradient sun(QPointF(318, 40), 26);
    sun.setColorAt(0, QColor(255, 240, 150));
    sun.setColorAt(1, QColor(255, 200, 60));
    p.setBrush(sun);
    p.drawEllipse(QPointF(318, 40), 22, 22);

    // A delivery van carrying boxes.
    const QPointF v(200, 118);
    p.setBrush(QColor(250, 250, 250));
    p.setPen(QPen(QColor(60, 90, 130), 1.5));
    p.drawRoundedRect(QRectF(v.x(), v.y(), 92, 48), 4, 4);
    QPainterPath cab;
    cab.moveTo(v.x() + 92, v.y() + 14);
    cab.lineTo(v.x() + 118, v.y() + 14);
    cab.lineTo(v.x() + 134, v.y() + 32);
    cab.lineTo(v.x() + 134, v.y() + 48);
    cab.lineTo(v.x() + 92, v.y() + 48);
    cab.closeSubpath();
    p.setBrush(QColor(30, 120, 200));
    p.drawPath(cab);
    p.setBrush(QColor(200, 235, 255));
    p.drawRect(QRectF(v.x() + 104, v.y() + 19, 16, 12));
    p.setBrush(QColor(235, 120, 30));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(v.x(), v.y() + 30, 92, 6));
    p.setBrush(QColor(50, 50, 60));
    for (qreal cx : { v.x() + 22, v.x() + 112 }) {
        p.drawEllipse(QPointF(cx, v.y() + 50), 9, 9);
    }
    p.setBrush(QColor(190, 190, 190));
    for (qreal cx : { v.x() + 22, v.x() + 112 })
        p.drawEllipse(QPointF(cx, v.y() + 50), 4, 4);
    p.setFont(ArtFont(11, true));
    p.setPen(QColor(30, 90, 160));
    p.drawText(QRectF(v.x(), v.y() + 4, 92, 24), Qt::AlignCenter, QString::fromUtf8("딩동주문"));

    // Title and subtitle.
    p.setFont(ArtFont(34, true));
    p.setPen(QColor(255, 255, 255, 200));
    const QRectF title(18, 22, 250, 44);
    p.drawText(title.translated(2, 2), Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8("딩동주문"));
    p.setPen(QColor(20, 90, 170));
    p.drawText(title, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8("딩동주문"));
    p.setFont(ArtFont(13, true));
    p.setPen(QColor(40, 70, 110));
    p.drawText(
        QRectF(20, 70, 260, 20), Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8("인터넷 식자재 주문 시스템"));
    p.setFont(ArtFont(11, false));
    p.setPen(QColor(70, 100, 140));
    p.drawText(QRectF(20, 92, 260, 18), Qt::AlignLeft | Qt::AlignVCenter,
        QString::fromUtf8("거래처에 빠르고 편리하게 발주하세요"));
    p.end();
    return img;
}

QRect LoginRightBox(int index)
{
    // The inputs lie at (137, 24 + 47 * index) with a height of 15 (14 for
    // the password); each box frames its input with 3 pixels around.
    const int y = 24 + 47 * index;
    return QRect(134, y - 4, 120, index == 2 ? 22 : 23);
}

QImage LoginRightPicture()
{
    const int w = 275;
    const int h = 216;
    QImage img(w, h, QImage::Format_RGB32);
    SmoothPainter p(&img);

    FillDown(p, img.rect(), { { 0, QColor(244, 249, 254) }, { 1, QColor(226, 239, 251) } });

    const char* captions[3] = { "거래처 아이디", "주문자 아이디", "비밀번호" };
    for (int i = 0; i < 3; ++i) {
        const QRect box = LoginRightBox(i);
        // Grey plate with curved ends.
        const QRectF plate(10, box.y(), 116, box.height());
        QLinearGradient pg(plate.topLeft(), plate.bottomLeft());
        pg.setColorAt(0, QColor(200, 204, 210));
        pg.setColorAt(1, QColor(160, 166, 176));
        p.setPen(QPen(QColor(130, 136, 146), 1));
        p.setBrush(pg);
        p.drawRoundedRect(plate, plate.height() / 2, plate.height() / 2);
        p.setFont(ArtFont(12, true));
        p.setPen(QColor(40, 44, 52));
        p.drawText(plate, Qt::AlignCenter, QString::fromUtf8(captions[i]));
        // Framed white box for the input.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(QColor(120, 160, 200), 1));
        p.setBrush(Qt::white);
        p.drawRect(box.adjusted(0, 0, -1, -1));
        p.setPen(QColor(200, 220, 240));
        p.drawRect(box.adjusted(1, 1, -2, -2));
        p.setRenderHint(QPainter::Antialiasing, true);
    }
    p.end();
    return img;
}

void DrawBellBadge(QPainter& p, QPointF centre, double radius)
{
    // Proportions of the banner's badge, where the radius is 31.
    const double k = radius / 31.0;
    QRadialGradient badge(centre + QPointF(-2 * k, -3 * k), 34 * k);
    badge.setColorAt(0.0, QColor(40, 110, 200));
    badge.setColorAt(1.0, QColor(12, 52, 120));
    p.setBrush(badge);
    p.setPen(QPen(Qt::white, 3 * k));
    p.drawEllipse(centre, radius, radius);
    DrawBell(p, centre + QPointF(0, 2 * k), 34 * k);
}

QImage ProgramIcon(int size)
{
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    // The white ring is drawn half outside the radius: leave room for it.
    const double radius = size / 2.0 / (1.0 + 1.5 / 31.0);
    DrawBellBadge(p, QPointF(size / 2.0, size / 2.0), radius);
    p.end();
    return icon;
}

} // namespace order
