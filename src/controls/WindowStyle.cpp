#include "WindowStyle.h"

#include <QFrame>
#include <QToolButton>

namespace order {

QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QRect& geometry, const QString& caption,
    const QString& hint, const QFont& font, const QColor& color)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    b->setText(caption);
    b->setToolTip(hint);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFont(font);
    QPalette pal = b->palette();
    pal.setColor(QPalette::ButtonText, color);
    b->setPalette(pal);
    return b;
}

void MakeFrameBars(QWidget* parent, int first, std::initializer_list<QRect> bars)
{
    int n = first;
    for (const QRect& r : bars) {
        auto* panel = new QFrame(parent);
        panel->setObjectName(QStringLiteral("Panel%1").arg(n++));
        panel->setGeometry(r);
        panel->setAutoFillBackground(true);
        QPalette pal = panel->palette();
        pal.setColor(QPalette::Window, kSkyBlue);
        panel->setPalette(pal);
    }
}

} // namespace order
