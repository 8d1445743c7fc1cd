// The client's gunzip against zlib's reading of the same members. Every
// member zlib reads must give exactly zlib's bytes; a member zlib refuses may
// be accepted only where libdeflate reads it and the trailer's CRC-32 and
// size both match what libdeflate made. GunzipSoleMember gives the same
// verdicts and refuses besides any byte behind the member.
#include "Gzip.h"
#include "GzipTestSupport.h"

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <zlib.h>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace order;

namespace {

using gziptest::kHeader;
using gziptest::LE32;
using gziptest::Member;
using gziptest::RawDeflate;

enum class Verdict { BothRead, BothRefuse, OnlyOurs };

// Both gunzips against zlib on one member, with `limit` on the inflated size.
Verdict ExpectZlibsVerdict(const std::string& member, std::size_t limit, const std::string& what)
{
    constexpr std::size_t kSpare = 40;
    std::string want;
    std::size_t end = 0;
    const bool zlib = gziptest::ZlibGunzip(member, want, limit, &end);
    std::string got = "left over";
    const bool ours = GunzipMember(member, got, limit, kSpare);
    std::string sole = "left over";
    const bool oursSole = GunzipSoleMember(member, sole, limit);
    if (ours) {
        EXPECT_GE(got.capacity(), got.size() + kSpare) << what;
    } else {
        EXPECT_TRUE(got.empty()) << what;
    }
    if (oursSole) {
        EXPECT_TRUE(ours && sole == got) << what;
    } else {
        EXPECT_TRUE(sole.empty()) << what;
    }
    if (zlib) {
        EXPECT_TRUE(ours) << what;
        EXPECT_TRUE(got == want) << what;
        EXPECT_EQ(oursSole, end == member.size()) << what;
        return Verdict::BothRead;
    }
    if (ours) {
        EXPECT_TRUE(gziptest::LibdeflateReadsWithItsTrailer(member, got)) << what;
        return Verdict::OnlyOurs;
    }
    return Verdict::BothRefuse;
}

std::string Catalogue(int records, std::mt19937& rng)
{
    static const char* const names[] = { "누리 사과 5kg", "배 <3kg>", "", "두부 & 콩", "햇쌀 20kg" };
    std::string a = "<RESULT_CODE>1</RESULT_CODE>";
    for (int i = 0; i < records; ++i)
        a += "<RDC_" + std::to_string(i) + "><G_CODE>G" + std::to_string(rng() % 100000) + "</G_CODE><G_NAME>"
            + names[rng() % 5] + "</G_NAME><U_COST>" + std::to_string(rng() % 90000) + "</U_COST></RDC_"
            + std::to_string(i) + ">";
    return a;
}

std::string RandomBytes(std::mt19937& rng, std::size_t n)
{
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

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

// libdeflate's reading of raw deflate data, or nothing when it refuses it.
std::optional<std::string> LibdeflateInflate(const std::string& deflate)
{
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    std::string out(1 << 20, '\0');
    std::size_t made = 0;
    const auto rc = libdeflate_deflate_decompress(d, deflate.data(), deflate.size(), out.data(), out.size(), &made);
    libdeflate_free_decompressor(d);
    if (rc != LIBDEFLATE_SUCCESS)
        return std::nullopt;
    out.resize(made);
    return out;
}

// The header with its CRC (FHCRC set) appended.
std::string WithHeaderCrc(std::string header)
{
    header[3] = static_cast<char>(header[3] | 0x02);
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(header.data()), static_cast<uInt>(header.size()));
    header += static_cast<char>(crc & 0xFF);
    header += static_cast<char>((crc >> 8) & 0xFF);
    return header;
}

const int kStrategies[] = { Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED };

} // namespace

