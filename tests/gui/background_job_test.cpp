// A web graph fetch runs in the background of the main window: Options may
// close, the window goes on answering, the status bar shows the figures and
// cancels the child, and the release list shows what the job left.
#include "graph/release_catalog.h"
#include "scripted_platform.h"
#include "shell/main_window.h"
#include "shell/settings_dialog.h"
#include "support/graph_release.h"
#include "support/settings_snapshot.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const QString kRelease = QStringLiteral("cc-main-2024-nov-feb-apr");

class BackgroundJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pathBefore = qgetenv("PATH");
        qputenv("PATH", QFileInfo(QStringLiteral(QUILLMARK_GRAPH_BIN)).absolutePath().toLocal8Bit() + ':' + m_pathBefore);
        ASSERT_TRUE(m_releases.publish(kRelease, QStringLiteral("CC-MAIN-2024-18"),
                                       {QStringLiteral("--domains"), QStringLiteral("20000"), QStringLiteral("--edges"),
                                        QStringLiteral("200000")}));
        window = std::make_unique<Form1>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        job = window->findChild<QWidget*>(QStringLiteral("StatusBar1GraphJob"));
        jobText = window->findChild<QLabel*>(QStringLiteral("lblGraphJob"));
        ASSERT_TRUE(job && jobText);
    }
    void TearDown() override {
        if (Form2* open = Form2::instance()) open->close();
        spinUntil([] { return Form2::instance() == nullptr; });
        window.reset();
        qputenv("PATH", m_pathBefore);
    }
    void serve(const QStringList& options = {}) {
        m_sim = std::make_unique<GraphSim>(m_releases.root(), options);
        ASSERT_GT(m_sim->port(), 0);
        m_app.write("settings.ini", "[Graph]\r\nBase=" + m_sim->base().toUtf8() + "\r\n");
    }
    // "Options" in the window's top strip.
    Form2* openOptions() {
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command6")), Qt::LeftButton);
        Form2* options = Form2::instance();
        EXPECT_NE(options, nullptr);
        if (options) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(options));
        }
        return options;
    }
    // Its own "Cancel": the dialog goes, the job stays.
    void closeOptions(Form2* options) {
        QTest::mouseClick(options->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
        ASSERT_TRUE(spinUntil([] { return Form2::instance() == nullptr; }));
    }
    QTreeWidget* releaseList(Form2* options) { return options->findChild<QTreeWidget*>(QStringLiteral("lvwGraphReleases")); }
    void listAndFetch(Form2* options) {
        QTreeWidget* list = releaseList(options);
        QTest::mouseClick(options->findChild<QPushButton*>(QStringLiteral("cmdGraphList")), Qt::LeftButton);
        ASSERT_TRUE(spinUntil([&] { return list->topLevelItemCount() > 0 && !list->topLevelItem(0)->text(1).isEmpty(); }));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
        QTest::mouseClick(options->findChild<QPushButton*>(QStringLiteral("cmdGraphFetch")), Qt::LeftButton);
    }
    // Bytes of the release's files still being downloaded.
    qint64 partBytes() const {
        qint64 bytes = 0;
        for (const QFileInfo& f : QDir(graphRelease::releaseFolder(kRelease)).entryInfoList({QStringLiteral("*.part")}, QDir::Files))
            bytes += f.size();
        return bytes;
    }
    QToolButton* jobButton(const char* name) { return window->findChild<QToolButton*>(QLatin1String(name)); }

    QByteArray m_pathBefore;
    PublishedReleases m_releases;
    TempGraphCache m_cache;
    TempAppFolder m_app;
    SettingsSnapshot m_settings;
    ScriptedPlatform m_ui;
    std::unique_ptr<GraphSim> m_sim;
    std::unique_ptr<Form1> window;
    QWidget* job = nullptr;
    QLabel* jobText = nullptr;
};

