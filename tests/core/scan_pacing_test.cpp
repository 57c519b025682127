#include "browse/website_list.h"
#include "config/settings_table.h"
#include "results/results_grid.h"
#include "net/page_fetcher.h"
#include "scan/scan_driver.h"
#include "support/sim_fixture.h"
#include "support/sim_record.h"
#include "support/test_environment.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// Everything a user can see of a scan, step by step.
struct ScanTrace {
    QStringList steps;      // status texts and progress values, in order
    QStringList grid;       // each row's cells, joined
    QStringList website;    // each website-view row, joined
    qint64 elapsedMs = 0;
};

class ScanPacingTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        settings::saveFlag(Setting::AutoSort, false);
    }

    ScanTrace scan(const QStringList& urls) {
        ResultsGrid grid;
        WebsiteList web;
        ScanDriver driver(grid, web, fetcher);
        ScanTrace trace;
        QObject::connect(&driver, &ScanDriver::statusTextChanged, [&](const QString& t) { trace.steps << t; });
        QObject::connect(&driver, &ScanDriver::progressChanged,
                         [&](int value, int maximum) { trace.steps << QStringLiteral("%1/%2").arg(value).arg(maximum); });
        QElapsedTimer clock;
        clock.start();
        EXPECT_TRUE(driver.start(urls));
        EXPECT_TRUE(spinUntil([&] { return driver.isIdle(); }, 30000));
        trace.elapsedMs = clock.elapsed();
        for (int r = 0; r < grid.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < ResultsGrid::kColumnCount; ++c) cells << grid.cell(r, c);
            trace.grid << cells.join(QLatin1Char('|'));
        }
        for (int r = 0; r < web.rowCount(); ++r) trace.website << web.cell(r, 0) + QLatin1Char('|') + web.cell(r, 1);
        return trace;
    }

    PageFetcher fetcher;
};

TEST_F(ScanPacingTest, EnginesAtOnceShowTheSameStepsAndNeverAskOneEngineTwiceAtOnce) {
    // Answers arrive out of order (slow pages, failures), yet apply in catalogue order.
    const QStringList urls{"http://count-1234.slow-40.example/", "http://nolinks.example/", "http://drop.example/",
                           "http://status-404.slow-20.example/", "http://garbage.example/", "http://count-7.example/"};
    const ScanTrace oneByOne = scan(urls);
    settings::saveFlag(Setting::AtOnce, true);
    ASSERT_TRUE(SimRecord::clear(fetcher, sim()));
    const ScanTrace atOnce = scan(urls);
    EXPECT_EQ(atOnce.steps, oneByOne.steps);
    EXPECT_EQ(atOnce.grid, oneByOne.grid);
    EXPECT_EQ(atOnce.website, oneByOne.website);

    const SimRecord seen = SimRecord::read(fetcher, sim());
    for (const char* engine : {"google", "altavista", "yahoo", "ask", "msn", "atw"})
        EXPECT_EQ(seen.mostAtOnce.value(engine), 1) << engine;
    EXPECT_EQ(seen.mostAtOnce.value("all"), 6);
}

TEST_F(ScanPacingTest, ThePauseHoldsEachEnginesNextRequestAndCostsNoMoreAtOnce) {
    settings::saveText(Setting::Pause, QStringLiteral("1"));
    const QStringList urls{"http://count-1.example/", "http://count-2.example/"};
    for (bool atOnce : {false, true}) {
        settings::saveFlag(Setting::AtOnce, atOnce);
        const ScanTrace trace = scan(urls);
        EXPECT_GE(trace.elapsedMs, 950) << atOnce;
        EXPECT_LT(trace.elapsedMs, 1900) << atOnce;
        EXPECT_EQ(trace.grid.size(), 2);
    }
}

TEST_F(ScanPacingTest, StopDuringAPauseEndsTheScanAtOnceWithoutTheNextRow) {
    settings::saveText(Setting::Pause, QStringLiteral("30"));
    for (bool atOnce : {false, true}) {
        settings::saveFlag(Setting::AtOnce, atOnce);
        ResultsGrid grid;
        WebsiteList web;
        ScanDriver driver(grid, web, fetcher);
        QSignalSpy stopped(&driver, &ScanDriver::stopped);
        ASSERT_TRUE(driver.start({"http://count-1.example/", "http://count-2.example/", "http://count-3.example/"}));
        ASSERT_TRUE(spinUntil([&] { return driver.progressValue() == 6; }));
        spinUntil([] { return false; }, 100);  // into the wait
        QElapsedTimer clock;
        clock.start();
        driver.stop();
        ASSERT_TRUE(spinUntil([&] { return driver.isIdle(); }, 2000)) << atOnce;
        EXPECT_LT(clock.elapsed(), 500) << atOnce;
        EXPECT_EQ(stopped.count(), 1) << atOnce;
        EXPECT_EQ(grid.rowCount(), 1) << atOnce;
        EXPECT_EQ(grid.cell(0, ResultsGrid::kTotalColumn), QStringLiteral("6")) << atOnce;
        EXPECT_EQ(web.rowCount(), 7) << atOnce;
    }
}

TEST_F(ScanPacingTest, TooManyRequestsIsNoCountAndItsRetryAfterIsHonoured) {
    const ScanTrace trace = scan({"http://retry-1.count-5.example/", "http://status-429.example/",
                                  "http://count-6.example/"});
    ASSERT_EQ(trace.grid.size(), 3);
    EXPECT_EQ(trace.grid[0], QStringLiteral("http://retry-1.count-5.example/|0||||||"));
    EXPECT_EQ(trace.grid[1], QStringLiteral("http://status-429.example/|0||||||"));
    EXPECT_EQ(trace.grid[2], QStringLiteral("http://count-6.example/|36|6|6|6|6|6|6"));
    // The second address waits for Google, which asked for a second.
    EXPECT_GE(trace.elapsedMs, 950);
    EXPECT_LT(trace.elapsedMs, 3000);
    const qsizetype waited = trace.steps.indexOf(QStringLiteral("Google asked to wait 1 s"));
    ASSERT_GE(waited, 0) << trace.steps.join('\n').toStdString();
    EXPECT_GT(waited, trace.steps.indexOf(QStringLiteral("Scanning http://retry-1.count-5.example/ on All The Web")));
    EXPECT_LT(waited, trace.steps.indexOf(QStringLiteral("Scanning http://status-429.example/ on Google")));
}

}  // namespace
