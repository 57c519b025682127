#include "config/settings_table.h"
#include "scripted_platform.h"
#include "shell/about_box.h"
#include "shell/help_window.h"
#include "shell/main_window.h"
#include "desktop/program_end_ui.h"
#include "support/qt_gtest_printers.h"
#include "support/sim_fixture.h"
#include "support/test_environment.h"
#include "urllist/url_list_view.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include "active_window.h"
#include <QTest>
#include <QTreeView>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <functional>
#include <gtest/gtest.h>

namespace {

class MenusTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        settings::saveFlag(Setting::ShowHelp, false);
        QFile::copy(QStringLiteral(QUILLMARK_SHIPPED_APP "/Help.rtf"), app.file(QStringLiteral("Help.rtf")));
        setEndProgramHandler([this] { ++ended; });
        window = std::make_unique<Form1>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        ASSERT_TRUE(activateForKeys(window.get()));
    }
    void TearDown() override {
        window.reset();
        setEndProgramHandler({});
    }

    ScriptedPlatform ui;
    std::unique_ptr<Form1> window;
    int ended = 0;
};

// One line per item as the menu shows it: name, caption, shortcut, enabled;
// "-" for a separator.
QStringList menuLines(const QMenu* menu) {
    QStringList lines;
    for (const QAction* a : menu->actions()) {
        if (a->isSeparator()) {
            lines << "-";
            continue;
        }
        lines << QString("%1|%2|%3|%4")
                     .arg(a->objectName(), a->text(), a->shortcut().toString(QKeySequence::PortableText),
                          a->isEnabled() ? "on" : "off");
    }
    return lines;
}

TEST_F(MenusTest, EveryMenuItemAsDesigned) {
    QStringList bar;
    for (const QAction* a : window->menuBar()->actions()) bar << a->text();
    EXPECT_EQ(bar, (QStringList{"&File", "&Scan", "&Options", "&Help", "&About"}));

    struct Menu {
        const char* name;
        QStringList lines;
    };
    const Menu menus[] = {
        {"mnuFile",
         {"mnuNewURL|&Add URL|Ctrl+N|on", "-", "mnuSaveUrlList|&Save URL List to File|Ctrl+S|on",
          "mnuExportResults|&Export Results...||on", "mnuSaveAll|Sa&ve All||on",
          "mnuOpenURLList|&Load URL List from File|Ctrl+O|on",
          "mnuOpenClipboard|Load URL List from &Clipboard|Ctrl+V|on", "-", "mnuExitNow|E&xit|Ctrl+Q|on"}},
        {"mnuScanMenu", {"mnuScan|&Start Scan||on", "mnuStop|S&top Scan||off"}},
        {"mnuOptions", {"mnuConfig|&View Options||on"}},
        {"mnuHelp", {"mnuHelpItem|&View Help|F1|on"}},
        {"mnuAboutMenu", {"mnuAbout|&About this software||on"}},
        // Never on the menu bar: the tools menu stays hidden, the other two pop up.
        {"mnuTools", {"mnuGraph|View Graph...||on"}},
        {"mnuURL",
         {"mnuURLNewURL|New URL||on", "-", "mnuDeleteSelect|Delete Selected|Del|on",
          "mnuClearList|C&lear list|Shift+Del|on", "-", "mnuURLLoadUrlList|Load URL List from File||on",
          "mnuLoadClipboard|Load URL List from Clipboard||on", "mnuURLSaveUrlList|Save URL List to File||on"}},
        {"mnuListView",
         {"mnuSaveResults|Save Results||on", "mnuWebResults|Web Results||on", "mnuClearResults|Clear Results||on"}},
    };
    for (const Menu& m : menus) {
        const auto* menu = window->findChild<QMenu*>(m.name);
        ASSERT_NE(menu, nullptr) << m.name;
        EXPECT_EQ(menuLines(menu), m.lines) << m.name;
        const bool onBar = window->menuBar()->actions().contains(menu->menuAction());
        EXPECT_EQ(onBar, QByteArray(m.name) != "mnuTools" && QByteArray(m.name) != "mnuURL" &&
                             QByteArray(m.name) != "mnuListView")
            << m.name;
    }
}

