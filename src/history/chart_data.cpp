#include "history/chart_data.h"

#include "config/ini_file.h"
#include "history/saved_search.h"
#include "results/results_grid.h"

#include <QDate>
#include <QHash>
#include <QMap>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <limits>

namespace chart {

const QStringList& chartTypeEntries() {
    static const QStringList entries{
        QStringLiteral("3D Bar Chart"),  QStringLiteral("2D Bar Chart"),  QStringLiteral("3d Line Graph"),
        QStringLiteral("2D Line Graph"), QStringLiteral("3D Area Chart"), QStringLiteral("2D Area Chart"),
        QStringLiteral("3D Step Chart"), QStringLiteral("2D Step Chart")};
    return entries;
}

bool isThreeD(int type) { return type >= 0 && type < kChartTypeCount && type % 2 == 0; }

bool entryWantsRotateHint(const QString& entry) {
    return entry.contains(QLatin1String("3D"), Qt::CaseInsensitive);
}

}  // namespace chart

ChartScale chartScaleFor(std::int64_t largest) {
    if (largest > 100'000'000) return {1000, QStringLiteral("Linking Sites x1000")};
    if (largest > 10'000'000) return {100, QStringLiteral("Linking Sites x100")};
    if (largest > 1'000'000) return {10, QStringLiteral("Linking Sites x10")};
    return {1, QStringLiteral("Linking Sites")};
}

std::int64_t LargestNumber(const QVector<std::int64_t>& values) {
    if (values.isEmpty()) return 0;
    std::int64_t largest = values.first();
    for (std::int64_t v : values)
        if (v > largest) largest = v;
    return largest;
}

double chartGap() { return std::numeric_limits<double>::quiet_NaN(); }

bool ChartData::hasValue(int category, int series) const {
    if (category < 0 || category >= values.size()) return false;
    const QVector<double>& row = values[category];
    return series >= 0 && series < row.size() && !std::isnan(row[series]);
}

double ChartData::value(int category, int series) const {
    return hasValue(category, series) ? values[category][series] : 0;
}

std::pair<double, double> valueBounds(const ChartData& data) {
    double low = 0;
    double high = 0;
    for (const QVector<double>& row : data.values)
        for (double v : row) {
            if (std::isnan(v)) continue;
            low = std::min(low, v);
            high = std::max(high, v);
        }
    return {low, high};
}

QVector<CategoryRun> valueRuns(const ChartData& data, int series) {
    QVector<CategoryRun> runs;
    for (int i = 0; i < data.categoryCount(); ++i) {
        if (!data.hasValue(i, series)) continue;
        if (!runs.isEmpty() && runs.last().last == i - 1)
            runs.last().last = i;
        else
            runs << CategoryRun{i, i};
    }
    return runs;
}

QVector<SectionEntry> parseSectionBody(const QString& body) {
    QString text = body;
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    else if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    QVector<SectionEntry> entries;
    if (text.isEmpty()) return entries;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        SectionEntry entry;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        entry.date = equals < 0 ? line : line.left(equals);
        if (equals >= 0) {
            bool ok = false;
            const qint64 v = line.mid(equals + 1).trimmed().toLongLong(&ok);
            entry.value = ok ? v : 0;
        }
        entries << entry;
    }
    return entries;
}

ParsedSection readSection(const QString& file, const QString& section) {
    return {section, parseSectionBody(IniReadSection(section, QString(), file))};
}

bool OneEntryWarning::shouldWarn(int entryCount) {
    if (entryCount != 1 || m_shown) return false;
    m_shown = true;
    return true;
}

OneEntryWarning& runOneEntryWarning() {
    static OneEntryWarning warning;
    return warning;
}

QString savedSearchTitle(const QString& chartFileName) {
    QString title = chartFileName;
    return title.remove(QLatin1String(".lpc"), Qt::CaseInsensitive);
}

QStringList seriesChoices(const QString& file) {
    return IniListSections(file) << QString::fromLatin1(chart::kAllEngines);
}

namespace {
QVector<std::int64_t> valuesOf(const ParsedSection& section) {
    QVector<std::int64_t> values;
    values.reserve(section.entries.size());
    for (const SectionEntry& e : section.entries) values << e.value;
    return values;
}

void applyScale(ChartData& data, const ChartScale& scale) {
    data.divisor = scale.divisor;
    data.valueAxisTitle = scale.axisTitle;
}
}  // namespace

