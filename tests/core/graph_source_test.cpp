#include "browse/website_list.h"
#include "config/engine_catalog.h"
#include "config/ini_file.h"
#include "graph/release_catalog.h"
#include "results/results_grid.h"
#include "net/page_fetcher.h"
#include "scan/scan_driver.h"
#include "sources/count_source.h"
#include "sources/source_file.h"
#include "support/graph_release.h"
#include "support/sim_fixture.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

const QString kHome = QStringLiteral("http://www.example.com/page");
const QString kSeven = QStringLiteral("http://count-7.example/");
const QString kShop = QStringLiteral("shop.co.uk");
const QString kLonely = QStringLiteral("lonely.org");
const QString kAbsent = QStringLiteral("absent.net");  // only in the older release
const QString kIp = QStringLiteral("http://127.0.0.1/");

// Columns on the shipped webgraph source, over releases counted in a private cache.
class GraphColumnTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        if (HasFatalFailure()) return;
        app.write(QStringLiteral("Sources/webgraph.ini"),
                  readFileBytes(QStringLiteral(QUILLMARK_SHIPPED_APP "/Sources/webgraph.ini")));
    }
    // Each slot: "" the built-in engine, else the binding written.
    void bind(const QStringList& binds) {
        for (int i = 0; i < kEngineCount; ++i)
            if (!binds.value(i).isEmpty())
                ASSERT_TRUE(IniWriteKey(QStringLiteral("Sources"), QLatin1String(engineSpecs()[static_cast<size_t>(i)].key), binds[i],
                                        app.file(QStringLiteral("settings.ini"))));
    }
    // The small release, and an older one by the generator that also names absent.net.
    void countReleases() {
        ASSERT_EQ(countSmallRelease(), QString());
        const QString older = QStringLiteral("cc-main-2023-may-jun-jul");
        QDir().mkpath(graphRelease::releaseFolder(older));
        ASSERT_EQ(runProgram(QStringLiteral(QUILLMARK_GRAPH_GEN),
                             {graphRelease::releaseFolder(older), older, QStringLiteral("--domains"),
                              QStringLiteral("300"), QStringLiteral("--edges"), QStringLiteral("3000"),
                              QStringLiteral("--include"), QStringLiteral("com.example"), QStringLiteral("--include"),
                              QStringLiteral("net.absent")}),
                  0);
        graphRelease::saveLocalRelease(QStringLiteral("{\"id\": \"%1\", \"crawls\": [\"CC-MAIN-2023-23\"]}").arg(older),
                                       older);
        ASSERT_EQ(runProgram(QStringLiteral(QUILLMARK_GRAPH_BIN), {QStringLiteral("count"), older}), 0);
        ASSERT_EQ(graphRelease::countedReleases().value(0).id, kSmallRelease);
    }
    struct Scan {
        int exit = -1;
        QByteArray out, err;
        QHash<QString, QStringList> rows;  // address -> its CSV fields after the address
    };
    Scan scan(const QStringList& args) {
        const QString program = app.file(QStringLiteral("quillmark-scan"));
        if (!QFile::exists(program)) QFile::copy(QStringLiteral(QUILLMARK_SCAN_BIN), program);
        Scan s;
        s.exit = runProgram(program, args, &s.out, &s.err, 60000);
        const QStringList lines = QString::fromUtf8(s.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QStringList fields = lines[i].split(QLatin1Char(','));
            s.rows.insert(fields.takeFirst(), fields);
        }
        return s;
    }

    TempGraphCache m_cache;
};

TEST_F(GraphColumnTest, AScanCountsTheNewestReleasesLinkingDomains) {
    countReleases();
    bind({QStringLiteral("webgraph"), QStringLiteral("off"), QStringLiteral("off"), QStringLiteral("off"),
          QStringLiteral("off"), QStringLiteral("off")});
    for (const QStringList& options : {QStringList{}, QStringList{QStringLiteral("--at-once")}}) {
        SCOPED_TRACE(options.join(' ').toStdString());
        const Scan s = scan(options + QStringList{kHome, kSeven, kShop, kLonely, kAbsent, kIp});
        EXPECT_EQ(s.exit, 0);
        EXPECT_EQ(s.err, QByteArray());
        ASSERT_TRUE(s.out.startsWith("Domain Name,Total,Web Graph,Rank\n")) << s.out.toStdString();
        // Total and the column: present domains count, 0 only for one nothing links to.
        const std::pair<QString, QString> want[] = {{kHome, "3"}, {kSeven, "1"}, {kShop, "1"},
                                                   {kLonely, "0"}, {kAbsent, ""}, {kIp, ""}};
        for (const auto& [address, count] : want) {
            EXPECT_EQ(s.rows.value(address).value(1), count) << address.toStdString();
            EXPECT_EQ(s.rows.value(address).value(0), count.isEmpty() ? "0" : count) << address.toStdString();
        }
    }
}

