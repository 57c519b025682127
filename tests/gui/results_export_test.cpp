#include "results/results_grid.h"
#include "scripted_platform.h"
#include "shell/main_window.h"
#include "support/qt_gtest_printers.h"
#include "support/sim_fixture.h"
#include "support/test_environment.h"
#include "urllist/url_list_view.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QDate>
#include <QDir>
#include <QStandardPaths>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

// Once a modal window other than `after` shows, runs step on it. A window that
// never comes fails the test instead of hanging it: the modal is closed.
void onNextModal(const std::function<void(QWidget*)>& step, QWidget* after = nullptr) {
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != after && modal->isVisible()) {
            timer->deleteLater();
            timer->stop();
            step(modal);
        } else if (++*waited > 500) {
            timer->deleteLater();
            timer->stop();
            ADD_FAILURE() << "no dialog came";
            if (modal) modal->close();
        }
    });
    timer->start(20);
}

// Types a name into the real save dialog and presses Enter.
void chooseFile(QWidget* dialog, const QString& name) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->clear();
    QTest::keyClicks(edit, name);
    // The name box ignores Enter while its completion list is open, and the
    // list can open again as the folder's entries come in: press Enter until
    // the dialog has gone or has asked something of its own.
    for (int i = 0; i < 10 && dialog->isVisible() && QApplication::activeModalWidget() == dialog; ++i) {
        if (QCompleter* c = edit->completer(); c && c->popup()) c->popup()->hide();
        QTest::keyClick(edit, Qt::Key_Return);
        if (dialog->isVisible() && QApplication::activeModalWidget() == dialog) QTest::qWait(50);
    }
}

// Escape, as a user presses it: a completion list that opened over the name
// box takes the first press, so press again until the dialog has gone.
void pressEscape(QWidget* dialog) {
    for (int i = 0; i < 5 && dialog->isVisible(); ++i) {
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            if (QCompleter* c = edit->completer(); c && c->popup()) c->popup()->hide();
        QTest::keyClick(dialog, Qt::Key_Escape);
        QCoreApplication::processEvents();
    }
}

const QStringList kAddresses = {QStringLiteral("http://count-7.example/"),
                                QStringLiteral("http://count-300.example/a,b"),
                                QStringLiteral("http://nolinks.example/")};

// The main window after a real scan of three addresses against the stand-in engines.
class ResultsExportTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        // The save dialog opens in the home folder: here, this test's folder.
        m_home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(app.path()));
        window = std::make_unique<Form1>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        window->urlList()->appendEntries(kAddresses);
        window->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
        ASSERT_TRUE(spinUntil([&] { return window->scanDriver().isIdle(); }, 30000));
        ASSERT_EQ(window->resultsGrid().rowCount(), 3);
    }

    void TearDown() override { qputenv("HOME", m_home); }

    QAction* exportItem() { return window->findChild<QAction*>(QStringLiteral("mnuExportResults")); }
    QTreeView* grid() { return window->findChild<QTreeView*>(QStringLiteral("ListView1")); }

    // What quillmark-scan prints for the same addresses from the same folder.
    QByteArray scanOutput() {
        const QString program = app.file(QStringLiteral("quillmark-scan"));
        QFile::copy(QStringLiteral(QUILLMARK_SCAN_BIN), program);
        QProcess p;
        p.start(program, kAddresses);
        EXPECT_TRUE(p.waitForFinished(60000));
        return p.readAllStandardOutput();
    }

    std::unique_ptr<Form1> window;
    QByteArray m_home;
};

