// Gzip members through the client's gunzip against zlib's reading of the
// same member, with the same inflate cap. Where zlib reads the member, the
// client must give exactly zlib's bytes; where zlib refuses it and the
// client accepts it, libdeflate must read it to those bytes and the
// trailer's CRC-32 and size must both match them. Nothing may crash or pass
// the cap. The first byte chooses how the rest is used: as a member as it
// is, as raw deflate data wrapped in a member whose trailer matches what
// zlib or what libdeflate makes of it (so that most runs reach the whole
// inflate, including streams that libdeflate reads and zlib refuses), or as
// a member followed by stray bytes (the trailer is then not at the end).
#include "FuzzSupport.h"
#include "Gzip.h"
#include "GzipTestSupport.h"

#include <libdeflate.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <string>

using namespace order;

namespace {

constexpr std::size_t kCap = 1 << 20;

std::string LibdeflateInflate(const std::string& in)
{
    static libdeflate_decompressor* const d = libdeflate_alloc_decompressor();
    std::string out(kCap, '\0');
    std::size_t n = 0;
    if (libdeflate_deflate_decompress(d, in.data(), in.size(), out.data(), out.size(), &n)
        != LIBDEFLATE_SUCCESS)
        return {};
    out.resize(n);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] & 3) {
    case 1:
        body = gziptest::Member(body, fuzz::ZlibInflate(body, kCap));
        break;
    case 2:
        body = gziptest::Member(body, LibdeflateInflate(body));
        break;
    case 3:
        body += std::string("\0\x01\x02", 3);
        break;
    }
    const std::size_t spare = data[0] >> 2;

    std::string want;
    std::size_t end = 0;
    const bool zlib = gziptest::ZlibGunzip(body, want, kCap, &end);
    std::string got;
    const bool ours = GunzipMember(body, got, kCap, spare);
    std::string sole;
    const bool oursSole = GunzipSoleMember(body, sole, kCap);
    fuzz::Check(got.size() <= kCap);
    if (zlib) {
        fuzz::Check(ours && got == want);
        fuzz::Check(oursSole == (end == body.size()));
    } else if (ours) {
        fuzz::Check(gziptest::LibdeflateReadsWithItsTrailer(body, got));
    }
    if (ours)
        fuzz::Check(got.capacity() >= got.size() + spare);
    else
        fuzz::Check(got.empty());
    fuzz::Check(oursSole ? ours && sole == got : sole.empty());
    return 0;
}
