#include "cli/graph_command.h"
#include "support/graph_run.h"
#include "config/ini_file.h"
#include "graph/graph_index.h"
#include "graph/release_catalog.h"
#include "support/graph_release.h"
#include "support/temp_app_folder.h"
#include "graph/graph_lookup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// A server root with releases made by the generator and their graphinfo.json.
class GraphCommandTest : public ::testing::Test {
protected:
    void publish(const QString& id, const QStringList& crawls, const QStringList& genOptions = {}) {
        QDir().mkpath(publishedFolder(m_root.path(), id));
        ASSERT_EQ(runProgram(QStringLiteral(QUILLMARK_GRAPH_GEN),
                             QStringList{publishedFolder(m_root.path(), id), id, QStringLiteral("--include"),
                                         QStringLiteral("com.example")} +
                                 genOptions),
                  0)
            << "graph-gen " << id.toStdString();
        m_info += QStringLiteral("%1{\"id\": \"%2\", \"crawls\": [\"%3\"], \"location\": \"x\", \"stats\": {}}")
                      .arg(m_info.isEmpty() ? QString() : QStringLiteral(","), id, crawls.join(QStringLiteral("\",\"")));
        writeFileBytes(m_root.filePath(QStringLiteral("graphinfo.json")), ("[" + m_info + "]").toUtf8());
    }
    QByteArray published(const QString& id, const QString& kind) {
        return readFileBytes(publishedFolder(m_root.path(), id) + QLatin1Char('/') + graphRelease::fileName(id, kind));
    }
    QByteArray cached(const QString& id, const QString& kind) {
        return readFileBytes(graphRelease::releaseFolder(id) + QLatin1Char('/') + graphRelease::fileName(id, kind));
    }

    QTemporaryDir m_root;
    TempGraphCache m_cache;
    QString m_info;
};

const QString kRelease = QStringLiteral("cc-main-2024-nov-feb-apr");

TEST_F(GraphCommandTest, FetchInterruptedThenResumedGivesTheServersFiles) {
    publish(kRelease, {QStringLiteral("CC-MAIN-2024-18")},
            {QStringLiteral("--domains"), QStringLiteral("4000"), QStringLiteral("--edges"), QStringLiteral("40000")});
    GraphSim sim(m_root.path(), {QStringLiteral("--drop-after"), QStringLiteral("20000")});
    ASSERT_GT(sim.port(), 0);
    const GraphRun first = graph({QStringLiteral("--base"), sim.base(), QStringLiteral("--keep"), QStringLiteral("fetch"), kRelease});
    EXPECT_EQ(first.exit, 1);
    EXPECT_TRUE(first.err.contains("vertices.txt.gz: the transfer stopped at byte 20000")) << first.err.constData();
    EXPECT_FALSE(graphRelease::isFetched(kRelease));
    const QString part = graphRelease::releaseFolder(kRelease) + QLatin1Char('/') +
                         graphRelease::fileName(kRelease, QStringLiteral("vertices")) + QStringLiteral(".part");
    EXPECT_EQ(QFileInfo(part).size(), 20000);

    // Each later file breaks once too; every attempt resumes where the last stopped.
    GraphRun again;
    for (int attempt = 0; attempt < 4 && again.exit != 0; ++attempt)
        again = graph({QStringLiteral("--base"), sim.base(), QStringLiteral("--keep"), QStringLiteral("fetch"), kRelease});
    ASSERT_EQ(again.exit, 0) << again.err.constData();
    for (const QString& kind : graphRelease::kFileKinds) EXPECT_EQ(cached(kRelease, kind), published(kRelease, kind));
    EXPECT_FALSE(QFile::exists(part));

    const GraphRun list = graph({QStringLiteral("--base"), sim.base(), QStringLiteral("list")});
    EXPECT_EQ(list.out, kRelease.toUtf8() + "\t2024-04-29\tfetched counted\n");  // counted as it came
    ASSERT_EQ(graph({QStringLiteral("count"), kRelease}).exit, 0);
    EXPECT_EQ(graph({QStringLiteral("--base"), sim.base(), QStringLiteral("list")}).out,
              kRelease.toUtf8() + "\t2024-04-29\tfetched counted\n");
}

