// What the worker thread costs a quick call: the fourteen service calls
// against the demo service on loopback, run in place (as the program did
// before) and through the windows' TCallWait, alternately in the same run.
//
// Counters: in_place_us and worker_us (mean wall time of one call),
// extra_us_per_call (their difference; the goal is under 200).
// BM_EmptyTransfer: the hand-over to the worker and back alone, for a
// transfer that does nothing (in_place_us, worker_us, extra_us).
// BM_SendOnAFreshConnection: a send on the kept-alive connection and on a
// connection of its own (kept_alive_us, fresh_us, extra_us).

#include "CallWait.h"
#include "DemoServer.h"
#include "HttpClient.h"
#include "ServiceCalls.h"
#include "TagMessage.h"
#include "Transfer.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using order::BuildTag;
using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

const std::string kKey = "000001";
const std::string kCustomer = "000101";

// A new order of one line, as the caller's elements of a send.
std::string OneLineOrder()
{
    return BuildTag("ORDERH_DATA",
               BuildTag("OH_CODE", "") + BuildTag("OH_MCOUNT", "1") + BuildTag("OH_CC", kCustomer)
                   + BuildTag("OH_TYPE", "C") + BuildTag("OH_IOG", "A") + BuildTag("OH_RCOUNT", "1")
                   + BuildTag("OH_MC", kKey))
        + BuildTag("ORDERL_DATA",
            BuildTag("OLD_0",
                BuildTag("OL_NO", "0") + BuildTag("OL_CC", kCustomer) + BuildTag("OL_GC", "100001")
                    + BuildTag("OL_LC", "2") + BuildTag("OL_LN", "")));
}

std::vector<std::function<void(std::string&)>> FourteenCalls()
{
    const std::string order = OneLineOrder();
    const std::string customer = BuildTag("SAME_FIELD", "U_CC") + BuildTag("SAME_KEY", kCustomer);
    return {
        [](std::string& a) { order::LookupMember(BuildTag("SAME_FIELD", "M_ID") + BuildTag("SAME_KEY", "NURI"), a); },
        [](std::string& a) {
            order::LookupCustomer(kKey, BuildTag("SAME_FIELD", "C_ID") + BuildTag("SAME_KEY", "SHOP01"), a);
        },
        [](std::string& a) { order::SetCustomerPassword(kKey, kCustomer, BuildTag("C_SS", "2580"), a); },
        [=](std::string& a) { order::ListTradedProducts(kKey, customer + BuildTag("ORDERBY", "U_DATE DESC"), a); },
        [](std::string& a) { order::RemoveTradedProduct(kKey, kCustomer, "999999", a); },
        [](std::string& a) {
            order::SearchProducts(kKey,
                BuildTag("C_CODE", kCustomer) + BuildTag("LIKE_FIELD", "G_NAME") + BuildTag("LIKE_KEY", "%사과%")
                    + BuildTag("ORDERBY", "G_NAME ASC"),
                a);
        },
        [](std::string& a) {
            order::ListGroupProducts(kKey,
                BuildTag("C_CODE", kCustomer) + BuildTag("GROUP_FIELD", "G_PART") + BuildTag("GROUP_KEY", "A")
                    + BuildTag("ORDERBY", "G_NAME ASC"),
                a);
        },
        [](std::string& a) { order::ListClasses(kKey, BuildTag("C_CODE", kCustomer), a); },
        [=](std::string& a) { order::SendOrder(kKey, order, a); },
        [](std::string& a) {
            order::ListOrders(kKey,
                BuildTag("WHERE_OPTION", " OH_CC = '" + kCustomer + "' AND OH_IOG <> 'S' ")
                    + BuildTag("ORDERBY", "OH_SD DESC,OH_CODE DESC"),
                a);
        },
        [](std::string& a) {
            order::RegisterSample(
                kKey, "00000001", BuildTag("ORDERH_DATA", BuildTag("OH_CODE", "00000001") + BuildTag("OH_SG", "1")), a);
        },
        [](std::string& a) { order::GetOrder(kKey, "00000001", a); },
        [](std::string& a) { order::DeleteOrder(kKey, "99999999", a); },
        [](std::string& a) {
            order::ListNotices(kKey, BuildTag("GM_GC", "999999") + BuildTag("ORDERBY", "GM_NO ASC"), a);
        },
    };
}

