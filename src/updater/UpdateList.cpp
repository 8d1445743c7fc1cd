#include "UpdateList.h"

#include "FileChecksum.h"
#include "TagMessage.h"

#include <QFileInfo>

namespace order {

namespace {

    QString Section(const std::string& text, const char* name)
    {
        const std::string open = std::string("<") + name + ">";
        const std::string close = std::string("</") + name + ">";
        return QString::fromStdString(ExtractBetween(text, open, close));
    }

    QString TrimBlanks(const QString& s)
    {
        qsizetype b = 0;
        qsizetype e = s.size();
        while (b < e && (s[b] == QLatin1Char(' ') || s[b] == QLatin1Char('\t')))
            ++b;
        while (e > b && (s[e - 1] == QLatin1Char(' ') || s[e - 1] == QLatin1Char('\t')))
            --e;
        return s.mid(b, e - b);
    }

} // namespace

UpdateList ReadUpdateList(const QString& text)
{
    const std::string t = text.toStdString();
    return { Section(t, "VERSION"), Section(t, "MODULE"), Section(t, "IMAGE"), Section(t, "MESSAGE") };
}

QStringList SplitListLine(const QString& line)
{
    QStringList fields;
    QString field;
    QChar quote;
    for (const QChar ch : line) {
        if (!quote.isNull()) {
            if (ch == quote)
                quote = QChar();
            else
                field += ch;
        } else if (ch == QLatin1Char('"') || ch == QLatin1Char('\'')) {
            quote = ch;
        } else if (ch == QLatin1Char(',')) {
            fields << TrimBlanks(field);
            field.clear();
        } else {
            field += ch;
        }
    }
    fields << TrimBlanks(field);
    return fields;
}

bool IsSafeFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar ch : name) {
        if (ch == QLatin1Char('/') || ch == QLatin1Char('\\') || ch.unicode() == 0)
            return false;
    }
    // A drive letter ("C:x") names another folder on the system the list was
    // written for.
    if (name.size() >= 2 && name[1] == QLatin1Char(':'))
        return false;
    return true;
}

ParsedSection ParseFileSection(const QString& section)
{
    ParsedSection out;
    QString normalized = section;
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = normalized.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        if (TrimBlanks(line).isEmpty())
            continue;
        const QStringList fields = SplitListLine(line);
        UpdateEntry e { fields.value(0), fields.value(1) };
        if (!IsSafeFileName(e.name)) {
            out.refused << e.name;
            continue;
        }
        out.entries.push_back(e);
    }
    return out;
}

QStringList NamesToFetch(
    const std::vector<UpdateEntry>& entries, const QString& folder, const ChecksumFunction& checksum)
{
    QStringList names;
    for (const UpdateEntry& e : entries) {
        const QString path = folder + e.name;
        const QFileInfo info(path);
        if (!info.exists() || !info.isFile()) {
            names << e.name;
            continue;
        }
        if (ChecksumText(checksum(path)) != e.checksum)
            names << e.name;
    }
    return names;
}

bool VersionMatches(const QString& versionSection, const QString& checksumText)
{
    return versionSection.trimmed() == checksumText;
}

} // namespace order
