#include "RecordFields.h"

#include "TagMessage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>

namespace order {

namespace {

    constexpr std::size_t npos = std::string_view::npos;

    // The ExtractTag arithmetic on 0-based positions (npos when a tag is
    // absent): the value starts behind the opening tag and ends before the
    // closing tag; nothing when that length is not positive.
    std::string_view ValueBetween(std::string_view text, std::size_t q1, std::size_t q2, std::size_t openingSize)
    {
        const long long L = static_cast<long long>(openingSize);
        const long long p1 = q1 == npos ? 0 : static_cast<long long>(q1) + 1;
        const long long p2 = q2 == npos ? 0 : static_cast<long long>(q2) + 1;
        long long start = p1 + L;
        long long length = p2 - p1 - L;
        if (length <= 0)
            return {};
        if (start < 1)
            start = 1;
        const long long size = static_cast<long long>(text.size());
        if (start > size)
            return {};
        if (start - 1 + length > size)
            length = size - (start - 1);
        return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length));
    }

    std::size_t Find(std::string_view text, std::string_view what)
    {
        // glibc's memmem (two-way search) rather than find's loop over every
        // occurrence of the first character.
        if (what.empty())
            return 0;
        const void* at = memmem(text.data(), text.size(), what.data(), what.size());
        return at ? static_cast<std::size_t>(static_cast<const char*>(at) - text.data()) : npos;
    }

    // The first (up to) eight bytes of a name as one number, for a compare
    // in one step.
    std::uint64_t Head(const char* p, std::size_t n)
    {
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < n && i < 8; ++i)
            v |= std::uint64_t(static_cast<unsigned char>(p[i])) << (8 * i);
        return v;
    }

    // The same for a name inside the answer, read as one load where the
    // answer has eight bytes left.
    std::uint64_t HeadAt(const char* p, std::size_t n, const char* end)
    {
        if constexpr (std::endian::native == std::endian::little) {
            if (end - p >= 8) {
                std::uint64_t v;
                std::memcpy(&v, p, 8);
                return n >= 8 ? v : v & ((std::uint64_t(1) << (8 * n)) - 1);
            }
        }
        return Head(p, n);
    }

    // The wanted field names, looked up by a tag's name. A tag "<NAME>" is
    // recognised by the text between its "<" and the next ">", which is
    // exact for names that hold neither "<" nor ">" and do not start with
    // "/" (a closing tag); other names are looked up the slow way. A name
    // may fill several columns.
    class FieldNames {
    public:
        struct Field {
            std::string name;
            std::uint64_t head;
            std::vector<int> cols;
        };

        FieldNames(const std::vector<std::string>& fields, int cols)
        {
            for (int c = 0; c < cols && c < static_cast<int>(fields.size()); ++c) {
                const std::string& name = fields[static_cast<std::size_t>(c)];
                if (name.empty())
                    continue;
                const bool odd = name.find_first_of("<>") != std::string::npos || name.front() == '/';
                std::vector<Field>& list = odd ? odd_ : plain_;
                auto same = std::find_if(list.begin(), list.end(), [&](const Field& f) { return f.name == name; });
                if (same != list.end()) {
                    same->cols.push_back(c);
                    continue;
                }
                list.push_back({ name, Head(name.data(), name.size()), { c } });
                if (!odd) {
                    const int index = static_cast<int>(plain_.size()) - 1;
                    (name.size() < kLengths ? byLength_[name.size()] : long_).push_back(index);
                }
            }
        }

        const std::vector<Field>& Plain() const { return plain_; }
        const std::vector<Field>& Odd() const { return odd_; }

        // Index into Plain() of the name, or -1.
        int Match(const char* name, std::size_t size, const char* end) const
        {
            const std::vector<int>& candidates = size < kLengths ? byLength_[size] : long_;
            if (candidates.empty())
                return -1;
            const std::uint64_t head = HeadAt(name, size, end);
            for (const int i : candidates) {
                const Field& f = plain_[static_cast<std::size_t>(i)];
                if (f.head == head && f.name.size() == size
                    && (size <= 8 || std::memcmp(f.name.data() + 8, name + 8, size - 8) == 0))
                    return i;
            }
            return -1;
        }

    private:
        static constexpr std::size_t kLengths = 48;
        std::vector<Field> plain_;
        std::vector<Field> odd_;
        std::array<std::vector<int>, kLengths> byLength_;
        std::vector<int> long_;
    };

    // "<RDC_n>" and "</RDC_n>" without a formatted print per record.
    struct RecordTags {
        char buffer[40];
        std::string_view opening;
        std::string_view closing;

        explicit RecordTags(int index)
        {
            char digits[16];
            const auto end = std::to_chars(digits, digits + sizeof digits, index).ptr;
            const std::size_t n = static_cast<std::size_t>(end - digits);
            std::memcpy(buffer, "</RDC_", 6);
            std::memcpy(buffer + 6, digits, n);
            buffer[6 + n] = '>';
            closing = std::string_view(buffer, 7 + n);
            buffer[20] = '<';
            std::memcpy(buffer + 21, "RDC_", 4);
            std::memcpy(buffer + 25, digits, n);
            buffer[25 + n] = '>';
            opening = std::string_view(buffer + 20, 6 + n);
        }
    };

    // The first `c` in [p, end), or end: eight bytes at a time, as the
    // values between two tags are a few bytes long and a library call for
    // each would cost more than the search.
    const char* FindByte(const char* p, const char* end, char c)
    {
        if constexpr (std::endian::native == std::endian::little) {
            constexpr std::uint64_t kOnes = 0x0101010101010101ull;
            const std::uint64_t pattern = kOnes * static_cast<unsigned char>(c);
            while (end - p >= 8) {
                std::uint64_t v;
                std::memcpy(&v, p, 8);
                v ^= pattern;
                // The lowest set high bit marks the first zero byte exactly.
                const std::uint64_t zero = (v - kOnes) & ~v & 0x8080808080808080ull;
                if (zero)
                    return p + (std::countr_zero(zero) >> 3);
                p += 8;
            }
        }
        while (p < end && *p != c)
            ++p;
        return p;
    }

    bool StartsWith(const char* p, const char* end, std::string_view what)
    {
        return static_cast<std::size_t>(end - p) >= what.size() && std::memcmp(p, what.data(), what.size()) == 0;
    }

} // namespace

