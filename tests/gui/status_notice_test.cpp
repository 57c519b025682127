// What the main window says about its columns and its last scan: the
// headers name the sources from the start, a source's error is readable
// whole, and a scan on engines that no longer answer explains itself once.
#include "config/engine_catalog.h"
#include "results/results_grid.h"
#include "scripted_platform.h"
#include "shell/first_scan_notice_widget.h"
#include "shell/main_window.h"
#include "shell/settings_dialog.h"
#include "support/settings_snapshot.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"
#include "urllist/url_list_view.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

// Every built-in engine pointed at a port nobody listens on: no count comes back.
QByteArray deadEngines() {
    QByteArray ini = "[Engines]\r\n";
    for (const EngineSpec& engine : engineSpecs()) ini += QByteArray(engine.key) + "=http://127.0.0.1:1/?q=\r\n";
    return ini;
}

class StatusNoticeTest : public ::testing::Test {
protected:
    void open() {
        window = std::make_unique<Form1>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        if (Form2* options = Form2::instance()) options->close();
        spinUntil([] { return Form2::instance() == nullptr; });
    }
    bool scan(const QStringList& urls) {
        window->urlList()->appendEntries(urls);
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        return spinUntil([&] { return window->scanDriver().isIdle(); }, 30000);
    }
    QString header(int column) {
        return window->findChild<QTreeView*>(QStringLiteral("ListView1"))->model()->headerData(column, Qt::Horizontal).toString();
    }

    TempAppFolder app;
    SettingsSnapshot settings;
    ScriptedPlatform ui;
    std::unique_ptr<Form1> window;
};

