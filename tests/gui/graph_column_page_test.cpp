#include "browse/website_list.h"
#include "browse/website_view_page.h"
#include "config/engine_catalog.h"
#include "results/results_grid.h"
#include "net/page_fetcher.h"
#include "scan/scan_driver.h"
#include "support/graph_release.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <gtest/gtest.h>

namespace {

// A scan with the first column on the web graph, then its Website View rows
// opened in the page: each shows a page made on this machine.
class GraphColumnPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        QByteArray ini = "[Sources]\r\nGoogle=webgraph\r\n";
        for (const EngineSpec& engine : engineSpecs())
            if (engine.id != EngineKey::Google) ini += QByteArray(engine.key) + "=off\r\n";
        m_app.write("settings.ini", ini);
        m_app.write("Sources/webgraph.ini", readFileBytes(QStringLiteral(QUILLMARK_SHIPPED_APP "/Sources/webgraph.ini")));
        m_page = std::make_unique<WebsiteViewPage>(m_list, nullptr);
        m_page->resize(900, 700);
        m_page->layoutPage(900 * 15, 700 * 15);
        m_page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_page.get()));
    }
    void scan(const QStringList& urls) {
        ResultsGrid grid;
        PageFetcher fetcher;
        ScanDriver driver(grid, m_list, fetcher);
        ASSERT_TRUE(driver.start(urls));
        ASSERT_TRUE(spinUntil([&] { return driver.isIdle(); }, 20000));
    }
    // Selects the row, waits for its page and returns the page's title and text.
    std::pair<QString, QString> open(int row) {
        QWebEngineView* browser = m_page->browser();
        QSignalSpy finished(browser, &QWebEngineView::loadFinished);
        m_page->listView()->selectionModel()->setCurrentIndex(
            m_list.index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        EXPECT_TRUE(spinUntil([&] { return !finished.isEmpty(); }, 30000));
        QString text;
        bool done = false;
        browser->page()->toPlainText([&](const QString& t) {
            text = t;
            done = true;
        });
        EXPECT_TRUE(spinUntil([&] { return done; }, 10000));
        return {browser->title(), text};
    }

    TempGraphCache m_cache;
    TempAppFolder m_app;
    WebsiteList m_list;
    std::unique_ptr<WebsiteViewPage> m_page;
};

TEST_F(GraphColumnPageTest, TheRowShowsTheReleaseTheDomainItsCountAndRank) {
    ASSERT_EQ(countSmallRelease(), QString());
    scan({"http://www.example.com/page", "lonely.org", "absent.net"});
    ASSERT_EQ(m_list.rowCount(), 6);
    struct Case {
        int row;
        const char* title;
        QStringList lines;  // each a line of the page's text
    };
    const Case cases[] = {
        {1, "Web Graph: example.com",
         {"Release\t" + kSmallRelease, "Domain\texample.com", "Linking Domains\t3", "Harmonic Rank\t1"}},
        {3, "Web Graph: lonely.org", {"Domain\tlonely.org", "Linking Domains\t0", "Harmonic Rank\t4"}},
        {5, "Web Graph: absent.net", {"Release\t" + kSmallRelease, "absent.net is not in release " + kSmallRelease + "."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(m_list.cell(c.row, WebsiteList::kTypeColumn), "Web Graph");
        const auto [title, text] = open(c.row);
        EXPECT_EQ(title, c.title);
        const QStringList lines = text.split('\n');
        for (const QString& line : c.lines) EXPECT_TRUE(lines.contains(line)) << text.toStdString();
        EXPECT_EQ(text.contains("Linking Domains"), c.row != 5);
    }
}

TEST_F(GraphColumnPageTest, WithoutACountedReleaseTheRowSaysWhatToRun) {
    scan({"http://www.example.com/page"});
    ASSERT_EQ(m_list.rowCount(), 2);
    const auto [title, text] = open(1);
    EXPECT_EQ(title, "Web Graph");
    EXPECT_TRUE(text.contains("no release is counted here")) << text.toStdString();
    EXPECT_TRUE(text.contains("quillmark-graph fetch RELEASE")) << text.toStdString();
}

}  // namespace

#include "graph/graph_lookup.h"
#include "shell/main_window.h"
#include "urllist/url_list_view.h"

#include <QLabel>
#include <QPushButton>

namespace {

// A local source answers at once, so "Search Complete." follows its error in
// the first panel straight away: the status bar keeps the error in a place of
// its own until the next scan starts.
TEST_F(GraphColumnPageTest, TheWindowKeepsASourcesErrorInSightAfterTheScan) {
    Form1 window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.urlList()->appendEntries({"http://www.example.com/"});
    auto* start = window.findChild<QPushButton*>("Command1");
    auto* panel1 = window.findChild<QLabel*>("StatusBar1Panel1");
    auto* note = window.findChild<QLabel*>("StatusBar1SourceErrors");
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(note->isVisible());
    for (int round = 0; round < 2; ++round) {
        QTest::mouseClick(start, Qt::LeftButton);
        ASSERT_TRUE(spinUntil([&] { return window.scanDriver().isIdle(); }, 20000));
        EXPECT_TRUE(panel1->text().startsWith(QLatin1String("Search Complete."))) << panel1->text().toStdString();
        // Once a scan, not once more for every scan the window has run.
        EXPECT_EQ(note->text(), QStringLiteral("Web Graph: ") + graphLookup::noReleaseText()) << round;
        EXPECT_TRUE(note->isVisible());
    }
    ASSERT_TRUE(countSmallRelease().isEmpty());
    QTest::mouseClick(start, Qt::LeftButton);
    ASSERT_TRUE(spinUntil([&] { return window.scanDriver().isIdle(); }, 20000));
    EXPECT_FALSE(note->isVisible()) << note->text().toStdString();
}

}  // namespace