TEST_F(BackgroundJobTest, AFetchGoesOnWithOptionsClosedAndIsCancelledFromTheStatusBar) {
    serve({QStringLiteral("--rate"), QStringLiteral("200000")});  // about 9 s for the release
    EXPECT_FALSE(job->isVisible());
    Form2* options = openOptions();
    ASSERT_NE(options, nullptr);
    listAndFetch(options);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // nothing waits for the job
    closeOptions(options);

    // The figures arrive in the status bar: megabytes, then the rate and the time left.
    EXPECT_TRUE(job->isVisible());
    EXPECT_TRUE(jobText->text().startsWith("Web graph fetch")) << jobText->text().toStdString();
    EXPECT_TRUE(jobText->toolTip().startsWith("Fetching " + kRelease)) << jobText->toolTip().toStdString();
    ASSERT_TRUE(spinUntil([&] { return jobText->text().contains(" MB/s, ") && jobText->text().endsWith(" left"); }, 8000))
        << jobText->text().toStdString();
    EXPECT_TRUE(jobText->text().contains(" of ")) << jobText->text().toStdString();

    // The window answers meanwhile: its timers fire and a tab click turns the page.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    auto* tabs = window->findChild<QTabBar*>();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(Form1::kChartViewTab).center());
    EXPECT_TRUE(window->findChild<QWidget*>(QStringLiteral("Frame3"))->isVisible());
    QTest::qWait(500);
    EXPECT_GT(ticks, 20);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(Form1::kDataViewTab).center());
    EXPECT_TRUE(window->findChild<QWidget*>(QStringLiteral("Frame2"))->isVisible());

    // Options opened again shows the job under way.
    options = openOptions();
    ASSERT_NE(options, nullptr);
    EXPECT_FALSE(options->findChild<QPushButton*>(QStringLiteral("cmdGraphFetch"))->isEnabled());
    EXPECT_TRUE(options->findChild<QPushButton*>(QStringLiteral("cmdGraphCancel"))->isEnabled());
    EXPECT_TRUE(options->findChild<QLabel*>(QStringLiteral("lblGraphStatus"))->text().startsWith("Fetching "));
    closeOptions(options);

    if (const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR"); !shots.isEmpty())
        window->grab().save(QDir(shots).filePath("background_fetch.png"));

    // "Cancel" in the status bar ends the child: the part file grows no more.
    ASSERT_TRUE(jobButton("cmdGraphJobCancel")->isVisible());
    QTest::mouseClick(jobButton("cmdGraphJobCancel"), Qt::LeftButton);
    ASSERT_TRUE(spinUntil([&] { return jobText->text().contains("cancelled"); }, 5000)) << jobText->text().toStdString();
    EXPECT_FALSE(jobButton("cmdGraphJobCancel")->isVisible());
    const qint64 kept = partBytes();
    EXPECT_GT(kept, 0);
    QTest::qWait(600);
    EXPECT_EQ(partBytes(), kept);
    EXPECT_FALSE(graphRelease::isFetched(kRelease));
    EXPECT_TRUE(m_ui.messages().isEmpty()) << m_ui.messages().join('\n').toStdString();
    QTest::mouseClick(jobButton("cmdGraphJobClose"), Qt::LeftButton);
    EXPECT_FALSE(job->isVisible());
}

// A job that ends while Options is closed: the list shows its outcome the
// next time Options opens, and the status bar says how it ended.
TEST_F(BackgroundJobTest, AJobThatEndsWithOptionsClosedShowsInTheListNextTime) {
    serve();
    Form2* options = openOptions();
    ASSERT_NE(options, nullptr);
    listAndFetch(options);
    EXPECT_EQ(releaseList(options)->topLevelItem(0)->text(2), "No");
    closeOptions(options);
    ASSERT_TRUE(spinUntil([&] { return jobText->text().startsWith(kRelease + " is fetched"); }, 60000))
        << jobText->text().toStdString();
    EXPECT_TRUE(job->isVisible());
    EXPECT_FALSE(jobButton("cmdGraphJobCancel")->isVisible());
    options = openOptions();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(releaseList(options)->topLevelItem(0)->text(3), "Yes");  // counted as it downloaded
    EXPECT_EQ(jobText->text(), kRelease + " is fetched and counted.");
    EXPECT_TRUE(options->findChild<QPushButton*>(QStringLiteral("cmdGraphFetch"))->isEnabled());
    EXPECT_TRUE(graphRelease::isCounted(kRelease));
}

// A job that fails says why in the status bar until it is closed, and a
// click on the line reads the whole message, however narrow the window.
TEST_F(BackgroundJobTest, AFailureStaysInTheStatusBarAndReadsWholeOnAClick) {
    serve({QStringLiteral("--fail-404"), QStringLiteral("edges")});
    Form2* options = openOptions();
    ASSERT_NE(options, nullptr);
    listAndFetch(options);
    closeOptions(options);
    ASSERT_TRUE(spinUntil([&] { return jobText->text().startsWith("The fetch of " + kRelease + " failed: "); }, 60000))
        << jobText->text().toStdString();
    EXPECT_TRUE(jobText->text().contains("404")) << jobText->text().toStdString();
    EXPECT_TRUE(m_ui.messages().isEmpty());  // nothing modal interrupts the user
    window->resize(window->minimumSize());
    QTest::qWait(50);
    QTest::mouseClick(jobText, Qt::LeftButton);
    ASSERT_EQ(m_ui.messages().size(), 1);
    EXPECT_EQ(m_ui.messages()[0], jobText->text());
    EXPECT_TRUE(job->isVisible());
    QTest::mouseClick(jobButton("cmdGraphJobClose"), Qt::LeftButton);
    EXPECT_FALSE(job->isVisible());
}

}  // namespace
