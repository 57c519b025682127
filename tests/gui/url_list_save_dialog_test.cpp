#include "urllist/url_list_view.h"

#include "history_test_helpers.h"
#include "scripted_platform.h"
#include "support/qt_gtest_printers.h"
#include "support/temp_app_folder.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QByteArray kOld = "http://old.example\r\n";

// Answers the next message box with a key and says what it asked.
void answerNextBox(Qt::Key key, QString* asked) {
    onNextModal([key, asked](QDialog& d) {
        auto* box = qobject_cast<QMessageBox*>(&d);
        ASSERT_NE(box, nullptr) << d.metaObject()->className();
        *asked = box->text();
        QTest::keyClick(box, key);
        EXPECT_TRUE(QTest::qWaitFor([box] { return !box->isVisible(); }, 3000));
    });
}

}  // namespace

// The real dialog: a list's name typed without ".txt" is the file it asks about.
TEST(UrlListSaveDialog, TheRealDialogAsksBeforeReplacingTheFileItWrites) {
    TempAppFolder app;
    app.write(QStringLiteral("Lists/urls.txt"), kOld);
    UrlListFrame frame;
    frame.appendEntries({QStringLiteral("http://new.example")});
    QString firstQuestion;
    QString secondQuestion;
    bool openAfterNo = false;
    QByteArray afterNo;
    onNextModal([&](QDialog& d) {
        auto* dialog = qobject_cast<QFileDialog*>(&d);
        ASSERT_NE(dialog, nullptr) << d.metaObject()->className();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        QTest::keyClicks(name, QStringLiteral("urls"));
        answerNextBox(Qt::Key_N, &firstQuestion);
        QTest::keyClick(name, Qt::Key_Return);
        openAfterNo = dialog->isVisible();
        afterNo = app.read(QStringLiteral("Lists/urls.txt"));
        answerNextBox(Qt::Key_Y, &secondQuestion);
        QTest::keyClick(name, Qt::Key_Return);
    });
    frame.saveList();
    EXPECT_TRUE(firstQuestion.startsWith(QLatin1String("urls.txt already exists."))) << firstQuestion.toStdString();
    EXPECT_TRUE(openAfterNo);
    EXPECT_EQ(afterNo, kOld);
    EXPECT_EQ(secondQuestion, firstQuestion);
    EXPECT_EQ(app.read(QStringLiteral("Lists/urls.txt")), QByteArray("http://new.example\r\n"));
}

// "urls.csv" is written as "urls.csv.txt": that file is asked about too.
TEST(UrlListSaveDialog, ANameGivenAnotherExtensionAsksAboutTheFileWritten) {
    TempAppFolder app;
    ScriptedPlatform ui;
    app.write(QStringLiteral("Lists/urls.csv.txt"), kOld);
    UrlListFrame frame;
    frame.appendEntries({QStringLiteral("http://new.example")});
    const QString chosen = app.file(QStringLiteral("Lists/urls.csv"));
    ui.fileAnswers = {chosen, chosen, app.file(QStringLiteral("Lists/fresh.csv"))};
    ui.messageAnswers = {UiPlatform::Answer::No, UiPlatform::Answer::Yes};
    QList<QByteArray> after;
    for (int i = 0; i < 3; ++i) {
        frame.saveList();
        after << app.read(QStringLiteral("Lists/urls.csv.txt"));
    }
    EXPECT_EQ(after, (QList<QByteArray>{kOld, "http://new.example\r\n", "http://new.example\r\n"}));
    EXPECT_EQ(app.read(QStringLiteral("Lists/fresh.csv.txt")), QByteArray("http://new.example\r\n"));
    ASSERT_EQ(ui.messages().size(), 2);  // a new file is not asked about
    EXPECT_EQ(ui.messages()[0], QStringLiteral("urls.csv.txt already exists.\nDo you want to replace it?"));
    EXPECT_EQ(ui.asked[1].caption, QStringLiteral("Warning"));
    EXPECT_EQ(ui.asked[1].buttons, UiPlatform::Buttons::YesNo);
}
