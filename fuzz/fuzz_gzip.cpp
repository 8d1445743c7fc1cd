// Gzip answer decoding: the answer assembly of a gzip-encoded body and the
// member decoder with a small inflate cap. Bad input must end as the
// decompress error word, never as a crash or unbounded memory.
#include "Gzip.h"
#include "HttpClient.h"

#include <cstdlib>
#include <string>
#include <vector>

using namespace order;

namespace {

constexpr std::size_t kCap = 1 << 20;

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

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
    const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::string out;
    const bool ok = GunzipMember(body, out, kCap);
    Check(out.size() <= kCap);
    if (ok) {
        // Whatever decoded must survive our own compression round trip.
        std::string again;
        Check(GunzipMember(GzipCompress(out), again, kCap) && again == out);
    }

    std::vector<std::string> headers = {"HTTP/1.1 200 OK",
                                        plain ? "Content-Encoding: identity" : "Content-Encoding: gzip",
                                        utf8 ? "Content-Type: text/html; charset=utf-8" : "Content-Type: text/html",
                                        ""};
    const std::string tail = "<CALL_INDEX>241207-1</CALL_INDEX>";
    const std::string answer = THTTPClient::AssembleAnswer(headers, body, tail);
    Check(answer.size() >= tail.size() && answer.compare(answer.size() - tail.size(), tail.size(), tail) == 0);
    if (plain)
        Check(StartsWith(answer, "<HTTP HEAD>"));
    else if (!ok)
        Check(answer == "ResponseBuffer Decompress Error" + tail);
    else
        Check(answer.size() > tail.size() && answer[answer.size() - tail.size() - 1] == '\0');
    return 0;
}
