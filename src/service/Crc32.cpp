#include "Gzip.h"

#include <libdeflate.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace order {

namespace {

#if defined(__x86_64__)
    // CRC-32 by folding 256 bytes a step with 512-bit carry-less
    // multiplication (Intel's "Fast CRC Computation for Generic Polynomials
    // Using PCLMULQDQ", widened to four 512-bit lanes). The constants are
    // x^n mod P(x) for the gzip polynomial, bit-reflected and shifted left
    // once: n = 2048 ± 32 fold the four lanes, 512 ± 32 fold lane into lane,
    // 128 ± 32, 64 and 32 shrink the last 128 bits, and P' with mu reduce
    // them (Barrett) to 32 bits.
    //
    // Each 128-bit lane of x times the two halves of k, which moves it 2048
    // or 512 bits on.
    __attribute__((target("avx512f,vpclmulqdq"), always_inline)) inline __m512i fold(__m512i x, __m512i k)
    {
        return _mm512_xor_si512(_mm512_clmulepi64_epi128(x, k, 0x00), _mm512_clmulepi64_epi128(x, k, 0x11));
    }

    // `crc` is the register, not the finished value (no ones' complement);
    // `size` is a multiple of 64 and at least 256.
    __attribute__((target("avx512f,avx512dq,avx512vl,vpclmulqdq,pclmul,sse4.1"))) std::uint32_t Fold512(
        std::uint32_t crc, const unsigned char* p, std::size_t size)
    {
        const __m512i k2048 = _mm512_set4_epi64(0x01322d1430, 0x011542778a, 0x01322d1430, 0x011542778a);
        const __m512i k512 = _mm512_set4_epi64(0x01c6e41596, 0x0154442bd4, 0x01c6e41596, 0x0154442bd4);
        const __m128i k128 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
        const __m128i k64 = _mm_set_epi64x(0, 0x0163cd6124);
        const __m128i barrett = _mm_set_epi64x(0x01f7011641, 0x01db710641);
        const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);

        __m512i x1 = _mm512_loadu_si512(p);
        __m512i x2 = _mm512_loadu_si512(p + 64);
        __m512i x3 = _mm512_loadu_si512(p + 128);
        __m512i x4 = _mm512_loadu_si512(p + 192);
        x1 = _mm512_xor_si512(x1, _mm512_inserti32x4(_mm512_setzero_si512(), _mm_cvtsi32_si128(static_cast<int>(crc)), 0));
        p += 256;
        size -= 256;
        for (; size >= 256; p += 256, size -= 256) {
            x1 = _mm512_xor_si512(fold(x1, k2048), _mm512_loadu_si512(p));
            x2 = _mm512_xor_si512(fold(x2, k2048), _mm512_loadu_si512(p + 64));
            x3 = _mm512_xor_si512(fold(x3, k2048), _mm512_loadu_si512(p + 128));
            x4 = _mm512_xor_si512(fold(x4, k2048), _mm512_loadu_si512(p + 192));
        }
        x1 = _mm512_xor_si512(fold(x1, k512), x2);
        x1 = _mm512_xor_si512(fold(x1, k512), x3);
        x1 = _mm512_xor_si512(fold(x1, k512), x4);
        for (; size >= 64; p += 64, size -= 64)
            x1 = _mm512_xor_si512(fold(x1, k512), _mm512_loadu_si512(p));

        // 512 bits to 128, one 128-bit lane at a time. (Masked extracts
        // with every lane kept: the plain ones make GCC 12 warn of nothing.)
        __m128i a = _mm512_maskz_extracti32x4_epi32(0xF, x1, 0);
        const auto fold128 = [&](__m128i next) __attribute__((target("pclmul"))) {
            a = _mm_xor_si128(
                _mm_xor_si128(_mm_clmulepi64_si128(a, k128, 0x00), _mm_clmulepi64_si128(a, k128, 0x11)), next);
        };
        fold128(_mm512_maskz_extracti32x4_epi32(0xF, x1, 1));
        fold128(_mm512_maskz_extracti32x4_epi32(0xF, x1, 2));
        fold128(_mm512_maskz_extracti32x4_epi32(0xF, x1, 3));

        // 128 bits to 64, then Barrett reduction to 32.
        a = _mm_xor_si128(_mm_srli_si128(a, 8), _mm_clmulepi64_si128(a, k128, 0x10));
        a = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(a, low32), k64, 0x00), _mm_srli_si128(a, 4));
        __m128i t = _mm_clmulepi64_si128(_mm_and_si128(a, low32), barrett, 0x10);
        t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), barrett, 0x00);
        return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(a, t), 1));
    }

    bool HasFold512()
    {
        static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq")
            && __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("vpclmulqdq")
            && __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
        return has;
    }
#endif

    // The fold starts from four 64-byte lanes; from there on it is the
    // faster one (about twice libdeflate's speed at 256 bytes).
    constexpr std::size_t kFoldFrom = 256;

} // namespace

// Debian 12's libdeflate folds 16 bytes a step with carry-less
// multiplication (about 14 GB/s here); where the processor multiplies 512
// bits at a time, the long middle of the data is folded 256 bytes a step
// instead, and libdeflate takes the rest. Both give zlib's values.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t size)
{
    const auto* p = static_cast<const unsigned char*>(data);
#if defined(__x86_64__)
    if (size >= kFoldFrom && HasFold512()) {
        const std::size_t folded = size & ~std::size_t(63);
        crc = ~Fold512(~crc, p, folded);
        p += folded;
        size -= folded;
    }
#endif
    return libdeflate_crc32(crc, p, size);
}

unsigned long Crc32(std::string_view data)
{
    return Crc32Update(0, data.data(), data.size());
}

} // namespace order
