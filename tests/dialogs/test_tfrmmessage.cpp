#include "DataModule.h"
#include "StringGrid.h"
#include "TFrmMessage.h"
#include "TImageButton.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace order;

namespace {

class TFrmMessageTest : public ::testing::Test {
protected:
    void SetUp() override { dm = std::make_unique<TDM>(); }
    void TearDown() override
    {
        EXPECT_EQ(FrmMessage, nullptr) << "the window must delete itself and clear its global";
        delete FrmMessage;
    }

    int Run(const std::array<QString, 20>& notices, std::function<void(TFrmMessage&)> drive)
    {
        EXPECT_EQ(FrmMessage, nullptr);
        new TFrmMessage();
        FrmMessage->Notices = notices;
        bool driven = false;
        QTimer::singleShot(0, [&] {
            TFrmMessage* w = FrmMessage;
            ASSERT_NE(w, nullptr);
            w->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(w));
            drive(*w);
            driven = true;
            if (FrmMessage == w && w->isVisible()) {
                ADD_FAILURE() << "window still open";
                w->done(2);
            }
        });
        const int result = FrmMessage->exec();
        EXPECT_TRUE(driven);
        return result;
    }

    std::unique_ptr<TDM> dm;
};

} // namespace

TEST_F(TFrmMessageTest, ShowsTheNoticesAndClosesOnEsc)
{
    std::array<QString, 20> notices;
    notices[0] = QString::fromUtf8("12월 25일은 휴무입니다.   ");
    notices[1] = QString::fromUtf8("  배송 시간 변경 안내");
    notices[2] = QString::fromUtf8("가") + QString(200, QChar(u'나')); // far wider than the column
    const int result = Run(notices, [&](TFrmMessage& w) {
        EXPECT_EQ(w.size(), QSize(413, 415));
        EXPECT_EQ(w.SGS->RowCount(), 20);
        EXPECT_EQ(w.SGS->ColCount(), 1);
        EXPECT_EQ(w.SGS->ColWidth(0), 400);
        EXPECT_EQ(w.SGS->Row(), 19);
        for (int r = 0; r < 20; ++r)
            EXPECT_EQ(w.SGS->Cells(0, r), notices[static_cast<std::size_t>(r)]) << r;
        // All twenty rows fit: nothing scrolls.
        EXPECT_EQ(w.SGS->TopRow(), 0);
        EXPECT_EQ(w.SGS->VisibleRowCount(), 20);
        // The close button lies over the grid's top right corner.
        const QRect grid = w.SGS->geometry();
        const QRect button = w.ImgBtnEsc->geometry();
        EXPECT_EQ(button.size(), QSize(41, 42));
        EXPECT_TRUE(grid.contains(button.topRight()));
        EXPECT_LE(grid.right() - button.right(), 2);
        EXPECT_LE(button.top() - grid.top(), 2);

        QTest::keyClick(w.SGS, Qt::Key_Return); // swallowed
        EXPECT_TRUE(w.isVisible());
        QTest::keyClick(w.SGS, Qt::Key_Escape);
    });
    EXPECT_EQ(result, 2);
}

TEST_F(TFrmMessageTest, CloseButtonEndsIt)
{
    std::array<QString, 20> notices;
    notices[19] = "last";
    const int result = Run(notices, [&](TFrmMessage& w) {
        EXPECT_EQ(w.SGS->Cells(0, 19), "last");
        QTest::mouseClick(w.ImgBtnEsc, Qt::LeftButton, {}, w.ImgBtnEsc->rect().center());
    });
    EXPECT_EQ(result, 2);
}

TEST(NoticeCellText, TrailingBlanksGoLeadingStay)
{
    EXPECT_EQ(NoticeCellText("  공지   "), QString::fromUtf8("  공지"));
    EXPECT_EQ(NoticeCellText("   "), "");
    EXPECT_EQ(NoticeCellText(""), "");
}

TEST_F(TFrmMessageTest, CellsAreDrawnTrimmedAndClipped)
{
    TFrmMessage w;
    w.Notices[0] = QString::fromUtf8("공지 ") + QString(300, QChar(u'가'));
    w.Notices[1] = "   ";
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QImage image(w.SGS->viewport()->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    w.SGS->viewport()->render(&image);
    // Row 0 has ink; the long text stops at the column edge (400 px + line).
    auto inkInRow = [&](int top, int left, int right) {
        for (int y = top; y < top + 19; ++y)
            for (int x = left; x < right && x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    return true;
        return false;
    };
    EXPECT_TRUE(inkInRow(0, 0, 400));
    EXPECT_FALSE(inkInRow(0, 0, 6)) << "text starts 6 pixels in";
    EXPECT_FALSE(inkInRow(20, 0, 400)) << "blank notice draws nothing";
    EXPECT_FALSE(inkInRow(0, 401, image.width())) << "nothing beyond the column";
    w.close();
}
