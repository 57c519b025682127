#include "branding_guard.h"
#include "browse/website_view_page.h"
#include "browse/website_window.h"
#include "history/chart_view_page.h"
#include "config/settings_store.h"
#include "config/settings_table.h"
#include "local_web_server.h"
#include "scripted_platform.h"
#include "shell/about_box.h"
#include "shell/help_window.h"
#include "shell/main_window.h"
#include "desktop/program_end_ui.h"
#include "shell/settings_dialog.h"
#include "desktop/twips.h"
#include "support/settings_snapshot.h"
#include "support/sim_fixture.h"
#include "support/qt_gtest_printers.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"
#include "urllist/url_list_view.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

// The main window as the splash hands it over: branding loaded, a help file
// beside it, the stand-in engines behind the templates, and the maker's
// website on 127.0.0.1.
class MainWindowShellTest : public SimFixture {
protected:
    void SetUp() override {
        site.addPage(QByteArray("/"), "Maker home", "<p>home</p>");
        site.start();
        BrandingRecord values = builtInBranding();
        values.websiteAddress = site.bareAddress(QByteArray("/"));
        BrandingGuard::use(values);
        setEndProgramHandler([this] { ++ended; });
        SimFixture::SetUp();
        QFile::copy(QStringLiteral(QUILLMARK_SHIPPED_APP "/Help.rtf"), app.file(QStringLiteral("Help.rtf")));
        forgetSetting(Setting::ShowHelp);
        settings::saveFlag(Setting::AutoSort, false);
        settings::saveFlag(Setting::ClearFirst, true);
    }
    void TearDown() override {
        window.reset();
        frmWebsite::unloadInstance();
        Form8::unloadInstance();
        frmAbout::unloadInstance();
        setEndProgramHandler({});
    }

    void open() {
        window = std::make_unique<Form1>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    template <typename T>
    T* child(const char* name) {
        T* w = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    int currentTab() { return child<QTabWidget>("TabStrip1")->currentIndex(); }
    bool scan(const QStringList& urls) {
        window->urlList()->appendEntries(urls);
        QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
        return spinUntil([&] { return window->scanDriver().isIdle(); }, 30000);
    }
    QRect pixels(const char* name) { return child<QWidget>(name)->geometry(); }

    ScriptedPlatform ui;
    LocalWebServer site;
    BrandingGuard guard;
    int ended = 0;
    std::unique_ptr<Form1> window;
};

TEST_F(MainWindowShellTest, AFirstStartShowsCaptionsAndTheHelpWindowTicked) {
    open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillmark by Quillmark Software"));
    EXPECT_EQ(child<QPushButton>("Command3")->text(), QStringLiteral("Visit ") + site.bareAddress(QByteArray("/")));
    EXPECT_FALSE(child<QAction>("mnuStop")->isEnabled());
    EXPECT_EQ(window->statusPanelText(1), QString());
    EXPECT_EQ(currentTab(), Form1::kDataViewTab);
    ASSERT_NE(Form8::instance(), nullptr);
    EXPECT_TRUE(Form8::instance()->isVisible());
    EXPECT_TRUE(Form8::instance()->findChild<QCheckBox*>("Check1")->isChecked());
}

TEST_F(MainWindowShellTest, ShowHelpZeroOpensNoHelpWindowButViewHelpDoes) {
    settings::saveFlag(Setting::ShowHelp, false);
    open();
    EXPECT_EQ(Form8::instance(), nullptr);
    child<QAction>("mnuHelpItem")->trigger();
    ASSERT_NE(Form8::instance(), nullptr);
    EXPECT_FALSE(Form8::instance()->findChild<QCheckBox*>("Check1")->isChecked());
}

TEST_F(MainWindowShellTest, MenuItemsAndButtonsReachTheirWindows) {
    settings::saveFlag(Setting::ShowHelp, false);
    open();
    child<QAction>("mnuAbout")->trigger();
    ASSERT_NE(frmAbout::instance(), nullptr);
    EXPECT_TRUE(frmAbout::instance()->isVisible());

    QTest::mouseClick(child<QPushButton>("Command6"), Qt::LeftButton);
    ASSERT_NE(Form2::instance(), nullptr);
    EXPECT_FALSE(Form2::instance()->isModal());
    Form2::instance()->close();
    ASSERT_TRUE(spinUntil([] { return Form2::instance() == nullptr; }));

    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        if (Form2* d = Form2::instance()) {
            wasModal = d->isModal();
            d->close();
        }
    });
    child<QAction>("mnuConfig")->trigger();  // returns when the modal dialog closes
    EXPECT_TRUE(wasModal);

    QTest::mouseClick(child<QPushButton>("Command3"), Qt::LeftButton);
    ASSERT_TRUE(frmWebsite::isOpen());

    child<QAction>("mnuOpenClipboard")->trigger();
    ui.clipboard = QStringLiteral("example.com");
    child<QAction>("mnuOpenClipboard")->trigger();
    EXPECT_EQ(window->urlList()->entries(), (QStringList{"http://www.example.com"}));
}

