#include "config/ini_file.h"
#include "history_test_helpers.h"
#include "results/results_grid.h"
#include "shell/main_window.h"
#include "support/qt_gtest_printers.h"
#include "support/sim_fixture.h"
#include "support/test_environment.h"
#include "urllist/url_list_view.h"

#include <QAbstractButton>
#include <QAction>
#include <QDate>
#include <QDir>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

const QString kToday = QDate::currentDate().toString(QStringLiteral("MM-dd-yy"));
const QByteArray kOldHistory = "\r\n[Google]\r\n01-02-03=4\r\n";

// The main window after a real scan: two addresses of one name, one whose
// search exists, one that no engine answers.
class SaveAllTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        app.write(QStringLiteral("Saved/count-9.example_p.lpc"), kOldHistory);
        window = std::make_unique<Form1>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->urlList()->appendEntries({"http://count-7.example/", "http://www.count-7.example",
                                          "http://count-9.example/p/", "http://drop.example/"});
        window->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        ASSERT_TRUE(spinUntil([&] { return window->scanDriver().isIdle(); }, 30000));
        ASSERT_EQ(window->resultsGrid().rowCount(), 4);
    }

    int rowOf(const QString& address) const {
        const ResultsGrid& grid = window->resultsGrid();
        for (int row = 0; row < grid.rowCount(); ++row)
            if (grid.cell(row, 0) == address) return row;
        return -1;
    }
    void selectRows(const QList<int>& rows) {
        auto* view = window->findChild<QTreeView*>(QStringLiteral("ListView1"));
        view->clearSelection();
        for (int row : rows)
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QStringList savedFiles() const {
        QStringList files = QDir(app.file(QStringLiteral("Saved"))).entryList(QDir::Files);
        files.sort();
        return files;
    }

    std::unique_ptr<Form1> window;
};

TEST_F(SaveAllTest, OneQuestionThenEveryRowIntoTheSearchOfItsAddress) {
    auto* saveAll = window->findChild<QPushButton*>(QStringLiteral("cmdSaveAll"));
    ASSERT_NE(saveAll, nullptr);
    EXPECT_EQ(saveAll->text(), QStringLiteral("Save All"));

    QString question, caption, report;
    onNextModal([&](QDialog& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        ASSERT_NE(box, nullptr);
        question = box->text();
        caption = box->windowTitle();
        onNextModal([&](QDialog& info) { report = static_cast<QMessageBox&>(info).text(); });
        box->button(QMessageBox::Yes)->click();
    });
    QTest::mouseClick(saveAll, Qt::LeftButton);
    EXPECT_EQ(question, QStringLiteral("This will create 1 new saved search and add today's results to 1 existing "
                                       "saved search. 2 rows will not be saved. Continue?"));
    EXPECT_EQ(caption, QStringLiteral("Warning"));
    EXPECT_TRUE(report.startsWith(QStringLiteral("These 2 rows were not saved:"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("http://drop.example/: no engine gave a count")));
    EXPECT_TRUE(report.contains(QStringLiteral("already goes into the saved search \"count-7.example\"")));

    EXPECT_EQ(savedFiles(), QStringList({"count-7.example.lpc", "count-9.example_p.lpc"}));
    EXPECT_EQ(IniReadSection(QStringLiteral("Google"), QString(), app.file(QStringLiteral("Saved/count-9.example_p.lpc"))),
              kToday + QStringLiteral("=9\r\n01-02-03=4\r\n"));
    EXPECT_EQ(IniReadSection(QStringLiteral("Ask"), QString(), app.file(QStringLiteral("Saved/count-7.example.lpc"))),
              kToday + QStringLiteral("=7\r\n"));
}

TEST_F(SaveAllTest, SaveSelectedWithSeveralRowsAsksForThoseRowsAndNoSavesNothing) {
    selectRows({rowOf("http://count-9.example/p/"), rowOf("http://drop.example/")});
    QString question;
    onNextModal([&](QDialog& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        ASSERT_NE(box, nullptr);
        question = box->text();
        box->button(QMessageBox::No)->click();
    });
    window->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    EXPECT_EQ(question, QStringLiteral("This will create 0 new saved searches and add today's results to 1 "
                                       "existing saved search. 1 row will not be saved. Continue?"));
    EXPECT_EQ(app.read(QStringLiteral("Saved/count-9.example_p.lpc")), kOldHistory);

    // One row: the save dialog, as before.
    selectRows({rowOf("http://count-9.example/p/")});
    QString opened;
    onNextModal([&](QDialog& dialog) { opened = dialog.objectName(); });
    window->findChild<QPushButton*>(QStringLiteral("Command4"))->click();
    EXPECT_EQ(opened, QStringLiteral("Form5"));

    // The File menu's item asks the same question as the button.
    question.clear();
    onNextModal([&](QDialog& dialog) {
        question = static_cast<QMessageBox&>(dialog).text();
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    window->findChild<QAction*>(QStringLiteral("mnuSaveAll"))->trigger();
    EXPECT_TRUE(question.startsWith(QStringLiteral("This will create 1 new saved search"))) << question.toStdString();
    EXPECT_EQ(savedFiles(), QStringList({"count-9.example_p.lpc"}));
}

TEST_F(SaveAllTest, RightClickOnASelectionSavesEveryRowOfIt) {
    auto* view = window->findChild<QTreeView*>(QStringLiteral("ListView1"));
    const auto point = [&](const QString& address) {
        return view->visualRect(view->model()->index(rowOf(address), 0)).center();
    };
    // Ctrl-click three rows, then right-click the middle one of them.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, point("http://count-7.example/"));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, point("http://count-9.example/p/"));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, point("http://drop.example/"));
    QTest::mousePress(view->viewport(), Qt::RightButton, {}, point("http://count-9.example/p/"));
    QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, point("http://count-9.example/p/"));
    auto* menu = window->findChild<QMenu*>(QStringLiteral("mnuListView"));
    ASSERT_TRUE(spinUntil([&] { return menu->isVisible(); }, 2000));
    QAction* save = window->findChild<QAction*>(QStringLiteral("mnuSaveResults"));
    EXPECT_EQ(save->text(), QStringLiteral("Save Results For 3 Addresses\u2026"));
    EXPECT_EQ(view->selectionModel()->selectedRows().size(), 3);

    QString question;
    onNextModal([&](QDialog& dialog) {
        question = static_cast<QMessageBox&>(dialog).text();
        onNextModal([](QDialog& info) { QTest::keyClick(&info, Qt::Key_Return); });
        static_cast<QMessageBox&>(dialog).button(QMessageBox::Yes)->click();
    });
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(save).center());
    ASSERT_TRUE(spinUntil([&] { return !question.isEmpty(); }, 5000));
    EXPECT_EQ(question, QStringLiteral("This will create 1 new saved search and add today's results to 1 existing "
                                       "saved search. 1 row will not be saved. Continue?"));
    EXPECT_EQ(savedFiles(), QStringList({"count-7.example.lpc", "count-9.example_p.lpc"}));
    EXPECT_EQ(IniReadSection(QStringLiteral("Google"), QString(), app.file(QStringLiteral("Saved/count-9.example_p.lpc"))),
              kToday + QStringLiteral("=9\r\n01-02-03=4\r\n"));
}

}  // namespace
