#include "history/history_chart_widget.h"

#include "history/chart_2d_view.h"
#include "history/chart_3d_view.h"

#include <Q3DBars>
#include <Q3DCamera>
#include <Q3DScene>
#include <Q3DSurface>
#include <Q3DTheme>
#include <QChart>
#include <QChartView>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QStackedLayout>
#include <QTimer>
#include <QVBoxLayout>

HistoryChartWidget::HistoryChartWidget(QWidget* focusTarget, QWidget* parent)
    : QWidget(parent), m_focusTarget(focusTarget) {
    setObjectName(QStringLiteral("MSChart1"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    m_stack = new QStackedLayout;
    outer->addLayout(m_stack, 1);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("chartSampleNote"));
    m_note->setAlignment(Qt::AlignCenter);
    m_note->hide();
    outer->addWidget(m_note);

    m_chart = new QChart;
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->setBackgroundRoundness(0);
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_view = new QChartView(m_chart, this);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_stack->addWidget(m_view);

    m_page3d = new QWidget(this);
    auto* column = new QVBoxLayout(m_page3d);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    m_title3d = new QLabel(m_page3d);
    m_title3d->setAlignment(Qt::AlignCenter);
    QFont titleFont = m_title3d->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    m_title3d->setFont(titleFont);
    column->addWidget(m_title3d);
    m_stack3d = new QStackedLayout;
    column->addLayout(m_stack3d, 1);
    m_stack->addWidget(m_page3d);

    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(m_view), m_view->viewport(), m_page3d})
        guardFocus(w);
    redraw();
}

HistoryChartWidget::~HistoryChartWidget() = default;

void HistoryChartWidget::setChart(const ChartData& data) {
    m_data = data;
    redraw();
}

void HistoryChartWidget::setChartType(int type) {
    m_data.type = type;
    redraw();
}

QAbstract3DGraph* HistoryChartWidget::graph3d() const {
    if (m_stack->currentWidget() != m_page3d) return nullptr;
    QWidget* shown = m_stack3d->currentWidget();
    if (shown && shown == m_barsBox) return m_bars;
    if (shown && shown == m_surfaceBox) return m_surface;
    return nullptr;
}

bool HistoryChartWidget::threeDAvailable() {
    static const bool available = [] {
        QOpenGLContext context;
        if (!context.create()) return false;
        QOffscreenSurface surface;
        surface.create();
        const bool current = context.makeCurrent(&surface);
        if (current) context.doneCurrent();
        return current;
    }();
    return available;
}

bool HistoryChartWidget::eventFilter(QObject* watched, QEvent* event) {
    // The embedded 3-D window takes the focus on a click; hand it straight back.
    if (event->type() == QEvent::FocusIn && m_focusTarget)
        QTimer::singleShot(0, m_focusTarget, [target = m_focusTarget] {
            if (QWindow* w = target->window()->windowHandle()) w->requestActivate();
            target->setFocus(Qt::OtherFocusReason);
        });
    return QWidget::eventFilter(watched, event);
}

QString HistoryChartWidget::sampleNote() const {
    if (m_data.seriesCount() <= kMaxSeries) return {};
    return tr("%1 of %2 series shown, evenly spread")
        .arg(QLocale().toString(kMaxSeries), QLocale().toString(m_data.seriesCount()));
}

void HistoryChartWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_stale) redraw();
}

void HistoryChartWidget::redraw() {
    // A chart off the screen costs time for nothing: the end of a long scan
    // would freeze the window to draw a page nobody looks at.
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    m_stale = false;
    const ChartData shown = sampleSeries(m_data, kMaxSeries);
    m_note->setText(sampleNote());
    m_note->setVisible(!m_note->text().isEmpty());
    if (chart::isThreeD(shown.type)) {
        show3d(shown);
        m_stack->setCurrentWidget(m_page3d);
    } else {
        chartdraw::drawChart2d(*m_chart, shown, shown.type);
        m_stack->setCurrentWidget(m_view);
    }
}

