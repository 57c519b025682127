#include "branding_guard.h"
#include "browse/website_layout.h"
#include "browse/website_window.h"
#include "local_web_server.h"
#include "desktop/program_end_ui.h"
#include "desktop/twips.h"
#include "support/test_environment.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QWebEngineView>
#include <QHostAddress>
#include <QTcpServer>
#include <gtest/gtest.h>

namespace {

// A website of three pages on 127.0.0.1; the window opens at its bare address.
class WebsiteWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.addPage(QByteArray("/"), "Maker home", "<a id='go' href='/about'>about</a>");
        server.addPage(QByteArray("/about"), "About the maker", "<p>about</p>");
        server.addPage(QByteArray("/typed"), "Typed page", "<p>typed</p>");
        server.addPage(QByteArray("/a%20b"), "Spaced page", "<p>spaced</p>");
        server.start();
        BrandingRecord values = builtInBranding();
        values.websiteAddress = server.bareAddress(QByteArray("/"));
        BrandingGuard::use(values);
        setEndProgramHandler([this] { ++ended; });
    }
    void TearDown() override {
        setEndProgramHandler({});
        frmWebsite::unloadInstance();
    }
    // Waits for the window's own record of a finished load of the address.
    bool waitCompleted(frmWebsite* w, const QString& url) {
        return spinUntil([&] { return w->statusPanelText(2) == "Completed " + url; }, 20000);
    }

    LocalWebServer server;
    BrandingGuard guard;
    int ended = 0;
};

TEST_F(WebsiteWindowTest, OpensAtTheWebsiteAndFollowsTheBrowser) {
    QStringList panel2;
    frmWebsite* w = frmWebsite::showInstance();
    QObject::connect(w, &frmWebsite::statusPanelChanged, [&](int panel, const QString& text) {
        if (panel == 2) panel2 << text;
    });
    EXPECT_EQ(w->windowTitle(), server.bareAddress(QByteArray("/"))) << "caption before the page arrives";
    EXPECT_TRUE(w->windowState().testFlag(Qt::WindowMaximized));
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const QString home = server.url(QByteArray("/"));
    ASSERT_TRUE(waitCompleted(w, home)) << w->statusPanelText(2).toStdString();
    EXPECT_EQ(w->findChild<QLineEdit*>("Text1")->text(), home);
    EXPECT_EQ(w->windowTitle(), "Maker home");
    EXPECT_EQ(server.requests(QByteArray("/")), 1);

    // A second page load reports its beginning, then its end. A typed
    // address without scheme opens as a web address.
    auto* text1 = w->findChild<QLineEdit*>("Text1");
    text1->setText(server.bareAddress(QByteArray("/typed")));
    QTest::keyClick(text1, Qt::Key_Return);
    ASSERT_TRUE(waitCompleted(w, server.url(QByteArray("/typed"))));
    ASSERT_GE(panel2.size(), 2);
    EXPECT_TRUE(panel2.at(panel2.size() - 2).startsWith("Opening "));
    EXPECT_EQ(panel2.last(), "Completed " + server.url(QByteArray("/typed")));
    EXPECT_EQ(w->windowTitle(), "Typed page");

    // The address box shows the location as the browser holds it: encoded.
    text1->setText(server.bareAddress(QByteArray("/a b")));
    QTest::keyClick(text1, Qt::Key_Return);
    ASSERT_TRUE(waitCompleted(w, server.url(QByteArray("/a%20b")))) << w->statusPanelText(2).toStdString();
    EXPECT_EQ(text1->text(), server.url(QByteArray("/a%20b")));
    EXPECT_EQ(w->windowTitle(), "Spaced page");
    QTest::mouseClick(w->findChild<QPushButton*>("Command4"), Qt::LeftButton);
    ASSERT_TRUE(waitCompleted(w, server.url(QByteArray("/typed"))));

    // Back, then forward; back with nowhere to go is ignored.
    QTest::mouseClick(w->findChild<QPushButton*>("Command4"), Qt::LeftButton);
    ASSERT_TRUE(waitCompleted(w, home));
    QTest::mouseClick(w->findChild<QPushButton*>("Command5"), Qt::LeftButton);
    ASSERT_TRUE(waitCompleted(w, server.url(QByteArray("/typed"))));
    for (const char* name : {"Command4", "Command4", "Command4", "Command6", "Command7"})
        QTest::mouseClick(w->findChild<QPushButton*>(name), Qt::LeftButton);
    QTest::qWait(300);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(WebsiteWindowTest, ToolbarAsDesigned) {
    frmWebsite* w = frmWebsite::showInstance();
    struct Button {
        const char* name;
        const char* tip;
        int left;
    };
    for (const Button b : {Button{"Command3", "browse the entered url", -1}, Button{"Command4", "back", 540},
                           Button{"Command5", "forward", 1020}, Button{"Command6", "stop", 1500},
                           Button{"Command7", "refresh", 1980}}) {
        auto* button = w->findChild<QPushButton*>(b.name);
        ASSERT_NE(button, nullptr) << b.name;
        EXPECT_EQ(button->toolTip(), b.tip);
        EXPECT_FALSE(button->icon().isNull()) << b.name;
        if (b.left >= 0) {
            EXPECT_EQ(button->geometry(), twipsToPixels(QRect(b.left, 600, 435, 435))) << b.name;
        }
    }
    EXPECT_EQ(w->findChild<QLabel*>("Label5")->text(), "URL:");
    EXPECT_EQ(w->findChild<QGroupBox*>("frmBrowser")->title(), "Browser");
    EXPECT_NE(w->findChild<QWebEngineView*>("WebBrowser1"), nullptr);
    EXPECT_EQ(w->findChild<QStatusBar*>("StatusBar1")->findChildren<QLabel*>().size(), 2);
}

TEST_F(WebsiteWindowTest, OpeningAgainNeitherReloadsNorNavigates) {
    frmWebsite* w = frmWebsite::showInstance();
    ASSERT_TRUE(waitCompleted(w, server.url(QByteArray("/"))));
    auto* text1 = w->findChild<QLineEdit*>("Text1");
    text1->setText(server.url(QByteArray("/about")));
    QTest::mouseClick(w->findChild<QPushButton*>("Command3"), Qt::LeftButton);
    ASSERT_TRUE(waitCompleted(w, server.url(QByteArray("/about"))));

    EXPECT_EQ(frmWebsite::showInstance(), w);
    QTest::qWait(500);
    EXPECT_EQ(server.requests(QByteArray("/")), 1);
    EXPECT_EQ(server.requests(QByteArray("/about")), 1);
    EXPECT_EQ(w->browser()->url().toString(), server.url(QByteArray("/about")));

    // Closed and opened again, it starts over at the website.
    QPointer<frmWebsite> old(w);
    w->close();
    ASSERT_TRUE(spinUntil([&] { return old.isNull(); }, 5000));
    EXPECT_FALSE(frmWebsite::isOpen());
    frmWebsite* again = frmWebsite::showInstance();
    ASSERT_TRUE(waitCompleted(again, server.url(QByteArray("/"))));
    EXPECT_EQ(server.requests(QByteArray("/")), 2);
    EXPECT_EQ(ended, 0);
}

TEST_F(WebsiteWindowTest, ClosingEndsTheProgramOnlyWhenTheMainWindowHasGone) {
    struct Case {
        bool quitWithWebsiteWindow;
        int endings;
    };
    for (const Case c : {Case{false, 0}, Case{true, 1}}) {
        ended = 0;
        frmWebsite* w = frmWebsite::showInstance();
        EXPECT_TRUE(frmWebsite::isOpen());
        branding().quitWithWebsiteWindow = c.quitWithWebsiteWindow;
        QPointer<frmWebsite> watch(w);
        w->close();
        EXPECT_EQ(ended, c.endings);
        ASSERT_TRUE(spinUntil([&] { return watch.isNull(); }, 5000));
        EXPECT_FALSE(frmWebsite::isOpen());
    }
    branding().quitWithWebsiteWindow = false;
}

TEST_F(WebsiteWindowTest, LayoutKeepsEverySizeAtZeroOrMore) {
    frmWebsite* w = frmWebsite::showInstance();
    w->setWindowState(Qt::WindowNoState);
    auto* frame = w->findChild<QGroupBox*>("frmBrowser");
    auto* text1 = w->findChild<QLineEdit*>("Text1");
    auto* go = w->findChild<QPushButton*>("Command3");
    auto* view = w->findChild<QWebEngineView*>("WebBrowser1");
    auto* bar = w->findChild<QStatusBar*>("StatusBar1");
    for (const QSize size : {QSize(900, 700), QSize(160, 120), QSize(60, 40), QSize(1, 1), QSize(640, 30)}) {
        w->resize(size);
        QTest::qWait(20);
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        const QSize outer = w->frameGeometry().size();
        const WebsiteLayout l = layoutWebsiteWindow(pixelsToTwips(outer.width()), pixelsToTwips(outer.height()),
                                                    pixelsToTwips(bar->height()));
        EXPECT_EQ(frame->size(), QSize(twipsToPixels(l.frameWidth), twipsToPixels(l.frameHeight)));
        EXPECT_EQ(text1->width(), twipsToPixels(l.addressWidth));
        EXPECT_EQ(go->x(), twipsToPixels(l.goLeft));
        EXPECT_EQ(view->size(), QSize(twipsToPixels(l.browserWidth), twipsToPixels(l.browserHeight)));
        for (const QWidget* part : {static_cast<QWidget*>(frame), static_cast<QWidget*>(text1),
                                    static_cast<QWidget*>(view)}) {
            EXPECT_GE(part->width(), 0);
            EXPECT_GE(part->height(), 0);
        }
        EXPECT_EQ(bar->geometry().bottom(), w->height() - 1);
    }
}

}  // namespace

