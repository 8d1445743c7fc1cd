// TCEdit driven the way a person types into it: key clicks on an offscreen box.

#include "TCEdit.h"

#include <gtest/gtest.h>

#include <ostream>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

using order::TCEdit;

namespace {

struct Box {
    QWidget window;
    TCEdit* edit;
    QLineEdit* other;
    Box()
    {
        window.resize(300, 80);
        edit = new TCEdit(&window);
        other = new QLineEdit(&window);
        other->move(0, 40);
        window.show();
        edit->setFocus();
        QApplication::processEvents();
    }
};

// Clicks one key per character and records what the box shows after each.
std::vector<QString> Type(TCEdit* e, const QString& keys)
{
    std::vector<QString> shown;
    for (QChar c : keys) {
        QTest::keyClick(e, c.toLatin1());
        shown.push_back(e->text());
    }
    return shown;
}

std::vector<QString> L(std::initializer_list<const char*> l)
{
    std::vector<QString> v;
    for (const char* s : l)
        v.push_back(QString::fromLatin1(s));
    return v;
}

} // namespace

TEST(TCEdit, NewBoxDefaults)
{
    TCEdit e;
    EXPECT_EQ(e.size(), QSize(100, 21));
    EXPECT_EQ(e.MaxLength(), 9);
    EXPECT_EQ(e.Value(), 0.0);
    EXPECT_FALSE(e.CurrencyPoint());
    EXPECT_FALSE(e.CurrencyNegative());
    EXPECT_FALSE(e.CurrencySign());
    EXPECT_EQ(e.CurrencySignChar(), 0);
    EXPECT_EQ(e.CurrencySetdigit(), 0);
    EXPECT_TRUE(e.alignment() & Qt::AlignRight);
    EXPECT_TRUE(e.text().isEmpty());
}

struct TypingCase {
    const char* name;
    bool point, negative;
    int setdigit, maxLength;
    const char* keys;
    std::vector<QString> shown;
    double value;
};

// Test names show the case name rather than its bytes.
void PrintTo(const TypingCase& c, std::ostream* os)
{
    *os << c.name;
}

class TCEditTyping : public ::testing::TestWithParam<TypingCase> { };

TEST_P(TCEditTyping, ShowsEachStep)
{
    const TypingCase& c = GetParam();
    Box b;
    b.edit->SetCurrencyPoint(c.point);
    b.edit->SetCurrencyNegative(c.negative);
    b.edit->SetCurrencySetdigit(c.setdigit);
    b.edit->SetMaxLength(c.maxLength);
    EXPECT_EQ(Type(b.edit, QString::fromLatin1(c.keys)), c.shown);
    EXPECT_DOUBLE_EQ(b.edit->Value(), c.value);
    EXPECT_EQ(b.edit->cursorPosition(), b.edit->text().size());
}

