#include "config/settings_table.h"
#include "results/results_grid.h"
#include "scripted_platform.h"
#include "shell/main_window.h"
#include "support/sim_fixture.h"
#include "support/qt_gtest_printers.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"
#include "urllist/url_list_view.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include "active_window.h"
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

class MainWindowTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        window = std::make_unique<Form1>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        // Shortcuts reach the active window only.
        ASSERT_TRUE(activateForKeys(window.get()));
    }

    template <typename T>
    T* child(const char* name) {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QAction* action(const char* name) { return child<QAction>(name); }
    void click(const char* button) { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    QStringList urls() { return window->urlList()->entries(); }
    QTreeView* grid() { return child<QTreeView>("ListView1"); }
    QString cell(int row, int column) { return window->resultsGrid().cell(row, column); }
    bool scanToEnd() {
        click("Command1");
        return spinUntil([&] { return window->scanDriver().isIdle(); }, 30000);
    }
    void clickHeader(int column) {
        QHeaderView* h = grid()->header();
        const QPoint p(h->sectionViewportPosition(column - 1) + 5, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, p);
    }
    QPoint rowPoint(int row) {
        return grid()->visualRect(grid()->model()->index(row, 0)).center();
    }

    ScriptedPlatform ui;
    std::unique_ptr<Form1> window;
};

TEST_F(MainWindowTest, AddUrlKeepsOnlyAnswersLongerThanTheScheme) {
    ui.inputAnswers = {QStringLiteral("http://a"), QStringLiteral("http://"), std::nullopt,
                       QStringLiteral(" spaced entry ")};
    click("cmdAdd");
    action("mnuNewURL")->trigger();
    action("mnuURLNewURL")->trigger();
    QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(urls(), (QStringList{"http://a", " spaced entry "}));
    ASSERT_EQ(ui.asked.size(), 4);
    EXPECT_EQ(ui.asked[0].text, QStringLiteral("Please enter a URL"));
    EXPECT_EQ(ui.asked[0].caption, QStringLiteral("New URL"));
    EXPECT_EQ(ui.asked[0].initial, QStringLiteral("http://"));
}

TEST_F(MainWindowTest, DeleteSelectsTheFollowingEntryAndNothingAfterTheLast) {
    window->urlList()->appendEntries({"a", "b", "c"});
    auto* list = child<QListView>("List1");
    list->setCurrentIndex(list->model()->index(1, 0));
    click("cmdDel");
    EXPECT_EQ(urls(), (QStringList{"a", "c"}));
    EXPECT_EQ(window->urlList()->selectedIndex(), 1);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(urls(), (QStringList{"a"}));
    EXPECT_EQ(window->urlList()->selectedIndex(), -1);
    click("cmdDel");  // nothing selected: nothing happens
    EXPECT_EQ(urls(), (QStringList{"a"}));
}

TEST_F(MainWindowTest, ClearListAsksFirst) {
    window->urlList()->appendEntries({"a", "b"});
    ui.messageAnswers = {UiPlatform::Answer::No, UiPlatform::Answer::Yes};
    action("mnuClearList")->trigger();
    EXPECT_EQ(urls().size(), 2);
    action("mnuClearList")->trigger();
    EXPECT_TRUE(urls().isEmpty());
    ASSERT_EQ(ui.asked.size(), 2);
    EXPECT_EQ(ui.asked[0].text, QStringLiteral("This will delete all the URLs, Continue?"));
    EXPECT_EQ(ui.asked[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(ui.asked[0].buttons, UiPlatform::Buttons::YesNo);
    EXPECT_EQ(ui.asked[0].icon, UiPlatform::Icon::None);
}

TEST_F(MainWindowTest, LoadAndSaveGoThroughTheDialogsInTheListsFolder) {
    app.write(QStringLiteral("Lists/in.txt"), "http://x\r\n\r\n  \r\nhttp://y\r\n");
    window->urlList()->appendEntries({"kept"});
    ui.fileAnswers = {app.file(QStringLiteral("Lists/in.txt")), std::nullopt,
                      app.file(QStringLiteral("Lists/out")), std::nullopt};
    click("cmdOpen");
    EXPECT_EQ(urls(), (QStringList{"kept", "http://x", "  ", "http://y"}));
    action("mnuOpenURLList")->trigger();  // cancelled: nothing changes
    EXPECT_EQ(urls().size(), 4);
    click("cmdSave");
    EXPECT_EQ(app.read(QStringLiteral("Lists/out.txt")), QByteArray("kept\r\nhttp://x\r\n  \r\nhttp://y\r\n"));
    action("mnuSaveUrlList")->trigger();  // cancelled: nothing written

    ASSERT_EQ(ui.asked.size(), 4);
    EXPECT_EQ(ui.asked[0].kind, QStringLiteral("open"));
    EXPECT_EQ(ui.asked[0].text, QStringLiteral("Select a file"));
    EXPECT_EQ(ui.asked[0].filters, (QStringList{"Text Files (*.txt)|*.TXT"}));
    EXPECT_EQ(ui.asked[0].folder, app.file(QStringLiteral("Lists")));
    EXPECT_EQ(ui.asked[2].kind, QStringLiteral("save"));
    EXPECT_EQ(ui.asked[2].filters, (QStringList{"Text Files (*.txt)|*.TXT", "All Files (*.*)|*.*"}));
    EXPECT_EQ(ui.asked[2].folder, app.file(QStringLiteral("Lists")));
    EXPECT_EQ(ui.asked[2].initial, QStringLiteral("txt"));  // the suffix the dialog puts on a bare name
}

TEST_F(MainWindowTest, FilesThatCannotBeReadOrWrittenAreNamedInAMessage) {
    window->urlList()->appendEntries({"a"});
    const QString missing = app.file(QStringLiteral("Lists/missing.txt"));
    const QString target = app.file(QStringLiteral("Lists/nowhere/x.txt"));
    ui.fileAnswers = {missing, target};
    click("cmdOpen");
    click("cmdSave");
    EXPECT_EQ(urls(), (QStringList{"a"}));
    const QStringList messages = ui.messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains(missing)) << messages[0].toStdString();
    EXPECT_TRUE(messages[1].contains(target)) << messages[1].toStdString();
}

TEST_F(MainWindowTest, ClipboardImportNormalisesEachLine) {
    ui.clipboard = QStringLiteral("www.example.com\r\n\r\nexample.org\nHTTP://Example.com/page");
    action("mnuOpenClipboard")->trigger();
    EXPECT_EQ(urls(), (QStringList{"http://www.example.com", "http://www.example.org", "HTTP://Example.com/page"}));
}

TEST_F(MainWindowTest, AScanFillsTheGridAndWalksTheButtonsThroughTheStates) {
    window->urlList()->appendEntries({"http://count-100.example/", "http://count-300.slow-20.example/",
                                      "http://count-20.example/"});
    auto* start = child<QPushButton>("Command1");
    auto* stop = child<QPushButton>("Command2");
    EXPECT_EQ(start->text(), QStringLiteral("Start"));
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_FALSE(action("mnuStop")->isEnabled());

    click("Command1");
    EXPECT_EQ(start->text(), QStringLiteral("Searching..."));
    EXPECT_FALSE(start->isEnabled());
    EXPECT_TRUE(stop->isEnabled());
    EXPECT_TRUE(action("mnuStop")->isEnabled());
    EXPECT_TRUE(child<QProgressBar>("ProgressBar1")->isVisible());
    ASSERT_TRUE(spinUntil([&] { return window->statusPanelText(1).startsWith("Scanning http://count-300"); }));

    ASSERT_TRUE(spinUntil([&] { return window->scanDriver().isIdle(); }, 30000));
    EXPECT_EQ(start->text(), QStringLiteral("Start"));
    EXPECT_TRUE(start->isEnabled());
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_FALSE(child<QProgressBar>("ProgressBar1")->isVisible());
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Search Complete.  Found 2520 links."));
    // Auto-sort: most popular on top, each row with its rank icon.
    EXPECT_EQ(cell(0, 0), QStringLiteral("http://count-300.slow-20.example/"));
    EXPECT_EQ(cell(2, 0), QStringLiteral("http://count-20.example/"));
    for (int row = 0; row < 3; ++row)
        EXPECT_FALSE(grid()->model()->index(row, 0).data(Qt::DecorationRole).isNull()) << row;
}

TEST_F(MainWindowTest, StopFinishesTheAddressUnderWay) {
    settings::saveFlag(Setting::AutoSort, false);
    window->urlList()->appendEntries({"http://count-1.slow-30.example/", "http://count-2.example/"});
    click("Command1");
    ASSERT_TRUE(spinUntil([&] { return window->scanDriver().progressValue() >= 1; }));
    click("Command2");
    EXPECT_FALSE(child<QProgressBar>("ProgressBar1")->isVisible());
    EXPECT_EQ(child<QPushButton>("Command1")->text(), QStringLiteral("Searching..."));
    ASSERT_TRUE(spinUntil([&] { return window->scanDriver().isIdle(); }));
    EXPECT_EQ(window->resultsGrid().rowCount(), 1);
    EXPECT_EQ(cell(0, 1), QStringLiteral("6"));
    EXPECT_EQ(window->statusPanelText(1), QStringLiteral("Scanning http://count-1.slow-30.example/ on All The Web"));
    EXPECT_EQ(child<QPushButton>("Command1")->text(), QStringLiteral("Start"));
    // The next Start runs a whole scan.
    ASSERT_TRUE(scanToEnd());
    EXPECT_EQ(window->resultsGrid().rowCount(), 2);
}

// An engine asks for half a minute: the status bar says so, and Stop ends the
// wait at once instead of sitting it out.
TEST_F(MainWindowTest, AnEnginesWaitIsShownAndStopEndsIt) {
    settings::saveFlag(Setting::AutoSort, false);
    window->urlList()->appendEntries({"http://retry-30.count-1.example/", "http://count-2.example/"});
    auto* panel = child<QLabel>("StatusBar1Panel1");
    // Seen as it is written: the embedded browser writes its own texts there too.
    const QString waitText = QStringLiteral("Google asked to wait 30 s");
    QString seen;
    QImage shown;
    QObject::connect(&window->scanDriver(), &ScanDriver::statusTextChanged, panel, [&](const QString& text) {
        if (text != waitText) return;
        seen = panel->text();
        shown = panel->grab().toImage();
    });
    click("Command1");
    ASSERT_TRUE(spinUntil([&] { return !shown.isNull(); }));
    EXPECT_EQ(seen, waitText);
    int ink = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) ink += qGray(shown.pixel(x, y)) < 100;
    EXPECT_GT(ink, 50) << "the wait is written where the user can read it";
    if (const QByteArray dir = qgetenv("QUILLMARK_SHOT_DIR"); !dir.isEmpty())
        window->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/main_window_wait.png"));
    QElapsedTimer clock;
    clock.start();
    click("Command2");
    ASSERT_TRUE(spinUntil([&] { return window->scanDriver().isIdle(); }, 2000));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(window->resultsGrid().rowCount(), 1);
    EXPECT_EQ(cell(0, 1), QStringLiteral("0"));  // a 429 is no count
    EXPECT_EQ(child<QPushButton>("Command1")->text(), QStringLiteral("Start"));
}

TEST_F(MainWindowTest, HeaderClicksToggleEachColumnOnItsOwn) {
    settings::saveFlag(Setting::AutoSort, false);
    window->urlList()->appendEntries({"http://count-900.example/", "http://count-1000.example/",
                                      "http://b.nolinks.example/"});
    ASSERT_TRUE(scanToEnd());
    auto order = [&] { return QStringList{cell(0, 1), cell(1, 1), cell(2, 1)}; };
    clickHeader(2);  // Total: ascending, numerically
    EXPECT_EQ(order(), (QStringList{"0", "5400", "6000"}));
    clickHeader(2);
    EXPECT_EQ(order(), (QStringList{"6000", "5400", "0"}));
    clickHeader(2);
    EXPECT_EQ(order(), (QStringList{"0", "5400", "6000"}));
    clickHeader(3);  // Google starts from its own toggle: ascending
    EXPECT_EQ((QStringList{cell(0, 2), cell(1, 2), cell(2, 2)}), (QStringList{"0", "900", "1000"}));
    clickHeader(1);  // Domain Name sorts as text
    EXPECT_EQ(cell(0, 0), QStringLiteral("http://b.nolinks.example/"));
    EXPECT_TRUE(window->columnSortAscending(1));
    EXPECT_TRUE(window->columnSortAscending(2));
}

TEST_F(MainWindowTest, TheHeaderArrowShowsTheSortTheGridIsIn) {
    QHeaderView* header = grid()->header();
    auto arrow = [&] {
        return header->isSortIndicatorShown()
                   ? QString("%1 %2").arg(header->sortIndicatorSection()).arg(header->sortIndicatorOrder())
                   : QString("none");
    };
    const QString totalDescending = QString("1 %1").arg(Qt::DescendingOrder);
    EXPECT_EQ(arrow(), "none");
    window->urlList()->appendEntries({"http://count-5.example/", "http://count-9.slow-20.example/"});
    ASSERT_TRUE(scanToEnd());  // auto-sort: by total, descending
    EXPECT_EQ(arrow(), totalDescending);
    clickHeader(3);
    EXPECT_EQ(arrow(), QString("2 %1").arg(Qt::AscendingOrder));

    click("Command1");
    EXPECT_EQ(arrow(), "none") << "a scan unsorts the grid";
    clickHeader(3);  // refused while the scan runs
    EXPECT_EQ(arrow(), "none");
    ASSERT_TRUE(spinUntil([&] { return window->scanDriver().isIdle(); }, 30000));
    EXPECT_EQ(arrow(), totalDescending);

    settings::saveFlag(Setting::AutoSort, false);
    ASSERT_TRUE(scanToEnd());
    EXPECT_EQ(arrow(), "none");
}

TEST_F(MainWindowTest, HeaderClicksAreRefusedWhileAScanRuns) {
    settings::saveFlag(Setting::AutoSort, false);
    window->urlList()->appendEntries({"http://count-5.slow-30.example/", "http://count-1.example/"});
    click("Command1");
    ASSERT_TRUE(spinUntil([&] { return window->scanDriver().progressValue() >= 1; }));
    clickHeader(2);
    EXPECT_FALSE(window->columnSortAscending(2));
    ASSERT_TRUE(spinUntil([&] { return window->scanDriver().isIdle(); }));
}

TEST_F(MainWindowTest, RightClickSelectsTheRowAndNamesItInThePopup) {
    settings::saveFlag(Setting::AutoSort, false);
    window->urlList()->appendEntries({"http://count-1.example/", "http://count-2.example/"});
    ASSERT_TRUE(scanToEnd());
    QWidget* viewport = grid()->viewport();
    auto* menu = child<QMenu>("mnuListView");
    QTest::mousePress(viewport, Qt::RightButton, {}, rowPoint(1));
    QTest::mouseRelease(viewport, Qt::RightButton, {}, rowPoint(1));
    EXPECT_EQ(grid()->selectionModel()->selectedRows().value(0).row(), 1);
    EXPECT_EQ(action("mnuSaveResults")->text(), QStringLiteral("Save Result For http://count-2.example/"));
    EXPECT_TRUE(spinUntil([&] { return menu->isVisible(); }, 2000));
    menu->hide();

    const QPoint below(10, viewport->height() - 5);
    QTest::mousePress(viewport, Qt::RightButton, {}, below);
    QTest::mouseRelease(viewport, Qt::RightButton, {}, below);
    EXPECT_TRUE(grid()->selectionModel()->selectedRows().isEmpty());
    QTest::qWait(50);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(action("mnuSaveResults")->text(), QStringLiteral("Save Result For http://count-2.example/"));
}

TEST_F(MainWindowTest, ClearResultsEmptiesBothListsFromButtonAndMenu) {
    window->urlList()->appendEntries({"http://count-1.example/"});
    ASSERT_TRUE(scanToEnd());
    EXPECT_EQ(window->websiteList().rowCount(), 7);
    click("Command5");
    EXPECT_EQ(window->resultsGrid().rowCount(), 0);
    EXPECT_EQ(window->websiteList().rowCount(), 0);
    ASSERT_TRUE(scanToEnd());
    action("mnuClearResults")->trigger();
    EXPECT_EQ(window->resultsGrid().rowCount(), 0);
}

TEST_F(MainWindowTest, TheListPopupEnablesWhatCanBeDone) {
    auto* list = child<QListView>("List1");
    auto* menu = child<QMenu>("mnuURL");
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(spinUntil([&] { return menu->isVisible(); }, 2000));
    EXPECT_FALSE(action("mnuDeleteSelect")->isEnabled());
    EXPECT_FALSE(action("mnuURLSaveUrlList")->isEnabled());
    EXPECT_TRUE(action("mnuSaveUrlList")->isEnabled());
    menu->hide();
    window->urlList()->appendEntries({"a"});
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::mousePress(list->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(spinUntil([&] { return menu->isVisible(); }, 2000));
    EXPECT_TRUE(action("mnuDeleteSelect")->isEnabled());
    EXPECT_TRUE(action("mnuURLSaveUrlList")->isEnabled());
    menu->hide();
}

}  // namespace
