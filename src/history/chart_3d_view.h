#pragma once

#include <QAbstract3DInputHandler>
#include <QPoint>

class Q3DBars;
class Q3DSurface;
struct ChartData;

namespace chartdraw {

// Bars in depth rows, one row per series, coloured by height. Steps are bars
// that touch along each row.
void drawBars3d(Q3DBars& graph, const ChartData& data, bool steps);

// One surface per series at its own depth: a ribbon at the values for lines,
// a slab standing on zero for areas.
void drawSurface3d(Q3DSurface& graph, const ChartData& data, bool areas);

// Turns the camera while the left button is dragged with the Control key held;
// the wheel zooms. Nothing else moves the view.
class CtrlDragRotation final : public QAbstract3DInputHandler {
    Q_OBJECT
public:
    explicit CtrlDragRotation(QObject* parent = nullptr) : QAbstract3DInputHandler(parent) {}

    void mousePressEvent(QMouseEvent* event, const QPoint& mousePos) override;
    void mouseReleaseEvent(QMouseEvent* event, const QPoint& mousePos) override;
    void mouseMoveEvent(QMouseEvent* event, const QPoint& mousePos) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool m_rotating = false;
    QPoint m_last;
};

}  // namespace chartdraw
