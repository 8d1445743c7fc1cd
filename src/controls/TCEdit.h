#pragma once

// TCEdit: a one-line, right-aligned number box for quantities and amounts.
//
// The control keeps what the user typed (an optional leading "-", digits and
// at most one ".") apart from what it shows ("1,234.5"). Every character goes
// through CharTyped(); the line edit never inserts text by itself, so the
// typed text and Value() always agree after each accepted character.
//
// MaxLength is the number of characters the typed text may hold (plus
// CurrencySetdigit + 1); the grouping commas do not count. setMaxLength() on
// a TCEdit therefore sets that limit, not the line edit's own display limit.
//
// Numbers are written through SetValue() or SetValueText(); QLineEdit's own
// setText() would pass the typed text by.
//
// A read-only box ignores typed characters (only Value writes change it); the
// keys it would otherwise act on still keep the caret at the end.

#include <QLineEdit>
#include <QString>

namespace order {

class TCEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(bool CurrencyPoint READ CurrencyPoint WRITE SetCurrencyPoint)
    Q_PROPERTY(bool CurrencyNegative READ CurrencyNegative WRITE SetCurrencyNegative)
    Q_PROPERTY(bool CurrencySign READ CurrencySign WRITE SetCurrencySign)
    Q_PROPERTY(int CurrencySetdigit READ CurrencySetdigit WRITE SetCurrencySetdigit)
    Q_PROPERTY(double Value READ Value WRITE SetValue)

public:
    explicit TCEdit(QWidget* parent = nullptr);

    bool CurrencyPoint() const { return currencyPoint_; }
    void SetCurrencyPoint(bool on);
    bool CurrencyNegative() const { return currencyNegative_; }
    void SetCurrencyNegative(bool on) { currencyNegative_ = on; }
    bool CurrencySign() const { return currencySign_; }
    void SetCurrencySign(bool on);
    // One 8-bit character put in front of the number; code 0 means none.
    char CurrencySignChar() const { return currencySignChar_; }
    void SetCurrencySignChar(char c);
    int CurrencySetdigit() const { return currencySetdigit_; }
    void SetCurrencySetdigit(int digits);

    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n);
    // Hide QLineEdit's own limit: the shown text is longer than the typed one.
    int maxLength() const { return maxLength_; }
    void setMaxLength(int n) { SetMaxLength(n); }

    double Value() const { return value_; }
    // Shortest general decimal form (15 significant digits); 0 empties the box.
    // Value() is then read back from that text, as after any typing.
    void SetValue(double v);
    // The same with a number already written as plain decimal text
    // ("1234.5"), for callers holding exact fixed-point values. Text that is
    // not a plain number is refused (false, nothing changes).
    bool SetValueText(const QString& plain);

    // The number as typed and the formatted text, as the control holds them.
    const QString& TypedText() const { return typed_; }
    const QString& ShownText() const { return shown_; }

    QSize sizeHint() const override { return { 100, 21 }; }

signals:
    void Enter(); // focus came in (after the whole text was selected)
    void Exit(); // focus left

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void CharTyped(QChar c);
    void Reformat();
    void ShowText(const QString& text);

    bool currencyPoint_ = false;
    bool currencyNegative_ = false;
    bool currencySign_ = false;
    char currencySignChar_ = 0;
    int currencySetdigit_ = 0;
    int maxLength_ = 9;
    double value_ = 0;
    QString typed_;
    QString shown_;
};

// The shown form of a typed number; pure so that it can be checked directly.
QString FormatTypedNumber(const QString& typed, bool currencyPoint, bool currencySign, char signChar);

// `value` written out with at most `decimals` places: no exponent, no
// trailing zeros or lone point, "-0" as "0"; "0" for what is no number.
QString DecimalText(double value, int decimals);

} // namespace order
