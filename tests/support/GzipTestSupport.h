#pragma once

// Raw deflate data and gzip members made with zlib, and zlib's and
// libdeflate's own readings of a member, for the tests and fuzz targets of
// the answer decoders.

#include <libdeflate.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace gziptest {

inline const std::string kHeader("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x00", 10);

inline std::string LE32(std::uint32_t v)
{
    std::string s;
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// The whole raw deflate stream zlib writes (deflateBound alone is a byte
// short for an empty stored stream, hence the room).
inline std::string RawDeflate(
    const std::string& data, int level = Z_DEFAULT_COMPRESSION, int strategy = Z_DEFAULT_STRATEGY)
{
    z_stream s {};
    deflateInit2(&s, level, Z_DEFLATED, -15, 9, strategy);
    std::string out(deflateBound(&s, data.size()) + 64, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&s, Z_FINISH);
    out.resize(rc == Z_STREAM_END ? s.total_out : 0);
    deflateEnd(&s);
    return out;
}

// The gzip trailer for `inflated`: its CRC-32 and its size.
inline std::string Trailer(const std::string& inflated)
{
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(inflated.data()), static_cast<uInt>(inflated.size()));
    return LE32(static_cast<std::uint32_t>(crc)) + LE32(static_cast<std::uint32_t>(inflated.size()));
}

// A member around the deflate data, with the trailer of `inflated`.
inline std::string Member(const std::string& deflate, const std::string& inflated)
{
    return kHeader + deflate + Trailer(inflated);
}

// zlib's reading of one gzip member, as the reference the client's gunzip is
// held against: zlib parses the header (and checks its CRC when FHCRC is
// set), inflates, and checks the trailer's CRC-32 and size. True when zlib
// reads a whole member that inflates to at most `limit` bytes; `end` gets
// the bytes the member took (bytes behind it are left unread). `out` is
// empty when zlib refuses the member.
inline bool ZlibGunzip(std::string_view member, std::string& out, std::size_t limit, std::size_t* end = nullptr)
{
    out.clear();
    z_stream s {};
    if (inflateInit2(&s, 16 + 15) != Z_OK)
        return false;
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(member.data()));
    s.avail_in = static_cast<uInt>(member.size());
    char buf[64 * 1024];
    int rc = Z_OK;
    bool overLimit = false;
    while (rc == Z_OK) {
        s.next_out = reinterpret_cast<Bytef*>(buf);
        s.avail_out = sizeof buf;
        rc = inflate(&s, Z_NO_FLUSH); // Z_BUF_ERROR once the input ends inside the member
        const std::size_t made = sizeof buf - s.avail_out;
        if (made > limit - out.size()) {
            overLimit = true;
            break;
        }
        out.append(buf, made);
    }
    const bool ok = !overLimit && rc == Z_STREAM_END;
    if (end)
        *end = member.size() - s.avail_in;
    inflateEnd(&s);
    if (!ok)
        out.clear();
    return ok;
}

// libdeflate's gzip reading of the member makes `inflated`, and the trailer
// behind the member's deflate data holds zlib's CRC-32 and the size of it:
// what a member zlib refuses needs before the client may accept it.
inline bool LibdeflateReadsWithItsTrailer(std::string_view member, const std::string& inflated)
{
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    std::string out(inflated.size() + 1, '\0');
    std::size_t used = 0;
    std::size_t made = 0;
    const auto rc = libdeflate_gzip_decompress_ex(d, member.data(), member.size(), out.data(), out.size(), &used, &made);
    libdeflate_free_decompressor(d);
    out.resize(made);
    return rc == LIBDEFLATE_SUCCESS && out == inflated && used >= 8
        && member.substr(used - 8, 8) == Trailer(inflated);
}

} // namespace gziptest