TEST_F(GraphCommandTest, ServerFailuresEndWithAMessageAndStatusOne) {
    publish(kRelease, {QStringLiteral("CC-MAIN-2024-18")});
    const struct {
        const char* name;
        QStringList simOptions;
        QString release;
        const char* message;
    } cases[] = {
        {"404 on a file", {QStringLiteral("--fail-404"), QStringLiteral("edges")}, kRelease,
         "domain-edges.txt.gz: the server answered 404"},
        {"404 on the list", {QStringLiteral("--fail-404"), QStringLiteral("graphinfo")}, kRelease,
         "graphinfo.json: the server answered 404"},
        {"unknown release", {}, QStringLiteral("cc-main-1999-jan"), "cc-main-1999-jan: no such release"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GraphSim sim(m_root.path(), c.simOptions);
        const GraphRun run = graph({QStringLiteral("--base"), sim.base(), QStringLiteral("fetch"), c.release});
        EXPECT_EQ(run.exit, 1);
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.constData();
        EXPECT_FALSE(graphRelease::isFetched(c.release));
        EXPECT_FALSE(graphRelease::isCounted(c.release));
    }
    // Nothing here to count: the message names the missing file.
    const GraphRun count = graph({QStringLiteral("count"), QStringLiteral("cc-main-1999-jan")});
    EXPECT_EQ(count.exit, 1);
    EXPECT_TRUE(count.err.contains("cc-main-1999-jan-domain-vertices.txt.gz")) << count.err.constData();
}

TEST_F(GraphCommandTest, LookupPrintsCsvForTheNewestOrAChosenRelease) {
    publish(QStringLiteral("cc-main-2023-may-sep-nov"), {QStringLiteral("CC-MAIN-2023-50")},
            {QStringLiteral("--seed"), QStringLiteral("2")});
    publish(kRelease, {QStringLiteral("CC-MAIN-2024-18")}, {QStringLiteral("--seed"), QStringLiteral("3")});
    GraphSim sim(m_root.path());
    for (const QString& id : {QStringLiteral("cc-main-2023-may-sep-nov"), kRelease}) {
        ASSERT_EQ(graph({QStringLiteral("--base"), sim.base(), QStringLiteral("--keep"), QStringLiteral("fetch"), id}).exit, 0);
        ASSERT_EQ(graph({QStringLiteral("count"), id}).exit, 0);
    }
    auto countsOf = [](const QString& id) {
        graphIndex::Reader index;
        index.open(QFile::encodeName(graphRelease::indexPath(id)).toStdString());
        return index.find("com.example").counts;
    };
    for (const QString& id : {QString(), QStringLiteral("cc-main-2023-may-sep-nov")}) {
        const QString release = id.isEmpty() ? kRelease : id;
        const graphIndex::Counts counts = countsOf(release);
        QStringList args{QStringLiteral("lookup"), QStringLiteral("http://www.example.com/page"),
                         QStringLiteral("nowhere.co.uk"), QStringLiteral("10.0.0.1")};
        if (!id.isEmpty()) args << QStringLiteral("--release") << id;
        const GraphRun run = graph(args);
        EXPECT_EQ(run.exit, 0) << run.err.constData();
        EXPECT_EQ(run.out, QStringLiteral("Address,Domain,Linking Domains,Harmonic Rank,Release\r\n"
                                          "http://www.example.com/page,example.com,%1,%2,%3\r\n"
                                          "nowhere.co.uk,nowhere.co.uk,,,%3\r\n"
                                          "10.0.0.1,,,,%3\r\n")
                               .arg(counts.linkingDomains)
                               .arg(counts.harmonicRank)
                               .arg(release)
                               .toUtf8());
    }
    const GraphRun unknown = graph({QStringLiteral("lookup"), QStringLiteral("--release"), QStringLiteral("x"),
                               QStringLiteral("example.com")});
    EXPECT_EQ(unknown.exit, 1);
}

TEST_F(GraphCommandTest, HistoryWritesOneDateAReleaseAndKeepsTheRest) {
    const struct {
        const char* id;
        const char* crawls;
        const char* seed;
    } releases[] = {{"cc-main-2022-jan-feb-mar", "CC-MAIN-2022-05\",\"CC-MAIN-2022-21", "4"},
                    {"cc-main-2023-may-sep-nov", "CC-MAIN-2023-50", "5"},
                    {"cc-main-2024-nov-feb-apr", "CC-MAIN-2024-18", "6"}};
    for (const auto& r : releases)
        publish(QString::fromLatin1(r.id), {QString::fromLatin1(r.crawls)}, {QStringLiteral("--seed"), QString::fromLatin1(r.seed)});
    GraphSim sim(m_root.path());
    for (const auto& r : releases) {
        ASSERT_EQ(graph({QStringLiteral("--base"), sim.base(), QStringLiteral("--keep"), QStringLiteral("fetch"), QString::fromLatin1(r.id)}).exit, 0);
        ASSERT_EQ(graph({QStringLiteral("count"), QString::fromLatin1(r.id)}).exit, 0);
    }
    TempAppFolder app;
    // Another engine's history and an older figure of the same date stay or are replaced.
    app.write(QStringLiteral("Saved/site.lpc"),
              "[Google]\r\n04-29-24=77\r\n[Web Graph]\r\n05-23-22=1\r\n01-02-20=5\r\n");
    const GraphRun run = graph({QStringLiteral("history"), QStringLiteral("site"), QStringLiteral("https://www.example.com/")});
    ASSERT_EQ(run.exit, 0) << run.err.constData();
    const QString file = app.file(QStringLiteral("Saved/site.lpc"));
    EXPECT_EQ(IniReadSection(QStringLiteral("Google"), QString(), file).trimmed(), QStringLiteral("04-29-24=77"));
    QStringList expected{QStringLiteral("01-02-20=5")};
    QStringList dates{QStringLiteral("05-23-22"), QStringLiteral("12-11-23"), QStringLiteral("04-29-24")};
    for (int i = 0; i < 3; ++i) {
        graphIndex::Reader index;
        ASSERT_TRUE(index.open(QFile::encodeName(graphRelease::indexPath(QString::fromLatin1(releases[i].id))).toStdString()));
        const graphIndex::Found found = index.find("com.example");
        ASSERT_TRUE(found);
        const graphIndex::Counts counts = found.counts;
        expected << dates[i] + QLatin1Char('=') + QString::number(counts.linkingDomains);
    }
    QStringList written = IniReadSection(QStringLiteral("Web Graph"), QString(), file).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    written.sort();
    expected.sort();
    EXPECT_EQ(written, expected);
    // A domain in no release writes nothing.
    const QByteArray before = app.read(QStringLiteral("Saved/site.lpc"));
    EXPECT_EQ(graph({QStringLiteral("history"), QStringLiteral("site"), QStringLiteral("absent.example.org")}).exit, 1);
    EXPECT_EQ(app.read(QStringLiteral("Saved/site.lpc")), before);
}

// The real program, as a user runs it: a full disk (a file size limit) and a
// kill while counting leave the index of the fetch as it was, and no part of
// a new one.
TEST_F(GraphCommandTest, FullDiskAndKillLeaveTheOldIndex) {
    publish(kRelease, {QStringLiteral("CC-MAIN-2024-18")},
            {QStringLiteral("--domains"), QStringLiteral("60000"), QStringLiteral("--edges"), QStringLiteral("1500000")});
    GraphSim sim(m_root.path());
    ASSERT_EQ(graph({QStringLiteral("--base"), sim.base(), QStringLiteral("--keep"), QStringLiteral("fetch"), kRelease}).exit, 0);
    const QByteArray fetched = readFileBytes(graphRelease::indexPath(kRelease));
    ASSERT_FALSE(fetched.isEmpty());
    QByteArray out, err;
    const QString limited = QStringLiteral("trap '' XFSZ; ulimit -f 64; exec '%1' count %2")
                                .arg(QStringLiteral(QUILLMARK_GRAPH_BIN), kRelease);
    EXPECT_EQ(runProgram(QStringLiteral("bash"), {QStringLiteral("-c"), limited}, &out, &err), 1);
    EXPECT_TRUE(err.contains("domain.index")) << err.constData();
    EXPECT_TRUE(err.contains("at byte")) << err.constData();
    EXPECT_TRUE(graphRelease::isCounted(kRelease));
    EXPECT_EQ(readFileBytes(graphRelease::indexPath(kRelease)), fetched);
    EXPECT_EQ(QDir(graphRelease::releaseFolder(kRelease)).entryList({QStringLiteral("domain.index*")}),
              QStringList{QStringLiteral("domain.index")});

    for (int delayMs : {20, 80, 200}) {
        QProcess count;
        count.start(QStringLiteral(QUILLMARK_GRAPH_BIN), {QStringLiteral("count"), kRelease});
        ASSERT_TRUE(count.waitForStarted());
        QThread::msleep(static_cast<unsigned long>(delayMs));
        count.kill();
        count.waitForFinished();
        if (graphRelease::isCounted(kRelease)) {
            graphIndex::Reader index;
            EXPECT_TRUE(index.open(QFile::encodeName(graphRelease::indexPath(kRelease)).toStdString()));
            EXPECT_EQ(index.domainCount(), 60000u);
            QFile::remove(graphRelease::indexPath(kRelease));
        }
    }
    ASSERT_EQ(graph({QStringLiteral("count"), kRelease}).exit, 0);
    graphIndex::Reader index;
    EXPECT_TRUE(index.open(QFile::encodeName(graphRelease::indexPath(kRelease)).toStdString()));
}

}  // namespace

