// Reading the records of a list answer: the record walk against the naive
// reader that looks every record up in the whole answer. The walk must stay
// linear: its time per record is the same for 2,000 and 50,000 records.
#include "BenchSupport.h"
#include "TagMessage.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <map>
#include <string>

using namespace order;

namespace {

const char* const kFields[] = {"G_NAME", "G_BOX", "G_BCNT", "U_DATE", "U_COST",
                               "U_CNT",  "G_BCODE", "G_GPN1", "G_CODE", "U_NOTE"};

const std::string& Answer(int n)
{
    static std::map<int, std::string> cache;
    auto it = cache.find(n);
    if (it != cache.end())
        return it->second;
    static const char* const names[] = {"누리 사과 5kg", "행복 배 3kg 선물세트", "우리밀 국수 900g", "동네 두부 300g",
                                        "새봄 포기김치 10kg", "국산 콩나물 1kg", "참기름 350ml", "햇쌀 20kg"};
    std::string a = BuildTag("RESULT_CODE", "1") + BuildTag("RESULT_RECORD_COUNT", std::to_string(n));
    for (int i = 0; i < n; ++i) {
        std::string r;
        r += BuildTag("G_NAME", std::string(names[i % 8]) + " " + std::to_string(i));
        r += BuildTag("G_BOX", "박스");
        r += BuildTag("G_BCNT", std::to_string(1 + i % 24));
        r += BuildTag("U_DATE", "241207");
        r += BuildTag("U_COST", std::to_string(1000 + (i * 37) % 90000));
        r += BuildTag("U_CNT", std::to_string(i % 100));
        r += BuildTag("G_BCODE", "880" + std::to_string(1000000000 + i));
        r += BuildTag("G_GPN1", "과일");
        r += BuildTag("G_CODE", "G" + std::to_string(100000 + i));
        r += BuildTag("U_NOTE", i % 3 ? "" : "냉장 보관");
        a += BuildTag(RecordName(i), r);
    }
    a += '\0';
    a += "<CALL_INDEX>241207-3</CALL_INDEX>";
    return cache.emplace(n, std::move(a)).first->second;
}

std::size_t ReadFields(std::string_view record)
{
    std::size_t bytes = 0;
    for (const char* f : kFields)
        bytes += ExtractTagView(f, record).size();
    return bytes;
}

std::size_t Walk(const std::string& answer)
{
    const long long n = RecordCount(answer);
    RecordWalker walker(answer);
    std::size_t bytes = 0;
    for (long long i = 0; i < n; ++i)
        bytes += ReadFields(walker.Next());
    return bytes;
}

std::size_t Naive(const std::string& answer)
{
    const long long n = RecordCount(answer);
    std::size_t bytes = 0;
    for (long long i = 0; i < n; ++i)
        bytes += ReadFields(ExtractTag(RecordName(i), answer));
    return bytes;
}

// Thread CPU time: the machine may be busy with other work, and the ratios
// below compare work done, not waiting.
double Seconds(std::size_t (*read)(const std::string&), const std::string& answer, std::size_t& sink)
{
    const double start = bench::CpuMs();
    sink += read(answer);
    return (bench::CpuMs() - start) / 1e3;
}

void PerRecord(benchmark::State& state, int n)
{
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["per_record"] =
        benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_RecordWalk(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::string& answer = Answer(n);
    for (auto _ : state)
        benchmark::DoNotOptimize(Walk(answer));
    PerRecord(state, n);
}
BENCHMARK(BM_RecordWalk)->Arg(2000)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);

// Quadratic: 20,000 records would take it about half a minute.
void BM_NaiveReader(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::string& answer = Answer(n);
    for (auto _ : state)
        benchmark::DoNotOptimize(Naive(answer));
    PerRecord(state, n);
}
BENCHMARK(BM_NaiveReader)->Arg(2000)->Unit(benchmark::kMillisecond);

// Both readers on the same 2,000-record answer, each timed in every
// iteration: naive_over_walk is how many times slower the naive reader is.
void BM_NaiveOverWalk(benchmark::State& state)
{
    const std::string& answer = Answer(2000);
    double walk = 0;
    double naive = 0;
    std::size_t sink = 0;
    for (auto _ : state) {
        walk += Seconds(&Walk, answer, sink);
        naive += Seconds(&Naive, answer, sink);
    }
    benchmark::DoNotOptimize(sink);
    state.counters["naive_over_walk"] = naive / walk;
}
BENCHMARK(BM_NaiveOverWalk)->Unit(benchmark::kMillisecond);

// The walk over 25,000 and over 50,000 records in every iteration:
// doubling_ratio stays near 2 when the walk is linear (at most 2.3).
void BM_WalkDoubling(benchmark::State& state)
{
    const std::string& half = Answer(25000);
    const std::string& full = Answer(50000);
    double t1 = 0;
    double t2 = 0;
    std::size_t sink = 0;
    for (auto _ : state) {
        t1 += Seconds(&Walk, half, sink);
        t2 += Seconds(&Walk, full, sink);
    }
    benchmark::DoNotOptimize(sink);
    state.counters["doubling_ratio"] = t2 / t1;
    std::size_t s = 0;
    double small = 0;
    for (int k = 0; k < 25; ++k)
        small += Seconds(&Walk, Answer(2000), s);
    benchmark::DoNotOptimize(s);
    // Time per record at 50,000 over time per record at 2,000 (25 walks of
    // 2,000 records are 50,000 records): near 1 when the walk is linear.
    state.counters["per_record_50000_over_2000"] = (t2 / static_cast<double>(state.iterations())) / small;
}
BENCHMARK(BM_WalkDoubling)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