void IndexRecordFields(
    std::string_view answer, const std::vector<std::string>& fields, int cols, int rows, FieldSpan* cells)
{
    const FieldNames names(fields, cols);
    const std::size_t wanted = names.Plain().size();
    struct Found {
        std::size_t opening;
        std::size_t closing;
    };
    std::vector<Found> found(wanted);

    const char* const base = answer.data();
    const char* const end = base + answer.size();
    std::size_t restStart = 0; // the walk's remaining text starts here

    for (int r = 0; r < rows; ++r) {
        const RecordTags tags(r);
        const std::string_view rest = answer.substr(restStart);
        FieldSpan* row = cells + static_cast<std::size_t>(r) * static_cast<std::size_t>(cols);
        for (Found& f : found)
            f = { npos, npos };

        // The record's own tags, as the first occurrences in the rest. In a
        // well-formed answer the opening tag is the first "<" of the rest;
        // then no closing tag can come before it, and the one forward scan
        // below finds both the fields and the record's closing tag.
        const char* lt = static_cast<const char*>(std::memchr(rest.data(), '<', rest.size()));
        std::size_t q1 = npos;
        std::size_t q2 = npos;
        bool scanned = false;
        if (lt && StartsWith(lt, end, tags.opening)) {
            q1 = static_cast<std::size_t>(lt - rest.data());
            const std::string_view recordName = tags.closing.substr(2, tags.closing.size() - 3);
            std::size_t missing = 2 * wanted;
            const char* const valueStart = lt + tags.opening.size();
            const char* p = valueStart;
            for (;;) {
                p = FindByte(p, end, '<');
                if (p == end)
                    break;
                const bool closing = p + 1 < end && p[1] == '/';
                const char* name = p + 1 + (closing ? 1 : 0);
                const char* gt = name;
                while (gt < end && *gt != '>' && *gt != '<')
                    ++gt;
                if (gt == end)
                    break;
                if (*gt == '<') {
                    p = gt;
                    continue;
                }
                const std::size_t size = static_cast<std::size_t>(gt - name);
                if (closing && size == recordName.size() && std::memcmp(name, recordName.data(), size) == 0) {
                    q2 = static_cast<std::size_t>(p - rest.data());
                    break;
                }
                if (missing > 0) {
                    const int i = names.Match(name, size, end);
                    if (i >= 0) {
                        std::size_t& slot = closing ? found[static_cast<std::size_t>(i)].closing
                                                    : found[static_cast<std::size_t>(i)].opening;
                        if (slot == npos) {
                            slot = static_cast<std::size_t>(p - valueStart);
                            --missing;
                        }
                    }
                }
                p = gt + 1;
            }
            scanned = true;
        } else {
            q1 = Find(rest, tags.opening);
            q2 = Find(rest, tags.closing);
        }

        const std::string_view record = ValueBetween(rest, q1, q2, tags.opening.size());
        if (q2 != npos)
            restStart += q2 + 1;
        if (record.empty())
            continue;

        const auto store = [&](const FieldNames::Field& f, std::string_view value) {
            if (value.empty())
                return;
            for (const int col : f.cols) {
                row[col].offset = static_cast<std::uint32_t>(value.data() - base);
                row[col].length = static_cast<std::uint32_t>(value.size());
            }
        };
        for (std::size_t i = 0; i < wanted; ++i) {
            const FieldNames::Field& f = names.Plain()[i];
            if (scanned) {
                // Tags found at or past the record's end are not the record's.
                const std::size_t o = found[i].opening < record.size() ? found[i].opening : npos;
                const std::size_t c = found[i].closing < record.size() ? found[i].closing : npos;
                store(f, ValueBetween(record, o, c, f.name.size() + 2));
            } else {
                store(f, ExtractTagView(f.name, record));
            }
        }
        for (const FieldNames::Field& f : names.Odd())
            store(f, ExtractTagView(f.name, record));
    }
}

} // namespace order
