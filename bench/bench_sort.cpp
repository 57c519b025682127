// SortListView by Total on a large grid, beside a plain std::stable_sort of the
// same rows' precomputed key strings; prints how many times slower the full
// rewrite-sort-restore cycle is.
#include "results/column_sort.h"
#include "results/results_grid.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kRows = 100'000;

const char* localeName(std::int64_t which) { return which == 0 ? "C" : "en_US"; }

QStringList randomTotals() {
    QRandomGenerator random(7);
    QStringList totals;
    for (int i = 0; i < kRows; ++i) {
        // Mostly counts of a few digits, some huge, some empty.
        const int shape = random.bounded(20);
        if (shape == 0) {
            totals << QString();
        } else {
            const qint64 limit = shape < 15 ? 100'000 : 60'000'000'000LL;
            totals << QString::number(random.bounded(limit));
        }
    }
    return totals;
}

void fillGrid(ResultsGrid& grid, const QStringList& totals) {
    grid.clear();
    for (int i = 0; i < totals.size(); ++i) {
        const int row = grid.insertRowAt(i, QStringLiteral("http://www.site%1.example").arg(i));
        grid.setCell(row, ResultsGrid::kTotalColumn, totals[i]);
    }
}

void BM_SortListViewByTotal(benchmark::State& state) {
    QLocale::setDefault(QLocale(localeName(state.range(0))));
    const QStringList totals = randomTotals();
    ResultsGrid grid;
    for (auto _ : state) {
        state.PauseTiming();
        fillGrid(grid, totals);
        state.ResumeTiming();
        SortListView(grid, 2, SortNumber, false);
        benchmark::DoNotOptimize(grid.cell(0, 1));
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_StableSortOfKeys(benchmark::State& state) {
    QLocale::setDefault(QLocale(localeName(state.range(0))));
    QStringList keys;
    for (const QString& t : randomTotals()) keys << numberSortKey(t);
    for (auto _ : state) {
        state.PauseTiming();
        QStringList copy = keys;
        copy.detach();
        state.ResumeTiming();
        std::stable_sort(copy.begin(), copy.end(), std::greater<>());
        benchmark::DoNotOptimize(copy.front());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_SortListViewByDomainName(benchmark::State& state) {
    QLocale::setDefault(QLocale(localeName(state.range(0))));
    const QStringList totals = randomTotals();
    ResultsGrid grid;
    for (auto _ : state) {
        state.PauseTiming();
        fillGrid(grid, totals);
        state.ResumeTiming();
        SortListView(grid, 1, SortText, true);
        benchmark::DoNotOptimize(grid.cell(0, 0));
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(BM_SortListViewByTotal)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StableSortOfKeys)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortListViewByDomainName)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Keeps each run's CPU time per iteration (the machine may be shared, so wall
// time is noisy) for the ratio printed at the end.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration) times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* arg : {"0", "1"}) {
        const auto sort = reporter.times.find(std::string("BM_SortListViewByTotal/") + arg);
        const auto base = reporter.times.find(std::string("BM_StableSortOfKeys/") + arg);
        if (sort == reporter.times.end() || base == reporter.times.end() || base->second <= 0) continue;
        std::printf("locale %s: SortListView by Total / stable_sort of keys = %.2f\n",
                    localeName(std::atoi(arg)), sort->second / base->second);
    }
    benchmark::Shutdown();
    return 0;
}
