// Product-list grid: filling the grid model from a 50,000-record catalogue
// answer against the same fill through QTableWidget items (the baseline, in
// the same run), and redrawing the visible part of the list.
//
// Counters: fill_cpu_ms (thread CPU time of one fill), speedup_vs_items (baseline / model),
// added_MB (resident memory added by one 50,000-record fill).

#include "BenchSupport.h"
#include "StringGrid.h"
#include "TagMessage.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QTableWidget>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

using namespace order;

namespace {

constexpr int kRecords = 50000;
constexpr int kColumns = 20;

// Column c of a product list shows element kListFields[c] (empty: never filled).
const std::vector<std::string> kListFields = { "G_NAME", "G_BOX", "G_BCNT", "U_COST", "", "U_COST", "U_CNT", "G_BCODE",
    "", "", "", "", "", "", "", "", "", "", "G_GPN1", "G_CODE" };

std::string MakeCatalogAnswer(int records)
{
    static const char* const first[] = { "신선", "농협", "해찬", "맛있는", "고향", "청정", "바다", "들녘" };
    static const char* const kind[] = { "사과", "배추김치", "고추장", "라면", "두부", "간장", "참기름", "햇반" };
    static const char* const box[] = { "BOX", "EA", "PK", "KG", "병" };
    std::string a = BuildTag("RESULT_CODE", "1") + BuildTag("RESULT_RECORD_COUNT", std::to_string(records));
    a.reserve(static_cast<std::size_t>(records) * 560);
    for (int i = 0; i < records; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%06d", i);
        std::string r;
        r += BuildTag("G_CODE", code);
        r += BuildTag("G_NAME",
            std::string(first[i % 8]) + " " + kind[(i / 8) % 8] + " " + std::to_string(i % 997) + "g 묶음상품");
        r += BuildTag("G_BOX", box[i % 5]);
        r += BuildTag("G_BCNT", std::to_string(1 + i % 24));
        r += BuildTag("U_COST", std::to_string(500 + (i * 37) % 90000));
        r += BuildTag("U_DATE", "2412" + std::to_string(10 + i % 18));
        r += BuildTag("U_CNT", std::to_string(i % 5));
        r += BuildTag("G_BCODE", "880" + std::to_string(1000000000 + i));
        r += BuildTag("G_GPN1", std::to_string(100 + i % 40));
        r += BuildTag("G_PART", "A");
        r += BuildTag("G_MAKER", std::string(first[(i / 3) % 8]) + "식품");
        r += BuildTag("G_SIZE", std::to_string(100 + i % 900) + "G");
        r += BuildTag("G_ORIGIN", "국산");
        r += BuildTag("G_TAX", i % 3 ? "1" : "0");
        r += BuildTag("G_STOCK", std::to_string(i % 1000));
        r += BuildTag("G_UNIT", "개");
        r += BuildTag("G_MEMO", "냉장 보관");
        r += BuildTag("G_SDATE", "241201");
        r += BuildTag("G_STATE", "Y");
        r += BuildTag("G_PRICE2", std::to_string(450 + (i * 31) % 80000));
        a += BuildTag(RecordName(i), r);
    }
    return a;
}

const std::shared_ptr<const std::string>& Answer()
{
    static const auto answer = std::make_shared<const std::string>(MakeCatalogAnswer(kRecords));
    return answer;
}

double g_baselineMs = 0;
double g_baselineMB = 0;

// Baseline: the same record walk, one QTableWidgetItem per filled cell.
void FillTableWidget(QTableWidget& table, std::string_view answer)
{
    table.clearContents();
    table.setRowCount(kRecords);
    RecordWalker walker(answer);
    for (int r = 0; r < kRecords; ++r) {
        const std::string_view record = walker.Next();
        for (int c = 0; c < kColumns; ++c) {
            const std::string& name = kListFields[static_cast<std::size_t>(c)];
            if (name.empty())
                continue;
            const std::string_view v = ExtractTagView(name, record);
            if (!v.empty())
                table.setItem(
                    r, c, new QTableWidgetItem(QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()))));
        }
    }
}

void BM_FillTableWidgetItems(benchmark::State& state)
{
    const auto& answer = Answer();
    double total = 0;
    double addedMB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        malloc_trim(0);
        const double before = bench::ResidentMB();
        auto table = std::make_unique<QTableWidget>(0, kColumns);
        state.ResumeTiming();
        const double t0 = bench::CpuMs();
        FillTableWidget(*table, *answer);
        total += bench::CpuMs() - t0;
        state.PauseTiming();
        addedMB = bench::ResidentMB() - before;
        table.reset();
        state.ResumeTiming();
    }
    g_baselineMs = total / static_cast<double>(state.iterations());
    g_baselineMB = addedMB;
    state.counters["fill_cpu_ms"] = g_baselineMs;
    state.counters["added_MB"] = addedMB;
}

