#pragma once

#include "history/chart_data.h"

#include <QWidget>

class QAbstract3DGraph;
class Q3DBars;
class Q3DSurface;
class QChart;
class QChartView;
class QLabel;
class QStackedLayout;

// The chart control: shows one ChartData in one of the eight chart types, the
// 2-D types with Qt Charts, the 3-D types with Qt Data Visualization (turned
// by dragging with the Control key held). It never keeps the keyboard focus:
// any attempt to focus it or its views lands on focusTarget. A chart is drawn
// when the control is on the screen; one set while it is hidden waits until
// it is shown.
class HistoryChartWidget final : public QWidget {
    Q_OBJECT
public:
    HistoryChartWidget(QWidget* focusTarget, QWidget* parent = nullptr);
    ~HistoryChartWidget() override;

    // At most this many series are drawn, spread evenly over all of them;
    // chart views slow down by the square of their series count.
    static constexpr int kMaxSeries = 100;

    // Draws data as its type.
    void setChart(const ChartData& data);
    // Draws the current data as another type.
    void setChartType(int type);
    const ChartData& chartData() const { return m_data; }
    int chartType() const { return m_data.type; }

    QChart* chart2d() const { return m_chart; }
    QChartView* chartView() const { return m_view; }
    // The 3-D graph on show, or null while a 2-D type is shown (or without OpenGL).
    QAbstract3DGraph* graph3d() const;
    // False where no OpenGL context can be made (3-D types then show a notice).
    static bool threeDAvailable();

    // "Every 10th of 1000 series shown" when the chart shows a sample; empty otherwise.
    QString sampleNote() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void redraw();
    void show3d(const ChartData& data);
    QWidget* containerFor(QAbstract3DGraph* graph);
    void guardFocus(QWidget* widget);

    QWidget* m_focusTarget = nullptr;
    ChartData m_data;
    bool m_stale = false;  // set while hidden, drawn when shown
    QStackedLayout* m_stack = nullptr;
    QLabel* m_note = nullptr;
    QChart* m_chart = nullptr;
    QChartView* m_view = nullptr;
    QWidget* m_page3d = nullptr;
    QLabel* m_title3d = nullptr;
    QStackedLayout* m_stack3d = nullptr;
    QLabel* m_no3d = nullptr;
    Q3DBars* m_bars = nullptr;
    int m_last3dType = -1;  // the 3-D type drawn last
    QWidget* m_barsBox = nullptr;
    Q3DSurface* m_surface = nullptr;
    QWidget* m_surfaceBox = nullptr;
};
