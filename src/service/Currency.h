#pragma once

// The program's numbers: quantities, prices and amounts are decimal texts in
// grid cells and are computed as a fixed-point value with four decimals.

#include <cstdint>
#include <string>
#include <string_view>

namespace order {

class Currency {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Currency() = default;
    static constexpr Currency FromRaw(std::int64_t raw)
    {
        Currency c;
        c.raw_ = raw;
        return c;
    }
    static constexpr Currency FromInt(std::int64_t v) { return FromRaw(v * kScale); }

    // Reads a decimal text: optional blanks, sign, digits with an optional
    // point and fraction, optional exponent, optional blanks. Rounded to four
    // decimals. Empty or unreadable text gives false (and *this unchanged).
    static bool TryParse(std::string_view text, Currency& out);
    // Empty or unreadable text counts as 0.
    static Currency Parse(std::string_view text);

    constexpr std::int64_t Raw() const { return raw_; }
    double ToDouble() const { return static_cast<double>(raw_) / kScale; }
    bool IsZero() const { return raw_ == 0; }
    // Rounded to a whole number, halves away from zero.
    std::int64_t Round() const;
    // Whole part (truncated toward zero) and whether there is no fraction.
    std::int64_t Trunc() const { return raw_ / kScale; }
    bool IsWhole() const { return raw_ % kScale == 0; }

    // Plain decimal text without separators or trailing zeros: "1234.5", "0", "-3".
    std::string ToPlain() const;

    friend constexpr Currency operator+(Currency a, Currency b) { return FromRaw(a.raw_ + b.raw_); }
    friend constexpr Currency operator-(Currency a, Currency b) { return FromRaw(a.raw_ - b.raw_); }
    Currency& operator+=(Currency o)
    {
        raw_ += o.raw_;
        return *this;
    }
    Currency& operator-=(Currency o)
    {
        raw_ -= o.raw_;
        return *this;
    }
    // Product rounded to the nearest fourth decimal (halves to even, as the
    // floating-point unit rounds).
    friend Currency operator*(Currency a, Currency b);
    friend constexpr bool operator==(Currency a, Currency b) { return a.raw_ == b.raw_; }
    friend constexpr auto operator<=>(Currency a, Currency b) { return a.raw_ <=> b.raw_; }

private:
    std::int64_t raw_ = 0;
};

// Formats like the display masks the windows use: "##,###,##0.##",
// "###,##0.##", "########", "#,0", "00" and their kin. '0' is a required
// digit, '#' an optional one, ',' anywhere in the integer part turns on
// grouping by three, '.' starts the fraction. Rounding is half away from zero.
std::string FormatNumber(std::string_view mask, Currency value);

inline std::string FormatAmount(Currency v) { return FormatNumber("##,###,##0.##", v); }

}  // namespace order
