// The web graph in the window: the Options panel runs the real quillmark-graph
// against graph-sim on 127.0.0.1, and Chart View writes a history from the
// releases counted here.
#include "chart_page_fixture.h"
#include "config/ini_file.h"
#include "graph/graph_index.h"
#include "graph/release_catalog.h"
#include "history/saved_search.h"
#include "history_test_helpers.h"
#include "results/data_view_page.h"
#include "shell/settings_dialog.h"
#include "support/graph_release.h"
#include "support/test_environment.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const QString kRelease = QStringLiteral("cc-main-2024-nov-feb-apr");
const QStringList kBig = {QStringLiteral("--domains"), QStringLiteral("20000"), QStringLiteral("--edges"),
                          QStringLiteral("200000")};

// quillmark-graph is found on PATH, as for a window installed apart from it.
class GraphPath {
public:
    GraphPath() : m_before(qgetenv("PATH")) {
        qputenv("PATH", QFileInfo(QStringLiteral(QUILLMARK_GRAPH_BIN)).absolutePath().toLocal8Bit() + ':' + m_before);
    }
    ~GraphPath() { qputenv("PATH", m_before); }

private:
    QByteArray m_before;
};

// No window waits for a job: nothing modal opens while one runs.
QWidget* modalWindow() { return QApplication::activeModalWidget(); }

class GraphPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_releases.publish(kRelease, QStringLiteral("CC-MAIN-2024-18"), kBig));
    }
    void TearDown() override {
        if (Form2* open = Form2::instance()) open->close();
        spinUntil([] { return Form2::instance() == nullptr; });
    }
    void serve(const QStringList& options = {}) {
        m_sim = std::make_unique<GraphSim>(m_releases.root(), options);
        ASSERT_GT(m_sim->port(), 0);
        m_app.write("settings.ini", "[Graph]\r\nBase=" + m_sim->base().toUtf8() + "\r\n");
    }
    void open() {
        Form2::showModeless(nullptr);
        dialog = Form2::instance();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        list = dialog->findChild<QTreeWidget*>(QStringLiteral("lvwGraphReleases"));
        status = dialog->findChild<QLabel*>(QStringLiteral("lblGraphStatus"));
        ASSERT_TRUE(list && status);
    }
    QPushButton* button(const char* name) { return dialog->findChild<QPushButton*>(QLatin1String(name)); }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    // "Refresh List", then a click on the release's row.
    void listAndChoose() {
        click("cmdGraphList");
        ASSERT_TRUE(spinUntil([&] { return button("cmdGraphList")->isEnabled() && list->topLevelItemCount() > 0; }));
        QTreeWidgetItem* item = list->topLevelItem(0);
        ASSERT_EQ(item->text(0), kRelease);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
        ASSERT_EQ(list->selectedItems().value(0), item);
    }
    QStringList row() {
        QStringList cells;
        if (QTreeWidgetItem* item = list->topLevelItem(0))
            for (int c = 0; c < item->columnCount(); ++c) cells << item->text(c);
        return cells;
    }
    // Waits for the child to end ("Fetch" usable again, "Cancel" not).
    bool workEnds(int timeoutMs = 60000) {
        return spinUntil([&] { return button("cmdGraphFetch")->isEnabled() && !button("cmdGraphCancel")->isEnabled(); },
                         timeoutMs);
    }
    QString part(const QString& kind) const {
        return graphRelease::releaseFolder(kRelease) + QLatin1Char('/') + graphRelease::fileName(kRelease, kind) +
               QStringLiteral(".part");
    }

    PublishedReleases m_releases;
    TempGraphCache m_cache;
    TempAppFolder m_app;
    SettingsSnapshot m_settings;
    ScriptedPlatform m_ui;
    GraphPath m_path;
    std::unique_ptr<GraphSim> m_sim;
    Form2* dialog = nullptr;
    QTreeWidget* list = nullptr;
    QLabel* status = nullptr;
};

