#include "build_info.h"
#include "config/ini_file.h"
#include "config/settings_table.h"
#include "net/page_fetcher.h"
#include "support/fetch_and_wait.h"
#include "support/sim_fixture.h"
#include "support/sim_record.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <utility>
#include <algorithm>
#include <sys/stat.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    qint64 elapsedMs = 0;
    qint64 peakKiB = 0;  // the largest resident size, when measured
};

// Runs the real quillmark-scan from a private application folder, as a user would.
class ScanCliTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        m_program = app.file(QStringLiteral("quillmark-scan"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUILLMARK_SCAN_BIN), m_program));
    }

    CliRun run(const QStringList& args) {
        QProcess p;
        QElapsedTimer clock;
        clock.start();
        p.start(m_program, args);
        CliRun r;
        if (!p.waitForFinished(60000)) return r;
        r.elapsedMs = clock.elapsed();
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }

    // Runs the program under GNU time, which reads its peak resident size from
    // outside when it ends.
    CliRun runMeasured(const QStringList& args) {
        const QString report = app.file(QStringLiteral("peak.txt"));
        const QString program = std::exchange(m_program, QStringLiteral("/usr/bin/time"));
        CliRun r = run(QStringList{QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"), report, program} + args);
        m_program = program;
        r.peakKiB = readFileBytes(report).trimmed().toLongLong();
        return r;
    }

    QString m_program;
};

const QByteArray kHeader = "Domain Name,Total,Google,Altavista,Yahoo!,Ask,MSN,All The Web,Rank\n";

TEST_F(ScanCliTest, PrintsTheSortedGridAsCsv) {
    app.write(QStringLiteral("Lists/two.txt"),
              "http://count-50.example/\r\n\r\n");
    const CliRun r = run({QStringLiteral("-l"), app.file(QStringLiteral("Lists/two.txt")),
                          QStringLiteral("http://count-1000.example/"),
                          QStringLiteral("http://drop.example/a,b")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, kHeader +
                         "http://count-1000.example/,6000,1000,1000,1000,1000,1000,1000,High\n"
                         "http://count-50.example/,300,50,50,50,50,50,50,Low\n"
                         "\"http://drop.example/a,b\",0,,,,,,,Low\n");
    // Standard error is no terminal here: no progress lines.
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

TEST_F(ScanCliTest, KeepsListOrderWhenAutoSortIsOff) {
    settings::saveFlag(Setting::AutoSort, false);
    const CliRun r = run({QStringLiteral("http://count-1.example/"), QStringLiteral("http://count-2.example/")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, kHeader + "http://count-1.example/,6,1,1,1,1,1,1,Low\n"
                               "http://count-2.example/,12,2,2,2,2,2,2,Low\n");
}

TEST_F(ScanCliTest, AnEmptyListFileGivesTheHeaderAlone) {
    app.write(QStringLiteral("Lists/empty.txt"), QByteArray());
    const CliRun r = run({QStringLiteral("-l"), app.file(QStringLiteral("Lists/empty.txt"))});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, kHeader);
}

TEST_F(ScanCliTest, AnUnreadableListFileIsNamedAndNothingIsScanned) {
    const QString missing = app.file(QStringLiteral("Lists/missing.txt"));
    const CliRun r = run({QStringLiteral("http://count-1.example/"), QStringLiteral("-l"), missing});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(QString::fromLocal8Bit(r.err).contains(missing)) << r.err.toStdString();
}

TEST_F(ScanCliTest, UsageErrorsExitWithTwoAndShowTheUsage) {
    for (const QStringList& args : {QStringList{}, QStringList{QStringLiteral("-l")},
                                    QStringList{QStringLiteral("--bogus"), QStringLiteral("x")}}) {
        const CliRun r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains("Usage: quillmark-scan")) << r.err.toStdString();
    }
    const CliRun help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("Usage: quillmark-scan"));
    const CliRun version = run({QStringLiteral("--version"), QStringLiteral("http://count-1.example/")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QByteArray("quillmark-scan ") + buildinfo::versionText + "\n");
}

TEST_F(ScanCliTest, AnAddressFromAListFilePrintsAsTheBytesItWasReadFrom) {
    app.write(QStringLiteral("Lists/ansi.txt"), "http://drop.example/caf\xE9\r\n");
    const CliRun r = run({QStringLiteral("-l"), app.file(QStringLiteral("Lists/ansi.txt"))});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, kHeader + "http://drop.example/caf\xE9,0,,,,,,,Low\n");
}

TEST_F(ScanCliTest, UsesTheSettingsOfItsOwnApplicationFolder) {
    app.write(QStringLiteral("settings.ini"), QByteArray());  // no templates at all
    const QString address = sim().url(QStringLiteral("/nowhere/count-9"));
    const CliRun r = run({address});
    EXPECT_EQ(r.exitCode, 0);
    // Every query is the bare address, which is no engine page: only Ask and
    // MSN read a page without their markers as 0.
    EXPECT_EQ(QString::fromLocal8Bit(r.out),
              QString::fromLatin1(kHeader) + address + QStringLiteral(",0,,,,0,0,,Low\n"));
}

TEST_F(ScanCliTest, AppendAddsTheRowToASavedSearchUnderTodaysDate) {
    const QString today = QDate::currentDate().toString(QStringLiteral("MM-dd-yy"));
    const CliRun first = run({QStringLiteral("--append"), QStringLiteral("mysite"),
                              QStringLiteral("http://count-1234.example/")});
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(first.out, kHeader + "http://count-1234.example/,7404,1234,1234,1234,1234,1234,1234,High\n");
    const QString file = app.file(QStringLiteral("Saved/mysite.lpc"));
    const QStringList sections{"Google", "Altavista", "Yahoo!", "Ask", "MSN", "All The Web"};
    EXPECT_EQ(IniListSections(file), sections);
    for (const QString& section : sections)
        EXPECT_EQ(IniReadSection(section, QStringLiteral("?"), file).trimmed(), today + QStringLiteral("=1234"));

    // A second save on the same day replaces that day's entry.
    const CliRun second = run({QStringLiteral("--append"), QStringLiteral("mysite"),
                               QStringLiteral("http://count-99.example/")});
    EXPECT_EQ(second.exitCode, 0);
    for (const QString& section : sections)
        EXPECT_EQ(IniReadSection(section, QStringLiteral("?"), file).trimmed(), today + QStringLiteral("=99"));
}

TEST_F(ScanCliTest, AppendRefusesWhatItCannotWrite) {
    // A name that would leave the Saved folder.
    const CliRun outside = run({QStringLiteral("--append"), QStringLiteral("../escape"),
                                QStringLiteral("http://count-1.example/")});
    EXPECT_EQ(outside.exitCode, 1);
    EXPECT_TRUE(outside.out.isEmpty()) << "nothing is scanned";
    EXPECT_FALSE(QFile::exists(app.file(QStringLiteral("escape.lpc"))));

    // A Saved "folder" that is a file.
    QDir(app.path()).rmdir(QStringLiteral("Saved"));
    app.write(QStringLiteral("Saved"), "not a folder");
    const CliRun blocked = run({QStringLiteral("--append"), QStringLiteral("mysite"),
                                QStringLiteral("http://count-1.example/")});
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_TRUE(QString::fromLocal8Bit(blocked.err).contains(QStringLiteral("mysite.lpc"))) << blocked.err.toStdString();

    for (const QStringList& args :
         {QStringList{"--append"}, QStringList{"--append", "x"}, QStringList{"--append", "x", "a", "b"},
          QStringList{"--append", "x", "-l", app.file(QStringLiteral("Lists/none.txt"))}}) {
        EXPECT_EQ(run(args).exitCode, 2) << args.join(' ').toStdString();
    }
}

TEST_F(ScanCliTest, AppendWithoutAnyCountSavesNothingAndSaysSoInItsStatus) {
    const CliRun r = run({QStringLiteral("--append"), QStringLiteral("quiet"), QStringLiteral("http://drop.example/")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("nothing was saved")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(app.file(QStringLiteral("Saved/quiet.lpc"))));

    // An existing history is only ever added to, never replaced.
    const QByteArray history = "\r\n[Google]\r\n01-02-03=5\r\n";
    app.write(QStringLiteral("Saved/kept.lpc"), history);
    EXPECT_EQ(run({QStringLiteral("--append"), QStringLiteral("Kept"), QStringLiteral("http://drop.example/")}).exitCode, 1);
    EXPECT_EQ(app.read(QStringLiteral("Saved/kept.lpc")), history);
    EXPECT_EQ(run({QStringLiteral("--append"), QStringLiteral("Kept"), QStringLiteral("http://count-7.example/")}).exitCode, 0);
    EXPECT_EQ(IniReadSection(QStringLiteral("Google"), QString(), app.file(QStringLiteral("Saved/kept.lpc"))),
              QDate::currentDate().toString(QStringLiteral("MM-dd-yy")) + QStringLiteral("=7\r\n01-02-03=5\r\n"));
    // A name of spaces only is no name.
    EXPECT_EQ(run({QStringLiteral("--append"), QStringLiteral("  "), QStringLiteral("http://count-7.example/")}).exitCode, 1);
    EXPECT_FALSE(QFile::exists(app.file(QStringLiteral("Saved/  .lpc"))));
}

TEST_F(ScanCliTest, PacingOptionsNeedTheirValues) {
    for (const QStringList& args : {QStringList{"--pause"}, QStringList{"--pause", "x", "http://a/"},
                                    QStringList{"--pause", "-1", "http://a/"}, QStringList{"--pause", "3601", "http://a/"}}) {
        const CliRun r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("--pause needs")) << r.err.toStdString();
    }
    EXPECT_TRUE(run({QStringLiteral("--help")}).out.contains("--at-once"));
}

// Every engine answers after 100 ms: one at a time, 20 addresses take at
// least 20 x 6 x 100 ms; at once they must take at most a quarter of that.
TEST_F(ScanCliTest, EnginesAtOnceGiveTheSameCsvInAQuarterOfTheTime) {
    settings::saveFlag(Setting::AutoSort, false);
    QStringList addresses;
    for (int i = 0; i < 20; ++i) addresses << QStringLiteral("http://site-%1.example/").arg(i);
    const CliRun oneByOne = run(addresses);
    ASSERT_EQ(oneByOne.exitCode, 0);
    ASSERT_EQ(oneByOne.out.count('\n'), 21);

    EngineSimProcess slow({QStringLiteral("--delay"), QStringLiteral("100")});
    ASSERT_TRUE(slow.isRunning());
    app.write(QStringLiteral("settings.ini"), slow.settingsIni().toLatin1());
    const CliRun atOnce = run(QStringList{QStringLiteral("--at-once")} + addresses);
    EXPECT_EQ(atOnce.exitCode, 0);
    EXPECT_EQ(atOnce.out, oneByOne.out);
    EXPECT_LE(atOnce.elapsedMs, 20 * 6 * 100 / 4);
    PageFetcher fetcher;
    const SimRecord seen = SimRecord::read(fetcher, slow);
    for (const char* engine : {"google", "altavista", "yahoo", "ask", "msn", "atw"})
        EXPECT_EQ(seen.mostAtOnce.value(engine), 1) << engine;
}

// Each engine sends a page that never ends, or one of a gigabyte: the scan
// keeps the first 16 MiB of each, reads its count there, and hangs up.
TEST_F(ScanCliTest, EndlessAndGigabytePagesKeepTheScanSmall) {
    PageFetcher fetcher;
    ASSERT_TRUE(SimRecord::clear(fetcher, sim()));
    const CliRun normal = runMeasured({QStringLiteral("http://count-5.example/"), QStringLiteral("http://count-6.example/")});
    const CliRun heavy = runMeasured({QStringLiteral("http://endless.count-5.example/"),
                                      QStringLiteral("http://huge-1024.count-6.example/")});
    ASSERT_EQ(normal.exitCode, 0) << normal.err.toStdString();
    ASSERT_EQ(heavy.exitCode, 0) << heavy.err.toStdString();
    ASSERT_GT(normal.peakKiB, 0);
    EXPECT_LE(heavy.peakKiB, normal.peakKiB + 64 * 1024) << "normal " << normal.peakKiB << " KiB";
    EXPECT_EQ(heavy.out, kHeader + "http://huge-1024.count-6.example/,36,6,6,6,6,6,6,Low\n"
                                   "http://endless.count-5.example/,30,5,5,5,5,5,5,Low\n");

    spinUntil([] { return false; }, 300);  // the server notices the last hang-up
    const SimRecord record = SimRecord::read(fetcher, sim());
    EXPECT_EQ(record.streams.size(), 12);
    for (const SimRecord::Stream& stream : record.streams) {
        ASSERT_TRUE(stream.msPastMark.has_value()) << stream.target.toStdString();
        EXPECT_LE(*stream.msPastMark, 1000) << stream.target.toStdString();
    }
}

}  // namespace

