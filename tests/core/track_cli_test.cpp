#include "config/ini_file.h"
#include "support/sim_fixture.h"
#include "support/temp_app_folder.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct CliResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The real quillmark-scan, run from a private application folder.
class TrackCliTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        m_program = app.file(QStringLiteral("quillmark-scan"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUILLMARK_SCAN_BIN), m_program));
    }

    CliResult run(const QStringList& args) {
        QProcess p;
        p.start(m_program, args);
        CliResult r;
        if (!p.waitForFinished(60000)) return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }

    QStringList savedFiles() const {
        QStringList files = QDir(app.file(QStringLiteral("Saved"))).entryList(QDir::Files | QDir::Hidden);
        files.sort();
        return files;
    }

    QString m_program;
};

const QString kToday = QDate::currentDate().toString(QStringLiteral("MM-dd-yy"));

TEST_F(TrackCliTest, AppendEachSavesEveryRowIntoTheSearchOfItsAddress) {
    app.write(QStringLiteral("Lists/track.txt"),
              "http://www.count-10.example/a/\r\n"
              "http://count-10.example/a\r\n"         // the same name as the first: not saved
              "http://count-30.example/x%5Cy\r\n"     // a backslash in the path
              "http://drop.example/\r\n"              // no engine answers
              "http://COUNT-10.example/A\r\n");       // the first name again, in other letters
    const CliResult r = run({QStringLiteral("--append-each"), QStringLiteral("-l"), app.file(QStringLiteral("Lists/track.txt"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.startsWith("Domain Name,")) << "the grid is printed as without saving";
    const QString err = QString::fromLocal8Bit(r.err);
    EXPECT_EQ(err.count(QStringLiteral("nothing saved")), 3) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("http://count-10.example/a: nothing saved"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("http://COUNT-10.example/A: nothing saved"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("http://drop.example/: nothing saved: no engine gave a count")));
    EXPECT_FALSE(err.contains(QStringLiteral("www.count-10"))) << "the first of two is saved";

    EXPECT_EQ(savedFiles(), QStringList({"count-10.example_a.lpc", "count-30.example_x_y.lpc"}));
    const QString first = app.file(QStringLiteral("Saved/count-10.example_a.lpc"));
    EXPECT_EQ(IniListSections(first), QStringList({"Google", "Altavista", "Yahoo!", "Ask", "MSN", "All The Web"}));
    EXPECT_EQ(IniReadSection(QStringLiteral("Google"), QString(), first), kToday + QStringLiteral("=10\r\n"));
    EXPECT_EQ(IniReadSection(QStringLiteral("MSN"), QString(),
                             app.file(QStringLiteral("Saved/count-30.example_x_y.lpc"))),
              kToday + QStringLiteral("=30\r\n"));
}

TEST_F(TrackCliTest, AppendEachExitsZeroWhenEveryRowSavedAndAddsToExistingHistories) {
    app.write(QStringLiteral("Saved/count-5.example.lpc"), "\r\n[Google]\r\n01-02-03=4\r\n");
    const CliResult r = run({QStringLiteral("--append-each"), QStringLiteral("http://www.count-5.example/"),
                       QStringLiteral("http://count-6.example/p")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_EQ(savedFiles(), QStringList({"count-5.example.lpc", "count-6.example_p.lpc"}));
    EXPECT_EQ(IniReadSection(QStringLiteral("Google"), QString(), app.file(QStringLiteral("Saved/count-5.example.lpc"))),
              kToday + QStringLiteral("=5\r\n01-02-03=4\r\n"));

    // An empty list saves nothing and fails nothing.
    app.write(QStringLiteral("Lists/empty.txt"), "");
    EXPECT_EQ(run({QStringLiteral("--append-each"), QStringLiteral("-l"), app.file(QStringLiteral("Lists/empty.txt"))})
                  .exitCode,
              0);
}

TEST_F(TrackCliTest, HistoryPrintsOneLineADateOldestFirstWithEmptyCellsWhereASectionHasNone) {
    // Sections hold different dates, newest first as the program writes them,
    // and a key that is no date.
    app.write(QStringLiteral("Saved/site.lpc"),
              "\r\n[Google]\r\n03-21-06=1250\r\n03-14-06=1190\r\n"
              "\r\n[Yahoo!]\r\n03-21-06=310\r\n03-07-06=298\r\nnote=x\r\n"
              "\r\n[All The Web]\r\n12-31-05=7\r\n");
    const QByteArray all =
        "Date,Google,Yahoo!,All The Web\n"
        "2005-12-31,,,7\n"
        "2006-03-07,,298,\n"
        "2006-03-14,1190,,\n"
        "2006-03-21,1250,310,\n";
    CliResult r = run({QStringLiteral("--history"), QStringLiteral("Site")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, all);

    r = run({QStringLiteral("--history"), QStringLiteral("site"), QStringLiteral("--since"), QStringLiteral("2006-03-14")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QByteArray("Date,Google,Yahoo!,All The Web\n"
                                "2006-03-14,1190,,\n"
                                "2006-03-21,1250,310,\n"));

    r = run({QStringLiteral("--history"), QStringLiteral("missing")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("missing")) << r.err.toStdString();
}

TEST_F(TrackCliTest, AppendEachKeepsPagesWhoseAddressesDifferOnlyInLetterCaseApart) {
    // Saved earlier from http://count-10.example/Report: a path's case names another page.
    const QByteArray report = "\r\n[Google]\r\n01-02-03=4\r\n";
    app.write(QStringLiteral("Saved/count-10.example_Report.lpc"), report);
    const CliResult r = run({QStringLiteral("--append-each"), QStringLiteral("http://count-10.example/report")});
    EXPECT_EQ(r.exitCode, 1);
    const QString err = QString::fromLocal8Bit(r.err);
    EXPECT_TRUE(err.contains(QStringLiteral("http://count-10.example/report: nothing saved"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("count-10.example_Report"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("letter case"))) << err.toStdString();
    EXPECT_EQ(app.read(QStringLiteral("Saved/count-10.example_Report.lpc")), report);
    EXPECT_EQ(savedFiles(), QStringList({"count-10.example_Report.lpc"}));

    // The page itself still adds to its own history.
    EXPECT_EQ(run({QStringLiteral("--append-each"), QStringLiteral("http://count-10.example/Report")}).exitCode, 0);
    EXPECT_EQ(IniReadSection(QStringLiteral("Google"), QString(), app.file(QStringLiteral("Saved/count-10.example_Report.lpc"))),
              kToday + QStringLiteral("=10\r\n01-02-03=4\r\n"));
}

TEST_F(TrackCliTest, HistoryReadsTwoDigitYearsAsPosixDoes) {
    app.write(QStringLiteral("Saved/old.lpc"),
              "\r\n[Google]\r\n12-31-68=4\r\n01-01-00=3\r\n12-31-99=2\r\n01-01-69=1\r\n");
    const CliResult r = run({QStringLiteral("--history"), QStringLiteral("old")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QByteArray("Date,Google\n"
                                "1969-01-01,1\n"
                                "1999-12-31,2\n"
                                "2000-01-01,3\n"
                                "2068-12-31,4\n"));
}

TEST_F(TrackCliTest, HistoryOfASearchTooLargeToReadSaysWhyAndFails) {
    app.write(QStringLiteral("Saved/huge.lpc"), "\r\n[Google]\r\n03-21-06=1\r\n");
    // Sparse: costs no disk, but is larger than any search is read.
    QFile huge(app.file(QStringLiteral("Saved/huge.lpc")));
    ASSERT_TRUE(huge.resize(100LL * 1024 * 1024));
    const CliResult r = run({QStringLiteral("--history"), QStringLiteral("huge")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains("huge.lpc")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("larger than")) << r.err.toStdString();
}

TEST_F(TrackCliTest, UsageErrorsOfTheNewOptions) {
    for (const QStringList& args : {
             QStringList{"--append-each", "--append", "x", "http://a.example/"},
             QStringList{"--history"},
             QStringList{"--history", "x", "http://a.example/"},
             QStringList{"--history", "x", "--append-each"},
             QStringList{"--history", "x", "--since"},
             QStringList{"--history", "x", "--since", "21-03-2006"},
             QStringList{"--history", "x", "--since", "2006-02-30"},
             QStringList{"--since", "2006-03-01", "http://a.example/"},
         }) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliResult r = run(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_FALSE(QDir(app.file(QStringLiteral("Saved"))).exists() && !QDir(app.file(QStringLiteral("Saved"))).isEmpty());
}

}  // namespace