// Fetch and Count by clicks: the panel's line shows the figures while the
// window's timers keep running, and the list then shows the release fetched
// and counted.
TEST_F(GraphPanelTest, FetchAndCountByClicksWithoutBlockingTheWindow) {
    serve({QStringLiteral("--rate"), QStringLiteral("600000")});
    open();
    listAndChoose();
    EXPECT_EQ(row(), (QStringList{kRelease, "2024-04-29", "No", "No", ""}));
    EXPECT_EQ(status->text(), "1 release is published.");
    EXPECT_FALSE(button("cmdGraphCount")->isEnabled());

    int ticks = 0;
    bool sawFigures = false;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        sawFigures |= status->text().startsWith("Fetching " + kRelease + ": ") && status->text().contains(" of ");
    });
    timer.start();
    QElapsedTimer clock;
    clock.start();
    click("cmdGraphFetch");
    const qint64 clickMs = clock.elapsed();
    EXPECT_EQ(modalWindow(), nullptr);
    EXPECT_EQ(status->text().left(8), "Fetching");
    EXPECT_TRUE(button("cmdGraphCancel")->isEnabled());
    EXPECT_FALSE(button("cmdGraphFetch")->isEnabled());
    ASSERT_TRUE(workEnds());
    const qint64 fetchMs = clock.elapsed();
    timer.stop();
    // About 1.7 MB at 0.6 MB/s: seconds of fetching, the click back at once.
    EXPECT_GT(fetchMs, 1500);
    EXPECT_LT(clickMs, 500);
    EXPECT_GT(ticks, fetchMs / 10 / 3) << "ticks " << ticks << " in " << fetchMs << " ms";
    EXPECT_TRUE(sawFigures);
    EXPECT_TRUE(m_ui.messages().isEmpty()) << m_ui.messages().join('\n').toStdString();
    // Counted as it came: the index is here, the .gz files are not.
    EXPECT_EQ(row().mid(0, 4), (QStringList{kRelease, "2024-04-29", "No", "Yes"}));
    EXPECT_TRUE(row().value(4).endsWith(" kB")) << row().value(4).toStdString();
    EXPECT_EQ(status->text(), kRelease + " is fetched and counted.");
    EXPECT_FALSE(button("cmdGraphCount")->isEnabled());
    graphIndex::Reader index;
    EXPECT_TRUE(index.open(QFile::encodeName(graphRelease::indexPath(kRelease)).toStdString()));
    EXPECT_EQ(index.domainCount(), 20000u);

    // Reopened offline (no server), the list still shows what is here.
    m_sim.reset();
    dialog->close();
    ASSERT_TRUE(spinUntil([] { return Form2::instance() == nullptr; }));
    open();
    EXPECT_EQ(row().mid(0, 4), (QStringList{kRelease, "2024-04-29", "No", "Yes"}));
    const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR");
    if (!shots.isEmpty()) dialog->grab().save(QDir(shots).filePath("options_web_graph.png"));
}

// The panel's "Cancel" ends the child: part of the file stays, no release
// reads as fetched, and the next "Fetch" goes on to the whole files.
TEST_F(GraphPanelTest, CancelEndsTheChildAndTheNextFetchCompletes) {
    serve({QStringLiteral("--rate"), QStringLiteral("200000")});
    open();
    listAndChoose();
    click("cmdGraphFetch");
    ASSERT_TRUE(spinUntil([&] { return QFileInfo(part("vertices")).size() > 100000; }, 20000));
    EXPECT_TRUE(status->text().contains(" MB")) << status->text().toStdString();
    QElapsedTimer clock;
    clock.start();
    click("cmdGraphCancel");
    ASSERT_TRUE(workEnds(10000));
    EXPECT_LT(clock.elapsed(), 3000);  // ended, not left to finish
    const qint64 kept = QFileInfo(part("vertices")).size();
    EXPECT_GT(kept, 100000);
    QTest::qWait(700);  // a child still writing would grow the part file
    EXPECT_EQ(QFileInfo(part("vertices")).size(), kept);
    EXPECT_FALSE(graphRelease::isFetched(kRelease));
    EXPECT_EQ(row().value(2), "No");
    EXPECT_TRUE(status->text().contains("cancelled")) << status->text().toStdString();
    EXPECT_TRUE(m_ui.messages().isEmpty());

    serve();
    click("cmdGraphFetch");
    ASSERT_TRUE(workEnds());
    EXPECT_TRUE(m_ui.messages().isEmpty()) << m_ui.messages().join('\n').toStdString();
    EXPECT_EQ(row().value(3), "Yes");
    graphIndex::Reader index;
    EXPECT_TRUE(index.open(QFile::encodeName(graphRelease::indexPath(kRelease)).toStdString()));
    EXPECT_EQ(index.domainCount(), 20000u);
}

