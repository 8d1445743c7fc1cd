#include "TCEdit.h"

#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include <cmath>

namespace order {

namespace {

    bool IsPlainNumber(const QString& s)
    {
        int i = 0;
        if (s.startsWith(QLatin1Char('-')))
            ++i;
        bool point = false;
        bool digit = false;
        for (; i < s.size(); ++i) {
            const QChar c = s.at(i);
            if (c == QLatin1Char('.')) {
                if (point)
                    return false;
                point = true;
            } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
                digit = true;
            } else {
                return false;
            }
        }
        return digit;
    }

    // Keys whose character the box takes: Backspace, digits, minus and point of
    // the main keyboard and of the numeric pad.
    bool IsNumberKey(int key)
    {
        return key == Qt::Key_Backspace || (key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Minus
            || key == Qt::Key_Period;
    }

} // namespace

QString FormatTypedNumber(const QString& typed, bool currencyPoint, bool currencySign, char signChar)
{
    QString out;
    if (typed.isEmpty() || typed == QLatin1String("-")) {
        out = typed;
    } else {
        const qsizetype pointAt = typed.indexOf(QLatin1Char('.'));
        const QString intPart = pointAt < 0 ? typed : typed.left(pointAt);
        const bool negative = intPart.startsWith(QLatin1Char('-'));
        const QString digits = negative ? intPart.mid(1) : intPart;
        QString grouped;
        int count = 0;
        for (qsizetype i = digits.size() - 1; i >= 0; --i) {
            if (count > 0 && count % 3 == 0)
                grouped.prepend(QLatin1Char(','));
            grouped.prepend(digits.at(i));
            ++count;
        }
        out = (negative ? QStringLiteral("-") : QString()) + grouped;
        if (currencyPoint && pointAt >= 0)
            out += typed.mid(pointAt);
    }
    // A NUL sign character would end the text on a platform edit box; it
    // means "no sign" here.
    if (currencySign && signChar != 0)
        out.prepend(QChar::fromLatin1(signChar));
    return out;
}

TCEdit::TCEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QLineEdit::setMaxLength(32767);
    resize(100, 21);
    // Only typed characters may change the number: no input method
    // composition, no pasting from a menu, no dropping text.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setDragEnabled(false);
    Reformat();
}

void TCEdit::SetCurrencyPoint(bool on)
{
    currencyPoint_ = on;
    Reformat();
}

void TCEdit::SetCurrencySign(bool on)
{
    currencySign_ = on;
    Reformat();
}

void TCEdit::SetCurrencySignChar(char c)
{
    currencySignChar_ = c;
    Reformat();
}

void TCEdit::SetCurrencySetdigit(int digits)
{
    currencySetdigit_ = digits < 0 ? 0 : digits;
    Reformat();
}

void TCEdit::SetMaxLength(int n)
{
    maxLength_ = n < 0 ? 0 : n;
}

void TCEdit::SetValue(double v)
{
    QString text = std::isfinite(v) ? QString::number(v, 'g', 15) : QStringLiteral("0");
    // Very large or very small numbers: written out in full so that the
    // typed text stays digits and one point.
    if (text.contains(QLatin1Char('e')))
        text = DecimalText(v, 15);
    typed_ = text == QLatin1String("0") ? QString() : text;
    Reformat();
}

QString DecimalText(double value, int decimals)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

bool TCEdit::SetValueText(const QString& plain)
{
    if (!IsPlainNumber(plain))
        return false;
    typed_ = plain == QLatin1String("0") ? QString() : plain;
    Reformat();
    return true;
}

void TCEdit::Reformat()
{
    if (typed_.isEmpty() || typed_ == QLatin1String("-")) {
        value_ = 0;
    } else {
        bool ok = false;
        const double v = typed_.toDouble(&ok);
        // "." or "-." alone holds no digit yet: counts as 0 and shows as typed.
        value_ = ok ? v : 0;
    }
    shown_ = FormatTypedNumber(typed_, currencyPoint_, currencySign_, currencySignChar_);
    ShowText(shown_);
}

void TCEdit::ShowText(const QString& text)
{
    if (QLineEdit::text() != text)
        setText(text);
    else
        deselect();
    setCursorPosition(int(text.size()));
}

void TCEdit::CharTyped(QChar c)
{
    const ushort code = c.unicode();
    const bool isDigit = code >= '0' && code <= '9';
    const bool accepted = code == 8 || isDigit || code == 127 || (code == '.' && currencyPoint_)
        || (code == '-' && currencyNegative_ && typed_.isEmpty());
    if (!accepted)
        return;
    if (code == 8) {
        if (!typed_.isEmpty())
            typed_.chop(1);
    } else {
        if (typed_.size() >= qsizetype(maxLength_) + currencySetdigit_ + 1)
            return;
        if (code == '-') {
            typed_ += c;
        } else if (code == '.') {
            if (typed_.contains(QLatin1Char('.')))
                return;
            typed_ += c;
        } else if (isDigit) {
            const qsizetype pointAt = typed_.indexOf(QLatin1Char('.'));
            if (pointAt >= 0 && typed_.size() - pointAt - 1 >= currencySetdigit_)
                return;
            typed_ += c;
        }
    }
    Reformat();
}

void TCEdit::keyPressEvent(QKeyEvent* event)
{
    if (hasSelectedText())
        typed_.clear();

    const int key = event->key();
    if (IsNumberKey(key)) {
        ShowText(shown_);
        if (!isReadOnly()) {
            const QString text = event->text();
            // Backspace may arrive without its control character.
            if (key == Qt::Key_Backspace)
                CharTyped(QChar(8));
            else if (!text.isEmpty())
                CharTyped(text.at(0));
        }
        event->accept();
        return;
    }

    // Any other key: the caret stays at the end and nothing is edited in place.
    if (shown_.endsWith(QLatin1Char('.')))
        shown_.chop(1);
    ShowText(shown_.endsWith(QLatin1String(".0")) ? shown_.chopped(2) : shown_);

    // Enter, Esc and the function keys belong to the window around the box.
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape
        || (key >= Qt::Key_F1 && key <= Qt::Key_F35)) {
        event->ignore();
        return;
    }
    // A key that still brings a character (a letter, a sign) has it judged
    // like any other typed character; Delete brings none.
    const QString text = event->text();
    if (!isReadOnly() && key != Qt::Key_Delete && !text.isEmpty() && !text.at(0).isNull())
        CharTyped(text.at(0));
    event->accept();
}

void TCEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    selectAll();
    emit Enter();
}

void TCEdit::focusOutEvent(QFocusEvent* event)
{
    if (shown_.endsWith(QLatin1Char('.'))) {
        const QString without = shown_.chopped(1);
        if (QLineEdit::text() != without)
            setText(without);
    }
    QLineEdit::focusOutEvent(event);
    emit Exit();
}

void TCEdit::inputMethodEvent(QInputMethodEvent* event)
{
    // Composed text never enters the number.
    event->accept();
}

} // namespace order
