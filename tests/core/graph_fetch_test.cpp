// quillmark-graph fetch: a release counted as it downloads, resumed after an
// interruption, one job at a time, and servers that lie.
#include "cli/graph_command.h"
#include "support/graph_run.h"
#include "graph/release_catalog.h"
#include "graph/release_counter.h"
#include "graph/release_fetch.h"
#include "support/graph_release.h"
#include "support/temp_app_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <sys/mount.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

const QString kRelease = QStringLiteral("cc-main-2024-nov-feb-apr");
const QStringList kSmall = {QStringLiteral("--domains"), QStringLiteral("4000"), QStringLiteral("--edges"),
                            QStringLiteral("40000")};
const QStringList kMedium = {QStringLiteral("--domains"), QStringLiteral("20000"), QStringLiteral("--edges"),
                             QStringLiteral("200000")};

GraphRun fetch(const GraphSim& sim, const QStringList& more = {}) {
    return graph(QStringList{QStringLiteral("--base"), sim.base()} + more + QStringList{QStringLiteral("fetch"), kRelease});
}

QString cachedFile(const QString& kind, const QString& suffix = {}) {
    return graphRelease::releaseFolder(kRelease) + QLatin1Char('/') + graphRelease::fileName(kRelease, kind) + suffix;
}

class GraphFetchTest : public ::testing::Test {
protected:
    void publish(const QStringList& genOptions, const QString& seed = QStringLiteral("1")) {
        ASSERT_TRUE(m_published.publish(kRelease, QStringLiteral("CC-MAIN-2024-18"),
                                        genOptions + QStringList{QStringLiteral("--seed"), seed}));
    }
    // The index the published files give when counted where they lie.
    QByteArray expectedIndex() {
        const QString index = m_scratch.filePath(QStringLiteral("expected.index"));
        QFile::remove(index);
        graphCount::Files files{m_published.file(kRelease, QStringLiteral("vertices")).toStdString(),
                                m_published.file(kRelease, QStringLiteral("edges")).toStdString(),
                                m_published.file(kRelease, QStringLiteral("ranks")).toStdString()};
        const graphCount::Result result = graphCount::countRelease(files, index.toStdString());
        EXPECT_TRUE(result.error.empty()) << result.error;
        return readFileBytes(index);
    }
    // Counted right, and nothing but the index (and the release's entry) left.
    void expectCountedOnly() {
        EXPECT_EQ(readFileBytes(graphRelease::indexPath(kRelease)), expectedIndex());
        QStringList left = QDir(graphRelease::releaseFolder(kRelease)).entryList(QDir::Files | QDir::Hidden);
        left.removeAll(QStringLiteral(".lock"));
        EXPECT_EQ(left, (QStringList{QStringLiteral("domain.index"), QStringLiteral("release.json")}));
    }
    qint64 publishedSize(const QString& kind) { return QFileInfo(m_published.file(kRelease, kind)).size(); }

    PublishedReleases m_published;
    QTemporaryDir m_scratch;
    TempGraphCache m_cache;
};

