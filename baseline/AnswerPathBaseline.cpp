#include "AnswerPathBaseline.h"

#include "Encoding.h"
#include "TagMessage.h"

#include <iconv.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace order::baseline {

namespace {

    struct InflateStream {
        z_stream s {};
        bool ok = false;
        InflateStream() { ok = inflateInit2(&s, -15) == Z_OK; }
        ~InflateStream()
        {
            if (ok)
                inflateEnd(&s);
        }
    };

    std::uint32_t GetLE32(std::string_view s, std::size_t pos)
    {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(s[pos + static_cast<std::size_t>(i)]);
        return v;
    }

    bool GunzipInto(std::string_view data, std::string& out, std::size_t limit)
    {
        out.clear();
        if (data.size() < 10)
            return false;
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[i]); };
        if (byte(0) != 0x1F || byte(1) != 0x8B || byte(2) != 0x08)
            return false;
        const unsigned flags = byte(3);
        if (flags & 0xE0)
            return false;
        std::size_t pos = 10;
        if (flags & 0x04) {
            if (pos + 2 > data.size())
                return false;
            const std::size_t xlen = byte(pos) | (std::size_t(byte(pos + 1)) << 8);
            pos += 2;
            if (xlen > data.size() - pos)
                return false;
            pos += xlen;
        }
        for (unsigned bit : { 0x08u, 0x10u }) {
            if (flags & bit) {
                const std::size_t zero = data.find('\0', pos);
                if (zero == std::string_view::npos)
                    return false;
                pos = zero + 1;
            }
        }
        if (flags & 0x02) {
            if (pos + 2 > data.size())
                return false;
            pos += 2;
        }
        if (pos >= data.size())
            return false;

        InflateStream z;
        if (!z.ok)
            return false;
        z.s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + pos));
        z.s.avail_in = static_cast<uInt>(std::min<std::size_t>(data.size() - pos, 0xFFFFFFFFu));
        char buf[64 * 1024];
        int rc = Z_OK;
        while (rc != Z_STREAM_END) {
            z.s.next_out = reinterpret_cast<Bytef*>(buf);
            z.s.avail_out = sizeof buf;
            rc = inflate(&z.s, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END)
                return false;
            const std::size_t produced = sizeof buf - z.s.avail_out;
            if (out.size() + produced > limit)
                return false;
            out.append(buf, produced);
            if (rc == Z_OK && produced == 0 && z.s.avail_in == 0)
                return false;
        }
        const std::size_t end = pos + (data.size() - pos - z.s.avail_in);
        if (data.size() - end < 8)
            return false;
        const std::uint32_t crc = GetLE32(data, end);
        const std::uint32_t isize = GetLE32(data, end + 4);
        return crc == static_cast<std::uint32_t>(Crc32(out))
            && isize == static_cast<std::uint32_t>(out.size() & 0xFFFFFFFFu);
    }

    class Iconv {
    public:
        Iconv(const char* to, const char* from)
            : cd_(iconv_open(to, from))
        {
        }
        ~Iconv()
        {
            if (valid())
                iconv_close(cd_);
        }
        Iconv(const Iconv&) = delete;
        Iconv& operator=(const Iconv&) = delete;
        bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
        iconv_t get() const { return cd_; }
        void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

    private:
        iconv_t cd_;
    };

    constexpr char32_t kReplacement = 0xFFFD;

} // namespace

unsigned long Crc32(std::string_view data)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    std::size_t pos = 0;
    while (pos < data.size()) {
        const uInt chunk = static_cast<uInt>(std::min<std::size_t>(data.size() - pos, 1u << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data() + pos), chunk);
        pos += chunk;
    }
    return crc;
}

bool GunzipMember(std::string_view data, std::string& out, std::size_t limit)
{
    if (GunzipInto(data, out, limit))
        return true;
    out.clear();
    out.shrink_to_fit();
    return false;
}

std::string SanitizeUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[pos]);
        if (b < 0x80) {
            std::size_t end = pos + 1;
            while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) < 0x80)
                ++end;
            out.append(bytes.substr(pos, end - pos));
            pos = end;
            continue;
        }
        char32_t ch = 0;
        const std::size_t n = DecodeUtf8(bytes, pos, ch);
        if (ch == kReplacement && n == 1)
            AppendUtf8(out, kReplacement);
        else
            out.append(bytes.substr(pos, n));
        pos += n;
    }
    return out;
}

std::string Cp949ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    Iconv cd("UTF-8", "CP949");
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[pos]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++pos;
            continue;
        }
        if (!cd.valid() || pos + 1 >= bytes.size()) {
            AppendUtf8(out, kReplacement);
            ++pos;
            continue;
        }
        char in[2] = { bytes[pos], bytes[pos + 1] };
        char buf[8];
        char* inp = in;
        std::size_t inLeft = 2;
        char* outp = buf;
        std::size_t outLeft = sizeof buf;
        cd.reset();
        const std::size_t r = iconv(cd.get(), &inp, &inLeft, &outp, &outLeft);
        if (r == static_cast<std::size_t>(-1) || inLeft != 0) {
            AppendUtf8(out, kReplacement);
            ++pos;
            continue;
        }
        out.append(buf, static_cast<std::size_t>(outp - buf));
        pos += 2;
    }
    return out;
}

