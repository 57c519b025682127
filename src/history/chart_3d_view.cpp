#include "history/chart_3d_view.h"

#include "history/chart_2d_view.h"
#include "history/chart_data.h"

#include <Q3DBars>
#include <Q3DCamera>
#include <Q3DScene>
#include <Q3DSurface>
#include <QBar3DSeries>
#include <QBarDataProxy>
#include <QCategory3DAxis>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QSurface3DSeries>
#include <QSurfaceDataProxy>
#include <QValue3DAxis>
#include <QValue3DAxisFormatter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace chartdraw {
namespace {

constexpr int kManyCategories = 60;

// Names the whole-number positions of a value axis, thinned like the 2-D axis.
class CategoryFormatter final : public QValue3DAxisFormatter {
public:
    explicit CategoryFormatter(const QStringList& labels = {}) : m_labels(labels) {}

protected:
    QValue3DAxisFormatter* createNewInstance() const override { return new CategoryFormatter; }
    void populateCopy(QValue3DAxisFormatter& copy) const override {
        QValue3DAxisFormatter::populateCopy(copy);
        static_cast<CategoryFormatter&>(copy).m_labels = m_labels;
    }
    void recalculate() override {
        gridPositions().clear();
        subGridPositions().clear();
        labelPositions().clear();
        labelStrings().clear();
        const float min = axis()->min();
        const float span = std::max(axis()->max() - min, 1e-6f);
        for (int i : labelledCategories(static_cast<int>(m_labels.size()), kMaxCategoryLabels)) {
            const float position = (static_cast<float>(i) - min) / span;
            if (position < 0.0f || position > 1.0f) continue;
            gridPositions() << position;
            labelPositions() << position;
            labelStrings() << m_labels[i];
        }
    }

private:
    QStringList m_labels;
};

// Puts the value axis on round numbers: about five segments of 1, 2, 2.5 or 5
// times a power of ten.
void setValueRange(QValue3DAxis& axis, const ChartData& data) {
    auto [low, high] = valueBounds(data);
    if (high <= low) high = low + 1;
    const double raw = (high - low) / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double norm = raw / magnitude;
    const double step = (norm <= 1 ? 1 : norm <= 2 ? 2 : norm <= 2.5 ? 2.5 : norm <= 5 ? 5 : 10) * magnitude;
    low = std::floor(low / step) * step;
    high = std::ceil(high / step) * step;
    axis.setRange(static_cast<float>(low), static_cast<float>(high));
    axis.setSegmentCount(std::max(1, static_cast<int>(std::lround((high - low) / step))));
    axis.setSubSegmentCount(1);
    axis.setTitle(data.valueAxisTitle);
    axis.setTitleVisible(true);
    axis.setLabelFormat(QStringLiteral("%.10g"));
}

QStringList thinnedLabels(const QStringList& labels) {
    QStringList shown(labels.size());
    for (int i : labelledCategories(static_cast<int>(labels.size()), kMaxCategoryLabels)) shown[i] = labels[i];
    return shown;
}

QSurfaceDataRow* surfaceRow(const ChartData& data, int series, CategoryRun run, float z, bool onZero) {
    auto* row = new QSurfaceDataRow;
    auto y = [&](int i) { return onZero ? 0.0f : static_cast<float>(data.value(i, series)); };
    if (run.first == run.last) {  // a surface needs two columns: hold the one value across its category
        const auto x = static_cast<float>(run.first);
        *row << QSurfaceDataItem(QVector3D(x - 0.3f, y(run.first), z))
             << QSurfaceDataItem(QVector3D(x + 0.3f, y(run.first), z));
        return row;
    }
    row->reserve(run.last - run.first + 1);
    for (int i = run.first; i <= run.last; ++i) *row << QSurfaceDataItem(QVector3D(static_cast<float>(i), y(i), z));
    return row;
}

// One surface: a ribbon at the values for lines, a slab standing on zero for areas.
QSurface3DSeries* runSurface(const ChartData& data, int s, CategoryRun run, bool areas) {
    const float z = static_cast<float>(s);
    auto* array = new QSurfaceDataArray;
    if (areas) {  // front wall, top, back wall
        *array << surfaceRow(data, s, run, z - 0.3f, true) << surfaceRow(data, s, run, z - 0.299f, false)
               << surfaceRow(data, s, run, z + 0.299f, false) << surfaceRow(data, s, run, z + 0.3f, true);
    } else {
        *array << surfaceRow(data, s, run, z - 0.15f, false) << surfaceRow(data, s, run, z + 0.15f, false);
    }
    auto* series = new QSurface3DSeries;
    series->dataProxy()->resetArray(array);
    const QString name = shownSeriesLabels(data, kMaxAddressChars).value(s);
    series->setName(name);
    series->setColorStyle(Q3DTheme::ColorStyleUniform);
    series->setBaseColor(seriesColor(s));
    // A wireframe over thousands of columns would paint the ribbon black.
    const bool wire = !areas && data.categoryCount() <= kManyCategories;
    series->setDrawMode(wire ? QSurface3DSeries::DrawSurfaceAndWireframe : QSurface3DSeries::DrawSurface);
    series->setFlatShadingEnabled(true);
    series->setItemLabelFormat(name + QStringLiteral(": @yLabel"));
    return series;
}

}  // namespace