TEST_F(MenusTest, EachShortcutReachesItsCommand) {
    auto* list = window->findChild<QListView*>("List1");
    ui.clipboard = QStringLiteral("example.com");
    const QString listPath = app.file("Lists/in.txt");
    app.write("Lists/in.txt", "http://a\r\nhttp://b\r\n");
    ui.fileAnswers = {listPath, std::nullopt};
    ui.inputAnswers = {QStringLiteral("http://added")};
    ui.messageAnswers = {UiPlatform::Answer::Yes};
    struct Press {
        const char* name;
        int key;
        Qt::KeyboardModifiers modifiers;
        QStringList urls;     // the URL list afterwards
        QString lastAsked;    // the kind of the last question asked
    };
    const Press presses[] = {
        {"Ctrl+N", Qt::Key_N, Qt::ControlModifier, {"http://added"}, "input"},
        {"Ctrl+O", Qt::Key_O, Qt::ControlModifier, {"http://added", "http://a", "http://b"}, "open"},
        {"Ctrl+V", Qt::Key_V, Qt::ControlModifier, {"http://added", "http://a", "http://b", "http://www.example.com"}, "open"},
        {"Del", Qt::Key_Delete, Qt::NoModifier, {"http://added", "http://b", "http://www.example.com"}, "open"},
        {"Ctrl+S", Qt::Key_S, Qt::ControlModifier, {"http://added", "http://b", "http://www.example.com"}, "save"},
        {"Shift+Del", Qt::Key_Delete, Qt::ShiftModifier, {}, "message"},
    };
    for (const Press& p : presses) {
        if (p.key == Qt::Key_Delete) {
            list->setFocus();
            list->setCurrentIndex(list->model()->index(1, 0));
        }
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(),
                        static_cast<Qt::Key>(p.key), p.modifiers);
        EXPECT_EQ(window->urlList()->entries(), p.urls) << p.name;
        EXPECT_EQ(ui.asked.isEmpty() ? QString() : ui.asked.last().kind, p.lastAsked) << p.name;
    }
    EXPECT_EQ(ended, 0);
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(ended, 1) << "Ctrl+Q closes the main window, which ends the program";
}

// Ctrl+X is Cut: on the grid it does nothing, in a page of the Website View it
// cuts the page's selected text, and neither ends the program.
TEST_F(MenusTest, CtrlXCutsAndNeverQuits) {
    auto* grid = window->findChild<QTreeView*>("ListView1");
    ASSERT_NE(grid, nullptr);
    window->resultsGrid().appendRow({QStringLiteral("http://www.example.com"), QStringLiteral("5")});
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(window->resultsGrid().rowCount(), 1);

    window->selectTab(Form1::kWebsiteViewTab);
    auto* browser = window->findChild<QWebEngineView*>("WebBrowser1");
    ASSERT_NE(browser, nullptr);
    QSignalSpy loaded(browser, &QWebEngineView::loadFinished);
    browser->setHtml(QStringLiteral("<input id=t value=hello>"));
    ASSERT_TRUE(spinUntil([&] { return !loaded.isEmpty(); }, 30000));
    const auto js = [&](const QString& script) {
        QVariant answer;
        bool done = false;
        browser->page()->runJavaScript(script, [&](const QVariant& v) { answer = v; done = true; });
        spinUntil([&] { return done; }, 5000);
        return answer;
    };
    // The tab's own first page may report its load after ours began.
    ASSERT_TRUE(spinUntil([&] { return js(QStringLiteral("document.getElementById('t') !== null")).toBool(); }, 10000));
    browser->setFocus();
    js(QStringLiteral("var t = document.getElementById('t'); t.focus(); t.select(); 1"));
    QWidget* target = browser->focusProxy() ? browser->focusProxy() : browser;
    QTest::keyClick(target, Qt::Key_X, Qt::ControlModifier);
    spinUntil([&] { return js(QStringLiteral("document.getElementById('t').value")).toString().isEmpty(); }, 5000);
    EXPECT_EQ(js(QStringLiteral("document.getElementById('t').value")).toString(), QString());
    EXPECT_EQ(ended, 0);
}

}  // namespace

