#include "browse/website_list.h"
#include "config/ini_file.h"
#include "results/results_grid.h"
#include "results/results_table.h"
#include "net/page_fetcher.h"
#include "scan/scan_driver.h"
#include "sources/credentials.h"
#include "sources/source_template.h"
#include "support/sim_fixture.h"
#include "support/sim_record.h"
#include "support/test_environment.h"

#include <QFile>
#include <QSignalSpy>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// The driver with some columns on sources, in this process, so its progress,
// totals, website rows and signals can be read as the window reads them.
class SourceDriverTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        QFile::remove(credentials::path());
        QString error;
        ASSERT_TRUE(credentials::write("majestic", "key", "sim-key", &error));
        QByteArray preset = readFileBytes(QStringLiteral(QUILLMARK_SHIPPED_APP "/Sources/majestic.ini"));
        preset.replace("https://api.majestic.com", sim().baseUrl().toLatin1());
        preset.replace("\r\nPause=", "\r\nOldPause=");
        app.write("Sources/majestic.ini", preset);
    }
    void bind(const char* engine, const char* source) {
        ASSERT_TRUE(IniWriteKey("Sources", engine, source, app.file("settings.ini")));
    }
    bool runToEnd(const QStringList& urls) {
        if (!driver.start(urls)) return false;
        return spinUntil([&] { return driver.isIdle(); }, 30000);
    }

    ResultsGrid grid;
    WebsiteList web;
    PageFetcher fetcher;
    ScanDriver driver{grid, web, fetcher};
};

TEST_F(SourceDriverTest, OffColumnsAreNotAskedShownCountedOrTotalled) {
    bind("Google", "majestic");
    for (const char* off : {"Altavista", "Ask", "MSN", "ATW"}) bind(off, "off");
    const QString a = "http://count-40.example/";
    const QString b = "http://count-7.example/";
    ASSERT_TRUE(runToEnd({a, b}));
    EXPECT_EQ(driver.progressMaximum(), 4);  // two columns on, two addresses
    EXPECT_EQ(driver.progressValue(), 4);
    ASSERT_EQ(grid.rowCount(), 2);
    for (int r = 0; r < 2; ++r) {
        const QString address = grid.cell(r, 0);
        // Majestic is sent the site, not the page.
        const qint64 majestic = 100 * addressHost(address).size();
        const qint64 yahoo = address == a ? 40 : 7;
        EXPECT_EQ(grid.cell(r, 2), QString::number(majestic));
        EXPECT_EQ(grid.cell(r, 4), QString::number(yahoo));
        EXPECT_EQ(grid.cell(r, 1), QString::number(majestic + yahoo));
        for (int c : {3, 5, 6, 7}) EXPECT_EQ(grid.cell(r, c), QString()) << c;
    }
    EXPECT_EQ(grid.caption(2), "Majestic");
    EXPECT_FALSE(grid.columnShown(3));
    EXPECT_TRUE(grid.columnShown(4));
    // Home page, Majestic, Yahoo for each address: no row for an off column.
    ASSERT_EQ(web.rowCount(), 6);
    EXPECT_EQ(web.cell(1, 0), "Majestic");
    EXPECT_EQ(web.cell(1, 1), a);
    EXPECT_EQ(web.tag(1, 0), "https://majestic.com/reports/site-explorer?q=count-40.example");
    EXPECT_EQ(web.tag(2, 0), QString());
    EXPECT_EQ(web.cell(2, 0), "Yahoo");
    EXPECT_EQ(QString::fromLatin1(gridCsv(grid)).section('\n', 0, 0), "Domain Name,Total,Majestic,Yahoo!,Rank");

    // One request carried both addresses.
    const SimRecord record = SimRecord::read(fetcher, sim());
    EXPECT_EQ(std::count_if(record.targets.cbegin(), record.targets.cend(),
                            [](const QByteArray& t) { return t.startsWith("/api/json"); }), 1);
}

