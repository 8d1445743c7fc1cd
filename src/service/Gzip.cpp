#include "Gzip.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace order {

namespace {

struct DeflateStream {
    z_stream s{};
    bool ok = false;
    DeflateStream()
    {
        // Negative window bits give a raw deflate stream: the gzip header and
        // trailer are written by hand so that every byte of them is fixed.
        ok = deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~DeflateStream()
    {
        if (ok)
            deflateEnd(&s);
    }
};

struct InflateStream {
    z_stream s{};
    bool ok = false;
    InflateStream() { ok = inflateInit2(&s, -15) == Z_OK; }
    ~InflateStream()
    {
        if (ok)
            inflateEnd(&s);
    }
};

void PutLE32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t GetLE32(std::string_view s, std::size_t pos)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(s[pos + static_cast<std::size_t>(i)]);
    return v;
}

}  // namespace

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

std::string GzipCompress(std::string_view data)
{
    static const char header[10] = {'\x1f', '\x8b', '\x08', 0, 0, 0, 0, 0, 0, 0};
    std::string out(header, sizeof header);
    DeflateStream d;
    if (!d.ok)
        return {};
    d.s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    d.s.avail_in = static_cast<uInt>(data.size());
    const uLong bound = deflateBound(&d.s, static_cast<uLong>(data.size()));
    const std::size_t base = out.size();
    out.resize(base + bound);
    d.s.next_out = reinterpret_cast<Bytef*>(out.data() + base);
    d.s.avail_out = static_cast<uInt>(bound);
    int rc = Z_OK;
    while (rc == Z_OK)
        rc = deflate(&d.s, Z_FINISH);
    if (rc != Z_STREAM_END)
        return {};
    out.resize(base + d.s.total_out);
    PutLE32(out, static_cast<std::uint32_t>(Crc32(data)));
    PutLE32(out, static_cast<std::uint32_t>(data.size() & 0xFFFFFFFFu));
    return out;
}

namespace {

// `end` receives the offset just past the member's trailer.
bool GunzipInto(std::string_view data, std::string& out, std::size_t limit, std::size_t& end);

bool DropPartial(std::string& out)
{
    // A broken member leaves nothing behind, not the part inflated so far.
    out.clear();
    out.shrink_to_fit();
    return false;
}

}  // namespace

bool GunzipMember(std::string_view data, std::string& out, std::size_t limit)
{
    std::size_t end = 0;
    return GunzipInto(data, out, limit, end) || DropPartial(out);
}

bool GunzipSoleMember(std::string_view data, std::string& out, std::size_t limit)
{
    std::size_t end = 0;
    return (GunzipInto(data, out, limit, end) && end == data.size()) || DropPartial(out);
}

namespace {

bool GunzipInto(std::string_view data, std::string& out, std::size_t limit, std::size_t& memberEnd)
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
    if (flags & 0x04) {  // FEXTRA
        if (pos + 2 > data.size())
            return false;
        const std::size_t xlen = byte(pos) | (std::size_t(byte(pos + 1)) << 8);
        pos += 2;
        if (xlen > data.size() - pos)
            return false;
        pos += xlen;
    }
    for (unsigned bit : {0x08u, 0x10u}) {  // FNAME, FCOMMENT
        if (flags & bit) {
            const std::size_t zero = data.find('\0', pos);
            if (zero == std::string_view::npos)
                return false;
            pos = zero + 1;
        }
    }
    if (flags & 0x02) {  // FHCRC
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
            return false;  // input ended before the deflate stream did
    }
    const std::size_t end = pos + (data.size() - pos - z.s.avail_in);
    if (data.size() - end < 8)
        return false;
    const std::uint32_t crc = GetLE32(data, end);
    const std::uint32_t isize = GetLE32(data, end + 4);
    memberEnd = end + 8;
    return crc == static_cast<std::uint32_t>(Crc32(out)) && isize == static_cast<std::uint32_t>(out.size() & 0xFFFFFFFFu);
}

}  // namespace

}  // namespace order
