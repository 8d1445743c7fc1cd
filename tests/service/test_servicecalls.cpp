// The fourteen call functions against a loopback server: the request text of
// each (CALL_INDEX, COMMAND, DB_KEY, own elements, caller's elements, in that
// order), its script, the CALL_INDEX counting, and one kept-alive connection
// for a whole run of calls.
#include "DateCode.h"
#include "Gzip.h"
#include "HttpClient.h"
#include "LoopbackServer.h"
#include "ServiceCalls.h"
#include "TagMessage.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>

using namespace order;
using testsupport::HttpServer;
using testsupport::RecordingFront;

namespace {

const char* const kScripts[] = {"/NET/MaruMember.php", "/NET/Customer.php", "/NET/UCost.php",
                                "/NET/Good.php",       "/NET/Order.php",    "/NET/GMemo.php"};

std::string AnswerFor(const std::string& script)
{
    return "<RESULT_CODE>1</RESULT_CODE><SCRIPT>" + script + "</SCRIPT><G_NAME>행복마트</G_NAME>";
}

std::time_t December7()
{
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

struct Posted {
    std::string path;
    std::string text;  // the inflated request text
};

// Reads the script and the request text back out of the raw request bytes.
Posted Decode(const std::string& raw)
{
    Posted p;
    const std::size_t sp = raw.find(' ');
    p.path = raw.substr(sp + 1, raw.find(' ', sp + 1) - sp - 1);
    const std::size_t bodyAt = raw.find("\r\n\r\n") + 4;
    const std::size_t gzAt = raw.find("\r\n\r\n", bodyAt) + 4;
    const std::size_t gzEnd = raw.rfind("\r\n--");
    const std::string gz = raw.substr(gzAt, gzEnd - gzAt);
    z_stream s{};
    inflateInit2(&s, 16 + 15);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.data()));
    s.avail_in = static_cast<uInt>(gz.size());
    char buf[65536];
    int rc = Z_OK;
    while (rc == Z_OK) {
        s.next_out = reinterpret_cast<Bytef*>(buf);
        s.avail_out = sizeof buf;
        rc = inflate(&s, Z_NO_FLUSH);
        p.text.append(buf, sizeof buf - s.avail_out);
    }
    inflateEnd(&s);
    if (rc != Z_STREAM_END)
        p.text = "<not a gzip member>";
    return p;
}

class ServiceCallsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* script : kScripts) {
            http.server.Post(script, [this, script](const httplib::Request&, httplib::Response& res) {
                {
                    std::lock_guard lock(servedLock);
                    ++served[script];
                }
                res.set_header("Content-Encoding", "gzip");
                res.set_content(GzipCompress(AnswerFor(script)), "text/html; charset=utf-8");
            });
        }
        http.Start();
        front = std::make_unique<RecordingFront>(http.port);
        ::setenv("ORDER_SERVICE_HOST", ("127.0.0.1:" + std::to_string(front->Port())).c_str(), 1);
        SetFixedTimeForTesting(December7());
        CallCounter = 0;  // as at data-module creation
    }
    void TearDown() override
    {
        SetFixedTimeForTesting(0);
        ::unsetenv("ORDER_SERVICE_HOST");
        front.reset();
        http.Stop();
    }

    int Served(const std::string& script)
    {
        std::lock_guard lock(servedLock);
        return served[script];
    }
    void UseNewFront()
    {
        front = std::make_unique<RecordingFront>(http.port);
        ::setenv("ORDER_SERVICE_HOST", ("127.0.0.1:" + std::to_string(front->Port())).c_str(), 1);
    }

    HttpServer http;
    std::unique_ptr<RecordingFront> front;
    std::mutex servedLock;
    std::map<std::string, int> served;  // requests the service has carried out, by script
};

struct CallCase {
    const char* name;
    std::function<void(std::string&)> call;
    const char* script;
    const char* command;
    bool callIndex;
    bool dbKey;
    std::string own;     // the function's own elements
    std::string caller;  // the caller's elements passed through
};

const std::string kKey = "000001";

