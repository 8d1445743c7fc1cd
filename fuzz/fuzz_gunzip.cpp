// Gzip members through the whole-member decoder against the previous
// piece-by-piece decoder, with the same inflate cap: both must give the same
// verdict and the same bytes for every input, and nothing may crash or pass
// the cap. The first byte chooses how
// the rest is used: as a member as it is, as raw deflate data wrapped in a
// member whose trailer matches what zlib or what libdeflate makes of it (so
// that most runs reach the decoders' whole paths, including streams that
// libdeflate reads and zlib refuses), or as a member followed
// by stray bytes (the trailer is then not at the end).
#include "AnswerPathBaseline.h"
#include "Gzip.h"

#include <libdeflate.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <string>

using namespace order;

namespace {

constexpr std::size_t kCap = 1 << 20;

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void PutLE32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// What zlib makes of raw deflate data, up to the cap.
std::string ZlibInflate(const std::string& in)
{
    z_stream s {};
    if (inflateInit2(&s, -15) != Z_OK)
        return {};
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    s.avail_in = static_cast<uInt>(in.size());
    std::string out;
    char buf[16384];
    int rc = Z_OK;
    while (rc == Z_OK && out.size() <= kCap) {
        s.next_out = reinterpret_cast<Bytef*>(buf);
        s.avail_out = sizeof buf;
        rc = inflate(&s, Z_NO_FLUSH);
        out.append(buf, sizeof buf - s.avail_out);
        if (rc == Z_OK && s.avail_in == 0 && s.avail_out != 0)
            break;
    }
    inflateEnd(&s);
    return out;
}

std::string LibdeflateInflate(const std::string& in)
{
    static libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    std::string out(kCap, '\0');
    std::size_t n = 0;
    if (libdeflate_deflate_decompress(d, in.data(), in.size(), out.data(), out.size(), &n) != LIBDEFLATE_SUCCESS)
        return {};
    out.resize(n);
    return out;
}

std::string Wrap(const std::string& deflate, const std::string& inflated)
{
    std::string member("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x00", 10);
    member += deflate;
    PutLE32(member, static_cast<uint32_t>(Crc32(inflated)));
    PutLE32(member, static_cast<uint32_t>(inflated.size()));
    return member;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] & 3) {
    case 1:
        body = Wrap(body, ZlibInflate(body));
        break;
    case 2:
        body = Wrap(body, LibdeflateInflate(body));
        break;
    case 3:
        body += std::string("\0\x01\x02", 3);
        break;
    }
    const std::size_t spare = data[0] >> 2;

    std::string fresh;
    std::string old;
    const bool a = GunzipMember(body, fresh, kCap, spare);
    const bool b = baseline::GunzipMember(body, old, kCap);
    Check(fresh.size() <= kCap);
    Check(a == b && fresh == old);
    if (a)
        Check(fresh.capacity() >= fresh.size() + spare);
    return 0;
}
