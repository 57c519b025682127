#include "shell/settings_dialog.h"

#include "config/engine_catalog.h"
#include "config/ini_file.h"
#include "sources/credentials.h"
#include "config/settings_store.h"
#include "config/settings_table.h"
#include "scripted_platform.h"
#include "support/settings_snapshot.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include "active_window.h"
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QByteArray kIni =
    "[Engines]\r\nGoogle=http://g/?q=link:\r\nAltavista=http://av/?q=link:\r\nYahoo=http://y/?p=link:\r\n"
    "Ask=http://ask/?q=links:\r\nMSN=http://msn/?q=link:\r\nATW=http://atw/?q=link:\r\n";

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_app.write("settings.ini", kIni);
        settings::saveText(Setting::LowThreshold, QStringLiteral("500"));
        settings::saveText(Setting::HighThreshold, QStringLiteral("1000"));
        settings::saveText(Setting::HighShown, QStringLiteral("1000"));
        settings::saveFlag(Setting::AutoSort, true);
        settings::saveFlag(Setting::ClearFirst, false);
        settings::saveFlag(Setting::AtOnce, false);
        settings::saveText(Setting::Pause, QStringLiteral("0"));
        Form2::showModeless(nullptr);
        dialog = Form2::instance();
        ASSERT_NE(dialog, nullptr);
    }
    void TearDown() override {
        if (Form2* open = Form2::instance()) open->close();
        spinUntil([] { return Form2::instance() == nullptr; });
    }
    template <typename T>
    T* child(const char* name) const {
        T* w = dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* profile(int index) const {
        return child<QLineEdit>(QStringLiteral("txtProfile%1").arg(index).toLatin1().constData());
    }
    QStringList profiles() const { return {profile(0)->text(), profile(1)->text(), profile(2)->text()}; }
    void click(const char* button) const { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    bool closed() const { return spinUntil([] { return Form2::instance() == nullptr; }, 5000); }

    SettingsSnapshot m_snapshot;
    TempAppFolder m_app;
    ScriptedPlatform m_ui;
    Form2* dialog = nullptr;
};

TEST_F(SettingsDialogTest, ShowsItsControlsFilledFromFileAndStore) {
    EXPECT_EQ(dialog->windowTitle(), "Options");
    EXPECT_EQ(dialog->objectName(), "Form2");
    QStringList frames;
    for (auto* frame : dialog->findChildren<QGroupBox*>()) frames << frame->title();
    frames.sort();
    EXPECT_EQ(frames, (QStringList{"Data Options", "Define Popularity Ranks", "Edit Search Engine URLs", "Web Graph"}));
    const QStringList expected{"http://g/?q=link:",    "http://av/?q=link:",  "http://y/?p=link:",
                               "http://ask/?q=links:", "http://msn/?q=link:", "http://atw/?q=link:"};
    for (int i = 0; i < kEngineCount; ++i) {
        const EngineSpec& engine = engineSpecs()[i];
        QLineEdit* field = child<QLineEdit>(engine.templateField);
        EXPECT_EQ(field->text(), expected[i]);
        QLabel* label = nullptr;
        for (auto* l : dialog->findChildren<QLabel*>())
            if (l->buddy() == field) label = l;
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), engine.dialogLabel);
        // Labels stand above their fields, in engine order top to bottom.
        EXPECT_LT(label->mapTo(dialog, QPoint()).y(), field->mapTo(dialog, QPoint()).y());
        if (i > 0) {
            EXPECT_GT(field->mapTo(dialog, QPoint()).y(),
                      child<QLineEdit>(engineSpecs()[i - 1].templateField)->mapTo(dialog, QPoint()).y());
        }
    }
    EXPECT_EQ(profiles(), (QStringList{"500", "1000", "1000"}));
    EXPECT_LT(profile(2)->mapTo(dialog, QPoint()).y(), profile(1)->mapTo(dialog, QPoint()).y());
    EXPECT_LT(profile(1)->mapTo(dialog, QPoint()).y(), profile(0)->mapTo(dialog, QPoint()).y());
    for (const char* name : {"Picture1", "Picture2", "Picture3"}) {
        QLabel* picture = child<QLabel>(name);
        EXPECT_EQ(picture->size(), QSize(32, 32));
        EXPECT_FALSE(picture->pixmap().isNull());
    }
    EXPECT_EQ(child<QCheckBox>("chkClear")->text(), "Clear results after each search");
    EXPECT_EQ(child<QCheckBox>("chkAuto")->text(), "Auto-sort data by popularity");
    EXPECT_FALSE(child<QCheckBox>("chkClear")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("chkAuto")->isChecked());
    EXPECT_EQ(child<QPushButton>("Command1")->text(), "Ok");
    EXPECT_EQ(child<QPushButton>("Command2")->text(), "Cancel");
    EXPECT_EQ(child<QPushButton>("Command3")->text(), "Reset");
}