void drawBars3d(Q3DBars& graph, const ChartData& full, bool steps) {
    const ChartData data = sampleCategories(full, kMaxBars);
    if (graph.seriesList().isEmpty()) {
        auto* series = new QBar3DSeries;
        series->setMesh(QAbstract3DSeries::MeshBar);
        QLinearGradient gradient;
        gradient.setColorAt(0.0, seriesColor(0));
        gradient.setColorAt(0.5, seriesColor(2));
        gradient.setColorAt(1.0, seriesColor(1));
        series->setBaseGradient(gradient);
        series->setColorStyle(Q3DTheme::ColorStyleRangeGradient);
        graph.addSeries(series);
    }
    QBar3DSeries* series = graph.seriesList().first();
    auto* array = new QBarDataArray;
    array->reserve(data.seriesCount());
    for (int s = 0; s < data.seriesCount(); ++s) {
        auto* row = new QBarDataRow(data.categoryCount());
        for (int i = 0; i < data.categoryCount(); ++i) (*row)[i].setValue(static_cast<float>(data.value(i, s)));
        array->append(row);
    }
    series->dataProxy()->resetArray(array, shownSeriesLabels(data, kMaxAddressChars), thinnedLabels(data.categoryLabels));
    series->setItemLabelFormat(QStringLiteral("@rowLabel @colLabel: @valueLabel"));
    setValueRange(*graph.valueAxis(), data);
    // The dates lie flat along the far side, seen edge on from the default
    // view; turned towards the camera they read at any rotation.
    graph.columnAxis()->setLabelAutoRotation(90.0f);
    graph.setBarSpacingRelative(true);
    // Past a few dozen bars a gap would be thinner than a pixel and hide the bars.
    const bool touching = steps || data.categoryCount() > kManyCategories;
    graph.setBarSpacing(touching ? QSizeF(0.0, 0.6) : QSizeF(0.5, 0.6));
    graph.setBarThickness(steps ? 0.6f : 1.0f);
}

void drawSurface3d(Q3DSurface& graph, const ChartData& data, bool areas) {
    for (QSurface3DSeries* old : graph.seriesList()) {
        graph.removeSeries(old);
        delete old;
    }
    const int n = data.categoryCount();
    const int seriesCount = data.seriesCount();
    // A gap leaves the ribbon open: each run of values is a surface of its own.
    for (int s = 0; s < seriesCount; ++s)
        for (CategoryRun run : valueRuns(data, s)) graph.addSeries(runSurface(data, s, run, areas));
    graph.axisX()->setFormatter(new CategoryFormatter(data.categoryLabels));
    graph.axisX()->setRange(-0.5f, static_cast<float>(std::max(n, 1)) - 0.5f);
    graph.axisX()->setLabelAutoRotation(90.0f);  // the dates face the camera, as on bars
    graph.axisZ()->setFormatter(new CategoryFormatter(shownSeriesLabels(data, kMaxAddressChars)));
    graph.axisZ()->setRange(-0.5f, static_cast<float>(std::max(seriesCount, 1)) - 0.5f);
    setValueRange(*graph.axisY(), data);
}

void CtrlDragRotation::mousePressEvent(QMouseEvent* event, const QPoint& mousePos) {
    m_rotating = event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier);
    m_last = mousePos;
}

void CtrlDragRotation::mouseReleaseEvent(QMouseEvent*, const QPoint&) { m_rotating = false; }

void CtrlDragRotation::mouseMoveEvent(QMouseEvent* event, const QPoint& mousePos) {
    if (!m_rotating || !(event->modifiers() & Qt::ControlModifier) || !scene()) {
        m_rotating = false;
        return;
    }
    Q3DCamera* camera = scene()->activeCamera();
    const QPoint delta = mousePos - m_last;
    m_last = mousePos;
    camera->setXRotation(camera->xRotation() + delta.x() * 0.5f);
    camera->setYRotation(camera->yRotation() + delta.y() * 0.5f);
}

void CtrlDragRotation::wheelEvent(QWheelEvent* event) {
    if (!scene()) return;
    Q3DCamera* camera = scene()->activeCamera();
    const float step = event->angleDelta().y() > 0 ? 10.0f : -10.0f;
    camera->setZoomLevel(std::clamp(camera->zoomLevel() + step, 20.0f, 500.0f));
}

}  // namespace chartdraw
