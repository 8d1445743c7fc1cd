// The answer path against plain references on the same generated inputs:
// CRC-32 against zlib's, the code page 949 table against iconv asked per
// character, the UTF-8 check against a byte-by-byte clean-up, record
// indexing against a plain TakeTag walk, and the transport's assembly
// against zlib's gunzip with those conversions must give the same bytes.
// (The gunzip itself is held against zlib in test_gunzip_zlib.cpp.)
#include "Encoding.h"
#include "Gzip.h"
#include "GzipTestSupport.h"
#include "HttpClient.h"
#include "RecordFields.h"
#include "TagMessage.h"
#include "TextReference.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

using namespace order;

namespace {

std::string RandomBytes(std::mt19937& rng, std::size_t n)
{
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

// A list answer with the irregularities a reader must survive.
std::string ListAnswer(int records, std::mt19937& rng)
{
    static const char* const names[] = { "누리 사과 5kg", "배 <3kg>", "", "두부 & 콩", "햇쌀 20kg" };
    std::string a = BuildTag("RESULT_CODE", "1") + BuildTag("RESULT_RECORD_COUNT", std::to_string(records));
    for (int i = 0; i < records; ++i) {
        std::string r;
        r += BuildTag("G_CODE", "G" + std::to_string(i));
        r += BuildTag("G_NAME", names[rng() % 5]);
        if (rng() % 4)
            r += BuildTag("U_COST", std::to_string(rng() % 90000));
        r += BuildTag("G_NAME", "second name"); // the first one counts
        if (rng() % 7 == 0)
            r += "<G_BOX>no closing tag";
        if (rng() % 9 == 0)
            r += "</U_DATE>closing before opening<U_DATE>";
        r += BuildTag("U_DATE", "2412" + std::to_string(10 + i % 18));
        r += BuildTag("G_BCODE", std::to_string(8800000 + i));
        const int choice = static_cast<int>(rng() % 20);
        if (choice == 0)
            continue; // a record missing from the answer
        if (choice == 1)
            a += "<RDC_" + std::to_string(i) + ">" + r; // never closed
        else
            a += BuildTag(RecordName(i), r);
        if (choice == 2)
            a += "junk<between>records";
    }
    return a + '\0' + "<CALL_INDEX>241207-3</CALL_INDEX>";
}

} // namespace

TEST(AnswerPath, Crc32IsZlibs)
{
    // Lengths on both sides of where the wide fold starts (256) and of its
    // 64- and 256-byte steps, read from every alignment within 64 bytes,
    // whole and continued over pieces of several sizes (as the file checksum
    // reads a file; a piece may start with a CRC that is not 0).
    std::mt19937 rng(3);
    const std::string data = RandomBytes(rng, 1000003 + 64);
    const auto zlibCrc = [](const char* p, std::size_t n) {
        return crc32(0, reinterpret_cast<const Bytef*>(p), static_cast<uInt>(n));
    };
    for (std::size_t n : { 0u, 1u, 3u, 15u, 16u, 17u, 255u, 256u, 257u, 319u, 320u, 321u, 511u, 512u, 513u, 575u,
             1024u, 4159u, 65521u, 65522u, 1000003u }) {
        for (std::size_t offset : { 0u, 1u, 7u, 31u, 63u }) {
            const char* p = data.data() + offset;
            const auto zlib = zlibCrc(p, n);
            EXPECT_EQ(Crc32(std::string_view(p, n)), zlib) << n << " at " << offset;
            for (std::size_t piece : { 256u, 300u, 65521u }) {
                std::uint32_t crc = 0;
                for (std::size_t pos = 0; pos < n; pos += piece)
                    crc = Crc32Update(crc, p + pos, std::min(piece, n - pos));
                EXPECT_EQ(crc, zlib) << n << " at " << offset << " in pieces of " << piece;
            }
        }
    }
    // Runs of one byte value, which random data never holds.
    for (char c : { '\0', '\xFF', 'A' }) {
        const std::string same(70000, c);
        EXPECT_EQ(Crc32(same), zlibCrc(same.data(), same.size())) << int(c);
    }
}

TEST(AnswerPath, Cp949TableGivesIconvsOutputForEveryTwoByteCode)
{
    // Every lead byte with every following byte, then with a byte that can
    // never trail, at the end of the text and alone.
    std::string all;
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead)
        for (unsigned next = 0; next <= 0xFF; ++next) {
            all += static_cast<char>(lead);
            all += static_cast<char>(next);
            all += 'A';
        }
    EXPECT_TRUE(Cp949ToUtf8(all) == textref::Cp949ToUtf8(all));
    for (unsigned b = 0; b <= 0xFF; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Cp949ToUtf8(one), textref::Cp949ToUtf8(one)) << b;
        EXPECT_EQ(Cp949ToUtf8("x" + one), textref::Cp949ToUtf8("x" + one)) << b;
    }
    std::mt19937 rng(9);
    for (int round = 0; round < 200; ++round) {
        const std::string bytes = RandomBytes(rng, rng() % 300);
        EXPECT_EQ(Cp949ToUtf8(bytes), textref::Cp949ToUtf8(bytes)) << round;
    }
    const std::string text = Utf8ToCp949("누리식자재 도매센터 <G_NAME>사과</G_NAME> 똠방각하");
    EXPECT_EQ(Cp949ToUtf8(text, 64), "누리식자재 도매센터 <G_NAME>사과</G_NAME> 똠방각하");
    EXPECT_GE(Cp949ToUtf8(text, 64).capacity(), Cp949ToUtf8(text).size() + 64);
}

