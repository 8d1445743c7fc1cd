// The client side of a catalogue answer, from the gzip bytes the service
// sends to the filled list model, as the main window runs it: the
// transport's answer assembly (inflate, UTF-8 check or code page 949
// conversion, NUL and CALL_INDEX tail), then FillList into a fresh 20-column
// model. The baseline is the same path with the previous functions (zlib in
// 64 KiB pieces, copying UTF-8 clean-up, iconv per character, the previous
// record indexer; see baseline/), measured in the same iterations.
//
// Counters (thread CPU time, so that other work on the machine does not
// count): new_ms and baseline_ms are the medians over the runs of the path
// (new_min_ms the fastest run, new_fill_ms the list fill in new_ms),
// speedup = baseline / new; answer_MB is the answer text, model_MB what the
// filled model adds to the resident memory, held_MB what the answer and the
// model hold together after the path (the answer once plus the model).

#include "BenchSupport.h"
#include "AnswerPathBaseline.h"
#include "Encoding.h"
#include "Gzip.h"
#include "HttpClient.h"
#include "ProductListLogic.h"
#include "StringGrid.h"
#include "TagMessage.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <malloc.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace order;

namespace {

// About 310 bytes a record, as the real catalogue answers (15.6 MB for
// 50,000 records).
std::string CatalogText(int records)
{
    static const char* const first[] = { "신선", "농협", "해찬", "맛있는", "고향", "청정", "바다", "들녘" };
    static const char* const kind[] = { "사과", "배추김치", "고추장", "라면", "두부", "간장", "참기름", "햇반" };
    static const char* const box[] = { "BOX", "EA", "PK", "KG", "병" };
    std::string a = BuildTag("RESULT_CODE", "1") + BuildTag("RESULT_RECORD_COUNT", std::to_string(records));
    for (int i = 0; i < records; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%06d", i);
        std::string r;
        r += BuildTag("G_CODE", code);
        r += BuildTag(
            "G_NAME", std::string(first[i % 8]) + " " + kind[(i / 8) % 8] + " " + std::to_string(i % 997) + "g 묶음");
        r += BuildTag("G_BOX", box[i % 5]);
        r += BuildTag("G_BCNT", std::to_string(1 + i % 24));
        r += BuildTag("U_COST", std::to_string(500 + (i * 37) % 90000));
        r += BuildTag("U_DATE", "2412" + std::to_string(10 + i % 18));
        r += BuildTag("U_CNT", std::to_string(i % 5));
        r += BuildTag("G_BCODE", "880" + std::to_string(1000000000 + i));
        r += BuildTag("G_GPN1", std::to_string(100 + i % 40));
        r += BuildTag("G_PART", "A");
        r += BuildTag("G_MAKER", std::string(first[(i / 3) % 8]) + "식품");
        r += BuildTag("G_ORIGIN", "국산");
        a += BuildTag(RecordName(i), r);
    }
    return a;
}

struct Case {
    std::string gzip;
    std::vector<std::string> headers;
};

const Case& GetCase(int records, bool utf8)
{
    static std::map<std::pair<int, bool>, Case> cases;
    auto it = cases.find({ records, utf8 });
    if (it != cases.end())
        return it->second;
    const std::string text = CatalogText(records);
    Case c;
    c.gzip = GzipCompress(utf8 ? text : Utf8ToCp949(text));
    c.headers = { "HTTP/1.1 200 OK", "Content-Encoding: gzip",
        utf8 ? "Content-Type: text/html; charset=utf-8" : "Content-Type: text/html", "" };
    return cases.emplace(std::make_pair(records, utf8), std::move(c)).first->second;
}

const std::string kTail = "<CALL_INDEX>241207-3</CALL_INDEX>";

std::unique_ptr<TStringGridModel> EmptyList()
{
    auto model = std::make_unique<TStringGridModel>();
    model->SetColCount(kListColCount);
    model->SetRowCount(25);
    return model;
}

// What the main window does with an answer: the transport assembles it, the
// list is filled from it. `fillMs` gets the thread CPU time of the fill.
std::shared_ptr<const std::string> NewPath(const Case& c, TStringGridModel& list, double& fillMs)
{
    auto answer = std::make_shared<const std::string>(THTTPClient::AssembleAnswer(c.headers, c.gzip, kTail));
    const double t0 = bench::CpuMs();
    FillList(list, answer, true);
    fillMs += bench::CpuMs() - t0;
    return answer;
}

std::shared_ptr<const std::string> BaselinePath(const Case& c, bool utf8, TStringGridModel& list)
{
    std::string text;
    baseline::AssembleGzipAnswer(c.gzip, utf8, Transport().maxInflatedBytes, kTail, text);
    auto answer = std::make_shared<const std::string>(std::move(text));
    const long long rows = RowsForRecords(*answer);
    list.FillFromAnswer(
        answer, ListFields(true, list.ColCount()), static_cast<int>(rows), &baseline::IndexRecordFields);
    return answer;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void BM_AnswerToList(benchmark::State& state)
{
    const int records = static_cast<int>(state.range(0));
    const bool utf8 = state.range(1) != 0;
    const Case& c = GetCase(records, utf8);
    std::vector<double> fresh;
    std::vector<double> fill;
    std::vector<double> old;
    bool same = true;
    for (auto _ : state) {
        auto a = EmptyList();
        auto b = EmptyList();
        double fillMs = 0;
        double t0 = bench::CpuMs();
        const auto answer = NewPath(c, *a, fillMs);
        fresh.push_back(bench::CpuMs() - t0);
        fill.push_back(fillMs);
        t0 = bench::CpuMs();
        const auto oldAnswer = BaselinePath(c, utf8, *b);
        old.push_back(bench::CpuMs() - t0);
        same = same && *answer == *oldAnswer && a->RowCount() == records
            && a->Cell(0, records - 1) == b->Cell(0, records - 1)
            && a->Cell(19, records / 2) == b->Cell(19, records / 2);
    }
    if (!same)
        state.SkipWithError("the new and the baseline path disagree");
    // Medians, as the machine's speed wanders between runs of the path.
    state.counters["new_ms"] = Median(fresh);
    state.counters["new_min_ms"] = *std::min_element(fresh.begin(), fresh.end());
    state.counters["new_fill_ms"] = Median(fill);
    state.counters["baseline_ms"] = Median(old);
    state.counters["speedup"] = Median(old) / Median(fresh);

    malloc_trim(0);
    const double before = bench::ResidentMB();
    auto list = EmptyList();
    double ignored = 0;
    const auto answer = NewPath(c, *list, ignored);
    malloc_trim(0); // what the path freed (the code page 949 bytes) is not held
    const double held = bench::ResidentMB() - before;
    state.counters["answer_MB"] = static_cast<double>(answer->size()) / (1024.0 * 1024.0);
    state.counters["held_MB"] = held;
    state.counters["model_MB"] = held - static_cast<double>(answer->capacity()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_AnswerToList)
    ->ArgsProduct({ { 5000, 50000 }, { 1, 0 } })
    ->MinTime(3.0)
    ->ArgNames({ "records", "utf8" })
    ->Unit(benchmark::kMillisecond);

// The steps one by one, new against baseline, on the 50,000-record answer.
void BM_Steps(benchmark::State& state)
{
    const bool utf8 = state.range(0) != 0;
    const Case& c = GetCase(50000, utf8);
    double inflateNew = 0, inflateOld = 0, textNew = 0, textOld = 0, fillNew = 0, fillOld = 0;
    const std::vector<std::string> fields = ListFields(true);
    for (auto _ : state) {
        std::string a, b;
        double t0 = bench::CpuMs();
        GunzipMember(c.gzip, a, kDefaultInflateLimit, 64);
        inflateNew += bench::CpuMs() - t0;
        t0 = bench::CpuMs();
        baseline::GunzipMember(c.gzip, b, kDefaultInflateLimit);
        inflateOld += bench::CpuMs() - t0;

        t0 = bench::CpuMs();
        if (utf8)
            SanitizeUtf8InPlace(a);
        else
            a = Cp949ToUtf8(a, 64);
        textNew += bench::CpuMs() - t0;
        t0 = bench::CpuMs();
        b = utf8 ? baseline::SanitizeUtf8(b) : baseline::Cp949ToUtf8(b);
        textOld += bench::CpuMs() - t0;

        std::vector<FieldSpan> cells(50000 * fields.size());
        t0 = bench::CpuMs();
        IndexRecordFields(a, fields, static_cast<int>(fields.size()), 50000, cells.data());
        fillNew += bench::CpuMs() - t0;
        std::vector<FieldSpan> oldCells(50000 * fields.size());
        t0 = bench::CpuMs();
        baseline::IndexRecordFields(b, fields, static_cast<int>(fields.size()), 50000, oldCells.data());
        fillOld += bench::CpuMs() - t0;
        benchmark::DoNotOptimize(cells.data());
        benchmark::DoNotOptimize(oldCells.data());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["inflate_new_ms"] = inflateNew / n;
    state.counters["inflate_old_ms"] = inflateOld / n;
    state.counters[utf8 ? "utf8_new_ms" : "cp949_new_ms"] = textNew / n;
    state.counters[utf8 ? "utf8_old_ms" : "cp949_old_ms"] = textOld / n;
    state.counters["index_new_ms"] = fillNew / n;
    state.counters["index_old_ms"] = fillOld / n;
}
BENCHMARK(BM_Steps)->Arg(1)->Arg(0)->ArgName("utf8")->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (int records : { 5000, 50000 })
        for (bool utf8 : { true, false })
            GetCase(records, utf8); // built once, outside every measurement
    // The code page 949 table is made at the first conversion of a run; its
    // cost is shown here once and kept out of the measurements.
    const double t0 = bench::CpuMs();
    Cp949ToUtf8("\xB0\xA1");
    std::fprintf(stderr, "code page 949 table made in %.2f ms (thread CPU)\n", bench::CpuMs() - t0);
    return bench::RunBenchmarks(argc, argv);
}
