#include "history/chart_2d_view.h"

#include "history/chart_data.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>

namespace chartdraw {

QColor seriesColor(int series) {
    static const QList<QColor> colors{
        QColor(0x1f, 0x5f, 0xbf), QColor(0xd9, 0x48, 0x1c), QColor(0x2e, 0x9e, 0x44), QColor(0xe8, 0xb0, 0x10),
        QColor(0x7b, 0x3f, 0xb5), QColor(0x14, 0xa3, 0xb8), QColor(0xc2, 0x2e, 0x7a), QColor(0x6b, 0x6b, 0x6b)};
    return colors[series % colors.size()];
}

namespace {

void clearChart(QChart& chart) {
    chart.removeAllSeries();
    for (QAbstractAxis* axis : chart.axes()) {
        chart.removeAxis(axis);
        delete axis;
    }
}

// The horizontal axis of lines, areas and steps: category i sits at x = i,
// every category owns [i - 0.5, i + 0.5].
QCategoryAxis* categoryAxis(const ChartData& data) {
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    const QStringList labels = distinctLabels(data.categoryLabels);
    for (int i : labelledCategories(data.categoryCount(), kMaxCategoryLabels)) axis->append(labels[i], i);
    axis->setRange(-0.5, std::max(0, data.categoryCount() - 1) + 0.5);
    axis->setGridLineVisible(false);
    return axis;
}

QValueAxis* valueAxis(const ChartData& data) {
    const auto [low, high] = valueBounds(data);
    auto* axis = new QValueAxis;
    axis->setTitleText(data.valueAxisTitle);
    axis->setRange(low, high > low ? high : low + 1);
    axis->applyNiceNumbers();
    axis->setLabelFormat(QStringLiteral("%.10g"));
    return axis;
}

// The points of one run; a step holds each value across its category's
// width, and a lone step also keeps its centre, where its marker goes.
QList<QPointF> runPoints(const ChartData& data, int series, CategoryRun run, bool steps) {
    QList<QPointF> points;
    points.reserve((run.last - run.first + 1) * (steps ? 2 : 1) + 1);
    for (int i = run.first; i <= run.last; ++i) {
        const double v = data.value(i, series);
        if (!steps) {
            points << QPointF(i, v);
        } else if (run.first == run.last) {
            points << QPointF(i - 0.5, v) << QPointF(i, v) << QPointF(i + 0.5, v);
        } else {
            points << QPointF(i - 0.5, v) << QPointF(i + 0.5, v);
        }
    }
    return points;
}

void addToChart(QChart& chart, QAbstractSeries* series, const QString& name, bool inLegend, QAbstractAxis* x,
                QAbstractAxis* y) {
    series->setName(name);
    chart.addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
    if (!inLegend)
        for (QLegendMarker* marker : chart.legend()->markers(series)) marker->setVisible(false);
}

// A point without a neighbour draws no line and a hairline of area: mark it.
QLineSeries* loneMarker(const QPointF& at, const QColor& color) {
    auto* dot = new QLineSeries;
    dot->append(at);
    dot->setColor(color);
    dot->setPointConfiguration(0, {{QXYSeries::PointConfiguration::Visibility, true},
                                   {QXYSeries::PointConfiguration::Size, kLoneMarkerRadius}});
    return dot;
}

void addBars(QChart& chart, const ChartData& data, QAbstractAxis* x, QAbstractAxis* y) {
    auto* bars = new QBarSeries;
    const QStringList names = shownSeriesLabels(data, kMaxAddressChars);
    for (int s = 0; s < data.seriesCount(); ++s) {
        auto* set = new QBarSet(names[s]);
        QList<qreal> values;
        values.reserve(data.categoryCount());
        for (int i = 0; i < data.categoryCount(); ++i) values << data.value(i, s);
        set->append(values);
        set->setColor(seriesColor(s));
        set->setBorderColor(seriesColor(s).darker(130));
        bars->append(set);
    }
    chart.addSeries(bars);
    bars->attachAxis(x);
    bars->attachAxis(y);
}

// One chart series per run of values, so a gap stays empty; the series's
// first run alone carries its legend entry.
void addLines(QChart& chart, const ChartData& data, int type, QAbstractAxis* x, QAbstractAxis* y) {
    const bool steps = type == chart::Step2D || type == chart::Step3D;
    const bool areas = type == chart::Area2D || type == chart::Area3D;
    const QStringList names = shownSeriesLabels(data, kMaxAddressChars);
    for (int s = 0; s < data.seriesCount(); ++s) {
        const QColor color = seriesColor(s);
        const QString& name = names[s];
        QVector<CategoryRun> runs = valueRuns(data, s);
        if (runs.isEmpty()) addToChart(chart, new QLineSeries, name, true, x, y);
        for (qsizetype r = 0; r < runs.size(); ++r) {
            auto* line = new QLineSeries;
            line->replace(runPoints(data, s, runs[r], steps));
            QAbstractSeries* shown = line;
            if (areas) {
                auto* area = new QAreaSeries(line);
                QColor fill = color;
                fill.setAlpha(110);
                area->setColor(fill);
                area->setBorderColor(color);
                shown = area;
            } else {
                QPen pen(color);
                pen.setWidthF(2);
                line->setPen(pen);
            }
            addToChart(chart, shown, name, r == 0, x, y);
            if (runs[r].first == runs[r].last) {
                const int i = runs[r].first;
                addToChart(chart, loneMarker(QPointF(i, data.value(i, s)), color), name, false, x, y);
            }
        }
    }
}

}  // namespace

void drawChart2d(QChart& chart, const ChartData& full, int type) {
    clearChart(chart);
    chart.setTitle(full.title);
    chart.legend()->setVisible(full.seriesCount() <= kMaxLegendEntries);
    const bool bars = type == chart::Bar2D || type == chart::Bar3D;
    const ChartData data = bars ? sampleCategories(full, kMaxBars) : full;
    QAbstractAxis* x = nullptr;
    // A bar axis names every category; past a handful the thinned axis serves bars too.
    if (bars && data.categoryCount() <= kMaxCategoryLabels) {
        auto* categories = new QBarCategoryAxis;
        categories->append(distinctLabels(data.categoryLabels));
        x = categories;
    } else {
        x = categoryAxis(data);
    }
    QValueAxis* y = valueAxis(data);
    chart.addAxis(x, Qt::AlignBottom);
    chart.addAxis(y, Qt::AlignLeft);
    if (bars)
        addBars(chart, data, x, y);
    else
        addLines(chart, data, type, x, y);
}

}  // namespace chartdraw
