#include "history/save_search_dialog.h"
#include "history/saved_search.h"

#include "config/ini_file.h"
#include "history_test_helpers.h"
#include "results/results_grid.h"
#include "scripted_platform.h"
#include "support/qt_gtest_printers.h"
#include "support/temp_app_folder.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kToday = savedSearch::dateKey(QDate::currentDate());
const QByteArray kHistory = "\r\n[Google]\r\n01-02-06=5\r\n01-01-06=4\r\n\r\n[Altavista]\r\n12-31-05=3\r\n";

template <typename W>
W* child(QDialog& d, const char* name) {
    W* w = d.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// A saved search with a history, and one scanned row in a real grid to save.
struct Scene {
    TempAppFolder app;
    QWidget owner;
    ResultsGrid grid;
    explicit Scene(const QString& existing) {
        grid.appendRow({"site.com", "", "1250", "310", "-", "", "7", "8"});
        app.write(QStringLiteral("Saved/") + existing + QStringLiteral(".lpc"), kHistory);
    }
    void saveResults() { SaveSearchDialog::saveResults(&owner, grid, 0); }
};

}  // namespace

TEST(SaveDialogKeys, EnterSavesFromTheNameBoxOnlyAndNoButtonIsDefault) {
    Scene scene(QStringLiteral("old"));
    TempAppFolder& app = scene.app;
    ScriptedPlatform ui;
    QStringList closedBy;
    onNextModal([&](QDialog& d) {
        choose(child<QComboBox>(d, "Combo1"), QStringLiteral("old"));
        for (const char* name : {"Command1", "Command2", "Command3"}) {
            auto* button = child<QPushButton>(d, name);
            EXPECT_FALSE(button->isDefault() || button->autoDefault()) << name;
        }
        // A user who picked an old search, then pressed Enter anywhere but in the name box.
        for (const char* name : {"Combo1", "Command1", "Command2", "Command3"}) {
            for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
                QTest::keyClick(d.findChild<QWidget*>(QString::fromLatin1(name)), key);
                if (!d.isVisible()) closedBy << name;
            }
        }
        QTest::keyClick(&d, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        auto* text = child<QLineEdit>(d, "Text1");
        QTest::keyClicks(text, QStringLiteral("fresh"));
        QTest::keyClick(text, Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
    });
    scene.saveResults();
    EXPECT_TRUE(closedBy.isEmpty()) << closedBy.join(' ').toStdString();
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messages().join('|').toStdString();
    EXPECT_EQ(app.read(QStringLiteral("Saved/old.lpc")), kHistory);
    const QString fresh = app.file(QStringLiteral("Saved/fresh.lpc"));
    EXPECT_EQ(IniReadSection(QStringLiteral("Google"), QString(), fresh), kToday + QStringLiteral("=1250\r\n"));
}

TEST(SaveDialogKeys, SaveOverAnExistingSearchAsksAndNoKeepsEveryByte) {
    Scene scene(QStringLiteral("Mine"));
    TempAppFolder& app = scene.app;
    ScriptedPlatform ui;
    ui.messageAnswers = {UiPlatform::Answer::Ok, UiPlatform::Answer::No, UiPlatform::Answer::Yes};
    QList<bool> openAfter;
    QList<QByteArray> fileAfter;
    onNextModal([&](QDialog& d) {
        auto* text = child<QLineEdit>(d, "Text1");
        // Spaces only are no name; an existing name in other letter case is that search.
        for (const QString& name : {QStringLiteral("   "), QStringLiteral("MINE"), QStringLiteral("MINE")}) {
            text->setText(name);
            QTest::mouseClick(child<QPushButton>(d, "Command3"), Qt::LeftButton);
            openAfter << d.isVisible();
            fileAfter << app.read(QStringLiteral("Saved/Mine.lpc"));
        }
    });
    scene.saveResults();
    EXPECT_EQ(openAfter, (QList<bool>{true, true, false}));
    EXPECT_EQ(fileAfter[0], kHistory);
    EXPECT_EQ(fileAfter[1], kHistory);
    EXPECT_FALSE(QFile::exists(app.file(QStringLiteral("Saved/   .lpc"))));
    ASSERT_EQ(ui.asked.size(), 3);
    EXPECT_EQ(ui.asked[0].text, QStringLiteral("Please choose a name for this search."));
    for (int i : {1, 2}) {
        EXPECT_EQ(ui.asked[i].text, QStringLiteral("The saved search \"Mine\" already holds 3 dates. Replace its "
                                                   "history with today's results?"));
        EXPECT_EQ(ui.asked[i].caption, QStringLiteral("Warning"));
        EXPECT_EQ(ui.asked[i].buttons, UiPlatform::Buttons::YesNoDefaultNo);
        EXPECT_EQ(ui.asked[i].icon, UiPlatform::Icon::Warning);
    }
    // Yes: the engines written keep only today's count.
    const QString file = app.file(QStringLiteral("Saved/Mine.lpc"));
    EXPECT_EQ(IniReadSection(QStringLiteral("Google"), QString(), file), kToday + QStringLiteral("=1250\r\n"));
    EXPECT_EQ(IniReadSection(QStringLiteral("Altavista"), QString(), file), kToday + QStringLiteral("=310\r\n"));
}

// The real question box, answered from the keyboard: N for No; Enter is No
// too, so it cannot wipe a history; Y for Yes.
TEST(SaveDialogKeys, TheRealReplaceQuestionAnswersFromTheKeyboard) {
    Scene scene(QStringLiteral("site"));
    TempAppFolder& app = scene.app;
    QStringList answered;
    auto answerWith = [&](Qt::Key key) {
        onNextModal([&answered, key](QDialog& d) {
            auto* box = qobject_cast<QMessageBox*>(&d);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Warning"));
            EXPECT_TRUE(box->text().contains(QLatin1String("\"site\""))) << box->text().toStdString();
            QTest::keyClick(box, key);
            EXPECT_TRUE(QTest::qWaitFor([box] { return !box->isVisible(); }, 3000));
            if (box->clickedButton()) answered << box->clickedButton()->text().remove(QLatin1Char('&'));
        });
    };
    bool openAfterNo = false;
    QByteArray afterNo;
    onNextModal([&](QDialog& d) {
        auto* text = child<QLineEdit>(d, "Text1");
        QTest::keyClicks(text, QStringLiteral("site"));
        answerWith(Qt::Key_N);
        QTest::keyClick(text, Qt::Key_Return);
        openAfterNo = d.isVisible();
        afterNo = app.read(QStringLiteral("Saved/site.lpc"));
        answerWith(Qt::Key_Return);
        QTest::keyClick(text, Qt::Key_Return);
        openAfterNo = openAfterNo && d.isVisible();
        afterNo = afterNo == app.read(QStringLiteral("Saved/site.lpc")) ? afterNo : QByteArray();
        answerWith(Qt::Key_Y);
        QTest::keyClick(text, Qt::Key_Return);
    });
    scene.saveResults();
    EXPECT_EQ(answered, QStringList({"No", "No", "Yes"}));
    EXPECT_TRUE(openAfterNo);
    EXPECT_EQ(afterNo, kHistory);
    EXPECT_EQ(IniReadSection(QStringLiteral("Google"), QString(), app.file(QStringLiteral("Saved/site.lpc"))),
              kToday + QStringLiteral("=1250\r\n"));
}

// The name box has the keyboard when the dialog opens: typing at once and
// Enter save a new search under the typed name.
TEST(SaveDialogKeys, TheNameBoxHasTheFocusWhenTheDialogOpens) {
    Scene scene(QStringLiteral("old"));
    TempAppFolder& app = scene.app;
    ScriptedPlatform ui;
    QString focused;
    onNextModal([&](QDialog& d) {
        QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; }, 3000);
        QWidget* focus = QApplication::focusWidget();
        focused = focus ? focus->objectName() : QString();
        if (!focus) return;
        QTest::keyClicks(focus, QStringLiteral("typed"));
        QTest::keyClick(focus, Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
    });
    scene.saveResults();
    EXPECT_EQ(focused, QStringLiteral("Text1"));
    EXPECT_EQ(IniReadSection(QStringLiteral("Google"), QString(), app.file(QStringLiteral("Saved/typed.lpc"))),
              kToday + QStringLiteral("=1250\r\n"));
}