namespace {

// What the clipboard import makes of pasted addresses, through Ctrl+V.
TEST_F(MenusTest, ClipboardImportKeepsSchemesAndTrims) {
    ui.clipboard = QStringLiteral(
        "https://www.example.com\r\nhttps://secure.example.com/path\r\nhttp://  www.example.net  \r\n"
        "  www.example.net  \r\n\texample.org\t\r\n \r\n");
    QTest::keyClick(window.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(window->urlList()->entries(),
              (QStringList{"https://www.example.com", "https://secure.example.com/path", "http://  www.example.net",
                           "http://www.example.net", "http://www.example.org"}));
}

}  // namespace

namespace {

// Alt and a menu's access key opens it; the item's access key then runs it.
TEST_F(MenusTest, AccessKeysOpenEveryMenuAndRunTheirItems) {
    struct Key {
        Qt::Key menuKey;
        const char* menu;
        Qt::Key itemKey;
        std::function<bool()> ran;
    };
    ui.inputAnswers = {QStringLiteral("http://by.access.key")};
    const Key keys[] = {
        {Qt::Key_F, "mnuFile", Qt::Key_A, [&] { return window->urlList()->entries() == QStringList{"http://by.access.key"}; }},
        {Qt::Key_O, "mnuOptions", Qt::Key_Escape, [] { return true; }},
        {Qt::Key_S, "mnuScanMenu", Qt::Key_Escape, [] { return true; }},
        {Qt::Key_H, "mnuHelp", Qt::Key_V, [] { return Form8::instance() && Form8::instance()->isVisible(); }},
        {Qt::Key_A, "mnuAboutMenu", Qt::Key_A, [] { return frmAbout::instance() && frmAbout::instance()->isVisible(); }},
        {Qt::Key_F, "mnuFile", Qt::Key_X, [&] { return ended == 1; }},
    };
    for (const Key& k : keys) {
        SCOPED_TRACE(k.menu);
        ASSERT_TRUE(activateForKeys(window.get()));
        auto* menu = window->findChild<QMenu*>(k.menu);
        ASSERT_NE(menu, nullptr);
        QTest::keyClick(window.get(), k.menuKey, Qt::AltModifier);
        ASSERT_TRUE(spinUntil([&] { return menu->isVisible(); }, 3000));
        QTest::keyClick(menu, k.itemKey);
        EXPECT_TRUE(spinUntil(k.ran, 3000));
        spinUntil([&] { return !menu->isVisible(); }, 3000);
        Form8::unloadInstance();
        frmAbout::unloadInstance();
    }
}

// F1 opens the help window; Escape closes it, and the about box too.
TEST_F(MenusTest, F1OpensHelpAndEscapeClosesHelpAndAbout) {
    ASSERT_EQ(Form8::instance(), nullptr);
    QTest::keyClick(window.get(), Qt::Key_F1);
    ASSERT_NE(Form8::instance(), nullptr);
    QWidget* help = Form8::instance();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    ASSERT_TRUE(activateForKeys(help));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : help, Qt::Key_Escape);
    EXPECT_TRUE(spinUntil([] { return Form8::instance() == nullptr || !Form8::instance()->isVisible(); }, 3000));

    window->findChild<QAction*>("mnuAbout")->trigger();
    QWidget* about = frmAbout::instance();
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about));
    ASSERT_TRUE(activateForKeys(about));
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : about, Qt::Key_Escape);
    EXPECT_TRUE(spinUntil([] { return frmAbout::instance() == nullptr || !frmAbout::instance()->isVisible(); }, 3000));
    EXPECT_EQ(ended, 0);
}

// Tabbed into, the grid marks a current row without selecting it.
TEST_F(MenusTest, TheGridShowsWhereTheKeyboardIs) {
    window->resultsGrid().appendRow({QStringLiteral("http://a.com"), QStringLiteral("1")});
    window->resultsGrid().appendRow({QStringLiteral("http://b.com"), QStringLiteral("2")});
    auto* grid = window->findChild<QTreeView*>("ListView1");
    ASSERT_NE(grid, nullptr);
    EXPECT_FALSE(grid->currentIndex().isValid());
    grid->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(spinUntil([&] { return grid->hasFocus(); }, 3000));
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_TRUE(grid->selectionModel()->selectedRows().isEmpty());
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->currentIndex().row(), 1);
}

}  // namespace
