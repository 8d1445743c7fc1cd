// THTTPClient against a real HTTP server on loopback: the exact request
// bytes, every answer path and every error word.
#include "Gzip.h"
#include "HttpClient.h"
#include "LoopbackServer.h"
#include "TagMessage.h"
#include "Transfer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

using namespace order;
using testsupport::HttpServer;
using testsupport::RecordingFront;

namespace {

const std::string kAnswer = "<RESULT_CODE>1</RESULT_CODE><RESULT_RECORD_COUNT>1</RESULT_RECORD_COUNT>"
                            "<RDC_0><G_NAME>누리 사과 5kg</G_NAME></RDC_0>";
// The same answer in code page 949 ("누리 사과" and the rest).
std::string Cp949Answer()
{
    return "<RESULT_CODE>1</RESULT_CODE><RESULT_RECORD_COUNT>1</RESULT_RECORD_COUNT>"
           "<RDC_0><G_NAME>\xB4\xA9\xB8\xAE \xBB\xE7\xB0\xFA 5kg</G_NAME></RDC_0>";
}
const std::string kRequest = "VALUE=<POST_DATA><CALL_INDEX>241207-7</CALL_INDEX><COMMAND>100106</COMMAND>"
                             "<DB_KEY>000001</DB_KEY><LIKE_KEY>%사과 & <배>%</LIKE_KEY></POST_DATA>";
const std::string kTail = "<CALL_INDEX>241207-7</CALL_INDEX>";
const std::string kDownloadBytes("PK\x03\x04\0\x01\xFF binary\0", 15);

std::string ZlibGunzip(const std::string& member, bool& ok)
{
    z_stream s{};
    inflateInit2(&s, 16 + 15);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(member.data()));
    s.avail_in = static_cast<uInt>(member.size());
    std::string out;
    char buf[16384];
    int rc = Z_OK;
    while (rc == Z_OK) {
        s.next_out = reinterpret_cast<Bytef*>(buf);
        s.avail_out = sizeof buf;
        rc = inflate(&s, Z_NO_FLUSH);
        out.append(buf, sizeof buf - s.avail_out);
    }
    ok = rc == Z_STREAM_END && s.avail_in == 0;  // the member ends exactly at its trailer
    inflateEnd(&s);
    return out;
}

std::string RawDeflate(const std::string& data)
{
    z_stream s{};
    deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&s, data.size()), '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = static_cast<uInt>(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

std::string Raw(const std::string& headers, const std::string& body)
{
    return "HTTP/1.1 200 OK\r\n" + headers + "Content-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

struct ParsedRequest {
    std::string requestLine;
    std::vector<std::string> headers;
    std::string body;
};

ParsedRequest Parse(const std::string& raw)
{
    ParsedRequest r;
    const std::size_t end = raw.find("\r\n\r\n");
    std::string head = raw.substr(0, end);
    r.body = raw.substr(end + 4);
    std::size_t pos = 0;
    bool first = true;
    while (pos <= head.size()) {
        std::size_t eol = head.find("\r\n", pos);
        if (eol == std::string::npos)
            eol = head.size();
        const std::string line = head.substr(pos, eol - pos);
        if (first)
            r.requestLine = line;
        else
            r.headers.push_back(line);
        first = false;
        pos = eol + 2;
    }
    return r;
}

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& s = http.server;
        s.Post("/gzip-utf8", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Content-Encoding", "gzip");
            res.set_content(GzipCompress(kAnswer), "text/html; charset=UTF-8");
        });
        s.Post("/gzip-949", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Content-Encoding", "gzip");
            res.set_content(GzipCompress(Cp949Answer()), "text/html");
        });
        s.Post("/plain", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(kAnswer, "text/html; charset=utf-8");
        });
        s.Post("/error-page", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("<html>Internal Server Error</html>", "text/html");
        });
        s.Post("/one-byte", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("1", "text/html; charset=utf-8");
        });
        s.Post("/empty", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("", "text/html; charset=utf-8");
        });
        s.Post("/bad-crc", [](const httplib::Request&, httplib::Response& res) {
            std::string gz = GzipCompress(kAnswer);
            gz[gz.size() - 8] = static_cast<char>(gz[gz.size() - 8] ^ 0x55);
            res.set_header("Content-Encoding", "gzip");
            res.set_content(gz, "text/html; charset=utf-8");
        });
        s.Post("/download", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(kDownloadBytes, "application/x-download");
        });
        http.Start();
        front = std::make_unique<RecordingFront>(http.port);
        saved = Transport();
        tmp = std::filesystem::temp_directory_path() / ("order-http-" + std::to_string(::getpid()));
        std::filesystem::create_directories(tmp);
        Transport().downloadFile = (tmp / "downfile").string();
    }
    void TearDown() override
    {
        Transport() = saved;
        front.reset();
        http.Stop();
        std::filesystem::remove_all(tmp);
    }
    std::string Post(const std::string& path, const std::string& request = kRequest)
    {
        THTTPClient client;
        std::string answer = "stale";
        client.PostRequest("127.0.0.1", path, answer, static_cast<std::uint16_t>(front->Port()), request);
        return answer;
    }

    HttpServer http;
    std::unique_ptr<RecordingFront> front;
    TransportSettings saved;
    std::filesystem::path tmp;
};

}  // namespace

