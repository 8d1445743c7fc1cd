// The update check's file checksum: FileChecksum on a 32 MiB file against
// the same block loop with zlib's crc32 (the reference), in the same
// iterations, and the client's CRC-32 on the same bytes in memory against
// zlib's and libdeflate's. Counters (thread CPU time): new_ms, zlib_ms,
// speedup = zlib / new; in memory also libdeflate_ms and
// over_libdeflate = new / libdeflate.
#include "BenchSupport.h"
#include "FileChecksum.h"
#include "Gzip.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <libdeflate.h>
#include <zlib.h>

#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

using namespace order;

namespace {

constexpr std::size_t kSize = std::size_t(32) << 20;

const std::string& Bytes()
{
    static const std::string bytes = [] {
        std::mt19937 rng(1);
        std::string s(kSize, '\0');
        for (char& c : s)
            c = static_cast<char>(rng());
        return s;
    }();
    return bytes;
}

// The checksum as it was: the same blocks through zlib's crc32.
std::uint32_t ZlibFileChecksum(const QString& path)
{
    std::FILE* f = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!f)
        return 0;
    std::vector<unsigned char> block(kChecksumBlock);
    uLong crc = crc32(0L, Z_NULL, 0);
    for (std::size_t n; (n = std::fread(block.data(), 1, block.size(), f)) > 0;)
        crc = crc32(crc, block.data(), static_cast<uInt>(n));
    std::fclose(f);
    return static_cast<std::uint32_t>(crc);
}

void BM_FileChecksum(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("program"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(Bytes().data(), static_cast<qint64>(Bytes().size()));
    file.close();
    double fresh = 0;
    double reference = 0;
    bool same = true;
    for (auto _ : state) {
        double t0 = bench::CpuMs();
        const std::uint32_t a = FileChecksum(path);
        fresh += bench::CpuMs() - t0;
        t0 = bench::CpuMs();
        const std::uint32_t b = ZlibFileChecksum(path);
        reference += bench::CpuMs() - t0;
        same = same && a == b;
    }
    if (!same)
        state.SkipWithError("the checksums differ");
    const double n = static_cast<double>(state.iterations());
    state.counters["new_ms"] = fresh / n;
    state.counters["zlib_ms"] = reference / n;
    state.counters["speedup"] = reference / fresh;
}
BENCHMARK(BM_FileChecksum)->Unit(benchmark::kMillisecond);

void BM_Crc32InMemory(benchmark::State& state)
{
    const std::string& bytes = Bytes();
    double fresh = 0;
    double reference = 0;
    double libdeflate = 0;
    bool same = true;
    for (auto _ : state) {
        double t0 = bench::CpuMs();
        const unsigned long a = Crc32(bytes);
        fresh += bench::CpuMs() - t0;
        t0 = bench::CpuMs();
        const uLong b = crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
        reference += bench::CpuMs() - t0;
        t0 = bench::CpuMs();
        const std::uint32_t c = libdeflate_crc32(0, bytes.data(), bytes.size());
        libdeflate += bench::CpuMs() - t0;
        same = same && a == b && b == c;
    }
    if (!same)
        state.SkipWithError("the CRC-32s differ");
    const double n = static_cast<double>(state.iterations());
    state.counters["new_ms"] = fresh / n;
    state.counters["zlib_ms"] = reference / n;
    state.counters["libdeflate_ms"] = libdeflate / n;
    state.counters["speedup"] = reference / fresh;
    state.counters["over_libdeflate"] = fresh / libdeflate;
}
BENCHMARK(BM_Crc32InMemory)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Bytes();
    return bench::RunBenchmarks(argc, argv);
}
