#include "DataModule.h"
#include "DialogTestSupport.h"
#include "TFrmHelp.h"
#include "TImageButton.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

#include <memory>

using namespace order;
using namespace dialog_test;

namespace {

class TFrmHelpTest : public ::testing::Test {
protected:
    void SetUp() override { dm = std::make_unique<TDM>(); }
    void TearDown() override
    {
        EXPECT_EQ(FrmHelp, nullptr) << "the window must delete itself and clear its global";
        delete FrmHelp;
    }
    std::unique_ptr<TDM> dm;
};

} // namespace

TEST(HelpLines, SixtyFiveLinesWithTheEmptyOnesInPlace)
{
    const QStringList lines = HelpLines();
    ASSERT_EQ(lines.size(), 65);
    const int empty[] = { 1, 3, 5, 6, 8, 10, 12, 13, 15, 16, 18, 20, 22, 25, 27, 29, 30, 34, 36, 38, 39, 41, 43, 45, 47,
        49, 51, 52, 56, 57, 59, 61, 62, 64 };
    for (int n = 1; n <= 65; ++n) {
        const bool shouldBeEmpty = std::find(std::begin(empty), std::end(empty), n) != std::end(empty);
        EXPECT_EQ(lines[n - 1].isEmpty(), shouldBeEmpty) << n;
    }
    for (int n : { 23, 32, 54 })
        EXPECT_EQ(lines[n - 1], QStringLiteral(" ")) << n;
    EXPECT_EQ(lines[1], QStringLiteral(" 1. 왼쪽 목록은 주문을 선택한 제품의 목록이고 (장바구니)"));
    EXPECT_EQ(lines[6], QStringLiteral(" 2. 오른쪽 목록에서 주문할 제품으로 파란색 선택라인을 옮긴후 "));
    EXPECT_EQ(lines[64], QStringLiteral("  [거래일순]을 클릭하시면 제품 목록의 정렬순위가 거래일로 바뀝니다."));
}

TEST_F(TFrmHelpTest, ShowsTheTextReadOnlySelectableAndScrollableAndEscCloses)
{
    new TFrmHelp();
    const int result = RunModal<TFrmHelp>(FrmHelp, [](TFrmHelp& w) {
        EXPECT_EQ(w.size(), QSize(473, 418));
        EXPECT_EQ(w.Panel6->height(), 63);
        EXPECT_EQ(w.Panel6->width(), 463);
        EXPECT_EQ(w.Label1->text(), QStringLiteral("마루웍스"));
        EXPECT_EQ(w.Label3->text(), QStringLiteral("Ver 6.02"));
        EXPECT_GT(w.Label3->x(), w.Label1->geometry().right());
        EXPECT_EQ(w.Label2->text(), QStringLiteral("누리상점 온라인 발주시스템에 오신것을 환영합니다."));
        EXPECT_GT(w.Label2->y(), w.Label1->y());
        EXPECT_EQ(w.ImgBtnEsc->size(), QSize(41, 42));
        EXPECT_GT(w.ImgBtnEsc->x(), w.Panel6->width() / 2);
        // The memo fills the rest of the window.
        EXPECT_EQ(w.Mm->geometry(), QRect(5, 68, 463, 345));
        ASSERT_EQ(w.Mm->document()->blockCount(), 65);
        EXPECT_EQ(w.Mm->document()->findBlockByNumber(63).text(), HelpLines()[63]);
        const QString before = w.Mm->toPlainText();
        w.Mm->setFocus();
        QTest::keyClicks(w.Mm, QStringLiteral("abc"));
        QTest::keyClick(w.Mm, Qt::Key_Return); // swallowed
        QTest::keyClick(w.Mm, Qt::Key_Backspace);
        EXPECT_EQ(w.Mm->toPlainText(), before);
        EXPECT_TRUE(w.isVisible());
        QTest::keyClick(w.Mm, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(w.Mm->textCursor().selectedText().size(), before.size());
        EXPECT_GT(w.Mm->verticalScrollBar()->maximum(), 0);
        QTest::keyClick(w.Mm, Qt::Key_End, Qt::ControlModifier);
        EXPECT_GE(w.Mm->verticalScrollBar()->value(), w.Mm->verticalScrollBar()->maximum() - 1);
        EXPECT_GT(w.Mm->verticalScrollBar()->value(), 0);
        QTest::keyClick(w.Mm, Qt::Key_Escape);
    });
    EXPECT_EQ(result, 2);
}

TEST_F(TFrmHelpTest, CloseButtonEndsIt)
{
    new TFrmHelp();
    const int result = RunModal<TFrmHelp>(
        FrmHelp, [](TFrmHelp& w) { QTest::mouseClick(w.ImgBtnEsc, Qt::LeftButton, {}, w.ImgBtnEsc->rect().center()); });
    EXPECT_EQ(result, 2);
}