TEST_F(ScanCliTest, AHistoryTakesOnlyCountsThatWereRead) {
    // Every engine failing with 503, and a page that is no result page: the
    // grid shows what the readers give ("0" for Ask and MSN), the history
    // takes none of it.
    for (const char* address : {"http://status-503.example/", "http://garbage.example/"}) {
        SCOPED_TRACE(address);
        const CliRun r = run({QStringLiteral("--append"), QStringLiteral("none"), QString::fromLatin1(address)});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.out.contains(",0,") || r.out.contains(",,")) << r.out.toStdString();
        EXPECT_FALSE(QFile::exists(app.file(QStringLiteral("Saved/none.lpc"))));
    }
    // A zero the engine's own sentence gives is a count; Ask's "0" is no
    // such sentence, so its section stays away.
    const CliRun zero = run({QStringLiteral("--append"), QStringLiteral("zero"), QStringLiteral("http://nolinks.example/")});
    EXPECT_EQ(zero.exitCode, 0) << zero.err.toStdString();
    const QStringList sections = IniListSections(app.file(QStringLiteral("Saved/zero.lpc")));
    EXPECT_TRUE(sections.contains(QStringLiteral("Google")));
    EXPECT_FALSE(sections.contains(QStringLiteral("Ask")));
}

TEST_F(ScanCliTest, AHashInAnAddressReachesTheEnginesEscaped) {
    PageFetcher fetcher;
    ASSERT_TRUE(SimRecord::clear(fetcher, sim()));
    const CliRun r = run({QStringLiteral("http://count-3.example/a#b")});
    EXPECT_EQ(r.exitCode, 0);
    const SimRecord record = SimRecord::read(fetcher, sim());
    ASSERT_EQ(record.targets.size(), 6);
    for (const QByteArray& target : record.targets) {
        EXPECT_TRUE(target.contains("count-3.example/a%23b")) << target.toStdString();
        EXPECT_FALSE(target.contains('#')) << target.toStdString();
    }
    // AllTheWeb's fixed suffix is behind the address, and still goes out.
    EXPECT_TRUE(std::any_of(record.targets.begin(), record.targets.end(),
                            [](const QByteArray& t) { return t.startsWith("/atw") && !t.endsWith("a%23b"); }));
    EXPECT_TRUE(r.out.contains(",18,3,3,3,3,3,3,")) << r.out.toStdString();
}

