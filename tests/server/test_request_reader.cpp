// The strict reader of the client's multipart POST, without a network.

#include "RequestReader.h"

#include "Gzip.h"
#include "HttpClient.h"

#include <gtest/gtest.h>

using demo::ExtractPostPart;
using demo::ParseMultipartBoundary;
using demo::ReadRequest;

namespace {

const std::string kB = "--------VHC120824101112123";
const std::string kType = "multipart/form-data; boundary=" + kB;

std::string Part(const std::string& disposition, const std::string& data)
{
    return "--" + kB + "\r\nContent-Disposition: " + disposition + "\r\nContent-Type: application/x-gzip\r\n\r\n" + data +
           "\r\n";
}

TEST(RequestReader, BoundaryComesFromTheContentType)
{
    struct Case {
        const char* type;
        const char* boundary;  // nullptr: refused
    };
    const Case cases[] = {
        {"multipart/form-data; boundary=--------VHC120824101112123", "--------VHC120824101112123"},
        {"Multipart/Form-Data;boundary=\"abc\"", "abc"},
        {"multipart/form-data; charset=utf-8; boundary=xyz", "xyz"},
        {"multipart/form-data", nullptr},
        {"multipart/form-data; boundary=", nullptr},
        {"multipart/mixed; boundary=abc", nullptr},
        {"application/octet-stream", nullptr},
        {"multipart/form-data; boundary=a\r\nb", nullptr},
        {"multipart/form-data; boundary=12345678901234567890123456789012345678901234567890123456789012345678901", nullptr},
    };
    for (const Case& c : cases) {
        std::string b;
        EXPECT_EQ(ParseMultipartBoundary(c.type, b), c.boundary != nullptr) << c.type;
        if (c.boundary) {
            EXPECT_EQ(b, c.boundary);
        }
    }
}

TEST(RequestReader, TakesThePartNamedPostAndRefusesBrokenBodies)
{
    const std::string data = "\x1f\x8b binary \r\n-- not a boundary";
    const std::string end = "--" + kB + "--\r\n";
    struct Case {
        const char* what;
        std::string body;
        bool ok;
    };
    const Case cases[] = {
        {"the client's own body", order::THTTPClient::BuildBody(kB, data), true},
        {"quoted name", Part("form-data; name=\"POST\"; filename=\"x\"", data) + end, true},
        {"another part first", Part("form-data; name=OTHER", "x") + Part("form-data; name=POST", data) + end, true},
        {"no final line break", Part("form-data; name=POST", data) + "--" + kB + "--", true},
        {"no part named POST", Part("form-data; name=FILE", data) + end, false},
        {"two parts named POST", Part("form-data; name=POST", data) + Part("form-data; name=POST", data) + end, false},
        {"cut before the closing boundary", Part("form-data; name=POST", data), false},
        {"cut inside the data", Part("form-data; name=POST", data).substr(0, 90), false},
        {"other boundary", order::THTTPClient::BuildBody("--------VHC999999999999999", data), false},
        {"preamble", "junk\r\n" + Part("form-data; name=POST", data) + end, false},
        {"data after the end", Part("form-data; name=POST", data) + end + "more", false},
        {"no Content-Disposition", "--" + kB + "\r\nContent-Type: x\r\n\r\n" + data + "\r\n" + end, false},
        {"not form-data", Part("attachment; name=POST", data) + end, false},
        {"header line without colon", "--" + kB + "\r\nnonsense\r\n\r\n" + data + "\r\n" + end, false},
        {"endless headers", "--" + kB + "\r\nContent-Disposition: form-data; name=POST\r\nX: " + std::string(5000, 'a'), false},
        {"empty body", "", false},
    };
    for (const Case& c : cases) {
        std::string part, error;
        EXPECT_EQ(ExtractPostPart(c.body, kB, part, error), c.ok) << c.what << ": " << error;
        if (c.ok)
            EXPECT_EQ(part, data) << c.what;
        else
            EXPECT_FALSE(error.empty()) << c.what;
    }
    std::string many;
    for (int i = 0; i < 20; ++i)
        many += Part("form-data; name=X" + std::to_string(i), "x");
    std::string part, error;
    EXPECT_FALSE(ExtractPostPart(many + end, kB, part, error));
}

TEST(RequestReader, RequestTextMustBeStrictUtf8)
{
    const struct {
        std::string text;
        bool ok;
    } cases[] = {
        {"plain ascii", true},
        {"누리식자재", true},
        {"\xF0\x9F\x98\x80", true},
        {"\xB4\xA9\xB8\xAE", false},        // code page 949
        {"\xC0\xAF", false},                // overlong "/"
        {"\xE0\x80\xAF", false},            // overlong
        {"\xED\xA0\x80", false},            // surrogate
        {"\xF4\x90\x80\x80", false},        // past U+10FFFF
        {"abc\xEB\x88", false},             // cut
        {"\x80", false},
    };
    for (const auto& c : cases) {
        const std::string gz = order::GzipCompress("VALUE=<POST_DATA><SAME_KEY>" + c.text + "</SAME_KEY></POST_DATA>");
        std::string elements, error;
        EXPECT_EQ(ReadRequest(kType, order::THTTPClient::BuildBody(kB, gz), elements, error), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(elements, "<SAME_KEY>" + c.text + "</SAME_KEY>");
        } else {
            EXPECT_NE(error.find("UTF-8"), std::string::npos) << error;
        }
    }
}

TEST(RequestReader, RequestTextMustBeGzippedAndWrapped)
{
    const std::string good = "VALUE=<POST_DATA><COMMAND>100000</COMMAND></POST_DATA>";
    std::string corrupt = order::GzipCompress(good);
    corrupt[corrupt.size() - 6] ^= 0x55;  // CRC no longer matches
    const struct {
        const char* what;
        std::string gz;
        bool ok;
    } cases[] = {
        {"good", order::GzipCompress(good), true},
        {"not gzip", good, false},
        {"corrupt CRC", corrupt, false},
        {"cut gzip", order::GzipCompress(good).substr(0, 20), false},
        {"not wrapped", order::GzipCompress("<COMMAND>100000</COMMAND>"), false},
        {"no closing wrapper", order::GzipCompress("VALUE=<POST_DATA><COMMAND>100000</COMMAND>"), false},
        {"not UTF-8", order::GzipCompress("VALUE=<POST_DATA>\xB4\xA9</POST_DATA>"), false},
        {"bytes after the member", order::GzipCompress(good) + "X", false},
        {"a second member", order::GzipCompress(good) + order::GzipCompress(good), false},
    };
    for (const auto& c : cases) {
        std::string elements, error;
        EXPECT_EQ(ReadRequest(kType, order::THTTPClient::BuildBody(kB, c.gz), elements, error), c.ok)
            << c.what << ": " << error;
        if (c.ok) {
            EXPECT_EQ(elements, "<COMMAND>100000</COMMAND>");
        }
    }
    std::string elements, error;
    EXPECT_FALSE(ReadRequest(kType, std::string(demo::kMaxRequestBody + 1, 'x'), elements, error));
    // A gzip bomb stops at the inflate limit.
    const std::string bomb = order::GzipCompress("VALUE=<POST_DATA>" + std::string(demo::kMaxRequestText, 'a') + "</POST_DATA>");
    EXPECT_FALSE(ReadRequest(kType, order::THTTPClient::BuildBody(kB, bomb), elements, error));
}

}  // namespace