TEST_F(SourceDriverTest, AnErrorIsReportedOncePerScanAndTheScanGoesOn) {
    QString error;
    ASSERT_TRUE(credentials::write("majestic", "key", "wrong", &error));
    // One address a request, so each address gets its own error answer.
    QByteArray preset = app.read("Sources/majestic.ini");
    preset.replace("\r\nBatch=100", "\r\nBatch=1");
    app.write("Sources/majestic.ini", preset);
    bind("Google", "majestic");
    QSignalSpy errors(&driver, &ScanDriver::sourceError);
    ASSERT_TRUE(runToEnd({"a.example", "b.example", "http://count-5.example/"}));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toString(), "Majestic: The API key is not valid");
    ASSERT_EQ(grid.rowCount(), 3);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(grid.cell(r, 2), QString());
    // The built-in columns went on counting.
    int counted = -1;
    for (int r = 0; r < 3; ++r)
        if (grid.cell(r, 0) == "http://count-5.example/") counted = r;
    ASSERT_GE(counted, 0);
    EXPECT_EQ(grid.cell(counted, 3), "5");
    // Without a View page, a row shows the answer itself, its key masked.
    QByteArray noView = app.read("Sources/majestic.ini");
    noView.replace("\r\nView=", "\r\nOldView=");
    app.write("Sources/majestic.ini", noView);
    // A second scan reports it again.
    ASSERT_TRUE(runToEnd({"a.example"}));
    EXPECT_EQ(errors.count(), 2);
    const QString shown = web.tag(1, 0);
    EXPECT_TRUE(shown.startsWith("data:text/plain;charset=utf-8,")) << shown.toStdString();
    EXPECT_TRUE(QUrl::fromPercentEncoding(shown.toLatin1()).contains("InvalidAPIKey"));
    EXPECT_FALSE(shown.contains("wrong"));
}

// The website view shows the first 64 KiB of an answer; a key quoted across
// that cut is masked before the cut, so not even its first characters show.
TEST_F(SourceDriverTest, AKeyQuotedAcrossTheCutShowsNothingOfItself) {
    QString error;
    ASSERT_TRUE(credentials::write("quote", "token", "t0k/en 9&x", &error));
    constexpr int kCut = 64 * 1024;
    const int prefix = int(QByteArray(R"({"message":")").size() + QByteArray("GET /quote/raw?k=").size());
    for (const int shown : {1, 4, 9}) {
        const int pad = kCut - prefix - shown;
        app.write("Sources/quote.ini", "[Source]\r\nCaption=Quote\r\nUrl=" + sim().baseUrl().toLatin1() +
                                           "/quote/raw?k={cred:token}&pad=" + QByteArray::number(pad) +
                                           "\r\nCount=json:/n\r\nMessage=json:/nothing\r\n");
        bind("Google", "quote");
        for (const char* off : {"Altavista", "Yahoo", "Ask", "MSN", "ATW"}) bind(off, "off");
        ASSERT_TRUE(runToEnd({"a.example"}));
        ASSERT_EQ(web.rowCount(), 2);
        const QString tag = web.tag(1, 0);
        ASSERT_TRUE(tag.startsWith("data:text/plain;charset=utf-8,")) << tag.left(80).toStdString();
        const QString text = QUrl::fromPercentEncoding(tag.mid(tag.indexOf(',') + 1).toLatin1());
        EXPECT_EQ(text.size(), kCut) << shown;
        EXPECT_TRUE(text.endsWith(QString(shown, '*'))) << shown << " " << text.right(20).toStdString();
        EXPECT_FALSE(text.contains("t0k")) << shown;
    }
}

// An answer the source cannot read leaves its cells empty and says why, once
// a scan: cut at the size cap, not JSON, nested too deeply.
TEST_F(SourceDriverTest, AnAnswerThatCannotBeReadIsSaidOnce) {
    struct Case { const char* path; const char* message; };
    const Case cases[] = {
        {"/bytes/5000", "Cut: The page is larger than 1024 bytes; the rest was not read."},
        {"/echo-agent", "Cut: the answer is not JSON"},
    };
    fetcher.setMaxBodyBytes(1024);
    for (const Case& c : cases) {
        app.write("Sources/cut.ini", "[Source]\r\nCaption=Cut\r\nUrl=" + sim().baseUrl().toLatin1() + c.path +
                                         "\r\nCount=json:/n\r\n");
        bind("Google", "cut");
        for (const char* off : {"Altavista", "Yahoo", "Ask", "MSN", "ATW"}) bind(off, "off");
        QSignalSpy errors(&driver, &ScanDriver::sourceError);
        ASSERT_TRUE(runToEnd({"a.example", "b.example"}));
        ASSERT_EQ(errors.count(), 1) << c.path;
        EXPECT_EQ(errors.at(0).at(0).toString(), QString::fromLatin1(c.message));
        for (int r = 0; r < 2; ++r) EXPECT_EQ(grid.cell(r, 2), QString()) << c.path;
    }
}

}  // namespace