// A fetch that fails shows the child's last message in the panel, and a list
// that fails says so there too: no message box stops the user.
TEST_F(GraphPanelTest, FailuresShowTheChildsMessage) {
    const struct {
        const char* name;
        QStringList simOptions;
        bool stopServer;
        const char* message;
    } cases[] = {
        {"404 on a file", {QStringLiteral("--fail-404"), QStringLiteral("edges")}, false,
         "domain-edges.txt.gz: the server answered 404"},
        {"server gone", {}, true, "graphinfo.json: Could"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_ui.asked.clear();
        serve(c.simOptions);
        open();
        listAndChoose();
        if (c.stopServer) m_sim.reset();
        click("cmdGraphFetch");
        ASSERT_TRUE(workEnds());
        EXPECT_TRUE(m_ui.messages().isEmpty()) << m_ui.messages().join('\n').toStdString();
        EXPECT_TRUE(status->text().startsWith("The fetch of " + kRelease + " failed: ")) << status->text().toStdString();
        EXPECT_TRUE(status->text().contains(c.message)) << status->text().toStdString();
        EXPECT_EQ(row().value(2), "No");
        if (c.stopServer) {
            click("cmdGraphList");
            ASSERT_TRUE(spinUntil([&] { return button("cmdGraphList")->isEnabled(); }));
            EXPECT_TRUE(status->text().startsWith("The published releases could not be listed: "))
                << status->text().toStdString();
            EXPECT_TRUE(m_ui.messages().isEmpty());
            EXPECT_EQ(row().value(0), kRelease);  // still listed from the cache folder
        }
        dialog->close();
        ASSERT_TRUE(spinUntil([] { return Form2::instance() == nullptr; }));
    }
}

// "History from Web Graph": the selected row's address, one date a counted
// release, charted as the "Web Graph" series.
TEST(GraphHistoryCommand, WritesEveryCountedReleaseAndChartsIt) {
    TempGraphCache cache;
    PublishedReleases releases;
    const struct {
        const char* id;
        const char* crawl;
        const char* date;
    } published[] = {{"cc-main-2022-jan-feb-mar", "CC-MAIN-2022-21", "05-23-22"},
                     {"cc-main-2023-may-sep-nov", "CC-MAIN-2023-50", "12-11-23"},
                     {"cc-main-2024-nov-feb-apr", "CC-MAIN-2024-18", "04-29-24"}};
    int seed = 7;
    for (const auto& r : published)
        ASSERT_TRUE(releases.publish(r.id, r.crawl, {QStringLiteral("--seed"), QString::number(seed++)}));

    ChartPageFixture p;
    DataViewPage data(p.grid);
    data.resize(600, 400);
    data.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&data));
    p.page.setSelectedRowSource([&data] { return data.selectedRow(); });
    p.grid.appendRow({QStringLiteral("http://www.other.org/")});
    p.grid.appendRow({QStringLiteral("https://www.example.com/blog/")});
    p.app.write("Saved/site.lpc", "[Google]\r\n04-29-24=77\r\n04-22-24=70\r\n");
    auto* history = p.page.findChild<QPushButton*>(QStringLiteral("cmdGraphHistory"));
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->text(), "History from Web Graph");
    EXPECT_TRUE(history->isEnabled());  // it asks where to write: no search need be loaded
    // Beside "Load Data" and "Print", under them, clear of the choosers and the chart.
    auto* load = p.page.findChild<QPushButton*>(QStringLiteral("Command7"));
    EXPECT_EQ(history->x(), load->x());
    EXPECT_GT(history->y(), load->geometry().bottom());
    EXPECT_LT(history->geometry().bottom(), p.chart()->y());
    EXPECT_FALSE(history->geometry().intersects(p.page.findChild<QLabel*>(QStringLiteral("Label1"))->geometry()));

    onNextModal([](QDialog& d) {
        choose(d.findChild<QComboBox*>(QStringLiteral("Combo1")), QStringLiteral("site"));
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    });
    QTest::mouseClick(p.page.findChild<QPushButton*>(QStringLiteral("Command7")), Qt::LeftButton);
    const QString file = p.app.file("Saved/site.lpc");

    // No row chosen, then nothing counted: a message each, nothing written.
    QTest::mouseClick(history, Qt::LeftButton);
    auto* view = data.findChild<QTreeView*>(QStringLiteral("ListView1"));
    ASSERT_NE(view, nullptr);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(1, 0)).center());
    ASSERT_EQ(data.selectedRow(), 1);
    QTest::mouseClick(history, Qt::LeftButton);
    ASSERT_EQ(p.ui.messages().size(), 2);
    EXPECT_TRUE(p.ui.messages()[0].startsWith("You must first select the item in the results list"));
    EXPECT_TRUE(p.ui.messages()[1].contains("Options, \"Web Graph\""));
    EXPECT_TRUE(p.ui.messages()[1].contains("quillmark-graph fetch"));
    EXPECT_EQ(IniListSections(file), QStringList{"Google"});

    GraphSim sim(releases.root());
    for (const auto& r : published) {
        ASSERT_EQ(runProgram(QStringLiteral(QUILLMARK_GRAPH_BIN),
                             {QStringLiteral("--base"), sim.base(), QStringLiteral("--keep"), QStringLiteral("fetch"), r.id}), 0);
        ASSERT_EQ(runProgram(QStringLiteral(QUILLMARK_GRAPH_BIN), {QStringLiteral("count"), r.id}), 0);
    }
    // Into "site", chosen as an old search in the save dialog.
    onNextModal([](QDialog& d) {
        choose(d.findChild<QComboBox*>(QStringLiteral("Combo1")), QStringLiteral("site"));
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    });
    QTest::mouseClick(history, Qt::LeftButton);
    EXPECT_EQ(p.ui.messages().size(), 2) << p.ui.messages().join('\n').toStdString();
    QStringList expected;
    for (const auto& r : published) {
        graphIndex::Reader index;
        ASSERT_TRUE(index.open(QFile::encodeName(graphRelease::indexPath(r.id)).toStdString()));
        const graphIndex::Found found = index.find("com.example");
        ASSERT_TRUE(found);
        const graphIndex::Counts counts = found.counts;
        expected.prepend(QStringLiteral("%1=%2").arg(QLatin1String(r.date)).arg(counts.linkingDomains));
    }
    EXPECT_EQ(IniReadSection("Web Graph", QString(), file).split("\r\n", Qt::SkipEmptyParts), expected);
    EXPECT_EQ(IniReadSection("Google", QString(), file).trimmed(), "04-29-24=77\r\n04-22-24=70");
    auto* series = p.page.findChild<QComboBox*>(QStringLiteral("cmbChart1"));
    QStringList choices;
    for (int i = 0; i < series->count(); ++i) choices << series->itemText(i);
    EXPECT_EQ(choices, (QStringList{"Google", "Web Graph", "All Engines"}));
    EXPECT_EQ(series->currentText(), "Web Graph");
    EXPECT_EQ(p.chart()->chartData().categoryLabels.size(), 3);
    EXPECT_EQ(p.chart()->chartData().title, "site - Web Graph of https://www.example.com/blog/");
    if (const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR"); !shots.isEmpty())
        p.page.grab().save(QDir(shots).filePath("chart_web_graph.png"));
}

