// Writing the local draft of a 99-line order, as the main window does after
// every change: the text alone, then the file written and renamed without
// a flush (the baseline), then the real write, flushed to disk before the
// rename (the price of surviving a power cut), and last what the window's
// own thread pays when the writer's thread does the writing.

#include "OrderDraft.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

using namespace order;

namespace {

OrderDraft NinetyNineLines()
{
    OrderDraft d;
    d.member = QStringLiteral("000001");
    d.customer = QStringLiteral("000101");
    d.order.DeliveryDate = QStringLiteral("261224");
    d.order.Note = QStringLiteral("오전 중 배송 부탁드립니다");
    for (int i = 0; i < 99; ++i)
        d.order.Lines.push_back({ QString::number(100001 + i), QStringLiteral("농심 신라면 멀티팩 120g x 5입 %1").arg(i),
            QStringLiteral("BOX"), QString::number(i % 12 + 1), i % 4 ? QString() : QStringLiteral("유통기한 확인") });
    return d;
}

void BM_DraftText(benchmark::State& state)
{
    const OrderDraft d = NinetyNineLines();
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatDraft(d));
}
BENCHMARK(BM_DraftText);

void BM_DraftWriteWithoutFlush(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = DraftPath(dir.path() + "/", "000001", "000101");
    const OrderDraft d = NinetyNineLines();
    for (auto _ : state) {
        QFile f(path + ".tmp");
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(FormatDraft(d));
        f.close();
        QFile::remove(path);
        QFile::rename(path + ".tmp", path);
    }
}
BENCHMARK(BM_DraftWriteWithoutFlush)->Unit(benchmark::kMicrosecond);

void BM_DraftWriteAtomically(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = DraftPath(dir.path() + "/", "000001", "000101");
    const OrderDraft d = NinetyNineLines();
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteFileAtomically(path, FormatDraft(d)));
    state.counters["bytes"] = static_cast<double>(FormatDraft(d).size());
}
BENCHMARK(BM_DraftWriteAtomically)->Unit(benchmark::kMicrosecond)->UseRealTime();

// What the window's thread pays after a change: the text, handed to the
// writer's thread, which flushes it to disk meanwhile.
void BM_DraftHandOver(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = DraftPath(dir.path() + "/", "000001", "000101");
    const OrderDraft d = NinetyNineLines();
    DraftWriter writer;
    for (auto _ : state)
        writer.Write(path, FormatDraft(d));
    writer.Flush();
}
BENCHMARK(BM_DraftHandOver)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
