// CheckDeflate decides whether ISA-L may make an answer's bytes: it must pass
// only streams that zlib reads whole, with zlib's end and size. Streams that
// ISA-L reads but zlib refuses (incomplete codes) must still be refused by
// the whole gunzip, as the previous zlib-only path refused them.
#include "DeflateCheck.h"
#include "Gzip.h"
#include "GzipTestSupport.h"

#include <gtest/gtest.h>
#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace order;

namespace {

constexpr std::size_t kCap = 1 << 22;

struct ZlibResult {
    bool whole = false; // the stream ended within the input
    std::size_t end = 0; // input bytes it took
    std::string out;
};

ZlibResult ZlibInflate(const std::string& deflate)
{
    ZlibResult r;
    z_stream s {};
    inflateInit2(&s, -15);
    r.out.assign(kCap, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflate.data()));
    s.avail_in = static_cast<uInt>(deflate.size());
    s.next_out = reinterpret_cast<Bytef*>(r.out.data());
    s.avail_out = static_cast<uInt>(kCap);
    r.whole = inflate(&s, Z_FINISH) == Z_STREAM_END;
    r.out.resize(kCap - s.avail_out);
    r.end = deflate.size() - s.avail_in;
    inflateEnd(&s);
    return r;
}

std::optional<std::string> IsalInflate(const std::string& deflate)
{
    auto state = std::make_unique<inflate_state>();
    isal_inflate_init(state.get());
    std::string out(kCap, '\0');
    state->next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(deflate.data()));
    state->avail_in = static_cast<std::uint32_t>(deflate.size());
    state->next_out = reinterpret_cast<std::uint8_t*>(out.data());
    state->avail_out = static_cast<std::uint32_t>(kCap);
    if (isal_inflate_stateless(state.get()) != ISAL_DECOMP_OK)
        return std::nullopt;
    out.resize(kCap - state->avail_out);
    return out;
}

using gziptest::Member;
using gziptest::RawDeflate;

// Deflate data written bit by bit, with canonical Huffman codes made from
// code lengths, so that headers and codes that no compressor writes can be
// made: header fields least significant bit first, codes most significant
// bit first.
class DeflateWriter {
public:
    using Lengths = std::vector<unsigned>;

    void Bits(unsigned value, int count)
    {
        for (int i = 0; i < count; ++i)
            Bit((value >> i) & 1);
    }

    // The canonical code of `symbol` under `lengths`.
    void Symbol(const Lengths& lengths, unsigned symbol)
    {
        unsigned count[16] = {};
        for (unsigned l : lengths)
            ++count[l];
        count[0] = 0;
        unsigned next[16] = {};
        for (unsigned len = 1, code = 0; len < 16; ++len) {
            code = (code + count[len - 1]) << 1;
            next[len] = code;
        }
        for (unsigned s = 0; s < symbol; ++s)
            if (lengths[s] != 0)
                ++next[lengths[s]];
        const unsigned len = lengths[symbol];
        for (int i = static_cast<int>(len) - 1; i >= 0; --i)
            Bit((next[len] >> i) & 1);
    }

    // A dynamic block header. The code-length code gives 4 bits to each of
    // the lengths 0-15 unless `pre` says otherwise; `sequence` replaces the
    // plain list of lengths (pairs of code-length symbol and extra bits).
    void Dynamic(bool last, const Lengths& lit, const Lengths& dist, Lengths pre = {},
        std::vector<std::pair<unsigned, unsigned>> sequence = {})
    {
        static const unsigned order[19] = { 16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15 };
        Bits(last ? 1 : 0, 1);
        Bits(2, 2);
        Bits(static_cast<unsigned>(lit.size() - 257), 5);
        Bits(static_cast<unsigned>(dist.size() - 1), 5);
        if (pre.empty()) {
            pre.assign(19, 0);
            for (unsigned s = 0; s < 16; ++s)
                pre[s] = 4;
        }
        unsigned sent = 19;
        while (sent > 4 && pre[order[sent - 1]] == 0)
            --sent;
        Bits(sent - 4, 4);
        for (unsigned i = 0; i < sent; ++i)
            Bits(pre[order[i]], 3);
        if (sequence.empty()) {
            for (unsigned l : lit)
                sequence.push_back({ l, 0 });
            for (unsigned l : dist)
                sequence.push_back({ l, 0 });
        }
        for (const auto& [symbol, extra] : sequence) {
            Symbol(pre, symbol);
            if (symbol == 16)
                Bits(extra, 2);
            else if (symbol == 17)
                Bits(extra, 3);
            else if (symbol == 18)
                Bits(extra, 7);
        }
    }