TEST(GunzipZlib, MembersOfEveryLevelAndStrategyGiveZlibsBytes)
{
    std::mt19937 rng(11);
    const std::string text = Catalogue(400, rng);
    const std::vector<std::string> payloads = { "", "a", text, RandomBytes(rng, 70000), std::string(300000, 'x') };
    for (std::size_t p = 0; p < payloads.size(); ++p) {
        const std::string& data = payloads[p];
        for (int level = 0; level <= 9; ++level) {
            for (int strategy : kStrategies) {
                const std::string deflate = RawDeflate(data, level, strategy);
                const std::string good = Member(deflate, data);
                const std::string what = "payload " + std::to_string(p) + " level " + std::to_string(level)
                    + " strategy " + std::to_string(strategy);
                EXPECT_EQ(ExpectZlibsVerdict(good, kDefaultInflateLimit, what), Verdict::BothRead);
                // Bytes behind the member: the last four are not its size.
                EXPECT_EQ(ExpectZlibsVerdict(good + std::string("\0\0\0\x7F", 4), kDefaultInflateLimit, what + " + 4"),
                    Verdict::BothRead);
                EXPECT_EQ(ExpectZlibsVerdict(good + "z", kDefaultInflateLimit, what + " + 1"), Verdict::BothRead);
                // Caps at and just below the inflated size.
                EXPECT_EQ(ExpectZlibsVerdict(good, data.size(), what + " cap = size"), Verdict::BothRead);
                if (!data.empty()) {
                    EXPECT_EQ(ExpectZlibsVerdict(good, data.size() - 1, what + " cap = size - 1"), Verdict::BothRefuse);
                }
                // A trailer that lies about the size, too much and too little.
                const std::string body = kHeader + deflate + gziptest::Trailer(data).substr(0, 4);
                for (std::uint32_t lie : { static_cast<std::uint32_t>(data.size() + 1),
                         static_cast<std::uint32_t>(data.size() / 2), 0xFFFFFFFFu }) {
                    if (lie == data.size())
                        continue;
                    EXPECT_EQ(ExpectZlibsVerdict(body + LE32(lie), kDefaultInflateLimit, what + " size " + std::to_string(lie)),
                        Verdict::BothRefuse);
                }
            }
        }
    }
}

TEST(GunzipZlib, FlippedBitsGetZlibsVerdict)
{
    std::mt19937 rng(5);
    const std::string data = Catalogue(60, rng);
    for (int strategy : kStrategies) {
        const std::string good = Member(RawDeflate(data, 6, strategy), data);
        for (int round = 0; round < 800; ++round) {
            std::string damaged = good;
            const int flips = 1 + static_cast<int>(rng() % 4);
            for (int i = 0; i < flips; ++i)
                damaged[10 + rng() % (damaged.size() - 10)] ^= static_cast<char>(1 << (rng() % 8));
            if (round % 3 == 0)
                damaged.resize(10 + rng() % (damaged.size() - 10));
            const std::string what = "strategy " + std::to_string(strategy) + " round " + std::to_string(round);
            ExpectZlibsVerdict(damaged, 1 << 20, what);
        }
    }
}

TEST(GunzipZlib, TruncatedMembersAreRefusedAtEveryLength)
{
    std::mt19937 rng(3);
    const std::string data = Catalogue(40, rng);
    for (int strategy : kStrategies) {
        for (int level : { 0, 6 }) {
            const std::string good = Member(RawDeflate(data, level, strategy), data);
            for (std::size_t n = 0; n < good.size(); ++n) {
                const std::string what = "strategy " + std::to_string(strategy) + " level " + std::to_string(level)
                    + " cut at " + std::to_string(n);
                EXPECT_EQ(ExpectZlibsVerdict(good.substr(0, n), 1 << 20, what), Verdict::BothRefuse);
            }
        }
    }
}

