// Sixteen shops' clients at once, 500 mixed calls each, through the client's
// own call functions: no failed answer, no lost and no duplicated order.

#include "OrderRequest.h"
#include "ServerTestSupport.h"

#include <atomic>
#include <chrono>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <thread>

using namespace demo_test;
using order::BuildTag;
using order::ExtractTag;

namespace {

constexpr int kThreads = 16;
constexpr int kCallsPerThread = 500;
const std::string kMember = "000001";
const char* const kCustomers[] = {"000101", "000102", "000103", "000104"};

struct ThreadResult {
    int calls = 0;
    std::vector<std::string> failures;
    // Order code -> note of the order as last sent by this thread.
    std::map<std::string, std::string> sent;
};

std::string NewOrderNote(int thread, int i)
{
    return "LOAD-" + std::to_string(thread) + "-" + std::to_string(i);
}

void RunClient(int thread, ThreadResult& result)
{
    const std::string customer = kCustomers[thread % 4];
    const std::string nc = customer.substr(4);
    std::string lastCode;
    for (int i = 0; i < kCallsPerThread; ++i) {
        std::string answer;
        const char* what = "";
        switch (i % 10) {
        case 0:
            what = "traded list";
            order::ListTradedProducts(kMember,
                                      BuildTag("SAME_FIELD", "U_CC") + BuildTag("SAME_KEY", customer) +
                                          BuildTag("ORDERBY", i % 20 ? "U_DATE DESC" : "G_NAME ASC"),
                                      answer);
            break;
        case 1:
            what = "catalogue search";
            order::SearchProducts(kMember,
                                  BuildTag("C_CODE", customer) + BuildTag("LIKE_FIELD", "G_NAME") +
                                      BuildTag("LIKE_KEY", i % 20 ? "%우유%" : "라면%") + BuildTag("ORDERBY", "G_NAME ASC"),
                                  answer);
            break;
        case 2:
            what = "catalogue list";
            order::ListGroupProducts(kMember,
                                     BuildTag("C_CODE", customer) + BuildTag("GROUP_FIELD", "G_PART") +
                                         BuildTag("GROUP_KEY", "A") + BuildTag("ORDERBY", "G_NAME ASC"),
                                     answer);
            break;
        case 3:
        case 7: {
            what = "send new";
            TestOrder o;
            o.customer = customer;
            o.nc = nc;
            o.note = NewOrderNote(thread, i);
            o.state = i % 20 == 3 ? "X" : "A";
            o.lines = {{std::to_string(100001 + (i + thread) % 200), "", "", std::to_string(1 + i % 9), ""},
                       {"YZ", "직접 품목 " + std::to_string(i), "EA", "1", ""}};
            order::SendOrder(kMember, OrderElements(o), answer);
            const std::string code = ExtractTag("OH_CODE", answer);
            if (order::IsSuccess(answer)) {
                if (result.sent.count(code))
                    result.failures.push_back("code given twice: " + code);
                result.sent[code] = o.note;
                lastCode = code;
            }
            break;
        }
        case 4:
            what = "order list";
            order::ListOrders(kMember, OrderFilter(customer), answer);
            break;
        case 5:
            what = "read order";
            if (lastCode.empty()) {
                order::LookupCustomer(kMember, BuildTag("SAME_FIELD", "C_CODE") + BuildTag("SAME_KEY", customer), answer);
            } else {
                order::GetOrder(kMember, lastCode, answer);
                if (ExtractTag("OH_CODE", ExtractTag("ORDERH_DATA", answer)) != lastCode)
                    result.failures.push_back("read another order than " + lastCode);
            }
            break;
        case 6:
            what = "notices";
            order::ListNotices(kMember, BuildTag("GM_GC", "999999") + BuildTag("ORDERBY", "GM_NO ASC"), answer);
            break;
        case 8: {
            what = "resend";
            if (lastCode.empty()) {
                order::ListClasses(kMember, BuildTag("C_CODE", customer), answer);
                break;
            }
            // The shop changes its last order: same code, new note and lines.
            TestOrder o;
            o.code = lastCode;
            o.customer = customer;
            o.nc = nc;
            o.count = "2";
            o.note = NewOrderNote(thread, i) + "-R";
            o.lines = {{std::to_string(100201 + (i + thread) % 50), "", "", "3", "수정"}};
            order::SendOrder(kMember, OrderElements(o), answer);
            if (order::IsSuccess(answer))
                result.sent[lastCode] = o.note;
            break;
        }
        default:
            what = "classes";
            order::ListClasses(kMember, BuildTag("C_CODE", customer), answer);
            break;
        }
        ++result.calls;
        if (!order::IsSuccess(answer))
            result.failures.push_back(std::string(what) + ": " + answer.substr(0, 200));
    }
}

TEST(Load, SixteenClientsFiveHundredMixedCallsEach)
{
    ServiceEnvironment env("load");
    ASSERT_TRUE(env.started());

    std::vector<ThreadResult> results(kThreads);
    std::vector<std::thread> threads;
    const auto start = std::chrono::steady_clock::now();
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(RunClient, t, std::ref(results[t]));
    for (auto& t : threads)
        t.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    int calls = 0;
    std::size_t failures = 0;
    std::map<std::string, std::string> sent;
    for (const auto& r : results) {
        calls += r.calls;
        failures += r.failures.size();
        for (const auto& f : r.failures)
            ADD_FAILURE() << f;
        for (const auto& [code, note] : r.sent)
            EXPECT_TRUE(sent.emplace(code, note).second) << "order code given to two clients: " << code;
    }
    const double rate = calls / seconds;
    std::cout << "load: " << calls << " calls in " << seconds << " s, " << rate << " calls/s, " << failures
              << " failed answers, " << sent.size() << " orders sent\n";
    ::testing::Test::RecordProperty("calls_per_second", static_cast<int>(rate));
    ::testing::Test::RecordProperty("failed_answers", static_cast<int>(failures));
    EXPECT_EQ(calls, kThreads * kCallsPerThread);
    EXPECT_EQ(failures, 0u);
    EXPECT_EQ(sent.size(), static_cast<std::size_t>(kThreads * (kCallsPerThread / 10) * 2));

    // Every order sent is stored once, with the content last sent for it.
    std::map<std::string, int> seen;
    for (const char* customer : kCustomers) {
        std::string answer;
        order::ListOrders(kMember, OrderFilter(customer), answer);
        ASSERT_TRUE(order::IsSuccess(answer));
        for (const auto& r : Records(answer)) {
            const std::string note = F(r, "OH_NOTE");
            if (note.rfind("LOAD-", 0) != 0)
                continue;
            ++seen[F(r, "OH_CODE")];
            const auto it = sent.find(F(r, "OH_CODE"));
            ASSERT_NE(it, sent.end()) << "stored order nobody sent: " << F(r, "OH_CODE");
            EXPECT_EQ(it->second, note);
        }
    }
    EXPECT_EQ(seen.size(), sent.size()) << "lost orders";
    for (const auto& [code, count] : seen)
        EXPECT_EQ(count, 1) << code;
}

}  // namespace
