// The demo service's answer times through the client's own call functions,
// each as a ratio to the smallest call (the member look-up) measured in the
// same run, with a 50,000-product catalogue in the database.
//
// Counters: vs_member_lookup (wall time of one call / that of the member
// look-up), records (records in the answer).

#include "DemoServer.h"
#include "ServiceCalls.h"
#include "TagMessage.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

using order::BuildTag;

const std::string kMember = "000001";
double g_baselineUs = 0;

double MeanMicros(benchmark::State& state, std::chrono::steady_clock::duration total)
{
    return std::chrono::duration<double, std::micro>(total).count() / static_cast<double>(state.iterations());
}

template <typename Call>
void RunCalls(benchmark::State& state, Call call, bool baseline = false)
{
    std::string answer;
    std::chrono::steady_clock::duration total{};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        call(answer);
        total += std::chrono::steady_clock::now() - start;
        if (!order::IsSuccess(answer)) {
            state.SkipWithError("failed answer");
            return;
        }
    }
    const double us = MeanMicros(state, total);
    if (baseline)
        g_baselineUs = us;
    else if (g_baselineUs > 0)
        state.counters["vs_member_lookup"] = us / g_baselineUs;
    state.counters["records"] = static_cast<double>(order::RecordCount(answer));
    state.counters["answer_KB"] = static_cast<double>(answer.size()) / 1024.0;
}

void BM_MemberLookup(benchmark::State& state)
{
    RunCalls(
        state,
        [](std::string& a) { order::LookupMember(BuildTag("SAME_FIELD", "M_ID") + BuildTag("SAME_KEY", "NURI"), a); },
        true);
}

void BM_TradedList(benchmark::State& state)
{
    RunCalls(state, [](std::string& a) {
        order::ListTradedProducts(kMember,
                                  BuildTag("SAME_FIELD", "U_CC") + BuildTag("SAME_KEY", "000101") +
                                      BuildTag("ORDERBY", "U_DATE DESC"),
                                  a);
    });
}

void BM_CatalogueList50k(benchmark::State& state)
{
    RunCalls(state, [](std::string& a) {
        order::ListGroupProducts(kMember,
                                 BuildTag("C_CODE", "000101") + BuildTag("GROUP_FIELD", "G_PART") +
                                     BuildTag("GROUP_KEY", "A") + BuildTag("ORDERBY", "G_NAME ASC"),
                                 a);
    });
}

void BM_CatalogueSearch50k(benchmark::State& state)
{
    RunCalls(state, [](std::string& a) {
        order::SearchProducts(kMember,
                              BuildTag("C_CODE", "000101") + BuildTag("LIKE_FIELD", "G_NAME") +
                                  BuildTag("LIKE_KEY", "%우유%") + BuildTag("ORDERBY", "G_NAME ASC"),
                              a);
    });
}

std::string TenLineOrder()
{
    std::string h = BuildTag("OH_CODE", "") + BuildTag("OH_MCOUNT", "1") + BuildTag("OH_DD", "") +
                    BuildTag("OH_CC", "000102") + BuildTag("OH_TYPE", "C") + BuildTag("OH_IOG", "A") +
                    BuildTag("OH_RCOUNT", "10") + BuildTag("OH_NOTE", "bench") + BuildTag("OH_MC", kMember);
    std::string l;
    for (int i = 0; i < 10; ++i)
        l += BuildTag("OLD_" + std::to_string(i), BuildTag("OL_NO", std::to_string(i)) + BuildTag("OL_CC", "000102") +
                                                      BuildTag("OL_GC", std::to_string(100001 + i)) +
                                                      BuildTag("OL_LC", "3") + BuildTag("OL_LN", ""));
    return BuildTag("ORDERH_DATA", h) + BuildTag("ORDERL_DATA", l);
}

void BM_SendOrder10Lines(benchmark::State& state)
{
    const std::string order = TenLineOrder();
    RunCalls(state, [&](std::string& a) { order::SendOrder(kMember, order, a); });
}

void BM_OrderList(benchmark::State& state)
{
    RunCalls(state, [](std::string& a) {
        order::ListOrders(kMember,
                          BuildTag("WHERE_OPTION", " OH_CC = '000102' AND OH_IOG <> 'S' ") +
                              BuildTag("ORDERBY", "OH_SD DESC,OH_CODE DESC"),
                          a);
    });
}

// Baseline first, so that the others can report their ratio.
BENCHMARK(BM_MemberLookup)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_TradedList)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_SendOrder10Lines)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_OrderList)->UseRealTime()->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_CatalogueSearch50k)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_CatalogueList50k)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("bench_server_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    int status = 0;
    {
        demo::DemoServerOptions options;
        options.dbPath = (dir / "bench.db").string();
        options.largeCatalog = 50000;
        demo::DemoServer server(options);
        if (!server.Start("127.0.0.1", 0)) {
            std::cerr << "cannot start the demo service\n";
            status = 1;
        } else {
            ::setenv("ORDER_SERVICE_HOST", server.HostPort().c_str(), 1);
            benchmark::RunSpecifiedBenchmarks();
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    benchmark::Shutdown();
    return status;
}