TEST_F(GraphColumnTest, WithoutACountedReleaseTheColumnSaysOnceWhatToRunAndTheScanGoesOn) {
    // Yahoo stays the built-in engine on the stand-in.
    bind({QStringLiteral("webgraph"), QStringLiteral("off"), QString(), QStringLiteral("off"), QStringLiteral("off"),
          QStringLiteral("off")});
    const Scan s = scan({kHome, kSeven, kLonely});
    EXPECT_EQ(s.exit, 0);
    EXPECT_EQ(s.err.count("quillmark-scan: Web Graph: no release is counted here"), 1) << s.err.toStdString();
    EXPECT_TRUE(s.err.contains("quillmark-graph fetch RELEASE")) << s.err.toStdString();
    EXPECT_TRUE(s.err.contains("quillmark-graph fetch RELEASE, which counts it as it downloads")) << s.err.toStdString();
    EXPECT_TRUE(s.out.startsWith("Domain Name,Total,Web Graph,Yahoo!,Rank\n")) << s.out.toStdString();
    for (const QString& address : {kHome, kSeven, kLonely}) EXPECT_EQ(s.rows.value(address).value(1), QString());
    EXPECT_EQ(s.rows.value(kSeven).value(2), "7");
}

// The status bar gets the message once a scan, in place of its step, like any source's error.
TEST_F(GraphColumnTest, WithoutACountedReleaseTheStatusBarSaysSoOnceAScan) {
    bind({QStringLiteral("webgraph"), QStringLiteral("webgraph"), QStringLiteral("off"), QStringLiteral("off"),
          QStringLiteral("off"), QStringLiteral("off")});
    ResultsGrid grid;
    WebsiteList web;
    PageFetcher fetcher;
    ScanDriver driver(grid, web, fetcher);
    QStringList shown;
    QObject::connect(&driver, &ScanDriver::statusTextChanged, [&](const QString& text) { shown << text; });
    for (int scan = 1; scan <= 2; ++scan) {
        ASSERT_TRUE(driver.start({kHome, kLonely, kAbsent}));
        ASSERT_TRUE(spinUntil([&] { return driver.isIdle(); }, 10000));
        // One message for each of the two columns.
        EXPECT_EQ(shown.filter(QStringLiteral("Web Graph: no release is counted here")).size(), 2 * scan);
        EXPECT_EQ(shown.last(), ScanDriver::completeText(0));
    }
}

