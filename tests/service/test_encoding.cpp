#include "Encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace order;

namespace {
const std::string kFFFD = "\xEF\xBF\xBD";
}

TEST(Encoding, Cp949ToUtf8)
{
    struct Case {
        const char* what;
        std::string cp949;
        std::string utf8;
    };
    const std::vector<Case> cases = {
        {"ascii", "<A>1</A>", "<A>1</A>"},
        {"hangul", "\xBB\xE7\xB0\xFA", "사과"},
        {"extended hangul with an ascii trail byte", "\x8C\x63", "똠"},
        {"symbol", "\xA2\xE6", "€"},
        {"lone lead byte at the end", "a\xBB", "a" + kFFFD},
        {"lead byte before an ascii byte that cannot trail", "\xB0<A>", kFFFD + "<A>"},
        {"byte that is never a lead byte", "\x80x\xFF", kFFFD + "x" + kFFFD},
        {"NUL stays", std::string("a\0b", 3), std::string("a\0b", 3)},
        {"empty", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Cp949ToUtf8(c.cp949), c.utf8) << c.what;
}

TEST(Encoding, Utf8ToCp949)
{
    EXPECT_EQ(Utf8ToCp949("사과 <A>"), "\xBB\xE7\xB0\xFA <A>");
    EXPECT_EQ(Utf8ToCp949("똠"), "\x8C\x63");
    // Characters without a code page 949 form and broken bytes become "?".
    EXPECT_EQ(Utf8ToCp949("a😀b"), "a?b");
    EXPECT_EQ(Utf8ToCp949("a\xFF"), "a?");
    EXPECT_EQ(Cp949ToUtf8(Utf8ToCp949("누리식자재 도매센터")), "누리식자재 도매센터");
}

TEST(Encoding, SanitizeUtf8ReplacesEveryInvalidByte)
{
    struct Case {
        const char* what;
        std::string in;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"valid text unchanged", "행복마트 <A>&</A> 😀", "행복마트 <A>&</A> 😀"},
        {"stray continuation byte", "a\x80z", "a" + kFFFD + "z"},
        {"truncated sequence at the end", "a\xEA\xB0", "a" + kFFFD + kFFFD},
        {"overlong form", "\xC0\xAF", kFFFD + kFFFD},
        {"surrogate", "\xED\xA0\x80", kFFFD + kFFFD + kFFFD},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", kFFFD + kFFFD + kFFFD + kFFFD},
        {"code page 949 bytes", "\xBB\xE7", kFFFD + kFFFD},
        {"NUL kept", std::string("\0", 1), std::string("\0", 1)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SanitizeUtf8(c.in), c.out) << c.what;
}

TEST(Encoding, CutToCp949BytesNeverSplitsACharacter)
{
    struct Case {
        std::string text;
        std::size_t n;
        std::string cut;
    };
    const std::vector<Case> cases = {
        {"NURI", 11, "NURI"},
        {"ABCDEFGHIJKLMN", 11, "ABCDEFGHIJK"},
        {"행복마트", 6, "행복마"},
        {"행복마트", 7, "행복마"},  // the fourth syllable would need bytes 7 and 8
        {"행복마트", 8, "행복마트"},
        {"a행복", 2, "a"},
        {"a행복", 3, "a행"},
        {"똠똠", 3, "똠"},
        {"€x", 2, "€"},
        {"😀ab", 2, "😀a"},  // written as "?" in code page 949: one byte
        {"anything", 0, ""},
        {"", 5, ""},
    };
    for (const auto& c : cases) {
        const std::string r = CutToCp949Bytes(c.text, c.n);
        EXPECT_EQ(r, c.cut) << c.text << " / " << c.n;
        EXPECT_LE(Utf8ToCp949(r).size(), c.n) << c.text;
    }
}

TEST(Encoding, Cp949Width)
{
    EXPECT_EQ(Cp949Width(U'A'), 1u);
    EXPECT_EQ(Cp949Width(U'가'), 2u);
    EXPECT_EQ(Cp949Width(U'똠'), 2u);
    EXPECT_EQ(Cp949Width(U'€'), 2u);
    EXPECT_EQ(Cp949Width(U'😀'), 1u);
}
