#include "branding_guard.h"
#include "browse/website_window.h"
#include "config/settings_store.h"
#include "config/settings_table.h"
#include "local_web_server.h"
#include "shell/about_box.h"
#include "shell/help_window.h"
#include "desktop/on_top_ui.h"
#include "shell/splash_window.h"
#include "support/settings_snapshot.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void tick(frmSplash* splash) { QMetaObject::invokeMethod(splash, "Timer2_Timer", Qt::DirectConnection); }

struct SplashGuard {
    ~SplashGuard() { frmSplash::unloadInstance(); }
};

TEST(Splash, HandsOverOnTheTickThatFindsTheCounterAt148) {
    BrandingGuard brandingGuard;
    SplashGuard guard;
    branding().quitWithWebsiteWindow = true;
    int opened = 0;
    frmSplash* splash = frmSplash::loadInstance([&] { ++opened; });
    auto* timer = splash->findChild<QTimer*>("Timer2");
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    timer->stop();  // ticked by hand from here
    EXPECT_EQ(timer->interval(), 2);
    ASSERT_EQ(splash->tickCounter(), 0);
    EXPECT_FALSE(branding().quitWithWebsiteWindow) << "the load clears the flag";
    EXPECT_EQ(branding().programName, "Quillmark") << "the load fills the branding record";
    splash->show();

    for (int i = 0; i < 74; ++i) tick(splash);
    EXPECT_EQ(splash->tickCounter(), 148);
    EXPECT_EQ(opened, 0);
    EXPECT_TRUE(splash->isVisible());
    timer->start();
    tick(splash);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(splash->tickCounter(), 150);
    EXPECT_FALSE(timer->isActive());
    EXPECT_FALSE(splash->isVisible());
    EXPECT_EQ(frmSplash::instance(), splash) << "it stays loaded, hidden";
    EXPECT_EQ(frmSplash::loadInstance([&] { opened += 100; }), splash);
    EXPECT_EQ(opened, 1);
}

TEST(Splash, OpensTheMainWindowOnceWhenItsTimerRuns) {
    SplashGuard guard;
    int opened = 0;
    frmSplash* splash = frmSplash::loadInstance([&] { ++opened; });
    splash->show();
    ASSERT_TRUE(spinUntil([&] { return opened > 0; }, 5000));
    QTest::qWait(50);
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(splash->timerActive());
    EXPECT_FALSE(splash->isVisible());
    EXPECT_FALSE(splash->windowIcon().isNull()) << "the main window takes this icon";
}

TEST(AboutBox, ShowsTheBrandingAndStaysSingle) {
    BrandingGuard guard;
    struct Case {
        int major, minor;
        const char* shown;
    };
    for (const Case c : {Case{1, 0, "1.0"}, Case{1, 2, "1.2"}, Case{10, 11, "10.11"}}) {
        BrandingRecord values = builtInBranding();
        values.versionMajor = c.major;
        values.versionMinor = c.minor;
        values.companyName = "Quill & Co";
        BrandingGuard::use(values);
        QWidget owner;
        frmAbout* box = frmAbout::showInstance(&owner);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(frmAbout::showInstance(&owner), box);
        EXPECT_EQ(owner.findChildren<frmAbout*>().size(), 1);
        EXPECT_EQ(box->windowTitle(), "About Quillmark");
        EXPECT_EQ(box->findChild<QLabel*>("Label1")->text(), "Quillmark");
        EXPECT_EQ(box->findChild<QLabel*>("lblVersion")->text(), c.shown);
        EXPECT_EQ(box->findChild<QLabel*>("lblCompany")->text(), "Quill & Co");
        EXPECT_EQ(box->findChild<QLabel*>("lblWebsite")->text(), values.websiteAddress);
        EXPECT_EQ(box->findChild<QLabel*>("Label2")->text(), "Version:");
        EXPECT_EQ(box->findChild<QLabel*>("Label3")->text(), "Owned By:");
        EXPECT_EQ(box->findChild<QLabel*>("Label4")->text(), "Website:");
        EXPECT_FALSE(box->isModal());
        QPointer<frmAbout> watch(box);
        box->close();
        ASSERT_TRUE(spinUntil([&] { return watch.isNull(); }, 2000)) << "destroyed when closed";
        EXPECT_EQ(frmAbout::instance(), nullptr);
    }
}

TEST(AboutBox, WebsiteLabelOpensTheWebsiteWindow) {
    BrandingGuard guard;
    LocalWebServer server;
    server.addPage(QByteArray("/"), "Maker home", "<p>home</p>");
    server.start();
    BrandingRecord values = builtInBranding();
    values.websiteAddress = server.bareAddress(QByteArray("/"));
    BrandingGuard::use(values);
    QWidget owner;
    frmAbout* box = frmAbout::showInstance(&owner);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
    QTest::mouseClick(box->findChild<QLabel*>("lblWebsite"), Qt::LeftButton);
    ASSERT_TRUE(frmWebsite::isOpen());
    EXPECT_TRUE(spinUntil([&] { return server.requests(QByteArray("/")) == 1; }, 15000));
    frmWebsite::unloadInstance();
    frmAbout::unloadInstance();
}