#include "graph/graph_job.h"
#include "graph/release_rows.h"
#include "support/test_environment.h"

namespace {

struct ProgressRun {
    int exit = -1;
    QList<QPair<qint64, qint64>> lines;
    QStringList other;
};

ProgressRun withProgressLines(const QStringList& args) {
    QByteArray err;
    ProgressRun run;
    run.exit = runProgram(QStringLiteral(QUILLMARK_GRAPH_BIN), QStringList{QStringLiteral("--progress-lines")} + args,
                          nullptr, &err);
    for (const QByteArray& line : err.split('\n')) {
        qint64 done = 0, total = 0;
        if (parseProgressLine(line, &done, &total)) run.lines << qMakePair(done, total);
        else if (!line.isEmpty()) run.other << QString::fromLocal8Bit(line);
    }
    return run;
}

// The lines a parent reads: one total, done never going down and ending at it.
void expectProgress(const ProgressRun& run, qint64 total, int atLeast) {
    ASSERT_GE(run.lines.size(), atLeast);
    qint64 previous = 0;
    for (const auto& [done, lineTotal] : run.lines) {
        EXPECT_EQ(lineTotal, total);
        EXPECT_GE(done, previous);
        previous = done;
    }
    EXPECT_EQ(run.lines.back().first, total);
}

TEST_F(GraphCommandTest, ProgressLinesCountTheBytesOfTheWholeRun) {
    publish(kRelease, {QStringLiteral("CC-MAIN-2024-18")},
            {QStringLiteral("--domains"), QStringLiteral("20000"), QStringLiteral("--edges"), QStringLiteral("200000")});
    GraphSim sim(m_root.path(), {QStringLiteral("--rate"), QStringLiteral("2000000")});
    qint64 published = 0, cachedSize = 0;
    for (const QString& kind : graphRelease::kFileKinds) published += this->published(kRelease, kind).size();

    const ProgressRun fetch = withProgressLines({QStringLiteral("--base"), sim.base(), QStringLiteral("--keep"), QStringLiteral("fetch"), kRelease});
    ASSERT_EQ(fetch.exit, 0) << fetch.other.join('\n').toStdString();
    EXPECT_TRUE(fetch.other.isEmpty()) << fetch.other.join('\n').toStdString();  // no terminal line among them
    EXPECT_EQ(fetch.lines.front().first, 0);
    expectProgress(fetch, published, 4);  // under a second at this rate: several lines between
    // Fetched already: nothing to fetch, and still a line that says all is here.
    expectProgress(withProgressLines({QStringLiteral("--base"), sim.base(), QStringLiteral("fetch"), kRelease}),
                   published, 1);

    for (const QString& kind : graphRelease::kFileKinds) cachedSize += cached(kRelease, kind).size();
    const ProgressRun count = withProgressLines({QStringLiteral("count"), kRelease});
    ASSERT_EQ(count.exit, 0);
    EXPECT_TRUE(count.other.isEmpty()) << count.other.join('\n').toStdString();
    expectProgress(count, cachedSize, 1);

    // A failure ends with its message after the last line.
    const ProgressRun failed = withProgressLines({QStringLiteral("count"), QStringLiteral("cc-main-1999-jan")});
    EXPECT_EQ(failed.exit, 1);
    ASSERT_FALSE(failed.other.isEmpty());
    EXPECT_TRUE(failed.other.back().contains("cc-main-1999-jan-domain-vertices.txt.gz"));
}

TEST(GraphProgressLine, OnlyTheExactFormIsProgress) {
    const struct {
        const char* line;
        bool ok;
        qint64 done, total;
    } cases[] = {
        {"progress 5 10", true, 5, 10},     {"progress 0 0\r", true, 0, 0},
        {"progress 18000000000 18000000001", true, 18000000000, 18000000001},
        {"progress 5", false, 0, 0},        {"progress 5 10 more", false, 0, 0},
        {"progress -1 10", false, 0, 0},    {"progress five 10", false, 0, 0},
        {"quillmark-graph: progress 1 2", false, 0, 0},
    };
    for (const auto& c : cases) {
        qint64 done = -7, total = -7;
        EXPECT_EQ(parseProgressLine(c.line, &done, &total), c.ok) << c.line;
        if (c.ok) {
            EXPECT_EQ(done, c.done) << c.line;
            EXPECT_EQ(total, c.total) << c.line;
        }
    }
}

// The window's list: the published releases and the folders of the cache,
// each once, newest first, sizes and marks from what is on disk.
TEST(GraphReleaseRows, PublishedAndCachedReleasesOnceEachNewestFirst) {
    TempGraphCache cache;
    const QString kept = QStringLiteral("cc-main-2023-may-sep-nov");  // here only, dated by its saved crawls
    ASSERT_TRUE(graphRelease::saveLocalRelease(QStringLiteral("{\"id\":\"%1\",\"crawls\":[\"CC-MAIN-2023-50\"]}").arg(kept), kept));
    writeFileBytes(graphRelease::indexPath(kept), QByteArray(1000, 'x'));
    const qint64 keptSize = graphRelease::sizeOnDisk(kept);
    EXPECT_EQ(keptSize, 1000 + QFileInfo(graphRelease::infoPath(kept)).size());
    writeFileBytes(graphRelease::releaseFolder(QStringLiteral("odd-folder")) + QStringLiteral("/x.part"), "12345");

    const auto listed = graphRelease::parseListOutput(
        "cc-main-2024-nov-feb-apr\t2024-04-29\n"
        "cc-main-2023-may-sep-nov\t2023-12-11\tcounted\n"
        "\n"
        "cc-main-2017-aug-sep-oct\t-\n");
    ASSERT_EQ(listed.size(), 3);
    EXPECT_EQ(listed[0].date, QDate(2024, 4, 29));
    EXPECT_FALSE(listed[2].date.has_value());

    const QList<graphRelease::ReleaseRow> rows = graphRelease::releaseRows(listed);
    QStringList ids;
    for (const auto& r : rows) ids << r.id;
    // The 2017 release has a date from its name; the odd folder none, so it is last.
    EXPECT_EQ(ids, (QStringList{"cc-main-2024-nov-feb-apr", kept, "cc-main-2017-aug-sep-oct", "odd-folder"}));
    EXPECT_EQ(rows[2].date, QDate(2017, 9, 25));  // the Monday of the week October begins in
    EXPECT_TRUE(rows[1].counted);
    EXPECT_FALSE(rows[1].fetched);
    EXPECT_EQ(rows[1].bytesOnDisk, keptSize);
    EXPECT_EQ(rows[3].bytesOnDisk, 5);
    EXPECT_EQ(rows[0].bytesOnDisk, 0);
    EXPECT_EQ(graphRelease::sizeText(0), "");
    EXPECT_EQ(graphRelease::sizeText(1500000), "1.5 MB");
}

// No quillmark-graph anywhere: the run ends at once with a message naming where it was looked for.
TEST(GraphJobRun, AMissingProgramEndsWithAMessage) {
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    GraphJob job;
    bool ended = false, ok = true;
    QObject::connect(&job, &GraphJob::finished, [&](bool result) {
        ended = true;
        ok = result;
    });
    EXPECT_TRUE(job.start({QStringLiteral("list")}));
    EXPECT_TRUE(spinUntil([&] { return ended; }, 5000));
    qputenv("PATH", path);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(job.lastError().contains("nor on PATH")) << job.lastError().toStdString();
}

}  // namespace

