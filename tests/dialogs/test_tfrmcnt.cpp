#include "DataModule.h"
#include "Messages.h"
#include "TCEdit.h"
#include "TFrmCnt.h"
#include "TImageButton.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

using namespace order;

namespace {

const QString kNoQuantity = QString::fromUtf8("     주문 수량이 없습니다.     \r\r     수량을 입력해 주십시요.");
const QString kNoName = QString::fromUtf8("     주문 제품명이 없습니다.     \r\r     제품명 입력해 주십시요.");
const QString kPrompt = QString::fromUtf8("직접 제품명을 입력하십시요");

class TFrmCntTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dm = std::make_unique<TDM>();
        // Leftovers that every result must overwrite or empty.
        DM->LineName = "old name";
        DM->LineUnit = "old unit";
        DM->LineQty = "99";
        DM->LineNote = "old note";
    }
    void TearDown() override
    {
        EXPECT_EQ(FrmCnt, nullptr) << "the window must delete itself and clear its global";
        delete FrmCnt;
        dm.reset();
    }

    // Opens a fresh window the way the main window does, runs `drive` once it
    // is shown, and returns the result of exec().
    int Run(const QString& mode, std::function<void(TFrmCnt&)> prepare, std::function<void(TFrmCnt&)> drive)
    {
        EXPECT_EQ(FrmCnt, nullptr);
        new TFrmCnt();
        FrmCnt->Mode = mode;
        if (prepare)
            prepare(*FrmCnt);
        bool driven = false;
        QTimer::singleShot(0, [&] {
            TFrmCnt* w = FrmCnt;
            ASSERT_NE(w, nullptr);
            w->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(w));
            drive(*w);
            driven = true;
            if (FrmCnt == w && w->isVisible()) {
                ADD_FAILURE() << "window still open after the test's keys";
                w->done(2);
            }
        });
        const int result = FrmCnt->exec();
        EXPECT_TRUE(driven);
        return result;
    }

    static void Key(TFrmCnt& w, Qt::Key key) { QTest::keyClick(w.focusWidget(), key); }
    // Hangul has no key code: those characters go as key events that carry
    // only their text, as an input method's committed syllables would.
    static void Type(TFrmCnt& w, const QString& text)
    {
        for (QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(w.focusWidget(), c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, w.focusWidget(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    static void Press(TImageButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center()); }

    void ExpectLine(const char* name, const char* unit, const char* qty, const char* note)
    {
        EXPECT_EQ(DM->LineName, QString::fromUtf8(name));
        EXPECT_EQ(DM->LineUnit, QString::fromUtf8(unit));
        EXPECT_EQ(DM->LineQty, QString::fromUtf8(qty));
        EXPECT_EQ(DM->LineNote, QString::fromUtf8(note));
    }
    void ExpectEmptyLine() { ExpectLine("", "", "", ""); }

    std::unique_ptr<TDM> dm;
    MessageRecorder messages;
};

void SetAdd(TFrmCnt& w, const char* name, const char* box, const char* unit, const char* count)
{
    w.GoodName = QString::fromUtf8(name);
    w.GoodBox = QString::fromUtf8(box);
    w.GoodUnit = QString::fromUtf8(unit);
    w.AddCount = QString::fromUtf8(count);
}

} // namespace

TEST(QuantityText, NearestTenThousandthWithoutZeros)
{
    const std::vector<std::pair<double, const char*>> cases = {
        { 3, "3" },
        { 2.5, "2.5" },
        { -1, "-1" },
        { 0, "0" },
        { -0.0, "0" },
        { 1.23456, "1.2346" },
        { 1234567, "1234567" },
        { 0.00004, "0" },
        { -0.00004, "0" },
        { 12.3, "12.3" },
    };
    for (const auto& [v, text] : cases)
        EXPECT_EQ(QuantityText(v), QString::fromUtf8(text)) << v;
}

TEST_F(TFrmCntTest, AddShowsTheProductAndHandsBackTheLine)
{
    const int result = Run(
        "ADD", [](TFrmCnt& w) { SetAdd(w, "  신라면 멀티 ", "BOX", "0", "5"); },
        [&](TFrmCnt& w) {
            EXPECT_EQ(w.size(), QSize(356, 406));
            EXPECT_EQ(w.EdtGN->text(), QString::fromUtf8("  신라면 멀티 "));
            EXPECT_EQ(w.EdtGB->text(), "BOX");
            EXPECT_EQ(w.EdtGU->text(), "") << "a unit quantity of 0 shows empty";
            EXPECT_EQ(w.CEdtCnt->Value(), 5);
            EXPECT_EQ(w.focusWidget(), w.CEdtCnt);
            EXPECT_FALSE(w.CEdtCnt->hasFrame());
            EXPECT_TRUE(w.CEdtCnt->inputMethodHints().testFlag(Qt::ImhFormattedNumbersOnly));
            for (QLineEdit* e : { w.EdtGN, w.EdtGB, w.EdtNote })
                EXPECT_FALSE(e->inputMethodHints() & (Qt::ImhLatinOnly | Qt::ImhDigitsOnly | Qt::ImhNoPredictiveText))
                    << e->objectName().toStdString();
            EXPECT_TRUE(w.EdtGN->isReadOnly());
            // First keypad digit replaces the starting 5, the next appends.
            Press(w.SB[2]);
            EXPECT_EQ(w.CEdtCnt->Value(), 2);
            Press(w.SB[3]);
            EXPECT_EQ(w.CEdtCnt->Value(), 23);
            Press(w.SBP); // laid out, no action
            EXPECT_EQ(w.CEdtCnt->Value(), 23);
            Key(w, Qt::Key_Down);
            EXPECT_EQ(w.focusWidget(), w.EdtNote);
            Type(w, QString::fromUtf8("  오전 배송ab  "));
            EXPECT_EQ(w.EdtNote->text(), QString::fromUtf8("  오전 배송AB  "));
            Key(w, Qt::Key_Return); // Enter in the note confirms
        });
    EXPECT_EQ(result, 1);
    ExpectLine("신라면 멀티", "BOX", "23", "  오전 배송AB");
    EXPECT_TRUE(messages.requests.empty());
}

TEST_F(TFrmCntTest, AddStartingValues)
{
    struct Case {
        const char* unit;
        const char* count;
        const char* shownUnit;
        const char* shownCount;
    };
    const std::vector<Case> cases
        = { { "12", "", "12", "" }, { "0", "0", "", "" }, { "6", "1.5", "6", "1.5" }, { "6", "abc", "6", "" } };
    for (const Case& c : cases) {
        const int result = Run(
            "ADD", [&](TFrmCnt& w) { SetAdd(w, "두부", "EA", c.unit, c.count); },
            [&](TFrmCnt& w) {
                EXPECT_EQ(w.EdtGU->text(), QString::fromUtf8(c.shownUnit)) << c.unit;
                EXPECT_EQ(w.CEdtCnt->text(), QString::fromUtf8(c.shownCount)) << c.count;
                Key(w, Qt::Key_Escape);
            });
        EXPECT_EQ(result, 2);
        ExpectEmptyLine();
    }
}

TEST_F(TFrmCntTest, OkChecksKeepTheWindowOpen)
{
    const int result = Run(
        "ADD", [](TFrmCnt& w) { SetAdd(w, "   ", "EA", "1", "3"); },
        [&](TFrmCnt& w) {
            Press(w.SBDel);
            EXPECT_EQ(w.CEdtCnt->text(), "");
            Press(w.SBOK);
            ASSERT_EQ(messages.Texts(), QStringList { kNoQuantity });
            EXPECT_TRUE(w.isVisible());
            Press(w.SB[4]);
            Key(w, Qt::Key_Enter); // keypad Enter in the quantity: OK, but the name is blanks only
            ASSERT_EQ(messages.Texts(), (QStringList { kNoQuantity, kNoName }));
            EXPECT_TRUE(w.isVisible());
            EXPECT_EQ(DM->LineName, "");
            EXPECT_EQ(w.CEdtCnt->Value(), 4);
            Press(w.SBEsc);
        });
    EXPECT_EQ(result, 2);
    ExpectEmptyLine();
}

TEST_F(TFrmCntTest, ModiTakesTypedNegativeQuantity)
{
    const int result = Run(
        "MODI",
        [](TFrmCnt& w) {
            w.GoodName = QString::fromUtf8("고추장");
            w.GoodBox = "PK";
            w.Note = QString::fromUtf8("메모");
            w.GoodUnit = "0";
            w.AddCount = "0";
            w.ModiCount = "12.5";
        },
        [&](TFrmCnt& w) {
            EXPECT_EQ(w.EdtNote->text(), QString::fromUtf8("메모"));
            EXPECT_EQ(w.CEdtCnt->Value(), 12.5);
            EXPECT_EQ(w.focusWidget(), w.CEdtCnt);
            // Typing replaces the selected starting quantity.
            Type(w, "-2");
            EXPECT_EQ(w.CEdtCnt->Value(), -2);
            Key(w, Qt::Key_Return);
        });
    EXPECT_EQ(result, 1);
    ExpectLine("고추장", "PK", "-2", "메모");
}

TEST_F(TFrmCntTest, AnyOtherModeBehavesAsModi)
{
    const int result = Run(
        "whatever",
        [](TFrmCnt& w) {
            w.GoodName = "X";
            w.ModiCount = "7";
        },
        [&](TFrmCnt& w) {
            EXPECT_TRUE(w.EdtGN->isReadOnly());
            EXPECT_EQ(w.CEdtCnt->Value(), 7);
            Press(w.SBOK);
        });
    EXPECT_EQ(result, 1);
    ExpectLine("X", "", "7", "");
}

TEST_F(TFrmCntTest, KeypadAppendsToNegativeAndStopsAtItsLimit)
{
    Run(
        "MODI", [](TFrmCnt& w) { w.GoodName = "X"; },
        [&](TFrmCnt& w) {
            Press(w.SB[1]);
            for (int i = 0; i < 20; ++i)
                Press(w.SB[9]);
            EXPECT_EQ(w.CEdtCnt->Value(), 199999999999.0) << "digits beyond exact quantities are ignored";
            Press(w.SBDel);
            Type(w, "-2");
            Press(w.SB[3]); // not the first keypad digit any more: appends
            EXPECT_EQ(w.CEdtCnt->Value(), -23);
            Key(w, Qt::Key_Escape);
        });
    ExpectEmptyLine();
}

TEST_F(TFrmCntTest, NewAppendsEachLineAndStaysOpen)
{
    struct Line {
        QString name, unit, qty, note;
    };
    std::vector<Line> added;
    const int result = Run(
        "NEW",
        [&](TFrmCnt& w) {
            w.OnAddDirectLine = [&](const QString& n, const QString& u, const QString& q, const QString& t) {
                added.push_back({ n, u, q, t });
            };
        },
        [&](TFrmCnt& w) {
            EXPECT_FALSE(w.EdtGN->isReadOnly());
            EXPECT_EQ(w.focusWidget(), w.EdtGN);
            EXPECT_EQ(w.EdtGN->text(), kPrompt);
            EXPECT_EQ(w.EdtGN->selectedText(), kPrompt);
            EXPECT_EQ(w.EdtGB->text(), "1");
            EXPECT_EQ(w.EdtGU->text(), "1");
            EXPECT_EQ(w.CEdtCnt->text(), "");

            // Line 1: name, Enter, unit, Enter, quantity, Enter.
            Type(w, QString::fromUtf8("수제 어묵"));
            Key(w, Qt::Key_Return);
            EXPECT_EQ(w.focusWidget(), w.EdtGB);
            w.EdtGB->selectAll();
            Type(w, "kg");
            Key(w, Qt::Key_Return);
            EXPECT_EQ(w.focusWidget(), w.CEdtCnt);
            Type(w, "3");
            Key(w, Qt::Key_Return);
            ASSERT_EQ(added.size(), 1u);
            EXPECT_EQ(added[0].name, QString::fromUtf8("수제 어묵"));
            EXPECT_EQ(added[0].unit, "KG");
            EXPECT_EQ(added[0].qty, "3");
            EXPECT_EQ(added[0].note, "");
            EXPECT_TRUE(w.isVisible());
            EXPECT_EQ(w.focusWidget(), w.EdtGN);
            for (QLineEdit* e : { w.EdtGN, w.EdtGB, w.EdtGU, w.EdtNote })
                EXPECT_EQ(e->text(), "") << e->objectName().toStdString();
            EXPECT_EQ(w.CEdtCnt->text(), "");
            EXPECT_EQ(DM->LineName, "");
            EXPECT_EQ(DM->LineQty, "");

            // Line 2 without a quantity is refused, then the note is reached with Down.
            Type(w, "abc");
            Key(w, Qt::Key_Down);
            Key(w, Qt::Key_Down);
            EXPECT_EQ(w.focusWidget(), w.CEdtCnt);
            Key(w, Qt::Key_Return);
            EXPECT_EQ(messages.Texts(), QStringList { kNoQuantity });
            Press(w.SB[7]);
            Key(w, Qt::Key_Down);
            EXPECT_EQ(w.focusWidget(), w.EdtNote);
            Type(w, "note");
            Key(w, Qt::Key_Up);
            EXPECT_EQ(w.focusWidget(), w.CEdtCnt);
            Press(w.SBOK);
            ASSERT_EQ(added.size(), 2u);
            EXPECT_EQ(added[1].name, "ABC");
            EXPECT_EQ(added[1].unit, "");
            EXPECT_EQ(added[1].qty, "7");
            EXPECT_EQ(added[1].note, "NOTE");
            Key(w, Qt::Key_Escape);
        });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(added.size(), 2u);
    ExpectEmptyLine();
}

TEST_F(TFrmCntTest, NewUntouchedNameHandsBackThePrompt)
{
    std::vector<QString> names;
    Run(
        "NEW",
        [&](TFrmCnt& w) {
            w.OnAddDirectLine
                = [&](const QString& n, const QString&, const QString&, const QString&) { names.push_back(n); };
        },
        [&](TFrmCnt& w) {
            Press(w.SB[2]);
            Press(w.SBOK);
            EXPECT_TRUE(w.isVisible());
            Press(w.SBEsc);
        });
    EXPECT_EQ(names, std::vector<QString> { kPrompt });
}

TEST_F(TFrmCntTest, NewWithoutAnOpenerCallbackEndsWithOk)
{
    const int result = Run("NEW", nullptr, [&](TFrmCnt& w) {
        Type(w, QString::fromUtf8("직접 품목"));
        Press(w.SB[5]);
        Press(w.SBOK);
    });
    EXPECT_EQ(result, 1);
    ExpectLine("직접 품목", "1", "5", "");
}

TEST_F(TFrmCntTest, ClosingWithoutOkEmptiesTheExchangeFields)
{
    // Closing the window by any other way than OK is a Cancel.
    const int result = Run(
        "ADD", [](TFrmCnt& w) { SetAdd(w, "사과", "BOX", "1", "2"); }, [&](TFrmCnt& w) { w.close(); });
    EXPECT_EQ(result, 2);
    ExpectEmptyLine();

    // An OK from outside the buttons still re-reads the fields, and an empty
    // name turns it into Cancel.
    const int forced = Run(
        "ADD", [](TFrmCnt& w) { SetAdd(w, "", "BOX", "1", "2"); }, [&](TFrmCnt& w) { w.done(1); });
    EXPECT_EQ(forced, 2);
    ExpectEmptyLine();
}
