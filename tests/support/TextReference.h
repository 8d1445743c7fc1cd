#pragma once

// References for the answer text decoders: iconv's conversion (of a whole
// text, and asked one character at a time with the client's rule for bytes
// it cannot read), and the byte-by-byte UTF-8 clean-up made of DecodeUtf8.

#include "Encoding.h"

#include <iconv.h>

#include <cerrno>

#include <string>
#include <string_view>

namespace textref {

class Iconv {
public:
    explicit Iconv(const char* from)
        : cd_(iconv_open("UTF-8", from))
    {
    }
    ~Iconv()
    {
        if (ok())
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in` (from a fresh state) onto `out`; false, and
    // nothing added, when iconv cannot read all of it.
    bool Convert(std::string_view in, std::string& out)
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        const std::size_t base = out.size();
        char* inp = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        std::size_t made = 0;
        for (std::size_t room = in.size() + in.size() / 2 + 16;; room *= 2) {
            out.resize(base + room);
            char* next = out.data() + base + made;
            std::size_t outLeft = room - made;
            const bool done = iconv(cd_, &inp, &inLeft, &next, &outLeft) != static_cast<std::size_t>(-1);
            made = static_cast<std::size_t>(next - (out.data() + base));
            if (done || errno != E2BIG) {
                const bool read = done && inLeft == 0;
                out.resize(read ? base + made : base);
                return read;
            }
        }
    }

private:
    iconv_t cd_;
};

// iconv's conversion of a whole valid text to UTF-8, in one call; empty
// when iconv cannot read all of it.
inline std::string IconvToUtf8(std::string_view bytes, const char* from)
{
    Iconv cd(from);
    std::string out;
    if (!cd.ok() || !cd.Convert(bytes, out))
        return {};
    return out;
}

// Code page 949 to UTF-8 with iconv asked for each character: ASCII as it
// is; a lead byte with the byte after it as iconv reads the two, and when
// iconv does not read exactly those two, U+FFFD for the lead byte alone.
inline std::string Cp949ToUtf8(std::string_view bytes)
{
    Iconv cd("CP949");
    std::string out;
    for (std::size_t pos = 0; pos < bytes.size();) {
        if (static_cast<unsigned char>(bytes[pos]) < 0x80) {
            out += bytes[pos++];
        } else if (pos + 1 < bytes.size() && cd.ok() && cd.Convert(bytes.substr(pos, 2), out)) {
            pos += 2;
        } else {
            out += "\xEF\xBF\xBD";
            ++pos;
        }
    }
    return out;
}

// UTF-8 read one character at a time: each byte that does not begin a
// valid character becomes U+FFFD.
inline std::string CleanUtf8(std::string_view bytes)
{
    std::string out;
    for (std::size_t pos = 0; pos < bytes.size();) {
        char32_t ch = 0;
        const std::size_t n = order::DecodeUtf8(bytes, pos, ch);
        if (ch == 0xFFFD && n == 1)
            order::AppendUtf8(out, 0xFFFD);
        else
            out.append(bytes.substr(pos, n));
        pos += n;
    }
    return out;
}

} // namespace textref
