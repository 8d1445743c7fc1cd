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

// libdeflate's gzip reading of the member makes `inflated`, and the trailer
// behind the member's deflate data holds zlib's CRC-32 and the size of it.
bool LibdeflateReadsWithItsTrailer(const std::string& member, const std::string& inflated)
{
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    std::string out(inflated.size() + 1, '\0');
    std::size_t used = 0;
    std::size_t made = 0;
    const auto rc = libdeflate_gzip_decompress_ex(d, member.data(), member.size(), out.data(), out.size(), &used, &made);
    libdeflate_free_decompressor(d);
    out.resize(made);
    return rc == LIBDEFLATE_SUCCESS && out == inflated && used >= 8
        && member.substr(used - 8, 8) == gziptest::Trailer(inflated);
}

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
        EXPECT_TRUE(LibdeflateReadsWithItsTrailer(member, got)) << what;
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
