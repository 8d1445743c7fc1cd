#include "ClassLogic.h"

#include "Helpers.h"
#include "TagMessage.h"

#include <algorithm>

namespace order {

std::string ClassesRequest(const std::string& cCode)
{
    return BuildTag("C_CODE", cCode);
}

int ReadClasses(const std::string& answer, int limit, std::array<FixedText<50>, 100>& names)
{
    const long long count = RecordCount(answer);
    const long long most = std::min<long long>({ count, limit, static_cast<long long>(names.size()) });
    RecordWalker records(answer);
    int stored = 0;
    for (long long i = 0; i < most; ++i) {
        const std::string_view record = records.Next();
        const std::string_view value = ExtractTagView("G_GPN1", record);
        const QString name
            = TrimLeft(TrimRight(QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())).left(50)));
        names[static_cast<std::size_t>(i)] = name.isEmpty() ? kUnclassified : name;
        ++stored;
    }
    return stored;
}

} // namespace order
