#include "Encoding.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <mutex>
#include <unordered_map>
#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace order {

namespace {

    class Iconv {
    public:
        Iconv(const char* to, const char* from)
            : cd_(iconv_open(to, from))
        {
        }
        ~Iconv()
        {
            if (valid())
                iconv_close(cd_);
        }
        Iconv(const Iconv&) = delete;
        Iconv& operator=(const Iconv&) = delete;
        bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
        iconv_t get() const { return cd_; }
        void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

    private:
        iconv_t cd_;
    };

    constexpr char32_t kReplacement = 0xFFFD;

} // namespace

std::size_t DecodeUtf8(std::string_view s, std::size_t pos, char32_t& ch)
{
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        ch = b0;
        return 1;
    }
    std::size_t need = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 1;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 2;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 3;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        ch = kReplacement;
        return 1;
    }
    if (pos + need >= s.size()) {
        ch = kReplacement;
        return 1;
    }
    for (std::size_t i = 1; i <= need; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            ch = kReplacement;
            return 1;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ch = kReplacement;
        return 1;
    }
    ch = cp;
    return need + 1;
}

void AppendUtf8(std::string& out, char32_t ch)
{
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (ch >> 18));
        out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

namespace {

    // Many bytes a step through runs of ASCII, which is most of every answer
    // (the tags).
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

    [[gnu::always_inline]] inline std::size_t SkipAscii(const unsigned char* p, std::size_t pos, std::size_t size)
    {
#if defined(__SSE2__)
        // Sixteen bytes a step: the sign bits are the non-ASCII bytes.
        while (pos + 16 <= size) {
            const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + pos)));
            if (high)
                return pos + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(high)));
            pos += 16;
        }
#endif
        while (pos + 8 <= size) {
            std::uint64_t v;
            std::memcpy(&v, p + pos, 8);
            if (v & kHighBits)
                break;
            pos += 8;
        }
        while (pos < size && p[pos] < 0x80)
            ++pos;
        return pos;
    }

    // Length of the valid UTF-8 character that starts with the byte p[0] >= 0x80,
    // `left` bytes before the end; 0 when DecodeUtf8 would call it invalid.
    [[gnu::always_inline]] inline std::size_t ValidLength(const unsigned char* p, std::size_t left)
    {
        const unsigned b0 = p[0];
        if (b0 < 0xC2)
            return 0;
        if (b0 <= 0xDF)
            return left > 1 && (p[1] & 0xC0) == 0x80 ? 2 : 0;
        if (b0 <= 0xEF) {
            if (left <= 2 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80)
                return 0;
            if ((b0 == 0xE0 && p[1] < 0xA0) || (b0 == 0xED && p[1] > 0x9F))
                return 0; // overlong, or a surrogate
            return 3;
        }
        if (b0 <= 0xF4) {
            if (left <= 3 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80 || (p[3] & 0xC0) != 0x80)
                return 0;
            if ((b0 == 0xF0 && p[1] < 0x90) || (b0 == 0xF4 && p[1] > 0x8F))
                return 0; // overlong, or beyond U+10FFFF
            return 4;
        }
        return 0;
    }

    // Appends bytes[from, end) to out with every invalid byte replaced.
    void AppendSanitized(std::string& out, std::string_view bytes, std::size_t from)
    {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        const std::size_t size = bytes.size();
        std::size_t pos = from;
        while (pos < size) {
            const std::size_t start = pos;
            for (;;) {
                pos = SkipAscii(p, pos, size);
                if (pos >= size)
                    break;
                const std::size_t n = ValidLength(p + pos, size - pos);
                if (n == 0)
                    break;
                pos += n;
            }
            out.append(bytes.substr(start, pos - start));
            if (pos < size) {
                out.append("\xEF\xBF\xBD", 3);
                ++pos;
            }
        }
    }

} // namespace

std::size_t FirstInvalidUtf8(std::string_view bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t pos = 0;
    for (;;) {
        pos = SkipAscii(p, pos, size);
        if (pos >= size)
            return std::string_view::npos;
        // A run of non-ASCII characters (Hangul words) without going back
        // to the ASCII search after each.
        do {
            const std::size_t n = ValidLength(p + pos, size - pos);
            if (n == 0)
                return pos;
            pos += n;
        } while (pos < size && p[pos] >= 0x80);
    }
}