void BM_FillGridModel(benchmark::State& state)
{
    const auto& answer = Answer();
    double total = 0;
    double addedMB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        malloc_trim(0);
        const double before = bench::ResidentMB();
        auto model = std::make_unique<TStringGridModel>();
        model->SetColCount(kColumns);
        model->SetRowCount(25);
        state.ResumeTiming();
        const double t0 = bench::CpuMs();
        model->FillFromAnswer(answer, kListFields, static_cast<int>(RecordCount(*answer)));
        total += bench::CpuMs() - t0;
        state.PauseTiming();
        addedMB = bench::ResidentMB() - before;
        benchmark::DoNotOptimize(model->Cell(0, kRecords - 1));
        model.reset();
        state.ResumeTiming();
    }
    const double ms = total / static_cast<double>(state.iterations());
    state.counters["fill_cpu_ms"] = ms;
    state.counters["added_MB"] = addedMB;
    if (g_baselineMs > 0 && ms > 0)
        state.counters["speedup_vs_items"] = g_baselineMs / ms;
    if (g_baselineMB > 0)
        state.counters["baseline_added_MB"] = g_baselineMB;
}

// The frequent case: the list shown again from the cached answer, into a
// model that already holds a full list (no new memory to touch).
void BM_RefillGridModel(benchmark::State& state)
{
    const auto& answer = Answer();
    TStringGridModel model;
    model.SetColCount(kColumns);
    model.FillFromAnswer(answer, kListFields, kRecords);
    double total = 0;
    for (auto _ : state) {
        const double t0 = bench::CpuMs();
        model.FillFromAnswer(answer, kListFields, kRecords);
        total += bench::CpuMs() - t0;
        benchmark::DoNotOptimize(model.Cell(0, kRecords - 1));
    }
    const double ms = total / static_cast<double>(state.iterations());
    state.counters["fill_cpu_ms"] = ms;
    if (g_baselineMs > 0 && ms > 0)
        state.counters["speedup_vs_items"] = g_baselineMs / ms;
}

// The list as the main window shows it: 408 x 500, 19-pixel rows, cells
// drawn by a handler that trims and aligns the way the product lists do.
struct ListView {
    TStringGrid grid;
    ListView()
    {
        grid.resize(408, 500);
        QFont font(QStringLiteral("굴림"));
        font.setPixelSize(12);
        grid.setFont(font);
        grid.SetDefaultRowHeight(19);
        grid.SetColCount(kColumns);
        const int widths[] = { 261, 36, 31, 55, 18 };
        for (int c = 0; c < kColumns; ++c)
            grid.SetColWidth(c, c < 5 ? widths[c] : 64);
        grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid.Model()->FillFromAnswer(Answer(), kListFields, kRecords);
        grid.OnDrawCell = [this](int col, int row, QPainter& p, const QRect& rect, bool, bool) {
            const QString text = grid.Cells(col, row).trimmed();
            if (col == 2 || col == 3)
                p.drawText(rect.adjusted(0, 4, -4, 0), Qt::AlignRight | Qt::AlignTop, text);
            else
                p.drawText(rect.adjusted(col == 0 ? 6 : 4, 4, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
        };
        grid.setAttribute(Qt::WA_DontShowOnScreen);
        grid.show();
    }
};

void BM_RedrawVisibleList(benchmark::State& state)
{
    ListView view;
    QImage image(view.grid.size(), QImage::Format_ARGB32_Premultiplied);
    int top = 0;
    for (auto _ : state) {
        // Scroll by a page each time, so the cells drawn are new ones.
        top = (top + 25) % (kRecords - 30);
        view.grid.SetTopRow(top);
        view.grid.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["rows_visible"] = view.grid.VisibleRowCount();
}

void BM_RedrawVisibleTableWidget(benchmark::State& state)
{
    QTableWidget table(0, kColumns);
    table.resize(408, 500);
    table.verticalHeader()->hide();
    table.horizontalHeader()->hide();
    table.verticalHeader()->setDefaultSectionSize(19);
    FillTableWidget(table, *Answer());
    table.setAttribute(Qt::WA_DontShowOnScreen);
    table.show();
    QImage image(table.size(), QImage::Format_ARGB32_Premultiplied);
    int top = 0;
    for (auto _ : state) {
        top = (top + 25) % (kRecords - 30);
        table.scrollToItem(table.item(top, 0), QAbstractItemView::PositionAtTop);
        table.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

} // namespace

// Baseline first, so that the model's run can report the ratio.
BENCHMARK(BM_FillTableWidgetItems)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FillGridModel)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_RefillGridModel)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_RedrawVisibleTableWidget)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawVisibleList)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (const char* family : { "굴림", "돋움" })
        QFont::insertSubstitution(QString::fromUtf8(family), QStringLiteral("NanumGothic"));
    Answer(); // built once, outside every measurement
    return bench::RunBenchmarks(argc, argv);
}
