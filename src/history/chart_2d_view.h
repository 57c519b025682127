#pragma once

#include <QColor>
#include <QList>

class QChart;
struct ChartData;

namespace chartdraw {

// The series colours, shared by the 2-D and the 3-D charts; they repeat.
QColor seriesColor(int series);

// At most this many category labels are drawn along the horizontal axis; a
// long history shows every k-th date.
inline constexpr int kMaxCategoryLabels = 8;
// At most this many bars per series are drawn (see sampleCategories).
inline constexpr int kMaxBars = 400;
// Past this many series a legend is a smear of cut names and repeated colours.
inline constexpr int kMaxLegendEntries = 12;
// An address in a legend or on an axis is elided in the middle past this many characters.
inline constexpr int kMaxAddressChars = 30;
// The radius, in pixels, of the marker of a point that has no neighbour.
inline constexpr double kLoneMarkerRadius = 4.5;

// Replaces everything in chart with data drawn as type (bars, lines, areas or
// steps; a 3-D code draws its 2-D counterpart). Steps are lines with doubled
// points, each value held across its category's width.
void drawChart2d(QChart& chart, const ChartData& data, int type);

}  // namespace chartdraw
