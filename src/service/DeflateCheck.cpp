#include "DeflateCheck.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace order {

namespace {

    constexpr unsigned kMaxCodeBits = 15;

    // The input as a bit string, least significant bit of each byte first,
    // read through a 64-bit buffer that is topped up eight bytes at a time.
    class BitInput {
    public:
        BitInput(const unsigned char* data, std::size_t size)
            : data_(data)
            , size_(size)
        {
        }

        // Makes at least 56 bits ready in Bits(); past the end of the input
        // they are zeros.
        void Refill()
        {
            if (next_ + 8 <= size_ && std::endian::native == std::endian::little) {
                // Bits above have_ are already the input's own or zero, so
                // the overlap of the load is harmless.
                std::uint64_t word;
                std::memcpy(&word, data_ + next_, 8);
                buf_ |= word << have_;
                next_ += (63 - have_) >> 3;
                have_ |= 56;
                return;
            }
            while (have_ <= 56) {
                const std::uint64_t byte = next_ < size_ ? data_[next_] : 0;
                buf_ |= byte << have_;
                ++next_;
                have_ += 8;
            }
        }

        std::uint64_t Bits() const { return buf_; }

        void Drop(unsigned n)
        {
            buf_ >>= n;
            have_ -= n;
        }

        std::uint32_t Take(unsigned n)
        {
            Refill();
            const std::uint32_t v = static_cast<std::uint32_t>(buf_ & ((std::uint64_t(1) << n) - 1));
            Drop(n);
            return v;
        }

        std::uint64_t Pos() const { return static_cast<std::uint64_t>(next_) * 8 - have_; }
        // True once more bits were read than the input holds.
        bool Over() const { return next_ > size_ && Pos() > static_cast<std::uint64_t>(size_) * 8; }

        // Goes on reading at a byte.
        void Seek(std::size_t byte)
        {
            next_ = byte;
            buf_ = 0;
            have_ = 0;
        }

    private:
        const unsigned char* data_;
        std::size_t size_;
        std::size_t next_ = 0; // the next byte to load (past the end: zeros)
        std::uint64_t buf_ = 0;
        unsigned have_ = 0; // bits in buf_
    };

    // A code's decode table over its next `bits` (at most kTableBits) input
    // bits: symbol | length << 16. Codes longer than the table (rare by
    // nature: each is used less than once in 1024 codes) find a zero entry
    // and are decoded the long way from the counts.
    constexpr unsigned kTableBits = 10;
    constexpr std::uint64_t kTableMask = (std::uint64_t(1) << kTableBits) - 1;

    struct Code {
        std::vector<std::uint32_t> entries; // always 1 << kTableBits of them
        unsigned count[kMaxCodeBits + 1] = {};
        std::vector<std::uint16_t> sorted; // symbols by length, then by value
        std::uint32_t (*pack)(unsigned, unsigned) = nullptr; // how entries are written

        // Symbol and length of the code at the start of v, past the table.
        std::uint32_t Long(std::uint64_t v) const
        {
            unsigned code = 0;
            unsigned first = 0;
            unsigned index = 0;
            for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
                code |= static_cast<unsigned>(v >> (len - 1)) & 1;
                if (code - first < count[len])
                    return pack(sorted[index + (code - first)], len);
                index += count[len];
                first = (first + count[len]) << 1;
                code <<= 1;
            }
            return 0; // cannot happen for a complete code
        }

