#include "Gzip.h"
#include "GzipTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

using namespace order;

namespace {

// zlib's own gzip decoder, as an independent check of our members.
bool ZlibGunzip(const std::string& member, std::string& out)
{
    z_stream s{};
    if (inflateInit2(&s, 16 + 15) != Z_OK)
        return false;
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(member.data()));
    s.avail_in = static_cast<uInt>(member.size());
    char buf[16384];
    int rc = Z_OK;
    out.clear();
    while (rc == Z_OK) {
        s.next_out = reinterpret_cast<Bytef*>(buf);
        s.avail_out = sizeof buf;
        rc = inflate(&s, Z_NO_FLUSH);
        out.append(buf, sizeof buf - s.avail_out);
    }
    const bool ok = rc == Z_STREAM_END && s.avail_in == 0;
    inflateEnd(&s);
    return ok;
}

using gziptest::kHeader;
using gziptest::LE32;
using gziptest::RawDeflate;

std::string Member(const std::string& header, const std::string& data)
{
    return header + RawDeflate(data) + gziptest::Trailer(data);
}

std::string Sample()
{
    std::string s = "VALUE=<POST_DATA><COMMAND>100300</COMMAND><DB_KEY>000001</DB_KEY>";
    for (int i = 0; i < 300; ++i)
        s += "<G_NAME>누리 사과 " + std::to_string(i) + "</G_NAME>";
    return s + "</POST_DATA>";
}

}  // namespace

TEST(Gzip, CompressWritesTheFixedMemberThatZlibReads)
{
    std::mt19937 rng(7);
    std::string random(50000, '\0');
    for (auto& c : random)
        c = static_cast<char>(rng());
    for (const std::string& data : {std::string(), std::string("a"), Sample(), random}) {
        const std::string gz = GzipCompress(data);
        ASSERT_GE(gz.size(), 18u);
        EXPECT_EQ(gz.substr(0, 10), kHeader);
        // Exactly the default-level raw deflate stream, window bits 15, memory level 9.
        EXPECT_EQ(gz, Member(kHeader, data));
        std::string back;
        EXPECT_TRUE(ZlibGunzip(gz, back));
        EXPECT_EQ(back, data);
        std::string ours;
        EXPECT_TRUE(GunzipMember(gz, ours));
        EXPECT_EQ(ours, data);
    }
}

TEST(Gzip, GunzipSkipsOptionalHeaderFields)
{
    const std::string data = "<RESULT_CODE>1</RESULT_CODE>";
    struct Case {
        const char* what;
        std::string header;
    };
    const std::vector<Case> cases = {
        {"mtime, xfl and os set", std::string("\x1F\x8B\x08\x00\x01\x02\x03\x04\x02\x03", 10)},
        {"FEXTRA", std::string("\x1F\x8B\x08\x04\0\0\0\0\0\0\x03\0abc", 15)},
        {"FNAME", std::string("\x1F\x8B\x08\x08\0\0\0\0\0\0name.txt\0", 19)},
        {"FCOMMENT", std::string("\x1F\x8B\x08\x10\0\0\0\0\0\0hi\0", 13)},
        {"FHCRC", std::string("\x1F\x8B\x08\x02\0\0\0\0\0\0\x1D\x26", 12)},
        {"FTEXT", std::string("\x1F\x8B\x08\x01\0\0\0\0\0\0", 10)},
        {"all of them", std::string("\x1F\x8B\x08\x1E\0\0\0\0\0\0\x01\0zn\0c\0\xB9\x73", 19)},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_TRUE(GunzipMember(Member(c.header, data), out)) << c.what;
        EXPECT_EQ(out, data) << c.what;
    }
}