namespace {

// A page that cannot be reached is not "Completed": the status says it
// failed, with the browser's reason.
TEST_F(WebsiteWindowTest, AFailedPageSaysItFailedAndWhy) {
    frmWebsite* w = frmWebsite::showInstance();
    ASSERT_TRUE(waitCompleted(w, server.url(QByteArray("/"))));
    // A port on 127.0.0.1 where nothing listens.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    const QString dead = QStringLiteral("http://127.0.0.1:%1/").arg(port);
    auto* text1 = w->findChild<QLineEdit*>("Text1");
    text1->setText(dead);
    QTest::keyClick(text1, Qt::Key_Return);
    ASSERT_TRUE(spinUntil([&] { return w->statusPanelText(2).startsWith("Failed "); }, 20000))
        << w->statusPanelText(2).toStdString();
    const QString said = w->statusPanelText(2);
    EXPECT_TRUE(said.startsWith(QStringLiteral("Failed ") + dead + QStringLiteral(": "))) << said.toStdString();
    EXPECT_GT(said.size(), (QStringLiteral("Failed ") + dead + QStringLiteral(": ")).size());
    EXPECT_FALSE(said.contains(QLatin1String("Completed")));

    // The next page that loads is "Completed" again.
    text1->setText(server.url(QByteArray("/typed")));
    QTest::keyClick(text1, Qt::Key_Return);
    EXPECT_TRUE(waitCompleted(w, server.url(QByteArray("/typed")))) << w->statusPanelText(2).toStdString();
}

}  // namespace
