#pragma once

// What the gzip fuzz targets share: a check that ends the run, writing a
// little-endian word, and zlib's reading of raw deflate data up to a cap.

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace fuzz {

inline void Check(bool ok)
{
    if (!ok)
        std::abort();
}

inline void PutLE32(std::string& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// What zlib makes of raw deflate data, up to (a little past) the cap.
inline std::string ZlibInflate(const std::string& in, std::size_t cap)
{
    z_stream s {};
    if (inflateInit2(&s, -15) != Z_OK)
        return {};
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    s.avail_in = static_cast<uInt>(in.size());
    std::string out;
    char buf[16384];
    int rc = Z_OK;
    while (rc == Z_OK && out.size() <= cap) {
        s.next_out = reinterpret_cast<Bytef*>(buf);
        s.avail_out = sizeof buf;
        rc = inflate(&s, Z_NO_FLUSH);
        out.append(buf, sizeof buf - s.avail_out);
        if (rc == Z_OK && s.avail_in == 0 && s.avail_out != 0)
            break; // the input ended inside the stream
    }
    inflateEnd(&s);
    return out;
}

} // namespace fuzz
