// Charting a twenty-year saved search (7,300 dates on six engines): from
// "Load Data" (the file read) to the chart drawn, for each chart type and for
// "All Engines". Run under a display (xvfb-run) so the 3-D types have OpenGL.
#include "history/chart_view_page.h"
#include "history/history_chart_widget.h"
#include "history/saved_search.h"
#include "results/results_grid.h"
#include "platform/chart_print_ui.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QAbstract3DGraph>
#include <QApplication>
#include <QThread>
#include <QComboBox>
#include <QDate>
#include <benchmark/benchmark.h>

namespace {

constexpr int kDays = 7300;

QByteArray twentyYears() {
    static const char* const sections[] = {"Google", "Altavista", "Yahoo!", "Ask", "MSN", "All The Web"};
    const QDate newest(2025, 12, 31);
    QByteArray file;
    int engine = 0;
    for (const char* section : sections) {
        file += QByteArray("\r\n[") + section + "]\r\n";
        for (int day = 0; day < kDays; ++day) {
            const qint64 count = 1'000'000 + (kDays - day) * 250LL * (engine + 1) + (day * 7919) % 50'000;
            file += savedSearch::dateKey(newest.addDays(-day)).toLatin1() + '=' + QByteArray::number(count) + "\r\n";
        }
        ++engine;
    }
    return file;
}

struct Fixture {
    TempAppFolder app;
    ResultsGrid grid;
    ChartViewPage page{grid};
    Fixture() {
        app.write(QStringLiteral("Saved/twenty years.lpc"), twentyYears());
        page.resize(800, 560);
        page.layoutPage(800 * 15, 560 * 15);
        page.show();
        QApplication::processEvents();
    }
    void setType(int type) {
        auto* types = page.findChild<QComboBox*>(QStringLiteral("cmbChart2"));
        types->setCurrentIndex(type);
        emit types->activated(type);
        // A new 3-D view draws only once its window is on the screen.
        for (int i = 0; i < 200; ++i) {
            QApplication::processEvents();
            auto* chart = static_cast<HistoryChartWidget*>(page.chartWidget());
            if (!chart->graph3d() || chart->graph3d()->isExposed()) break;
            QThread::msleep(5);
        }
    }
    // What the screen would show once the event loop has run: the chart's
    // replaced items are deleted by then.
    QImage drawn() {
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QWidget* chart = page.chartWidget();
        return CaptureWindowPicture(chart, 0, 0, chart->width(), chart->height());
    }
};

Fixture* g_fixture = nullptr;  // made and destroyed by main, while the application lives
Fixture& fixture() { return *g_fixture; }

void BM_LoadDataToDrawn(benchmark::State& state) {
    Fixture& f = fixture();
    const int type = static_cast<int>(state.range(0));
    if (chart::isThreeD(type) && !HistoryChartWidget::threeDAvailable()) {
        state.SkipWithError("no OpenGL on this display");
        return;
    }
    f.setType(type);
    for (auto _ : state) {
        savedSearch::setChartFileName(QStringLiteral("twenty years.lpc"));
        f.page.doChart();
        benchmark::DoNotOptimize(f.drawn());
    }
    state.SetLabel(chart::chartTypeEntries()[type].toStdString());
}
BENCHMARK(BM_LoadDataToDrawn)->DenseRange(0, 7)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The file read and the chart table alone, without drawing.
void BM_LoadDataTableOnly(benchmark::State& state) {
    Fixture& f = fixture();
    const QString file = f.app.file(QStringLiteral("Saved/twenty years.lpc"));
    for (auto _ : state) {
        const QStringList sections = seriesChoices(file);
        bool warn = false;
        const bool all = state.range(0) == 1;
        benchmark::DoNotOptimize(savedSearchChart(file, all ? sections.last() : sections.first(),
                                                  sections.mid(0, sections.size() - 1), runOneEntryWarning(),
                                                  &warn));
    }
    state.SetLabel(state.range(0) == 1 ? "All Engines" : "one engine");
}
BENCHMARK(BM_LoadDataTableOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_AllEnginesToDrawn(benchmark::State& state) {
    Fixture& f = fixture();
    const int type = static_cast<int>(state.range(0));
    if (chart::isThreeD(type) && !HistoryChartWidget::threeDAvailable()) {
        state.SkipWithError("no OpenGL on this display");
        return;
    }
    f.setType(type);
    savedSearch::setChartFileName(QStringLiteral("twenty years.lpc"));
    f.page.doChart();
    auto* series = f.page.findChild<QComboBox*>(QStringLiteral("cmbChart1"));
    const int all = series->count() - 1;
    for (auto _ : state) {
        series->setCurrentIndex(all);
        emit series->activated(all);
        benchmark::DoNotOptimize(f.drawn());
    }
    state.SetLabel(chart::chartTypeEntries()[type].toStdString());
}
BENCHMARK(BM_AllEnginesToDrawn)->Arg(0)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The temporary chart of a scan of n addresses (one series per address):
// the table built from the grid, then drawn as the default type.
void BM_TemporaryChartDrawn(benchmark::State& state) {
    Fixture& f = fixture();
    f.setType(chart::Line2D);
    const int rows = static_cast<int>(state.range(0));
    ResultsGrid& grid = f.grid;
    grid.clear();
    for (int i = 0; i < rows; ++i) {
        QStringList cells{QStringLiteral("http://site-%1.example/").arg(i), QString()};
        for (int k = 0; k < 6; ++k) cells << QString::number((i * 7919 + k * 104729) % 100'000);
        grid.appendRow(cells);
    }
    for (auto _ : state) {
        f.page.doChart2();
        benchmark::DoNotOptimize(f.drawn());
    }
}
BENCHMARK(BM_TemporaryChartDrawn)->Arg(100)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    isolateUserSettings();
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    g_fixture = new Fixture;
    benchmark::RunSpecifiedBenchmarks();
    // QUILLMARK_SHOT_DIR: keep a picture of the long history in every chart type.
    const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR");
    for (int type = 0; !shots.isEmpty() && type < chart::kChartTypeCount; ++type) {
        g_fixture->setType(type);
        savedSearch::setChartFileName(QStringLiteral("twenty years.lpc"));
        g_fixture->page.doChart();
        g_fixture->drawn().save(QStringLiteral("%1/twenty_years_type_%2.png").arg(shots).arg(type));
    }
    delete g_fixture;
    benchmark::Shutdown();
    return 0;
}
