// TImageButton: slicing, the look shown per mouse event, the disabled look and
// the shape cut from the transparent colour.

#include "Artwork.h"
#include "TImageButton.h"

#include <gtest/gtest.h>

#include <ostream>

#include <QApplication>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

using order::TImageButton;

namespace {

const QColor kFuchsia(255, 0, 255);

// A strip whose slice i is filled with grey level 10 * (i + 1), so that the
// shown slice can be read back from one pixel.
QImage NumberedStrip(int w, int h, int count, bool stacked)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(kFuchsia);
    QPainter p(&img);
    for (int i = 0; i < count; ++i) {
        const int g = 10 * (i + 1);
        const QRect r = stacked ? QRect(0, i * (h / count), w, h / count) : QRect(i * (w / count), 0, w / count, h);
        p.fillRect(r, QColor(g, g, g));
    }
    return img;
}

int GreyOf(const QImage& img)
{
    return qRed(img.pixel(img.width() / 2, img.height() / 2));
}

int ShownGrey(TImageButton& b)
{
    return GreyOf(b.grab().toImage());
}

struct Host {
    QWidget window;
    TImageButton* button;
    Host()
    {
        window.resize(300, 300);
        button = new TImageButton(&window);
        button->move(50, 50);
        window.show();
        QApplication::processEvents();
    }
};

} // namespace

TEST(TImageButton, NewButtonIsEmptyAndInert)
{
    TImageButton b;
    EXPECT_EQ(b.size(), QSize(50, 50));
    EXPECT_EQ(b.PictureCount(), 4);
    EXPECT_EQ(b.PictureAlign(), order::paRight);
    EXPECT_EQ(b.TransparentColor(), kFuchsia);
    EXPECT_FALSE(b.Clicked());
    EXPECT_TRUE(b.Shape().isEmpty());
    EXPECT_TRUE(b.testAttribute(Qt::WA_TransparentForMouseEvents));
}

struct SliceCase {
    const char* name;
    int w, h, count;
    order::TPictureAlign align;
    QSize slice;
};

// Test names show the case name rather than its bytes.
void PrintTo(const SliceCase& c, std::ostream* os)
{
    *os << c.name;
}

class TImageButtonSlicing : public ::testing::TestWithParam<SliceCase> { };

TEST_P(TImageButtonSlicing, SizeFollowsTheSlice)
{
    const SliceCase& c = GetParam();
    TImageButton b;
    b.SetPictureAlign(c.align);
    b.SetPictureCount(c.count);
    b.SetPicture(NumberedStrip(c.w, c.h, c.count, c.align == order::paBottom));
    EXPECT_EQ(b.size(), c.slice);
    for (int i = 0; i < c.count; ++i) {
        EXPECT_EQ(b.Slice(i).size(), c.slice);
        EXPECT_EQ(GreyOf(b.Slice(i)), 10 * (i + 1)) << i;
    }
    b.resize(200, 10); // any resize snaps back
    EXPECT_EQ(b.size(), c.slice);
}

INSTANTIATE_TEST_SUITE_P(Strips, TImageButtonSlicing,
    ::testing::Values(SliceCase { "Keypad", 63, 204, 4, order::paBottom, QSize(63, 51) },
        SliceCase { "Login", 102, 126, 4, order::paBottom, QSize(102, 31) },
        SliceCase { "Close", 41, 168, 4, order::paBottom, QSize(41, 42) },
        SliceCase { "SideBySide", 200, 30, 4, order::paRight, QSize(50, 30) },
        SliceCase { "Single", 41, 41, 1, order::paBottom, QSize(41, 41) }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TImageButton, KeypadSlicesAreTheRightRows)
{
    QImage strip(63, 204, QImage::Format_RGB32);
    for (int y = 0; y < 204; ++y)
        for (int x = 0; x < 63; ++x)
            strip.setPixel(x, y, qRgb(y, 0, 0));
    TImageButton b;
    b.SetPictureAlign(order::paBottom);
    b.SetPicture(strip);
    EXPECT_EQ(qRed(b.Slice(1).pixel(0, 0)), 51);
    EXPECT_EQ(qRed(b.Slice(1).pixel(0, 50)), 101);
    EXPECT_EQ(qRed(b.Slice(2).pixel(0, 0)), 102);
    EXPECT_EQ(qRed(b.Slice(2).pixel(0, 50)), 152);
}

TEST(TImageButton, OnlyOneOrFourLooks)
{
    TImageButton b;
    b.SetPictureCount(2);
    EXPECT_EQ(b.PictureCount(), 4);
    b.SetPictureCount(1);
    EXPECT_EQ(b.PictureCount(), 1);
    b.SetPictureCount(0);
    EXPECT_EQ(b.PictureCount(), 1);
}

TEST(TImageButton, LooksFollowTheMouse)
{
    Host h;
    TImageButton& b = *h.button;
    b.SetPictureAlign(order::paBottom);
    b.SetPicture(NumberedStrip(60, 160, 4, true));
    QSignalSpy clicks(&b, &TImageButton::Click);
    QSignalSpy enters(&b, &TImageButton::MouseEnter);
    QSignalSpy leaves(&b, &TImageButton::MouseLeave);
    const QPoint mid(30, 20);

    EXPECT_EQ(ShownGrey(b), 10);
    QTest::mouseMove(&b, mid);
    EXPECT_EQ(b.ShownSlice(), 1);
    EXPECT_EQ(enters.count(), 1);
    QTest::mousePress(&b, Qt::LeftButton, {}, mid);
    EXPECT_EQ(b.ShownSlice(), 2);
    EXPECT_EQ(ShownGrey(b), 30);
    QTest::mouseRelease(&b, Qt::LeftButton, {}, mid);
    EXPECT_EQ(b.ShownSlice(), 1);
    EXPECT_EQ(clicks.count(), 1);

    // Pressed, dragged off, released outside: no click, normal look.
    QTest::mousePress(&b, Qt::LeftButton, {}, mid);
    QTest::mouseMove(&b, QPoint(200, 200));
    EXPECT_EQ(b.ShownSlice(), 2); // the pressed look stays while dragging off
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_EQ(b.ShownSlice(), 0);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_GE(leaves.count(), 1);
}

TEST(TImageButton, LatchedClickedLook)
{
    Host h;
    TImageButton& b = *h.button;
    b.SetPictureAlign(order::paBottom);
    b.SetPicture(NumberedStrip(60, 160, 4, true));
    b.SetClicked(true);
    EXPECT_EQ(b.ShownSlice(), 2);
    QTest::mouseMove(&b, QPoint(30, 20));
    EXPECT_EQ(b.ShownSlice(), 2);
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(30, 20));
    EXPECT_EQ(b.ShownSlice(), 1); // right after a click, until the mouse leaves
    QSignalSpy leaves(&b, &TImageButton::MouseLeave);
    // The offscreen platform loses track of the widget under the mouse after
    // a release; one more move over the button restores it.
    QTest::mouseMove(&b, QPoint(31, 21));
    EXPECT_EQ(b.ShownSlice(), 1);
    QTest::mouseMove(&h.window, QPoint(280, 280));
    EXPECT_EQ(leaves.count(), 1);
    EXPECT_EQ(b.ShownSlice(), 2);
    b.SetClicked(false);
    EXPECT_EQ(b.ShownSlice(), 0);
}