// Typed key by key, a value moves no other field; finished (Tab, Return or
// "Ok"), it puts the ranks in order once. Letters are refused as typed.
TEST_F(SettingsDialogTest, TypingKeepsTheRanksInOrder) {
    enum class Finish { Tab, Return, Ok };
    struct Case {
        int field;
        const char* keys;
        Finish finish;
        QStringList whileTyping;  // Low, Medium, High after the last key
        QStringList expected;     // after finishing
    };
    const Case cases[] = {
        {0, "1500", Finish::Tab, {"1500", "1000", "1000"}, {"1500", "3000", "3000"}},
        {1, "2000", Finish::Tab, {"500", "2000", "1000"}, {"500", "2000", "2000"}},
        {2, "700", Finish::Tab, {"500", "1000", "700"}, {"500", "700", "700"}},
        {2, "2500", Finish::Return, {"500", "1000", "2500"}, {"500", "2500", "2500"}},
        {2, "300", Finish::Tab, {"500", "1000", "300"}, {"299", "300", "300"}},
        {0, "5a", Finish::Tab, {"5", "1000", "1000"}, {"5", "1000", "1000"}},
        {1, "5a", Finish::Tab, {"500", "5", "1000"}, {"4", "5", "5"}},
        {2, "12345678901", Finish::Tab, {"500", "1000", "1234567890"}, {"500", "1234567890", "1234567890"}},
        {2, "9999999999", Finish::Tab, {"500", "1000", "9999999999"}, {"500", "999999999", "999999999"}},
        {0, "", Finish::Tab, {"", "1000", "1000"}, {"", "1000", "1000"}},
        {2, "", Finish::Tab, {"500", "1000", ""}, {"500", "1000", ""}},
        {2, "700", Finish::Ok, {"500", "1000", "700"}, {"500", "700", "700"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "field " << c.field << " keys " << c.keys);
        if (!Form2::instance()) Form2::showModeless(nullptr);
        dialog = Form2::instance();
        ASSERT_TRUE(activateForKeys(dialog));
        // Back to the stored values through Reset, answered No.
        click("Command3");
        ASSERT_EQ(profiles(), (QStringList{"500", "1000", "1000"}));
        QLineEdit* field = profile(c.field);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
        ASSERT_TRUE(field->text().isEmpty());
        QTest::keyClicks(field, QLatin1String(c.keys));
        EXPECT_EQ(profiles(), c.whileTyping);
        switch (c.finish) {
            case Finish::Tab: QTest::keyClick(field, Qt::Key_Tab); break;
            case Finish::Return: QTest::keyClick(field, Qt::Key_Return); break;
            case Finish::Ok: click("Command1"); break;
        }
        if (c.finish == Finish::Tab) {
            EXPECT_EQ(profiles(), c.expected);
        } else {
            // Return presses "Ok", which saves the finished values.
            ASSERT_TRUE(closed());
            EXPECT_EQ((QStringList{settings::text(Setting::LowThreshold), settings::text(Setting::HighThreshold),
                                   settings::text(Setting::HighShown)}),
                      c.expected);
            settings::saveText(Setting::LowThreshold, QStringLiteral("500"));
            settings::saveText(Setting::HighThreshold, QStringLiteral("1000"));
            settings::saveText(Setting::HighShown, QStringLiteral("1000"));
        }
    }
}

TEST_F(SettingsDialogTest, EditingWhileAnotherFieldIsEmptyChangesNothingElse) {
    QLineEdit* medium = profile(1);
    QTest::keyClick(medium, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(medium, Qt::Key_Backspace);
    QLineEdit* low = profile(0);
    QTest::keyClick(low, Qt::Key_End);
    QTest::keyClicks(low, "00");
    EXPECT_EQ(profiles(), (QStringList{"50000", "", "1000"}));
    QTest::keyClick(profile(2), Qt::Key_End);
    QTest::keyClicks(profile(2), "5");
    EXPECT_EQ(profiles(), (QStringList{"50000", "", "10005"}));
}

TEST_F(SettingsDialogTest, OkSavesEverythingAsShown) {
    child<QLineEdit>("Text1")->setText("http://new/?q=link:");
    child<QLineEdit>("Text5")->clear();
    QTest::keyClick(profile(0), Qt::Key_Backspace);  // "50"
    child<QCheckBox>("chkClear")->setChecked(true);
    child<QCheckBox>("chkAuto")->setChecked(false);
    click("Command1");
    EXPECT_TRUE(closed());
    EXPECT_EQ(QString::fromLatin1(m_app.read("settings.ini")),
              "\r\n[Engines]\r\nGoogle=http://new/?q=link:\r\nAltavista=http://av/?q=link:\r\n"
              "Yahoo=http://y/?p=link:\r\nAsk=http://ask/?q=links:\r\nMSN=\r\nATW=http://atw/?q=link:\r\n");
    EXPECT_EQ(settings::text(Setting::LowThreshold), "50");
    EXPECT_EQ(settings::text(Setting::HighThreshold), "1000");
    EXPECT_EQ(settings::text(Setting::HighShown), "1000");
    EXPECT_EQ(settings::text(Setting::ClearFirst), "1");
    EXPECT_EQ(settings::text(Setting::AutoSort), "0");
    EXPECT_TRUE(m_ui.asked.isEmpty());
}

TEST_F(SettingsDialogTest, CancelAndCloseBoxSaveNothing) {
    for (bool closeBox : {false, true}) {
        if (!Form2::instance()) Form2::showModeless(nullptr);
        dialog = Form2::instance();
        child<QLineEdit>("Text2")->setText("changed");
        QTest::keyClicks(profile(0), "1");
        child<QCheckBox>("chkClear")->setChecked(true);
        if (closeBox)
            dialog->close();
        else
            click("Command2");
        EXPECT_TRUE(closed());
        EXPECT_EQ(m_app.read("settings.ini"), kIni);
        EXPECT_EQ(settings::text(Setting::LowThreshold), "500");
        EXPECT_EQ(settings::text(Setting::ClearFirst), "0");
    }
}

TEST_F(SettingsDialogTest, ResetAnsweredNoOnlyResetsTheThresholds) {
    QTest::keyClicks(profile(2), "0");  // Medium and High 10000
    child<QLineEdit>("Text3")->setText("mine");
    m_ui.messageAnswers.push_back(UiPlatform::Answer::No);
    click("Command3");
    ASSERT_EQ(m_ui.asked.size(), 1);
    EXPECT_EQ(m_ui.asked[0].text, "This will reset all engines, Continue?");
    EXPECT_EQ(m_ui.asked[0].caption, "Warning");
    EXPECT_EQ(m_ui.asked[0].buttons, UiPlatform::Buttons::YesNo);
    EXPECT_EQ(m_ui.asked[0].icon, UiPlatform::Icon::None);
    EXPECT_EQ(profiles(), (QStringList{"500", "1000", "1000"}));
    EXPECT_EQ(child<QLineEdit>("Text3")->text(), "mine");
    EXPECT_EQ(m_app.read("settings.ini"), kIni);
}

TEST_F(SettingsDialogTest, ResetAnsweredYesWritesTheDefaultsAtOnce) {
    QTest::keyClicks(profile(0), "0");  // Low 5000: Medium and High 10000
    m_ui.messageAnswers.push_back(UiPlatform::Answer::Yes);
    click("Command3");
    for (const EngineSpec& engine : engineSpecs()) {
        EXPECT_EQ(child<QLineEdit>(engine.templateField)->text(), defaultTemplate(engine));
        EXPECT_EQ(readTemplate(engine, m_app.file("settings.ini")), defaultTemplate(engine));
    }
    EXPECT_EQ(profiles(), (QStringList{"500", "1000", "1000"}));
    click("Command2");
    EXPECT_TRUE(closed());
    // The templates stay written; the thresholds in the store are untouched.
    EXPECT_EQ(readTemplate(engineSpec(EngineKey::Ask), m_app.file("settings.ini")),
              "http://www.ask.com/web?qsrc=1&o=312&q=links:");
    EXPECT_EQ(settings::text(Setting::LowThreshold), "500");
    EXPECT_EQ(settings::text(Setting::HighThreshold), "1000");
}

TEST_F(SettingsDialogTest, UnwritableSettingsFileIsReported) {
    // A folder where the file should be: nothing can be written there, even by root.
    dialog->close();
    ASSERT_TRUE(closed());
    QFile::remove(m_app.file("settings.ini"));
    QDir(m_app.path()).mkdir("settings.ini");
    Form2::showModeless(nullptr);
    dialog = Form2::instance();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(child<QLineEdit>("Text1")->text().isEmpty());

    m_ui.messageAnswers.push_back(UiPlatform::Answer::Yes);
    click("Command3");
    QStringList expected{"This will reset all engines, Continue?",
                         QStringLiteral("The search engine URLs could not be saved to %1.")
                             .arg(QDir::toNativeSeparators(m_app.file("settings.ini")))};
    EXPECT_EQ(m_ui.messages(), expected);

    QTest::keyClicks(profile(0), "1");
    click("Command1");
    EXPECT_TRUE(closed());
    expected << expected.last();
    EXPECT_EQ(m_ui.messages(), expected);
    EXPECT_EQ(m_ui.asked.last().caption, "Information");
    // The store is saved all the same.
    EXPECT_EQ(settings::text(Setting::LowThreshold), "5001");
    QFileInfo folder(m_app.file("settings.ini"));
    EXPECT_TRUE(folder.isDir());
    EXPECT_TRUE(QDir(folder.filePath()).isEmpty());
}

TEST_F(SettingsDialogTest, OneInstanceModelessOrModal) {
    Form2::showModeless(nullptr);
    EXPECT_EQ(Form2::instance(), dialog);
    Form2::showModal(nullptr);  // the open one comes to the front, nothing blocks
    EXPECT_EQ(Form2::instance(), dialog);
    EXPECT_FALSE(dialog->isModal());
    dialog->close();
    ASSERT_TRUE(closed());

    // Modal: the call returns only when the dialog has been closed.
    bool sawModal = false;
    QTimer::singleShot(0, [&] {
        Form2* modal = Form2::instance();
        ASSERT_NE(modal, nullptr);
        sawModal = modal->isModal() && modal->isVisible();
        QTest::mouseClick(modal->findChild<QPushButton*>("Command2"), Qt::LeftButton);
    });
    Form2::showModal(nullptr);
    EXPECT_TRUE(sawModal);
    EXPECT_TRUE(closed());
}

}  // namespace

namespace {

// The two pacing options sit in "Data Options", which holds them whole; the
// pause takes digits only, and Enter saves through the default button.
TEST_F(SettingsDialogTest, ThresholdsRefuseNegativeNumbers) {
    ASSERT_TRUE(activateForKeys(dialog));
    // Typed: the minus sign is refused as a letter is.
    QLineEdit* low = profile(0);
    low->setFocus();
    QTest::keyClick(low, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(low, "-800");
    EXPECT_EQ(low->text(), "800");
    // Pasted whole, a negative number does not get in at all.
    QTest::keyClick(low, Qt::Key_A, Qt::ControlModifier);
    low->insert(QStringLiteral("-5"));
    EXPECT_EQ(low->text(), "800");
    // Medium at 0 leaves Low at 0, not -1.
    QLineEdit* medium = profile(1);
    medium->setFocus();
    QTest::keyClick(medium, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(medium, "0");
    QTest::keyClick(medium, Qt::Key_Tab);
    EXPECT_EQ(profiles(), (QStringList{"0", "0", "0"}));
    click("Command1");
    ASSERT_TRUE(closed());
    EXPECT_EQ(settings::text(Setting::LowThreshold), "0");

    // A negative value stored earlier shows, and is saved again, as its default.
    settings::saveText(Setting::LowThreshold, QStringLiteral("-800"));
    settings::saveText(Setting::HighThreshold, QStringLiteral("1000"));
    settings::saveText(Setting::HighShown, QStringLiteral("1000"));
    Form2::showModeless(nullptr);
    dialog = Form2::instance();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(profiles(), (QStringList{"500", "1000", "1000"}));
    click("Command1");
    ASSERT_TRUE(closed());
    EXPECT_EQ(settings::text(Setting::LowThreshold), "500");
}

TEST_F(SettingsDialogTest, PacingOptionsLoadTypeAndSaveWithEnter) {
    dialog->close();
    ASSERT_TRUE(closed());
    settings::saveFlag(Setting::AtOnce, true);
    settings::saveText(Setting::Pause, QStringLiteral("15"));
    Form2::showModeless(nullptr);
    dialog = Form2::instance();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));

    auto* atOnce = child<QCheckBox>("chkAtOnce");
    auto* pause = child<QLineEdit>("txtPause");
    EXPECT_EQ(atOnce->text(), "Ask the six engines at once");
    EXPECT_TRUE(atOnce->isChecked());
    EXPECT_EQ(pause->text(), "15");
    QLabel* label = nullptr;
    for (auto* l : dialog->findChildren<QLabel*>())
        if (l->buddy() == pause) label = l;
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Pause between two requests to one engine");
    auto* frame = child<QGroupBox>("Frame3");
    EXPECT_EQ(frame->title(), "Data Options");
    QRect previous;
    for (QWidget* w : std::initializer_list<QWidget*>{child<QCheckBox>("chkClear"), child<QCheckBox>("chkAuto"), atOnce,
                                                      label, pause}) {
        const QRect inFrame(w->mapTo(frame, QPoint()), w->size());
        EXPECT_TRUE(frame->contentsRect().contains(inFrame)) << w->objectName().toStdString();
        EXPECT_GE(inFrame.top(), previous.bottom()) << w->objectName().toStdString();
        EXPECT_GE(w->width(), w->minimumSizeHint().width()) << w->objectName().toStdString();
        previous = inFrame;
    }

    QTest::keyClick(atOnce, Qt::Key_Space);
    pause->setFocus();
    QTest::keyClick(pause, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(pause, "4x2");
    EXPECT_EQ(pause->text(), "42");
    if (const QByteArray dir = qgetenv("QUILLMARK_SHOT_DIR"); !dir.isEmpty())
        dialog->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath("options_pacing.png"));
    QTest::keyClick(pause, Qt::Key_Return);
    EXPECT_TRUE(closed());
    EXPECT_EQ(settings::text(Setting::AtOnce), "0");
    EXPECT_EQ(settings::text(Setting::Pause), "42");
}

}  // namespace

namespace {

// The source list beside a template, driven by real clicks and keys.
class SourcePickerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_app.write("settings.ini", kIni);
        m_app.write("Sources/moz.ini",
                    "[Source]\r\nCaption=Moz\r\nMethod=POST\r\nUrl=http://127.0.0.1:1/v2/url_metrics\r\n"
                    "Auth=basic id secret\r\nCount=json:/results/{i}/n\r\n");
        QFile::remove(credentials::path());
    }
    void TearDown() override {
        if (Form2* open = Form2::instance()) open->close();
        spinUntil([] { return Form2::instance() == nullptr; });
    }
    Form2* open() {
        Form2::showModeless(nullptr);
        Form2* dialog = Form2::instance();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    // Clicks the tab of the page with that objectName.
    static void showTab(Form2* dialog, const char* page) {
        auto* tabs = dialog->findChild<QTabWidget*>("tabsOptions");
        ASSERT_NE(tabs, nullptr);
        QWidget* widget = tabs->findChild<QWidget*>(QLatin1String(page));
        ASSERT_NE(widget, nullptr) << page;
        const int index = tabs->indexOf(widget);
        ASSERT_GE(index, 0) << page;
        QTabBar* bar = tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        ASSERT_TRUE(spinUntil([&] { return widget->isVisible(); }, 2000)) << page;
    }
    // Picks the list's entry whose text starts with text, by clicking the list and pressing keys.
    static void pick(QComboBox* list, const QString& text) {
        QTest::mouseClick(list, Qt::LeftButton);
        const int target = list->findText(text, Qt::MatchStartsWith);
        ASSERT_GE(target, 0) << text.toStdString();
        QWidget* popup = list->view();
        spinUntil([popup] { return popup->isVisible(); }, 2000);
        while (list->view()->currentIndex().row() < target) QTest::keyClick(popup, Qt::Key_Down);
        while (list->view()->currentIndex().row() > target) QTest::keyClick(popup, Qt::Key_Up);
        QTest::keyClick(popup, Qt::Key_Return);
        spinUntil([list, target] { return list->currentIndex() == target; }, 2000);
    }

    SettingsSnapshot m_snapshot;
    TempAppFolder m_app;
    ScriptedPlatform m_ui;
};

TEST_F(SourcePickerTest, ASourceAndItsCredentialsAreSavedAndReadBack) {
    Form2* dialog = open();
    showTab(dialog, "tabSources");
    auto* google = dialog->findChild<QComboBox*>("cboSource1");
    auto* yahoo = dialog->findChild<QComboBox*>("cboSource3");
    ASSERT_TRUE(google && yahoo);
    EXPECT_EQ(google->currentText(), "Google (built-in)");
    EXPECT_EQ(google->count(), 3);  // built-in, moz, Off
    pick(google, QStringLiteral("Moz"));
    pick(yahoo, QStringLiteral("Off"));
    auto* id = dialog->findChild<QLineEdit*>("txtCredential1_id");
    auto* secret = dialog->findChild<QLineEdit*>("txtCredential1_secret");
    ASSERT_TRUE(id && secret);
    EXPECT_EQ(id->echoMode(), QLineEdit::Password);
    QTest::keyClicks(id, "member-1");
    QTest::keyClicks(secret, "s3cret");
    QTest::mouseClick(dialog->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    ASSERT_TRUE(spinUntil([] { return Form2::instance() == nullptr; }, 5000));

    const QString ini = m_app.file("settings.ini");
    EXPECT_EQ(IniReadKey("Sources", "Google", "?", ini), "moz");
    EXPECT_EQ(IniReadKey("Sources", "Yahoo", "?", ini), "off");
    EXPECT_EQ(IniReadKey("Sources", "Ask", "?", ini), "?");  // never bound: no key written
    EXPECT_FALSE(readFileBytes(ini).contains("s3cret"));
    const auto stored = credentials::read("moz", {"id", "secret"});
    EXPECT_EQ(stored.values.value("id"), "member-1");
    EXPECT_EQ(stored.values.value("secret"), "s3cret");

    dialog = open();
    google = dialog->findChild<QComboBox*>("cboSource1");
    EXPECT_EQ(google->currentData().toString(), "moz");
    EXPECT_EQ(dialog->findChild<QComboBox*>("cboSource3")->currentText(), "Off");
    id = dialog->findChild<QLineEdit*>("txtCredential1_id");
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(id->text(), QString());  // a stored key is never shown again
    EXPECT_EQ(id->placeholderText(), "(stored)");
}

// The engines' page is the dialog it always was; the sources with their keys
// and the web graph have pages of their own, and every page fits a 1024 x 768
// screen with room for a panel and a title bar.
TEST_F(SourcePickerTest, ThreePagesThatFitASmallScreen) {
    m_app.write("Sources/other.ini",
                "[Source]\r\nCaption=Other\r\nMethod=GET\r\nUrl=http://127.0.0.1:1/x?key={cred:key}\r\n"
                "Count=json:/n\r\n");
    m_app.write("settings.ini", kIni + "[Sources]\r\nGoogle=moz\r\nYahoo=other\r\nMSN=moz\r\n");
    Form2* dialog = open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    auto* tabs = dialog->findChild<QTabWidget*>("tabsOptions");
    ASSERT_NE(tabs, nullptr);
    QStringList pages, captions;
    for (int i = 0; i < tabs->count(); ++i) {
        pages << tabs->widget(i)->objectName();
        captions << tabs->tabText(i);
    }
    EXPECT_EQ(pages, (QStringList{"tabGeneral", "tabSources", "tabGraph"}));
    EXPECT_EQ(captions, (QStringList{"Engines", "Sources", "Web Graph"}));
    EXPECT_EQ(tabs->currentIndex(), 0) << "it opens on the engines' page";

    // The first page holds the templates, ranks and data options, and nothing else.
    QWidget* general = tabs->widget(0);
    for (const char* name : {"Frame1", "Frame2", "Frame3", "Text1", "Text6", "txtProfile0", "chkClear", "chkAuto"})
        EXPECT_NE(general->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    EXPECT_TRUE(general->findChildren<QComboBox*>().isEmpty());
    EXPECT_EQ(tabs->widget(1)->findChildren<QComboBox*>().size(), kEngineCount);
    EXPECT_NE(tabs->widget(2)->findChild<QGroupBox*>(), nullptr);
    // Four keyed columns: their fields are on the sources page.
    for (const char* name : {"txtCredential1_id", "txtCredential1_secret", "txtCredential3_key", "txtCredential5_id"})
        EXPECT_NE(tabs->widget(1)->findChild<QLineEdit*>(QLatin1String(name)), nullptr) << name;

    // 768 less a 48-pixel panel and a 30-pixel title bar.
    constexpr int kRoom = 768 - 48 - 30;
    const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR");
    for (const char* page : {"tabSources", "tabGraph", "tabGeneral"}) {
        SCOPED_TRACE(page);
        showTab(dialog, page);
        QTest::qWait(50);
        EXPECT_LE(dialog->height(), kRoom);
        EXPECT_LE(dialog->sizeHint().height(), kRoom);
        EXPECT_LE(dialog->width(), 1024);
        auto* ok = dialog->findChild<QPushButton*>("Command1");
        EXPECT_TRUE(ok->isVisible());
        EXPECT_LE(ok->mapTo(dialog, QPoint(0, ok->height())).y(), dialog->height());
        if (!shots.isEmpty()) dialog->grab().save(QStringLiteral("%1/options_%2.png").arg(shots, QLatin1String(page)));
    }

    // showPage brings a page to the front by its name, as a notice that offers the sources does.
    dialog->showPage(QStringLiteral("tabSources"));
    EXPECT_EQ(tabs->currentWidget()->objectName(), "tabSources");
    dialog->showPage(QStringLiteral("noSuchPage"));
    EXPECT_EQ(tabs->currentWidget()->objectName(), "tabSources");
}

}  // namespace
