// A source's pause holds only a request that is about to go: addresses a
// batch has already answered are applied at once.
#include "browse/website_list.h"
#include "config/ini_file.h"
#include "results/results_grid.h"
#include "net/page_fetcher.h"
#include "scan/scan_driver.h"
#include "sources/credentials.h"
#include "support/sim_fixture.h"
#include "support/test_environment.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ScanRestTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        QFile::remove(credentials::path());
        QString error;
        ASSERT_TRUE(credentials::write("majestic", "key", "sim-key", &error));
        const QString ini = app.file("settings.ini");
        ASSERT_TRUE(IniWriteKey("Sources", "Google", "majestic", ini));
        for (const char* off : {"Altavista", "Yahoo", "Ask", "MSN", "ATW"}) ASSERT_TRUE(IniWriteKey("Sources", off, "off", ini));
    }
    // The shipped preset pointed at the stand-in, with its own pause and batch.
    void preset(int batch, int pauseSeconds) {
        QByteArray text = readFileBytes(QStringLiteral(QUILLMARK_SHIPPED_APP "/Sources/majestic.ini"));
        text.replace("https://api.majestic.com", sim().baseUrl().toLatin1());
        text.replace("\r\nPause=", "\r\nOldPause=");
        text.replace("\r\nBatch=", "\r\nOldBatch=");
        text += "Batch=" + QByteArray::number(batch) + "\r\nPause=" + QByteArray::number(pauseSeconds) + "\r\n";
        app.write("Sources/majestic.ini", text);
    }

    ResultsGrid grid;
    WebsiteList web;
    PageFetcher fetcher;
    ScanDriver driver{grid, web, fetcher};
};

TEST_F(ScanRestTest, APauseIsWaitedOnlyBeforeARequest) {
    const struct {
        const char* name;
        int batch;
        bool atOnce;
        int addresses;
        qint64 minMs;
        qint64 maxMs;
    } cases[] = {
        // One request answers all five: nothing to wait for after it.
        {"one batch", 100, false, 5, 0, 1500},
        {"one batch, engines at once", 100, true, 5, 0, 1500},
        // Two batches: the second waits out the pause once.
        {"two batches", 3, false, 5, 2000, 3500},
        // A request an address: each after the first waits.
        {"no batch", 1, false, 3, 4000, 5500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        preset(c.batch, 2);
        driver.setOverrides({c.atOnce, 0});
        QStringList urls;
        for (int i = 0; i < c.addresses; ++i) urls << QStringLiteral("http://count-%1.example/").arg(i + 1);
        // The pacer remembers the last scan's requests: start rested.
        QTest::qWait(2100);
        QElapsedTimer clock;
        clock.start();
        driver.clearResults();
        ASSERT_TRUE(driver.start(urls));
        ASSERT_TRUE(spinUntil([&] { return driver.isIdle(); }, 20000));
        const qint64 ms = clock.elapsed();
        EXPECT_GE(ms, c.minMs);
        EXPECT_LT(ms, c.maxMs);
        ASSERT_EQ(grid.rowCount(), c.addresses);
        for (int r = 0; r < c.addresses; ++r) EXPECT_FALSE(grid.cell(r, 2).isEmpty()) << r;
    }
}

}  // namespace