// The help window's tests run in a folder of their own with a clean store.
class HelpWindowTest : public ::testing::Test {
protected:
    void TearDown() override { Form8::unloadInstance(); }
    QByteArray shippedHelp() const { return readFileBytes(QUILLMARK_SHIPPED_APP "/Help.rtf"); }
    TempAppFolder app;
    SettingsSnapshot settings;
};

TEST_F(HelpWindowTest, ShowsTheHelpFileTickedOnAFirstRun) {
    ASSERT_FALSE(shippedHelp().isEmpty());
    app.write("Help.rtf", shippedHelp());
    forgetSetting(Setting::ShowHelp);
    QWidget owner;
    Form8* help = Form8::showInstance(&owner);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(Form8::showInstance(&owner), help);
    EXPECT_EQ(help->windowTitle(), "Readme/Help");
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(isOnTop(help));
    auto* check = help->findChild<QCheckBox*>("Check1");
    EXPECT_EQ(check->text(), "Show at Startup");
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(settings::text(Setting::ShowHelp), "1") << "the load stores the value again";
    const QString text = help->findChild<QTextBrowser*>("rtf1")->toPlainText();
    EXPECT_TRUE(text.contains("quillmark-scan")) << text.left(200).toStdString();
    EXPECT_FALSE(text.contains("\\par")) << "shown as rich text, not as its source";

    check->click();
    EXPECT_EQ(settings::text(Setting::ShowHelp), "0");
    help->close();
    QTest::qWait(10);
    help = Form8::showInstance(&owner);
    ASSERT_NE(help, nullptr);
    EXPECT_FALSE(help->findChild<QCheckBox*>("Check1")->isChecked());
    EXPECT_EQ(settings::text(Setting::ShowHelp), "0");
    help->findChild<QCheckBox*>("Check1")->click();
    EXPECT_EQ(settings::text(Setting::ShowHelp), "1");
}

TEST_F(HelpWindowTest, MissingFileGivesNoWindow) {
    QWidget owner;
    EXPECT_EQ(Form8::showInstance(&owner), nullptr);
    EXPECT_EQ(Form8::instance(), nullptr);
    EXPECT_TRUE(owner.findChildren<Form8*>().isEmpty());
    QDir(app.path()).mkpath("Help.rtf");
    EXPECT_EQ(Form8::showInstance(&owner), nullptr) << "a folder is no help file";
}

TEST_F(HelpWindowTest, DamagedOrOddlyNamedFilesShowWhatCanBeRead) {
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* expected;  // text the view must contain
    };
    const QByteArray help = shippedHelp();
    const Case cases[] = {
        {"HELP.RTF", help, "quillmark-scan"},
        {"Help.rtf", help.left(help.size() / 3), "Quillmark"},
        {"Help.rtf", QByteArray("{\\rtf1{\\b Bold start} and {{{{ never closed"), "Bold start"},
        {"Help.rtf", QByteArray("}}}{\\rtf1 after stray braces}"), ""},
        {"Help.rtf", QByteArray("Plain words, no markup at all."), "Plain words"},
        {"Help.rtf", QByteArray("\x00\xff\xfe{\\\\\\'zz\\u-99999999999 \\bin99999999", 33), ""},
        {"Help.rtf", QByteArray(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        QFile::remove(app.file("Help.rtf"));
        QFile::remove(app.file("HELP.RTF"));
        app.write(c.name, c.bytes);
        Form8* window = Form8::showInstance(nullptr);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->findChild<QTextBrowser*>("rtf1")->toPlainText().contains(c.expected));
        Form8::unloadInstance();
    }
}

TEST(OnTop, TogglesTheHintKeepingPlaceAndVisibility) {
    QWidget window;
    window.setGeometry(100, 120, 300, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QRect before = window.geometry();
    for (const bool onTop : {true, true, false, false, true}) {
        setOnTop(&window, onTop);
        EXPECT_EQ(isOnTop(&window), onTop);
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(window.geometry().size(), before.size());
        EXPECT_EQ(window.geometry().topLeft(), before.topLeft());
    }
    QWidget hidden;
    setOnTop(&hidden, true);
    EXPECT_TRUE(isOnTop(&hidden));
    EXPECT_FALSE(hidden.isVisible()) << "a window that was not showing is not shown";
    setOnTop(nullptr, true);
}

}  // namespace
