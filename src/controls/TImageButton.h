#pragma once

// TImageButton: a button drawn entirely from one picture strip that holds its
// looks side by side (paRight) or stacked (paBottom): slice 0 normal, 1 mouse
// over, 2 pressed (and latched by Clicked), 3 disabled. The control takes the
// size of one slice and the shape of that slice's pixels that are not of the
// transparent colour, so the area around a round button neither shows nor
// takes the mouse.
//
// Clicked()/SetClicked() are the latched pressed look, not a signal.
// Signals: Click() is the ordinary click (left button pressed and released
// over the button's shape); MouseEnter() / MouseLeave() follow the shape.

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QWidget>

#include <array>

namespace order {

enum TPictureAlign { paRight, paBottom };

class TImageButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int PictureCount READ PictureCount WRITE SetPictureCount)
    Q_PROPERTY(bool Clicked READ Clicked WRITE SetClicked)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)

public:
    explicit TImageButton(QWidget* parent = nullptr);

    const QImage& Picture() const { return picture_; }
    void SetPicture(const QImage& picture);
    void SetPicture(const QPixmap& picture);

    // Only 1 and 4 are taken; any other count is ignored.
    int PictureCount() const { return pictureCount_; }
    void SetPictureCount(int count);

    TPictureAlign PictureAlign() const { return pictureAlign_; }
    void SetPictureAlign(TPictureAlign align);

    // Takes effect at the next rebuild (picture, count or alignment set).
    QColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(const QColor& color) { transparentColor_ = color; }

    bool Clicked() const { return clicked_; }
    void SetClicked(bool clicked);

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);

    // Which slice is shown (0..3) and the slice pictures, for whoever needs
    // to know what the button looks like now.
    int ShownSlice() const { return shown_; }
    const QImage& Slice(int index) const { return slices_.at(std::size_t(index)); }
    // The shape made at the last rebuild (empty for an empty picture).
    const QRegion& Shape() const { return shape_; }
    bool MouseOver() const { return mouseOver_; }

    QSize sizeHint() const override;

    // Rows of non-transparent pixels as one-row rectangles, scanned left to
    // right, top to bottom.
    static QRegion ScanShape(const QImage& image, QColor transparent);

signals:
    void Click();
    void MouseEnter();
    void MouseLeave();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Rebuild();
    void FitSize();
    void ShowSlice(int index);
    bool Inside(const QPoint& pos) const;
    void SetMouseOver(bool over);

    QImage picture_;
    std::array<QImage, 4> slices_;
    int pictureCount_ = 4;
    TPictureAlign pictureAlign_ = paRight;
    QColor transparentColor_ = QColor(255, 0, 255);
    bool clicked_ = false;
    bool autoSize_ = true;
    int shown_ = 0;
    bool mouseOver_ = false;
    bool leftDown_ = false;
    QRegion shape_;
};

} // namespace order
