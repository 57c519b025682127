#include "results/results_grid.h"

#include "sources/count_limit.h"

#include <algorithm>

#include <array>
#include <cmath>

namespace {

const QStringList& gridCaptions() {
    static const QStringList captions = {
        QStringLiteral("Domain Name"), QStringLiteral("Total"), QStringLiteral("Google"),
        QStringLiteral("Altavista"),   QStringLiteral("Yahoo!"), QStringLiteral("Ask"),
        QStringLiteral("MSN"),         QStringLiteral("All The Web")};
    return captions;
}

constexpr std::array<int, ResultsGrid::kColumnCount> kDesignWidths = {4851, 1676, 1676, 1676,
                                                                       1676, 1676, 1676, 1941};

}  // namespace

ResultsGrid::ResultsGrid(QObject* parent) : ReportList(gridCaptions(), parent) {}

void ResultsGrid::setEngineColumns(const std::array<QString, kEngineCount>& captions) {
    bool changed = false;
    for (int k = 0; k < kEngineCount; ++k) {
        const bool off = captions[static_cast<std::size_t>(k)].isNull();
        changed |= off != m_off[static_cast<std::size_t>(k)];
        m_off[static_cast<std::size_t>(k)] = off;
        if (!off) setCaption(kFirstEngineColumn + k, captions[static_cast<std::size_t>(k)]);
    }
    if (changed) emit columnsShownChanged();
}

bool ResultsGrid::columnShown(int column) const {
    const int k = column - kFirstEngineColumn;
    return k < 0 || k >= kEngineCount || !m_off[static_cast<std::size_t>(k)];
}

int ResultsGrid::designWidth(int column) {
    if (column < 0 || column >= kColumnCount) return 0;
    return kDesignWidths[static_cast<std::size_t>(column)];
}

std::int64_t ResultsGrid::engineSum(int row) const {
    std::int64_t sum = 0;
    for (int c = kFirstEngineColumn; c < kColumnCount; ++c) {
        // Rounded after each addition, as the totals have always been kept.
        if (const auto value = cellValue(cell(row, c))) sum = std::llrint(static_cast<long double>(sum) + *value);
    }
    return sum;
}

std::int64_t ResultsGrid::totalRow(int row, int lowThreshold, int highThreshold) {
    if (!hasRow(row)) return 0;
    const std::int64_t total = engineSum(row);
    setCell(row, kTotalColumn, QString::number(total));
    setIcon(row, static_cast<int>(popularityRank(total, lowThreshold, highThreshold)));
    return total;
}

void ResultsGrid::rerank(int lowThreshold, int highThreshold) {
    for (int row = 0; row < rowCount(); ++row) {
        if (const auto total = cellCount(cell(row, kTotalColumn)))
            setIcon(row, static_cast<int>(popularityRank(*total, lowThreshold, highThreshold)));
    }
}

std::optional<PopularityRank> ResultsGrid::rank(int row) const {
    const int i = icon(row);
    if (i < static_cast<int>(PopularityRank::Low) || i > static_cast<int>(PopularityRank::High)) {
        return std::nullopt;
    }
    return static_cast<PopularityRank>(i);
}

std::optional<long double> cellValue(const QString& text) {
    QStringView number = QStringView(text).trimmed();
    bool negative = false;
    if (!number.isEmpty() && (number.front() == u'+' || number.front() == u'-')) {
        negative = number.front() == u'-';
        number = number.mid(1);
    }
    const qsizetype point = number.indexOf(u'.');
    const QStringView whole = point < 0 ? number : number.first(point);
    const QStringView fraction = point < 0 ? QStringView() : number.sliced(point + 1);
    if (whole.size() + fraction.size() == 0 || whole.size() > kMaxCountDigits) return std::nullopt;
    long double value = 0;
    for (QChar c : whole) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    long double scale = 1;
    for (QChar c : fraction) {
        if (c < u'0' || c > u'9') return std::nullopt;
        scale /= 10;
        value += scale * (c.unicode() - u'0');
    }
    return negative ? -value : value;
}

std::optional<std::int64_t> cellCount(const QString& text) {
    const auto value = cellValue(text);
    if (!value) return std::nullopt;
    return std::llrint(*value);
}

namespace {
const QString kUnreadTag = QStringLiteral("unread");
}

void ResultsGrid::setEngineCell(int row, int column, const QString& text, bool read) {
    setCell(row, column, text);
    // Only a figure that looks like a count needs the mark: anything else
    // never reaches a history anyway.
    const bool looksCounted =
        !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    setTag(row, column, read || !looksCounted ? QString() : kUnreadTag);
}

bool ResultsGrid::wasRead(int row, int column) const { return tag(row, column) != kUnreadTag; }