TEST_F(ScanCliTest, FieldsASpreadsheetWouldRunAreWrittenAsText) {
    app.write(QStringLiteral("Lists/formulas.txt"), "=HYPERLINK(\"x\")\r\n+1+2\r\n@SUM(A1)\r\n-2+3\r\n");
    settings::saveFlag(Setting::AutoSort, false);
    const CliRun r = run({QStringLiteral("-l"), app.file(QStringLiteral("Lists/formulas.txt"))});
    EXPECT_EQ(r.exitCode, 0);
    const QList<QByteArray> lines = r.out.split('\n');
    ASSERT_GE(lines.size(), 5);
    EXPECT_TRUE(lines[1].startsWith("\"'=HYPERLINK(\"\"x\"\")\",")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith("'+1+2,")) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].startsWith("'@SUM(A1),")) << lines[3].toStdString();
    EXPECT_TRUE(lines[4].startsWith("'-2+3,")) << lines[4].toStdString();
}

TEST_F(ScanCliTest, FilesThatAreNoFilesEndTheRunWithTheirName) {
    // /dev/zero as a list, a FIFO as a saved search, a settings.ini past the bound:
    // each is named and the run ends at once instead of hanging or growing.
    const CliRun zero = run({QStringLiteral("-l"), QStringLiteral("/dev/zero")});
    EXPECT_EQ(zero.exitCode, 1);
    EXPECT_TRUE(zero.err.contains("/dev/zero")) << zero.err.toStdString();

    const QString pipe = app.file(QStringLiteral("Saved/pipe.lpc"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const CliRun fifo = run({QStringLiteral("--append"), QStringLiteral("pipe"), QStringLiteral("http://count-4.example/")});
    EXPECT_EQ(fifo.exitCode, 1);
    EXPECT_TRUE(fifo.err.contains("pipe.lpc")) << fifo.err.toStdString();

    const QString settingsFile = app.file(QStringLiteral("settings.ini"));
    const QByteArray settingsText = readFileBytes(settingsFile);
    ASSERT_TRUE(QFile::resize(settingsFile, 65LL * 1024 * 1024));  // sparse: no time, no disk
    const CliRun settingsRun = run({QStringLiteral("http://count-4.example/")});
    EXPECT_EQ(settingsRun.exitCode, 1);
    EXPECT_TRUE(settingsRun.err.contains("settings.ini")) << settingsRun.err.toStdString();
    QFile::remove(settingsFile);
    writeFileBytes(settingsFile, settingsText);
}