TEST(TImageButton, DisabledLook)
{
    TImageButton four;
    four.SetPictureAlign(order::paBottom);
    four.SetPicture(NumberedStrip(60, 160, 4, true));
    four.setEnabled(false);
    EXPECT_EQ(ShownGrey(four), 40);
    four.setEnabled(true);
    EXPECT_EQ(ShownGrey(four), 10);

    TImageButton one;
    one.SetPictureCount(1);
    one.SetPicture(NumberedStrip(40, 40, 1, true));
    one.setEnabled(false);
    EXPECT_EQ(ShownGrey(one), 10);
}

TEST(TImageButton, ShapeIsTheRunsOfNonTransparentPixels)
{
    QImage img(6, 3, QImage::Format_RGB32);
    img.fill(kFuchsia);
    img.setPixel(1, 0, qRgb(0, 0, 0));
    img.setPixel(2, 0, qRgb(0, 0, 0));
    img.setPixel(4, 0, qRgb(0, 0, 0));
    img.setPixel(5, 2, qRgb(1, 2, 3));
    const QRegion r = TImageButton::ScanShape(img, kFuchsia);
    QRegion expected;
    expected += QRect(1, 0, 2, 1);
    expected += QRect(4, 0, 1, 1);
    expected += QRect(5, 2, 1, 1);
    EXPECT_EQ(r, expected);
    EXPECT_TRUE(TImageButton::ScanShape(QImage(), kFuchsia).isEmpty());
}

TEST(TImageButton, TransparentBorderTakesNoMouse)
{
    Host h;
    TImageButton& b = *h.button;
    b.SetPictureCount(1);
    b.SetPicture(order::MainCloseButton());
    ASSERT_EQ(b.size(), QSize(41, 41));
    EXPECT_FALSE(b.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(b.mask().contains(QPoint(20, 20)));
    QSignalSpy enters(&b, &TImageButton::MouseEnter);
    QSignalSpy clicks(&b, &TImageButton::Click);
    // The corner pixel belongs to the window behind, not to the button.
    EXPECT_NE(h.window.childAt(QPoint(50, 50) + QPoint(1, 1)), &b);
    EXPECT_EQ(h.window.childAt(QPoint(50, 50) + QPoint(20, 20)), &b);
    QTest::mouseMove(&h.window, QPoint(51, 51));
    EXPECT_EQ(enters.count(), 0);
    QTest::mouseMove(&h.window, QPoint(70, 70));
    EXPECT_EQ(enters.count(), 1);
}

TEST(TImageButton, ArtworkStripsHaveTheirSizesAndRoundShapes)
{
    struct Art {
        QImage img;
        QSize size;
        int count;
    };
    const Art arts[] = {
        { order::LoginButtonStrip(QString::fromUtf8("로 그 인")), { 102, 126 }, 4 },
        { order::LoginButtonStrip(QString::fromUtf8("취 소")), { 102, 126 }, 4 },
        { order::KeypadStrip(QStringLiteral("7")), { 63, 204 }, 4 },
        { order::KeypadStrip(QStringLiteral("O K")), { 63, 204 }, 4 },
        { order::CloseButtonStrip(), { 41, 168 }, 4 },
        { order::MainCloseButton(), { 41, 41 }, 1 },
    };
    for (const Art& a : arts) {
        EXPECT_EQ(a.img.size(), a.size);
        TImageButton b;
        b.SetPictureAlign(order::paBottom);
        b.SetPictureCount(a.count);
        b.SetPicture(a.img);
        const QRegion shape = b.Shape();
        const QRect r = b.rect();
        // Round art: the corners are cut out, the middle is in.
        EXPECT_FALSE(shape.contains(r.topLeft()));
        EXPECT_FALSE(shape.contains(r.bottomRight()));
        EXPECT_TRUE(shape.contains(r.center()));
        EXPECT_GT(shape.rectCount(), 4);
        // The looks differ from one another.
        for (int i = 1; i < a.count; ++i)
            EXPECT_NE(b.Slice(i), b.Slice(0)) << i;
    }
}