TEST_F(HttpClientTest, PostsTheExactRequestBytes)
{
    front->Clear();
    Post("/gzip-utf8");
    const std::vector<std::string> requests = front->Requests();
    ASSERT_EQ(requests.size(), 1u);
    const ParsedRequest r = Parse(requests[0]);
    EXPECT_EQ(r.requestLine, "POST /gzip-utf8 HTTP/1.1");

    // Our three header lines, in this order; the platform adds host, agent and length.
    std::vector<std::string> ours;
    std::string boundary;
    for (const auto& h : r.headers) {
        if (h.rfind("Accept-Encoding:", 0) == 0 || h.rfind("Connection:", 0) == 0 || h.rfind("Content-Type:", 0) == 0)
            ours.push_back(h);
        const std::string prefix = "Content-Type: multipart/form-data; boundary=";
        if (h.rfind(prefix, 0) == 0)
            boundary = h.substr(prefix.size());
    }
    ASSERT_EQ(ours.size(), 3u);
    EXPECT_EQ(ours[0], "Accept-Encoding: gzip, deflate");
    EXPECT_EQ(ours[1], "Connection: Keep-Alive");
    EXPECT_TRUE(std::regex_match(boundary, std::regex("--------VHC[0-9]{15}"))) << boundary;
    EXPECT_EQ(boundary.size(), 26u);

    std::vector<std::string> names;
    for (const auto& h : r.headers)
        names.push_back(h.substr(0, h.find(':')));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Accept-Encoding", "Connection", "Content-Length", "Content-Type",
                                               "Host", "User-Agent"}));
    EXPECT_NE(std::find(r.headers.begin(), r.headers.end(), "User-Agent: Vesta HTTP Client"), r.headers.end());
    EXPECT_NE(std::find(r.headers.begin(), r.headers.end(), "Host: 127.0.0.1:" + std::to_string(front->Port())),
              r.headers.end());
    EXPECT_NE(std::find(r.headers.begin(), r.headers.end(), "Content-Length: " + std::to_string(r.body.size())),
              r.headers.end());

    // The multipart body, byte for byte.
    const std::string head = "--" + boundary + "\r\n" +
                             "Content-Disposition: form-data; name=POST; filename=GZCompressString\r\n"
                             "Content-Type: application/x-gzip\r\n\r\n";
    const std::string foot = "\r\n--" + boundary + "--\r\n";
    ASSERT_GT(r.body.size(), head.size() + foot.size());
    EXPECT_EQ(r.body.substr(0, head.size()), head);
    EXPECT_EQ(r.body.substr(r.body.size() - foot.size()), foot);
    const std::string gz = r.body.substr(head.size(), r.body.size() - head.size() - foot.size());

    // One gzip member: the fixed ten header bytes, the default raw deflate
    // stream, CRC-32 and length; it inflates to the exact request text.
    EXPECT_EQ(gz.substr(0, 10), std::string("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x00", 10));
    EXPECT_EQ(gz.substr(10, gz.size() - 18), RawDeflate(kRequest));
    bool ok = false;
    EXPECT_EQ(ZlibGunzip(gz, ok), kRequest);
    EXPECT_TRUE(ok);
}