        std::uint32_t Decode(std::uint64_t v) const
        {
            const std::uint32_t e = entries[v & kTableMask];
            return e != 0 ? e : Long(v);
        }
    };

    // Only complete codes are taken (and, where emptyOk, a code with no
    // symbol at all, which no symbol may then use): zlib refuses
    // over-subscribed codes and all incomplete ones but a single one-bit
    // code, which is left to zlib.
    using Packer = std::uint32_t (*)(unsigned symbol, unsigned length);

    std::uint32_t Plain(unsigned symbol, unsigned length) { return symbol | (length << 16); }

    bool Build(const std::uint8_t* lengths, unsigned count, Code& code, bool emptyOk, Packer pack = &Plain)
    {
        unsigned* const histogram = code.count;
        std::fill(histogram, histogram + kMaxCodeBits + 1, 0u);
        for (unsigned s = 0; s < count; ++s)
            ++histogram[lengths[s]];
        histogram[0] = 0;
        unsigned longest = 0;
        int left = 1;
        for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
            left = (left << 1) - static_cast<int>(histogram[len]);
            if (left < 0)
                return false;
            if (histogram[len])
                longest = len;
        }
        if (longest == 0) {
            // Any use of an empty distance code reads this bad entry.
            code.entries.assign(std::size_t(1) << kTableBits, pack(30, 1));
            return emptyOk;
        }
        if (left != 0)
            return false;
        code.pack = pack;
        code.entries.assign(std::size_t(1) << kTableBits, 0);
        unsigned next[kMaxCodeBits + 1] = {};
        unsigned offset[kMaxCodeBits + 2] = {};
        for (unsigned len = 1, c = 0; len <= longest; ++len) {
            c = (c + histogram[len - 1]) << 1;
            next[len] = c;
            offset[len + 1] = offset[len] + histogram[len];
        }
        code.sorted.resize(offset[longest + 1]);
        for (unsigned s = 0; s < count; ++s) {
            const unsigned len = lengths[s];
            if (len == 0)
                continue;
            code.sorted[offset[len]++] = static_cast<std::uint16_t>(s);
            const unsigned c = next[len]++;
            if (len > kTableBits)
                continue;
            unsigned reversed = 0;
            for (unsigned i = 0; i < len; ++i)
                reversed |= ((c >> i) & 1) << (len - 1 - i);
            for (std::size_t j = reversed; j < code.entries.size(); j += std::size_t(1) << len)
                code.entries[j] = pack(s, len);
        }
        return true;
    }

    constexpr std::uint16_t kLengthBase[29]
        = { 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258 };
    constexpr std::uint8_t kLengthExtra[29]
        = { 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0 };
    constexpr std::uint16_t kDistanceBase[30] = { 1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385,
        513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577 };
    constexpr std::uint8_t kDistanceExtra[30]
        = { 0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13 };

    // Entries of the literal/length and distance tables, so that one lookup
    // gives all a code needs: bits 0-5 the bits to drop (code and extra
    // bits), 6-10 the code's length, 11-15 the extra bits, 16-30 the base
    // length or distance, and for literal/length codes bits 30-31 the kind.
    // No entry is zero (a zero entry means a code longer than the table).
    enum : std::uint32_t { kLiteral = 0, kLength = 1u << 30, kEnd = 2u << 30, kBad = 3u << 30 };

    std::uint32_t Entry(unsigned length, unsigned extra, unsigned base)
    {
        return (length + extra) | (length << 6) | (extra << 11) | (base << 16);
    }

    std::uint32_t PackLiteralLength(unsigned symbol, unsigned length)
    {
        if (symbol < 256)
            return kLiteral | Entry(length, 0, 0);
        if (symbol == 256)
            return kEnd | Entry(length, 0, 0);
        if (symbol > 285)
            return kBad | Entry(length, 0, 0); // codes 286 and 287
        return kLength | Entry(length, kLengthExtra[symbol - 257], kLengthBase[symbol - 257]);
    }

    constexpr std::uint32_t kBadDistance = 1u << 31;

    std::uint32_t PackDistance(unsigned symbol, unsigned length)
    {
        if (symbol >= 30)
            return kBadDistance | Entry(length, 0, 0); // codes 30 and 31
        return Entry(length, kDistanceExtra[symbol], kDistanceBase[symbol]);
    }

    unsigned Drops(std::uint32_t e) { return e & 63; }

    // The base plus the extra bits that follow the code in v.
    unsigned Value(std::uint32_t e, std::uint64_t v, unsigned base)
    {
        const unsigned extra = (e >> 11) & 31;
        return base + static_cast<unsigned>((v >> ((e >> 6) & 31)) & ((1u << extra) - 1));
    }

    // The codes of one block until its end code. Every refill gives at
    // least 56 bits, enough for a length code with its extra bits (20) and
    // a distance code with its extra bits (28).
    bool Codes(BitInput& input, const Code& lit, const Code& dist, std::uint64_t& produced, std::uint64_t limit)
    {
        // Locals, so that the compiler keeps them in registers.
        BitInput in = input;
        std::uint64_t out = produced;
        const std::uint32_t* const litTable = lit.entries.data();
        const std::uint32_t* const distTable = dist.entries.data();
        bool ok = false;
        for (;;) {
            in.Refill();
            std::uint64_t v = in.Bits();
            std::uint32_t e = litTable[v & kTableMask];
            if (e == 0 && (e = lit.Long(v)) == 0)
                break; // cannot happen: the code is complete
            const std::uint32_t kind = e & (3u << 30);
            if (kind == kLiteral) {
                // A literal takes at most 15 of the 56 bits: the next code
                // is read from the same bits when it is a literal too.
                in.Drop(Drops(e));
                ++out;
                v >>= Drops(e);
                e = litTable[v & kTableMask];
                if (e != 0 && (e & (3u << 30)) == kLiteral) {
                    in.Drop(Drops(e));
                    ++out;
                }
                if (in.Over())
                    break;
                continue;
            }
            if (kind != kLength) {
                in.Drop(Drops(e));
                ok = kind == kEnd && !in.Over() && out <= limit;
                break;
            }
            const unsigned length = Value(e, v, (e >> 16) & 0x1FF);
            v >>= Drops(e);
            std::uint32_t d = distTable[v & kTableMask];
            if (d == 0 && (d = dist.Long(v)) == 0)
                break;
            if (d & kBadDistance)
                break;
            const unsigned distance = Value(d, v, (d >> 16) & 0x7FFF);
            in.Drop(Drops(e) + Drops(d));
            if (distance > out || in.Over())
                break; // before the start of the output
            out += length;
            if (out > limit)
                break;
        }
        input = in;
        produced = out;
        return ok;
    }

    struct FixedCodes {
        Code lit;
        Code dist;
        FixedCodes()
        {
            std::uint8_t lengths[288];
            std::memset(lengths, 8, 144);
            std::memset(lengths + 144, 9, 112);
            std::memset(lengths + 256, 7, 24);
            std::memset(lengths + 280, 8, 8);
            Build(lengths, 288, lit, false, &PackLiteralLength);
            std::uint8_t distances[32];
            std::memset(distances, 5, sizeof distances);
            Build(distances, 32, dist, false, &PackDistance);
        }
    };

    bool DynamicCodes(BitInput& in, Code& lit, Code& dist)
    {
        const unsigned nlen = 257 + in.Take(5);
        const unsigned ndist = 1 + in.Take(5);
        const unsigned ncode = 4 + in.Take(4);
        if (nlen > 286 || ndist > 30)
            return false;
        static constexpr std::uint8_t kOrder[19] = { 16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15 };
        std::uint8_t pre[19] = {};
        for (unsigned i = 0; i < ncode; ++i)
            pre[kOrder[i]] = static_cast<std::uint8_t>(in.Take(3));
        Code preCode;
        if (!Build(pre, 19, preCode, false))
            return false;
        std::uint8_t lengths[286 + 30] = {};
        const unsigned n = nlen + ndist;
        for (unsigned have = 0; have < n;) {
            in.Refill();
            const std::uint32_t e = preCode.Decode(in.Bits());
            in.Drop(e >> 16);
            const unsigned symbol = e & 0xFFFF;
            if (symbol < 16) {
                lengths[have++] = static_cast<std::uint8_t>(symbol);
            } else {
                std::uint8_t value = 0;
                unsigned repeat;
                if (symbol == 16) {
                    if (have == 0)
                        return false; // a repeat with nothing before it
                    value = lengths[have - 1];
                    repeat = 3 + in.Take(2);
                } else if (symbol == 17) {
                    repeat = 3 + in.Take(3);
                } else {
                    repeat = 11 + in.Take(7);
                }
                if (have + repeat > n)
                    return false;
                std::memset(lengths + have, value, repeat);
                have += repeat;
            }
            if (in.Over())
                return false;
        }
        if (lengths[256] == 0)
            return false; // no end-of-block code
        return Build(lengths, nlen, lit, false, &PackLiteralLength)
            && Build(lengths + nlen, ndist, dist, true, &PackDistance);
    }

} // namespace

