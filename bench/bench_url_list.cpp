// Loading and saving a large URL list file.
#include "urllist/url_list_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kLines = 100'000;

QStringList sampleEntries() {
    QStringList entries;
    for (int i = 0; i < kLines; ++i) {
        entries << QStringLiteral("http://www.example-site-%1.com/page?id=%2").arg(i).arg(i * 7);
    }
    return entries;
}

void BM_ReadUrlListFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    if (!writeUrlListFile(path, sampleEntries())) {
        state.SkipWithError("cannot write the list file");
        return;
    }
    const qint64 bytes = QFile(path).size();
    for (auto _ : state) {
        const UrlListRead read = readUrlListFile(path);
        if (read.entries.size() != kLines) state.SkipWithError("wrong entry count");
        benchmark::DoNotOptimize(read.entries.data());
    }
    state.SetItemsProcessed(state.iterations() * kLines);
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_WriteUrlListFile(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    const QStringList entries = sampleEntries();
    for (auto _ : state) {
        if (!writeUrlListFile(path, entries)) state.SkipWithError("cannot write the list file");
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

BENCHMARK(BM_ReadUrlListFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteUrlListFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
