// The desktop icon: the program's bell mark drawn at every size the hicolor
// theme gets, round on a transparent square.

#include "Artwork.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

bool IsYellow(QRgb c)
{
    return qAlpha(c) == 255 && qRed(c) > 200 && qGreen(c) > 160 && qBlue(c) < 120;
}

bool IsBlue(QRgb c)
{
    return qAlpha(c) == 255 && qBlue(c) > qRed(c) + 40 && qBlue(c) > 90;
}

TEST(ProgramIcon, RoundBellMarkAtEverySize)
{
    for (const int size : { 16, 32, 48, 64, 128, 256 }) {
        SCOPED_TRACE(size);
        const QImage icon = order::ProgramIcon(size);
        ASSERT_EQ(icon.size(), QSize(size, size));
        ASSERT_TRUE(icon.hasAlphaChannel());
        const int last = size - 1;
        // Round: the corners are see-through and the top edge's middle is
        // the white ring, inside the square.
        for (const QPoint corner : { QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last) })
            EXPECT_EQ(qAlpha(icon.pixel(corner)), 0) << corner.x() << "," << corner.y();
        const QRgb top = icon.pixel(size / 2, size * 23 / 1000);
        EXPECT_GT(qAlpha(top), 128);
        if (size >= 64) { // below that the ring is thinner than a pixel
            EXPECT_GT(qGray(top), 150);
        }
        // The bell's body sits just above the middle, on the blue badge
        // seen left and right of it.
        int yellow = 0;
        for (int y = size * 4 / 10; y < size * 6 / 10; ++y)
            for (int x = size * 4 / 10; x < size * 6 / 10; ++x)
                yellow += IsYellow(icon.pixel(x, y));
        EXPECT_GT(yellow, (size / 5) * (size / 5) / 2);
        EXPECT_TRUE(IsBlue(icon.pixel(size / 6 + 1, size / 2))) << std::hex << icon.pixel(size / 6 + 1, size / 2);
        EXPECT_TRUE(IsBlue(icon.pixel(last - size / 6 - 1, size / 2)));
    }
}

} // namespace