// Each byte that does not begin a valid character becomes U+FFFD; valid
// text stays as it is, and in place.
TEST(AnswerPath, Utf8CleanUpReplacesEachInvalidByte)
{
    const auto bad = [](int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += "\xEF\xBF\xBD";
        return s;
    };
    struct Case {
        const char* what;
        std::string bytes;
        std::string clean;
    };
    const std::string everyLength = "a\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    const std::vector<Case> cases = {
        { "ascii", "<A>1</A>", "<A>1</A>" },
        { "hangul", "누리 사과", "누리 사과" },
        { "every length", everyLength, everyLength },
        { "overlong two bytes", "\xC0\xAF\xC1\xBF", bad(4) },
        { "overlong three bytes", "\xE0\x9F\xBF", bad(3) },
        { "surrogate", "\xED\xA0\x80\xED\xBF\xBF", bad(6) },
        { "beyond U+10FFFF", "\xF4\x90\x80\x80\xF5\x80\x80\x80", bad(8) },
        { "lone continuation bytes", "\x80\xBF", bad(2) },
        { "cut at the end", "\xEC\x82", bad(2) },
        { "cut before ascii", "\xEC\x82<A>", bad(2) + "<A>" },
        { "invalid after a long ascii run", std::string(37, 'x') + "\xFF" + std::string(20, 'y'),
            std::string(37, 'x') + bad(1) + std::string(20, 'y') },
        { "NUL", std::string("a\0b", 3), std::string("a\0b", 3) },
        { "empty", "", "" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(textref::CleanUtf8(c.bytes), c.clean) << c.what;
        EXPECT_EQ(SanitizeUtf8(c.bytes), c.clean) << c.what;
        std::string inPlace = c.bytes;
        SanitizeUtf8InPlace(inPlace);
        EXPECT_EQ(inPlace, c.clean) << c.what;
        EXPECT_EQ(FirstInvalidUtf8(c.bytes) == std::string::npos, c.clean == c.bytes) << c.what;
    }
    std::mt19937 rng(13);
    const std::string valid = ListAnswer(30, rng);
    for (int round = 0; round < 500; ++round) {
        std::string bytes = valid.substr(0, rng() % valid.size());
        for (int i = static_cast<int>(rng() % 3); i > 0 && !bytes.empty(); --i)
            bytes[rng() % bytes.size()] = static_cast<char>(rng());
        const std::string clean = textref::CleanUtf8(bytes);
        EXPECT_TRUE(SanitizeUtf8(bytes) == clean) << round;
        std::string inPlace = bytes;
        SanitizeUtf8InPlace(inPlace);
        EXPECT_TRUE(inPlace == clean) << round;
    }
}

// The vector check reads 32 bytes a step and looks back across steps: every
// sequence of up to four bytes drawn from the bytes where UTF-8's rules
// change, placed across a step boundary and at the end, gets the byte-wise
// verdict.
TEST(AnswerPath, VectorUtf8CheckAgreesWithTheByteWiseCheck)
{
    const unsigned char edges[] = { 0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
        0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xF7, 0xF8, 0xFF };
    const std::size_t n = sizeof edges;
    int disagreements = 0;
    int invalid = 0;
    std::string text;
    for (std::size_t code = 0; code < n * n * n * n; ++code) {
        char sequence[4];
        for (std::size_t i = 0, c = code; i < 4; ++i, c /= n)
            sequence[i] = static_cast<char>(edges[c % n]);
        for (const std::size_t at : { std::size_t(0), std::size_t(29), std::size_t(30), std::size_t(31) }) {
            // Behind ASCII or behind a valid Hangul syllable, then ASCII or
            // nothing after.
            text.assign(at, 'x');
            if (at == 29)
                text.replace(26, 3, "\xEB\x88\x84");
            text.append(sequence, 4);
            if (at != 0)
                text.append(at == 31 ? 0 : 7, 'y');
            const bool valid = FirstInvalidUtf8(text) == std::string::npos;
            invalid += valid ? 0 : 1;
            if (IsValidUtf8(text) != valid && ++disagreements <= 5)
                ADD_FAILURE() << "sequence " << code << " at " << at << ": byte-wise says " << valid;
        }
    }
    EXPECT_EQ(disagreements, 0);
    EXPECT_GT(invalid, 0);

    std::mt19937 rng(29);
    const std::string answer = ListAnswer(40, rng);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes = answer.substr(rng() % 64, rng() % answer.size());
        for (int i = static_cast<int>(rng() % 3); i > 0 && !bytes.empty(); --i)
            bytes[rng() % bytes.size()] = static_cast<char>(0x80 | rng());
        EXPECT_EQ(IsValidUtf8(bytes), FirstInvalidUtf8(bytes) == std::string::npos) << round;
    }
}

