#include "history/load_search_dialog.h"
#include "history/save_search_dialog.h"
#include "history/saved_search.h"

#include "config/ini_file.h"
#include "history_test_helpers.h"
#include "results/results_grid.h"
#include "scripted_platform.h"
#include "support/temp_app_folder.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kToday = savedSearch::dateKey(QDate::currentDate());

struct Fixture {
    TempAppFolder app;
    ScriptedPlatform ui;
    QWidget owner;
    ResultsGrid grid;
    Fixture() { grid.appendRow({"site.com", "", "1250", "310", "-", "", "7", "8"}); }
    QString saved(const QString& name) const { return app.file(QStringLiteral("Saved/") + name + ".lpc"); }
};

template <typename W>
W* child(QDialog& d, const char* name) {
    W* w = d.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

}  // namespace

TEST(SaveDialog, NoSelectedRowSaysSoAndOpensNothing) {
    Fixture f;
    ResultsGrid empty;
    for (auto [grid, row] : {std::pair<ResultsGrid*, int>{&f.grid, -1}, {&f.grid, 1}, {&empty, 0}}) {
        f.ui.asked.clear();
        SaveSearchDialog::saveResults(&f.owner, *grid, row);  // a dialog would block here
        ASSERT_EQ(f.ui.asked.size(), 1);
        EXPECT_EQ(f.ui.asked[0].text,
                  QStringLiteral("You must first select the item in the results list that you would like to save."));
        EXPECT_EQ(f.ui.asked[0].caption, QStringLiteral("Quillmark"));
        EXPECT_EQ(f.ui.asked[0].buttons, UiPlatform::Buttons::Ok);
        EXPECT_EQ(f.ui.asked[0].icon, UiPlatform::Icon::None);
    }
    EXPECT_EQ(f.owner.findChild<QDialog*>(), nullptr);
    EXPECT_TRUE(savedSearch::pendingSaveRecord().isEmpty());
}

