#include "browse/website_view_page.h"
#include "config/settings_table.h"
#include "results/data_view_page.h"
#include "scripted_platform.h"
#include "shot_files.h"
#include "shell/help_window.h"
#include "shell/main_window.h"
#include "support/qt_gtest_printers.h"
#include "support/settings_snapshot.h"
#include "support/sim_fixture.h"
#include "support/test_environment.h"
#include "urllist/url_list_view.h"

#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTextBrowser>
#include <QTest>
#include <QTreeView>
#include <QWebEngineView>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

std::string text(const QRect& r) {
    return QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

// What a new user meets: no settings yet, the help file beside the program.
class FirstStartTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        QFile::copy(QStringLiteral(QUILLMARK_SHIPPED_APP "/Help.rtf"), app.file(QStringLiteral("Help.rtf")));
        forgetSetting(Setting::ShowHelp);
    }
    void TearDown() override {
        Form8::unloadInstance();
        window.reset();
    }
    void open(const QPoint& at) {
        Form8::unloadInstance();
        window = std::make_unique<Form1>();
        window->move(at);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    QRect global(const QWidget* w) const { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }
    QLabel* panel2() const { return window->findChild<QLabel*>("StatusBar1Panel2"); }

    ScriptedPlatform ui;
    std::unique_ptr<Form1> window;
};

TEST_F(FirstStartTest, TheHelpWindowLeavesTheTabsAndTheGridHeaderInSight) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize mainSize = Form1().frameGeometry().size();
    const int helpWidth = 640;  // its design width
    enum Where { Right, Left, OverTheUrls };
    struct Case {
        const char* name;
        QPoint at;
        Where where;
    };
    std::vector<Case> cases = {
        {"centred", screen.center() - QPoint(mainSize.width() / 2, mainSize.height() / 2), OverTheUrls}};
    if (screen.width() - mainSize.width() >= helpWidth) {
        cases.push_back({"at the left edge", screen.topLeft(), Right});
        cases.push_back({"at the right edge", QPoint(screen.right() + 1 - mainSize.width(), screen.top()), Left});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open(c.at);
        ASSERT_TRUE(spinUntil([] { return Form8::instance() && Form8::instance()->isVisible(); }));
        QCoreApplication::processEvents();
        keepShot(screenShot(), QString("first-start-") + c.name);
        const QRect help = Form8::instance()->frameGeometry();
        const QRect main = window->frameGeometry();
        const QRect tabs = global(window->findChild<QTabBar*>());
        const QRect header = global(window->findChild<DataViewPage*>()->grid()->header());
        EXPECT_FALSE(help.intersects(tabs)) << "help " << text(help) << " tabs " << text(tabs);
        EXPECT_FALSE(help.intersects(header)) << "help " << text(help) << " header " << text(header);
        EXPECT_TRUE(screen.contains(help)) << text(help);
        switch (c.where) {
        case Right: EXPECT_GT(help.left(), main.right()); break;
        case Left: EXPECT_LT(help.right(), main.left()); break;
        case OverTheUrls:
            EXPECT_TRUE(global(window->urlList()).contains(help.topLeft())) << text(help);
            break;
        }
    }
}

TEST_F(FirstStartTest, TheHelpNamesTheCommandButtonsInTheirOrder) {
    open(QPoint(0, 0));
    ASSERT_TRUE(spinUntil([] { return Form8::instance() != nullptr; }));
    QList<QPushButton*> strip = window->findChild<QWidget*>("Picture1")->findChildren<QPushButton*>();
    std::sort(strip.begin(), strip.end(), [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
    QStringList captions;
    for (QPushButton* b : strip.first(3)) captions << b->text();
    EXPECT_EQ(captions, (QStringList{"Start", "Stop", "Options"}));
    const QString help = Form8::instance()->findChild<QTextBrowser*>("rtf1")->toPlainText();
    EXPECT_TRUE(help.contains(captions.join(", "))) << "the help describes the strip as it is";
}

TEST_F(FirstStartTest, TheSecondStatusPanelShowsNoStaleText) {
    settings::saveFlag(Setting::ShowHelp, false);
    window = std::make_unique<Form1>();
    QSignalSpy loaded(window->findChild<QWebEngineView*>("WebBrowser1"), &QWebEngineView::loadFinished);
    window->show();
    // The start page has loaded: nothing is opening any more.
    ASSERT_TRUE(spinUntil([&] { return !loaded.isEmpty(); }));
    EXPECT_EQ(panel2()->text(), QString());

    // During a scan the progress bar hides whatever the panel holds.
    window->urlList()->appendEntries({"http://count-3.slow-300.example/"});
    QTest::mouseClick(window->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    auto* status = window->findChild<QStatusBar*>("StatusBar1");
    auto* bar = window->findChild<QProgressBar*>("ProgressBar1");
    ASSERT_TRUE(bar->isVisible());
    QCoreApplication::processEvents();
    EXPECT_TRUE(bar->geometry().contains(panel2()->geometry())) << text(bar->geometry()) << " " << text(panel2()->geometry());
    panel2()->setText("MMMMMMMM Opening http://www.example.com/");
    const QImage withText = status->grab().toImage();
    panel2()->setText(QString());
    const QImage without = status->grab().toImage();
    EXPECT_EQ(withText, without) << "no text shows beside the bar";
    ASSERT_TRUE(spinUntil([&] { return window->scanDriver().isIdle(); }, 30000));

    // A page of the Website View: "Opening" while it loads, nothing once loaded.
    window->selectTab(Form1::kWebsiteViewTab);
    auto* list = window->findChild<QTreeView*>("ListView2");
    const QRect google = list->visualRect(list->model()->index(1, 0));
    QSignalSpy panel2Texts(window->findChild<WebsiteViewPage*>("Frame4"), &WebsiteViewPage::statusPanel2Changed);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, google.center());
    ASSERT_TRUE(spinUntil([&] { return panel2Texts.size() >= 2; }, 20000));
    EXPECT_TRUE(panel2Texts.first().at(0).toString().startsWith("Opening http://"));
    EXPECT_EQ(panel2()->text(), QString()) << "loaded";
}

}  // namespace
