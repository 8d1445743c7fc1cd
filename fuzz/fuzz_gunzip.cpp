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
#include "FuzzSupport.h"
#include "Gzip.h"

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
    fuzz::PutLE32(member, static_cast<uint32_t>(Crc32(inflated)));
    fuzz::PutLE32(member, static_cast<uint32_t>(inflated.size()));
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
        body = Wrap(body, fuzz::ZlibInflate(body, kCap));
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
    fuzz::Check(fresh.size() <= kCap);
    fuzz::Check(a == b && fresh == old);
    if (a)
        fuzz::Check(fresh.capacity() >= fresh.size() + spare);
    return 0;
}
