#include "TagMessage.h"

#include <charconv>

namespace order {

namespace {

struct Found {
    std::size_t start = 0;   // 0-based start of the value
    std::size_t length = 0;  // 0 when empty
    std::size_t cut = 0;     // characters to drop for TakeTag (1-based p2)
};

// Positions follow the 1-based arithmetic of the format: p1/p2 are 0 when a
// tag is absent, the value starts at p1 + L and is p2 - p1 - L long.
Found Lookup(std::string_view text, std::string_view opening, std::string_view closing)
{
    Found f;
    const std::size_t q1 = text.find(opening);
    const std::size_t q2 = closing.empty() ? std::string_view::npos : text.find(closing);
    const long long L = static_cast<long long>(opening.size());
    const long long p1 = (q1 == std::string_view::npos || opening.empty()) ? 0 : static_cast<long long>(q1) + 1;
    const long long p2 = (q2 == std::string_view::npos) ? 0 : static_cast<long long>(q2) + 1;
    f.cut = static_cast<std::size_t>(p2);
    long long start = p1 + L;  // 1-based
    long long length = p2 - p1 - L;
    if (length <= 0)
        return f;
    if (start < 1)
        start = 1;
    const long long size = static_cast<long long>(text.size());
    if (start > size)
        return f;
    if (start - 1 + length > size)
        length = size - (start - 1);
    f.start = static_cast<std::size_t>(start - 1);
    f.length = static_cast<std::size_t>(length);
    return f;
}

std::string OpenTag(std::string_view name)
{
    std::string s;
    s.reserve(name.size() + 2);
    s += '<';
    s += name;
    s += '>';
    return s;
}

std::string CloseTag(std::string_view name)
{
    std::string s;
    s.reserve(name.size() + 3);
    s += "</";
    s += name;
    s += '>';
    return s;
}

}  // namespace

std::string BuildTag(std::string_view name, std::string_view value)
{
    std::string s;
    s.reserve(name.size() * 2 + value.size() + 5);
    s += '<';
    s += name;
    s += '>';
    s += value;
    s += "</";
    s += name;
    s += '>';
    return s;
}

std::string WrapPostData(std::string_view elements)
{
    std::string s = "VALUE=<POST_DATA>";
    s += elements;
    s += "</POST_DATA>";
    return s;
}

std::string_view ExtractTagView(std::string_view name, std::string_view text)
{
    const Found f = Lookup(text, OpenTag(name), CloseTag(name));
    return text.substr(f.start, f.length);
}

std::string ExtractTag(std::string_view name, std::string_view text)
{
    return std::string(ExtractTagView(name, text));
}

std::string TakeTag(std::string_view name, std::string& text)
{
    const Found f = Lookup(text, OpenTag(name), CloseTag(name));
    std::string value = text.substr(f.start, f.length);
    text.erase(0, f.cut);
    return value;
}

std::string_view TakeTag(std::string_view name, std::string_view& text)
{
    const Found f = Lookup(text, OpenTag(name), CloseTag(name));
    const std::string_view value = text.substr(f.start, f.length);
    text.remove_prefix(f.cut);
    return value;
}

std::string ExtractBetween(std::string_view text, std::string_view opening, std::string_view closing)
{
    return std::string(ExtractBetweenView(text, opening, closing));
}

std::string_view ExtractBetweenView(std::string_view text, std::string_view opening, std::string_view closing)
{
    const Found f = Lookup(text, opening, closing);
    return text.substr(f.start, f.length);
}

bool IsSuccess(std::string_view answer)
{
    return ExtractTagView("RESULT_CODE", answer) == "1";
}

long long ToIntDef(std::string_view text, long long def)
{
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    std::string_view t = text.substr(b, e - b);
    if (!t.empty() && t.front() == '+')
        t.remove_prefix(1);
    if (t.empty())
        return def;
    long long v = 0;
    const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || ptr != t.data() + t.size())
        return def;
    return v;
}

long long RecordCount(std::string_view answer)
{
    return ToIntDef(ExtractTagView("RESULT_RECORD_COUNT", answer), 0);
}

long long RowsForRecords(std::string_view answer)
{
    long long n = RecordCount(answer);
    if (n <= 0)
        return 0;
    // Every record takes at least "<RDC_0></RDC_0>"; a count beyond what the
    // answer can hold is a broken answer and must not size a grid.
    const long long most = static_cast<long long>(answer.size() / 15);
    if (n > most)
        n = most;
    return n > 0x7fffffff ? 0x7fffffff : n;
}

std::string RecordName(long long index)
{
    return "RDC_" + std::to_string(index);
}

std::string_view RecordWalker::Next()
{
    const std::string name = RecordName(index_++);
    return TakeTag(name, rest_);
}

}  // namespace order