namespace {

#if defined(__x86_64__)
    // Whole-text UTF-8 check, 32 bytes a step, after Keiser and Lemire
    // ("Validating UTF-8 in less than one instruction per byte", 2021): three
    // table lookups on the nibbles of each byte and the byte before it flag
    // every bad pair (continuation without a lead, lead without enough
    // continuations, overlong forms, surrogates, beyond U+10FFFF), and the
    // bytes two and three back say where a third or fourth byte must follow.
    // It tells the same valid texts apart as ValidLength does byte by byte.
    namespace lookup {
        constexpr char kTooShort = 1 << 0;
        constexpr char kTooLong = 1 << 1;
        constexpr char kOverlong3 = 1 << 2;
        constexpr char kTooLarge = 1 << 3;
        constexpr char kSurrogate = 1 << 4;
        constexpr char kOverlong2 = 1 << 5;
        constexpr char kTooLarge1000 = 1 << 6;
        constexpr char kOverlong4 = 1 << 6;
        constexpr char kTwoConts = static_cast<char>(1 << 7);
        constexpr char kCarry = kTooShort | kTooLong | kTwoConts;
    }

    __attribute__((target("avx2"))) inline __m256i Before(__m256i in, __m256i prev, int n)
    {
        // The bytes n places back, reaching into the previous 32 bytes.
        const __m256i joined = _mm256_permute2x128_si256(prev, in, 0x21);
        switch (n) {
        case 1:
            return _mm256_alignr_epi8(in, joined, 15);
        case 2:
            return _mm256_alignr_epi8(in, joined, 14);
        default:
            return _mm256_alignr_epi8(in, joined, 13);
        }
    }

    __attribute__((target("avx2"))) bool ValidUtf8Avx2(const char* data, std::size_t size)
    {
        using namespace lookup;
        const __m256i byte1High = _mm256_setr_epi8(kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
            kTooLong, kTooLong, kTwoConts, kTwoConts, kTwoConts, kTwoConts, kTooShort | kOverlong2, kTooShort,
            kTooShort | kOverlong3 | kSurrogate, kTooShort | kTooLarge | kTooLarge1000 | kOverlong4, kTooLong,
            kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTwoConts, kTwoConts, kTwoConts,
            kTwoConts, kTooShort | kOverlong2, kTooShort, kTooShort | kOverlong3 | kSurrogate,
            kTooShort | kTooLarge | kTooLarge1000 | kOverlong4);
        constexpr char kBig = kCarry | kTooLarge | kTooLarge1000;
        const __m256i byte1Low = _mm256_setr_epi8(kCarry | kOverlong3 | kOverlong2 | kOverlong4,
            kCarry | kOverlong2, kCarry, kCarry, kCarry | kTooLarge, kBig, kBig, kBig, kBig, kBig, kBig, kBig, kBig,
            kBig | kSurrogate, kBig, kBig, kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2,
            kCarry, kCarry, kCarry | kTooLarge, kBig, kBig, kBig, kBig, kBig, kBig, kBig, kBig, kBig | kSurrogate,
            kBig, kBig);
        constexpr char kCont1000 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4;
        constexpr char kCont1001 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge;
        constexpr char kCont101 = kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge;
        const __m256i byte2High = _mm256_setr_epi8(kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
            kTooShort, kTooShort, kTooShort, kCont1000, kCont1001, kCont101, kCont101, kTooShort, kTooShort,
            kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
            kTooShort, kCont1000, kCont1001, kCont101, kCont101, kTooShort, kTooShort, kTooShort, kTooShort);
        // A lead byte among the last three that its continuations do not
        // follow within the 32 bytes.
        const __m256i lastLeads = _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
            -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, static_cast<char>(0xF0 - 1),
            static_cast<char>(0xE0 - 1), static_cast<char>(0xC0 - 1));
        const __m256i nibble = _mm256_set1_epi8(0x0F);

