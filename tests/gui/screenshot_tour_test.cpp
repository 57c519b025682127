#include "branding_guard.h"
#include "config/settings_store.h"
#include "config/settings_table.h"
#include "scripted_platform.h"
#include "shell/about_box.h"
#include "shell/help_window.h"
#include "shell/main_window.h"
#include "shell/settings_dialog.h"
#include "support/engine_sim_process.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"
#include "urllist/url_list_view.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

// Walks a user's first minutes through the real windows and checks that each
// one draws. With QUILLMARK_SHOT_DIR set, every picture is kept there.
class ScreenshotTour : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.isRunning());
        BrandingGuard::use(builtInBranding());
        app.write(QStringLiteral("settings.ini"), sim.settingsIni().toLatin1());
        QFile::copy(QStringLiteral(QUILLMARK_SHIPPED_APP "/Help.rtf"), app.file(QStringLiteral("Help.rtf")));
        settings::saveFlag(Setting::ShowHelp, false);
        settings::saveFlag(Setting::AutoSort, true);
        settings::saveFlag(Setting::ClearFirst, true);
        settings::saveText(Setting::ChartType, QStringLiteral("1"));
    }
    void TearDown() override {
        Form8::unloadInstance();
        frmAbout::unloadInstance();
    }

    void shot(QWidget* w, const char* name) {
        QCoreApplication::processEvents();
        const QPixmap picture = w->grab();
        EXPECT_FALSE(picture.isNull()) << name;
        EXPECT_GT(picture.width(), 100) << name;
        const QString dir = qEnvironmentVariable("QUILLMARK_SHOT_DIR");
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            picture.save(QDir(dir).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
        }
    }

    EngineSimProcess sim;
    TempAppFolder app;
    ScriptedPlatform ui;
    BrandingGuard guard;
};

TEST_F(ScreenshotTour, EveryWindowDraws) {
    Form1 window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.urlList()->appendEntries({"http://www.example.com/", "http://count-48210.example.org/",
                                     "http://count-250.slow-60.example.net/", "http://nolinks.example/",
                                     "http://www.debian.org/"});
    shot(&window, "01-main-before");

    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    ASSERT_TRUE(spinUntil([&] { return window.scanDriver().progressValue() >= 15; }));
    shot(&window, "02-main-during");
    ASSERT_TRUE(spinUntil([&] { return window.scanDriver().isIdle(); }, 30000));
    shot(&window, "03-main-after");

    window.selectTab(Form1::kChartViewTab);
    spinUntil([] { return false; }, 300);
    shot(&window, "04-chart-view");

    auto* grid = window.findChild<QTreeView*>("ListView1");
    window.selectTab(Form1::kDataViewTab);
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::mouseClick(window.findChild<QPushButton*>("Command12"), Qt::LeftButton);
    spinUntil([] { return false; }, 1500);
    shot(&window, "05-website-view");

    QTimer::singleShot(300, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) {
                shot(d, "06-save-dialog");
                d->reject();
            }
    });
    window.selectTab(Form1::kDataViewTab);
    QTest::mouseClick(window.findChild<QPushButton*>("Command4"), Qt::LeftButton);

    QTest::mouseClick(window.findChild<QPushButton*>("Command6"), Qt::LeftButton);
    ASSERT_NE(Form2::instance(), nullptr);
    shot(Form2::instance(), "07-options");
    Form2::instance()->close();

    shot(frmAbout::showInstance(&window), "08-about");
    Form8* help = Form8::showInstance(&window);
    ASSERT_NE(help, nullptr);
    shot(help, "09-help");
}

}  // namespace