QVector<SectionEntry> inDateOrder(const QVector<SectionEntry>& entries) {
    struct Keyed {
        QDate date;
        const SectionEntry* entry;
    };
    QVector<Keyed> dated;
    QVector<SectionEntry> undated;
    QSet<QDate> seenDates;
    QSet<QString> seenTexts;
    for (const SectionEntry& e : entries) {
        const QDate date = savedSearch::parseDateKey(e.date);
        if (date.isValid()) {
            if (!seenDates.contains(date)) dated << Keyed{date, &e};
            seenDates.insert(date);
        } else {
            if (!seenTexts.contains(e.date)) undated << e;
            seenTexts.insert(e.date);
        }
    }
    std::stable_sort(dated.begin(), dated.end(), [](const Keyed& a, const Keyed& b) { return a.date > b.date; });
    QVector<SectionEntry> ordered;
    ordered.reserve(dated.size() + undated.size());
    for (const Keyed& k : dated) ordered << *k.entry;
    return ordered << undated;
}

ChartData engineChart(const ParsedSection& section) {
    ChartData data;
    data.seriesLabels << section.name;
    const ParsedSection ordered{section.name, inDateOrder(section.entries)};
    const QVector<SectionEntry>& entries = ordered.entries;
    applyScale(data, chartScaleFor(LargestNumber(valuesOf(ordered))));
    for (const SectionEntry& e : entries) {
        data.categoryLabels << e.date;
        data.values << QVector<double>{static_cast<double>(e.value) / data.divisor};
    }
    return data;
}

namespace {
// Where an entry goes on the date axis: a real date by its day, so " 03-21-06"
// and "03-21-06" are one category; anything else by its text.
QString categoryKey(const QString& dateText) {
    const QDate date = savedSearch::parseDateKey(dateText);
    return date.isValid() ? date.toString(Qt::ISODate) : QLatin1Char('?') + dateText;
}
}  // namespace

QStringList unionOfDates(const QVector<ParsedSection>& sections) {
    QMap<QDate, QString> dated;  // the label of a day: its first spelling met
    QStringList undated;
    QSet<QString> seenUndated;
    for (const ParsedSection& section : sections)
        for (const SectionEntry& e : section.entries) {
            const QDate date = savedSearch::parseDateKey(e.date);
            if (date.isValid()) {
                if (!dated.contains(date)) dated.insert(date, e.date);
            } else if (!seenUndated.contains(e.date)) {
                seenUndated.insert(e.date);
                undated << e.date;
            }
        }
    QStringList dates;
    dates.reserve(dated.size() + undated.size());
    for (auto it = dated.cend(); it != dated.cbegin();) dates << (--it).value();
    return dates << undated;
}

ChartData allEnginesChart(const QVector<ParsedSection>& sections) {
    ChartData data;
    if (sections.isEmpty()) return data;
    applyScale(data, chartScaleFor(LargestNumber(valuesOf(sections.first()))));
    data.categoryLabels = unionOfDates(sections);
    QHash<QString, qsizetype> row;
    for (qsizetype r = 0; r < data.categoryLabels.size(); ++r) row.insert(categoryKey(data.categoryLabels[r]), r);
    data.values.fill(QVector<double>(sections.size(), chartGap()), data.categoryLabels.size());
    for (qsizetype c = 0; c < sections.size(); ++c) {
        data.seriesLabels << sections[c].name;
        // A date a section holds twice: its first entry in the file counts, as in the history's CSV.
        for (const SectionEntry& e : inDateOrder(sections[c].entries))
            data.values[row.value(categoryKey(e.date))][c] = static_cast<double>(e.value) / data.divisor;
    }
    return data;
}

ChartData savedSearchChart(const QString& file, const QString& choice, const QStringList& sections,
                           OneEntryWarning& warning, bool* warnNow) {
    bool warn = false;
    QVector<ParsedSection> parsed;
    const bool all = choice == QLatin1String(chart::kAllEngines);
    for (const QString& name : all ? sections : QStringList{choice}) {
        parsed << readSection(file, name);
        if (warning.shouldWarn(static_cast<int>(parsed.last().entries.size()))) warn = true;
    }
    if (warnNow) *warnNow = warn;
    return all ? allEnginesChart(parsed) : engineChart(parsed.first());
}

