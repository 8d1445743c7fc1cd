#include "DataModule.h"
#include "DialogTestSupport.h"
#include "Messages.h"
#include "StringGrid.h"
#include "TCEdit.h"
#include "TFrmCnt.h"
#include "TFrmExcelRead.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QToolButton>

#include <memory>

using namespace order;
using namespace dialog_test;

namespace {

const QString kTooMany = QStringLiteral("엑셀에서 [복사하기]한\r\r자료가 너무 많습니다.\r\r최대 99 제품라인");
const QString kNoText = QStringLiteral("Excel 파일에서 [붙여넣기]할 내용을\r\r먼저 [복사하기]해 주십시요.");
const QString kClear = QStringLiteral("엑셀에서 [복사하기]한\r\r자료를 초기화 합니다.\r\r실행 하시겠습니까?");
const QString kEscAsk = QStringLiteral("작성중인 내역이 있습니다\r\r취소 하시겠습니까?");

QString Lines(int n, const char* end = "\r\n")
{
    QString text;
    for (int i = 1; i <= n; ++i)
        text += QStringLiteral("제품%1\t%1\tBOX\t비고%1").arg(i) + QString::fromLatin1(end);
    return text;
}

class TFrmExcelReadTest : public ::testing::Test {
protected:
    void SetUp() override { dm = std::make_unique<TDM>(); }
    void TearDown() override
    {
        EXPECT_EQ(FrmExcelRead, nullptr) << "the window must delete itself and clear its global";
        delete FrmExcelRead;
        QGuiApplication::clipboard()->clear();
    }

    int Run(std::function<void(TFrmExcelRead&)> drive)
    {
        new TFrmExcelRead();
        FrmExcelRead->OnSaveOrder = [this](const std::vector<PastedRow>& rows) {
            saved = rows;
            return true;
        };
        FrmExcelRead->OnAddDirectLine
            = [this](const QString& name, const QString& unit, const QString& qty, const QString& note) {
                  direct << (QStringList { name, unit, qty, note });
              };
        return RunModal<TFrmExcelRead>(FrmExcelRead, drive);
    }

    static void Paste(TFrmExcelRead& w, const QString& text)
    {
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(w.SGS, Qt::Key_F1);
    }

    static QString Cell(TFrmExcelRead& w, int col, int row) { return w.SGS->Cells(col, row); }

    std::unique_ptr<TDM> dm;
    MessageRecorder messages;
    std::vector<PastedRow> saved;
    QList<QStringList> direct;
};

} // namespace

