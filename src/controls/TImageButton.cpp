#include "TImageButton.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

namespace order {

TImageButton::TImageButton(QWidget* parent)
    : QWidget(parent)
{
    resize(50, 50);
    setMouseTracking(true);
    // An empty picture has no shape: nothing to see and nothing to press.
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

QSize TImageButton::sizeHint() const
{
    const QSize s = slices_[std::size_t(shown_)].size();
    return s.isEmpty() ? QSize(50, 50) : s;
}

void TImageButton::SetPicture(const QImage& picture)
{
    picture_ = picture;
    Rebuild();
}

void TImageButton::SetPicture(const QPixmap& picture)
{
    SetPicture(picture.toImage());
}

void TImageButton::SetPictureCount(int count)
{
    if (count != 1 && count != 4)
        return;
    pictureCount_ = count;
    Rebuild();
}

void TImageButton::SetPictureAlign(TPictureAlign align)
{
    pictureAlign_ = align;
    Rebuild();
}

void TImageButton::SetClicked(bool clicked)
{
    if (clicked == clicked_)
        return;
    clicked_ = clicked;
    ShowSlice(clicked && pictureCount_ == 4 ? 2 : 0);
}

void TImageButton::SetAutoSize(bool on)
{
    autoSize_ = on;
    FitSize();
}

QRegion TImageButton::ScanShape(const QImage& image, QColor transparent)
{
    QRegion region;
    if (image.isNull())
        return region;
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    const QRgb cut = transparent.rgb() & 0xFFFFFFu;
    const int w = img.width();
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        int x = 0;
        while (x < w) {
            while (x < w && (row[x] & 0xFFFFFFu) == cut)
                ++x;
            if (x >= w)
                break;
            const int start = x;
            while (x < w && (row[x] & 0xFFFFFFu) != cut)
                ++x;
            region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

void TImageButton::Rebuild()
{
    for (auto& s : slices_)
        s = QImage();
    if (!picture_.isNull()) {
        int w = picture_.width();
        int h = picture_.height();
        if (pictureAlign_ == paRight)
            w /= pictureCount_;
        else
            h /= pictureCount_;
        if (w > 0 && h > 0) {
            for (int i = 0; i < pictureCount_; ++i) {
                const QPoint at = pictureAlign_ == paRight ? QPoint(i * w, 0) : QPoint(0, i * h);
                slices_[std::size_t(i)] = picture_.copy(QRect(at, QSize(w, h)));
            }
        }
    }
    if (pictureCount_ == 1 || shown_ >= pictureCount_)
        shown_ = 0;
    FitSize();
    update();

    shape_ = ScanShape(slices_[std::size_t(shown_)], transparentColor_);
    if (shape_.isEmpty()) {
        // Qt reads an empty mask as "no mask"; an empty shape must instead
        // leave nothing that takes the mouse.
        clearMask();
        setAttribute(Qt::WA_TransparentForMouseEvents, true);
        setAttribute(Qt::WA_OpaquePaintEvent, false);  // what lies behind shows
    } else {
        setMask(shape_);
        setAttribute(Qt::WA_TransparentForMouseEvents, false);
        setAttribute(Qt::WA_OpaquePaintEvent, true);
    }
}

void TImageButton::FitSize()
{
    const QSize s = slices_[std::size_t(shown_)].size();
    if (s.isEmpty()) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        return;
    }
    // Fixed to the slice so that neither a resize nor a layout can stretch it.
    setFixedSize(s);
}

void TImageButton::ShowSlice(int index)
{
    if (pictureCount_ != 4)
        index = 0;
    if (index == shown_)
        return;
    shown_ = index;
    update();
}

bool TImageButton::Inside(const QPoint& pos) const
{
    if (!rect().contains(pos))
        return false;
    return shape_.isEmpty() ? false : shape_.contains(pos);
}

void TImageButton::SetMouseOver(bool over)
{
    if (over == mouseOver_)
        return;
    mouseOver_ = over;
    if (over) {
        ShowSlice(clicked_ ? 2 : 1);
        emit MouseEnter();
    } else {
        // While the left button is held the pressed look stays.
        if (!leftDown_)
            ShowSlice(clicked_ ? 2 : 0);
        emit MouseLeave();
    }
}

void TImageButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool disabledLook = !isEnabled() && pictureCount_ == 4 && !slices_[3].isNull();
    const QImage& img = slices_[std::size_t(disabledLook ? 3 : shown_)];
    if (!img.isNull())
        p.drawImage(0, 0, img);
}

void TImageButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    leftDown_ = true;
    ShowSlice(2);
    event->accept();
}

void TImageButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !leftDown_) {
        event->ignore();
        return;
    }
    leftDown_ = false;
    const bool over = Inside(event->position().toPoint());
    // The mouse may have left while the button was held: settle the hover
    // state first so that the look after the release is the right one.
    if (over != mouseOver_)
        SetMouseOver(over);
    ShowSlice(mouseOver_ ? 1 : 0);
    event->accept();
    if (over && isEnabled())
        emit Click();
}

void TImageButton::mouseMoveEvent(QMouseEvent* event)
{
    SetMouseOver(Inside(event->position().toPoint()));
    event->accept();
}

void TImageButton::enterEvent(QEnterEvent* event)
{
    SetMouseOver(Inside(event->position().toPoint()));
}

void TImageButton::leaveEvent(QEvent*)
{
    SetMouseOver(false);
}

void TImageButton::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FitSize();
}

void TImageButton::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            leftDown_ = false;
            mouseOver_ = false;
            shown_ = clicked_ && pictureCount_ == 4 ? 2 : 0;
        }
        update();
    }
}

} // namespace order
