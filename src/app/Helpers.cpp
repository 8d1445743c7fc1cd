#include "Helpers.h"

#include "DateCode.h"
#include "Messages.h"
#include "TagMessage.h"

namespace order {

QString TodayCodeText()
{
    return QString::fromStdString(TodayCode());
}

QString TrimRight(const QString& s)
{
    qsizetype e = s.size();
    while (e > 0 && s.at(e - 1) == QLatin1Char(' '))
        --e;
    return s.left(e);
}

QString TrimLeft(const QString& s)
{
    qsizetype b = 0;
    while (b < s.size() && s.at(b) == QLatin1Char(' '))
        ++b;
    return s.mid(b);
}

QString Trimmed(const QString& s)
{
    return TrimLeft(TrimRight(s));
}

void ShowBarred(const QString& s)
{
    ShowMessage(QLatin1Char('|') + s + QLatin1Char('|'));
}

QString FormatDateCode(const QString& s)
{
    if (s.size() != 6 || s == QStringLiteral("      "))
        return s;
    return s.mid(0, 2) + QLatin1Char('/') + s.mid(2, 2) + QLatin1Char('/') + s.mid(4, 2);
}

bool CheckDateCode(const QString& s, bool showMessage, bool allowEmpty)
{
    const QString t = TrimRight(s);
    bool result = false;
    if (t.isEmpty()) {
        result = allowEmpty;
    } else if (t.size() == 6) {
        bool digits = s.size() >= 6;
        for (int i = 0; digits && i < 6; ++i)
            digits = s.at(i) >= QLatin1Char('0') && s.at(i) <= QLatin1Char('9');
        if (digits) {
            const int yy = s.mid(0, 2).toInt();
            const int month = s.mid(2, 2).toInt();
            const int day = s.mid(4, 2).toInt();
            static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
            if (month >= 1 && month <= 12) {
                int limit = days[month - 1];
                if (month == 2 && yy % 4 == 0)
                    limit = 29;
                result = day >= 1 && day <= limit;
            }
        }
    }
    if (!result && showMessage) {
        if (!s.isEmpty())
            ShowMessage(QStringLiteral("날짜가 정확하지 않습니다.\r\r             ") + s);
        else
            ShowMessage(QStringLiteral("검색할 날짜가 없습니다."));
    }
    return result;
}

bool IsNameText(const QString& s)
{
    if (s.isEmpty())
        return false;
    const QChar c = s.at(0);
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return false;
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        return false;
    return c != QLatin1Char(' ');
}

bool IsDigitsOnly(const QString& s)
{
    if (s.isEmpty())
        return false;
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

Currency ParseAmount(const QString& s)
{
    QString t = s.trimmed();
    t.remove(QLatin1Char(' '));
    t.remove(QLatin1Char(','));
    t.remove(QLatin1Char('/'));
    t.remove(QLatin1Char(':'));
    if (t.isEmpty())
        return Currency();
    return Currency::Parse(t.toStdString());
}

QString ExtractBetween(const QString& s, const QString& a, const QString& b)
{
    const QByteArray text = s.toUtf8();
    const QByteArray open = a.toUtf8();
    const QByteArray close = b.toUtf8();
    const std::string v = order::ExtractBetween(std::string_view(text.constData(), std::size_t(text.size())),
                                                std::string_view(open.constData(), std::size_t(open.size())),
                                                std::string_view(close.constData(), std::size_t(close.size())));
    return QString::fromStdString(v);
}

Currency ToCurrency(const QString& text)
{
    return Currency::Parse(text.toStdString());
}

QString PlainNumber(Currency v)
{
    return QString::fromStdString(v.ToPlain());
}

QString FormatNumberText(const char* mask, Currency v)
{
    return QString::fromStdString(FormatNumber(mask, v));
}

}  // namespace order
