#include "Gzip.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

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
    // is broken (its CRC included, when it has one) or nothing follows it.
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
        if (flags & 0x02) { // FHCRC: the low half of the CRC-32 of the header before it
            if (pos + 2 > data.size())
                return kBadMember;
            const unsigned stored = byte(pos) | (unsigned(byte(pos + 1)) << 8);
            if ((Crc32Update(0, data.data(), pos) & 0xFFFFu) != stored)
                return kBadMember;
            pos += 2;
        }
        return pos < data.size() ? pos : kBadMember;
    }

    // The trailer behind the deflate data (which ended at `end`) must hold the
    // CRC-32 and the length of what was inflated.
    bool TrailerMatches(std::string_view data, std::size_t end, std::string_view out)
    {
        if (end > data.size() || data.size() - end < 8)
            return false;
        return GetLE32(data, end) == static_cast<std::uint32_t>(Crc32(out))
            && GetLE32(data, end + 4) == static_cast<std::uint32_t>(out.size() & 0xFFFFFFFFu);
    }

    // Deflate makes at most 258 bytes from two bits (a length and a distance
    // code of one bit each), so no stream zlib reads inflates to more than
    // this many times its size.
    constexpr std::size_t kMaxDeflateRatio = 1032;

    struct DecompressorDeleter {
        void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
    };

    enum class Inflated { Whole, NoRoom, Broken };

    // libdeflate inflates the deflate stream at the start of `in` into `out`
    // (room for `room` bytes): `used` gets the input bytes the stream took,
    // `made` the bytes it made.
    Inflated Inflate(std::string_view in, char* out, std::size_t room, std::size_t& used, std::size_t& made)
    {
        thread_local const std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> d(
            libdeflate_alloc_decompressor());
        if (!d)
            return Inflated::Broken;
        switch (libdeflate_deflate_decompress_ex(d.get(), in.data(), in.size(), out, room, &used, &made)) {
        case LIBDEFLATE_SUCCESS:
            return Inflated::Whole;
        case LIBDEFLATE_INSUFFICIENT_SPACE:
            return Inflated::NoRoom;
        default:
            return Inflated::Broken;
        }
    }

    // The first `made` bytes at `bytes`, with `spare` bytes of room behind.
    std::string Text(const char* bytes, std::size_t made, std::size_t spare)
    {
        std::string text;
        text.reserve(made + spare);
        text.assign(bytes, made);
        return text;
    }

    // One member, inflated whole by libdeflate; `memberEnd` receives the
    // offset just past its trailer.
    //
    // Which members are accepted: every member zlib reads (header, deflate
    // data, CRC-32 and size all good, within the limit) gives exactly zlib's
    // bytes, because libdeflate reads every stream zlib reads, to the same
    // bytes and the same end. libdeflate also reads a few streams that zlib
    // refuses (length codes 286 and 287, more than 286 literal/length or 30
    // distance code lengths, a length with no distance code); such a member
    // is accepted only because the trailer's CRC-32 and size both match what
    // libdeflate made, so its bytes are what the sender compressed. Nothing
    // else is accepted: a header or trailer zlib refuses is refused here too.
    bool GunzipAt(std::string_view data, std::string& out, std::size_t limit, std::size_t spare, bool sole,
        std::size_t& memberEnd)
    {
        const std::size_t pos = DeflateStart(data);
        if (pos == kBadMember)
            return false;
        const std::string_view stream = data.substr(pos);
        if (stream.size() < 8)
            return false; // no room for the trailer
        const std::size_t ceiling
            = std::min(limit, stream.size() > SIZE_MAX / kMaxDeflateRatio ? SIZE_MAX : stream.size() * kMaxDeflateRatio);
        std::size_t used = 0;
        std::size_t made = 0;

        // The usual member ends the data, so its last four bytes are the
        // inflated size (modulo 4 GiB), and the text is made at that size in
        // one go. A size field that lies makes libdeflate run out of room, or
        // the trailer not match.
        // libdeflate writes straight into the text; the text is not zeroed
        // first (zeroing 15 MB costs about an eighth of inflating it).
        const std::size_t stated = GetLE32(data, data.size() - 4);
        if (stated <= ceiling) {
            out.reserve(stated + spare);
            Inflated result = Inflated::Broken;
            out.resize_and_overwrite(stated, [&](char* text, std::size_t room) {
                result = Inflate(stream, text, room, used, made);
                return result == Inflated::Whole ? made : 0;
            });
            switch (result) {
            case Inflated::Whole:
                if (made != stated) // made less: the last four bytes were not the size
                    out = Text(out.data(), made, spare);
                memberEnd = pos + used + 8;
                return TrailerMatches(data, pos + used, out);
            case Inflated::Broken:
                return false;
            case Inflated::NoRoom:
                break;
            }
        }
        // The member makes more than its last four bytes say: they lie, or
        // they are not its trailer because other bytes follow the member. A
        // sole member is refused either way; otherwise libdeflate inflates
        // once more with room for everything the limit allows (pages that
        // are never written cost no memory), and the trailer found behind the
        // stream decides.
        if (sole)
            return false;
        const std::unique_ptr<char[]> room(new (std::nothrow) char[std::max<std::size_t>(ceiling, 1)]);
        if (!room || Inflate(stream, room.get(), ceiling, used, made) != Inflated::Whole)
            return false;
        out = Text(room.get(), made, spare);
        memberEnd = pos + used + 8;
        return TrailerMatches(data, pos + used, out);
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
    return GunzipAt(data, out, limit, spare, false, end) || DropPartial(out);
}

bool GunzipSoleMember(std::string_view data, std::string& out, std::size_t limit)
{
    std::size_t end = 0;
    return (GunzipAt(data, out, limit, 0, true, end) && end == data.size()) || DropPartial(out);
}

} // namespace order