// Paced so the download takes about a second: the index is complete as it
// ends, the .gz files are gone, and a lookup answers from the index.
TEST_F(GraphFetchTest, CountedAsItDownloadsLeavingOnlyTheIndex) {
    publish(kMedium);
    GraphSim sim(m_published.root(), {QStringLiteral("--rate"), QStringLiteral("1500000")});
    GraphRun run;
    GraphCommandIo terminal;
    terminal.out = [&](const QByteArray& bytes) { run.out += bytes; };
    terminal.err = [&](const QByteArray& bytes) { run.err += bytes; };
    terminal.progress = true;
    run.exit = runGraphCommand({QStringLiteral("--base"), sim.base(), QStringLiteral("fetch"), kRelease}, terminal);
    ASSERT_EQ(run.exit, 0) << run.err.constData();
    // The terminal's line: bytes, rate and time left, rewritten in place.
    EXPECT_TRUE(run.err.contains("\r" + kRelease.toUtf8() + ": 0.0 of ")) << run.err.constData();
    EXPECT_TRUE(run.err.contains(" MB/s, 0:00:0")) << run.err.constData();
    EXPECT_TRUE(run.err.contains(" left\x1b[K")) << run.err.constData();
    EXPECT_TRUE(run.out.contains("fetched and counted")) << run.out.constData();
    expectCountedOnly();
    EXPECT_FALSE(graphRelease::isFetched(kRelease));
    const GraphRun lookup = graph({QStringLiteral("lookup"), QStringLiteral("www.example.com")});
    EXPECT_EQ(lookup.exit, 0);
    EXPECT_TRUE(lookup.out.contains("www.example.com,example.com,")) << lookup.out.constData();

    // Counted already: nothing is fetched again.
    const GraphRun again = fetch(sim);
    EXPECT_EQ(again.exit, 0) << again.err.constData();
    EXPECT_TRUE(again.out.contains("counted already")) << again.out.constData();

    // --keep: the files stay as published, and count rebuilds from them.
    QDir(graphRelease::releaseFolder(kRelease)).removeRecursively();
    ASSERT_EQ(fetch(sim, {QStringLiteral("--keep")}).exit, 0);
    for (const QString& kind : graphRelease::kFileKinds)
        EXPECT_EQ(readFileBytes(cachedFile(kind)), readFileBytes(m_published.file(kRelease, kind))) << kind.toStdString();
    EXPECT_FALSE(QFileInfo::exists(cachedFile(QStringLiteral("ranks"), QStringLiteral(".part"))));
    ASSERT_EQ(graph({QStringLiteral("count"), kRelease}).exit, 0);
    EXPECT_EQ(readFileBytes(graphRelease::indexPath(kRelease)), expectedIndex());
}

// Each file breaks once (the stand-in drops its first request of each):
// every run resumes where the last stopped, counts again what is on disk,
// and the last one leaves the right index.
TEST_F(GraphFetchTest, AnInterruptedFetchResumesAndCompletesTheCount) {
    publish(kSmall);
    GraphSim sim(m_published.root(), {QStringLiteral("--drop-after"), QStringLiteral("20000")});
    const GraphRun first = fetch(sim);
    EXPECT_EQ(first.exit, 1);
    EXPECT_TRUE(first.err.contains("vertices.txt.gz: the transfer stopped at byte 20000")) << first.err.constData();
    EXPECT_EQ(QFileInfo(cachedFile(QStringLiteral("vertices"), QStringLiteral(".part"))).size(), 20000);
    EXPECT_FALSE(graphRelease::isCounted(kRelease));

    const GraphRun second = fetch(sim);
    EXPECT_EQ(second.exit, 1);
    EXPECT_TRUE(second.err.contains("ranks.txt.gz: the transfer stopped at byte 20000")) << second.err.constData();
    // The vertices came whole by a range from byte 20000 on.
    EXPECT_EQ(readFileBytes(cachedFile(QStringLiteral("vertices"), QStringLiteral(".part"))),
              readFileBytes(m_published.file(kRelease, QStringLiteral("vertices"))));

    GraphRun last;
    for (int attempt = 0; attempt < 2 && last.exit != 0; ++attempt) last = fetch(sim);
    ASSERT_EQ(last.exit, 0) << last.err.constData();
    expectCountedOnly();
}

// A fetch killed mid-download, then run again, completes the count.
TEST_F(GraphFetchTest, AKilledFetchIsCompletedByTheNext) {
    publish(kMedium);
    GraphSim slow(m_published.root(), {QStringLiteral("--rate"), QStringLiteral("400000")});
    QProcess job;
    job.start(QStringLiteral(QUILLMARK_GRAPH_BIN), {QStringLiteral("--base"), slow.base(), QStringLiteral("fetch"), kRelease});
    ASSERT_TRUE(job.waitForStarted());
    const QString edgesPart = cachedFile(QStringLiteral("edges"), QStringLiteral(".part"));
    for (int i = 0; i < 300 && QFileInfo(edgesPart).size() < 100000; ++i) QThread::msleep(20);
    job.kill();
    job.waitForFinished();
    EXPECT_GT(QFileInfo(edgesPart).size(), 0);
    EXPECT_FALSE(graphRelease::isCounted(kRelease));
    GraphSim fast(m_published.root());
    const GraphRun again = fetch(fast);
    ASSERT_EQ(again.exit, 0) << again.err.constData();
    expectCountedOnly();
}

