#include "browse/website_list.h"
#include "config/settings_store.h"
#include "config/settings_table.h"
#include "results/results_grid.h"
#include "net/page_fetcher.h"
#include "scan/scan_driver.h"
#include "support/sim_fixture.h"
#include "support/sim_record.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class ScanDriverTest : public SimFixture {
protected:
    bool runToEnd(const QStringList& urls) {
        if (!driver.start(urls)) return false;
        return spinUntil([&] { return driver.isIdle(); }, 30000);
    }

    QStringList row(int r) const {
        QStringList cells;
        for (int c = 0; c < ResultsGrid::kColumnCount; ++c) cells << grid.cell(r, c);
        return cells;
    }

    ResultsGrid grid;
    WebsiteList web;
    PageFetcher fetcher;
    ScanDriver driver{grid, web, fetcher};
};

TEST_F(ScanDriverTest, FillsTheRowTotalsRanksAndReportsTheGrandTotal) {
    QSignalSpy finished(&driver, &ScanDriver::finished);
    ASSERT_TRUE(runToEnd({QStringLiteral("http://count-1234.example/")}));
    ASSERT_EQ(grid.rowCount(), 1);
    // Thousands separators are gone from every cell; the total is their sum.
    EXPECT_EQ(row(0), (QStringList{"http://count-1234.example/", "7404", "1234", "1234", "1234",
                                   "1234", "1234", "1234"}));
    EXPECT_EQ(grid.rank(0), PopularityRank::High);
    EXPECT_EQ(driver.statusText(), QStringLiteral("Search Complete.  Found 7404 links."));
    EXPECT_EQ(driver.progressValue(), 6);
    EXPECT_EQ(driver.progressMaximum(), 6);
    ASSERT_EQ(finished.count(), 1);

    const QStringList labels{"Home Page", "Google", "AltaVista", "Yahoo", "Ask", "MSN", "AllTheWeb"};
    ASSERT_EQ(web.rowCount(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(web.cell(i, 0), labels[i]);
        EXPECT_EQ(web.cell(i, 1), QStringLiteral("http://count-1234.example/"));
    }
}

TEST_F(ScanDriverTest, CellsTellNoResultsFromNoAnswer) {
    ASSERT_TRUE(runToEnd({QStringLiteral("http://nolinks.example/"), QStringLiteral("http://garbage.example/"),
                          QStringLiteral("http://drop.example/"), QStringLiteral("http://status-404.example/")}));
    settings::saveFlag(Setting::AutoSort, true);
    // Sorted by total descending, all totals 0: equal keys keep their order.
    auto find = [&](const QString& url) {
        for (int r = 0; r < grid.rowCount(); ++r)
            if (grid.cell(r, 0) == url) return row(r);
        return QStringList();
    };
    // The engines' own "no results" pages read as 0.
    EXPECT_EQ(find("http://nolinks.example/").mid(1), (QStringList{"0", "0", "0", "0", "0", "0", "0"}));
    // A page without the markers: no count, except Ask and MSN which read 0.
    EXPECT_EQ(find("http://garbage.example/").mid(1), (QStringList{"0", "", "", "", "0", "0", ""}));
    EXPECT_EQ(find("http://status-404.example/").mid(1), (QStringList{"0", "", "", "", "0", "0", ""}));
    // No HTTP answer at all is no count for any engine, Ask and MSN included.
    EXPECT_EQ(find("http://drop.example/").mid(1), (QStringList{"0", "", "", "", "", "", ""}));
    for (int r = 0; r < grid.rowCount(); ++r) EXPECT_EQ(grid.rank(r), PopularityRank::Low);
}

TEST_F(ScanDriverTest, TotalsAreSixtyFourBit) {
    ASSERT_TRUE(runToEnd({QStringLiteral("http://count-9999999999.example/")}));
    EXPECT_EQ(grid.cell(0, ResultsGrid::kTotalColumn), QStringLiteral("59999999994"));
    EXPECT_EQ(driver.grandTotal(), 59999999994LL);
    EXPECT_EQ(grid.rank(0), PopularityRank::High);
}

TEST_F(ScanDriverTest, AutoSortChartsAscendingAndLeavesTheMostPopularOnTop) {
    QStringList orderSeenByChart;
    driver.setChartRefresh([&] {
        for (int r = 0; r < grid.rowCount(); ++r) orderSeenByChart << grid.cell(r, 0);
    });
    const QString a = "http://count-20.example/", b = "http://count-300.example/",
                  c = "http://count-100.example/";
    ASSERT_TRUE(runToEnd({a, b, c}));
    EXPECT_EQ(orderSeenByChart, (QStringList{a, c, b}));
    EXPECT_EQ((QStringList{grid.cell(0, 0), grid.cell(1, 0), grid.cell(2, 0)}), (QStringList{b, c, a}));
    EXPECT_EQ(grid.rank(0), PopularityRank::High);    // 1800
    EXPECT_EQ(grid.rank(1), PopularityRank::Medium);  // 600
    EXPECT_EQ(grid.rank(2), PopularityRank::Low);     // 120
    EXPECT_EQ(driver.statusText(), QStringLiteral("Search Complete.  Found 2520 links."));
}

TEST_F(ScanDriverTest, WithoutClearingANewScanGoesOnTopInListOrder) {
    settings::saveFlag(Setting::AutoSort, false);
    settings::saveFlag(Setting::ClearFirst, false);
    const QString a = "http://count-1.example/", b = "http://count-2.example/";
    ASSERT_TRUE(runToEnd({a, b}));
    ASSERT_TRUE(runToEnd({a, b}));
    EXPECT_EQ(grid.rowCount(), 4);
    EXPECT_EQ((QStringList{grid.cell(0, 0), grid.cell(1, 0), grid.cell(2, 0), grid.cell(3, 0)}),
              (QStringList{a, b, a, b}));
    EXPECT_EQ(web.rowCount(), 28);
    // The grand total is this run's counts only.
    EXPECT_EQ(driver.statusText(), QStringLiteral("Search Complete.  Found 18 links."));
}

TEST_F(ScanDriverTest, ThresholdsComeFromTheStoreAndFallBackWhenUnreadable) {
    settings::saveText(Setting::LowThreshold, QStringLiteral("abc"));
    settings::saveText(Setting::HighThreshold, QStringLiteral("700"));
    settings::saveFlag(Setting::AutoSort, false);
    ASSERT_TRUE(runToEnd({QStringLiteral("http://count-83.example/"),    // 498: below the default 500
                          QStringLiteral("http://count-100.example/"),   // 600: medium
                          QStringLiteral("http://count-117.example/")}));  // 702: at or above 700
    EXPECT_EQ(grid.rank(0), PopularityRank::Low);
    EXPECT_EQ(grid.rank(1), PopularityRank::Medium);
    EXPECT_EQ(grid.rank(2), PopularityRank::High);
}

TEST_F(ScanDriverTest, AnEmptyListMakesNoRequestAndStaysIdle) {
    QSignalSpy states(&driver, &ScanDriver::stateChanged);
    EXPECT_FALSE(driver.start({}));
    EXPECT_TRUE(driver.isIdle());
    EXPECT_EQ(states.count(), 0);
    EXPECT_EQ(fetcher.pending(), 0);
}

TEST_F(ScanDriverTest, StopIsSeenAtTheNextAddress) {
    settings::saveFlag(Setting::AutoSort, false);
    QSignalSpy stopped(&driver, &ScanDriver::stopped);
    QSignalSpy finished(&driver, &ScanDriver::finished);
    const QString first = "http://count-5.slow-30.example/";
    ASSERT_TRUE(driver.start({first, "http://count-6.example/", "http://count-7.example/"}));
    EXPECT_FALSE(driver.start({"http://other.example/"}));  // one scan at a time
    ASSERT_TRUE(spinUntil([&] { return driver.progressValue() >= 1; }));
    driver.stop();
    EXPECT_EQ(driver.state(), ScanDriver::State::StopRequested);
    ASSERT_TRUE(spinUntil([&] { return driver.isIdle(); }));
    EXPECT_EQ(stopped.count(), 1);
    EXPECT_EQ(finished.count(), 0);
    // The address under way got all six answers; no row for the next one.
    ASSERT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(grid.cell(0, ResultsGrid::kTotalColumn), QStringLiteral("30"));
    EXPECT_EQ(web.rowCount(), 7);
    EXPECT_EQ(driver.statusText(), QStringLiteral("Scanning ") + first + QStringLiteral(" on All The Web"));
    EXPECT_FALSE(driver.stopRequested());
}

TEST_F(ScanDriverTest, StopDuringTheLastAddressStillFinishes) {
    QSignalSpy stopped(&driver, &ScanDriver::stopped);
    QSignalSpy finished(&driver, &ScanDriver::finished);
    ASSERT_TRUE(driver.start({"http://count-1.example/", "http://count-2.slow-30.example/"}));
    ASSERT_TRUE(spinUntil([&] { return driver.progressValue() >= 7; }));
    driver.stop();
    ASSERT_TRUE(spinUntil([&] { return driver.isIdle(); }));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(stopped.count(), 0);
    EXPECT_EQ(driver.statusText(), QStringLiteral("Search Complete.  Found 18 links."));
    EXPECT_FALSE(driver.stopRequested());
}

TEST_F(ScanDriverTest, ClearResultsDuringAScanStartsAgainFromTheFirstAddress) {
    settings::saveFlag(Setting::AutoSort, false);
    const QStringList urls{"http://count-1.slow-20.example/", "http://count-2.slow-20.example/",
                           "http://count-3.example/"};
    // Cleared while the first address is under way, and while the second is
    // (its row is there, its slow answers are not), with the engines asked one
    // at a time and at once.
    for (const int clearAt : {1, 2, -1, -2}) {
        settings::saveFlag(Setting::AtOnce, clearAt < 0);
        ASSERT_TRUE(driver.start(urls));
        ASSERT_TRUE(spinUntil([&] { return grid.rowCount() == std::abs(clearAt); }));
        driver.clearResults();
        EXPECT_EQ(grid.rowCount(), 0);
        EXPECT_EQ(web.rowCount(), 0);
        ASSERT_TRUE(spinUntil([&] { return driver.isIdle(); }, 30000));
        // Every address once, in order, and nothing of the one cleared.
        ASSERT_EQ(grid.rowCount(), 3) << clearAt;
        for (int r = 0; r < 3; ++r) {
            EXPECT_EQ(grid.cell(r, 0), urls[r]) << clearAt;
            EXPECT_EQ(grid.cell(r, ResultsGrid::kTotalColumn), QString::number(6 * (r + 1))) << clearAt;
        }
        ASSERT_EQ(web.rowCount(), 21) << clearAt;
        for (int r = 0; r < 21; ++r) EXPECT_EQ(web.cell(r, 1), urls[r / 7]) << clearAt << " " << r;
        EXPECT_EQ(web.cell(0, 0), QStringLiteral("Home Page")) << clearAt;
        EXPECT_EQ(driver.statusText(), QStringLiteral("Search Complete.  Found 36 links.")) << clearAt;
    }
}

TEST_F(ScanDriverTest, AnEmptyTemplateQueriesTheAddressItself) {
    app.write(QStringLiteral("settings.ini"), QByteArray("[Engines]\r\n"));
    settings::saveFlag(Setting::AutoSort, false);
    // The address is itself a Google query of the stand-in engines, so every
    // engine fetches that Google page; only the Google markers match it.
    const QString address = sim().url(QStringLiteral("/google/search?q=link:count-42.example"));
    ASSERT_TRUE(runToEnd({address}));
    EXPECT_EQ(grid.cell(0, 2), QStringLiteral("42"));
    EXPECT_EQ(grid.cell(0, ResultsGrid::kTotalColumn), QStringLiteral("42"));
}

TEST_F(ScanDriverTest, ATemplateEditedDuringAScanAppliesFromTheNextRequest) {
    settings::saveFlag(Setting::AutoSort, false);
    ASSERT_TRUE(driver.start({"http://count-5.slow-40.example/", "http://count-6.example/"}));
    ASSERT_TRUE(spinUntil([&] { return driver.progressValue() >= 1; }));
    QString ini = sim().settingsIni();
    ini.replace(QStringLiteral("/google/"), QStringLiteral("/status/404?"));
    app.write(QStringLiteral("settings.ini"), ini.toLatin1());
    ASSERT_TRUE(spinUntil([&] { return driver.isIdle(); }));
    EXPECT_EQ(grid.cell(0, 2), QStringLiteral("5"));  // asked before the edit
    EXPECT_EQ(grid.cell(1, 2), QString());            // the edited template has no markers
}

// The address goes after the template as written: escapes stay escapes, and
// only a space, which cannot stand in a request line, is escaped.
TEST_F(ScanDriverTest, EnginesReceiveTheAddressAsWritten) {
    settings::saveFlag(Setting::AutoSort, false);
    ASSERT_TRUE(SimRecord::clear(fetcher, sim()));
    ASSERT_TRUE(runToEnd({QStringLiteral("http://count-3.example/a%41b%2Fc d")}));
    EXPECT_EQ(grid.cell(0, ResultsGrid::kTotalColumn), QStringLiteral("18"));
    const QList<QByteArray> targets = SimRecord::read(fetcher, sim()).targets;
    EXPECT_TRUE(targets.contains("/google/search?hl=en&ie=UTF-8&q=link:http://count-3.example/a%41b%2Fc%20d"));
    EXPECT_TRUE(targets.contains("/atw/search?cat=web&cs=utf8&q=link:http://count-3.example/a%41b%2Fc%20d"
                                 "&rys=0&_sb_lang=pref&ocjp=1"));
}

}  // namespace