TEST_F(HttpClientTest, AnswerPathsGiveTheirExactTexts)
{
    const std::string nul(1, '\0');
    EXPECT_EQ(Post("/gzip-utf8"), kAnswer + nul + kTail);
    // A gzip answer without utf-8 in its content type is code page 949.
    EXPECT_EQ(Post("/gzip-949"), kAnswer + nul + kTail);
    EXPECT_EQ(Post("/one-byte"), "SetResponseBuffer Error" + kTail);
    EXPECT_EQ(Post("/empty"), "SetResponseBuffer Error" + kTail);
    EXPECT_EQ(Post("/bad-crc"), "ResponseBuffer Decompress Error" + kTail);
    // The request's CALL_INDEX is echoed; without one the element is empty.
    EXPECT_EQ(Post("/one-byte", WrapPostData("<COMMAND>100000</COMMAND>")),
              "SetResponseBuffer Error<CALL_INDEX></CALL_INDEX>");
}

TEST_F(HttpClientTest, PlainAnswerCarriesTheHeaderBlock)
{
    const std::string nul(1, '\0');
    // A canned answer so that every header line is known.
    const std::string headers = "Content-Type: text/html; charset=utf-8\r\n";
    front->SetCanned("/canned-plain", Raw(headers, kAnswer + "\xFF"));
    EXPECT_EQ(Post("/canned-plain"), "<HTTP HEAD>HTTP/1.1 200 OK\r\n" + headers + "Content-Length: " +
                                         std::to_string(kAnswer.size() + 1) +
                                         "\r\nConnection: close\r\n\r\n</HTTP HEAD>" + kAnswer + "\xEF\xBF\xBD" + nul +
                                         kTail);

    const std::string fromServer = Post("/plain");
    EXPECT_EQ(fromServer.rfind("<HTTP HEAD>HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_NE(fromServer.find("\r\n\r\n</HTTP HEAD>" + kAnswer + nul + kTail), std::string::npos);
    EXPECT_TRUE(IsSuccess(fromServer));

    // The status is not examined: an error page is a body like any other.
    const std::string errorPage = Post("/error-page");
    EXPECT_EQ(errorPage.rfind("<HTTP HEAD>HTTP/1.1 500 Internal Server Error\r\n", 0), 0u);
    EXPECT_FALSE(IsSuccess(errorPage));
}

TEST_F(HttpClientTest, DeflateEncodingIsNotDecoded)
{
    const std::string nul(1, '\0');
    const std::string body = "사과 <A>1</A>\xFF";
    const std::string headers = "Content-Encoding: deflate\r\nContent-Type: text/html; charset=utf-8\r\n";
    front->SetCanned("/deflate", Raw(headers, body));
    EXPECT_EQ(Post("/deflate"), "<HTTP HEAD>HTTP/1.1 200 OK\r\n" + headers + "Content-Length: " +
                                    std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n</HTTP HEAD>" +
                                    "사과 <A>1</A>\xEF\xBF\xBD" + nul + kTail);
    // Real deflate bytes take the same path: wrapped, not inflated.
    front->SetCanned("/deflate-real", Raw(headers, RawDeflate(kAnswer)));
    const std::string real = Post("/deflate-real");
    EXPECT_EQ(real.rfind("<HTTP HEAD>", 0), 0u);
    EXPECT_FALSE(IsSuccess(real));
}

TEST_F(HttpClientTest, RealContentTypeWinsOverXContentTypeOptions)
{
    const std::string nul(1, '\0');
    const std::string raw = Raw("X-Content-Type-Options: nosniff\r\nContent-Encoding: gzip\r\n"
                                "Content-Type: text/html; charset=utf-8\r\n",
                                GzipCompress(kAnswer));
    front->SetCanned("/xcto", raw);
    // Taken for the content type, the first line would make this UTF-8
    // answer code page 949 and garble every Korean name.
    EXPECT_EQ(Post("/xcto"), kAnswer + nul + kTail);

    THTTPClient client;
    std::string answer;
    client.PostRequest("127.0.0.1", "/xcto", answer, static_cast<std::uint16_t>(front->Port()), kRequest);
    EXPECT_EQ(client.ResponseHeader(26), "text/html; charset=utf-8");
    EXPECT_EQ(client.ResponseHeader(20), "gzip");
    EXPECT_EQ(client.ResponseHeader(2), "close");
    EXPECT_EQ(client.ResponseHeader(16), "");
    EXPECT_EQ(client.DeclaredContentLength(), static_cast<long long>(GzipCompress(kAnswer).size()));
    EXPECT_EQ(client.ResponseHeader(0).rfind("HTTP/1.1 200 OK\r\nX-Content-Type-Options: nosniff\r\n", 0), 0u);
}

TEST_F(HttpClientTest, DownloadAnswerWritesTheDownfile)
{
    // A file left from before is replaced.
    std::ofstream(Transport().downloadFile) << "an older and longer download";
    EXPECT_EQ(Post("/download"), "File Download" + kTail);
    std::ifstream f(Transport().downloadFile, std::ios::binary);
    std::stringstream content;
    content << f.rdbuf();
    EXPECT_EQ(content.str(), kDownloadBytes);
}

TEST_F(HttpClientTest, ClosedPortAnswersWithinSeconds)
{
    const int port = testsupport::ClosedPort();
    const auto start = std::chrono::steady_clock::now();
    THTTPClient client;
    std::string answer;
    client.PostRequest("127.0.0.1", "/NET/Order.php", answer, static_cast<std::uint16_t>(port), kRequest);
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(answer, "Send_PostRequest Error" + kTail);
    EXPECT_LT(seconds, 10);
    ASSERT_EQ(client.ErrorLines().size(), 3u);
    EXPECT_EQ(client.ErrorLines()[0].rfind("Error Code : ", 0), 0u);
    EXPECT_EQ(client.ErrorLines()[2].rfind("Meaasge    : ", 0), 0u);
}

TEST_F(HttpClientTest, BrokenAnswersGiveErrorWordsNeverACrash)
{
    struct Case {
        const char* what;
        std::string raw;
        std::string answer;
    };
    const std::string gz = GzipCompress(kAnswer);
    const std::vector<Case> cases = {
        {"headers beyond 4096 bytes", Raw("X-Filler: " + std::string(5000, 'f') + "\r\n", kAnswer),
         "SetResponseHeader Error"},
        {"body shorter than its length",
         "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n<RESULT_CODE>1", "SetResponseBuffer Error"},
        {"connection closed before any answer", "", "Send_PostRequest Error"},
        {"headers cut off", "HTTP/1.1 200 OK\r\nContent-Ty", "Send_PostRequest Error"},
        {"not HTTP at all", "garbage that is no status line\r\n\r\n", "Send_PostRequest Error"},
        {"gzip member cut in half", Raw("Content-Encoding: gzip\r\n", gz.substr(0, gz.size() / 2)),
         "ResponseBuffer Decompress Error"},
        {"gzip label on plain text", Raw("Content-Encoding: gzip\r\n", kAnswer), "ResponseBuffer Decompress Error"},
        {"chunked gzip header alone",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Encoding: gzip\r\nConnection: close\r\n\r\n" +
             std::string("5\r\n\x1F\x8B\x08\x00\x00\r\n0\r\n\r\n", 15),
         "ResponseBuffer Decompress Error"},
    };
    for (const auto& c : cases) {
        front->SetCanned("/broken", c.raw);
        EXPECT_EQ(Post("/broken"), c.answer + kTail) << c.what;
    }
}

TEST_F(HttpClientTest, HugeAnswersStayBounded)
{
    // A big plain answer arrives whole.
    std::string big;
    while (big.size() < (std::size_t(6) << 20))
        big += "<RDC_0><G_NAME>누리 사과</G_NAME></RDC_0>";
    front->SetCanned("/big", Raw("Content-Type: text/html; charset=utf-8\r\n", big));
    const std::string answer = Post("/big");
    EXPECT_EQ(answer.size(), answer.find("</HTTP HEAD>") + 12 + big.size() + 1 + kTail.size());

    // Beyond the body cap the read ends as a read error.
    Transport().maxBodyBytes = std::size_t(1) << 20;
    EXPECT_EQ(Post("/big"), "SetResponseBuffer Error" + kTail);
    Transport() = saved;

    // A decompression bomb (far beyond the default cap when inflated) ends as
    // the decompress error word.
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
    std::string bomb("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x00", 10);
    const std::size_t inflatedMb = (Transport().maxInflatedBytes >> 20) + 16;
    for (std::size_t i = 0; i < inflatedMb; ++i)
        bomb += chunk;
    bomb += std::string("\x03\x00\0\0\0\0\0\0\0\0", 10);
    ASSERT_LT(bomb.size(), Transport().maxBodyBytes);
    front->SetCanned("/bomb", Raw("Content-Encoding: gzip\r\nContent-Type: text/html; charset=utf-8\r\n", bomb));
    EXPECT_EQ(Post("/bomb"), "ResponseBuffer Decompress Error" + kTail);
}

namespace {

// Runs every transfer on a thread of its own, as the windows do, and presses
// cancel after cancelAfterMs (never when negative).
struct ThreadRunner : TransferRunner {
    ThreadRunner() { SetTransferRunner(this); }
    ~ThreadRunner() override { SetTransferRunner(nullptr); }
    void Run(const std::function<void()>& transfer, TransferCancel& cancel) override
    {
        std::thread worker([&] {
            elsewhere += std::this_thread::get_id() != caller;
            transfer();
        });
        if (cancelAfterMs >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(cancelAfterMs));
            cancel.Cancel();
        }
        worker.join();
    }
    void Report(const std::function<void()>& report) override { report(); }

    const std::thread::id caller = std::this_thread::get_id();
    int cancelAfterMs = -1;
    int elsewhere = 0;
};

} // namespace

TEST_F(HttpClientTest, CancelEndsAHeldAnswerAsAFailedLineWouldAndLeavesNoConnection)
{
    const std::string raw = Raw("Content-Type: text/html; charset=utf-8\r\n", kAnswer);
    const std::size_t body = raw.find("\r\n\r\n") + 4;
    const std::vector<std::pair<std::size_t, std::string>> cases = {
        { 0, "Send_PostRequest Error" },
        { body / 2, "Send_PostRequest Error" },
        { body, "SetResponseBuffer Error" },
        { body + kAnswer.size() / 2, "SetResponseBuffer Error" },
    };
    ThreadRunner runner;
    runner.cancelAfterMs = 200;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        front->SetCanned("/held", raw, cases[i].first, 3000);
        EXPECT_EQ(Post("/held"), cases[i].second + kTail) << cases[i].first;
        // The client hung up while the server still held the rest.
        EXPECT_TRUE(front->GaveUpReaches(static_cast<int>(i) + 1)) << cases[i].first;
    }
    // A request held on a kept-alive connection: were that connection used
    // again, the next call would read the plain answer of the cancelled one.
    front->SetDelay("/plain", 3000);
    EXPECT_EQ(Post("/plain"), "Send_PostRequest Error" + kTail);
    runner.cancelAfterMs = -1;
    EXPECT_EQ(Post("/gzip-utf8"), kAnswer + std::string(1, '\0') + kTail);
}

