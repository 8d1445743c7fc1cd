#include "MainLogic.h"

#include "TagMessage.h"

namespace order {

QString LaunchMessage(const QStringList& arguments)
{
    if (arguments.size() < 3)
        return {};
    QString m = arguments.at(2);
    m.replace(QLatin1Char('/'), QStringLiteral("\r\n"));
    m.replace(QLatin1Char('^'), QLatin1Char(' '));
    return m;
}

std::string NoticesRequest()
{
    return BuildTag("GM_GC", "999999") + BuildTag("ORDERBY", "GM_NO ASC");
}

long long ReadNotices(const std::string& answer, TNotices& notices)
{
    for (QString& n : notices)
        n.clear();
    const long long count = RecordCount(answer);
    RecordWalker walker(answer);
    for (long long i = 0; i < count && i < kNoticeSlots; ++i) {
        const std::string_view record = walker.Next();
        const std::string_view note = ExtractTagView("GM_NOTE", record);
        notices[std::size_t(i)] = QString::fromUtf8(note.data(), qsizetype(note.size()));
    }
    return count;
}

} // namespace order
