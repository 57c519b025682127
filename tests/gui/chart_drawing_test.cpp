#include "history/chart_2d_view.h"
#include "history/chart_view_page.h"
#include "history/history_chart_widget.h"
#include "history/saved_search.h"
#include "config/settings_table.h"
#include "chart_page_fixture.h"
#include "history_test_helpers.h"
#include "results/results_grid.h"
#include "scripted_platform.h"
#include "platform/chart_print_ui.h"
#include "shell/main_window.h"
#include "desktop/twips.h"
#include "support/settings_snapshot.h"
#include "support/temp_app_folder.h"

#include <Q3DCamera>
#include <Q3DScene>
#include <Q3DSurface>
#include <QMouseEvent>
#include <QWindow>
#include <QAbstract3DGraph>
#include <QChart>
#include <QDate>
#include <QChartView>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct DrawnPage : ChartPageFixture {
    void load(const QString& name, const QByteArray& body) {
        app.write(QStringLiteral("Saved/%1.lpc").arg(name), body);
        savedSearch::setChartFileName(name + QStringLiteral(".lpc"));
        page.doChart();
    }
    void show(const char* series, int type) {
        choose(page.findChild<QComboBox*>(QStringLiteral("cmbChart2")), chart::chartTypeEntries()[type]);
        if (series) choose(page.findChild<QComboBox*>(QStringLiteral("cmbChart1")), QString::fromLatin1(series));
    }
    QImage shot() { return CaptureWindowPicture(chart(), 0, 0, chart()->width(), chart()->height()); }
    // The plot area as drawn, in the view's pixels (the legend and axes left out).
    QImage plot() {
        QTest::qWait(20);
        const QImage image = chart()->chartView()->grab().toImage();
        const QRect area = chart()->chartView()->mapFromScene(chart()->chart2d()->plotArea()).boundingRect();
        return image.copy(area.adjusted(1, 1, -1, -1));
    }
};

// Pixels drawn in a hue near colour's (fills blended with white included).
int pixelsOf(const QImage& image, const QColor& colour, const QRect& within) {
    int count = 0;
    const QRect area = within.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.hsvSaturation() > 50 && std::abs(c.hsvHue() - colour.hsvHue()) < 14) ++count;
        }
    return count;
}

QString typeName(int type) { return chart::chartTypeEntries()[type]; }

}  // namespace

TEST(ChartDrawing, ASingleDateIsVisibleInEveryTwoDType) {
    DrawnPage p;
    p.load(QStringLiteral("one day"), "\r\n[Google]\r\n03-21-06=1250\r\n");
    const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR");
    for (int type : {chart::Bar2D, chart::Line2D, chart::Area2D, chart::Step2D}) {
        SCOPED_TRACE(typeName(type).toStdString());
        p.show(nullptr, type);
        const QImage plot = p.plot();
        if (!shots.isEmpty()) plot.save(QStringLiteral("%1/one_date_type_%2.png").arg(shots).arg(type));
        // A marker of radius 4.5 covers some sixty pixels; a hairline a few.
        EXPECT_GT(pixelsOf(plot, chartdraw::seriesColor(0), plot.rect()), 40);
    }
}

TEST(ChartDrawing, AnEngineWithoutADateLeavesAGapThereNotAZero) {
    DrawnPage p;
    // Ask failed on 03-14-06: it has no entry for that day.
    p.load(QStringLiteral("gap"),
           "\r\n[Google]\r\n03-21-06=900\r\n03-14-06=950\r\n03-07-06=1000\r\n"
           "\r\n[Ask]\r\n03-21-06=400\r\n03-07-06=500\r\n");
    const QColor ask = chartdraw::seriesColor(1);
    const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR");
    for (int type : {chart::Bar2D, chart::Line2D, chart::Area2D, chart::Step2D}) {
        SCOPED_TRACE(typeName(type).toStdString());
        p.show("All Engines", type);
        ASSERT_EQ(p.page.chartData().categoryLabels, QStringList({"03-21-06", "03-14-06", "03-07-06"}));
        const QImage plot = p.plot();
        if (!shots.isEmpty()) p.shot().save(QStringLiteral("%1/gap_type_%2.png").arg(shots).arg(type));
        const int third = plot.width() / 3;
        const QRect left(0, 0, third - 2, plot.height());
        const QRect middle(third + third / 4, 0, third / 2, plot.height());
        const QRect right(2 * third + 2, 0, third - 2, plot.height());
        EXPECT_GT(pixelsOf(plot, ask, left), 40);
        EXPECT_EQ(pixelsOf(plot, ask, middle), 0);  // no point, no bar, no line through the day
        EXPECT_GT(pixelsOf(plot, ask, right), 40);
        EXPECT_GT(pixelsOf(plot, chartdraw::seriesColor(0), middle), 0);  // Google has that day
    }
    if (!HistoryChartWidget::threeDAvailable()) return;
    for (int type : {chart::Line3D, chart::Area3D}) {
        SCOPED_TRACE(typeName(type).toStdString());
        p.show("All Engines", type);
        QTest::qWait(300);
        if (!shots.isEmpty()) p.shot().save(QStringLiteral("%1/gap_type_%2.png").arg(shots).arg(type));
        auto* surface = qobject_cast<Q3DSurface*>(p.chart()->graph3d());
        ASSERT_NE(surface, nullptr);
        EXPECT_EQ(surface->seriesList().size(), 3);  // Google's ribbon whole, Ask's in two pieces
    }
}

