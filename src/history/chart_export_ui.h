#pragma once

#include <QString>

class HistoryChartWidget;

// "Export Chart...": writes the chart as it is drawn to a file whose suffix
// chooses the format: .png (the picture on the screen), .svg or .pdf (the
// 2-D chart as lines and text; a 3-D chart as its picture). Whole or nothing;
// false with a reason when the file cannot be written or the suffix is none of
// the three.
bool exportChart(HistoryChartWidget* chart, const QString& path, QString* error);