TEST(AnswerPath, ValidUtf8IsCheckedWithoutACopy)
{
    std::mt19937 rng(17);
    std::string text = ListAnswer(200, rng);
    const char* before = text.data();
    SanitizeUtf8InPlace(text);
    EXPECT_EQ(text.data(), before);
}

namespace {

// Every cell the indexer finds is the ExtractTag value of the record that a
// plain TakeTag walk (RDC_0, RDC_1, ... each looked up behind the one before)
// takes out.
void ExpectIndexLikeTheWalk(
    const std::string& answer, const std::vector<std::string>& fields, int rows, const std::string& what)
{
    const int cols = static_cast<int>(fields.size());
    std::vector<FieldSpan> fresh(static_cast<std::size_t>(rows * cols), FieldSpan {});
    IndexRecordFields(answer, fields, cols, rows, fresh.data());

    std::string_view rest = answer;
    for (int r = 0; r < rows; ++r) {
        const std::string_view record = TakeTag(RecordName(r), rest);
        for (int c = 0; c < cols; ++c) {
            const std::string& name = fields[static_cast<std::size_t>(c)];
            const std::string_view want = name.empty() ? std::string_view() : ExtractTagView(name, record);
            const FieldSpan& got = fresh[static_cast<std::size_t>(r * cols + c)];
            ASSERT_EQ(std::string_view(answer).substr(got.offset, got.length), want)
                << what << " row " << r << " " << name;
        }
    }
}

const std::vector<std::string> kIndexFields = { "G_NAME", "G_BOX", "", "U_COST", "", "U_COST", "U_DATE", "G_BCODE",
    "G_CODE", "NOT_THERE", "RDC_1", "G_NAME>" };

} // namespace

TEST(AnswerPath, RecordIndexAgreesWithTheWalk)
{
    std::mt19937 rng(21);
    for (int round = 0; round < 40; ++round) {
        std::string answer = ListAnswer(1 + static_cast<int>(rng() % 120), rng);
        if (round % 4 == 3) // records out of order
            answer = BuildTag("RDC_10", BuildTag("G_NAME", "ten")) + answer;
        const int rows = static_cast<int>(RecordCount(answer)) + 3;
        ExpectIndexLikeTheWalk(answer, kIndexFields, rows, "round " + std::to_string(round));
    }
}

// The indexer reads a record like the one before it by comparing tags; a
// record that differs anywhere, even after some fields were placed, must be
// read in full and give the walk's values.
TEST(AnswerPath, RecordIndexNoticesWhereARecordDiffersFromTheOneBefore)
{
    const std::string usual = BuildTag("G_CODE", "A1") + BuildTag("G_NAME", "사과") + BuildTag("U_DATE", "241201")
        + BuildTag("G_BOX", "EA") + BuildTag("G_MAKER", "누리");
    struct Case {
        const char* what;
        std::string odd; // the body of the third record
    };
    const std::vector<Case> cases = {
        { "the same", usual },
        { "a field missing at the end", BuildTag("G_CODE", "A1") + BuildTag("G_NAME", "배") + BuildTag("U_DATE", "1") },
        { "a wanted field added late", usual + BuildTag("U_COST", "1200") },
        { "a field's value holds the next tag", BuildTag("G_CODE", "x<G_NAME>y") + BuildTag("G_NAME", "z") },
        { "a value with a lone <", BuildTag("G_CODE", "a<b") + BuildTag("G_NAME", "c") },
        { "a value with a >", BuildTag("G_CODE", "a>b") + BuildTag("G_NAME", "c") },
        { "the same field twice", BuildTag("G_CODE", "A1") + BuildTag("G_CODE", "A2") + BuildTag("G_NAME", "d") },
        { "the next record's closing tag inside", BuildTag("G_CODE", "A1") + "</RDC_3>" + BuildTag("G_NAME", "e") },
        { "closing tag first", "</G_NAME>" + usual },
        { "unclosed field", "<G_NAME>never closed" + BuildTag("G_CODE", "A1") },
        { "empty", "" },
        { "upper and lower case", BuildTag("g_code", "lower") + BuildTag("G_CODE", "upper") },
        { "a closing tag longer than the known one",
            "<G_CODE>A1</G_CODE2>" + usual.substr(BuildTag("G_CODE", "A1").size()) },
    };
    for (const Case& c : cases) {
        std::string answer = BuildTag("RESULT_CODE", "1") + BuildTag("RESULT_RECORD_COUNT", "14");
        for (int i = 0; i < 14; ++i)
            answer += BuildTag(RecordName(i), i == 2 ? c.odd : usual); // 14 records: RDC_9, then RDC_10
        ExpectIndexLikeTheWalk(answer, kIndexFields, 15, c.what);
    }
}