std::vector<CallCase> AllCalls()
{
    const std::string same = BuildTag("SAME_FIELD", "C_ID") + BuildTag("SAME_KEY", "SHOP01");
    const std::string like = BuildTag("LIKE_FIELD", "G_NAME") + BuildTag("LIKE_KEY", "%사과 & <배>%");
    const std::string order = BuildTag("ORDERH_DATA", BuildTag("OH_CODE", "X1")) +
                              BuildTag("ORDERL_DATA", BuildTag("OLD_0", BuildTag("OL_NO", "0")));
    return {
        {"LookupMember", [=](std::string& a) { LookupMember(same, a); }, "/NET/MaruMember.php", "100000", false, false,
         "", same},
        {"LookupCustomer", [=](std::string& a) { LookupCustomer(kKey, same, a); }, "/NET/Customer.php", "100200", true,
         true, "", same},
        {"SetCustomerPassword", [=](std::string& a) { SetCustomerPassword(kKey, "000101", BuildTag("C_SS", "2580"), a); },
         "/NET/Customer.php", "100202", true, true, BuildTag("C_CODE", "000101"), BuildTag("C_SS", "2580")},
        {"ListTradedProducts", [=](std::string& a) { ListTradedProducts(kKey, like, a); }, "/NET/UCost.php", "100300",
         false, true, "", like},
        {"RemoveTradedProduct", [=](std::string& a) { RemoveTradedProduct(kKey, "000101", "G0042", a); },
         "/NET/UCost.php", "100303", false, true, BuildTag("U_CC", "000101") + BuildTag("U_GC", "G0042"), ""},
        {"SearchProducts", [=](std::string& a) { SearchProducts(kKey, like, a); }, "/NET/Good.php", "100106", true, true,
         "", like},
        {"ListGroupProducts", [=](std::string& a) { ListGroupProducts(kKey, BuildTag("GROUP_KEY", "A"), a); },
         "/NET/Good.php", "J00106", true, true, "", BuildTag("GROUP_KEY", "A")},
        {"ListClasses", [=](std::string& a) { ListClasses(kKey, BuildTag("C_CODE", "000101"), a); }, "/NET/Good.php",
         "100107", true, true, "", BuildTag("C_CODE", "000101")},
        {"SendOrder", [=](std::string& a) { SendOrder(kKey, order, a); }, "/NET/Order.php", "100401", true, true, "",
         order},
        {"ListOrders", [=](std::string& a) { ListOrders(kKey, BuildTag("WHERE_OPTION", " OH_CC = '000101' AND OH_IOG <> 'S' "), a); },
         "/NET/Order.php", "100400", true, true, "", BuildTag("WHERE_OPTION", " OH_CC = '000101' AND OH_IOG <> 'S' ")},
        {"RegisterSample", [=](std::string& a) { RegisterSample(kKey, "X1", BuildTag("ORDERH_DATA", "<OH_SG>1</OH_SG>"), a); },
         "/NET/Order.php", "100411", false, true, BuildTag("OH_CODE", "X1"), BuildTag("ORDERH_DATA", "<OH_SG>1</OH_SG>")},
        {"GetOrder", [=](std::string& a) { GetOrder(kKey, "X1", a); }, "/NET/Order.php", "100406", true, true,
         BuildTag("OH_CODE", "X1"), ""},
        {"DeleteOrder", [=](std::string& a) { DeleteOrder(kKey, "X1", a); }, "/NET/Order.php", "100403", true, true,
         BuildTag("OH_CODE", "X1"), ""},
        {"ListNotices", [=](std::string& a) { ListNotices(kKey, BuildTag("GM_GC", "999999") + BuildTag("ORDERBY", "GM_NO ASC"), a); },
         "/NET/GMemo.php", "100102", true, true, "", BuildTag("GM_GC", "999999") + BuildTag("ORDERBY", "GM_NO ASC")},
    };
}

}  // namespace

TEST_F(ServiceCallsTest, EveryCallSendsItsElementsInOrderToItsScript)
{
    const std::vector<CallCase> calls = AllCalls();
    ASSERT_EQ(calls.size(), 14u);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const CallCase& c = calls[i];
        const std::string index = "241207-" + std::to_string(i + 1);
        front->Clear();
        std::string answer = "stale";
        c.call(answer);

        std::string elements;
        if (c.callIndex)
            elements += BuildTag("CALL_INDEX", index);
        elements += BuildTag("COMMAND", c.command);
        if (c.dbKey)
            elements += BuildTag("DB_KEY", kKey);
        elements += c.own + c.caller;

        const std::vector<std::string> raw = front->Requests();
        ASSERT_EQ(raw.size(), 1u) << c.name;
        const Posted posted = Decode(raw[0]);
        EXPECT_EQ(posted.path, c.script) << c.name;
        EXPECT_EQ(posted.text, WrapPostData(elements)) << c.name;
        EXPECT_EQ(answer, AnswerFor(c.script) + std::string(1, '\0') +
                              BuildTag("CALL_INDEX", c.callIndex ? index : std::string()))
            << c.name;
        EXPECT_TRUE(IsSuccess(answer)) << c.name;
    }
    EXPECT_EQ(CallCounter.load(), 14u);
    // Each call had its own client object, yet one kept-alive connection
    // carried every look-up; each of the five calls that change data
    // (password, traded-list removal, send, sample, delete) opened its own.
    EXPECT_EQ(front->Accepted(), 1 + 5);
}

