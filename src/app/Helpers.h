#pragma once

// The small text and date helpers every window uses.

#include "Currency.h"

#include <QString>

namespace order {

QString TodayCodeText();  // "yymmdd"
QString TrimRight(const QString& s);  // without trailing blanks (0x20 only)
QString TrimLeft(const QString& s);   // without leading blanks (0x20 only)
QString Trimmed(const QString& s);    // without blanks (0x20 only) at both ends
void ShowBarred(const QString& s);    // "|" + s + "|" in a message box
QString FormatDateCode(const QString& s);
bool CheckDateCode(const QString& s, bool showMessage, bool allowEmpty);
bool IsNameText(const QString& s);
bool IsDigitsOnly(const QString& s);
Currency ParseAmount(const QString& s);
QString ExtractBetween(const QString& s, const QString& a, const QString& b);

// Numbers of grid cells.
Currency ToCurrency(const QString& text);  // empty or unreadable text = 0
QString PlainNumber(Currency v);           // "1234.5"
QString FormatNumberText(const char* mask, Currency v);

}  // namespace order