// Servers that change a file, ignore ranges, send without end or drip: the
// fetch either ends with a message naming what happened or, run again, gives
// the files the server has now; never a splice of two versions.
TEST_F(GraphFetchTest, ResumingFromServersThatLie) {
    const struct {
        const char* name;
        QStringList secondServer;
        bool changeFiles;
    } cases[] = {
        {"a file changed, told by its ETag", {}, true},
        {"a file changed, told by its date", {QStringLiteral("--validators"), QStringLiteral("date")}, true},
        {"a file changed, the server tells nothing", {QStringLiteral("--validators"), QStringLiteral("none")}, true},
        {"a range answered with the whole file", {QStringLiteral("--ignore-range")}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(graphRelease::releaseFolder(kRelease)).removeRecursively();
        publish(kSmall, QStringLiteral("1"));
        {
            GraphSim dropping(m_published.root(), QStringList{QStringLiteral("--drop-after"), QStringLiteral("20000")} +
                                                      c.secondServer.mid(0, 2));
            EXPECT_EQ(fetch(dropping).exit, 1);
        }
        ASSERT_EQ(QFileInfo(cachedFile(QStringLiteral("vertices"), QStringLiteral(".part"))).size(), 20000);
        if (c.changeFiles) {
            // Other bytes under the same names, an hour later.
            publish(kSmall, QStringLiteral("2"));
            for (const QString& kind : graphRelease::kFileKinds) {
                QFile file(m_published.file(kRelease, kind));
                ASSERT_TRUE(file.open(QIODevice::ReadWrite));
                file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(3600), QFileDevice::FileModificationTime);
            }
        }
        GraphSim sim(m_published.root(), c.secondServer);
        const GraphRun run = fetch(sim);
        ASSERT_EQ(run.exit, 0) << run.err.constData();
        expectCountedOnly();
    }
}

