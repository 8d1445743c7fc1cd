#include "Gzip.h"

#include "DeflateCheck.h"

#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace order {

namespace {

    struct DeflateStream {
        z_stream s {};
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
        z_stream s {};
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

} // namespace

// libdeflate's CRC-32 (carry-less multiplication where the processor has
// it) measures about three times as fast as zlib's here and gives the same
// values.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t size)
{
    return libdeflate_crc32(crc, data, size);
}

unsigned long Crc32(std::string_view data)
{
    return Crc32Update(0, data.data(), data.size());
}

std::string GzipCompress(std::string_view data)
{
    static const char header[10] = { '\x1f', '\x8b', '\x08', 0, 0, 0, 0, 0, 0, 0 };
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

    constexpr std::size_t kBadMember = std::string_view::npos;

    // Where the deflate data of a member starts, or kBadMember when the header
    // is broken or nothing follows it.
    std::size_t DeflateStart(std::string_view data)
    {
        if (data.size() < 10)
            return kBadMember;
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[i]); };
        if (byte(0) != 0x1F || byte(1) != 0x8B || byte(2) != 0x08)
            return kBadMember;
        const unsigned flags = byte(3);
        if (flags & 0xE0)
            return kBadMember;
        std::size_t pos = 10;
        if (flags & 0x04) { // FEXTRA
            if (pos + 2 > data.size())
                return kBadMember;
            const std::size_t xlen = byte(pos) | (std::size_t(byte(pos + 1)) << 8);
            pos += 2;
            if (xlen > data.size() - pos)
                return kBadMember;
            pos += xlen;
        }
        for (unsigned bit : { 0x08u, 0x10u }) { // FNAME, FCOMMENT
            if (flags & bit) {
                const std::size_t zero = data.find('\0', pos);
                if (zero == std::string_view::npos)
                    return kBadMember;
                pos = zero + 1;
            }
        }
        if (flags & 0x02) { // FHCRC
            if (pos + 2 > data.size())
                return kBadMember;
            pos += 2;
        }
        return pos < data.size() ? pos : kBadMember;
    }

    // The trailer behind the deflate data (which ended at `end`) must hold the
    // CRC-32 and the length of what was inflated.
    bool TrailerMatches(std::string_view data, std::size_t end, const std::string& out)
    {
        if (data.size() - end < 8)
            return false;
        const std::uint32_t crc = GetLE32(data, end);
        const std::uint32_t isize = GetLE32(data, end + 4);
        return crc == static_cast<std::uint32_t>(Crc32(out))
            && isize == static_cast<std::uint32_t>(out.size() & 0xFFFFFFFFu);
    }

    // zlib, piece by piece: the size is not known in advance, so the limit is
    // checked as the text grows.
    bool InflateStreaming(
        std::string_view data, std::size_t pos, std::string& out, std::size_t limit, std::size_t& memberEnd)
    {
        out.clear();
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
                return false; // input ended before the deflate stream did
        }
        const std::size_t end = pos + (data.size() - pos - z.s.avail_in);
        memberEnd = end + 8;
        return TrailerMatches(data, end, out);
    }

    // Deflate cannot expand beyond 258 bytes for two bits; a trailer that claims
    // more is not believed (and not allocated for).
    constexpr std::size_t kMaxDeflateRatio = 1032;

    enum class WholeResult { Accepted, Rejected, Unsure };

    // ISA-L inflates a stream that CheckDeflate passed, into exactly `size`
    // bytes, and gives the CRC-32 of what it made. False when it does not
    // make exactly that.
    bool IsalInflate(const char* in, std::size_t inSize, char* out, std::size_t size, std::uint32_t& crc)
    {
        if (inSize > 0xFFFFFFFFu || size > 0xFFFFFFFFu)
            return false;
        thread_local const std::unique_ptr<inflate_state> state = std::make_unique<inflate_state>();
        isal_inflate_init(state.get());
        state->next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(in));
        state->avail_in = static_cast<std::uint32_t>(inSize);
        state->next_out = reinterpret_cast<std::uint8_t*>(out);
        state->avail_out = static_cast<std::uint32_t>(size);
        state->crc_flag = ISAL_GZIP_NO_HDR; // raw deflate, with the CRC-32 of the output
        if (isal_inflate_stateless(state.get()) != ISAL_DECOMP_OK || state->avail_out != 0)
            return false;
        crc = state->crc;
        return true;
    }

    // The usual member ends with its trailer, whose size field then gives the
    // inflated size, and the text is made at that size in one go. When
    // CheckDeflate finds the stream one that zlib reads whole, to exactly
    // that size, ISA-L makes the bytes (about three times as fast as zlib).
    // ISA-L alone would not do: it reads some streams that zlib refuses
    // (incomplete codes), and so does libdeflate (length codes 286 and 287).
    // Otherwise zlib inflates in one call, and when the size is wrong or the
    // stream is broken, zlib decides again piece by piece.
    WholeResult InflateWhole(std::string_view data, std::size_t pos, std::string& out, std::size_t limit,
        std::size_t spare, std::size_t& memberEnd)
    {
        const std::size_t available = data.size() - pos;
        if (available < 9)
            return WholeResult::Unsure;
        const std::size_t stated = GetLE32(data, data.size() - 4);
        if (stated > limit || stated / kMaxDeflateRatio > available)
            return WholeResult::Unsure;
        out.clear();
        out.reserve(stated + spare);
        out.resize(stated);
        DeflateShape shape;
        std::uint32_t crc = 0;
        const auto* const stream = reinterpret_cast<const unsigned char*>(data.data() + pos);
        if (CheckDeflate(stream, available, stated, shape) && shape.size == stated && available - shape.end >= 8
            && IsalInflate(data.data() + pos, shape.end, out.data(), stated, crc)) {
            const std::size_t end = pos + shape.end;
            memberEnd = end + 8;
            return GetLE32(data, end) == crc && GetLE32(data, end + 4) == static_cast<std::uint32_t>(stated)
                ? WholeResult::Accepted
                : WholeResult::Rejected;
        }
        InflateStream z;
        if (!z.ok)
            return WholeResult::Unsure;
        z.s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + pos));
        z.s.avail_in = static_cast<uInt>(std::min<std::size_t>(available, 0xFFFFFFFFu));
        z.s.next_out = reinterpret_cast<Bytef*>(out.data());
        z.s.avail_out = static_cast<uInt>(stated);
        if (inflate(&z.s, Z_FINISH) != Z_STREAM_END)
            return WholeResult::Unsure;
        out.resize(stated - z.s.avail_out);
        const std::size_t end = pos + (available - z.s.avail_in);
        memberEnd = end + 8;
        return TrailerMatches(data, end, out) ? WholeResult::Accepted : WholeResult::Rejected;
    }

} // namespace