// A relay lets the service carry a request out and then closes the
// connection without the answer. Were a call that changes data sent again
// on a new connection, the service would store it twice and the caller would
// see a plain success; it must see the failure instead, so that the window
// can ask before anything is sent again.
TEST_F(ServiceCallsTest, ALostAnswerOfACallThatChangesDataIsNeverSentAgain)
{
    struct Changing {
        const char* name;
        const char* script;
        std::function<void(std::string&)> call;
    };
    const std::string order = BuildTag("ORDERH_DATA", BuildTag("OH_CODE", ""));
    const std::vector<Changing> calls = {
        {"SetCustomerPassword", "/NET/Customer.php",
         [](std::string& a) { SetCustomerPassword(kKey, "000101", BuildTag("C_SS", "2580"), a); }},
        {"RemoveTradedProduct", "/NET/UCost.php", [](std::string& a) { RemoveTradedProduct(kKey, "000101", "G1", a); }},
        {"SendOrder", "/NET/Order.php", [=](std::string& a) { SendOrder(kKey, order, a); }},
        {"RegisterSample", "/NET/Order.php", [](std::string& a) { RegisterSample(kKey, "X1", "", a); }},
        {"DeleteOrder", "/NET/Order.php", [](std::string& a) { DeleteOrder(kKey, "X1", a); }},
    };
    for (const bool keptAlive : {true, false}) {
        for (const bool statusLine : {false, true}) {
            for (const Changing& c : calls) {
                const std::string where = std::string(c.name) + (keptAlive ? " kept-alive" : " fresh")
                    + (statusLine ? " status line" : " nothing");
                UseNewFront();
                std::string answer;
                if (keptAlive) {
                    LookupMember("", answer);
                    ASSERT_TRUE(IsSuccess(answer)) << where;
                }
                const int before = Served(c.script);
                front->Clear();
                front->DropNextAnswer(c.script, true, statusLine);
                c.call(answer);
                EXPECT_EQ(answer.rfind("Send_PostRequest Error<CALL_INDEX>", 0), 0u) << where << ": " << answer;
                EXPECT_EQ(Served(c.script), before + 1) << where;
                EXPECT_EQ(front->Requests().size(), 1u) << where;
                // The connections left behind still serve the next call.
                LookupMember("", answer);
                EXPECT_TRUE(IsSuccess(answer)) << where;
            }
        }
    }
}

// Look-ups keep libcurl's replay: asking again changes nothing, and the
// rig above really loses an answer on a kept-alive connection.
TEST_F(ServiceCallsTest, ALostAnswerOfALookUpIsFetchedAgainOnANewConnection)
{
    std::string answer;
    LookupMember("", answer);
    ASSERT_TRUE(IsSuccess(answer));
    const int before = Served("/NET/GMemo.php");
    front->DropNextAnswer("/NET/GMemo.php", true);
    ListNotices(kKey, "", answer);
    EXPECT_TRUE(IsSuccess(answer)) << answer;
    EXPECT_EQ(Served("/NET/GMemo.php"), before + 2);
    EXPECT_EQ(front->Accepted(), 2);
}

TEST_F(ServiceCallsTest, CallIndexCountsEveryCallOfTheRun)
{
    std::string answer;
    LookupMember(BuildTag("SAME_FIELD", "M_ID") + BuildTag("SAME_KEY", "NURI"), answer);
    EXPECT_EQ(ExtractTag("CALL_INDEX", answer), "");
    EXPECT_EQ(Decode(front->LastRequest()).text,
              "VALUE=<POST_DATA><COMMAND>100000</COMMAND><SAME_FIELD>M_ID</SAME_FIELD><SAME_KEY>NURI</SAME_KEY></POST_DATA>");
    // The member look-up carries no CALL_INDEX but is counted: the customer
    // look-up after it is the second call.
    LookupCustomer(kKey, BuildTag("SAME_FIELD", "C_ID") + BuildTag("SAME_KEY", "SHOP01"), answer);
    EXPECT_EQ(ExtractTag("CALL_INDEX", Decode(front->LastRequest()).text), "241207-2");
    EXPECT_EQ(ExtractTag("CALL_INDEX", answer), "241207-2");
    ListTradedProducts(kKey, "", answer);
    RemoveTradedProduct(kKey, "000101", "G1", answer);
    DeleteOrder(kKey, "X1", answer);
    EXPECT_EQ(ExtractTag("CALL_INDEX", Decode(front->LastRequest()).text), "241207-5");
    EXPECT_EQ(answer.substr(answer.size() - 33), "<CALL_INDEX>241207-5</CALL_INDEX>");
}

