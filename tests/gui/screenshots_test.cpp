#include "branding_guard.h"
#include "browse/website_window.h"
#include "local_web_server.h"
#include "shell/about_box.h"
#include "shell/banner_widget.h"
#include "shell/help_window.h"
#include "desktop/picture_box_widget.h"
#include "shell/splash_window.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QDir>
#include <QImage>
#include <QSet>
#include <QTest>
#include <QWebEngineView>
#include <gtest/gtest.h>

namespace {

// How many distinct colours a picture has, sampled on a grid: a window that
// drew nothing has one or two.
int colourCount(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    return colours.size();
}

// Grabs the window; saves it under $QUILLMARK_SHOT_DIR when that is set.
QImage shoot(QWidget* window, const QString& name) {
    QTest::qWait(150);
    const QImage image = window->grab().toImage();
    const QString folder = qEnvironmentVariable("QUILLMARK_SHOT_DIR");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        image.save(QDir(folder).filePath(name + ".png"));
    }
    return image;
}

TEST(Screenshots, EveryShellWindowDrawsItsContent) {
    BrandingGuard guard;
    TempAppFolder app;
    app.write("Help.rtf", readFileBytes(QUILLMARK_SHIPPED_APP "/Help.rtf"));
    LocalWebServer server;
    server.addPage(QByteArray("/"), "Quillmark - link popularity",
                   "<h1 style='color:#1d2b53'>Quillmark</h1><p>See who links to your sites.</p>"
                   "<ul><li>Six engines</li><li>One count</li></ul>");
    server.start();
    BrandingRecord values = builtInBranding();
    values.websiteAddress = server.bareAddress(QByteArray("/"));
    BrandingGuard::use(values);

    frmSplash* splash = frmSplash::loadInstance({});
    splash->stopTimer();
    splash->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(splash));
    EXPECT_GT(colourCount(shoot(splash, "splash")), 20);
    frmSplash::unloadInstance();

    QWidget owner;
    frmAbout* about = frmAbout::showInstance(&owner);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about));
    EXPECT_GT(colourCount(shoot(about, "about")), 20);
    frmAbout::unloadInstance();

    Form8* help = Form8::showInstance(&owner);
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    EXPECT_GT(colourCount(shoot(help, "help")), 20);
    Form8::unloadInstance();

    frmWebsite* website = frmWebsite::showInstance();
    website->setWindowState(Qt::WindowNoState);
    website->resize(900, 600);
    ASSERT_TRUE(spinUntil([&] { return website->windowTitle() == "Quillmark - link popularity"; }, 20000));
    QTest::qWait(500);
    EXPECT_GT(colourCount(shoot(website, "website")), 20);
    frmWebsite::unloadInstance();

    QWidget strip;
    strip.resize(520, 90);
    const BannerParts banner = createBanner(&strip);
    banner.wbBanner->move(10, 10);
    banner.wbPicture->move(10, 10);
    strip.show();
    EXPECT_GT(colourCount(shoot(&strip, "banner_picture")), 5);
    bool loaded = false;
    QObject::connect(banner.wbBanner, &QWebEngineView::loadFinished, [&](bool ok) { loaded = ok; });
    showBanner(&strip, banner.wbBanner, banner.wbPicture);
    ASSERT_TRUE(spinUntil([&] { return loaded; }, 20000));
    QTest::qWait(500);
    EXPECT_GT(colourCount(shoot(&strip, "banner")), 5);
}

}  // namespace