namespace {

    // `memberEnd` receives the offset just past the member's trailer.
    bool GunzipAt(std::string_view data, std::string& out, std::size_t limit, std::size_t spare, std::size_t& memberEnd)
    {
        const std::size_t pos = DeflateStart(data);
        if (pos != kBadMember) {
            switch (InflateWhole(data, pos, out, limit, spare, memberEnd)) {
            case WholeResult::Accepted:
                return true;
            case WholeResult::Rejected:
                break;
            case WholeResult::Unsure:
                if (InflateStreaming(data, pos, out, limit, memberEnd)) {
                    out.reserve(out.size() + spare);
                    return true;
                }
                break;
            }
        }
        return false;
    }

    bool DropPartial(std::string& out)
    {
        // A broken member leaves nothing behind, not the part inflated so far.
        out.clear();
        out.shrink_to_fit();
        return false;
    }

} // namespace

bool GunzipMember(std::string_view data, std::string& out, std::size_t limit, std::size_t spare)
{
    std::size_t end = 0;
    return GunzipAt(data, out, limit, spare, end) || DropPartial(out);
}

bool GunzipSoleMember(std::string_view data, std::string& out, std::size_t limit)
{
    std::size_t end = 0;
    return (GunzipAt(data, out, limit, 0, end) && end == data.size()) || DropPartial(out);
}

} // namespace order
