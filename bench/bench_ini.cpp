// The INI routines reread and rewrite whole files: the settings file once per
// scan request, a saved search once per saved row.
#include "config/engine_catalog.h"
#include "config/ini_file.h"
#include "support/temp_app_folder.h"

#include <QCoreApplication>
#include <QDate>
#include <benchmark/benchmark.h>

namespace {

constexpr int kDatesPerEngine = 7300;  // twenty years of daily saves

// Six engine sections of unique "mm-dd-yy" keys, newest first as the save
// dialog leaves them.
QByteArray savedSearchFile() {
    QByteArray bytes;
    for (const EngineSpec& engine : engineSpecs()) {
        bytes += "\r\n[" + QByteArray(engine.gridCaption) + "]\r\n";
        QDate day(2019, 12, 31);
        for (int i = 0; i < kDatesPerEngine; ++i, day = day.addDays(-1))
            bytes += day.toString("MM-dd-yy").toLatin1() + "=" + QByteArray::number(1000 + i) + "\r\n";
    }
    return bytes;
}

void BM_IniReadKey_ShippedSettings(benchmark::State& state) {
    TempAppFolder app;
    app.write("settings.ini", readFileBytes(QStringLiteral(QUILLMARK_SHIPPED_APP "/settings.ini")));
    const QString file = app.file("settings.ini");
    const QString section = QStringLiteral("Engines");
    for (auto _ : state)
        for (const EngineSpec& engine : engineSpecs())
            benchmark::DoNotOptimize(IniReadKey(section, QLatin1String(engine.key), QString(), file));
    state.SetItemsProcessed(state.iterations() * kEngineCount);
    state.SetLabel("items = one template read");
}

void BM_IniWriteKey_SavedSearch_Replace(benchmark::State& state) {
    TempAppFolder app;
    app.write("big.lpc", savedSearchFile());
    const QString file = app.file("big.lpc");
    const QString section = QStringLiteral("All The Web");  // the last section: the longest search
    int value = 0;
    for (auto _ : state)
        if (!IniWriteKey(section, QStringLiteral("06-15-00"), QString::number(++value), file))
            state.SkipWithError("write failed");
    state.SetItemsProcessed(state.iterations());
}

void BM_IniWriteKey_SavedSearch_NewKey(benchmark::State& state) {
    TempAppFolder app;
    app.write("big.lpc", savedSearchFile());
    const QString file = app.file("big.lpc");
    const QString section = QStringLiteral("All The Web");
    QDate day(2020, 1, 1);
    for (auto _ : state) {
        if (!IniWriteKey(section, day.toString("MM-dd-yy"), QStringLiteral("5"), file))
            state.SkipWithError("write failed");
        day = day.addDays(1);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_IniReadSection_SavedSearch(benchmark::State& state) {
    TempAppFolder app;
    app.write("big.lpc", savedSearchFile());
    const QString file = app.file("big.lpc");
    for (auto _ : state) benchmark::DoNotOptimize(IniReadSection(QStringLiteral("All The Web"), QString(), file));
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_IniReadKey_ShippedSettings)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IniWriteKey_SavedSearch_Replace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IniWriteKey_SavedSearch_NewKey)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IniReadSection_SavedSearch)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
