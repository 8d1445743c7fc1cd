// The stream check that lets ISA-L make an answer's bytes, on raw deflate
// data: a stream it passes is one zlib reads whole, to the same end and the
// same size, and ISA-L makes zlib's bytes of it. Then the whole gunzip of a
// member around the data, with the trailer of what ISA-L makes of it (so
// that streams ISA-L reads and zlib refuses, such as incomplete codes, reach
// the fast path), must give the previous path's verdict and bytes.
#include "GzipTestSupport.h"
#include "DeflateCheck.h"
#include "FuzzSupport.h"
#include "Gzip.h"

#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <memory>
#include <string>

using namespace order;

namespace {

constexpr std::size_t kCap = 1 << 20;

// What ISA-L makes of the data, or nothing when it refuses it.
bool IsalInflate(const std::string& in, std::string& out)
{
    static const std::unique_ptr<inflate_state> state = std::make_unique<inflate_state>();
    isal_inflate_init(state.get());
    out.assign(kCap, '\0');
    state->next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(in.data()));
    state->avail_in = static_cast<std::uint32_t>(in.size());
    state->next_out = reinterpret_cast<std::uint8_t*>(out.data());
    state->avail_out = static_cast<std::uint32_t>(out.size());
    const bool ok = isal_inflate_stateless(state.get()) == ISAL_DECOMP_OK;
    out.resize(out.size() - state->avail_out);
    return ok;
}

// zlib's whole reading: true when the stream ends within the data; `end` is
// the input it took.
bool ZlibWhole(const std::string& in, std::string& out, std::size_t& end)
{
    z_stream s {};
    if (inflateInit2(&s, -15) != Z_OK)
        return false;
    out.assign(kCap, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    s.avail_in = static_cast<uInt>(in.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    const bool whole = inflate(&s, Z_FINISH) == Z_STREAM_END;
    out.resize(out.size() - s.avail_out);
    end = in.size() - s.avail_in;
    inflateEnd(&s);
    return whole;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string in(reinterpret_cast<const char*>(data), size);
    DeflateShape shape;
    if (CheckDeflate(data, size, kCap, shape)) {
        std::string z;
        std::size_t end = 0;
        fuzz::Check(ZlibWhole(in, z, end));
        fuzz::Check(shape.end == end && shape.size == z.size());
        std::string isal;
        fuzz::Check(IsalInflate(in.substr(0, shape.end), isal) && isal == z);
    }

    std::string inflated;
    if (!IsalInflate(in, inflated))
        inflated = fuzz::ZlibInflate(in, kCap);
    std::string member("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x00", 10);
    member += in;
    fuzz::PutLE32(member, static_cast<uint32_t>(Crc32(inflated)));
    fuzz::PutLE32(member, static_cast<uint32_t>(inflated.size()));
    std::string fresh;
    std::string old;
    const bool a = GunzipMember(member, fresh, kCap);
    const bool b = gziptest::ZlibGunzip(member, old, kCap);
    fuzz::Check(a == b && fresh == old);
    return 0;
}