    void Fixed(bool last)
    {
        Bits(last ? 1 : 0, 1);
        Bits(1, 2);
    }

    static Lengths FixedLit()
    {
        Lengths l(288, 8);
        for (unsigned s = 144; s < 256; ++s)
            l[s] = 9;
        for (unsigned s = 256; s < 280; ++s)
            l[s] = 7;
        return l;
    }

    static Lengths FixedDist() { return Lengths(32, 5); }

    std::string bytes;

private:
    void Bit(unsigned b)
    {
        if (used_ == 8) {
            bytes += '\0';
            used_ = 0;
        }
        bytes.back() = static_cast<char>(bytes.back() | (b << used_++));
    }
    int used_ = 8;
};

// Lengths with the given symbols at the given code lengths, the rest unused.
DeflateWriter::Lengths Code(std::size_t size, std::vector<std::pair<unsigned, unsigned>> symbols)
{
    DeflateWriter::Lengths l(size, 0);
    for (const auto& [symbol, length] : symbols)
        l[symbol] = length;
    return l;
}

// The gunzip of a member around the stream, with the trailer of what ISA-L
// (or else zlib) makes of it, gives the previous path's verdict and bytes.
void ExpectGunzipAsBefore(const std::string& deflate, const std::string& what)
{
    const std::optional<std::string> isal = IsalInflate(deflate);
    const std::string inflated = isal ? *isal : ZlibInflate(deflate).out;
    const std::string member = Member(deflate, inflated);
    std::string fresh;
    std::string old;
    EXPECT_EQ(GunzipMember(member, fresh, kCap), gziptest::ZlibGunzip(member, old, kCap)) << what;
    EXPECT_EQ(fresh, old) << what;
}

// When the check passes a stream, zlib reads it whole, to the same end and
// the same size.
void ExpectPassOnlyWhatZlibReads(const std::string& deflate, const std::string& what)
{
    DeflateShape shape;
    const auto* bytes = reinterpret_cast<const unsigned char*>(deflate.data());
    if (!CheckDeflate(bytes, deflate.size(), kCap, shape))
        return;
    const ZlibResult z = ZlibInflate(deflate);
    EXPECT_TRUE(z.whole) << what;
    EXPECT_EQ(shape.end, z.end) << what;
    EXPECT_EQ(shape.size, z.out.size()) << what;
}

} // namespace

TEST(DeflateCheck, PassesWhatZlibWritesWithZlibsEndAndSize)
{
    std::mt19937 rng(7);
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "<RDC_" + std::to_string(i) + "><G_NAME>누리 사과 " + std::to_string(rng() % 997)
            + "g</G_NAME><U_COST>" + std::to_string(rng() % 90000) + "</U_COST></RDC_" + std::to_string(i) + ">";
    std::string noise(70000, '\0');
    for (char& c : noise)
        c = static_cast<char>(rng());
    const std::vector<std::string> payloads = { "", "a", text, noise, std::string(300000, 'x') };
    for (std::size_t p = 0; p < payloads.size(); ++p) {
        for (int level : { 0, 1, 6, 9 }) {
            for (int strategy : { Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE }) {
                const std::string what
                    = "payload " + std::to_string(p) + " level " + std::to_string(level) + " strategy " + std::to_string(strategy);
                const std::string deflate = RawDeflate(payloads[p], level, strategy);
                for (const std::string& stream : { deflate, deflate + "trailing" }) {
                    DeflateShape shape;
                    ASSERT_TRUE(CheckDeflate(
                        reinterpret_cast<const unsigned char*>(stream.data()), stream.size(), kCap, shape))
                        << what;
                    EXPECT_EQ(shape.end, deflate.size()) << what;
                    EXPECT_EQ(shape.size, payloads[p].size()) << what;
                }
                // One byte short of the stream, and a limit one byte short
                // of its size, are not passed.
                DeflateShape shape;
                const auto* bytes = reinterpret_cast<const unsigned char*>(deflate.data());
                EXPECT_FALSE(CheckDeflate(bytes, deflate.size() - 1, kCap, shape)) << what;
                if (!payloads[p].empty()) {
                    EXPECT_FALSE(CheckDeflate(bytes, deflate.size(), payloads[p].size() - 1, shape)) << what;
                }
            }
        }
    }
}

