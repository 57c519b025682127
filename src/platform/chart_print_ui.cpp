#include "platform/chart_print_ui.h"

#include "platform/ui_platform.h"
#include "desktop/twips.h"

#include <QAbstract3DGraph>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <QWindow>

namespace {

// Child GL windows draw outside the widget tree; paint each visible one
// inside source into the picture at its place.
void paintEmbeddedGraphs(QWidget* source, const QPoint& origin, QImage& picture) {
    QWindow* top = source->window()->windowHandle();
    if (!top) return;
    QPainter painter(&picture);
    for (QWindow* w : QGuiApplication::allWindows()) {
        auto* graph = qobject_cast<QAbstract3DGraph*>(w);
        if (!graph || !graph->isVisible() || !graph->isExposed() || !top->isAncestorOf(graph)) continue;
        const QRect area(source->mapFromGlobal(graph->mapToGlobal(QPoint(0, 0))) - origin, graph->size());
        if (!area.intersects(picture.rect())) continue;
        const QImage frame = graph->renderToImage(0, graph->size());
        if (!frame.isNull()) painter.drawImage(area, frame);
    }
}

}  // namespace

QImage CaptureWindowPicture(QWidget* source, int left, int top, int width, int height) {
    if (!source || width <= 0 || height <= 0) return {};
    QImage picture = source->grab(QRect(left, top, width, height)).toImage().convertToFormat(QImage::Format_RGB32);
    picture.setDevicePixelRatio(1.0);
    if (picture.size() != QSize(width, height)) picture = picture.scaled(width, height);
    paintEmbeddedGraphs(source, QPoint(left, top), picture);
    return picture;
}

QSize captureSizeForTwips(int widthTwips, int heightTwips) {
    return {twipsToPixels(widthTwips), twipsToPixels(heightTwips)};
}

void PrintChart(QWidget* chart, QWidget* owner) {
    if (!chart) return;
    const QSize size = captureSizeForTwips(pixelsToTwips(chart->width()), pixelsToTwips(chart->height()));
    const QImage picture = CaptureWindowPicture(chart, 0, 0, size.width(), size.height());
    QString error;
    if (platform::ui().printImage(picture, &error)) return;
    platform::ui().messageBox(owner, QStringLiteral("The chart could not be printed. %1").arg(error),
                              QStringLiteral("Information"), UiPlatform::Buttons::Ok,
                              UiPlatform::Icon::Information);
}
