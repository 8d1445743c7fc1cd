// Gzip members through libdeflate against the previous zlib decoder, with
// the same inflate cap: every member zlib reads must be read to the same
// bytes, and nothing may crash or pass the cap. The first byte chooses how
// the rest is used: as a member as it is, as raw deflate data wrapped in a
// member whose trailer matches what zlib or what libdeflate makes of it (so
// that most runs reach the decoders' whole paths), or as a member followed
// by stray bytes (the trailer is then not at the end).
#include "AnswerPathBaseline.h"
#include "Gzip.h"

#include <libdeflate.h>
#include <zlib.h>

#include <cstdio>
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

// What zlib makes of raw deflate data, up to the cap, and why it stopped.
std::string ZlibInflate(const std::string& in, std::string* why = nullptr)
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
    if (why)
        *why = s.msg ? s.msg : "";
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

// zlib refuses some streams that libdeflate reads: codes 286 and 287 and
// distance codes 30 and 31, more than 286 or 30 code lengths, incomplete
// code-length codes, and the unused half of a one-symbol code. Those are the
// only members on which the two may disagree.
bool ZlibIsStricter(const std::string& member)
{
    std::size_t pos = 10;
    const unsigned flags = static_cast<unsigned char>(member[3]);
    if (flags & 0x04)
        pos += 2 + (static_cast<unsigned char>(member[10]) | (static_cast<unsigned char>(member[11]) << 8));
    for (unsigned bit : { 0x08u, 0x10u })
        if (flags & bit)
            pos = member.find('\0', pos) + 1;
    if (flags & 0x02)
        pos += 2;
    std::string why;
    ZlibInflate(member.substr(pos), &why);
    static const char* const known[] = { "invalid literal/length code", "invalid distance code",
        "too many length or distance symbols", "invalid code lengths set", "invalid bit length repeat",
        "invalid literal/lengths set", "invalid distances set" };
    for (const char* k : known)
        if (why == k) {
            static unsigned long seen = 0;
            if ((++seen & (seen - 1)) == 0) // 1, 2, 4, 8, ...
                std::fprintf(stderr, "libdeflate read a member zlib refuses (%s); %lu so far\n", k, seen);
            return true;
        }
    std::fprintf(stderr, "libdeflate and zlib disagree; zlib says \"%s\"\n", why.c_str());
    return false;
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
    if (b)
        Check(a && fresh == old);
    if (!a)
        Check(fresh.empty());
    else
        Check(fresh.capacity() >= fresh.size() + spare);
    if (a && !b)
        Check(ZlibIsStricter(body));
    return 0;
}
