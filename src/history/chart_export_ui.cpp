#include "history/chart_export_ui.h"

#include "config/file_write.h"
#include "history/history_chart_widget.h"
#include "platform/chart_print_ui.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace {

// Lines and text where the chart is drawn by painting; the 3-D views draw into
// their own frame buffers, which only a captured picture holds.
void paintChart(HistoryChartWidget* chart, QPainter& painter) {
    if (chart->graph3d()) {
        painter.drawImage(0, 0, CaptureWindowPicture(chart, 0, 0, chart->width(), chart->height()));
    } else {
        chart->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
}

QByteArray svgBytes(HistoryChartWidget* chart) {
    QBuffer buffer;
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(chart->size());
    svg.setViewBox(QRect(QPoint(), chart->size()));
    svg.setTitle(chart->chartData().title);
    QPainter painter(&svg);
    paintChart(chart, painter);
    painter.end();
    return buffer.data();
}

QByteArray pdfBytes(HistoryChartWidget* chart) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setTitle(chart->chartData().title);
    // One point a pixel: the page is the chart's own size.
    pdf.setResolution(72);
    pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(chart->size()), QPageSize::Point), QPageLayout::Portrait,
                                  QMarginsF()));
    QPainter painter(&pdf);
    paintChart(chart, painter);
    painter.end();
    return buffer.data();
}

QByteArray pngBytes(HistoryChartWidget* chart) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CaptureWindowPicture(chart, 0, 0, chart->width(), chart->height()).save(&buffer, "PNG");
    return buffer.data();
}

}  // namespace

bool exportChart(HistoryChartWidget* chart, const QString& path, QString* error) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    QByteArray bytes;
    if (suffix == QLatin1String("png")) {
        bytes = pngBytes(chart);
    } else if (suffix == QLatin1String("svg")) {
        bytes = svgBytes(chart);
    } else if (suffix == QLatin1String("pdf")) {
        bytes = pdfBytes(chart);
    } else {
        if (error) *error = QStringLiteral("the name must end in .png, .svg or .pdf");
        return false;
    }
    if (bytes.isEmpty()) {
        if (error) *error = QStringLiteral("the chart could not be drawn");
        return false;
    }
    return fileWrite::whole(path, bytes, error);
}