        __m256i prev = _mm256_setzero_si256();
        __m256i incomplete = _mm256_setzero_si256();
        __m256i error = _mm256_setzero_si256();
        const auto step = [&](__m256i in) __attribute__((target("avx2"))) {
            if (_mm256_movemask_epi8(in) == 0) {
                error = _mm256_or_si256(error, incomplete);
                incomplete = _mm256_setzero_si256();
                prev = in;
                return;
            }
            const __m256i prev1 = Before(in, prev, 1);
            const __m256i special = _mm256_and_si256(
                _mm256_and_si256(
                    _mm256_shuffle_epi8(byte1High, _mm256_and_si256(_mm256_srli_epi16(prev1, 4), nibble)),
                    _mm256_shuffle_epi8(byte1Low, _mm256_and_si256(prev1, nibble))),
                _mm256_shuffle_epi8(byte2High, _mm256_and_si256(_mm256_srli_epi16(in, 4), nibble)));
            const __m256i third = _mm256_subs_epu8(Before(in, prev, 2), _mm256_set1_epi8(0xE0 - 0x80));
            const __m256i fourth = _mm256_subs_epu8(Before(in, prev, 3), _mm256_set1_epi8(0xF0 - 0x80));
            const __m256i must23 = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(kTwoConts));
            error = _mm256_or_si256(error, _mm256_xor_si256(must23, special));
            incomplete = _mm256_subs_epu8(in, lastLeads);
            prev = in;
        };
        std::size_t pos = 0;
        for (; pos + 32 <= size; pos += 32)
            step(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + pos)));
        if (pos < size) {
            char tail[32] = {}; // padded with NULs, which are ASCII
            std::memcpy(tail, data + pos, size - pos);
            step(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(tail)));
        }
        error = _mm256_or_si256(error, incomplete);
        return _mm256_testz_si256(error, error) != 0;
    }
#endif

} // namespace

bool IsValidUtf8(std::string_view bytes)
{
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        return ValidUtf8Avx2(bytes.data(), bytes.size());
#endif
    return FirstInvalidUtf8(bytes) == std::string_view::npos;
}

std::string SanitizeUtf8(std::string_view bytes)
{
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    const std::size_t first = FirstInvalidUtf8(bytes);
    std::string out;
    out.reserve(bytes.size() + 16);
    out.append(bytes.substr(0, first));
    AppendSanitized(out, bytes, first);
    return out;
}

void SanitizeUtf8InPlace(std::string& text)
{
    if (IsValidUtf8(text))
        return;
    const std::size_t first = FirstInvalidUtf8(text);
    if (first == std::string_view::npos)
        return;
    std::string out;
    out.reserve(std::max(text.capacity(), text.size() + 16));
    out.append(text, 0, first);
    AppendSanitized(out, text, first);
    text.swap(out);
}

namespace {

    // What the code page 949 conversion makes of every lead byte 0x80-0xFF with
    // every following byte, asked of iconv once: the characters iconv reads from
    // the two bytes, or kNoPair when it reads none (then only the lead byte is
    // replaced, and the next byte is read on its own).
    constexpr std::uint8_t kNoPair = 0xFF;

    struct Cp949Table {
        std::uint8_t length[128 * 256];
        char utf8[128 * 256][8];
    };

    std::unique_ptr<Cp949Table> BuildCp949Table()
    {
        auto t = std::make_unique<Cp949Table>();
        std::memset(t->length, kNoPair, sizeof t->length);
        Iconv cd("UTF-8", "CP949");
        if (!cd.valid())
            return t;
        for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
            for (unsigned next = 0; next <= 0xFF; ++next) {
                const std::size_t i = ((lead - 0x80) << 8) | next;
                char in[2] = { static_cast<char>(lead), static_cast<char>(next) };
                char* inp = in;
                std::size_t inLeft = 2;
                char* outp = t->utf8[i];
                std::size_t outLeft = sizeof t->utf8[i];
                cd.reset();
                const std::size_t r = iconv(cd.get(), &inp, &inLeft, &outp, &outLeft);
                if (r != static_cast<std::size_t>(-1) && inLeft == 0)
                    t->length[i] = static_cast<std::uint8_t>(outp - t->utf8[i]);
            }
        }
        return t;
    }

    const Cp949Table& Cp949()
    {
        static const std::unique_ptr<Cp949Table> table = BuildCp949Table();
        return *table;
    }

} // namespace

