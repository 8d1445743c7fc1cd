// Gzip answer decoding: the answer assembly of a gzip-encoded body and the
// member decoder with a small inflate cap. Bad input must end as the
// decompress error word, never as a crash or unbounded memory.
#include "FuzzSupport.h"
#include "Gzip.h"
#include "HttpClient.h"

#include <zlib.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace order;

namespace {

constexpr std::size_t kCap = 1 << 20;

bool StartsWith(const std::string& s, const std::string& p)
{
    return s.compare(0, p.size(), p) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Transport().maxInflatedBytes = kCap;
    if (size == 0)
        return 0;
    // First byte: which headers the answer carries; the rest is the body.
    const bool utf8 = data[0] & 1;
    const bool plain = data[0] & 2;
    std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 4) {
        // Take the rest as a raw deflate stream and wrap it in a member with
        // a matching trailer, so that the decoded-answer paths (code page 949
        // and UTF-8 conversion) see many valid members, not only broken ones.
        const std::string inflated = fuzz::ZlibInflate(body, kCap);
        std::string member("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x00", 10);
        member += body;
        fuzz::PutLE32(member, static_cast<uint32_t>(Crc32(inflated)));
        fuzz::PutLE32(member, static_cast<uint32_t>(inflated.size()));
        body = member;
    }

    std::string out;
    const bool ok = GunzipMember(body, out, kCap);
    fuzz::Check(out.size() <= kCap);
    if (ok) {
        // Whatever decoded must survive our own compression round trip.
        std::string again;
        fuzz::Check(GunzipMember(GzipCompress(out), again, kCap) && again == out);
    }

    std::vector<std::string> headers = {"HTTP/1.1 200 OK",
                                        plain ? "Content-Encoding: identity" : "Content-Encoding: gzip",
                                        utf8 ? "Content-Type: text/html; charset=utf-8" : "Content-Type: text/html",
                                        ""};
    const std::string tail = "<CALL_INDEX>241207-1</CALL_INDEX>";
    const std::string answer = THTTPClient::AssembleAnswer(headers, body, tail);
    fuzz::Check(answer.size() >= tail.size() && answer.compare(answer.size() - tail.size(), tail.size(), tail) == 0);
    if (plain)
        fuzz::Check(StartsWith(answer, "<HTTP HEAD>"));
    else if (!ok)
        fuzz::Check(answer == "ResponseBuffer Decompress Error" + tail);
    else
        fuzz::Check(answer.size() > tail.size() && answer[answer.size() - tail.size() - 1] == '\0');
    return 0;
}