TEST_F(HttpClientTest, CallsOnWorkerThreadsShareOneConnection)
{
    ThreadRunner runner;
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(Post("/gzip-utf8"), kAnswer + std::string(1, '\0') + kTail) << i;
    EXPECT_EQ(runner.elsewhere, 20);
    EXPECT_EQ(front->Accepted(), 1);
}

TEST(HttpClientParts, BoundaryAndHeaderLookup)
{
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    EXPECT_EQ(THTTPClient::MakeBoundary(t, 42), "--------VHC120724090503042");
    EXPECT_EQ(THTTPClient::MakeBoundary().size(), 26u);

    const std::vector<std::string> lines = {"HTTP/1.1 200 OK", "x-content-type-options: nosniff",
                                            "CONTENT-TYPE:  text/plain ", "Last_Modified: yes", ""};
    EXPECT_EQ(FindResponseHeader(lines, 26), "text/plain");
    EXPECT_EQ(FindResponseHeader(lines, 28), "yes");
    EXPECT_EQ(FindResponseHeader(lines, 20), "");
    EXPECT_EQ(FindResponseHeader(lines, 0),
              "HTTP/1.1 200 OK\r\nx-content-type-options: nosniff\r\nCONTENT-TYPE:  text/plain \r\nLast_Modified: yes\r\n\r\n");
    EXPECT_EQ(FindResponseHeader(lines, 29), "");
    EXPECT_EQ(FindResponseHeader(lines, -1), "");
    EXPECT_EQ(FindResponseHeader({}, 26), "");
    EXPECT_STREQ(kResponseHeaderNames[26], "Content-Type");
    EXPECT_STREQ(kResponseHeaderNames[20], "Content-Encoding");
}

TEST(HttpClientParts, EveryClientCountsOneCall)
{
    const std::uint64_t before = CallCounter.load();
    {
        THTTPClient a;
        THTTPClient b;
    }
    EXPECT_EQ(CallCounter.load(), before + 2);
}
