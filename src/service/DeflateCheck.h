#pragma once

// A read of a raw deflate stream that decodes every code but writes
// nothing: it says whether zlib would inflate the stream whole, and if so
// where the stream ends and how many bytes it makes. Its rules are zlib's
// or stricter (it also turns down incomplete codes, which zlib partly
// allows), so a stream it passes is one zlib reads; a faster decoder may
// then make the bytes, and every other stream is left to zlib.

#include <cstddef>
#include <cstdint>

namespace order {

struct DeflateShape {
    std::size_t end = 0; // bytes of input the stream takes, as zlib counts them
    std::uint64_t size = 0; // bytes it inflates to
};

// True when the deflate stream at data[0, size) is whole and valid for zlib
// and inflates to at most `limit` bytes; false when it is not, or when this
// check is not sure.
bool CheckDeflate(const unsigned char* data, std::size_t size, std::uint64_t limit, DeflateShape& shape);

} // namespace order