// An answer that ends where readable memory ends: the indexer reads whole
// words and learns tags as it goes, and must not read a byte past the
// answer, however the last record ends.
TEST(AnswerPath, RecordIndexReadsNothingPastTheAnswer)
{
    const long page = sysconf(_SC_PAGESIZE);
    char* const pages = static_cast<char*>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(pages, MAP_FAILED);
    ASSERT_EQ(mprotect(pages + page, page, PROT_NONE), 0); // a read past the answer faults
    const std::string record = BuildTag("G_CODE", "A1") + BuildTag("G_NAME", "사과") + BuildTag("G_BOX", "EA");
    std::vector<std::string> answers;
    for (const std::string& last : { std::string("<a>"), std::string("<G_CODE>"), std::string("<G_BCODE>1</G_BCODE>"),
             std::string("</RDC_2>"), std::string("<G_CODE>A1</G_CODE><G_NAME>사") }) {
        std::string a = BuildTag(RecordName(0), record) + BuildTag(RecordName(1), record) + "<RDC_2>" + last;
        answers.push_back(a);
        answers.push_back(BuildTag(RecordName(0), record) + BuildTag(RecordName(1), record + last));
    }
    answers.push_back(std::string("_\\0>\\\xAB\\0>\\\xAB\t\xD1\x97\x9F<RDC_12>\\<025>")); // found by fuzz_tags
    for (const std::string& a : answers) {
        ASSERT_LE(a.size(), static_cast<std::size_t>(page));
        char* const at = pages + page - a.size();
        std::memcpy(at, a.data(), a.size());
        const int cols = static_cast<int>(kIndexFields.size());
        std::vector<FieldSpan> guarded(4 * kIndexFields.size(), FieldSpan {});
        IndexRecordFields(std::string_view(at, a.size()), kIndexFields, cols, 4, guarded.data());
        std::vector<FieldSpan> plain(guarded.size(), FieldSpan {});
        IndexRecordFields(a, kIndexFields, cols, 4, plain.data());
        for (std::size_t i = 0; i < plain.size(); ++i) {
            EXPECT_EQ(guarded[i].offset, plain[i].offset) << a;
            EXPECT_EQ(guarded[i].length, plain[i].length) << a;
        }
        ExpectIndexLikeTheWalk(a, kIndexFields, 4, a);
    }
    munmap(pages, 2 * page);
}

TEST(AnswerPath, TransportAssemblesTheReferenceAnswerOnce)
{
    std::mt19937 rng(23);
    const std::string text = ListAnswer(300, rng);
    const std::string tail = "<CALL_INDEX>241207-7</CALL_INDEX>";
    struct Case {
        const char* what;
        bool utf8;
        std::string payload;
    };
    const std::vector<Case> cases = {
        { "UTF-8", true, text },
        { "UTF-8 with broken bytes", true, text.substr(0, 100) + "\xFF\xC0" + text.substr(100) },
        { "code page 949", false, Utf8ToCp949(text) },
        { "code page 949 with a cut character", false, Utf8ToCp949(text) + "\xB0" },
    };
    for (const auto& c : cases) {
        const std::vector<std::string> headers = { "HTTP/1.1 200 OK", "Content-Encoding: gzip",
            c.utf8 ? "Content-Type: text/html; charset=UTF-8" : "Content-Type: text/html", "" };
        const std::string gz = GzipCompress(c.payload);
        const std::string answer = THTTPClient::AssembleAnswer(headers, gz, tail);
        // zlib inflates, iconv converts (or the UTF-8 is cleaned byte by
        // byte), then the NUL and the tail.
        std::string inflated;
        ASSERT_TRUE(gziptest::ZlibGunzip(gz, inflated, kDefaultInflateLimit)) << c.what;
        std::string want = c.utf8 ? textref::CleanUtf8(inflated) : textref::Cp949ToUtf8(inflated);
        want += '\0';
        want += tail;
        EXPECT_TRUE(answer == want) << c.what;
        if (c.what == cases[0].what) { // inflated once at its final size
            EXPECT_EQ(answer.capacity(), answer.size()) << c.what;
        }
    }
}