TEST_F(ServiceCallsTest, UnreachableHostGivesTheSendErrorWord)
{
    ::setenv("ORDER_SERVICE_HOST", ("127.0.0.1:" + std::to_string(testsupport::ClosedPort())).c_str(), 1);
    std::string answer;
    LookupCustomer(kKey, "", answer);
    EXPECT_EQ(answer, "Send_PostRequest Error<CALL_INDEX>241207-1</CALL_INDEX>");
    LookupMember("", answer);
    EXPECT_EQ(answer, "Send_PostRequest Error<CALL_INDEX></CALL_INDEX>");
    EXPECT_FALSE(IsSuccess(answer));
    EXPECT_EQ(RecordCount(answer), 0);
}

TEST_F(ServiceCallsTest, ManyCallsShareOneConnection)
{
    std::string answer;
    for (int i = 0; i < 25; ++i) {
        ListNotices(kKey, "", answer);
        ASSERT_TRUE(IsSuccess(answer)) << i;
    }
    EXPECT_EQ(front->Requests().size(), 25u);
    EXPECT_EQ(front->Accepted(), 1);
}

TEST(ServiceEndpoint, HostAndPortFromTheEnvironment)
{
    struct Case {
        const char* text;
        bool ok;
        const char* host;
        int port;
    };
    const std::vector<Case> cases = {
        {"127.0.0.1:8080", true, "127.0.0.1", 8080},
        {"order.example", true, "order.example", 80},
        {"[::1]:9000", true, "::1", 9000},
        {"[::1]", true, "::1", 80},
        {"host:", true, "host", 80},
        {"", false, "", 0},
        {":80", false, "", 0},
        {"host:0", false, "", 0},
        {"host:65536", false, "", 0},
        {"host:http", false, "", 0},
        {"a:1:2", false, "", 0},
        {"[::1", false, "", 0},
        {"[::1]x", false, "", 0},
    };
    for (const auto& c : cases) {
        ServiceEndpoint ep{"unchanged", 1};
        EXPECT_EQ(ParseHostPort(c.text, ep), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(ep.host, c.host) << c.text;
            EXPECT_EQ(ep.port, c.port) << c.text;
        } else {
            EXPECT_EQ(ep.host, "unchanged") << c.text;
        }
    }
    ::unsetenv("ORDER_SERVICE_HOST");
    const ServiceEndpoint fallback = ServiceHost();
    EXPECT_FALSE(fallback.host.empty());
    EXPECT_EQ(fallback.port, 80);
    ::setenv("ORDER_SERVICE_HOST", "not a host:port:", 1);
    EXPECT_EQ(ServiceHost().host, fallback.host);
    ::setenv("ORDER_SERVICE_HOST", "127.0.0.1:8123", 1);
    EXPECT_EQ(ServiceHost().host, "127.0.0.1");
    EXPECT_EQ(ServiceHost().port, 8123);
    ::unsetenv("ORDER_SERVICE_HOST");
}

TEST(ServiceEndpoint, BuiltInHostMayCarryItsPort)
{
    struct Case {
        const char* builtIn;
        const char* environment;
        const char* host;
        int port;
    };
    const std::vector<Case> cases = {
        {"order.supplier.example", nullptr, "order.supplier.example", 80},
        {"order.supplier.example:8080", nullptr, "order.supplier.example", 8080},
        {"[2001:db8::5]:8443", nullptr, "2001:db8::5", 8443},
        {"order.supplier.example:8080", "127.0.0.1:9000", "127.0.0.1", 9000},
        {"order.supplier.example:8080", "127.0.0.1", "127.0.0.1", 80},
        {"order.supplier.example:8080", "bad:host:name", "order.supplier.example", 8080},
        {"order.supplier.example:8080", "", "order.supplier.example", 8080},
    };
    for (const auto& c : cases) {
        const ServiceEndpoint ep = ChooseServiceHost(c.builtIn, c.environment);
        EXPECT_EQ(ep.host, c.host) << c.builtIn << " / " << (c.environment ? c.environment : "(unset)");
        EXPECT_EQ(ep.port, c.port) << c.builtIn << " / " << (c.environment ? c.environment : "(unset)");
    }
}