// The loaded search belongs to another address: the dialog starts on the
// selected row's own search name, Escape writes nothing, Enter writes there,
// and the chart names the address whose counts it shows.
TEST(GraphHistoryCommand, AsksWhereToWriteAndNeverTouchesTheLoadedSearch) {
    TempGraphCache cache;
    PublishedReleases releases;
    const QString id = QStringLiteral("cc-main-2024-nov-feb-apr");
    ASSERT_TRUE(releases.publish(id, QStringLiteral("CC-MAIN-2024-18"), {QStringLiteral("--include"), QStringLiteral("org.wikipedia")}));
    {
        GraphSim sim(releases.root());
        ASSERT_EQ(runProgram(QStringLiteral(QUILLMARK_GRAPH_BIN), {QStringLiteral("--base"), sim.base(), QStringLiteral("fetch"), id}), 0);
    }
    ASSERT_TRUE(graphRelease::isCounted(id));

    ChartPageFixture p;
    DataViewPage data(p.grid);
    data.resize(600, 400);
    data.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&data));
    p.page.setSelectedRowSource([&data] { return data.selectedRow(); });
    p.grid.appendRow({QStringLiteral("http://example.com/")});
    p.grid.appendRow({QStringLiteral("https://www.wikipedia.org/")});
    const QByteArray mysite = "[Google]\r\n04-29-24=77\r\n04-22-24=70\r\n";
    p.app.write("Saved/mysite.lpc", mysite);
    onNextModal([](QDialog& d) {
        choose(d.findChild<QComboBox*>(QStringLiteral("Combo1")), QStringLiteral("mysite"));
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    });
    QTest::mouseClick(p.page.findChild<QPushButton*>(QStringLiteral("Command7")), Qt::LeftButton);
    ASSERT_EQ(p.chart()->chartData().title, "mysite");
    auto* view = data.findChild<QTreeView*>(QStringLiteral("ListView1"));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(1, 0)).center());
    ASSERT_EQ(data.selectedRow(), 1);
    auto* history = p.page.findChild<QPushButton*>(QStringLiteral("cmdGraphHistory"));

    struct Seen {
        QString title, name, old;
    } seen;
    auto look = [&seen](QDialog& d) {
        seen = {d.windowTitle(), d.findChild<QLineEdit*>(QStringLiteral("Text1"))->text(),
                d.findChild<QComboBox*>(QStringLiteral("Combo1"))->currentText()};
    };
    onNextModal([&](QDialog& d) {
        look(d);
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    QTest::mouseClick(history, Qt::LeftButton);
    EXPECT_EQ(seen.title, "Web Graph History of https://www.wikipedia.org/");
    EXPECT_EQ(seen.name, "wikipedia.org");
    EXPECT_EQ(seen.old, QString());  // no old search is offered for it
    EXPECT_EQ(p.app.read("Saved/mysite.lpc"), mysite);
    EXPECT_FALSE(QFileInfo::exists(p.app.file("Saved/wikipedia.org.lpc")));
    EXPECT_EQ(p.chart()->chartData().title, "mysite");

    onNextModal([&](QDialog& d) {
        look(d);
        QTest::keyClick(d.findChild<QLineEdit*>(QStringLiteral("Text1")), Qt::Key_Return);
    });
    QTest::mouseClick(history, Qt::LeftButton);
    // One release, one date: at most the chart's one-entry notice.
    for (const QString& m : p.ui.messages()) EXPECT_TRUE(m.startsWith("You need atleast 2")) << m.toStdString();
    EXPECT_EQ(p.app.read("Saved/mysite.lpc"), mysite);
    const QString written = p.app.file("Saved/wikipedia.org.lpc");
    EXPECT_EQ(IniListSections(written), QStringList{"Web Graph"});
    EXPECT_TRUE(IniReadSection("Web Graph", QString(), written).startsWith("04-29-24=")) << IniReadSection("Web Graph", QString(), written).toStdString();
    EXPECT_EQ(p.page.findChild<QComboBox*>(QStringLiteral("cmbChart1"))->currentText(), "Web Graph");
    EXPECT_EQ(p.chart()->chartData().title, "wikipedia.org - Web Graph of https://www.wikipedia.org/");

    // Asked again, the row's own search is there to add to; "Save" on its
    // name asks first, and No writes nothing.
    const QByteArray before = p.app.read("Saved/wikipedia.org.lpc");
    onNextModal([&](QDialog& d) {
        look(d);
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("Command3")), Qt::LeftButton);
    });
    p.ui.messageAnswers = {UiPlatform::Answer::No};
    const qsizetype shown = p.ui.messages().size();
    QTest::mouseClick(history, Qt::LeftButton);
    EXPECT_EQ(seen.old, "wikipedia.org");
    ASSERT_EQ(p.ui.messages().size(), shown + 1);
    EXPECT_TRUE(p.ui.messages().last().contains("\"wikipedia.org\" already exists")) << p.ui.messages().last().toStdString();
    EXPECT_EQ(p.app.read("Saved/wikipedia.org.lpc"), before);
    if (const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR"); !shots.isEmpty())
        p.page.grab().save(QDir(shots).filePath("chart_web_graph_address.png"));
}

}  // namespace