namespace {

// The window's Cancel of a count: the child is ended mid-count and the index
// of the fetch answers as before.
TEST_F(GraphCommandTest, ACountCancelledByTheJobLeavesTheOldIndex) {
    publish(kRelease, {QStringLiteral("CC-MAIN-2024-18")},
            {QStringLiteral("--domains"), QStringLiteral("60000"), QStringLiteral("--edges"), QStringLiteral("1500000")});
    GraphSim sim(m_root.path());
    ASSERT_EQ(graph({QStringLiteral("--base"), sim.base(), QStringLiteral("--keep"), QStringLiteral("fetch"), kRelease}).exit, 0);
    const QByteArray fetched = readFileBytes(graphRelease::indexPath(kRelease));
    ASSERT_FALSE(fetched.isEmpty());
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFileInfo(QStringLiteral(QUILLMARK_GRAPH_BIN)).absolutePath().toLocal8Bit() + ':' + path);
    GraphJob job;
    bool ended = false, ok = true;
    qint64 firstDone = -1, firstTotal = -1;
    QObject::connect(&job, &GraphJob::progress, [&](qint64 done, qint64 total) {
        if (firstDone >= 0) return;
        firstDone = done;
        firstTotal = total;
        job.cancel();
    });
    QObject::connect(&job, &GraphJob::finished, [&](bool result) {
        ended = true;
        ok = result;
    });
    ASSERT_TRUE(job.start({QStringLiteral("count"), kRelease}));
    EXPECT_TRUE(spinUntil([&] { return ended; }, 20000));
    qputenv("PATH", path);
    EXPECT_LT(firstDone, firstTotal);  // cancelled before the end
    EXPECT_FALSE(ok);
    EXPECT_TRUE(job.wasCancelled());
    EXPECT_TRUE(job.lastError().isEmpty()) << job.lastError().toStdString();  // a cancel is no failure
    EXPECT_TRUE(graphRelease::isCounted(kRelease));
    EXPECT_EQ(readFileBytes(graphRelease::indexPath(kRelease)), fetched);
}

}  // namespace

