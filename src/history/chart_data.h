#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>
#include <utility>

class ResultsGrid;

// The history chart as plain data: what the chart widget draws, built from a
// saved search or from the results grid. Series are the legend entries,
// categories run along the horizontal axis.
namespace chart {

// Chart type codes, the index of the entry in the chart-type chooser.
enum ChartType { Bar3D = 0, Bar2D, Line3D, Line2D, Area3D, Area2D, Step3D, Step2D };
inline constexpr int kChartTypeCount = 8;
inline constexpr int kDefaultChartType = Line2D;

// The chooser's entries, in code order.
const QStringList& chartTypeEntries();
bool isThreeD(int type);
// The rotate hint applies when the entry names a 3-D type ("3D", any case).
bool entryWantsRotateHint(const QString& entry);

inline constexpr const char* kRotateHint = "Control Key + Drag to rotate.";
inline constexpr const char* kAllEngines = "All Engines";
inline constexpr const char* kTemporaryTitle = "Temporary Search Results";
inline constexpr const char* kOneEntryWarning =
    "You need atleast 2 saved searches to get any data displayed";

}  // namespace chart

// The divisor applied to every plotted value and the value axis's title.
struct ChartScale {
    int divisor = 1;
    QString axisTitle = QStringLiteral("Linking Sites");
};
ChartScale chartScaleFor(std::int64_t largest);

// The largest value; 0 for an empty list.
std::int64_t LargestNumber(const QVector<std::int64_t>& values);

struct ChartData {
    int type = chart::kDefaultChartType;
    QString title;
    QString valueAxisTitle = QStringLiteral("Linking Sites");
    int divisor = 1;
    QStringList seriesLabels;
    QStringList categoryLabels;
    QVector<QVector<double>> values;  // [category][series], already divided; NaN where a series has no value
    bool seriesAreAddresses = false;  // the series are the grid's addresses (the temporary chart)

    int seriesCount() const { return static_cast<int>(seriesLabels.size()); }
    int categoryCount() const { return static_cast<int>(categoryLabels.size()); }
    // False outside the table and where the series has no value (a gap).
    bool hasValue(int category, int series) const;
    // 0 outside the table and in a gap.
    double value(int category, int series) const;
};

// The cell of a series that has no value for a category.
double chartGap();

// The lowest and the highest value, gaps left out; the range always holds 0.
std::pair<double, double> valueBounds(const ChartData& data);

// Consecutive categories first..last where a series has a value.
struct CategoryRun {
    int first = 0;
    int last = 0;
    bool operator==(const CategoryRun&) const = default;
};
// The runs of one series, left to right; a point with no neighbour is a run of one.
QVector<CategoryRun> valueRuns(const ChartData& data, int series);

// One day of a saved search's section.
struct SectionEntry {
    QString date;
    std::int64_t value = 0;
};
struct ParsedSection {
    QString name;
    QVector<SectionEntry> entries;  // file order: newest first
};

// A section body as the INI reader returns it: entries joined by CR LF,
// possibly with one trailing CR LF. Text the program never writes still
// parses: an entry without "=" or with a value that is no integer is 0, and
// an empty body has no entries.
QVector<SectionEntry> parseSectionBody(const QString& body);
ParsedSection readSection(const QString& file, const QString& section);

// The run's one-entry warning: due the first time a section with exactly one
// entry is charted, never again in the same run.
class OneEntryWarning {
public:
    bool shouldWarn(int entryCount);
    bool shown() const { return m_shown; }
    void reset() { m_shown = false; }

private:
    bool m_shown = false;
};
OneEntryWarning& runOneEntryWarning();

// The chart title for a saved search: the file name with ".lpc" removed (any case).
QString savedSearchTitle(const QString& chartFileName);
// The series chooser's entries for a saved search: its sections in file order,
// then "All Engines".
QStringList seriesChoices(const QString& file);

// A section's entries in date order, newest first, whatever their order in
// the file (a hand-edited file, or dates written out of order): each date
// once, its first entry in the file standing; entries whose key is no date
// follow, in file order.
QVector<SectionEntry> inDateOrder(const QVector<SectionEntry>& entries);
// The history of one engine: one series, one category per date, newest first.
ChartData engineChart(const ParsedSection& section);
// Every section on one date axis: the categories are the union of the
// sections' dates, newest first; a section without an entry for a date has a
// gap there. The first section's values give the scale.
ChartData allEnginesChart(const QVector<ParsedSection>& sections);
// The union of the sections' dates, newest first, each day once (labelled as
// it is first spelt); keys that are no date follow, in the order met.
QStringList unionOfDates(const QVector<ParsedSection>& sections);

// The saved-search chart for one choice of the series chooser. sections are
// the chooser's entries less "All Engines". warnNow is set when the one-entry
// warning is due (the warning's flag is then set).
ChartData savedSearchChart(const QString& file, const QString& choice, const QStringList& sections,
                           OneEntryWarning& warning, bool* warnNow);

// The counts of every grid row: one series per row (labelled by its address),
// the six engines as categories, scaled by the first row; a cell without a
// number counts 0.
ChartData temporaryChart(const ResultsGrid& grid);

// Addresses as a legend shows them: the host without "www." and the rest of
// the address, so addresses that share a long beginning ("http://www.e...")
// still read apart; past maxChars elided in the middle, keeping the host's
// start and the path's end. Two addresses that would read alike (http and
// https of one page) keep their schemes.
QStringList addressLabels(const QStringList& addresses, int maxChars);
// The series' labels as the chart shows them: addressLabels for addresses,
// the labels themselves otherwise.
QStringList shownSeriesLabels(const ChartData& data, int maxChars);
// text elided in the middle to at most maxChars characters.
QString elideMiddle(const QString& text, int maxChars);

// Which categories carry a label when at most maxLabels fit: every k-th from
// the first, evenly. All of them when they fit.
QVector<int> labelledCategories(int count, int maxLabels);
// The labels made distinct (chart axes key their categories by label): a
// repeated label gets invisible zero-width spaces appended.
QStringList distinctLabels(const QStringList& labels);
// The chart with at most maxCategories of its categories, every k-th from the
// first, as labelledCategories picks them. Bars narrower than a pixel are not
// drawn at all, so a long history is shown as a sample of its dates.
ChartData sampleCategories(const ChartData& data, int maxCategories);
// At most maxSeries indices of 0..count-1, evenly spread, the first and the
// last always among them.
QVector<int> spreadSample(int count, int maxSeries);
// The chart with at most maxSeries of its series, as spreadSample picks them.
ChartData sampleSeries(const ChartData& data, int maxSeries);