// Runs body once in place and once through the worker per iteration, the
// order alternating, and reports both means per unit and their difference.
void Alternate(benchmark::State& state, int units, const std::function<void()>& body, const char* extraName)
{
    order::TCallWait wait;
    Micros inPlace {}, worker {};
    long rounds = 0;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool onWorker = (turn == 0) == (rounds % 2 == 0);
            order::SetTransferRunner(onWorker ? &wait : nullptr);
            const auto start = Clock::now();
            body();
            (onWorker ? worker : inPlace) += Clock::now() - start;
        }
        ++rounds;
    }
    order::SetTransferRunner(nullptr);
    const double n = static_cast<double>(rounds) * units;
    state.counters["in_place_us"] = inPlace.count() / n;
    state.counters["worker_us"] = worker.count() / n;
    state.counters[extraName] = (worker.count() - inPlace.count()) / n;
    state.counters["boxes"] = wait.BoxesShown();
}

void BM_FourteenCalls(benchmark::State& state)
{
    const auto calls = FourteenCalls();
    std::string answer;
    Alternate(
        state, static_cast<int>(calls.size()),
        [&] {
            for (const auto& call : calls)
                call(answer);
        },
        "extra_us_per_call");
}

void BM_EmptyTransfer(benchmark::State& state)
{
    int runs = 0;
    Alternate(
        state, 1,
        [&] {
            order::TransferCancel cancel;
            order::RunTransfer([&] { ++runs; }, cancel);
        },
        "extra_us");
    benchmark::DoNotOptimize(runs);
}

// What a connection of its own costs a send (every call that changes data
// goes on one): the same order sent on the kept-alive connection and on a
// fresh one, alternately, in place.
void BM_SendOnAFreshConnection(benchmark::State& state)
{
    const std::string text = order::WrapPostData(
        BuildTag("CALL_INDEX", "261209-1") + BuildTag("COMMAND", "100401") + BuildTag("DB_KEY", kKey) + OneLineOrder());
    const order::ServiceEndpoint ep = order::ServiceHost();
    Micros keptAlive {}, fresh {};
    long rounds = 0;
    std::string answer;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool own = (turn == 0) == (rounds % 2 == 0);
            order::THTTPClient client;
            client.SetChangesData(own);
            const auto start = Clock::now();
            client.PostRequest(ep.host, "/NET/Order.php", answer, ep.port, text);
            (own ? fresh : keptAlive) += Clock::now() - start;
            if (!order::IsSuccess(answer))
                state.SkipWithError("send refused");
        }
        ++rounds;
    }
    state.counters["kept_alive_us"] = keptAlive.count() / rounds;
    state.counters["fresh_us"] = fresh.count() / rounds;
    state.counters["extra_us"] = (fresh.count() - keptAlive.count()) / rounds;
}

BENCHMARK(BM_FourteenCalls)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_EmptyTransfer)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_SendOnAFreshConnection)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const std::filesystem::path dir
        = std::filesystem::temp_directory_path() / ("bench_gui_calls_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    int status = 0;
    {
        demo::DemoServerOptions options;
        options.dbPath = (dir / "demo.db").string();
        demo::DemoServer server(options);
        if (!server.Start("127.0.0.1", 0)) {
            status = 1;
        } else {
            ::setenv("ORDER_SERVICE_HOST", server.HostPort().c_str(), 1);
            ::setenv("no_proxy", "127.0.0.1,localhost", 1);
            ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
            benchmark::RunSpecifiedBenchmarks();
        }
    }
    benchmark::Shutdown();
    std::filesystem::remove_all(dir);
    return status;
}
