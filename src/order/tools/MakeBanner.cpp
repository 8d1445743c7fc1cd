// Draws the main window's banner and writes it as a JPEG. Run at build time,
// so the picture is ours and the window decodes it through Qt's JPEG reader
// like any stored banner.

#include "Artwork.h"

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
    order::DrawBellBadge(p, QPointF(44, 39), 31);

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
