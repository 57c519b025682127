#include "branding_guard.h"
#include "shell/about_box.h"
#include "shell/banner_widget.h"
#include "desktop/picture_box_widget.h"
#include "desktop/program_end_ui.h"
#include "desktop/skin_ui.h"
#include "shell/splash_window.h"
#include "desktop/twips.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QWebEngineView>
#include <gtest/gtest.h>

namespace {

// A window as the skin sees one: a frame holding element 0 of SkinLabel1 and
// two labels (one hidden), a label directly on the window, and one control of
// each kind the colours distinguish.
struct SampleWindow {
    QWidget window;
    QGroupBox* frame = new QGroupBox("Frame", &window);
    QLabel* first = new QLabel("First", frame);
    QLabel* hidden = new QLabel("Hidden", frame);
    QLabel* outside = new QLabel("Outside", &window);
    QComboBox* combo = new QComboBox(&window);
    QPushButton* button = new QPushButton("Go", &window);
    QLineEdit* edit = new QLineEdit(&window);
    QListWidget* list = new QListWidget(&window);
    PictureBox* picture = new PictureBox(&window);
    QWidget* strip = new QWidget(&window);

    SampleWindow() {
        frame->setGeometry(10, 10, 300, 200);
        new SkinLabel("SkinLabel1", 0, frame);
        first->setGeometry(12, 20, 90, 18);
        QFont f = first->font();
        f.setItalic(true);
        f.setPointSize(15);
        first->setFont(f);
        hidden->setGeometry(12, 50, 70, 16);
        hidden->hide();
        outside->setGeometry(10, 230, 80, 20);
        strip->setProperty("skinType", "PictureBox");
    }
};

// Skin switched on at run time, with a skin file of known colours.
class SkinOnTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.write("skin.ini", "[Skin]\r\nBackColor=#102030\r\nTextColor=#F0E0D0\r\nPictureColor=#405060\r\n"
                              "Style=Fusion\r\n");
        // As a build with the skin on: the splash's load reloads the branding.
        BrandingRecord values = builtInBranding();
        values.skinEnabled = true;
        BrandingGuard::use(values);
    }
    void TearDown() override {
        SkinGlobal().stop();
        frmSplash::unloadInstance();
        setProgramSkin(nullptr);
    }
    TempAppFolder app;
    BrandingGuard guard;
};

TEST_F(SkinOnTest, MirrorsTheLabelsOfElementZerosContainer) {
    SampleWindow s;
    EXPECT_EQ(mirrorLabels(&s.window), 2);
    const QList<SkinLabel*> labels = skinLabels(&s.window, "SkinLabel1");
    ASSERT_EQ(labels.size(), 3);
    struct Expected {
        int index;
        QLabel* source;
    };
    for (const Expected e : {Expected{1, s.first}, Expected{2, s.hidden}}) {
        const SkinLabel* cover = labels.at(e.index);
        EXPECT_EQ(cover->index(), e.index);
        EXPECT_EQ(cover->source(), e.source);
        EXPECT_EQ(cover->parentWidget(), s.frame);
        EXPECT_EQ(cover->geometry(), e.source->geometry());
        EXPECT_EQ(cover->font(), e.source->font());
        EXPECT_EQ(cover->text(), e.source->text());
        EXPECT_EQ(cover->isHidden(), e.source->isHidden());
    }
    for (const SkinLabel* l : labels) EXPECT_NE(l->text(), "Outside") << "other containers stay plain";

    // Loaded again, a window gets new covers numbered on from the last.
    EXPECT_EQ(mirrorLabels(&s.window), 2);
    EXPECT_EQ(skinLabels(&s.window, "SkinLabel1").constLast()->index(), 4);
}

TEST_F(SkinOnTest, GivesColoursByControlKind) {
    SampleWindow s;
    const QColor back(0x11, 0x22, 0x33), text(0xEE, 0xDD, 0xCC), picture(0x44, 0x55, 0x66);
    const QPalette frameBefore = s.frame->palette();
    const QColor buttonTextBefore = s.button->palette().color(QPalette::ButtonText);
    applySkinColours(&s.window, back, text, picture);
    for (QWidget* w : {static_cast<QWidget*>(s.combo), static_cast<QWidget*>(s.edit),
                       static_cast<QWidget*>(s.list)}) {
        EXPECT_EQ(w->palette().color(QPalette::Base), back) << skinTypeName(w).toStdString();
        EXPECT_EQ(w->palette().color(QPalette::Text), text) << skinTypeName(w).toStdString();
    }
    EXPECT_EQ(s.button->palette().color(QPalette::Button), back);
    EXPECT_EQ(s.button->palette().color(QPalette::ButtonText), buttonTextBefore);
    EXPECT_EQ(s.picture->palette().color(QPalette::Window), picture);
    EXPECT_EQ(s.strip->palette().color(QPalette::Window), picture);
    EXPECT_FALSE(s.frame->testAttribute(Qt::WA_SetPalette)) << "a frame keeps its colours";
    EXPECT_EQ(s.frame->palette(), frameBefore);
    EXPECT_EQ(skinTypeName(s.frame), "");
    EXPECT_EQ(skinTypeName(s.first), "Label");
}