INSTANTIATE_TEST_SUITE_P(Sequences, TCEditTyping,
    ::testing::Values(TypingCase { "Grouping", false, false, 0, 9, "1234567",
                          L({ "1", "12", "123", "1,234", "12,345", "123,456", "1,234,567" }), 1234567 },
        TypingCase { "Minus", false, true, 0, 9, "-1000", L({ "-", "-1", "-10", "-100", "-1,000" }), -1000 },
        TypingCase { "MinusAfterDigitDropped", false, true, 0, 9, "5-", L({ "5", "5" }), 5 },
        TypingCase { "MinusNotAllowed", false, false, 0, 9, "-5", L({ "", "5" }), 5 },
        TypingCase { "NegativeGrouping", false, true, 0, 9, "-123456",
            L({ "-", "-1", "-12", "-123", "-1,234", "-12,345", "-123,456" }), -123456 },
        TypingCase { "Decimals", true, false, 2, 9, "1.259.", L({ "1", "1.", "1.2", "1.25", "1.25", "1.25" }), 1.25 },
        TypingCase { "PointKeptAfterGrouping", true, false, 2, 9, "1234.5",
            L({ "1", "12", "123", "1,234", "1,234.", "1,234.5" }), 1234.5 },
        TypingCase { "PointDroppedWithoutCurrencyPoint", false, false, 2, 9, "1.5", L({ "1", "1", "15" }), 15 },
        TypingCase { "LettersDropped", true, true, 2, 9, "1a+b2", L({ "1", "1", "1", "1", "12" }), 12 },
        // MaxLength 4 + 2 decimals + 1: seven characters in all.
        TypingCase { "LimitSevenDigits", true, true, 2, 4, "123456789",
            L({ "1", "12", "123", "1,234", "12,345", "123,456", "1,234,567", "1,234,567", "1,234,567" }), 1234567 },
        TypingCase { "LimitCountsPointAndMinus", true, true, 2, 4, "-12.3456",
            L({ "-", "-1", "-12", "-12.", "-12.3", "-12.34", "-12.34", "-12.34" }), -12.34 },
        TypingCase { "NoDecimalsWhenSetdigitZero", true, false, 0, 9, "3.7", L({ "3", "3.", "3." }), 3 },
        TypingCase { "LonePoint", true, false, 2, 9, ".5", L({ ".", ".5" }), 0.5 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TCEdit, BackspaceRemovesLastTypedCharacter)
{
    Box b;
    b.edit->SetCurrencyPoint(true);
    b.edit->SetCurrencySetdigit(2);
    Type(b.edit, QStringLiteral("1234"));
    QTest::keyClick(b.edit, Qt::Key_Backspace);
    EXPECT_EQ(b.edit->text(), QStringLiteral("123"));
    EXPECT_DOUBLE_EQ(b.edit->Value(), 123);

    Type(b.edit, QStringLiteral("\b\b\b")); // empty it
    EXPECT_EQ(b.edit->text(), QString());
    QTest::keyClick(b.edit, Qt::Key_Backspace); // nothing to remove
    EXPECT_EQ(b.edit->TypedText(), QString());

    Type(b.edit, QStringLiteral("12.5"));
    QTest::keyClick(b.edit, Qt::Key_Backspace);
    EXPECT_EQ(b.edit->text(), QStringLiteral("12."));
    QTest::keyClick(b.edit, Qt::Key_7);
    EXPECT_EQ(b.edit->text(), QStringLiteral("12.7"));
    QTest::keyClick(b.edit, Qt::Key_Backspace);
    EXPECT_EQ(b.edit->text(), QStringLiteral("12."));
    // Leaving the box hides the trailing point; the typed text keeps it.
    b.other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(b.edit->text(), QStringLiteral("12"));
    EXPECT_EQ(b.edit->TypedText(), QStringLiteral("12."));
    EXPECT_DOUBLE_EQ(b.edit->Value(), 12);
}

TEST(TCEdit, FocusEnteringSelectsSoTheNextDigitStartsANewNumber)
{
    Box b;
    Type(b.edit, QStringLiteral("1234"));
    b.other->setFocus();
    QApplication::processEvents();
    QSignalSpy entered(b.edit, &TCEdit::Enter);
    b.edit->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(entered.count(), 1);
    EXPECT_EQ(b.edit->selectedText(), QStringLiteral("1,234"));
    QTest::keyClick(b.edit, Qt::Key_5);
    EXPECT_EQ(b.edit->text(), QStringLiteral("5"));
    EXPECT_DOUBLE_EQ(b.edit->Value(), 5);
}

TEST(TCEdit, NavigationKeysCannotEditInPlace)
{
    Box b;
    b.edit->SetCurrencyPoint(true);
    b.edit->SetCurrencySetdigit(2);
    Type(b.edit, QStringLiteral("1234"));
    for (Qt::Key k : { Qt::Key_Left, Qt::Key_Home, Qt::Key_Delete, Qt::Key_Right, Qt::Key_End }) {
        QTest::keyClick(b.edit, k);
        EXPECT_EQ(b.edit->text(), QStringLiteral("1,234")) << k;
        EXPECT_EQ(b.edit->cursorPosition(), 5) << k;
    }
    // A trailing point is dropped from the shown text by such a key, and a
    // ".0" ending is hidden; typing goes on from the typed text.
    Type(b.edit, QStringLiteral("."));
    QTest::keyClick(b.edit, Qt::Key_Left);
    EXPECT_EQ(b.edit->text(), QStringLiteral("1,234"));
    Type(b.edit, QStringLiteral("0"));
    EXPECT_EQ(b.edit->text(), QStringLiteral("1,234.0"));
    QTest::keyClick(b.edit, Qt::Key_Home);
    EXPECT_EQ(b.edit->text(), QStringLiteral("1,234"));
    EXPECT_EQ(b.edit->ShownText(), QStringLiteral("1,234.0"));
    Type(b.edit, QStringLiteral("5"));
    EXPECT_EQ(b.edit->text(), QStringLiteral("1,234.05"));
}

TEST(TCEdit, KeypadKeysType)
{
    Box b;
    b.edit->SetCurrencyPoint(true);
    b.edit->SetCurrencySetdigit(2);
    QTest::keyClick(b.edit, Qt::Key_4, Qt::KeypadModifier);
    QTest::keyClick(b.edit, Qt::Key_Period, Qt::KeypadModifier);
    QTest::keyClick(b.edit, Qt::Key_2, Qt::KeypadModifier);
    EXPECT_EQ(b.edit->text(), QStringLiteral("4.2"));
}

TEST(TCEdit, ValueWrites)
{
    TCEdit e;
    e.SetCurrencyPoint(true);
    e.SetCurrencySetdigit(2);
    e.SetValue(1234.5);
    EXPECT_EQ(e.text(), QStringLiteral("1,234.5"));
    EXPECT_DOUBLE_EQ(e.Value(), 1234.5);
    e.SetValue(0);
    EXPECT_EQ(e.text(), QString());
    EXPECT_EQ(e.TypedText(), QString());
    e.SetValue(-9876543.25);
    EXPECT_EQ(e.text(), QStringLiteral("-9,876,543.25"));
    e.SetValue(1e20); // no exponent ever reaches the typed text
    EXPECT_EQ(e.TypedText(), QStringLiteral("100000000000000000000"));
    EXPECT_DOUBLE_EQ(e.Value(), 1e20);
    EXPECT_TRUE(e.SetValueText(QStringLiteral("150000.75")));
    EXPECT_EQ(e.text(), QStringLiteral("150,000.75"));
    EXPECT_FALSE(e.SetValueText(QStringLiteral("1e5")));
    EXPECT_EQ(e.text(), QStringLiteral("150,000.75"));

    TCEdit whole; // no CurrencyPoint: decimals hidden, Value keeps them
    whole.SetValue(1.5);
    EXPECT_EQ(whole.text(), QStringLiteral("1"));
    EXPECT_DOUBLE_EQ(whole.Value(), 1.5);
    whole.SetCurrencyPoint(true); // reformats at once
    EXPECT_EQ(whole.text(), QStringLiteral("1.5"));
}

TEST(TCEdit, SignCharacter)
{
    Box b;
    b.edit->SetCurrencyNegative(true);
    b.edit->SetCurrencySignChar('$');
    EXPECT_EQ(b.edit->text(), QString()); // sign off: not shown yet
    b.edit->SetCurrencySign(true);
    EXPECT_EQ(b.edit->text(), QStringLiteral("$"));
    QTest::keyClick(b.edit, Qt::Key_Minus);
    EXPECT_EQ(b.edit->text(), QStringLiteral("$-"));
    Type(b.edit, QStringLiteral("1234"));
    EXPECT_EQ(b.edit->text(), QStringLiteral("$-1,234"));
    EXPECT_DOUBLE_EQ(b.edit->Value(), -1234);
    // A NUL sign character means no sign rather than an invisible text.
    b.edit->SetCurrencySignChar(0);
    EXPECT_EQ(b.edit->text(), QStringLiteral("-1,234"));
}

TEST(TCEdit, ReadOnlyBoxIgnoresTyping)
{
    Box b;
    b.edit->SetCurrencyPoint(true);
    b.edit->SetCurrencySetdigit(2);
    b.edit->setReadOnly(true);
    b.edit->SetValue(4500);
    b.edit->setFocus();
    QApplication::processEvents();
    Type(b.edit, QStringLiteral("12\b."));
    EXPECT_EQ(b.edit->text(), QStringLiteral("4,500"));
    EXPECT_DOUBLE_EQ(b.edit->Value(), 4500);
}

TEST(TCEdit, ChangeFiresWhenShownTextChanges)
{
    Box b;
    QSignalSpy changed(b.edit, &QLineEdit::textChanged);
    Type(b.edit, QStringLiteral("12x"));
    EXPECT_EQ(changed.count(), 2);
}

TEST(TCEdit, EnterAndEscapeReachTheWindow)
{
    Box b;
    QTest::keyClick(b.edit, Qt::Key_1);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(b.edit, &enter);
    EXPECT_FALSE(enter.isAccepted());
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(127)));
    QApplication::sendEvent(b.edit, &del);
    EXPECT_TRUE(del.isAccepted());
    EXPECT_EQ(b.edit->text(), QStringLiteral("1"));
}

TEST(TCEdit, MaxLengthDoesNotCutTheShownText)
{
    Box b;
    b.edit->setMaxLength(4); // through the line edit's own name as well
    EXPECT_EQ(b.edit->MaxLength(), 4);
    Type(b.edit, QStringLiteral("12345"));
    EXPECT_EQ(b.edit->text(), QStringLiteral("12,345"));
}