TEST_F(ResultsExportTest, ExportWritesWhatTheHeadlessScanPrintsAndAsksBeforeReplacing) {
    onNextModal([&](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        EXPECT_EQ(files->nameFilters(), (QStringList{"CSV Files (*.csv)", "All Files (*)"}));
        chooseFile(dialog, QStringLiteral("results"));
    });
    exportItem()->trigger();
    const QByteArray expected = scanOutput();
    ASSERT_TRUE(expected.startsWith("Domain Name,Total,"));
    EXPECT_EQ(app.read(QStringLiteral("results.csv")), expected);

    // The same name again: "No" keeps the file and the dialog, which is then cancelled.
    window->findChild<QPushButton*>(QStringLiteral("Command5"))->click();  // "Clear All"
    onNextModal([&](QWidget* dialog) {
        onNextModal([&](QWidget* question) {
            EXPECT_NE(qobject_cast<QMessageBox*>(question), nullptr);
            QTest::keyClick(question, Qt::Key_Return);  // the default answer is No
            onNextModal([](QWidget* again) { pressEscape(again); }, question);
        }, dialog);
        chooseFile(dialog, QStringLiteral("results"));
    });
    exportItem()->trigger();
    EXPECT_EQ(app.read(QStringLiteral("results.csv")), expected);

    // "Yes" replaces it with the grid as it is now: the header alone.
    onNextModal([&](QWidget* dialog) {
        onNextModal([&](QWidget* question) {
            auto* box = qobject_cast<QMessageBox*>(question);
            ASSERT_NE(box, nullptr);
            box->button(QMessageBox::Yes)->click();
        }, dialog);
        chooseFile(dialog, QStringLiteral("results.csv"));
    });
    exportItem()->trigger();
    EXPECT_EQ(app.read(QStringLiteral("results.csv")), expected.left(expected.indexOf('\n') + 1));
}

TEST_F(ResultsExportTest, CtrlCCopiesTheSelectedRowsWithTheHeader) {
    // After the scan's sort: count-300 on top, then count-7, then nolinks.
    QTreeView* view = grid();
    const auto rowPoint = [&](int row) { return view->visualRect(view->model()->index(row, 0)).center(); };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rowPoint(0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, rowPoint(2));
    QApplication::clipboard()->setText(QStringLiteral("before"));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("Domain Name\tTotal\tGoogle\tAltavista\tYahoo!\tAsk\tMSN\tAll The Web\tRank\n"
                             "http://count-300.example/a,b\t1800\t300\t300\t300\t300\t300\t300\tHigh\n"
                             "http://nolinks.example/\t0\t0\t0\t0\t0\t0\t0\tLow\n"));

    // Nothing selected: the clipboard keeps what it had.
    view->selectionModel()->clearSelection();
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
}

TEST_F(ResultsExportTest, AFailedExportIsNamedAndACancelSaysNothing) {
    ScriptedPlatform ui;
    const QString target = app.file(QStringLiteral("nowhere/out.csv"));
    ui.fileAnswers = {target, std::nullopt};
    exportItem()->trigger();
    exportItem()->trigger();  // cancelled: nothing said
    ASSERT_EQ(ui.asked.size(), 3);
    EXPECT_EQ(ui.asked[0].kind, QStringLiteral("save"));
    EXPECT_EQ(ui.asked[0].initial, QStringLiteral("csv"));
    EXPECT_EQ(ui.asked[0].filters, (QStringList{"CSV Files (*.csv)|*.csv", "All Files (*.*)|*.*"}));
    EXPECT_EQ(ui.asked[1].kind, QStringLiteral("message"));
    EXPECT_TRUE(ui.asked[1].text.startsWith(QStringLiteral("The results could not be exported to ") + target))
        << ui.asked[1].text.toStdString();
    EXPECT_FALSE(QFile::exists(target));
}

}  // namespace

namespace {

// The real dialog suggests results-<today>.csv in the documents folder, then
// in the folder the last export went to.
TEST_F(ResultsExportTest, ExportSuggestsADatedNameInTheFolderUsedLast) {
    const QString name = QStringLiteral("results-%1.csv").arg(QDate::currentDate().toString("yyyy-MM-dd"));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    ASSERT_TRUE(QDir().mkpath(documents));
    ASSERT_TRUE(QDir().mkpath(app.file(QStringLiteral("elsewhere"))));
    QStringList suggested;
    QStringList folders;
    const auto look = [&](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        suggested << edit->text();
        folders << QDir(files->directory()).absolutePath();
    };
    onNextModal([&](QWidget* dialog) {
        look(dialog);
        chooseFile(dialog, app.file(QStringLiteral("elsewhere/mine.csv")));
    });
    exportItem()->trigger();
    onNextModal([&](QWidget* dialog) {
        look(dialog);
        pressEscape(dialog);
    });
    exportItem()->trigger();
    EXPECT_EQ(suggested, (QStringList{name, name}));
    EXPECT_EQ(folders, (QStringList{QDir(documents).absolutePath(), QDir(app.file("elsewhere")).absolutePath()}));
    EXPECT_TRUE(QFile::exists(app.file(QStringLiteral("elsewhere/mine.csv"))));
}

}  // namespace
