#include "results/results_grid.h"
#include "results/results_table.h"
#include "support/qt_gtest_printers.h"
#include "support/temp_app_folder.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Three rows: a ranked one, one whose address needs quoting, one never totalled.
void fill(ResultsGrid& grid) {
    const QStringList rows[] = {
        {"http://a.example/", "", "100", "200", "300", "", "0", "1"},
        {"http://b.example/x,\"y\"\tz", "", "1", "1", "1", "1", "1", "1"},
    };
    for (const QStringList& cells : rows) {
        const int row = grid.appendRow(cells);
        grid.totalRow(row, 500, 1000);
    }
    grid.appendRow({"http://c.example/"});
}

const char kHeader[] = "Domain Name,Total,Google,Altavista,Yahoo!,Ask,MSN,All The Web,Rank\n";

TEST(ResultsTable, CsvQuotesOnlyWhereNeeded) {
    const struct {
        QStringList fields;
        QString line;
    } cases[] = {
        {{"a", "b c", ""}, "a,b c,"},
        {{"a,b"}, "\"a,b\""},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"line\nbreak", "cr\rx"}, "\"line\nbreak\",\"cr\rx\""},
    };
    for (const auto& c : cases) EXPECT_EQ(csvLine(c.fields), c.line);
}

TEST(ResultsTable, CsvHasEveryRowInTheGridsOrderWithItsRank) {
    ResultsGrid grid;
    fill(grid);
    EXPECT_EQ(gridCsv(grid), QByteArray(kHeader) +
                                 "http://a.example/,601,100,200,300,,0,1,Medium\n"
                                 "\"http://b.example/x,\"\"y\"\"\tz\",6,1,1,1,1,1,1,Low\n"
                                 "http://c.example/,,,,,,,,\n");
    EXPECT_EQ(gridCsv(ResultsGrid()), QByteArray(kHeader));
}

TEST(ResultsTable, TabTextKeepsEveryCellInItsColumn) {
    ResultsGrid grid;
    fill(grid);
    const QString header = QStringLiteral("Domain Name\tTotal\tGoogle\tAltavista\tYahoo!\tAsk\tMSN\tAll The Web\tRank\n");
    const struct {
        QList<int> rows;
        QString text;
    } cases[] = {
        {{}, header},
        {{1, 0}, header + "http://b.example/x,\"y\" z\t6\t1\t1\t1\t1\t1\t1\tLow\n"
                          "http://a.example/\t601\t100\t200\t300\t\t0\t1\tMedium\n"},
        {{2, 7}, header + "http://c.example/\t\t\t\t\t\t\t\t\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(gridTabText(grid, c.rows), c.text);
}

TEST(ResultsTable, WritesTheCsvWholeOrLeavesTheOldFile) {
    ResultsGrid grid;
    fill(grid);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    QString error;
    ASSERT_TRUE(writeGridCsv(path, grid, &error)) << error.toStdString();
    EXPECT_EQ(readFileBytes(path), gridCsv(grid));

    EXPECT_FALSE(writeGridCsv(dir.filePath(QStringLiteral("missing/out.csv")), grid, &error));
    EXPECT_FALSE(error.isEmpty());

    // A folder that cannot be written: the file there stays as it was.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    const auto kept = runUnprivileged([&] {
        QString why;
        return !writeGridCsv(path, ResultsGrid(), &why) && !why.isEmpty() && readFileBytes(path) == gridCsv(grid);
    });
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(kept.has_value());
    EXPECT_TRUE(*kept);
}

}  // namespace