bool CheckDeflate(const unsigned char* data, std::size_t size, std::uint64_t limit, DeflateShape& shape)
{
    static const FixedCodes fixed;
    BitInput in(data, size);
    Code lit;
    Code dist;
    std::uint64_t out = 0;
    bool last = false;
    while (!last) {
        last = in.Take(1) != 0;
        const unsigned type = in.Take(2);
        if (in.Over())
            return false;
        if (type == 0) {
            const std::size_t at = static_cast<std::size_t>((in.Pos() + 7) / 8);
            if (at + 4 > size)
                return false;
            const unsigned length = data[at] | (data[at + 1] << 8);
            const unsigned check = data[at + 2] | (data[at + 3] << 8);
            if (length != (~check & 0xFFFFu) || length > size - at - 4)
                return false;
            in.Seek(at + 4 + length);
            out += length;
            if (out > limit)
                return false;
        } else if (type == 1) {
            if (!Codes(in, fixed.lit, fixed.dist, out, limit))
                return false;
        } else if (type == 2) {
            if (!DynamicCodes(in, lit, dist) || !Codes(in, lit, dist, out, limit))
                return false;
        } else {
            return false;
        }
    }
    shape.end = static_cast<std::size_t>((in.Pos() + 7) / 8);
    shape.size = out;
    return true;
}

} // namespace order
