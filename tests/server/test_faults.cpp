// Requests the service cannot read get an answer that says why, never a
// crash or a hang, and the service answers the next request as usual.

#include "RequestReader.h"
#include "ServerTestSupport.h"

#include <chrono>
#include <thread>

using namespace demo_test;
using order::BuildTag;
using order::ExtractTag;

namespace {

class Faults : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // libmicrohttpd may not notice that a client half-closed in the
        // middle of its request line until the connection has been idle
        // this long.
        demo::DemoServerOptions options;
        options.connections.idle = std::chrono::seconds(1);
        env_ = new ServiceEnvironment("faults", options);
    }
    static void TearDownTestSuite()
    {
        delete env_;
        env_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(env_->started()); }

    // The service still answers a real call.
    static void ExpectServing()
    {
        std::string answer;
        order::LookupMember(BuildTag("SAME_FIELD", "M_ID") + BuildTag("SAME_KEY", "NURI"), answer);
        EXPECT_TRUE(order::IsSuccess(answer)) << answer;
        EXPECT_EQ(order::RecordCount(answer), 1);
    }

    static ServiceEnvironment* env_;
};

ServiceEnvironment* Faults::env_ = nullptr;

std::string Wrap(const std::string& elements)
{
    return "VALUE=<POST_DATA>" + elements + "</POST_DATA>";
}

TEST_F(Faults, UnreadableRequestsAreAnsweredWithTheReason)
{
    const std::string member = Wrap(BuildTag("COMMAND", "100000") + BuildTag("SAME_FIELD", "M_ID") +
                                    BuildTag("SAME_KEY", "NURI"));
    std::string corrupt = order::GzipCompress(member);
    corrupt[corrupt.size() - 5] ^= 0x40;
    struct Case {
        const char* what;
        std::string path;
        std::string body;
        std::string type;
        const char* reason;  // part of RESULT_MESSAGE
    };
    const std::string multipart = "multipart/form-data; boundary=" + kBoundary;
    const Case cases[] = {
        {"bad multipart", "/NET/MaruMember.php", "this is not multipart", multipart, "boundary"},
        {"no boundary in the type", "/NET/MaruMember.php", ClientBody(member), "multipart/form-data", "multipart"},
        {"form encoded", "/NET/MaruMember.php", "VALUE=x", "application/x-www-form-urlencoded", "multipart"},
        {"bad gzip", "/NET/MaruMember.php", order::THTTPClient::BuildBody(kBoundary, "not gzip at all"), multipart,
         "gzip"},
        {"corrupt gzip", "/NET/MaruMember.php", order::THTTPClient::BuildBody(kBoundary, corrupt), multipart, "gzip"},
        {"bytes after the gzip member", "/NET/MaruMember.php",
         order::THTTPClient::BuildBody(kBoundary, order::GzipCompress(member) + "<SAME_KEY>X</SAME_KEY>"), multipart,
         "gzip"},
        {"not wrapped", "/NET/MaruMember.php", ClientBody("<COMMAND>100000</COMMAND>"), multipart, "POST_DATA"},
        {"no COMMAND", "/NET/MaruMember.php", ClientBody(Wrap(BuildTag("SAME_KEY", "NURI"))), multipart, "COMMAND"},
        {"unknown command", "/NET/Order.php", ClientBody(Wrap(BuildTag("COMMAND", "999999"))), multipart, "COMMAND"},
        {"command holding tags", "/NET/Order.php",
         ClientBody(Wrap(BuildTag("COMMAND", "</RESULT_MESSAGE><RESULT_CODE>1</RESULT_CODE>"))), multipart, "COMMAND"},
        {"wrong script", "/NET/Good.php", ClientBody(Wrap(BuildTag("COMMAND", "100401"))), multipart, "Good.php"},
        {"unknown script", "/NET/Nothing.php", ClientBody(member), multipart, "Nothing.php"},
        {"no member key", "/NET/Order.php", ClientBody(Wrap(BuildTag("COMMAND", "100400"))), multipart, "DB_KEY"},
    };
    for (const Case& c : cases) {
        const RawResponse r = PostRaw(env_->port(), c.path, c.body, c.type);
        ASSERT_TRUE(r.complete) << c.what;
        EXPECT_NE(r.headers.find("Content-Encoding: gzip"), std::string::npos) << c.what;
        EXPECT_NE(r.headers.find("charset=utf-8"), std::string::npos) << c.what;
        const std::string text = AnswerText(r);
        ASSERT_FALSE(text.empty()) << c.what;
        EXPECT_NE(ExtractTag("RESULT_CODE", text), "1") << c.what;
        EXPECT_FALSE(ExtractTag("RESULT_CODE", text).empty()) << c.what;
        EXPECT_EQ(text.find("<RESULT_CODE>"), text.rfind("<RESULT_CODE>")) << c.what << ": " << text;
        EXPECT_NE(ExtractTag("RESULT_MESSAGE", text).find(c.reason), std::string::npos)
            << c.what << ": " << text;
        ExpectServing();
    }
    // The same request made well is answered.
    const RawResponse ok = PostRaw(env_->port(), "/NET/MaruMember.php", ClientBody(member));
    EXPECT_EQ(ExtractTag("RESULT_CODE", AnswerText(ok)), "1");
}

