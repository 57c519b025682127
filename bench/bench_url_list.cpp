// Loading and saving a large URL list file, and filling the URL list frame
// with it as "Load" does: read the file, append to the list, let the view draw.
#include "urllist/url_list_file.h"
#include "urllist/url_list_view.h"

#include <QApplication>
#include <QFile>
#include <QListView>
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

// A list file of kLines addresses, written once for the whole run.
const QString& sampleFile() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath("list.txt");
        writeUrlListFile(p, sampleEntries());
        return p;
    }();
    return path;
}

void BM_ReadUrlListFile(benchmark::State& state) {
    const QString& path = sampleFile();
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

// Reads the list file into a shown URL list frame already holding `before`
// lists, and waits until the view has drawn.
void loadThroughTheView(benchmark::State& state, int before) {
    const QString& path = sampleFile();
    for (auto _ : state) {
        state.PauseTiming();
        UrlListFrame frame;
        frame.resize(400, 600);
        frame.show();
        for (int i = 0; i < before; ++i) frame.appendEntries(readUrlListFile(path).entries);
        QCoreApplication::processEvents();
        state.ResumeTiming();

        frame.appendEntries(readUrlListFile(path).entries);
        QCoreApplication::processEvents();
        frame.list()->repaint();
        if (frame.count() != (before + 1) * kLines) state.SkipWithError("wrong entry count");
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

void BM_LoadListIntoEmptyView(benchmark::State& state) { loadThroughTheView(state, 0); }
void BM_AppendSecondListInView(benchmark::State& state) { loadThroughTheView(state, 1); }

BENCHMARK(BM_ReadUrlListFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteUrlListFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadListIntoEmptyView)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_AppendSecondListInView)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    // Without a display the list draws offscreen.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
