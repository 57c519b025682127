#include "branding_guard.h"
#include "browse/website_window.h"
#include "history/save_search_dialog.h"
#include "scripted_platform.h"
#include "shell/about_box.h"
#include "shell/help_window.h"
#include "shell/main_window.h"
#include "shell/settings_dialog.h"
#include "desktop/skin_ui.h"
#include "shell/splash_window.h"
#include "shot_files.h"
#include "support/qt_gtest_printers.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The skin file's colours, as #rrggbb.
const QString kBack = "#102030";
const QString kPicture = "#405060";

// Every window with the skin switched on, as a build with the skin would run.
class SkinWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.write("skin.ini", "[Skin]\r\nBackColor=#102030\r\nTextColor=#F0E0D0\r\nPictureColor=#405060\r\n");
        QFile::copy(QStringLiteral(QUILLMARK_SHIPPED_APP "/Help.rtf"), app.file(QStringLiteral("Help.rtf")));
        BrandingRecord values = builtInBranding();
        values.skinEnabled = true;
        values.websiteAddress = "about:blank";
        BrandingGuard::use(values);
    }
    void TearDown() override {
        Form8::unloadInstance();
        frmAbout::unloadInstance();
        frmWebsite::unloadInstance();
        SkinGlobal().stop();
        frmSplash::unloadInstance();
        setProgramSkin(nullptr);
    }

    TempAppFolder app;
    BrandingGuard guard;
    ScriptedPlatform ui;
};

QString pixelAt(QWidget* w, const QPoint& at) { return w->grab().toImage().pixelColor(at).name(); }

int covers(QWidget* window, const char* array) {
    return static_cast<int>(skinLabels(window, QString::fromLatin1(array)).size()) - 1;
}

// A picture box shows the picture colour round its picture.
void expectPictureColour(QWidget* box) {
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(pixelAt(box, QPoint(1, 1)), kPicture) << box->objectName().toStdString();
}

TEST_F(SkinWindowsTest, EveryWindowIsSkinnedAsItsTableRowSays) {
    QWidget owner;
    Form1* main = nullptr;
    struct Row {
        const char* name;
        std::function<QWidget*()> open;
        int skinLabel1;  // covers made by mirrorLabels
        int skinLabel2;
        std::function<void(QWidget*)> check;
    };
    const Row rows[] = {
        {"splash", [] { frmSplash* s = frmSplash::loadInstance(); s->stopTimer(); s->show(); return s; }, -1, -1, {}},
        {"main window",
         [&] {
             main = new Form1(&owner);
             main->setWindowFlag(Qt::Window);
             main->show();
             return main;
         },
         3, 1,
         [&](QWidget* w) {
             // The top strip and the banner's box are picture boxes; the labels
             // of the chart and website pages are covered by skin labels.
             auto* start = w->findChild<QPushButton*>("Command1");
             // The banner fills its box whole: the box's colour is set all the same.
             auto* picBox = w->findChild<QWidget*>("picBox");
             EXPECT_EQ(picBox->palette().color(QPalette::Window).name(), kPicture);
             EXPECT_EQ(pixelAt(w->findChild<QWidget*>("Picture1"), start->geometry().bottomRight() + QPoint(3, 3)),
                       kPicture);
             for (const int tab : {Form1::kChartViewTab, Form1::kWebsiteViewTab}) {
                 main->selectTab(tab);
                 keepShot(w->grab().toImage(), QString("skin-main-tab-%1").arg(tab));
             }
             for (const char* page : {"Frame3", "Frame4"})
                 for (QLabel* l : w->findChild<QWidget*>(page)->findChildren<QLabel*>()) {
                     if (qobject_cast<SkinLabel*>(l)) continue;
                     EXPECT_NE(skinTypeName(l), "") << l->objectName().toStdString();
                 }
         }},
        {"options",
         [&] {
             Form2::showModeless(&owner);
             return Form2::instance();
         },
         6, 3,
         [](QWidget* w) {
             for (const char* name : {"Picture1", "Picture2", "Picture3"}) {
                 auto* picture = w->findChild<QLabel*>(name);
                 expectPictureColour(picture);
                 EXPECT_NE(pixelAt(picture, QPoint(16, 16)), kPicture) << "the rank picture shows: " << name;
             }
         }},
        {"save", [&] { auto* d = new SaveSearchDialog(&owner); d->setAttribute(Qt::WA_DeleteOnClose); d->show(); return d; },
         1, 1, {}},
        {"about", [&] { return frmAbout::showInstance(&owner); }, 7, -1, {}},
        {"website", [] { return frmWebsite::showInstance(); }, 1, -1, {}},
        {"help", [&] { return Form8::showInstance(&owner); }, -1, -1,
         [](QWidget* w) {
             // The help text keeps its own colours: dark headings on white.
             auto* text = w->findChild<QTextBrowser*>("rtf1");
             const QString page = pixelAt(text->viewport(), QPoint(text->viewport()->width() - 4, 4));
             EXPECT_EQ(page, "#ffffff");
             EXPECT_NE(text->palette().color(QPalette::Base).name(), kBack);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QWidget* w = row.open();
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        QTest::qWait(50);
        keepShot(w->grab().toImage(), QString("skin-") + row.name);
        EXPECT_TRUE(w->property("skinned").toBool());
        EXPECT_EQ(w->palette().color(QPalette::Window).name(), kBack);
        EXPECT_EQ(covers(w, "SkinLabel1"), row.skinLabel1);
        EXPECT_EQ(covers(w, "SkinLabel2"), row.skinLabel2);
        for (SkinLabel* cover : w->findChildren<SkinLabel*>()) {
            if (cover->index() == 0) continue;
            EXPECT_EQ(cover->text(), cover->source()->text());
            EXPECT_EQ(cover->geometry(), cover->source()->geometry()) << cover->text().toStdString();
            // Just above its label: what lay above the label still shows.
            const QObjectList& siblings = cover->parentWidget()->children();
            EXPECT_EQ(siblings.indexOf(cover), siblings.indexOf(cover->source()) + 1) << cover->text().toStdString();
        }
        if (row.check) row.check(w);
    }
    delete main;
}

// A cover follows its label's caption, so a label the program rewrites never
// shows a stale text over it.
TEST_F(SkinWindowsTest, ACoverShowsItsLabelsNewCaption) {
    QWidget window;
    auto* label = new QLabel("before", &window);
    label->setGeometry(10, 10, 120, 20);
    new SkinLabel("SkinLabel1", 0, &window);
    ASSERT_EQ(mirrorLabels(&window), 1);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    label->setText("after");
    window.grab();
    EXPECT_EQ(skinLabels(&window, "SkinLabel1").at(1)->text(), "after");
}

}  // namespace
