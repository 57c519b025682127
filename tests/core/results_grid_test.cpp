#include "results/column_sort.h"
#include "results/results_grid.h"

#include "support/qt_gtest_printers.h"

#include <gtest/gtest.h>

namespace {

int addRow(ResultsGrid& grid, const QString& url, const QStringList& counts) {
    const int row = grid.insertRowAt(grid.rowCount(), url);
    for (int i = 0; i < counts.size(); ++i) grid.setCell(row, ResultsGrid::kFirstEngineColumn + i, counts[i]);
    return row;
}

}  // namespace

TEST(ResultsGrid, CaptionsAndDesignWidths) {
    ResultsGrid grid;
    EXPECT_EQ(grid.captions(), QStringList({"Domain Name", "Total", "Google", "Altavista", "Yahoo!",
                                            "Ask", "MSN", "All The Web"}));
    const int widths[] = {4851, 1676, 1676, 1676, 1676, 1676, 1676, 1941};
    for (int c = 0; c < ResultsGrid::kColumnCount; ++c) EXPECT_EQ(ResultsGrid::designWidth(c), widths[c]);
    EXPECT_EQ(ResultsGrid::designWidth(8), 0);
}

TEST(ResultsGrid, CellCount) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> value;
    };
    const Case cases[] = {
        {"0", 0},           {"123", 123},        {"+7", 7},      {"-12", -12},
        {"9999999999", 9999999999LL},            {"", std::nullopt},  {"-", std::nullopt},
        {"1,200", std::nullopt},                 {" 5", 5},      {" 1234 ", 1234}, {"\t8\t", 8},
        {"2.6", 3},         {"2.4", 2},          {"2.5", 2},     {"3.5", 4},       {".5", 0},
        {"7.", 7},          {"-2.6", -3},        {".", std::nullopt},  {"1.2.3", std::nullopt},
        {"1 2", std::nullopt},                   {"1e3", std::nullopt},  {"about", std::nullopt},
        {"1234567890123456789", std::nullopt},   {"  ", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(cellCount(c.text), c.value) << c.text;
}

TEST(ResultsGrid, TotalsAddUpExactlyAndSkipWhatIsNotACount) {
    struct Case {
        QStringList counts;
        std::int64_t total;
    };
    const Case cases[] = {
        {{"9999999999", "9999999999", "9999999999", "9999999999", "9999999999", "9999999999"},
         59999999994LL},
        {{"2147483647", "1", "", "", "", ""}, 2147483648LL},
        {{"10", "", "n/a", "5", "-", "1.5"}, 16},
        {{" 1234 ", "2.6", "", "", "", ""}, 1237},
        // Rounded after each addition: 0.5 -> 0, then 0 + 1.5 -> 2, 2 + 0.5 -> 2.
        {{"0.5", "1.5", "0.5", "", "", ""}, 2},
        {{"", "", "", "", "", ""}, 0},
        {{"0", "0", "0", "0", "0", "0"}, 0},
    };
    for (const Case& c : cases) {
        ResultsGrid grid;
        const int row = addRow(grid, "http://a", c.counts);
        grid.setCell(row, ResultsGrid::kTotalColumn, "999");  // never part of its own sum
        EXPECT_EQ(grid.engineSum(row), c.total);
        EXPECT_EQ(grid.totalRow(row, 500, 1000), c.total);
        EXPECT_EQ(grid.cell(row, ResultsGrid::kTotalColumn), QString::number(c.total));
    }
}

TEST(ResultsGrid, RankFromThresholds) {
    struct Case {
        std::int64_t total;
        int low;
        int high;
        PopularityRank rank;
    };
    const Case cases[] = {
        {499, 500, 1000, PopularityRank::Low},      {500, 500, 1000, PopularityRank::Medium},
        {999, 500, 1000, PopularityRank::Medium},   {1000, 500, 1000, PopularityRank::High},
        {0, 500, 1000, PopularityRank::Low},        {59999999994LL, 500, 1000, PopularityRank::High},
        // A high threshold at or below the low one leaves no room for Medium.
        {700, 1000, 500, PopularityRank::Low},      {1000, 1000, 500, PopularityRank::High},
        {499, 500, 500, PopularityRank::Low},       {500, 500, 500, PopularityRank::High},
    };
    for (const Case& c : cases) {
        ResultsGrid grid;
        const int row = addRow(grid, "u", {QString::number(c.total)});
        grid.totalRow(row, c.low, c.high);
        EXPECT_EQ(grid.rank(row), c.rank) << c.total << " " << c.low << " " << c.high;
        EXPECT_EQ(grid.icon(row), static_cast<int>(c.rank));
    }
}

TEST(ResultsGrid, RowsWithoutTotalOrRowHaveNoRank) {
    ResultsGrid grid;
    addRow(grid, "u", {});
    EXPECT_EQ(grid.rank(0), std::nullopt);
    EXPECT_EQ(grid.totalRow(5, 500, 1000), 0);
    EXPECT_EQ(grid.rank(5), std::nullopt);
}

TEST(ResultsGrid, TotalHeaderSortsNumericallyDomainHeaderAsText) {
    ResultsGrid grid;
    for (const auto& [url, count] : {std::pair{"b.example", "1000"}, {"C.example", "900"},
                                     {"a.example", "20000"}}) {
        grid.totalRow(addRow(grid, url, {count}), 500, 1000);
    }
    SortListView(grid, 2, SortNumber, true);
    EXPECT_EQ(grid.cell(0, 1), "900");
    EXPECT_EQ(grid.cell(2, 1), "20000");
    EXPECT_EQ(grid.rank(0), PopularityRank::Medium);  // the icon moved with its row
    SortListView(grid, 1, SortText, true);
    EXPECT_EQ(grid.cell(0, 0), "a.example");
    EXPECT_EQ(grid.cell(1, 0), "b.example");
    EXPECT_EQ(grid.cell(2, 0), "C.example");
}