std::string Cp949ToUtf8(std::string_view bytes, std::size_t spare)
{
    const Cp949Table& t = Cp949();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();

    // First the exact length, so that the text is made once at its size.
    std::size_t length = 0;
    for (std::size_t pos = 0;;) {
        const std::size_t ascii = SkipAscii(p, pos, size);
        length += ascii - pos;
        pos = ascii;
        if (pos >= size)
            break;
        const std::uint8_t n = pos + 1 < size ? t.length[((p[pos] - 0x80u) << 8) | p[pos + 1]] : kNoPair;
        if (n == kNoPair) {
            length += 3;
            ++pos;
        } else {
            length += n;
            pos += 2;
        }
    }

    // Table entries are copied eight bytes at a time and ASCII sixteen at a
    // time; the last copy may write up to fifteen bytes past the text, into
    // room made for it.
    constexpr std::size_t kSlack = 16;
    std::string out;
    out.reserve(length + std::max(spare, kSlack));
    out.resize(length + kSlack);
    char* o = out.data();
    for (std::size_t pos = 0; pos < size;) {
        if (p[pos] < 0x80) {
#if defined(__SSE2__)
            if (pos + 16 <= size) {
                // Copy sixteen bytes and keep those before the first
                // non-ASCII one.
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + pos));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);
                const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
                const std::size_t n = high ? static_cast<std::size_t>(std::countr_zero(high)) : 16;
                o += n;
                pos += n;
                continue;
            }
#endif
            *o++ = static_cast<char>(p[pos++]);
            continue;
        }
        const std::size_t i = pos + 1 < size ? ((p[pos] - 0x80u) << 8) | p[pos + 1] : 0;
        const std::uint8_t n = pos + 1 < size ? t.length[i] : kNoPair;
        if (n == kNoPair) {
            std::memcpy(o, "\xEF\xBF\xBD", 3);
            o += 3;
            ++pos;
        } else {
            std::memcpy(o, t.utf8[i], 8);
            o += n;
            pos += 2;
        }
    }
    out.resize(length);
    return out;
}

std::string Utf8ToCp949(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    Iconv cd("CP949", "UTF-8");
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t ch = 0;
        const std::size_t n = DecodeUtf8(utf8, pos, ch);
        if (ch < 0x80) {
            out += static_cast<char>(ch);
        } else if (ch == kReplacement || !cd.valid()) {
            out += '?';
        } else {
            std::string one;
            AppendUtf8(one, ch);
            char* inp = one.data();
            std::size_t inLeft = one.size();
            char buf[8];
            char* outp = buf;
            std::size_t outLeft = sizeof buf;
            cd.reset();
            const std::size_t r = iconv(cd.get(), &inp, &inLeft, &outp, &outLeft);
            if (r == static_cast<std::size_t>(-1) || inLeft != 0)
                out += '?';
            else
                out.append(buf, static_cast<std::size_t>(outp - buf));
        }
        pos += n;
    }
    return out;
}

std::size_t Cp949Width(char32_t ch)
{
    if (ch < 0x80)
        return 1;
    // Hangul syllables are all in code page 949 (unified Hangul code).
    if (ch >= 0xAC00 && ch <= 0xD7A3)
        return 2;
    static std::mutex m;
    static std::unordered_map<char32_t, std::size_t> cache;
    std::lock_guard lock(m);
    if (auto it = cache.find(ch); it != cache.end())
        return it->second;
    std::string one;
    AppendUtf8(one, ch);
    const std::size_t w = Utf8ToCp949(one).size();
    cache.emplace(ch, w);
    return w;
}

std::string CutToCp949Bytes(std::string_view utf8, std::size_t maxBytes)
{
    std::size_t used = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t ch = 0;
        const std::size_t n = DecodeUtf8(utf8, pos, ch);
        const std::size_t w = Cp949Width(ch);
        if (used + w > maxBytes)
            break;
        used += w;
        pos += n;
    }
    return std::string(utf8.substr(0, pos));
}

} // namespace order
