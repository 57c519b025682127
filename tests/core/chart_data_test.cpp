#include "history/chart_data.h"

#include "results/results_grid.h"
#include "support/temp_app_folder.h"

#include <QSet>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// A saved search written the way the program lays one out.
QString writeSearch(const TempAppFolder& app, const QString& name, const QByteArray& body) {
    app.write(QStringLiteral("Saved/") + name, body);
    return app.file(QStringLiteral("Saved/") + name);
}

const QByteArray kThreeEngines =
    "\r\n[Google]\r\n03-21-06=1234567\r\n03-14-06=1190000\r\n03-07-06=1000\r\n"
    "\r\n[Altavista]\r\n03-21-06=310\r\n03-14-06=298\r\n"
    "\r\n[MSN]\r\n03-21-06=5\r\n03-14-06=4\r\n03-07-06=3\r\n02-28-06=2\r\n";

}  // namespace

TEST(ChartScale, BoundariesAndTitles) {
    struct Case {
        std::int64_t largest;
        int divisor;
        const char* title;
    };
    const Case cases[] = {
        {0, 1, "Linking Sites"},
        {1'000'000, 1, "Linking Sites"},
        {1'000'001, 10, "Linking Sites x10"},
        {10'000'000, 10, "Linking Sites x10"},
        {10'000'001, 100, "Linking Sites x100"},
        {100'000'000, 100, "Linking Sites x100"},
        {100'000'001, 1000, "Linking Sites x1000"},
        {5'000'000'000, 1000, "Linking Sites x1000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.largest);
        const ChartScale scale = chartScaleFor(c.largest);
        EXPECT_EQ(scale.divisor, c.divisor);
        EXPECT_EQ(scale.axisTitle, QString::fromLatin1(c.title));
    }
    EXPECT_EQ(LargestNumber({}), 0);
    EXPECT_EQ(LargestNumber({-5, -3, -9}), -3);
    EXPECT_EQ(LargestNumber({3, 9, 2, 9}), 9);
    EXPECT_EQ(LargestNumber({3'000'000'000}), 3'000'000'000);
}

TEST(ChartSections, BodiesParseWithoutEverFailing) {
    struct Case {
        const char* body;
        QStringList dates;
        QVector<std::int64_t> values;
    };
    const Case cases[] = {
        {"03-21-06=12\r\n03-14-06=9\r\n", {"03-21-06", "03-14-06"}, {12, 9}},
        {"03-21-06=12", {"03-21-06"}, {12}},
        {"", {}, {}},
        {"no equals sign", {"no equals sign"}, {0}},
        {"03-21-06=lots\r\n03-14-06=", {"03-21-06", "03-14-06"}, {0, 0}},
        {"03-21-06=1=2\r\n03-14-06= 7 ", {"03-21-06", "03-14-06"}, {0, 7}},
        {"03-21-06=99999999999\n", {"03-21-06"}, {99'999'999'999}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        const QVector<SectionEntry> entries = parseSectionBody(QString::fromLatin1(c.body));
        QStringList dates;
        QVector<std::int64_t> values;
        for (const SectionEntry& e : entries) {
            dates << e.date;
            values << e.value;
        }
        EXPECT_EQ(dates, c.dates);
        EXPECT_EQ(values, c.values);
    }
}

TEST(ChartSavedSearch, OneEngineInFileOrderScaledByItsLargestValue) {
    TempAppFolder app;
    const QString file = writeSearch(app, QStringLiteral("site.lpc"), kThreeEngines);
    EXPECT_EQ(seriesChoices(file), QStringList({"Google", "Altavista", "MSN", "All Engines"}));

    OneEntryWarning warning;
    bool warn = true;
    const ChartData data = savedSearchChart(file, QStringLiteral("Google"), {}, warning, &warn);
    EXPECT_FALSE(warn);
    EXPECT_EQ(data.seriesLabels, QStringList({"Google"}));
    EXPECT_EQ(data.categoryLabels, QStringList({"03-21-06", "03-14-06", "03-07-06"}));
    EXPECT_EQ(data.divisor, 10);
    EXPECT_EQ(data.valueAxisTitle, QStringLiteral("Linking Sites x10"));
    EXPECT_DOUBLE_EQ(data.value(0, 0), 123456.7);
    EXPECT_DOUBLE_EQ(data.value(2, 0), 100.0);
    EXPECT_DOUBLE_EQ(data.value(3, 0), 0.0);  // outside the table
}

TEST(ChartSavedSearch, AllEnginesPairTheirValuesByDate) {
    TempAppFolder app;
    const QString file = writeSearch(app, QStringLiteral("site.lpc"), kThreeEngines);
    const QStringList sections{"Google", "Altavista", "MSN"};
    OneEntryWarning warning;
    const ChartData data = savedSearchChart(file, QStringLiteral("All Engines"), sections, warning, nullptr);
    EXPECT_EQ(data.seriesLabels, sections);
    EXPECT_EQ(data.categoryLabels, QStringList({"03-21-06", "03-14-06", "03-07-06", "02-28-06"}));
    EXPECT_EQ(data.divisor, 10);  // the first section's scale holds for all
    EXPECT_DOUBLE_EQ(data.value(0, 1), 31.0);
    EXPECT_FALSE(data.hasValue(2, 1));  // Altavista has no 03-07-06: a gap, not a zero
    EXPECT_DOUBLE_EQ(data.value(3, 2), 0.2);  // MSN's 02-28-06
    EXPECT_FALSE(data.hasValue(3, 0));
    EXPECT_TRUE(std::isnan(data.values[3][0]));

    const QString bare = writeSearch(app, QStringLiteral("bare.lpc"), "no sections here\r\n");
    EXPECT_EQ(seriesChoices(bare), QStringList({"All Engines"}));
    const ChartData none = savedSearchChart(bare, QStringLiteral("All Engines"), {}, warning, nullptr);
    EXPECT_EQ(none.seriesCount(), 0);
    EXPECT_EQ(none.categoryCount(), 0);
}

TEST(ChartSavedSearch, DatesOfAllEnginesMergeNewestFirst) {
    // Each section as "date=value" lines; the expected table has one row per
    // date and "." where the section has no value.
    struct Case {
        const char* what;
        QStringList google;
        QStringList ask;
        QStringList dates;
        QStringList rows;
    };
    const Case cases[] = {
        {"same dates chart as they always did", {"03-21-06=5", "03-14-06=4"}, {"03-21-06=7", "03-14-06=6"},
         {"03-21-06", "03-14-06"}, {"5 7", "4 6"}},
        {"a day one engine failed", {"03-21-06=5", "03-14-06=4", "03-07-06=3"}, {"03-21-06=7", "03-07-06=6"},
         {"03-21-06", "03-14-06", "03-07-06"}, {"5 7", "4 .", "3 6"}},
        {"dates only the second engine has", {"03-21-06=5", "03-07-06=3"}, {"03-28-06=8", "03-14-06=6", "02-01-06=1"},
         {"03-28-06", "03-21-06", "03-14-06", "03-07-06", "02-01-06"}, {". 8", "5 .", ". 6", "3 .", ". 1"}},
        {"across the turn of the century", {"01-04-00=2"}, {"01-05-00=3", "12-29-99=1"},
         {"01-05-00", "01-04-00", "12-29-99"}, {". 3", "2 .", ". 1"}},
        {"across years", {"01-02-07=9", "12-26-06=8"}, {"12-31-06=5"}, {"01-02-07", "12-31-06", "12-26-06"},
         {"9 .", ". 5", "8 ."}},
        {"an engine without dates", {"03-21-06=5"}, {}, {"03-21-06"}, {"5 ."}},
        {"a key that is no date comes after every date", {"03-21-06=5", "someday=4", "03-07-06=3"}, {"03-14-06=6"},
         {"03-21-06", "03-14-06", "03-07-06", "someday"}, {"5 .", ". 6", "3 .", "4 ."}},
        {"sections out of date order share one axis", {"01-27-25=1", "05-27-24=2", "12-09-26=3"},
         {"12-09-26=7", "06-05-23=6", "01-27-25=5"}, {"12-09-26", "01-27-25", "05-27-24", "06-05-23"},
         {"3 7", "1 5", "2 .", ". 6"}},
        {"a day spelt two ways is one day", {" 03-21-06=5"}, {"03-21-06=7"}, {" 03-21-06"}, {"5 7"}},
        {"a day held twice: the first entry in the file stands", {"03-14-06=4", "03-21-06=5", "03-14-06=9"},
         {}, {"03-21-06", "03-14-06"}, {"5 .", "4 ."}},
        {"two-digit years as POSIX reads them", {"01-01-69=1", "12-31-68=2", "12-31-99=3"}, {},
         {"12-31-68", "12-31-99", "01-01-69"}, {"2 .", "3 .", "1 ."}},
    };
    auto section = [](const char* name, const QStringList& lines) {
        return ParsedSection{QString::fromLatin1(name), parseSectionBody(lines.join(QStringLiteral("\r\n")))};
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ChartData data = allEnginesChart({section("Google", c.google), section("Ask", c.ask)});
        EXPECT_EQ(data.categoryLabels, c.dates);
        QStringList rows;
        for (int r = 0; r < data.categoryCount(); ++r) {
            QStringList cells;
            for (int s = 0; s < 2; ++s)
                cells << (data.hasValue(r, s) ? QString::number(data.value(r, s)) : QStringLiteral("."));
            rows << cells.join(QLatin1Char(' '));
        }
        EXPECT_EQ(rows, c.rows);
    }
}

TEST(ChartSavedSearch, OneEngineIsDrawnNewestFirstWhateverTheFileOrder) {
    struct Case {
        const char* what;
        QStringList lines;
        QStringList dates;
        QVector<double> values;
    };
    const Case cases[] = {
        {"daily saves, already newest first", {"03-21-06=3", "03-14-06=2", "03-07-06=1"},
         {"03-21-06", "03-14-06", "03-07-06"}, {3, 2, 1}},
        {"dates written from releases in file order", {"01-27-25=5", "05-27-24=4", "12-11-23=3", "06-05-23=2", "12-09-26=6"},
         {"12-09-26", "01-27-25", "05-27-24", "12-11-23", "06-05-23"}, {6, 5, 4, 3, 2}},
        {"oldest first", {"12-29-99=1", "01-04-00=2", "01-05-00=3"}, {"01-05-00", "01-04-00", "12-29-99"}, {3, 2, 1}},
        {"a day held twice", {"03-14-06=4", "03-21-06=5", "03-14-06=9"}, {"03-21-06", "03-14-06"}, {5, 4}},
        {"keys that are no dates last, in file order", {"zeta=1", "03-14-06=2", "alpha=3", "13-40-06=4"},
         {"03-14-06", "zeta", "alpha", "13-40-06"}, {2, 1, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ChartData data =
            engineChart({QStringLiteral("Google"), parseSectionBody(c.lines.join(QStringLiteral("\r\n")))});
        EXPECT_EQ(data.categoryLabels, c.dates);
        QVector<double> values;
        for (int i = 0; i < data.categoryCount(); ++i) values << data.value(i, 0);
        EXPECT_EQ(values, c.values);
    }
}

TEST(ChartSavedSearch, GapsSplitASeriesIntoRuns) {
    const double g = chartGap();
    ChartData data;
    data.seriesLabels = QStringList({"a", "b", "c"});
    data.values = {{1, g, g}, {2, 5, g}, {g, g, g}, {4, 6, g}, {g, g, g}, {7, g, g}};
    data.categoryLabels = QStringList({"1", "2", "3", "4", "5", "6"});
    EXPECT_EQ(valueRuns(data, 0), QVector<CategoryRun>({{0, 1}, {3, 3}, {5, 5}}));
    EXPECT_EQ(valueRuns(data, 1), QVector<CategoryRun>({{1, 1}, {3, 3}}));
    EXPECT_EQ(valueRuns(data, 2), QVector<CategoryRun>());
    EXPECT_EQ(valueRuns(data, 3), QVector<CategoryRun>());  // no such series
}

TEST(ChartSavedSearch, OneEntryWarningIsDueOncePerRun) {
    TempAppFolder app;
    const QString one = writeSearch(app, QStringLiteral("one.lpc"), "\r\n[Google]\r\n03-21-06=5\r\n"
                                                                    "\r\n[Ask]\r\n03-21-06=6\r\n");
    const QString empty = writeSearch(app, QStringLiteral("empty.lpc"), "\r\n[Google]\r\n\r\n[Ask]\r\n");
    OneEntryWarning warning;
    bool warn = false;
    savedSearchChart(empty, QStringLiteral("Google"), {}, warning, &warn);
    EXPECT_FALSE(warn);  // an empty section has no entry at all
    const ChartData data = savedSearchChart(one, QStringLiteral("All Engines"), {"Google", "Ask"}, warning, &warn);
    EXPECT_TRUE(warn);
    EXPECT_EQ(data.categoryLabels, QStringList({"03-21-06"}));  // the single point is still drawn
    savedSearchChart(one, QStringLiteral("Ask"), {}, warning, &warn);
    EXPECT_FALSE(warn);
    EXPECT_TRUE(warning.shown());
}

TEST(ChartSavedSearch, TitleIsTheNameWithoutItsExtension) {
    EXPECT_EQ(savedSearchTitle(QStringLiteral("My Site.lpc")), QStringLiteral("My Site"));
    EXPECT_EQ(savedSearchTitle(QStringLiteral("Shout.LPC")), QStringLiteral("Shout"));
    EXPECT_EQ(savedSearchTitle(QStringLiteral("a.lpc.b.Lpc")), QStringLiteral("a.b"));
}

TEST(ChartTemporary, SeriesPerRowEnginesAsCategoriesScaledByTheFirstRow) {
    ResultsGrid grid;
    grid.appendRow({"small.com", "", "500000", "-", "", "abc", "20", "1"});
    grid.appendRow({"big.com", "", "50000000", "2", "3", "4", "5", "6"});
    const ChartData data = temporaryChart(grid);
    EXPECT_EQ(data.title, QStringLiteral("Temporary Search Results"));
    EXPECT_EQ(data.seriesLabels, QStringList({"small.com", "big.com"}));
    EXPECT_EQ(data.categoryLabels,
              QStringList({"Google", "Altavista", "Yahoo!", "Ask", "MSN", "All The Web"}));
    EXPECT_EQ(data.divisor, 1);
    EXPECT_EQ(data.valueAxisTitle, QStringLiteral("Linking Sites"));
    EXPECT_DOUBLE_EQ(data.value(0, 1), 50000000.0);  // the later row keeps the first row's divisor
    for (int k : {1, 2, 3}) EXPECT_DOUBLE_EQ(data.value(k, 0), 0.0);  // "-", empty, no number
    EXPECT_DOUBLE_EQ(data.value(4, 0), 20.0);

    grid.clear();
    grid.appendRow({"huge.com", "", "200000000", "", "", "", "", ""});
    EXPECT_EQ(temporaryChart(grid).divisor, 1000);
    EXPECT_DOUBLE_EQ(temporaryChart(grid).value(0, 0), 200000.0);

    const ChartData empty = temporaryChart(ResultsGrid());
    EXPECT_EQ(empty.title, QStringLiteral("Temporary Search Results"));
    EXPECT_EQ(empty.seriesCount(), 0);
}

TEST(ChartTemporary, OnlyTheColumnsShownUnderTheirSourcesCaptions) {
    ResultsGrid grid;
    grid.setEngineColumns({QStringLiteral("Moz"), QString(), QStringLiteral("Yahoo!"), QString(),
                           QStringLiteral("Web Graph"), QString()});
    grid.appendRow({"a.com", "", "7", "", "9", "", "11", ""});
    const ChartData data = temporaryChart(grid);
    EXPECT_EQ(data.categoryLabels, (QStringList{"Moz", "Yahoo!", "Web Graph"}));
    ASSERT_EQ(data.categoryCount(), 3);
    EXPECT_DOUBLE_EQ(data.value(0, 0), 7.0);
    EXPECT_DOUBLE_EQ(data.value(1, 0), 9.0);
    EXPECT_DOUBLE_EQ(data.value(2, 0), 11.0);
}

TEST(ChartTypes, EntriesCodesAndRotateHint) {
    const QStringList& entries = chart::chartTypeEntries();
    ASSERT_EQ(entries.size(), chart::kChartTypeCount);
    EXPECT_EQ(entries[2], QStringLiteral("3d Line Graph"));
    EXPECT_EQ(entries[chart::kDefaultChartType], QStringLiteral("2D Line Graph"));
    for (int i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(chart::entryWantsRotateHint(entries[i]), i % 2 == 0);
        EXPECT_EQ(chart::isThreeD(i), i % 2 == 0);
    }
    EXPECT_FALSE(chart::isThreeD(8));
    EXPECT_FALSE(chart::isThreeD(-2));
}

TEST(ChartLabels, ThinnedEvenlyAndMadeDistinct) {
    EXPECT_EQ(labelledCategories(0, 10), QVector<int>());
    EXPECT_EQ(labelledCategories(4, 10), QVector<int>({0, 1, 2, 3}));
    EXPECT_EQ(labelledCategories(10, 5), QVector<int>({0, 2, 4, 6, 8}));
    EXPECT_EQ(labelledCategories(11, 5), QVector<int>({0, 3, 6, 9}));
    EXPECT_EQ(labelledCategories(7300, 20).size(), 20);
    const QStringList labels = distinctLabels({"a", "", "a", "", "b"});
    EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), 5);
    EXPECT_EQ(labels[0], QStringLiteral("a"));
    EXPECT_EQ(labels[2].left(1), QStringLiteral("a"));
    EXPECT_EQ(labels[4], QStringLiteral("b"));

    ChartData data;
    data.title = QStringLiteral("t");
    data.seriesLabels = QStringList({"a", "b"});
    for (int i = 0; i < 10; ++i) {
        data.categoryLabels << QString::number(i);
        data.values << QVector<double>{double(i), double(-i)};
    }
    const ChartData sample = sampleCategories(data, 5);
    EXPECT_EQ(sample.categoryLabels, QStringList({"0", "2", "4", "6", "8"}));
    EXPECT_DOUBLE_EQ(sample.value(3, 1), -6.0);
    EXPECT_EQ(sample.seriesLabels, data.seriesLabels);
    EXPECT_EQ(sample.title, data.title);
    EXPECT_EQ(sampleCategories(data, 10).categoryCount(), 10);
}

TEST(ChartLabels, ManySeriesAreSampledEvenlyKeepingBothEnds) {
    EXPECT_EQ(spreadSample(0, 5), QVector<int>());
    EXPECT_EQ(spreadSample(3, 5), QVector<int>({0, 1, 2}));
    EXPECT_EQ(spreadSample(10, 4), QVector<int>({0, 3, 6, 9}));
    EXPECT_EQ(spreadSample(1000, 100).size(), 100);
    EXPECT_EQ(spreadSample(1000, 100).last(), 999);
    const QVector<int> many = spreadSample(10000, 100);
    EXPECT_EQ(QSet<int>(many.begin(), many.end()).size(), 100);

    ChartData data;
    data.categoryLabels = QStringList({"Google", "Ask"});
    data.values.resize(2);
    for (int s = 0; s < 10; ++s) {
        data.seriesLabels << QStringLiteral("site%1").arg(s);
        data.values[0] << s;
        data.values[1] << (s == 9 ? chartGap() : -s);
    }
    const ChartData sample = sampleSeries(data, 4);
    EXPECT_EQ(sample.seriesLabels, QStringList({"site0", "site3", "site6", "site9"}));
    EXPECT_DOUBLE_EQ(sample.value(0, 2), 6.0);
    EXPECT_DOUBLE_EQ(sample.value(1, 1), -3.0);
    EXPECT_FALSE(sample.hasValue(1, 3));
    EXPECT_EQ(sample.categoryLabels, data.categoryLabels);
    EXPECT_EQ(sampleSeries(data, 10).seriesCount(), 10);
}