bool AssembleGzipAnswer(
    std::string_view body, bool utf8, std::size_t limit, const std::string& tail, std::string& answer)
{
    answer.clear();
    std::string inflated;
    if (!GunzipMember(body, inflated, limit))
        return false;
    std::string text = utf8 ? SanitizeUtf8(inflated) : Cp949ToUtf8(inflated);
    text += '\0';
    answer = text + tail;
    return true;
}

namespace {

    struct ListField {
        int col;
        std::string name;
        std::string opening;
        std::string closing;
    };

    struct TagPositions {
        std::size_t opening = std::string_view::npos;
        std::size_t closing = std::string_view::npos;
    };

    void FindTags(std::string_view record, const std::vector<ListField>& wanted, std::vector<TagPositions>& found)
    {
        constexpr std::size_t npos = std::string_view::npos;
        std::fill(found.begin(), found.end(), TagPositions {});
        std::size_t missing = 2 * wanted.size();
        std::size_t gt = 0;
        bool haveGt = false;
        for (std::size_t p = record.find('<'); p != npos && missing > 0; p = record.find('<', p + 1)) {
            const bool closing = p + 1 < record.size() && record[p + 1] == '/';
            const std::size_t nameStart = p + 1 + (closing ? 1 : 0);
            if (!haveGt || (gt != npos && gt < nameStart)) {
                gt = record.find('>', nameStart);
                haveGt = true;
            }
            if (gt == npos)
                break;
            const std::string_view name = record.substr(nameStart, gt - nameStart);
            for (std::size_t i = 0; i < wanted.size(); ++i) {
                const std::string& w = wanted[i].name;
                if (w.size() != name.size() || w.back() != name.back() || w != name)
                    continue;
                std::size_t& slot = closing ? found[i].closing : found[i].opening;
                if (slot == npos) {
                    slot = p;
                    --missing;
                }
            }
        }
    }

    std::string_view ValueBetween(std::string_view text, const TagPositions& at, std::size_t openingSize)
    {
        constexpr std::size_t npos = std::string_view::npos;
        const long long L = static_cast<long long>(openingSize);
        const long long p1 = at.opening == npos ? 0 : static_cast<long long>(at.opening) + 1;
        const long long p2 = at.closing == npos ? 0 : static_cast<long long>(at.closing) + 1;
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
        if (what.empty())
            return 0;
        const void* at = memmem(text.data(), text.size(), what.data(), what.size());
        return at ? static_cast<std::size_t>(static_cast<const char*>(at) - text.data()) : std::string_view::npos;
    }

    std::string_view TakeRecord(int index, std::string_view& rest)
    {
        char name[32];
        const int n = std::snprintf(name, sizeof name, "<RDC_%d>", index);
        char closeName[32];
        const int m = std::snprintf(closeName, sizeof closeName, "</RDC_%d>", index);
        TagPositions at;
        at.opening = Find(rest, std::string_view(name, static_cast<std::size_t>(n)));
        at.closing = Find(rest, std::string_view(closeName, static_cast<std::size_t>(m)));
        const std::string_view value = ValueBetween(rest, at, static_cast<std::size_t>(n));
        if (at.closing != std::string_view::npos)
            rest.remove_prefix(at.closing + 1);
        return value;
    }

} // namespace

void IndexRecordFields(
    std::string_view text, const std::vector<std::string>& fields, int cols, int rows, FieldSpan* cells)
{
    std::vector<ListField> wanted;
    bool plainNames = true;
    for (int c = 0; c < cols && c < static_cast<int>(fields.size()); ++c) {
        const std::string& name = fields[static_cast<std::size_t>(c)];
        if (name.empty())
            continue;
        wanted.push_back({ c, name, "<" + name + ">", "</" + name + ">" });
        plainNames = plainNames && name.find_first_of("<>") == std::string::npos;
    }

    std::vector<TagPositions> positions(wanted.size());
    std::string_view rest = text;
    for (int r = 0; r < rows; ++r) {
        const std::string_view record = TakeRecord(r, rest);
        if (record.empty())
            continue;
        if (plainNames)
            FindTags(record, wanted, positions);
        FieldSpan* row = cells + static_cast<std::size_t>(r) * static_cast<std::size_t>(cols);
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            const ListField& f = wanted[i];
            const std::string_view value = plainNames ? ValueBetween(record, positions[i], f.opening.size())
                                                      : ExtractBetweenView(record, f.opening, f.closing);
            if (value.empty())
                continue;
            row[f.col].offset = static_cast<std::uint32_t>(value.data() - text.data());
            row[f.col].length = static_cast<std::uint32_t>(value.size());
        }
    }
}

} // namespace order::baseline