TEST(GunzipZlib, HeaderFieldsAndTheirCrc)
{
    const std::string data = "<RESULT_CODE>1</RESULT_CODE>";
    const std::string deflate = RawDeflate(data);
    struct Case {
        const char* what;
        std::string header;
        Verdict verdict;
    };
    const std::string plain(kHeader);
    const std::string all("\x1F\x8B\x08\x1D\0\0\0\0\0\x03\x01\0zn\0c\0", 17);
    std::string wrongCrc = WithHeaderCrc(plain);
    wrongCrc.back() = static_cast<char>(wrongCrc.back() ^ 0x40);
    std::string wrongLowCrc = WithHeaderCrc(all);
    wrongLowCrc[wrongLowCrc.size() - 2] = static_cast<char>(wrongLowCrc[wrongLowCrc.size() - 2] ^ 1);
    const std::vector<Case> cases = {
        { "no optional field", plain, Verdict::BothRead },
        { "FEXTRA, FNAME and FCOMMENT", all, Verdict::BothRead },
        { "header CRC", WithHeaderCrc(plain), Verdict::BothRead },
        { "header CRC after every field", WithHeaderCrc(all), Verdict::BothRead },
        { "wrong header CRC, high byte", wrongCrc, Verdict::BothRefuse },
        { "wrong header CRC, low byte", wrongLowCrc, Verdict::BothRefuse },
        { "reserved flag 0x20", std::string("\x1F\x8B\x08\x20\0\0\0\0\0\0", 10), Verdict::BothRefuse },
    };
    for (const Case& c : cases) {
        const std::string member = c.header + deflate + gziptest::Trailer(data);
        EXPECT_EQ(ExpectZlibsVerdict(member, 1 << 20, c.what), c.verdict) << c.what;
        // The header cut short anywhere.
        for (std::size_t n = 0; n < c.header.size(); ++n)
            EXPECT_EQ(ExpectZlibsVerdict(c.header.substr(0, n), 1 << 20, c.what), Verdict::BothRefuse) << c.what;
    }
}

// Streams that no compressor writes: codes zlib refuses, and codes at the
// edge of what it reads. Each is wrapped with the trailer of what libdeflate
// makes of it, and with the trailer of what zlib makes of it.
TEST(GunzipZlib, HandWrittenStreamsGetZlibsVerdictOrMatchTheirTrailer)
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
    int onlyOurs = 0;
    for (const Case& c : cases) {
        W w;
        c.write(w);
        const std::optional<std::string> libdeflate = LibdeflateInflate(w.bytes);
        if (libdeflate) {
            const std::string member = Member(w.bytes, *libdeflate);
            // What zlib refuses is accepted here only because libdeflate
            // read it and the trailer matches.
            EXPECT_EQ(ExpectZlibsVerdict(member, 1 << 20, c.what), c.zlibReads ? Verdict::BothRead : Verdict::OnlyOurs)
                << c.what;
            onlyOurs += !c.zlibReads;
            // A trailer that does not match: refused, whatever read the stream.
            std::string wrong = member;
            wrong[wrong.size() - 8] = static_cast<char>(wrong[wrong.size() - 8] ^ 1);
            EXPECT_EQ(ExpectZlibsVerdict(wrong, 1 << 20, c.what), Verdict::BothRefuse) << c.what;
        } else {
            EXPECT_FALSE(c.zlibReads) << c.what << ": libdeflate refuses a stream zlib reads";
            EXPECT_EQ(ExpectZlibsVerdict(Member(w.bytes, ""), 1 << 20, c.what), Verdict::BothRefuse) << c.what;
        }
    }
    EXPECT_GT(onlyOurs, 0); // libdeflate reads some of the streams zlib refuses

    // libdeflate reads length code 286 as a copy of 258 bytes, which makes
    // 259 "a" here: zlib refuses the stream, and with that trailer the
    // member is accepted with those bytes.
    W w;
    w.Fixed(true);
    w.Symbol(W::FixedLit(), 'a');
    w.Symbol(W::FixedLit(), 286);
    w.Symbol(W::FixedDist(), 0);
    w.Symbol(W::FixedLit(), 256);
    std::string out;
    EXPECT_TRUE(GunzipMember(Member(w.bytes, std::string(259, 'a')), out));
    EXPECT_EQ(out, std::string(259, 'a'));
    EXPECT_FALSE(GunzipMember(Member(w.bytes, std::string(258, 'a')), out));
    EXPECT_TRUE(out.empty());
}