TEST_F(StatusNoticeTest, HeadersNameTheColumnsSourcesBeforeAnyScan) {
    app.write("settings.ini", deadEngines() + "[Sources]\r\nGoogle=webgraph\r\nYahoo=off\r\nMSN=nosuch\r\n");
    app.write("Sources/webgraph.ini", readFileBytes(QStringLiteral(QUILLMARK_SHIPPED_APP "/Sources/webgraph.ini")));
    open();
    auto* grid = window->findChild<QTreeView*>(QStringLiteral("ListView1"));
    const struct {
        int column;
        const char* caption;
        bool shown;
    } cases[] = {{2, "Web Graph", true}, {3, "Altavista", true}, {4, "Yahoo!", false},
                 {6, "nosuch", true},    {7, "All The Web", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        if (c.shown) EXPECT_EQ(header(c.column), c.caption);
        EXPECT_EQ(grid->isColumnHidden(c.column), !c.shown);
    }
}

// Two sources fail: the status bar cuts the line, a click shows each error whole on a line of its own.
TEST_F(StatusNoticeTest, ASourcesErrorIsReadWholeByAClick) {
    app.write("settings.ini", deadEngines() + "[Sources]\r\nGoogle=webgraph\r\nAltavista=nosuch\r\n");
    app.write("Sources/webgraph.ini", readFileBytes(QStringLiteral(QUILLMARK_SHIPPED_APP "/Sources/webgraph.ini")));
    open();
    window->resize(window->minimumSize());
    ASSERT_TRUE(scan({QStringLiteral("http://www.example.com/")}));
    auto* note = window->findChild<QLabel*>(QStringLiteral("StatusBar1SourceErrors"));
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(note->isVisible());
    const QStringList errors = note->text().split(QStringLiteral("; "));
    ASSERT_EQ(errors.size(), 2) << note->text().toStdString();
    EXPECT_TRUE(errors[0].startsWith("Web Graph: ")) << errors[0].toStdString();
    EXPECT_TRUE(errors[1].startsWith("nosuch: ")) << errors[1].toStdString();
    EXPECT_GT(note->fontMetrics().horizontalAdvance(note->text()), note->width());  // cut in the bar
    QTest::mouseClick(note, Qt::LeftButton);
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_EQ(ui.messages()[0], errors.join('\n'));
    if (const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR"); !shots.isEmpty())
        window->grab().save(QDir(shots).filePath("status_source_errors.png"));
}

// Which grids the notice speaks for: no count read anywhere, and some
// column on a built-in engine.
TEST_F(StatusNoticeTest, TheNoticeSpeaksOnlyForAnEmptyScanOnBuiltInEngines) {
    const QString ini = app.file("settings.ini");
    const QString all = "Google, Altavista, Yahoo!, Ask, MSN, All The Web";
    const struct {
        const char* name;
        QByteArray sources;
        QStringList cells;  // the first row's engine cells
        QList<bool> read;
        QString silent;
    } cases[] = {
        {"nothing came back", "", {"", "", "", "", "", ""}, {true, true, true, true, true, true}, all},
        {"a count came back", "", {"", "", "12", "", "", ""}, {true, true, true, true, true, true}, QString()},
        {"Ask's 0 was not read", "", {"", "", "", "0", "", ""}, {true, true, true, false, true, true}, all},
        {"a zero was read", "", {"", "", "", "0", "", ""}, {true, true, true, true, true, true}, QString()},
        {"two built-ins left", "[Sources]\r\nGoogle=webgraph\r\nAltavista=off\r\nYahoo=off\r\nAsk=off\r\n",
         {"", "", "", "", "", ""}, {true, true, true, true, true, true}, "MSN, All The Web"},
        {"no built-in left",
         "[Sources]\r\nGoogle=webgraph\r\nAltavista=off\r\nYahoo=off\r\nAsk=off\r\nMSN=off\r\nATW=off\r\n",
         {"", "", "", "", "", ""}, {true, true, true, true, true, true}, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        app.write("settings.ini", c.sources);
        ResultsGrid grid;
        EXPECT_TRUE(FirstScanNotice::silentBuiltIns(grid, ini).isEmpty());  // no scan, nothing to explain
        const int row = grid.insertRowAt(0, QStringLiteral("http://a.example/"));
        for (int k = 0; k < kEngineCount; ++k)
            grid.setEngineCell(row, ResultsGrid::kFirstEngineColumn + k, c.cells[k], c.read[k]);
        EXPECT_EQ(FirstScanNotice::silentBuiltIns(grid, ini).join(QStringLiteral(", ")), c.silent);
    }
}

TEST_F(StatusNoticeTest, AnEmptyScanOnBuiltInEnginesExplainsItselfOnceUnderTheGrid) {
    app.write("settings.ini", deadEngines());
    open();
    auto* notice = window->findChild<FirstScanNotice*>(QStringLiteral("FirstScanNotice"));
    auto* grid = window->findChild<QTreeView*>(QStringLiteral("ListView1"));
    ASSERT_TRUE(notice && grid);
    const QRect fullGrid = grid->geometry();
    EXPECT_FALSE(notice->isVisible());
    ASSERT_TRUE(scan({QStringLiteral("http://www.example.com/"), QStringLiteral("http://example.org/")}));
    // The status texts stay as they are.
    EXPECT_EQ(window->statusPanelText(1), "Search Complete.  Found 0 links.");
    ASSERT_TRUE(notice->isVisible());
    EXPECT_TRUE(notice->text().contains("no longer answer link queries")) << notice->text().toStdString();
    // Under the grid, inside the page, the grid shortened to make room.
    EXPECT_EQ(notice->parentWidget(), grid->parentWidget());
    EXPECT_GE(notice->y(), grid->geometry().bottom());
    EXPECT_LE(notice->geometry().bottom(), fullGrid.bottom());
    EXPECT_EQ(notice->x(), grid->x());
    EXPECT_LT(grid->height(), fullGrid.height());
    auto* options = notice->findChild<QPushButton*>(QStringLiteral("cmdNoticeOptions"));
    EXPECT_TRUE(notice->rect().contains(options->geometry())) << "the button fits in the notice";
    if (const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR"); !shots.isEmpty())
        window->grab().save(QDir(shots).filePath("first_scan_notice.png"));

    // Its button opens Options, on the sources' page where there is one.
    QTest::mouseClick(options, Qt::LeftButton);
    Form2* dialog = Form2::instance();
    ASSERT_NE(dialog, nullptr);
    if (auto* pages = dialog->findChild<QTabWidget*>()) EXPECT_EQ(pages->currentWidget()->objectName(), "tabSources");
    dialog->close();
    ASSERT_TRUE(spinUntil([] { return Form2::instance() == nullptr; }));

    // Closed, it stays closed for the run, and the grid has its room back.
    QTest::mouseClick(notice->findChild<QPushButton*>(QStringLiteral("cmdNoticeClose")), Qt::LeftButton);
    EXPECT_FALSE(notice->isVisible());
    EXPECT_EQ(grid->geometry(), fullGrid);
    ASSERT_TRUE(scan({QStringLiteral("http://www.example.com/")}));
    EXPECT_FALSE(notice->isVisible());
}

}  // namespace