TEST_F(Faults, OversizedBodyIsRefusedOnItsHead)
{
    // The refusal comes before a byte of the body is sent, and the
    // connection closes: the body is never read.
    const int fd = ConnectLoopback(env_->port());
    ASSERT_GE(fd, 0);
    SendAll(fd, PostHead("/NET/Order.php", "multipart/form-data; boundary=" + kBoundary, demo::kMaxRequestBody + 1024));
    EXPECT_EQ(ReadResponse(fd).status, 413);
    char byte;
    EXPECT_EQ(::recv(fd, &byte, 1, 0), 0);
    ::close(fd);
    ExpectServing();
}

TEST_F(Faults, CutOffBodiesLeaveTheServiceAnswering)
{
    const std::string body = ClientBody(Wrap(BuildTag("COMMAND", "100000")));
    for (std::size_t keep : {std::size_t(0), std::size_t(10), body.size() / 2, body.size() - 1}) {
        const int fd = ConnectLoopback(env_->port());
        ASSERT_GE(fd, 0);
        SendAll(fd, PostHead("/NET/MaruMember.php", "multipart/form-data; boundary=" + kBoundary, body.size()) +
                        body.substr(0, keep));
        ::close(fd);
        ExpectServing();
    }
}

TEST_F(Faults, AStalledClientDoesNotHoldUpOthers)
{
    // Several connections stop in the middle of their body and stay open.
    std::vector<int> stalled;
    for (int i = 0; i < 6; ++i) {
        const int fd = ConnectLoopback(env_->port());
        ASSERT_GE(fd, 0);
        SendAll(fd, PostHead("/NET/Order.php", "multipart/form-data; boundary=" + kBoundary, 5000) + "--" + kBoundary);
        stalled.push_back(fd);
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
        ExpectServing();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    for (const int fd : stalled)
        ::close(fd);
}

TEST_F(Faults, GarbageOnTheWireIsDropped)
{
    const char* const junk[] = {"\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", "GET\r\n\r\n",
                                "POST /NET/Order.php HTTP/1.1\r\nContent-Length: -5\r\n\r\n",
                                "POST /NET/Order.php HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"};
    for (const char* j : junk) {
        const int fd = ConnectLoopback(env_->port());
        ASSERT_GE(fd, 0);
        SendAll(fd, j);
        ::shutdown(fd, SHUT_WR);
        // Whatever the service says (an error status or nothing), it closes,
        // at the latest once the connection has been idle.
        char buf[4096];
        while (::recv(fd, buf, sizeof buf, 0) > 0) {
        }
        ::close(fd);
        ExpectServing();
    }
}

TEST_F(Faults, OnlyTheServiceScriptsAndTheUpdateFolderAreServed)
{
    for (const char* request : {"GET /NET/Order.php HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
                                "GET /etc/passwd HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
                                "GET /update/nrclient.ini HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"}) {
        // This service has no update folder.
        const RawResponse r = RawExchange(env_->port(), request);
        ASSERT_TRUE(r.complete) << request;
        EXPECT_EQ(r.status, 404) << request;
    }
    ExpectServing();
}

}  // namespace