ChartData temporaryChart(const ResultsGrid& grid) {
    ChartData data;
    data.title = QString::fromLatin1(chart::kTemporaryTitle);
    data.seriesAreAddresses = true;
    const int rows = grid.rowCount();
    if (rows == 0) return data;
    // The columns the grid shows, under the captions their sources give them.
    QVector<int> columns;
    for (int c = ResultsGrid::kFirstEngineColumn; c < ResultsGrid::kColumnCount; ++c)
        if (grid.columnShown(c)) columns << c;
    const int engines = static_cast<int>(columns.size());
    QVector<QVector<std::int64_t>> counts(rows, QVector<std::int64_t>(engines, 0));
    for (int i = 0; i < rows; ++i) {
        data.seriesLabels << grid.cell(i, ResultsGrid::kDomainColumn);
        for (int k = 0; k < engines; ++k) counts[i][k] = cellCount(grid.cell(i, columns[k])).value_or(0);
    }
    // The first row decides the scale for every row.
    applyScale(data, chartScaleFor(LargestNumber(counts.first())));
    for (int k = 0; k < engines; ++k) {
        data.categoryLabels << grid.caption(columns[k]);
        QVector<double> row(rows);
        for (int i = 0; i < rows; ++i) row[i] = static_cast<double>(counts[i][k]) / data.divisor;
        data.values << row;
    }
    return data;
}

QString elideMiddle(const QString& text, int maxChars) {
    if (text.size() <= maxChars || maxChars < 3) return text;
    const qsizetype tail = (maxChars - 1) / 2;
    const qsizetype head = maxChars - 1 - tail;
    return text.left(head) + QChar(0x2026) + text.right(tail);
}

namespace {
// An address without its scheme, a leading "www." and a lone trailing slash.
QString withoutScheme(const QString& address) {
    QString text = address.trimmed();
    if (const qsizetype scheme = text.indexOf(QLatin1String("://")); scheme >= 0) text.remove(0, scheme + 3);
    if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) text.remove(0, 4);
    if (text.endsWith(QLatin1Char('/')) && text.indexOf(QLatin1Char('/')) == text.size() - 1) text.chop(1);
    return text.isEmpty() ? address : text;
}
}  // namespace

QStringList addressLabels(const QStringList& addresses, int maxChars) {
    QStringList shortened;
    QHash<QString, int> uses;
    for (const QString& address : addresses) {
        shortened << withoutScheme(address);
        ++uses[shortened.last()];
    }
    QStringList labels;
    for (qsizetype i = 0; i < addresses.size(); ++i)
        labels << elideMiddle(uses.value(shortened[i]) > 1 ? addresses[i] : shortened[i], maxChars);
    return labels;
}

QStringList shownSeriesLabels(const ChartData& data, int maxChars) {
    return data.seriesAreAddresses ? addressLabels(data.seriesLabels, maxChars) : data.seriesLabels;
}

QVector<int> labelledCategories(int count, int maxLabels) {
    QVector<int> indices;
    if (count <= 0) return indices;
    const int step = maxLabels <= 0 ? count : (count + maxLabels - 1) / maxLabels;
    for (int i = 0; i < count; i += step) indices << i;
    return indices;
}

QStringList distinctLabels(const QStringList& labels) {
    QStringList out;
    QSet<QString> seen;
    for (const QString& label : labels) {
        QString unique = label;
        while (seen.contains(unique)) unique += QChar(0x200B);
        seen.insert(unique);
        out << unique;
    }
    return out;
}

ChartData sampleCategories(const ChartData& data, int maxCategories) {
    if (data.categoryCount() <= maxCategories) return data;
    ChartData sample = data;
    sample.categoryLabels.clear();
    sample.values.clear();
    for (int i : labelledCategories(data.categoryCount(), maxCategories)) {
        sample.categoryLabels << data.categoryLabels[i];
        sample.values << data.values.value(i);
    }
    return sample;
}

QVector<int> spreadSample(int count, int maxSeries) {
    QVector<int> indices;
    if (count <= 0) return indices;
    if (maxSeries <= 1) return {0};
    if (maxSeries >= count) {
        for (int i = 0; i < count; ++i) indices << i;
        return indices;
    }
    for (int i = 0; i < maxSeries; ++i)
        indices << static_cast<int>((static_cast<qint64>(i) * (count - 1) + (maxSeries - 1) / 2) / (maxSeries - 1));
    return indices;
}

ChartData sampleSeries(const ChartData& data, int maxSeries) {
    if (data.seriesCount() <= maxSeries) return data;
    const QVector<int> picked = spreadSample(data.seriesCount(), maxSeries);
    ChartData sample = data;
    sample.seriesLabels.clear();
    for (int s : picked) sample.seriesLabels << data.seriesLabels[s];
    for (QVector<double>& row : sample.values) {
        const QVector<double> full = row;
        row.clear();
        for (int s : picked) row << full.value(s, chartGap());
    }
    return sample;
}