TEST_F(SkinOnTest, ApplySkinLoadsTheSplashForItsSkinWithoutOpeningTheMainWindow) {
    ASSERT_EQ(frmSplash::instance(), nullptr);
    SampleWindow s;
    EXPECT_TRUE(applySkin(&s.window));
    frmSplash* splash = frmSplash::instance();
    ASSERT_NE(splash, nullptr);
    EXPECT_FALSE(splash->timerActive());
    EXPECT_FALSE(splash->isVisible());
    EXPECT_EQ(programSkin(), splash->skin());
    EXPECT_EQ(s.combo->palette().color(QPalette::Base), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(s.combo->palette().color(QPalette::Text), QColor(0xF0, 0xE0, 0xD0));
    EXPECT_EQ(s.window.palette().color(QPalette::Window), QColor(0x10, 0x20, 0x30));
    EXPECT_TRUE(SkinGlobal().isRunning()) << "the splash's load started the skin's global part";
    QTest::qWait(400);
    EXPECT_EQ(splash->tickCounter(), 0);
}

TEST_F(SkinOnTest, EndingTheProgramStopsTheGlobalSkin) {
    const QString before = QApplication::style()->name();
    SampleWindow s;
    ASSERT_TRUE(applySkin(&s.window));
    ASSERT_TRUE(SkinGlobal().isRunning());
    EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");
    int ended = 0;
    setEndProgramHandler([&] { ++ended; });
    endProgram();
    setEndProgramHandler({});
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(SkinGlobal().isRunning());
    EXPECT_EQ(QApplication::style()->name(), before);
}

TEST_F(SkinOnTest, AboutBoxIsSkinnedAtLoad) {
    QWidget owner;
    frmAbout* box = frmAbout::showInstance(&owner);
    const QList<SkinLabel*> covers = skinLabels(box, "SkinLabel1");
    EXPECT_EQ(covers.size(), 1 + 7) << "every label of the box is covered";
    EXPECT_TRUE(box->property("skinned").toBool());
    frmAbout::unloadInstance();
}

TEST(SkinOff, NothingHappens) {
    BrandingGuard guard;
    branding().skinEnabled = false;
    SampleWindow s;
    const QPalette comboBefore = s.combo->palette();
    EXPECT_FALSE(applySkin(&s.window));
    applySkinColours(&s.window, Qt::red, Qt::green, Qt::blue);
    EXPECT_EQ(mirrorLabels(&s.window), 0);
    EXPECT_EQ(skinLabels(&s.window, "SkinLabel1").size(), 1);
    EXPECT_EQ(s.combo->palette(), comboBefore);
    EXPECT_FALSE(s.picture->testAttribute(Qt::WA_SetPalette));
    EXPECT_EQ(frmSplash::instance(), nullptr) << "no splash was loaded for a skin";
    EXPECT_FALSE(SkinGlobal().start());
    QWidget owner;
    frmAbout* box = frmAbout::showInstance(&owner);
    EXPECT_EQ(skinLabels(box, "SkinLabel1").size(), 1);
    frmAbout::unloadInstance();
}

TEST(Banner, ClipsTheBrowsersRightStripAndOpensTheBannerPage) {
    BrandingGuard guard;
    loadBranding();
    QWidget window;
    window.resize(900, 300);
    const BannerParts parts = createBanner(&window);
    const QRect place = parts.wbBanner->geometry();
    EXPECT_EQ(place, twipsToPixels(QRect(60, 1140, 7335, 945)));
    window.show();
    QWidget* picBox = showBanner(&window, parts.wbBanner, parts.wbPicture);
    ASSERT_NE(picBox, nullptr);
    EXPECT_EQ(picBox->objectName(), "picBox");
    EXPECT_EQ(picBox->parentWidget(), &window);
    EXPECT_EQ(picBox->geometry(),
              QRect(place.topLeft(), QSize(place.width() - twipsToPixels(kBannerMarginTwips), place.height())));
    EXPECT_EQ(parts.wbBanner->parentWidget(), picBox);
    EXPECT_EQ(parts.wbBanner->geometry(), QRect(QPoint(0, 0), place.size()));
    EXPECT_TRUE(parts.wbBanner->isVisible());
    EXPECT_FALSE(parts.wbPicture->isVisible());
    EXPECT_EQ(parts.wbBanner->url(), QUrl("qrc:/banner/banner.html"));
    bool loaded = false;
    QObject::connect(parts.wbBanner, &QWebEngineView::loadFinished, [&](bool ok) { loaded = ok; });
    EXPECT_TRUE(spinUntil([&] { return loaded; }, 20000)) << "the shipped banner works offline";
    EXPECT_EQ(parts.wbBanner->title(), "Quillmark banner");

    EXPECT_EQ(showBanner(&window, nullptr, parts.wbPicture), nullptr);
}

}  // namespace
