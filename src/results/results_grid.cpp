#include "results/results_grid.h"

#include <array>

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

// Eighteen digits always fit, and six such counts still add up inside 64 bits.
constexpr int kMaxCountDigits = 18;

}  // namespace

ResultsGrid::ResultsGrid(QObject* parent) : ReportList(gridCaptions(), parent) {}

int ResultsGrid::designWidth(int column) {
    if (column < 0 || column >= kColumnCount) return 0;
    return kDesignWidths[static_cast<std::size_t>(column)];
}

std::int64_t ResultsGrid::engineSum(int row) const {
    std::int64_t sum = 0;
    for (int c = kFirstEngineColumn; c < kColumnCount; ++c) {
        if (const auto count = cellCount(cell(row, c))) sum += *count;
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

std::optional<PopularityRank> ResultsGrid::rank(int row) const {
    const int i = icon(row);
    if (i < static_cast<int>(PopularityRank::Low) || i > static_cast<int>(PopularityRank::High)) {
        return std::nullopt;
    }
    return static_cast<PopularityRank>(i);
}

std::optional<std::int64_t> cellCount(const QString& text) {
    QStringView digits(text);
    bool negative = false;
    if (!digits.isEmpty() && (digits.front() == u'+' || digits.front() == u'-')) {
        negative = digits.front() == u'-';
        digits = digits.mid(1);
    }
    if (digits.isEmpty() || digits.size() > kMaxCountDigits) return std::nullopt;
    std::int64_t value = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return negative ? -value : value;
}