TEST(ChartDrawing, AChartSetWhileHiddenIsDrawnWhenShown) {
    DrawnPage p;
    p.page.hide();
    p.grid.appendRow({"a.example", "", "1", "2", "3", "4", "5", "6"});
    p.page.doChart2();
    EXPECT_EQ(p.page.chartData().seriesLabels, QStringList({"a.example"}));  // the data is built at once
    EXPECT_TRUE(p.chart()->chart2d()->series().isEmpty());                     // the drawing waits
    p.page.show();
    EXPECT_EQ(p.chart()->chart2d()->series().size(), 1);
}

TEST(ChartDrawing, ManyAddressesDrawAnEvenSampleAndSayAllTheyHold) {
    DrawnPage p;
    for (int i = 0; i < 1000; ++i) {
        const QString n = QString::number(i);
        p.grid.appendRow({QStringLiteral("http://site-%1.example/").arg(i), "", n, n, n, n, n, n});
    }
    p.page.doChart2();
    EXPECT_EQ(p.page.chartData().seriesCount(), 1000);
    const QList<QAbstractSeries*> drawn = p.chart()->chart2d()->series();
    ASSERT_EQ(drawn.size(), HistoryChartWidget::kMaxSeries);
    EXPECT_EQ(drawn.first()->name(), QStringLiteral("http://site-0.example/"));
    EXPECT_EQ(drawn.last()->name(), QStringLiteral("http://site-999.example/"));  // the most popular stays
    EXPECT_FALSE(p.chart()->chart2d()->legend()->isVisible());
    auto* note = p.chart()->findChild<QLabel*>(QStringLiteral("chartSampleNote"));
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(), QStringLiteral("100 of 1,000 series shown, evenly spread"));

    p.grid.clear();
    p.page.doChart2();
    EXPECT_FALSE(note->isVisible());
}

namespace {

// Dark pixels (label text) in a strip of the picture.
int inkIn(const QImage& image, const QRect& strip) {
    int ink = 0;
    const QRect area = strip.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 150) ++ink;
    return ink;
}

QByteArray twelveWeeks() {
    QByteArray file;
    for (const char* section : {"Google", "Altavista", "Yahoo!", "Ask", "MSN", "All The Web"}) {
        file += QByteArray("\r\n[") + section + "]\r\n";
        QDate day(2000, 3, 21);
        for (int week = 0; week < 12; ++week, day = day.addDays(-7))
            file += savedSearch::dateKey(day).toLatin1() + '=' + QByteArray::number(1'000'000 + week * 91'000) + "\r\n";
    }
    return file;
}

}  // namespace