namespace {
void resetView(QAbstract3DGraph& graph, Q3DCamera::CameraPreset preset) {
    // Setting the preset it already holds would not move a turned camera back.
    graph.scene()->activeCamera()->setCameraPreset(Q3DCamera::CameraPresetNone);
    graph.scene()->activeCamera()->setCameraPreset(preset);
    // Far enough back that the labels nearest the camera, drawn largest, stay
    // whole in a chart of the default window's size.
    graph.scene()->activeCamera()->setZoomLevel(80.0f);
}

void prepareGraph(QAbstract3DGraph& graph, Q3DCamera::CameraPreset preset) {
    graph.setActiveInputHandler(new chartdraw::CtrlDragRotation(&graph));
    graph.setShadowQuality(QAbstract3DGraph::ShadowQualityNone);
    graph.setSelectionMode(QAbstract3DGraph::SelectionNone);
    graph.activeTheme()->setType(Q3DTheme::ThemeQt);
    graph.activeTheme()->setLabelBackgroundEnabled(false);
    // The theme's grey thin text all but vanishes on the far axis (the dates),
    // on the screen and in an exported picture alike.
    graph.activeTheme()->setLabelTextColor(Qt::black);
    QFont font = graph.activeTheme()->font();
    font.setPointSize(42);
    font.setBold(true);
    graph.activeTheme()->setFont(font);
    resetView(graph, preset);
}
}  // namespace

void HistoryChartWidget::show3d(const ChartData& data) {
    const int type = data.type;
    m_title3d->setText(data.title);
    if (!threeDAvailable()) {
        if (!m_no3d) {
            m_no3d = new QLabel(tr("3-D charts need OpenGL, which this display does not offer."), m_page3d);
            m_no3d->setAlignment(Qt::AlignCenter);
            m_stack3d->addWidget(m_no3d);
        }
        m_stack3d->setCurrentWidget(m_no3d);
        return;
    }
    // Each type opens at its own default view: a turn given to one type
    // would show the next side-on.
    const bool typeChanged = type != m_last3dType;
    m_last3dType = type;
    if (type == chart::Bar3D || type == chart::Step3D) {
        if (m_bars && typeChanged) resetView(*m_bars, Q3DCamera::CameraPresetIsometricRight);
        if (!m_bars) {
            m_bars = new Q3DBars;
            prepareGraph(*m_bars, Q3DCamera::CameraPresetIsometricRight);
            // Depth and width keep a fixed ratio, so a long history is not squashed to a sliver.
            m_bars->setHorizontalAspectRatio(2.0f);
            m_barsBox = containerFor(m_bars);
        }
        chartdraw::drawBars3d(*m_bars, data, type == chart::Step3D);
        m_stack3d->setCurrentWidget(m_barsBox);
    } else {
        if (m_surface && typeChanged) resetView(*m_surface, Q3DCamera::CameraPresetIsometricRight);
        if (!m_surface) {
            m_surface = new Q3DSurface;
            prepareGraph(*m_surface, Q3DCamera::CameraPresetIsometricRight);
            m_surface->setHorizontalAspectRatio(2.0f);
            m_surfaceBox = containerFor(m_surface);
        }
        chartdraw::drawSurface3d(*m_surface, data, type == chart::Area3D);
        m_stack3d->setCurrentWidget(m_surfaceBox);
    }
}

QWidget* HistoryChartWidget::containerFor(QAbstract3DGraph* graph) {
    QWidget* box = QWidget::createWindowContainer(graph, m_page3d);
    box->setMinimumSize(16, 16);
    guardFocus(box);
    graph->installEventFilter(this);
    m_stack3d->addWidget(box);
    return box;
}

void HistoryChartWidget::guardFocus(QWidget* widget) {
    widget->setFocusPolicy(Qt::NoFocus);
    if (m_focusTarget) widget->setFocusProxy(m_focusTarget);
    widget->installEventFilter(this);
}
