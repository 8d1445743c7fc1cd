// The answer text decoders against plain references on the same bytes: the
// code page 949 table against iconv asked per character, and the UTF-8
// clean-up (copying and in place, and the vector check it starts with)
// against the byte-by-byte clean-up. Their output must be identical for
// every input.
#include "Encoding.h"
#include "TextReference.h"

#include <cstdlib>
#include <string>

using namespace order;

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string cp949 = Cp949ToUtf8(bytes, 40);
    Check(cp949 == textref::Cp949ToUtf8(bytes));
    Check(cp949.capacity() >= cp949.size() + 40);
    Check(FirstInvalidUtf8(cp949) == std::string::npos);

    const std::string clean = textref::CleanUtf8(bytes);
    Check(SanitizeUtf8(bytes) == clean);
    std::string inPlace = bytes;
    SanitizeUtf8InPlace(inPlace);
    Check(inPlace == clean);
    Check((FirstInvalidUtf8(bytes) == std::string::npos) == (clean == bytes));
    Check(IsValidUtf8(bytes) == (clean == bytes));
    Check(IsValidUtf8(cp949));
    return 0;
}