TEST(PasteLines, LineEndsFieldsAndTheLastLine)
{
    struct Case {
        const char* name;
        QString text;
        QList<QStringList> lines;
    };
    const Case cases[] = {
        { "CR LF", QStringLiteral("a\t2\r\nb\t3\r\n"), { { "a", "2" }, { "b", "3" } } },
        // A bare line feed: the character before it is data, not a CR.
        { "LF only", QStringLiteral("a\t12\nb\tnote\n"), { { "a", "12" }, { "b", "note" } } },
        { "last line without a line feed", QStringLiteral("a\t1\r\nb\t2"), { { "a", "1" } } },
        { "no line feed at all", QStringLiteral("a\t1"), {} },
        { "empty fields kept", QStringLiteral("\t\tx\t\n"), { { "", "", "x", "" } } },
        { "empty line", QStringLiteral("\r\n"), { { "" } } },
        { "CR inside a line stays", QStringLiteral("a\rb\tc\n"), { { "a\rb", "c" } } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(PasteLines(c.text), c.lines) << c.name;
}

TEST(PasteCellText, QuantityRightAlignedWithSeparators)
{
    EXPECT_EQ(PasteCellText(2, "1234").text, QStringLiteral("1,234"));
    EXPECT_TRUE(PasteCellText(2, "1234").rightAligned);
    EXPECT_EQ(PasteCellText(2, "3.5").text, QStringLiteral("3.5"));
    EXPECT_EQ(PasteCellText(2, "0").text, QStringLiteral("0"));
    EXPECT_EQ(PasteCellText(2, "").text, QString());
    EXPECT_EQ(PasteCellText(1, "  이름  ").text, QStringLiteral("이름"));
    EXPECT_EQ(PasteCellText(1, "x").indent, 8);
    EXPECT_EQ(PasteCellText(5, "x").indent, 4);
}

TEST_F(TFrmExcelReadTest, PastesCrLfLinesNumbersThemAndReadsQuantities)
{
    Run([&](TFrmExcelRead& w) {
        EXPECT_EQ(w.size(), QSize(754, 675));
        EXPECT_EQ(w.focusWidget(), w.SGS);
        EXPECT_EQ(w.SGS->RowCount(), 99);
        EXPECT_EQ(w.SGS->ColCount(), 10);
        EXPECT_EQ(w.SGS->DefaultRowHeight(), 18);
        const int widths[] = { 23, 239, 70, 65, 161, 109, 55, 70, 70, 70 };
        for (int c = 0; c < 10; ++c)
            EXPECT_EQ(w.SGS->ColWidth(c), widths[c]) << c;
        Paste(
            w, QStringLiteral("새우깡\t2\t봉\t빨리\r\n신라면\t1,234\tBOX\t\t8801043014809\r\n우유\tabc\t팩\t오전\r\n"));
        EXPECT_TRUE(messages.requests.empty());
        EXPECT_EQ(Cell(w, 0, 0), QStringLiteral("01"));
        EXPECT_EQ(Cell(w, 0, 2), QStringLiteral("03"));
        EXPECT_TRUE(Cell(w, 0, 3).isEmpty());
        EXPECT_EQ(Cell(w, 1, 0), QStringLiteral("새우깡"));
        EXPECT_EQ(Cell(w, 2, 0), QStringLiteral("2"));
        EXPECT_EQ(Cell(w, 3, 0), QStringLiteral("봉"));
        EXPECT_EQ(Cell(w, 4, 0), QStringLiteral("빨리"));
        EXPECT_EQ(Cell(w, 2, 1), QStringLiteral("1234"));
        EXPECT_EQ(PasteCellText(2, Cell(w, 2, 1)).text, QStringLiteral("1,234"));
        EXPECT_EQ(Cell(w, 5, 1), QStringLiteral("8801043014809"));
        EXPECT_EQ(Cell(w, 2, 2), QStringLiteral("0")); // "abc"
        EXPECT_EQ(w.focusWidget(), w.SGS);
        QTest::keyClick(w.SGS, Qt::Key_Escape); // asks: the list is not empty
        EXPECT_EQ(messages.Last(), kEscAsk);
    });
}

TEST_F(TFrmExcelReadTest, BareLineFeedsKeepTheLastCharacter)
{
    Run([&](TFrmExcelRead& w) {
        Paste(w, QStringLiteral("새우깡\t12\t봉\t빨리\n라면\t5\t\t오후\n마지막\t7\t봉\t끝"));
        EXPECT_EQ(Cell(w, 2, 0), QStringLiteral("12"));
        EXPECT_EQ(Cell(w, 4, 0), QStringLiteral("빨리"));
        EXPECT_EQ(Cell(w, 4, 1), QStringLiteral("오후"));
        // The last line had no line feed: not pasted.
        EXPECT_TRUE(Cell(w, 1, 2).isEmpty());
        w.SBEsc->click();
    });
}

TEST_F(TFrmExcelReadTest, NinetyNineLinesFitAHundredDoNot)
{
    Run([&](TFrmExcelRead& w) {
        Paste(w, Lines(100));
        EXPECT_EQ(messages.Last(), kTooMany);
        EXPECT_TRUE(Cell(w, 1, 0).isEmpty());
        Paste(w, Lines(99));
        EXPECT_EQ(messages.requests.size(), 1u);
        EXPECT_EQ(Cell(w, 0, 98), QStringLiteral("99"));
        EXPECT_EQ(Cell(w, 1, 98), QStringLiteral("제품99"));
        Paste(w, Lines(100));
        EXPECT_EQ(Cell(w, 1, 0), QStringLiteral("제품1")); // the grid stays as it was
        EXPECT_EQ(messages.requests.size(), 2u);
        // Insert with the last row used.
        w.SGS->SetRow(3);
        QTest::keyClick(w.SGS, Qt::Key_Insert);
        EXPECT_EQ(messages.Last(), QStringLiteral("더 이상 추가 할 수 없습니다\r\r최대 99 제품"));
        EXPECT_EQ(Cell(w, 1, 3), QStringLiteral("제품4"));
        w.SBEsc->click();
    });
}

// A pasted line fills its row from the name on and empties every cell past
// its last field, so that no new name keeps an old row's unit or note; rows
// below the pasted lines stay as they were, fields past the last column go.
TEST_F(TFrmExcelReadTest, ShorterLinesEmptyTheirOldCellsAndKeepTheRowsBelow)
{
    Run([&](TFrmExcelRead& w) {
        const QString full = QStringLiteral("신라면\t2\tBOX\t메모1\t880123\t6\t7\t8\t9\r\n");
        Paste(w, full + full + full + full + full + full);
        Paste(w,
            QStringLiteral("X1\t7\r\n"
                           "X2\r\n"
                           "X3\t1\tEA\r\n"
                           "\r\n"
                           "X5\t5\tEA\tn\tb\t6\t7\t8\t9\t10\t11\r\n"));
        const QStringList rows[] = {
            { "X1", "7", "", "", "", "", "", "", "" },
            { "X2", "", "", "", "", "", "", "", "" },
            { "X3", "1", "EA", "", "", "", "", "", "" },
            { "", "", "", "", "", "", "", "", "" },
            { "X5", "5", "EA", "n", "b", "6", "7", "8", "9" },
            { "신라면", "2", "BOX", "메모1", "880123", "6", "7", "8", "9" },
        };
        for (int r = 0; r < 6; ++r)
            for (int c = 1; c < 10; ++c)
                EXPECT_EQ(Cell(w, c, r), rows[r][c - 1]) << "row " << r << " column " << c;
        // The empty fourth line ends the numbering; the rows after it keep theirs.
        EXPECT_EQ(Cell(w, 0, 2), QStringLiteral("03"));
        EXPECT_EQ(Cell(w, 0, 4), QStringLiteral("05"));
        w.SBEsc->click();
    });
}

TEST_F(TFrmExcelReadTest, InsertDeleteAndClear)
{
    Run([&](TFrmExcelRead& w) {
        Paste(w, Lines(3));
        // Delete on the first of three rows: two rows numbered 01 and 02.
        w.SGS->SetRow(0);
        QTest::keyClick(w.SGS, Qt::Key_Delete);
        EXPECT_TRUE(messages.requests.empty()); // no question
        EXPECT_EQ(Cell(w, 1, 0), QStringLiteral("제품2"));
        EXPECT_EQ(Cell(w, 0, 1), QStringLiteral("02"));
        EXPECT_TRUE(Cell(w, 1, 2).isEmpty());
        EXPECT_TRUE(Cell(w, 1, 98).isEmpty());
        // Insert above the second row: an empty current row; the rows below
        // it are no longer counted.
        w.SGS->SetRow(1);
        w.SBIns->click();
        EXPECT_EQ(w.SGS->Row(), 1);
        EXPECT_TRUE(Cell(w, 1, 1).isEmpty());
        EXPECT_TRUE(Cell(w, 0, 1).isEmpty());
        EXPECT_EQ(Cell(w, 1, 2), QStringLiteral("제품3"));
        // Insert on an unused row says nothing and adds nothing.
        QTest::keyClick(w.SGS, Qt::Key_Insert);
        EXPECT_TRUE(messages.requests.empty());
        EXPECT_EQ(Cell(w, 1, 2), QStringLiteral("제품3"));
        // Clear: No keeps, Yes empties.
        messages.script = { MessageAnswer::No, MessageAnswer::Yes };
        QTest::keyClick(w.SGS, Qt::Key_F9);
        EXPECT_EQ(messages.Last(), kClear);
        EXPECT_EQ(Cell(w, 1, 0), QStringLiteral("제품2"));
        w.SBF9->click();
        EXPECT_TRUE(Cell(w, 1, 0).isEmpty());
        EXPECT_TRUE(Cell(w, 0, 0).isEmpty());
        // Alt or Ctrl held: the keys do nothing.
        Paste(w, Lines(2));
        QTest::keyClick(w.SGS, Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClick(w.SGS, Qt::Key_F9, Qt::AltModifier);
        EXPECT_EQ(Cell(w, 1, 1), QStringLiteral("제품2"));
        w.SBEsc->click(); // closes at once, no question
        EXPECT_EQ(messages.Last(), kClear);
    });
}

TEST_F(TFrmExcelReadTest, NoTextOnTheClipboard)
{
    Run([&](TFrmExcelRead& w) {
        QGuiApplication::clipboard()->clear();
        w.SpeedButton2->click(); // a column title pastes too
        ASSERT_EQ(messages.requests.size(), 1u);
        EXPECT_EQ(messages.requests[0].text, kNoText);
        EXPECT_EQ(messages.requests[0].icon, MessageIcon::Information);
        EXPECT_EQ(messages.requests[0].buttons, MessageButtons::Ok);
        // An empty list closes on Esc without asking.
        QTest::keyClick(w.SGS, Qt::Key_Escape);
    });
    EXPECT_EQ(messages.requests.size(), 1u);
}

TEST_F(TFrmExcelReadTest, EscWithAListAsksAndNoKeepsItOpen)
{
    messages.script = { MessageAnswer::No, MessageAnswer::Yes };
    Run([&](TFrmExcelRead& w) {
        Paste(w, Lines(1));
        QTest::keyClick(w.SGS, Qt::Key_Escape);
        EXPECT_TRUE(w.isVisible());
        QTest::keyClick(w.SGS, Qt::Key_Escape);
    });
    EXPECT_EQ(messages.Texts().count(kEscAsk), 2);
}

TEST_F(TFrmExcelReadTest, F7HandsTheListedRowsOverAndCloses)
{
    const int result = Run([&](TFrmExcelRead& w) {
        QTest::keyClick(w.SGS, Qt::Key_F7); // nothing listed: nothing happens
        EXPECT_TRUE(w.isVisible());
        Paste(w, QStringLiteral("가\t1,5\tEA\tn1\t880\r\n\r\n나\t2\r\n"));
        QTest::keyClick(w.SGS, Qt::Key_F7);
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(saved.size(), 2u); // the unused middle row is left out
    EXPECT_EQ(saved[0].name, QStringLiteral("가"));
    EXPECT_EQ(saved[0].qty, QStringLiteral("15"));
    EXPECT_EQ(saved[0].unit, QStringLiteral("EA"));
    EXPECT_EQ(saved[0].note, QStringLiteral("n1"));
    EXPECT_EQ(saved[0].barcode, QStringLiteral("880"));
    EXPECT_EQ(saved[1].name, QStringLiteral("나"));
}

TEST_F(TFrmExcelReadTest, EnterTypesDirectLinesThroughTheQuantityWindow)
{
    Run([&](TFrmExcelRead& w) {
        w.move(100, 50);
        WhenShown<TFrmCnt>(FrmCnt, [&](TFrmCnt* cnt) {
            EXPECT_EQ(cnt->Mode, QStringLiteral("NEW"));
            EXPECT_EQ(cnt->pos(), QPoint(220, 230));
            QTest::keyClicks(cnt->EdtGN, QStringLiteral("ABC"));
            QTest::keyClick(cnt->EdtGN, Qt::Key_Return);
            QTest::keyClicks(cnt->focusWidget(), QStringLiteral("EA"));
            QTest::keyClick(cnt->focusWidget(), Qt::Key_Return);
            QTest::keyClicks(cnt->focusWidget(), QStringLiteral("3"));
            QTest::keyClick(cnt->focusWidget(), Qt::Key_Return);
            QTest::keyClick(cnt->focusWidget(), Qt::Key_Escape);
        });
        QTest::keyClick(w.SGS, Qt::Key_Return);
        EXPECT_EQ(FrmCnt, nullptr);
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(Cell(w, 1, 0).isEmpty()); // the list does not change
        w.SBEsc->click();
    });
    ASSERT_EQ(direct.size(), 1);
    EXPECT_EQ(direct[0], (QStringList { "ABC", "EA", "3", "" }));
}
