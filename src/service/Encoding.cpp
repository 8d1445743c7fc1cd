#include "Encoding.h"

#include <cerrno>
#include <iconv.h>
#include <mutex>
#include <unordered_map>

namespace order {

namespace {

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
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

}  // namespace

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

std::string SanitizeUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        // Copy runs of ASCII quickly; most answers are mostly ASCII tags.
        const auto b = static_cast<unsigned char>(bytes[pos]);
        if (b < 0x80) {
            std::size_t end = pos + 1;
            while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) < 0x80)
                ++end;
            out.append(bytes.substr(pos, end - pos));
            pos = end;
            continue;
        }
        char32_t ch = 0;
        const std::size_t n = DecodeUtf8(bytes, pos, ch);
        if (ch == kReplacement && n == 1)
            AppendUtf8(out, kReplacement);
        else
            out.append(bytes.substr(pos, n));
        pos += n;
    }
    return out;
}

std::string Cp949ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    Iconv cd("UTF-8", "CP949");
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[pos]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++pos;
            continue;
        }
        if (!cd.valid() || pos + 1 >= bytes.size()) {
            AppendUtf8(out, kReplacement);
            ++pos;
            continue;
        }
        char in[2] = {bytes[pos], bytes[pos + 1]};
        char buf[8];
        char* inp = in;
        std::size_t inLeft = 2;
        char* outp = buf;
        std::size_t outLeft = sizeof buf;
        cd.reset();
        const std::size_t r = iconv(cd.get(), &inp, &inLeft, &outp, &outLeft);
        if (r == static_cast<std::size_t>(-1) || inLeft != 0) {
            AppendUtf8(out, kReplacement);
            ++pos;
            continue;
        }
        out.append(buf, static_cast<std::size_t>(outp - buf));
        pos += 2;
    }
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

}  // namespace order