TEST_F(MainWindowShellTest, WebResultsJumpsToTheAddressPagesFromEveryEntry) {
    settings::saveFlag(Setting::ShowHelp, false);
    open();
    QTest::mouseClick(child<QPushButton>("Command12"), Qt::LeftButton);
    EXPECT_EQ(ui.messages(),
              (QStringList{"You must first select the item in the results list you wish to view web results for."}));
    EXPECT_EQ(ui.asked.value(0).caption, QStringLiteral("Quillmark"));

    ASSERT_TRUE(scan({"http://count-1.example/", "http://count-2.example/"}));
    auto* grid = child<QTreeView>("ListView1");
    auto* page = window->findChild<WebsiteViewPage*>(QStringLiteral("Frame4"));
    grid->setCurrentIndex(grid->model()->index(1, 0));
    QTest::mouseClick(child<QPushButton>("Command12"), Qt::LeftButton);
    EXPECT_EQ(currentTab(), Form1::kWebsiteViewTab);
    EXPECT_TRUE(page->isVisible());
    EXPECT_FALSE(child<QWidget>("Frame2")->isVisible());
    EXPECT_EQ(page->lastNavigation(), QStringLiteral("http://count-2.example/"));
    auto* list2 = child<QTreeView>("ListView2");
    EXPECT_EQ(list2->currentIndex().row(), 7);

    window->selectTab(Form1::kDataViewTab);
    grid->setCurrentIndex(grid->model()->index(0, 0));
    child<QAction>("mnuWebResults")->trigger();
    EXPECT_EQ(list2->currentIndex().row(), 0);

    window->selectTab(Form1::kDataViewTab);
    const QPoint second = grid->visualRect(grid->model()->index(1, 0)).center();
    // A double-click is a press and release, then the second press.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(currentTab(), Form1::kWebsiteViewTab);
    EXPECT_EQ(list2->currentIndex().row(), 7);
    EXPECT_EQ(ui.messages().size(), 1);
}

TEST_F(MainWindowShellTest, ChartViewShowsTheLastScanAndSavesGoThroughTheirDialogs) {
    settings::saveFlag(Setting::ShowHelp, false);
    forgetSetting(Setting::ChartType);
    open();
    EXPECT_EQ(child<QComboBox>("cmbChart2")->currentIndex(), 3);  // "2D Line Graph"

    // Nothing selected: the message, no dialog.
    QTest::mouseClick(child<QPushButton>("Command4"), Qt::LeftButton);
    EXPECT_EQ(ui.messages(), (QStringList{"You must first select the item in the results list that you would like to save."}));

    ASSERT_TRUE(scan({"http://count-5.example/", "http://count-7.example/"}));
    auto* chart = window->findChild<ChartViewPage*>(QStringLiteral("Frame3"));
    EXPECT_EQ(chart->chartData().title, QStringLiteral("Temporary Search Results"));
    EXPECT_EQ(chart->chartData().seriesLabels, (QStringList{"http://count-5.example/", "http://count-7.example/"}));
    window->selectTab(Form1::kChartViewTab);
    EXPECT_TRUE(chart->isVisible());
    EXPECT_FALSE(child<QWidget>("Frame2")->isVisible());

    // With a row selected the save dialog opens (and is cancelled here).
    window->selectTab(Form1::kDataViewTab);
    auto* grid = child<QTreeView>("ListView1");
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QString opened;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) {
                opened = d->objectName();
                d->reject();
            }
    });
    child<QAction>("mnuSaveResults")->trigger();
    EXPECT_EQ(opened, QStringLiteral("Form5"));
}

TEST_F(MainWindowShellTest, ClosingEndsTheProgramUnlessTheWebsiteWindowIsOpen) {
    open();
    window->close();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(Form8::instance(), nullptr);

    window.reset();
    open();
    child<QAction>("mnuAbout")->trigger();
    QTest::mouseClick(child<QPushButton>("Command3"), Qt::LeftButton);
    ASSERT_TRUE(frmWebsite::isOpen());
    child<QAction>("mnuExitNow")->trigger();
    EXPECT_EQ(ended, 1);  // runs on with the website window
    EXPECT_TRUE(branding().quitWithWebsiteWindow);
    EXPECT_EQ(frmAbout::instance(), nullptr);
    frmWebsite::instance()->close();
    EXPECT_EQ(ended, 2);
}

TEST_F(MainWindowShellTest, LayoutFollowsTheWindowAndLeavesRoomForTheBanner) {
    settings::saveFlag(Setting::ShowHelp, false);
    open();
    const int strip = pixels("Picture1").height();
    const int banner = child<QWidget>("wbBanner")->height();
    for (const QSize size : {QSize(1200, 900), QSize(700, 520), QSize(1000, 700), QSize(1000, 700)}) {
        window->resize(size);
        QCoreApplication::processEvents();
        EXPECT_EQ(pixels("Picture1").height(), strip) << "the strip never grows";
        EXPECT_NEAR(pixels("Frame1").top(), strip + banner + twipsToPixels(80), 1);
        EXPECT_EQ(pixels("TabStrip1").top(), pixels("Frame1").top());
        for (const char* name : {"Frame1", "TabStrip1", "Frame2", "Frame4", "ListView1", "List1", "Text1",
                                 "WebBrowser1", "ListView2"}) {
            EXPECT_GT(pixels(name).width(), 0) << name << " at " << size.width();
            EXPECT_GT(pixels(name).height(), 0) << name << " at " << size.width();
        }
    }
    // Below the minimum the window does not shrink further.
    window->resize(200, 150);
    QCoreApplication::processEvents();
    EXPECT_GE(window->width(), window->minimumWidth());

    branding().bannerEnabled = false;
    window->LayoutMainWindow();
    EXPECT_EQ(pixels("Frame1").top(), strip);

    const QRect before = pixels("Frame1");
    window->showMinimized();
    window->resize(900, 900);
    window->LayoutMainWindow();
    EXPECT_EQ(pixels("Frame1"), before) << "a minimised window moves nothing";
}

}  // namespace
