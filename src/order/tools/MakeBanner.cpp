// Draws the main window's banner and writes it as a JPEG. Run at build time,
// so the picture is ours and the window decodes it through Qt's JPEG reader
// like any stored banner.

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

constexpr int kWidth = 998;
constexpr int kHeight = 78;

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
    p.setPen(QPen(QColor(255, 255, 255, 220), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 2; ++i) {
        const double r = size * (0.45 + 0.18 * i);
        p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 20 * 16, 40 * 16);
        p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 120 * 16, 40 * 16);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output.jpg>\n", argv[0]);
        return 2;
    }

    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, kWidth, 0);
    sky.setColorAt(0.0, QColor(135, 206, 250));
    sky.setColorAt(0.45, QColor(64, 150, 220));
    sky.setColorAt(1.0, QColor(18, 66, 140));
    p.fillRect(image.rect(), sky);

    // Soft light band and a few bubbles give the plain gradient some depth.
    QLinearGradient gloss(0, 0, 0, kHeight);
    gloss.setColorAt(0.0, QColor(255, 255, 255, 90));
    gloss.setColorAt(0.5, QColor(255, 255, 255, 0));
    p.fillRect(image.rect(), gloss);
    p.setPen(Qt::NoPen);
    const struct {
        double x, y, r;
        int alpha;
    } bubbles[]
        = { { 380, 20, 34, 40 }, { 455, 62, 22, 35 }, { 540, 12, 16, 30 }, { 720, 70, 40, 25 }, { 860, 8, 26, 25 } };
    for (const auto& b : bubbles) {
        QRadialGradient g(QPointF(b.x, b.y), b.r);
        g.setColorAt(0.0, QColor(255, 255, 255, b.alpha));
        g.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setBrush(g);
        p.drawEllipse(QPointF(b.x, b.y), b.r, b.r);
    }

    // Round badge with a ringing bell.
    QRadialGradient badge(QPointF(42, 36), 34);
    badge.setColorAt(0.0, QColor(40, 110, 200));
    badge.setColorAt(1.0, QColor(12, 52, 120));
    p.setBrush(badge);
    p.setPen(QPen(Qt::white, 3));
    p.drawEllipse(QPointF(44, 39), 31, 31);
    DrawBell(p, QPointF(44, 41), 34);

    QFont title(QStringLiteral("NanumGothic"));
    title.setPixelSize(34);
    title.setWeight(QFont::Black);
    p.setFont(title);
    p.setPen(QColor(10, 45, 100, 120));
    p.drawText(QPointF(92, 49), QStringLiteral("딩동주문"));
    p.setPen(Qt::white);
    p.drawText(QPointF(90, 47), QStringLiteral("딩동주문"));

    QFont sub(QStringLiteral("NanumGothic"));
    sub.setPixelSize(13);
    sub.setWeight(QFont::Bold);
    p.setFont(sub);
    p.setPen(QColor(235, 245, 255));
    p.drawText(QPointF(93, 68), QStringLiteral("누리상점 인터넷 발주 시스템"));

    p.setPen(QPen(QColor(255, 255, 255, 150), 1));
    p.drawLine(QPointF(600, 48), QPointF(900, 48));
    p.end();

    if (!image.save(QString::fromLocal8Bit(argv[1]), "JPEG", 92)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