// The range is asked with If-Range: bytes of the same version go on from
// where the file ends, another version comes whole from byte 0.
TEST_F(GraphFetchTest, ARangeIsAskedOnlyOfTheSameVersion) {
    publish(kSmall);
    GraphSim sim(m_published.root());
    const QString url = graphRelease::fileUrl(sim.base(), kRelease, QStringLiteral("vertices"));
    graphFetch::Remote remote;
    ASSERT_FALSE(graphFetch::remoteInfo(url, remote));
    ASSERT_TRUE(remote.validator.startsWith("ETag: \"")) << remote.validator.constData();
    const QByteArray content = readFileBytes(m_published.file(kRelease, QStringLiteral("vertices")));
    const struct {
        const char* name;
        QByteArray validator, head;
        qint64 from;
    } cases[] = {
        {"the same version", remote.validator, content.left(1000), 1000},
        {"another ETag", "ETag: \"older\"", QByteArray(1000, 'x'), 0},
        {"another date", "Last-Modified: Mon, 01 Jan 2001 00:00:00 GMT", QByteArray(1000, 'x'), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = m_scratch.filePath(QStringLiteral("part"));
        writeFileBytes(path, c.head);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        graphFetch::Transfer t;
        t.url = url;
        t.name = path;
        t.fd = file.handle();
        t.have = c.head.size();
        t.remote = {remote.size, c.validator};
        qint64 from = -1;
        QByteArray validator;
        t.settled = [&](qint64 at, const QByteArray& v) {
            from = at;
            validator = v;
        };
        const graphFetch::TransferResult result = graphFetch::download(t);
        file.close();
        EXPECT_FALSE(result.error) << result.error.value_or(QString()).toStdString();
        EXPECT_EQ(from, c.from);
        EXPECT_EQ(validator, remote.validator);
        EXPECT_EQ(readFileBytes(path), content);
    }
}

TEST_F(GraphFetchTest, EndlessAndDrippingBodiesEndWithAMessage) {
    publish(kSmall);
    {
        GraphSim endless(m_published.root(), {QStringLiteral("--endless"), QStringLiteral("edges")});
        const GraphRun run = fetch(endless);
        EXPECT_EQ(run.exit, 1);
        EXPECT_TRUE(run.err.contains(QStringLiteral("sent more than the %1 bytes it announced")
                                         .arg(publishedSize(QStringLiteral("edges"))).toUtf8()))
            << run.err.constData();
        EXPECT_LE(QFileInfo(cachedFile(QStringLiteral("edges"), QStringLiteral(".part"))).size(),
                  publishedSize(QStringLiteral("edges")));
        EXPECT_FALSE(graphRelease::isCounted(kRelease));
    }
    {
        const graphFetch::SpeedFloor before = graphFetch::speedFloor();
        graphFetch::setSpeedFloor({1000, 1});
        GraphSim drip(m_published.root(), {QStringLiteral("--rate"), QStringLiteral("40"), QStringLiteral("--paced"),
                                           QStringLiteral("edges")});
        const auto start = std::chrono::steady_clock::now();
        const GraphRun run = fetch(drip);
        graphFetch::setSpeedFloor(before);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
        EXPECT_EQ(run.exit, 1);
        EXPECT_TRUE(run.err.contains("the transfer stopped at byte")) << run.err.constData();
        EXPECT_TRUE(run.err.contains("too slow")) << run.err.constData();
    }
    // Run again against an honest server: the endless file starts anew.
    GraphSim honest(m_published.root());
    const GraphRun run = fetch(honest);
    ASSERT_EQ(run.exit, 0) << run.err.constData();
    expectCountedOnly();
}

// Links planted in the release's folder are never followed: a fetch neither
// appends to a file elsewhere through a .part link nor overwrites the target
// of a release.json link.
TEST_F(GraphFetchTest, LinksInTheCacheAreNotFollowed) {
    publish(kSmall);
    GraphSim sim(m_published.root());
    const QString outside = m_scratch.filePath(QStringLiteral("outside"));
    writeFileBytes(outside, "not the cache's");
    QDir().mkpath(graphRelease::releaseFolder(kRelease));
    const QString part = cachedFile(QStringLiteral("vertices"), QStringLiteral(".part"));
    ASSERT_TRUE(QFile::link(outside, part));
    const GraphRun planted = fetch(sim);
    EXPECT_EQ(planted.exit, 1);
    EXPECT_TRUE(planted.err.contains("is not a regular file")) << planted.err.constData();
    EXPECT_EQ(readFileBytes(outside), "not the cache's");

    QFile::remove(part);
    ASSERT_TRUE(QFile::link(outside, graphRelease::infoPath(kRelease)));
    const GraphRun info = fetch(sim);
    ASSERT_EQ(info.exit, 0) << info.err.constData();
    EXPECT_EQ(readFileBytes(outside), "not the cache's");
    EXPECT_FALSE(QFileInfo(graphRelease::infoPath(kRelease)).isSymLink());
    expectCountedOnly();
}

// A second job on a release while one runs says so and changes nothing.
TEST_F(GraphFetchTest, OneJobAReleaseAtATime) {
    publish(kMedium);
    GraphSim sim(m_published.root(), {QStringLiteral("--rate"), QStringLiteral("1000000")});
    {
        const graphRelease::ReleaseLock held(kRelease);
        ASSERT_TRUE(held.isLocked());
        for (const QStringList& args : {QStringList{QStringLiteral("--base"), sim.base(), QStringLiteral("fetch"), kRelease},
                                        QStringList{QStringLiteral("count"), kRelease}}) {
            const GraphRun run = graph(args);
            EXPECT_EQ(run.exit, 1);
            EXPECT_TRUE(run.err.contains("is being fetched or counted by another job")) << run.err.constData();
        }
        EXPECT_FALSE(QFileInfo::exists(cachedFile(QStringLiteral("vertices"), QStringLiteral(".part"))));
    }

    // Two fetches at once, each a process of its own: one fetches, one is refused.
    auto start = [&](QProcess& p, const QStringList& args) {
        p.start(QStringLiteral(QUILLMARK_GRAPH_BIN), args);
        ASSERT_TRUE(p.waitForStarted());
    };
    QProcess a, b;
    const QStringList fetchArgs{QStringLiteral("--base"), sim.base(), QStringLiteral("--keep"), QStringLiteral("fetch"), kRelease};
    start(a, fetchArgs);
    start(b, fetchArgs);
    ASSERT_TRUE(a.waitForFinished(60000) && b.waitForFinished(60000));
    const int exits[] = {a.exitCode(), b.exitCode()};
    const QByteArray errors = a.readAllStandardError() + b.readAllStandardError();
    EXPECT_EQ(exits[0] + exits[1], 1) << errors.constData();
    EXPECT_TRUE(errors.contains("is being fetched or counted by another job")) << errors.constData();
    EXPECT_EQ(readFileBytes(graphRelease::indexPath(kRelease)), expectedIndex());

    // Two counts at once: each counts or is refused; the index stays whole.
    start(a, {QStringLiteral("count"), kRelease});
    start(b, {QStringLiteral("count"), kRelease});
    ASSERT_TRUE(a.waitForFinished(60000) && b.waitForFinished(60000));
    for (QProcess* p : {&a, &b}) {
        const QByteArray err = p->readAllStandardError();
        EXPECT_TRUE(p->exitCode() == 0 || err.contains("is being fetched or counted by another job")) << err.constData();
    }
    EXPECT_EQ(readFileBytes(graphRelease::indexPath(kRelease)), expectedIndex());
}

// The window's server setting is the program's too; --base overrides it.
TEST_F(GraphFetchTest, TheBaseComesFromTheSettingsUnlessGiven) {
    publish(kSmall);
    GraphSim sim(m_published.root());
    TempAppFolder app;
    app.write(QStringLiteral("settings.ini"), "[Graph]\r\nBase=" + sim.base().toUtf8() + "\r\n");
    const GraphRun list = graph({QStringLiteral("list")});
    EXPECT_EQ(list.exit, 0) << list.err.constData();
    EXPECT_TRUE(list.out.startsWith(kRelease.toUtf8())) << list.out.constData();
    const GraphRun overridden = graph({QStringLiteral("--base"), QStringLiteral("http://127.0.0.1:9"), QStringLiteral("list")});
    EXPECT_EQ(overridden.exit, 1);
    EXPECT_TRUE(overridden.err.contains("127.0.0.1:9")) << overridden.err.constData();
}

// A small file system of its own for the cache (needs the right to mount).
class SmallDisk {
public:
    explicit SmallDisk(const QString& size) {
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                            ("size=" + size).toLatin1().constData()) == 0;
    }
    ~SmallDisk() {
        if (m_mounted) ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

// Too little room is said before anything is downloaded; room that runs out
// during the download is named as such.
TEST_F(GraphFetchTest, AFullDiskIsNamed) {
    SmallDisk disk(QStringLiteral("1m"));
    if (!disk.mounted()) GTEST_SKIP() << "mounting a small tmpfs is not allowed here";
    const QByteArray before = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(disk.path()));

    publish(kMedium);  // well over 1 MB
    GraphSim sim(m_published.root(), {QStringLiteral("--rate"), QStringLiteral("1000000")});
    const GraphRun big = fetch(sim);
    EXPECT_EQ(big.exit, 1);
    EXPECT_TRUE(big.err.contains("the download needs")) << big.err.constData();
    EXPECT_TRUE(big.err.contains(" free")) << big.err.constData();
    EXPECT_FALSE(QFileInfo::exists(cachedFile(QStringLiteral("vertices"), QStringLiteral(".part"))));

    // Room enough when asked; then something else takes it.
    publish(kSmall);
    GraphSim slower(m_published.root(), {QStringLiteral("--rate"), QStringLiteral("300000")});
    std::atomic<bool> done{false};
    std::thread filler([&] {
        const QString part = cachedFile(QStringLiteral("vertices"), QStringLiteral(".part"));
        while (!done && QFileInfo(part).size() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        QFile fill(disk.path() + QStringLiteral("/filler"));
        fill.open(QIODevice::WriteOnly);
        while (!done && fill.write(QByteArray(4096, 'x')) == 4096) fill.flush();
    });
    const GraphRun full = fetch(slower);
    done = true;
    filler.join();
    qputenv("XDG_CACHE_HOME", before);
    EXPECT_EQ(full.exit, 1);
    EXPECT_TRUE(full.err.contains("No space left on device")) << full.err.constData();
    EXPECT_FALSE(graphRelease::isCounted(kRelease));
}

}  // namespace