TEST(ChartDrawing, ThreeDLabelsAreWholeAtTheDefaultWindowSize) {
    if (!HistoryChartWidget::threeDAvailable()) GTEST_SKIP() << "no OpenGL";
    TempAppFolder app;
    ScriptedPlatform ui;
    SettingsSnapshot settings;
    settings::saveFlag(Setting::ShowHelp, false);
    app.write(QStringLiteral("Saved/site.lpc"), twelveWeeks());
    Form1 window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.selectTab(Form1::kChartViewTab);
    auto* page = window.findChild<ChartViewPage*>();
    savedSearch::setChartFileName(QStringLiteral("site.lpc"));
    page->doChart();
    auto* chart = static_cast<HistoryChartWidget*>(page->chartWidget());
    const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR");
    for (const char* series : {"Google", "All Engines"})
        for (int type : {chart::Bar3D, chart::Line3D, chart::Area3D, chart::Step3D}) {
            SCOPED_TRACE(QStringLiteral("%1, %2").arg(series, typeName(type)).toStdString());
            choose(page->findChild<QComboBox*>(QStringLiteral("cmbChart2")), typeName(type));
            choose(page->findChild<QComboBox*>(QStringLiteral("cmbChart1")), QString::fromLatin1(series));
            QTest::qWait(300);
            QAbstract3DGraph* graph = chart->graph3d();
            ASSERT_NE(graph, nullptr);
            const QRect area(chart->mapFromGlobal(graph->mapToGlobal(QPoint(0, 0))), graph->size());
            const QImage picture = CaptureWindowPicture(chart, area.x(), area.y(), area.width(), area.height());
            if (!shots.isEmpty())
                picture.save(QStringLiteral("%1/labels_3d_%2_%3.png").arg(shots).arg(type).arg(series[0] == 'G'));
            // No label runs off the view: its outer few pixels hold no text.
            const int w = picture.width(), h = picture.height();
            EXPECT_EQ(inkIn(picture, QRect(0, h - 4, w, 4)), 0) << "bottom";
            EXPECT_EQ(inkIn(picture, QRect(0, 0, 4, h)), 0) << "left";
            EXPECT_EQ(inkIn(picture, QRect(w - 4, 0, 4, h)), 0) << "right";
            EXPECT_EQ(inkIn(picture, QRect(0, 0, w, 4)), 0) << "top";
        }
}

// A turn given to one 3-D type is not carried to the next: each type opens
// at its default view.
TEST(ChartDrawing, EachThreeDTypeOpensAtItsDefaultView) {
    if (!HistoryChartWidget::threeDAvailable()) GTEST_SKIP() << "no OpenGL";
    TempAppFolder app;
    ScriptedPlatform ui;
    SettingsSnapshot settings;
    settings::saveFlag(Setting::ShowHelp, false);
    app.write(QStringLiteral("Saved/site.lpc"), twelveWeeks());
    Form1 window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.selectTab(Form1::kChartViewTab);
    auto* page = window.findChild<ChartViewPage*>();
    savedSearch::setChartFileName(QStringLiteral("site.lpc"));
    page->doChart();
    auto* chart = static_cast<HistoryChartWidget*>(page->chartWidget());
    const auto camera = [&] { return chart->graph3d()->scene()->activeCamera(); };
    const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR");
    for (const auto& [from, to] : {std::pair{chart::Bar3D, chart::Step3D}, std::pair{chart::Line3D, chart::Area3D},
                                   std::pair{chart::Area3D, chart::Bar3D}}) {
        SCOPED_TRACE(typeName(from).toStdString() + " -> " + typeName(to).toStdString());
        choose(page->findChild<QComboBox*>(QStringLiteral("cmbChart2")), typeName(from));
        QTest::qWait(100);
        ASSERT_NE(chart->graph3d(), nullptr);
        const float x0 = camera()->xRotation(), y0 = camera()->yRotation(), zoom0 = camera()->zoomLevel();
        // The user turns it with Ctrl + drag.
        QWindow* surface = chart->graph3d();
        const QPoint middle(surface->width() / 2, surface->height() / 2);
        QTest::mousePress(surface, Qt::LeftButton, Qt::ControlModifier, middle);
        for (int step = 1; step <= 10; ++step) {
            QMouseEvent move(QEvent::MouseMove, middle + QPoint(step * 12, step * 6), middle + QPoint(step * 12, step * 6),
                             Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
            QCoreApplication::sendEvent(surface, &move);
        }
        QTest::mouseRelease(surface, Qt::LeftButton, Qt::ControlModifier, middle + QPoint(120, 60));
        ASSERT_NE(camera()->xRotation(), x0) << "the drag turned the chart";
        choose(page->findChild<QComboBox*>(QStringLiteral("cmbChart2")), typeName(to));
        QTest::qWait(300);
        EXPECT_FLOAT_EQ(camera()->xRotation(), x0);
        EXPECT_FLOAT_EQ(camera()->yRotation(), y0);
        EXPECT_FLOAT_EQ(camera()->zoomLevel(), zoom0);
        if (!shots.isEmpty()) {
            QAbstract3DGraph* graph = chart->graph3d();
            const QRect area(chart->mapFromGlobal(graph->mapToGlobal(QPoint(0, 0))), graph->size());
            CaptureWindowPicture(chart, area.x(), area.y(), area.width(), area.height())
                .save(QStringLiteral("%1/default_view_%2.png").arg(shots).arg(to));
        }
    }
}