TEST(Gzip, EveryViolationIsRejected)
{
    const std::string data = Sample();
    const std::string good = GzipCompress(data);
    auto with = [&](std::size_t pos, char byte) {
        std::string s = good;
        s[pos] = byte;
        return s;
    };
    const std::size_t n = good.size();
    struct Case {
        const char* what;
        std::string member;
    };
    const std::vector<Case> cases = {
        {"empty", ""},
        {"shorter than the header", good.substr(0, 9)},
        {"header only", good.substr(0, 10)},
        {"bad first magic byte", with(0, '\x1E')},
        {"bad second magic byte", with(1, '\x8C')},
        {"method not deflate", with(2, '\x07')},
        {"reserved flag 0x20", with(3, '\x20')},
        {"reserved flag 0x80", with(3, '\x80')},
        {"FEXTRA longer than the data", std::string("\x1F\x8B\x08\x04\0\0\0\0\0\0\xFF\x7F", 12)},
        {"FNAME without its zero", std::string("\x1F\x8B\x08\x08\0\0\0\0\0\0name", 14)},
        {"FHCRC cut off", std::string("\x1F\x8B\x08\x02\0\0\0\0\0\0\x01", 11)},
        {"wrong header CRC", Member(std::string("\x1F\x8B\x08\x02\0\0\0\0\0\0\x12\x34", 12), data)},
        {"broken deflate data", kHeader + std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 10)},
        {"deflate stream cut off", good.substr(0, n / 2)},
        {"trailer missing", good.substr(0, n - 8)},
        {"trailer cut short", good.substr(0, n - 1)},
        {"wrong CRC", with(n - 8, static_cast<char>(good[n - 8] ^ 1))},
        {"wrong length", with(n - 4, static_cast<char>(good[n - 4] ^ 1))},
        // A damaged member followed by padding (a server that pads its
        // answers): the bytes behind never make up for the damage.
        {"wrong CRC, then zero padding", with(n - 8, static_cast<char>(good[n - 8] ^ 1)) + std::string(64, '\0')},
        {"wrong length, then zero padding", with(n - 4, static_cast<char>(good[n - 4] ^ 1)) + std::string(64, '\0')},
        {"wrong length, then the right one", with(n - 4, static_cast<char>(good[n - 4] ^ 1)) + good.substr(n - 4)},
        {"deflate cut off, then zero padding", good.substr(0, n / 2) + std::string(4096, '\0')},
        {"deflate cut off, then 0xFF padding", good.substr(0, n / 2) + std::string(4096, '\xFF')},
        {"trailer missing, then blanks", good.substr(0, n - 8) + std::string(8, ' ')},
    };
    for (const auto& c : cases) {
        std::string out = "left over";
        EXPECT_FALSE(GunzipMember(c.member, out)) << c.what;
        EXPECT_TRUE(out.empty()) << c.what;
    }
}

TEST(Gzip, DecompressionBombEndsAtTheCap)
{
    // One megabyte of zeros after a full flush compresses to the same bytes
    // every time, so repeating them builds a long valid stream cheaply.
    const std::string zeros(1 << 20, '\0');
    z_stream s{};
    deflateInit2(&s, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string chunk(deflateBound(&s, zeros.size()) + 64, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    s.avail_in = static_cast<uInt>(zeros.size());
    s.next_out = reinterpret_cast<Bytef*>(chunk.data());
    s.avail_out = static_cast<uInt>(chunk.size());
    deflate(&s, Z_FULL_FLUSH);
    chunk.resize(chunk.size() - s.avail_out);
    deflateEnd(&s);
    std::string bomb = kHeader;
    for (int i = 0; i < 64; ++i)
        bomb += chunk;
    bomb += std::string("\x03\x00", 2);  // final empty block
    bomb += LE32(0) + LE32(0);
    ASSERT_LT(bomb.size(), 200000u);

    std::string out;
    EXPECT_FALSE(GunzipMember(bomb, out, std::size_t(16) << 20));
    EXPECT_TRUE(out.empty());
    // Below the cap the same stream decodes as far as its (wrong) trailer.
    std::string small = kHeader + chunk + std::string("\x03\x00", 2) +
                        LE32(static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(zeros.data()), zeros.size()))) +
                        LE32(1 << 20);
    EXPECT_TRUE(GunzipMember(small, out, std::size_t(2) << 20));
    EXPECT_EQ(out, zeros);
    EXPECT_FALSE(GunzipMember(small, out, (std::size_t(1) << 20) - 1));
    // The default cap lies far above any real answer.
    EXPECT_GE(kDefaultInflateLimit, std::size_t(64) << 20);
}

TEST(Gzip, Crc32MatchesTheStandardCheckValue)
{
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32(""), 0u);
}