namespace {

// A release id names a folder of the cache and its files: one that would
// lead out of it is refused, from the command line and from a server's list.
TEST_F(GraphCommandTest, NoCommandIsUsageAndAReleaseIsNeverAPath) {
    EXPECT_EQ(graph({}).exit, 2);
    EXPECT_EQ(graph({QStringLiteral("--base"), QStringLiteral("http://127.0.0.1:9")}).exit, 2);

    for (const char* id : {"../outside", "a/b", ".hidden", "x y"}) {
        SCOPED_TRACE(id);
        for (const QStringList& args :
             {QStringList{QStringLiteral("fetch"), QString::fromLatin1(id)},
              QStringList{QStringLiteral("count"), QString::fromLatin1(id)},
              QStringList{QStringLiteral("--release"), QString::fromLatin1(id), QStringLiteral("lookup"),
                          QStringLiteral("example.com")}}) {
            const GraphRun run = graph(args);
            EXPECT_EQ(run.exit, 1);
            EXPECT_TRUE(run.err.contains("is no release name")) << run.err.constData();
        }
    }
    writeFileBytes(m_root.filePath(QStringLiteral("graphinfo.json")),
                   R"([{"id": "../../escape", "crawls": ["CC-MAIN-2024-18"]}])");
    GraphSim sim(m_root.path(), {});
    const GraphRun list = graph({QStringLiteral("--base"), sim.base(), QStringLiteral("list")});
    EXPECT_EQ(list.exit, 1);
    EXPECT_TRUE(list.err.contains("is no release name")) << list.err.constData();
    EXPECT_FALSE(QFileInfo::exists(graphRelease::cacheRoot() + QStringLiteral("/../../escape")));
}

// Hosts under a private suffix are counted under the suffix's owner, as the
// releases fold them; the Domain column names the domain whose count it is.
TEST(GraphLookup, PrivateSuffixesFoldToTheirOwnersDomain) {
    TempGraphCache cache;
    const QString id = QStringLiteral("cc-main-2025-jan-feb-mar");
    ASSERT_EQ(countHandRelease(id, QStringLiteral("CC-MAIN-2025-13"),
                               {"0\tcom.blogspot\t900\n1\tcom.example\t1\n2\tio.github\t700\n3\tuk.co.example\t1\n"},
                               {"0\t2\n1\t0\n1\t2\n3\t0\n3\t2\n"},
                               {"#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts\n"
                                "1\t9\t1\t0.1\tio.github\t700\n2\t8\t2\t0.1\tcom.blogspot\t900\n"}),
              QString());
    const GraphRun run = graph({"lookup", "https://someone.github.io/project/", "foo.blogspot.com",
                                "www.foo.blogspot.co.uk", "github.io", "http://shop.example.co.uk/"});
    EXPECT_EQ(run.exit, 0) << run.err.constData();
    EXPECT_EQ(run.out, "Address,Domain,Linking Domains,Harmonic Rank,Release\r\n"
                       "https://someone.github.io/project/,github.io,3,1," + id.toUtf8() + "\r\n"
                       "foo.blogspot.com,blogspot.com,2,2," + id.toUtf8() + "\r\n"
                       "www.foo.blogspot.co.uk,blogspot.co.uk,,," + id.toUtf8() + "\r\n"
                       "github.io,github.io,3,1," + id.toUtf8() + "\r\n"
                       "http://shop.example.co.uk/,example.co.uk,0,," + id.toUtf8() + "\r\n");
}

// A damaged index is a message and status 1 for lookup and history; nothing
// is printed as a count and nothing is written.
TEST(GraphLookup, ADamagedIndexIsAMessageAndStatusOne) {
    TempGraphCache cache;
    TempAppFolder app;
    ASSERT_EQ(countSmallRelease(), QString());
    const QString indexPath = graphRelease::indexPath(kSmallRelease);
    const QByteArray sound = readFileBytes(indexPath);
    const QByteArray message = "quillmark-graph: the index of " + kSmallRelease.toUtf8() + " is damaged; count it again\n";
    const struct {
        const char* name;
        QByteArray bytes;
    } damages[] = {
        {"a flipped header byte", QByteArray(sound).replace(17, 1, "\x7f")},
        {"a flipped block byte", QByteArray(sound).replace(70, 1, "\x7f")},
        {"cut short", sound.left(sound.size() - 8)},
        {"a huge block offset", sound.left(sound.size() - 8) + QByteArray(8, '\xff')},
        {"empty", QByteArray()},
    };
    for (const auto& d : damages) {
        SCOPED_TRACE(d.name);
        ASSERT_NE(d.bytes, sound);
        writeFileBytes(indexPath, d.bytes);
        const GraphRun lookup = graph({"lookup", "www.example.com", "shop.co.uk"});
        EXPECT_EQ(lookup.exit, 1);
        EXPECT_EQ(lookup.err, message);
        EXPECT_EQ(lookup.out, QByteArray());
        const GraphRun history = graph({"history", "site", "www.example.com"});
        EXPECT_EQ(history.exit, 1);
        EXPECT_EQ(history.err, message);
        EXPECT_FALSE(QFile::exists(app.file(QStringLiteral("Saved/site.lpc"))));
    }
    writeFileBytes(indexPath, sound);
    EXPECT_EQ(graph({"lookup", "www.example.com"}).exit, 0);
}

// History keeps the section newest first whatever order the releases come in,
// and every other date and section as it was.
TEST(GraphHistory, DatesGoToTheirPlaceAndTheRestStaysByteForByte) {
    TempGraphCache cache;
    TempAppFolder app;
    const QString ranks = QStringLiteral("#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts\n");
    const struct {
        const char* id;
        const char* crawl;
        int links;  // domains linking to com.example
    } releases[] = {
        {"cc-main-2024-nov-feb-apr", "CC-MAIN-2024-18", 3},  // 04-29-24
        {"cc-main-2022-may-jun-jul", "CC-MAIN-2022-21", 1},  // 05-23-22
        {"cc-main-2023-sep-nov-dec", "CC-MAIN-2023-50", 2},  // 12-11-23
    };
    for (const auto& r : releases) {
        QString vertices = "0\tcom.example\n", edges;
        for (int i = 1; i <= r.links; ++i) {
            vertices += QStringLiteral("%1\tcom.other%1\n").arg(i);
            edges += QStringLiteral("%1\t0\n").arg(i);
        }
        ASSERT_EQ(countHandRelease(QLatin1String(r.id), QLatin1String(r.crawl), {vertices}, {edges}, {ranks}),
                  QString());
    }
    // Dates already there: one newer, one between, one older than every release,
    // one of a release's own dates, and a line that is no date.
    const QByteArray before = "\r\n[Google]\r\n05-01-24=70\r\n04-22-24=60\r\n"
                              "\r\n[Web Graph]\r\n06-01-24=9\r\n01-02-23=5\r\nnote=kept\r\n04-29-24=1\r\n01-02-20=4\r\n"
                              "\r\n[Yahoo!]\r\n12-11-23=8\r\n";
    app.write(QStringLiteral("Saved/site.lpc"), before);
    const GraphRun run = graph({"history", "site", "http://www.example.com/"});
    ASSERT_EQ(run.exit, 0) << run.err.constData();
    EXPECT_EQ(readFileBytes(app.file(QStringLiteral("Saved/site.lpc"))),
              "\r\n[Google]\r\n05-01-24=70\r\n04-22-24=60\r\n"
              "\r\n[Web Graph]\r\n06-01-24=9\r\n12-11-23=2\r\n01-02-23=5\r\nnote=kept\r\n04-29-24=3\r\n05-23-22=1\r\n"
              "01-02-20=4\r\n"
              "\r\n[Yahoo!]\r\n12-11-23=8\r\n");
}

}  // namespace
