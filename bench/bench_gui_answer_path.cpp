// The client side of a catalogue answer, from the gzip bytes the service
// sends to the filled list model, as the main window runs it: the
// transport's answer assembly (inflate, UTF-8 check or code page 949
// conversion, NUL and CALL_INDEX tail), then FillList into a fresh 20-column
// model. The references are libraries outside the client, measured in the
// same iterations: zlib's gunzip of the member, iconv's conversion of the
// text, and for the record index a plain TakeTag walk (bench_gui_grid holds
// the fill against QTableWidget).
//
// Counters (thread CPU time, so that other work on the machine does not
// count; medians over the iterations, as the machine's speed wanders):
// BM_AnswerToList: path_ms (path_min_ms the fastest run, fill_ms the list
// fill in it), reference_ms what zlib and iconv take to make the same text,
// path_over_reference = path_ms / reference_ms; answer_MB is the answer
// text, model_MB what the filled model adds to the resident memory, held_MB
// what the answer and the model hold together after the path.
// BM_Steps: gunzip_ms against zlib_ms (gunzip_over_zlib; libdeflate_ms is
// libdeflate's own gunzip, whose CRC-32 is the slower one), the UTF-8 check
// or the code page 949 conversion against iconv_ms (text_over_iconv), and
// index_ms against walk_ms (index_over_walk).

#include "BenchSupport.h"
#include "Encoding.h"
#include "Gzip.h"
#include "HttpClient.h"
#include "TextReference.h"
#include "ProductListLogic.h"
#include "StringGrid.h"
#include "TagMessage.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <libdeflate.h>
#include <zlib.h>

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

// The size a member's trailer states.
std::size_t StatedSize(std::string_view member)
{
    const unsigned char* tail = reinterpret_cast<const unsigned char*>(member.data() + member.size() - 4);
    return tail[0] | (tail[1] << 8) | (tail[2] << 16) | (std::size_t(tail[3]) << 24);
}

// `out` made at the member's stated size and filled by `inflate(text, size)`
// without being zeroed first; empty when `inflate` fails.
template <class Inflate>
bool MadeAtStatedSize(std::string_view member, std::string& out, Inflate inflate)
{
    bool ok = false;
    out.resize_and_overwrite(StatedSize(member), [&](char* text, std::size_t size) {
        ok = inflate(text, size);
        return ok ? size : 0;
    });
    return ok;
}

// zlib's gunzip of a member whose size is known, in one call: zlib at its
// best.
bool ZlibGunzipWhole(std::string_view member, std::string& out)
{
    z_stream z {};
    if (inflateInit2(&z, 16 + 15) != Z_OK)
        return false;
    const bool ok = MadeAtStatedSize(member, out, [&](char* text, std::size_t size) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(member.data()));
        z.avail_in = static_cast<uInt>(member.size());
        z.next_out = reinterpret_cast<Bytef*>(text);
        z.avail_out = static_cast<uInt>(size);
        return inflate(&z, Z_FINISH) == Z_STREAM_END && z.avail_out == 0;
    });
    inflateEnd(&z);
    return ok;
}

// libdeflate's own gunzip of the member (header, inflate, its CRC-32 and
// size checks), likewise.
bool LibdeflateGunzipWhole(std::string_view member, std::string& out)
{
    static libdeflate_decompressor* const d = libdeflate_alloc_decompressor();
    return MadeAtStatedSize(member, out, [&](char* text, std::size_t size) {
        return libdeflate_gzip_decompress(d, member.data(), member.size(), text, size, nullptr) == LIBDEFLATE_SUCCESS;
    });
}

// The same text made by the outside libraries: zlib inflates, iconv
// converts the whole text (or reads the UTF-8 through), then the NUL and the
// tail. The catalogue is valid text, so iconv reads all of it.
std::string ReferenceAnswer(const Case& c, bool utf8)
{
    std::string inflated;
    if (!ZlibGunzipWhole(c.gzip, inflated))
        return {};
    std::string text = textref::IconvToUtf8(inflated, utf8 ? "UTF-8" : "CP949");
    text += '\0';
    text += kTail;
    return text;
}

