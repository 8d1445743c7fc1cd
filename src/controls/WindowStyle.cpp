#include "WindowStyle.h"

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

} // namespace order
