#pragma once

#include "config/engine_catalog.h"
#include "results/report_list.h"

#include <array>
#include <cstdint>
#include <optional>

// The results grid: one row per scanned address. Column 0 "Domain Name" holds
// the address, column 1 "Total" the row total, columns 2 to 7 the six engine
// counts in catalogue order. Each row's icon is its PopularityRank (1 Low,
// 2 Medium, 3 High).
class ResultsGrid final : public ReportList {
    Q_OBJECT
public:
    static constexpr int kDomainColumn = 0;
    static constexpr int kTotalColumn = 1;
    static constexpr int kFirstEngineColumn = 2;
    static constexpr int kColumnCount = 8;

    explicit ResultsGrid(QObject* parent = nullptr);

    // Design widths of the columns, in twips.
    static int designWidth(int column);

    // The sum of the row's engine cells, rounded to the nearest integer after
    // each addition; a cell that is not a number is skipped. 64-bit, so six
    // ten-digit counts add up exactly.
    std::int64_t engineSum(int row) const;
    // Writes the total into the Total cell and sets the row's rank icon.
    // Returns the total.
    std::int64_t totalRow(int row, int lowThreshold, int highThreshold);
    std::optional<PopularityRank> rank(int row) const;

    // An engine cell can show text that was not read as a count (Ask's and
    // MSN's "0" for a page without one, text cut from a page that is no
    // result page). Such a cell is marked by its tag, which travels with it
    // through every sort, and no history takes it.
    void setEngineCell(int row, int column, const QString& text, bool read);
    bool wasRead(int row, int column) const;
    // Ranks every row that has a total anew from that total, for thresholds
    // changed after the scan. Rows without a total keep their icon.
    void rerank(int lowThreshold, int highThreshold);
    // The captions of the six engine columns as their sources name them; a
    // null caption is a column switched off, which is neither shown nor
    // written out. Without a call, the six built-in captions, all shown.
    void setEngineColumns(const std::array<QString, kEngineCount>& captions);
    bool columnShown(int column) const;

signals:
    void columnsShownChanged();

private:
    std::array<bool, kEngineCount> m_off{};
};

// The numeric value of an engine cell: the text trimmed and read as a decimal
// number with an optional sign and fraction (" 1234 ", "2.6": MSN's reader
// lets a decimal point through); anything else (empty, "-", "1,200",
// letters) is none.
std::optional<long double> cellValue(const QString& text);
// The cell's value rounded to the nearest integer, halves to even.
std::optional<std::int64_t> cellCount(const QString& text);
