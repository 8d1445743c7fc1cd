#include "Currency.h"

#include <cctype>
#include <cstdlib>

namespace order {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Round n / d to nearest, halves to even; d > 0.
__int128 DivRoundEven(__int128 n, __int128 d)
{
    __int128 q = n / d;
    __int128 r = n % d;
    if (r < 0) {
        r = -r;
    }
    const __int128 twice = 2 * r;
    const bool neg = n < 0;
    if (twice > d || (twice == d && (q % 2 != 0)))
        q += neg ? -1 : 1;
    return q;
}

}  // namespace

bool Currency::TryParse(std::string_view text, Currency& out)
{
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    std::string_view t = text.substr(b, e - b);
    if (t.empty())
        return false;
    bool neg = false;
    std::size_t i = 0;
    if (t[i] == '+' || t[i] == '-') {
        neg = t[i] == '-';
        ++i;
    }
    // Collect the digits as an integer mantissa and a decimal exponent.
    std::string digits;
    int exponent = 0;
    bool anyDigit = false;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
        digits += t[i++];
        anyDigit = true;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
            digits += t[i++];
            --exponent;
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool eneg = false;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            eneg = t[i] == '-';
            ++i;
        }
        if (i >= t.size())
            return false;
        int ev = 0;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
            if (ev < 10000)
                ev = ev * 10 + (t[i] - '0');
            ++i;
        }
        exponent += eneg ? -ev : ev;
    }
    if (i != t.size())
        return false;
    // Strip leading zeros so that the size check below means magnitude.
    std::size_t nz = digits.find_first_not_of('0');
    if (nz == std::string::npos) {
        out = Currency();
        return true;
    }
    digits.erase(0, nz);
    // Scale to four decimals: value = digits * 10^(exponent + 4).
    const int shift = exponent + 4;
    const int integerDigits = static_cast<int>(digits.size()) + shift;
    if (integerDigits > 19)
        return false;  // beyond the range of the fixed-point value (checked exactly below)
    __int128 raw = 0;
    if (shift >= 0) {
        for (char c : digits)
            raw = raw * 10 + (c - '0');
        for (int k = 0; k < shift; ++k)
            raw *= 10;
    } else {
        const std::size_t keep = digits.size() >= static_cast<std::size_t>(-shift) ? digits.size() - static_cast<std::size_t>(-shift) : 0;
        for (std::size_t k = 0; k < keep; ++k)
            raw = raw * 10 + (digits[k] - '0');
        // Round on the dropped digits, halves to even.
        const std::string_view dropped = std::string_view(digits).substr(keep);
        std::string droppedFull(dropped);
        if (static_cast<std::size_t>(-shift) > digits.size())
            droppedFull.insert(0, static_cast<std::size_t>(-shift) - digits.size(), '0');
        const char first = droppedFull.empty() ? '0' : droppedFull[0];
        const bool restNonZero = droppedFull.size() > 1 && droppedFull.find_first_not_of('0', 1) != std::string::npos;
        if (first > '5' || (first == '5' && (restNonZero || raw % 2 != 0)))
            raw += 1;
    }
    // The full range of the value, 922337203685477.5807 and its negative
    // counterpart one step further.
    if (raw > (neg ? __int128(INT64_MAX) + 1 : __int128(INT64_MAX)))
        return false;
    out.raw_ = static_cast<std::int64_t>(neg ? -raw : raw);
    return true;
}

Currency Currency::Parse(std::string_view text)
{
    Currency c;
    if (!TryParse(text, c))
        return Currency();
    return c;
}

std::int64_t Currency::Round() const
{
    const std::int64_t q = raw_ / kScale;
    const std::int64_t r = raw_ % kScale;
    if (r >= kScale / 2)
        return q + 1;
    if (r <= -kScale / 2)
        return q - 1;
    return q;
}

std::string Currency::ToPlain() const
{
    std::string s;
    std::int64_t v = raw_;
    const bool neg = v < 0;
    unsigned long long mag = neg ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    const unsigned long long whole = mag / kScale;
    unsigned long long frac = mag % kScale;
    s = std::to_string(whole);
    if (frac) {
        std::string f = std::to_string(frac);
        f.insert(0, 4 - f.size(), '0');
        while (!f.empty() && f.back() == '0')
            f.pop_back();
        s += '.';
        s += f;
    }
    if (neg)
        s.insert(0, 1, '-');
    return s;
}

Currency operator*(Currency a, Currency b)
{
    const __int128 p = static_cast<__int128>(a.raw_) * b.raw_;
    return Currency::FromRaw(static_cast<std::int64_t>(DivRoundEven(p, Currency::kScale)));
}

std::string FormatNumber(std::string_view mask, Currency value)
{
    const std::size_t dot = mask.find('.');
    const std::string_view intMask = mask.substr(0, dot);
    const std::string_view fracMask = dot == std::string_view::npos ? std::string_view() : mask.substr(dot + 1);
    int minInt = 0;
    bool grouping = false;
    for (char c : intMask) {
        if (c == '0')
            ++minInt;
        else if (c == ',')
            grouping = true;
    }
    // Required digits count from the first '0' to the end of the integer mask.
    const std::size_t firstZero = intMask.find('0');
    if (firstZero != std::string_view::npos) {
        minInt = 0;
        for (std::size_t k = firstZero; k < intMask.size(); ++k)
            if (intMask[k] == '0' || intMask[k] == '#')
                ++minInt;
    }
    int maxFrac = 0;
    int minFrac = 0;
    for (std::size_t k = 0; k < fracMask.size(); ++k) {
        if (fracMask[k] == '0' || fracMask[k] == '#') {
            ++maxFrac;
            if (fracMask[k] == '0')
                minFrac = maxFrac;
        }
    }
    if (maxFrac > 4)
        maxFrac = 4;
    if (minFrac > maxFrac)
        minFrac = maxFrac;

    std::int64_t raw = value.Raw();
    const bool neg = raw < 0;
    unsigned long long mag = neg ? 0ULL - static_cast<unsigned long long>(raw) : static_cast<unsigned long long>(raw);
    // Round half away from zero to maxFrac decimals.
    unsigned long long unit = 1;
    for (int k = maxFrac; k < 4; ++k)
        unit *= 10;
    mag = (mag + unit / 2) / unit;  // now in units of 10^-maxFrac
    unsigned long long scale = 1;
    for (int k = 0; k < maxFrac; ++k)
        scale *= 10;
    const unsigned long long whole = mag / scale;
    const unsigned long long frac = mag % scale;

    std::string intPart = whole == 0 ? std::string() : std::to_string(whole);
    while (static_cast<int>(intPart.size()) < minInt)
        intPart.insert(0, 1, '0');
    if (grouping && intPart.size() > 3) {
        std::string g;
        const std::size_t n = intPart.size();
        for (std::size_t k = 0; k < n; ++k) {
            g += intPart[k];
            const std::size_t left = n - k - 1;
            if (left > 0 && left % 3 == 0)
                g += ',';
        }
        intPart = g;
    }
    std::string fracPart;
    if (maxFrac > 0) {
        fracPart = std::to_string(frac);
        fracPart.insert(0, static_cast<std::size_t>(maxFrac) - fracPart.size(), '0');
        while (static_cast<int>(fracPart.size()) > minFrac && fracPart.back() == '0')
            fracPart.pop_back();
    }
    std::string s = intPart;
    if (!fracPart.empty()) {
        s += '.';
        s += fracPart;
    }
    if (neg && mag != 0)
        s.insert(0, 1, '-');
    return s;
}

}  // namespace order