TEST(DeflateCheck, TurnsDownEveryStreamZlibRefuses)
{
    using W = DeflateWriter;
    // Two literals and the end code at two bits each, with one length code:
    // a complete literal/length code.
    const W::Lengths lit = Code(286, { { 'a', 2 }, { 'b', 2 }, { 256, 2 }, { 257, 2 } });
    const W::Lengths dist = Code(2, { { 0, 1 }, { 1, 1 } });
    struct Case {
        const char* what;
        bool zlibReads;
        std::function<void(W&)> write;
    };
    const std::vector<Case> cases = {
        { "complete codes", true,
            [&](W& w) {
                w.Dynamic(true, lit, dist);
                w.Symbol(lit, 'a');
                w.Symbol(lit, 257); // length 3
                w.Symbol(dist, 0); // one back
                w.Symbol(lit, 256);
            } },
        { "incomplete literal/length code", false,
            [&](W& w) {
                const W::Lengths half = Code(257, { { 'a', 2 }, { 256, 2 } });
                w.Dynamic(true, half, dist);
                w.Symbol(half, 'a');
                w.Symbol(half, 256);
            } },
        { "incomplete distance code", false,
            [&](W& w) {
                const W::Lengths half = Code(2, { { 0, 2 }, { 1, 2 } });
                w.Dynamic(true, lit, half);
                w.Symbol(lit, 'a');
                w.Symbol(lit, 257);
                w.Symbol(half, 0);
                w.Symbol(lit, 256);
            } },
        { "incomplete code-length code", false,
            [&](W& w) {
                const W::Lengths small = Code(257, { { 'a', 1 }, { 256, 1 } });
                W::Lengths pre(19, 0);
                pre[0] = 2;
                pre[1] = 2; // half of the code space
                w.Dynamic(true, small, Code(1, {}), pre);
                w.Symbol(small, 'a');
                w.Symbol(small, 256);
            } },
        { "over-subscribed literal/length code", false,
            [&](W& w) {
                w.Dynamic(true, Code(257, { { 'a', 1 }, { 'b', 1 }, { 256, 1 } }), dist);
                w.Bits(0, 16);
            } },
        { "287 literal/length lengths", false,
            [&](W& w) {
                W::Lengths many(288, 9);
                for (unsigned s = 256; s < 288; ++s)
                    many[s] = 6;
                w.Dynamic(true, many, dist);
                w.Symbol(many, 'a');
                w.Symbol(many, 256);
            } },
        { "31 distance lengths", false,
            [&](W& w) {
                w.Dynamic(true, lit, W::Lengths(32, 5));
                w.Symbol(lit, 'a');
                w.Symbol(lit, 256);
            } },
        { "no end-of-block code", false,
            [&](W& w) {
                w.Dynamic(true, Code(257, { { 'a', 1 }, { 'b', 1 } }), dist);
                w.Bits(0, 16);
            } },
        { "repeat with nothing before it", false,
            [&](W& w) {
                W::Lengths pre(19, 0);
                for (unsigned s : { 0u, 1u, 2u, 16u })
                    pre[s] = 2;
                w.Dynamic(true, Code(257, {}), Code(1, {}), pre, { { 16, 0 } });
                w.Bits(0, 16);
            } },
        { "repeat past the last length", false,
            [&](W& w) {
                W::Lengths pre(19, 0);
                for (unsigned s : { 0u, 1u, 2u, 18u })
                    pre[s] = 2;
                w.Dynamic(true, Code(257, {}), Code(1, {}), pre, { { 18, 127 }, { 18, 127 }, { 18, 127 } });
                w.Bits(0, 16);
            } },
        { "length without distance codes", false,
            [&](W& w) {
                w.Dynamic(true, lit, Code(1, {}));
                w.Symbol(lit, 'a');
                w.Symbol(lit, 257);
                w.Bits(0, 1);
                w.Symbol(lit, 256);
            } },
        { "no distance codes, none used", true,
            [&](W& w) {
                w.Dynamic(true, lit, Code(1, {}));
                w.Symbol(lit, 'a');
                w.Symbol(lit, 256);
            } },
        { "single one-bit distance code", true,
            [&](W& w) {
                const W::Lengths one = Code(1, { { 0, 1 } });
                w.Dynamic(true, lit, one);
                w.Symbol(lit, 'a');
                w.Symbol(lit, 257);
                w.Symbol(one, 0);
                w.Symbol(lit, 256);
            } },
        { "fixed codes, length code 286", false,
            [&](W& w) {
                w.Fixed(true);
                w.Symbol(W::FixedLit(), 'a');
                w.Symbol(W::FixedLit(), 286);
                w.Symbol(W::FixedDist(), 0);
                w.Symbol(W::FixedLit(), 256);
            } },
        { "fixed codes, distance code 30", false,
            [&](W& w) {
                w.Fixed(true);
                for (int i = 0; i < 40; ++i)
                    w.Symbol(W::FixedLit(), 'a');
                w.Symbol(W::FixedLit(), 257);
                w.Symbol(W::FixedDist(), 30);
                w.Bits(0, 13);
                w.Symbol(W::FixedLit(), 256);
            } },
        { "distance before the start", false,
            [&](W& w) {
                w.Fixed(true);
                w.Symbol(W::FixedLit(), 'a');
                w.Symbol(W::FixedLit(), 257);
                w.Symbol(W::FixedDist(), 1); // two back
                w.Symbol(W::FixedLit(), 256);
            } },
        { "stored lengths that disagree", false, [&](W& w) { w.bytes = std::string("\x01\x05\x00\xFA\xFE", 5) + "hello"; } },
        { "stored block", true, [&](W& w) { w.bytes = std::string("\x01\x05\x00\xFA\xFF", 5) + "hello"; } },
        { "block type 3", false, [&](W& w) { w.bytes = std::string("\x07\x00\x00", 3); } },
        { "no last block", false,
            [&](W& w) {
                w.Fixed(false);
                w.Symbol(W::FixedLit(), 'a');
                w.Symbol(W::FixedLit(), 256);
            } },
    };
    for (const Case& c : cases) {
        W w;
        c.write(w);
        ASSERT_EQ(ZlibInflate(w.bytes).whole, c.zlibReads) << c.what << " (the case is not written as meant)";
        DeflateShape shape;
        const bool passed
            = CheckDeflate(reinterpret_cast<const unsigned char*>(w.bytes.data()), w.bytes.size(), kCap, shape);
        if (!c.zlibReads) {
            EXPECT_FALSE(passed) << c.what;
        }
        ExpectPassOnlyWhatZlibReads(w.bytes, c.what);
        ExpectGunzipAsBefore(w.bytes, c.what);
    }

    // Some decoders read length code 286 as a copy of 258 bytes, which makes
    // 259 "a" here: a trailer that matches that reading does not make the
    // member good.
    W w;
    w.Fixed(true);
    w.Symbol(W::FixedLit(), 'a');
    w.Symbol(W::FixedLit(), 286);
    w.Symbol(W::FixedDist(), 0);
    w.Symbol(W::FixedLit(), 256);
    std::string out;
    EXPECT_FALSE(GunzipMember(Member(w.bytes, std::string(259, 'a')), out));
    EXPECT_TRUE(out.empty());
}

TEST(DeflateCheck, DamagedStreamsArePassedOnlyWhenZlibReadsThem)
{
    std::mt19937 rng(19);
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += "<G_CODE>" + std::to_string(rng() % 100000) + "</G_CODE><G_NAME>두부 " + std::to_string(i) + "</G_NAME>";
    const std::string good = RawDeflate(text, 6, Z_DEFAULT_STRATEGY);
    const std::string fixed = RawDeflate(text, 6, Z_FIXED);
    int passed = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string damaged = round % 2 ? good : fixed;
        const int flips = 1 + static_cast<int>(rng() % 3);
        for (int i = 0; i < flips; ++i)
            damaged[rng() % damaged.size()] ^= static_cast<char>(1 << (rng() % 8));
        if (round % 5 == 0)
            damaged.resize(rng() % damaged.size());
        const std::string what = "round " + std::to_string(round);
        DeflateShape shape;
        passed += CheckDeflate(reinterpret_cast<const unsigned char*>(damaged.data()), damaged.size(), kCap, shape);
        ExpectPassOnlyWhatZlibReads(damaged, what);
        if (round % 8 == 0)
            ExpectGunzipAsBefore(damaged, what);
    }
    EXPECT_GT(passed, 0); // some flips only change a literal
}
