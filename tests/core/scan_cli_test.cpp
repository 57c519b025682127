#include "cli/csv.h"
#include "config/ini_file.h"
#include "config/settings_store.h"
#include "config/settings_table.h"
#include "support/sim_fixture.h"
#include "support/temp_app_folder.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
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
        p.start(m_program, args);
        CliRun r;
        if (!p.waitForFinished(60000)) return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
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

TEST(Csv, QuotesOnlyWhereNeeded) {
    const struct {
        QStringList fields;
        QString line;
    } cases[] = {
        {{"a", "b c", ""}, "a,b c,"},
        {{"a,b"}, "\"a,b\""},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"line\nbreak", "cr\rx"}, "\"line\nbreak\",\"cr\rx\""},
    };
    for (const auto& c : cases) EXPECT_EQ(csvLine(c.fields), c.line);
}

}  // namespace