TEST(SaveDialog, SaveCreatesANewSearchFromTheRow) {
    Fixture f;
    onNextModal([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("Form5"));
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Save Search Results"));
        EXPECT_EQ(d.parentWidget(), &f.owner);
        EXPECT_EQ(child<QGroupBox>(d, "Frame1")->title(), QStringLiteral("Save Into An Old Search Result"));
        EXPECT_EQ(child<QGroupBox>(d, "Frame2")->title(), QStringLiteral("Create New Save File"));
        EXPECT_EQ(child<QLabel>(d, "Label1")->text(), QStringLiteral("Append new results to this previous search:"));
        EXPECT_EQ(child<QLabel>(d, "Label2")->text(), QStringLiteral("Please choose a name for this search:"));
        EXPECT_EQ(child<QPushButton>(d, "Command1")->text(), QStringLiteral("Ok"));
        EXPECT_EQ(child<QPushButton>(d, "Command2")->text(), QStringLiteral("Cancel"));
        EXPECT_EQ(child<QComboBox>(d, "Combo1")->count(), 0);
        QTest::keyClicks(child<QLineEdit>(d, "Text1"), QStringLiteral("My Site"));
        QTest::mouseClick(child<QPushButton>(d, "Command3"), Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
    });
    SaveSearchDialog::saveResults(&f.owner, f.grid, 0);
    ASSERT_EQ(f.ui.asked.size(), 1);
    EXPECT_EQ(f.ui.asked[0].text, QStringLiteral("You currently do not have any saved searches"));
    EXPECT_EQ(f.ui.asked[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(f.ui.asked[0].icon, UiPlatform::Icon::Information);
    const QString file = f.saved(QStringLiteral("My Site"));
    EXPECT_EQ(IniListSections(file), QStringList({"Google", "Altavista", "MSN", "All The Web"}));
    EXPECT_EQ(IniReadKey(QStringLiteral("Google"), kToday, QString(), file), QStringLiteral("1250"));
}

TEST(SaveDialog, OkAppendsToTheChosenSearchAndNeedsAChoice) {
    Fixture f;
    f.app.write(QStringLiteral("Saved/alpha.lpc"), "\r\n[Google]\r\n01-01-00=5\r\n");
    f.app.write(QStringLiteral("Saved/beta.lpc"), "\r\n[Google]\r\n01-01-00=6\r\n");
    onNextModal([&](QDialog& d) {
        auto* combo = child<QComboBox>(d, "Combo1");
        EXPECT_EQ((QStringList{combo->itemText(0), combo->itemText(1)}), QStringList({"alpha", "beta"}));
        EXPECT_EQ(combo->currentIndex(), -1);
        QTest::mouseClick(child<QPushButton>(d, "Command1"), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());  // nothing chosen: asked to choose, still open
        choose(combo, QStringLiteral("beta"));
        QTest::mouseClick(child<QPushButton>(d, "Command1"), Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
    });
    SaveSearchDialog::saveResults(&f.owner, f.grid, 0);
    EXPECT_EQ(f.ui.messages(), QStringList({"Please choose a saved search in the dropdown box above"}));
    EXPECT_EQ(IniReadSection(QStringLiteral("Google"), QString(), f.saved("beta")),
              kToday + QStringLiteral("=1250\r\n01-01-00=6\r\n"));
    EXPECT_EQ(f.app.read(QStringLiteral("Saved/alpha.lpc")), QByteArray("\r\n[Google]\r\n01-01-00=5\r\n"));
}

TEST(SaveDialog, RefusedNamesAndFailedSavesAreReportedAndTheDialogStaysOpen) {
    Fixture f;
    // A file where the Saved folder should be: nothing can be written there.
    ASSERT_TRUE(QDir(f.app.file(QStringLiteral("Saved"))).removeRecursively());
    f.app.write(QStringLiteral("Saved"), "not a folder");
    QStringList stillOpen;
    onNextModal([&](QDialog& d) {
        auto* text = child<QLineEdit>(d, "Text1");
        for (const QString& name : {QString(), QStringLiteral("../escape"), QStringLiteral("fine")}) {
            text->setText(name);
            QTest::mouseClick(child<QPushButton>(d, "Command3"), Qt::LeftButton);
            if (d.isVisible()) stillOpen << name;
        }
        QTest::mouseClick(child<QPushButton>(d, "Command2"), Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
    });
    SaveSearchDialog::saveResults(&f.owner, f.grid, 0);
    EXPECT_EQ(stillOpen, QStringList({"", "../escape", "fine"}));
    const QStringList messages = f.ui.messages();
    ASSERT_EQ(messages.size(), 4);  // the empty listing, then one per click
    EXPECT_EQ(messages[1], QStringLiteral("Please choose a name for this search."));
    EXPECT_TRUE(messages[2].contains(QLatin1String("\"/\""))) << messages[2].toStdString();
    EXPECT_TRUE(messages[3].contains(QDir::toNativeSeparators(f.app.file(QStringLiteral("Saved/fine.lpc")))))
        << messages[3].toStdString();
    EXPECT_TRUE(messages[3].contains(QLatin1String("folder could not be created"))) << messages[3].toStdString();
    EXPECT_FALSE(QFile::exists(f.app.file(QStringLiteral("escape.lpc"))));
}

TEST(SaveDialog, CancelWritesNothing) {
    Fixture f;
    onNextModal([&](QDialog& d) {
        child<QLineEdit>(d, "Text1")->setText(QStringLiteral("never"));
        QTest::mouseClick(child<QPushButton>(d, "Command2"), Qt::LeftButton);
    });
    SaveSearchDialog::saveResults(&f.owner, f.grid, 0);
    EXPECT_TRUE(QDir(f.app.file(QStringLiteral("Saved"))).isEmpty());
}

TEST(LoadDialog, ChoosingASearchSetsTheChartFileName) {
    Fixture f;
    f.app.write(QStringLiteral("Saved/history.lpc"), "\r\n[Google]\r\n01-01-00=5\r\n");
    savedSearch::setChartFileName(QString());
    LoadSearchDialog dialog(&f.owner);
    QSignalSpy chosen(&dialog, &LoadSearchDialog::searchChosen);
    EXPECT_TRUE(f.ui.asked.isEmpty());
    onNextModal([&](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("Form4"));
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Load Saved Search"));
        EXPECT_EQ(child<QGroupBox>(d, "Frame1")->title(), QStringLiteral("Select saved search to load"));
        EXPECT_EQ(child<QPushButton>(d, "Command2")->text(), QStringLiteral("Cancel"));
        QTest::mouseClick(child<QPushButton>(d, "Command1"), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(chosen.count(), 0);
        choose(child<QComboBox>(d, "Combo1"), QStringLiteral("history"));
        QTest::mouseClick(child<QPushButton>(d, "Command1"), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    ASSERT_EQ(f.ui.asked.size(), 1);
    EXPECT_EQ(f.ui.asked[0].text, QStringLiteral("Please choose a saved file in the dropdown box above"));
    EXPECT_EQ(f.ui.asked[0].caption, QStringLiteral("Select A Saved Search"));
    EXPECT_EQ(f.ui.asked[0].icon, UiPlatform::Icon::Information);
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_EQ(savedSearch::chartFileName(), QStringLiteral("history.lpc"));
}

TEST(LoadDialog, EmptyFolderSaysSoAndOpensWithAnEmptyList) {
    Fixture f;
    LoadSearchDialog dialog(&f.owner);
    EXPECT_EQ(f.ui.messages(), QStringList({"You currently do not have any saved searches"}));
    EXPECT_EQ(dialog.findChild<QComboBox*>(QStringLiteral("Combo1"))->count(), 0);
    onNextModal([&](QDialog& d) { QTest::mouseClick(child<QPushButton>(d, "Command2"), Qt::LeftButton); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}