// The driver in this process, so progress, totals and the website rows can be read.
TEST_F(GraphColumnTest, LocalAnswersKeepProgressTotalsAndRowsAndNeverRest) {
    countReleases();
    ResultsGrid grid;
    WebsiteList web;
    PageFetcher fetcher;
    ScanDriver driver(grid, web, fetcher);
    QSignalSpy errors(&driver, &ScanDriver::sourceError);
    const QString g = QStringLiteral("webgraph"), off = QStringLiteral("off");
    struct Case {
        const char* name;
        QStringList binds;
        bool atOnce;
        int pause;
    };
    // One driver for all: the pause a built-in engine rested for outlives its
    // scan, and must not hold a graph column on the same slot afterwards.
    const Case cases[] = {
        {"graph beside a built-in engine", {g, off, QString(), off, off, off}, false, 0},
        {"the same at once", {g, off, QString(), off, off, off}, true, 0},
        {"graph only, a long pause", {g, off, off, off, off, off}, false, 60},
        {"six graph columns one at a time", {g, g, g, g, g, g}, false, 60},
        {"six graph columns at once", {g, g, g, g, g, g}, true, 60},
    };
    const QStringList urls{kHome, kSeven, kShop, kLonely, kAbsent};
    const QHash<QString, int> graph{{kHome, 3}, {kSeven, 1}, {kShop, 1}, {kLonely, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bind(c.binds);
        driver.setOverrides({c.atOnce, c.pause});
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(driver.start(urls));
        ASSERT_TRUE(spinUntil([&] { return driver.isIdle(); }, 20000));
        EXPECT_LT(clock.elapsed(), 10000);
        const int graphColumns = static_cast<int>(c.binds.count(g));
        const int on = graphColumns + static_cast<int>(c.binds.count(QString()));
        EXPECT_EQ(driver.progressMaximum(), on * urls.size());
        EXPECT_EQ(driver.progressValue(), driver.progressMaximum());
        ASSERT_EQ(grid.rowCount(), urls.size());
        std::int64_t grand = 0;
        for (int r = 0; r < grid.rowCount(); ++r) {
            const QString address = grid.cell(r, 0);
            const QString want = graph.contains(address) ? QString::number(graph[address]) : QString();
            std::int64_t total = 0;
            for (int slot = 0; slot < kEngineCount; ++slot) {
                const QString cell = grid.cell(r, engineSpecs()[static_cast<size_t>(slot)].gridColumn);
                if (c.binds[slot] == g) EXPECT_EQ(cell, want) << address.toStdString() << " slot " << slot;
                total += cell.toLongLong();
            }
            if (c.binds[2].isEmpty() && address == kSeven) EXPECT_EQ(grid.cell(r, 4), "7");
            EXPECT_EQ(grid.cell(r, 1), QString::number(total));
            grand += total;
        }
        EXPECT_EQ(driver.grandTotal(), grand);
        // A home page row, then one a column; a graph row's page is made here.
        ASSERT_EQ(web.rowCount(), urls.size() * (1 + on));
        for (int r = 0; r < web.rowCount(); ++r) {
            if (web.cell(r, 0) != QLatin1String("Web Graph")) continue;
            const QString page = QUrl::fromPercentEncoding(web.tag(r, 0).toUtf8());
            EXPECT_TRUE(page.startsWith("data:text/html;charset=utf-8,")) << page.toStdString();
            EXPECT_TRUE(page.contains(kSmallRelease));
        }
    }
    EXPECT_EQ(errors.count(), 0);
}

// A damaged index answers no number: its column stays empty with the message,
// and the scan prints and saves the other columns (one search an address too).
TEST_F(GraphColumnTest, ADamagedIndexLeavesItsColumnEmptyAndTheOthersSaved) {
    countReleases();
    bind({QStringLiteral("webgraph"), QStringLiteral("off"), QString(), QStringLiteral("off"), QStringLiteral("off"),
          QStringLiteral("off")});
    const QString indexPath = graphRelease::indexPath(kSmallRelease);
    const QByteArray sound = readFileBytes(indexPath);
    const QString today = QDate::currentDate().toString(QStringLiteral("MM-dd-yy"));
    const struct {
        const char* name;
        qsizetype at;
    } damages[] = {{"the header", 20}, {"a block", 72}, {"the block offsets", sound.size() - 2}};
    for (const auto& d : damages) {
        for (bool appendEach : {false, true}) {
            SCOPED_TRACE(std::string(d.name) + (appendEach ? ", --append-each" : ""));
            QByteArray bytes = sound;
            bytes[d.at] = static_cast<char>(bytes[d.at] ^ 0x20);
            writeFileBytes(indexPath, bytes);
            QDir(app.file(QStringLiteral("Saved"))).removeRecursively();
            QStringList args{kSeven, kHome};
            if (appendEach) args.prepend(QStringLiteral("--append-each"));
            const Scan s = scan(args);
            EXPECT_EQ(s.exit, 0) << s.err.toStdString();
            EXPECT_TRUE(s.err.contains("Web Graph: the index of " + kSmallRelease.toUtf8() +
                                       " is damaged; count it again"))
                << s.err.toStdString();
            EXPECT_EQ(s.rows.value(kSeven).value(1), QString());
            EXPECT_EQ(s.rows.value(kHome).value(1), QString());
            EXPECT_EQ(s.rows.value(kSeven).value(2), "7");
            if (appendEach) {
                const QString saved = app.file(QStringLiteral("Saved/count-7.example.lpc"));
                EXPECT_EQ(IniReadSection(QStringLiteral("Yahoo!"), QString(), saved).trimmed(), today + QStringLiteral("=7"));
                EXPECT_FALSE(IniListSections(saved).contains(QStringLiteral("Web Graph")));
            }
        }
    }
    writeFileBytes(indexPath, sound);
    EXPECT_EQ(scan({kSeven}).rows.value(kSeven).value(1), "1");
}

TEST(GraphSourceFile, TypeGraphNeedsNoRequestAndAnUnknownTypeIsRefused) {
    TempAppFolder app;
    struct Case {
        const char* text;
        const char* caption;  // "" when the file is refused
        const char* error;
    };
    const Case cases[] = {
        {"[Source]\r\nCaption=Web Graph\r\nType=graph\r\n", "Web Graph", ""},
        {"[Source]\r\nType=Graph\r\n", "g", ""},  // no caption: the file's name
        {"[Source]\r\nType=http\r\nUrl=http://h/\r\nCount=json:/a\r\n", "g", ""},
        {"[Source]\r\nType=graph2\r\n", "", "g: Type must be http, graph or list"},
        {"[Source]\r\nType=http\r\n", "", "g: no Url"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        app.write(QStringLiteral("Sources/g.ini"), c.text);
        const SourceLoad load = loadSourceFile(sourceFilePath(QStringLiteral("g")));
        EXPECT_EQ(load.source ? load.source->caption : QString(), QLatin1String(c.caption));
        EXPECT_EQ(load.error, QLatin1String(c.error));
        ASSERT_TRUE(IniWriteKey(QStringLiteral("Sources"), QStringLiteral("Ask"), QStringLiteral("g"),
                                app.file(QStringLiteral("settings.ini"))));
        EXPECT_EQ(columnCaptions(app.file(QStringLiteral("settings.ini")))[3], *c.caption ? c.caption : "g");
    }
}

}  // namespace