// The records' fields as a plain TakeTag walk finds them: each record looked
// up behind the one before, each field by ExtractTag.
std::size_t TakeTagWalk(std::string_view answer, const std::vector<std::string>& fields, int rows)
{
    std::size_t bytes = 0;
    std::string_view rest = answer;
    for (int r = 0; r < rows; ++r) {
        const std::string_view record = TakeTag(RecordName(r), rest);
        for (const std::string& f : fields)
            if (!f.empty())
                bytes += ExtractTagView(f, record).size();
    }
    return bytes;
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
    std::vector<double> path;
    std::vector<double> fill;
    std::vector<double> reference;
    bool same = true;
    for (auto _ : state) {
        auto list = EmptyList();
        double fillMs = 0;
        double t0 = bench::CpuMs();
        const auto answer = NewPath(c, *list, fillMs);
        path.push_back(bench::CpuMs() - t0);
        fill.push_back(fillMs);
        t0 = bench::CpuMs();
        const std::string want = ReferenceAnswer(c, utf8);
        reference.push_back(bench::CpuMs() - t0);
        same = same && *answer == want && list->RowCount() == records;
    }
    if (!same)
        state.SkipWithError("the path and zlib with iconv make different answers");
    state.counters["path_ms"] = Median(path);
    state.counters["path_min_ms"] = *std::min_element(path.begin(), path.end());
    state.counters["fill_ms"] = Median(fill);
    state.counters["reference_ms"] = Median(reference);
    state.counters["path_over_reference"] = Median(path) / Median(reference);

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

// The steps one by one, each against its reference, on the 50,000-record
// answer.
void BM_Steps(benchmark::State& state)
{
    const bool utf8 = state.range(0) != 0;
    const Case& c = GetCase(50000, utf8);
    std::vector<double> gunzip, zlib, libdeflate, text, iconv, index, walk;
    bool same = true;
    const std::vector<std::string> fields = ListFields(true);
    for (auto _ : state) {
        std::string a, b;
        double t0 = bench::CpuMs();
        same = GunzipMember(c.gzip, a, kDefaultInflateLimit, 64) && same;
        gunzip.push_back(bench::CpuMs() - t0);
        t0 = bench::CpuMs();
        same = ZlibGunzipWhole(c.gzip, b) && same;
        zlib.push_back(bench::CpuMs() - t0);
        same = same && a == b;
        {
            std::string floor;
            t0 = bench::CpuMs();
            same = LibdeflateGunzipWhole(c.gzip, floor) && same;
            libdeflate.push_back(bench::CpuMs() - t0);
        }

        t0 = bench::CpuMs();
        if (utf8)
            SanitizeUtf8InPlace(a);
        else
            a = Cp949ToUtf8(a, 64);
        text.push_back(bench::CpuMs() - t0);
        t0 = bench::CpuMs();
        b = textref::IconvToUtf8(b, utf8 ? "UTF-8" : "CP949");
        iconv.push_back(bench::CpuMs() - t0);
        same = same && a == b;

        std::vector<FieldSpan> cells(50000 * fields.size());
        t0 = bench::CpuMs();
        IndexRecordFields(a, fields, static_cast<int>(fields.size()), 50000, cells.data());
        index.push_back(bench::CpuMs() - t0);
        t0 = bench::CpuMs();
        benchmark::DoNotOptimize(TakeTagWalk(b, fields, 50000));
        walk.push_back(bench::CpuMs() - t0);
        benchmark::DoNotOptimize(cells.data());
    }
    if (!same)
        state.SkipWithError("a step and its reference make different bytes");
    state.counters["gunzip_ms"] = Median(gunzip);
    state.counters["zlib_ms"] = Median(zlib);
    state.counters["gunzip_over_zlib"] = Median(gunzip) / Median(zlib);
    state.counters["libdeflate_ms"] = Median(libdeflate);
    state.counters["libdeflate_over_zlib"] = Median(libdeflate) / Median(zlib);
    state.counters[utf8 ? "utf8_ms" : "cp949_ms"] = Median(text);
    state.counters["iconv_ms"] = Median(iconv);
    state.counters["text_over_iconv"] = Median(text) / Median(iconv);
    state.counters["index_ms"] = Median(index);
    state.counters["walk_ms"] = Median(walk);
    state.counters["index_over_walk"] = Median(index) / Median(walk);
}
BENCHMARK(BM_Steps)->Arg(1)->Arg(0)->ArgName("utf8")->MinTime(3.0)->Unit(benchmark::kMillisecond);

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
