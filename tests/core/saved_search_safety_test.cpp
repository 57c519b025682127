#include "config/file_read.h"
#include "config/ini_file.h"
#include "history/saved_search.h"
#include "support/temp_app_folder.h"

#include <QDate>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSet>
#include <QSysInfo>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace savedSearch;

namespace {

const QDate kDay(2026, 3, 2);

QSet<QString> googleDates(const QString& file) {
    QSet<QString> dates;
    for (const QString& line : IniReadSection(QStringLiteral("Google"), QString(), file).split(QStringLiteral("\r\n")))
        if (line.contains(QLatin1Char('='))) dates.insert(line.section(QLatin1Char('='), 0, 0));
    return dates;
}

// The pid of a process that has ended.
qint64 deadPid() {
    QProcess p;
    p.start(QStringLiteral("/bin/true"), {});
    p.waitForStarted();
    const qint64 pid = p.processId();
    p.waitForFinished();
    return pid;
}

}  // namespace

TEST(SavedSearchLock, WritersAtOnceEachKeepEveryDay) {
    // Four processes append 12 days each, all at once, into one search: no
    // day of any of them may be lost to another's rename.
    TempAppFolder app;
    constexpr int kWriters = 4;
    constexpr int kDays = 12;
    QList<QProcess*> writers;
    for (int w = 0; w < kWriters; ++w) {
        auto* p = new QProcess;
        p->start(QStringLiteral(QUILLMARK_SAVE_RACER),
                 {app.path(), QStringLiteral("shared"), kDay.addDays(w * kDays).toString(Qt::ISODate),
                  QString::number(kDays)});
        writers << p;
    }
    for (QProcess* p : writers) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        delete p;
    }
    EXPECT_EQ(googleDates(app.file(QStringLiteral("Saved/shared.lpc"))).size(), kWriters * kDays);
    EXPECT_TRUE(QDir(app.file(QStringLiteral("Saved"))).entryList({QStringLiteral(".*lock")}, QDir::Hidden | QDir::Files).isEmpty());
}

TEST(SavedSearchLock, AHeldLockRefusesTheSaveAndADeadOnesLockIsTakenOver) {
    TempAppFolder app;
    ASSERT_FALSE(appendRecord(QStringLiteral("Site"), QStringLiteral("Google:5\n"), kDay));
    const QByteArray before = app.read(QStringLiteral("Saved/Site.lpc"));
    {
        const SearchLock held(QStringLiteral("site"));  // letter case names the same search
        ASSERT_TRUE(held.isLocked());
        const SearchLock second(QStringLiteral("Site"), 100);
        EXPECT_FALSE(second.isLocked());
        EXPECT_TRUE(second.error().contains(QLatin1String("\"Site\""))) << second.error().toStdString();
        // The holder itself writes under the lock it holds.
        EXPECT_FALSE(appendRecord(QStringLiteral("Site"), QStringLiteral("Google:6\n"), kDay.addDays(1), &held));
    }
    EXPECT_NE(app.read(QStringLiteral("Saved/Site.lpc")), before);

    // A lock file left by a process that died is stale at once.
    const qint64 pid = deadPid();
    ASSERT_GT(pid, 0);
    app.write(QStringLiteral("Saved/.site.lpc.lock"),
              QByteArray::number(pid) + "\nquillmark-scan\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    EXPECT_FALSE(appendRecord(QStringLiteral("Site"), QStringLiteral("Google:7\n"), kDay.addDays(2)));
    EXPECT_EQ(googleDates(app.file(QStringLiteral("Saved/Site.lpc"))).size(), 3);
    EXPECT_FALSE(QFile::exists(app.file(QStringLiteral("Saved/.site.lpc.lock"))));

    // A lock file planted as a link is never opened through it.
    app.write(QStringLiteral("victim.txt"), "keep\n");
    ASSERT_TRUE(QFile::link(app.file(QStringLiteral("victim.txt")), app.file(QStringLiteral("Saved/.site.lpc.lock"))));
    const auto refused = appendRecord(QStringLiteral("Site"), QStringLiteral("Google:8\n"), kDay.addDays(3));
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->contains(QLatin1String("lock file"))) << refused->toStdString();
    EXPECT_EQ(app.read(QStringLiteral("victim.txt")), "keep\n");
    EXPECT_EQ(googleDates(app.file(QStringLiteral("Saved/Site.lpc"))).size(), 3);
}

TEST(SavedSearchFiles, CopiesOfDeadSavesAreRemovedAndLiveOnesKept) {
    TempAppFolder app;
    const qint64 dead = deadPid();
    const QString abandoned = QStringLiteral("Saved/.saving-%1-0badf00d.tmp").arg(dead);
    const QString abandonedInner = QStringLiteral("Saved/.saving-%1-0badf00d.tmp.Xy12Ab").arg(dead);
    const QString live = QStringLiteral("Saved/.saving-%1-12345678.tmp").arg(QCoreApplication::applicationPid());
    // A search an older version let the user name like a copy is a search.
    const QString namedLikeACopy = QStringLiteral("Saved/.saving-%1-mysite.lpc").arg(dead);
    for (const QString& f : {abandoned, abandonedInner, live, namedLikeACopy}) app.write(f, QByteArray(1024, 'x'));
    ASSERT_FALSE(appendRecord(QStringLiteral("any"), QStringLiteral("Google:1\n"), kDay));
    EXPECT_FALSE(QFile::exists(app.file(abandoned)));
    EXPECT_FALSE(QFile::exists(app.file(abandonedInner)));
    EXPECT_TRUE(QFile::exists(app.file(live)));
    EXPECT_EQ(app.read(namedLikeACopy), QByteArray(1024, 'x'));
}

TEST(SavedSearchFiles, FilesThatAreNotWhatTheyClaimAreRefusedByName) {
    TempAppFolder app;
    app.write(QStringLiteral("private.txt"), "my secret text\r\n");
    const QString privateFile = app.file(QStringLiteral("private.txt"));
    ASSERT_TRUE(QFile::link(privateFile, app.file(QStringLiteral("Saved/evil.lpc"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), app.file(QStringLiteral("Saved/zero.lpc"))));
    ASSERT_EQ(::mkfifo(QFile::encodeName(app.file(QStringLiteral("Saved/pipe.lpc"))).constData(), 0600), 0);
    struct Case {
        const char* name;
        const char* says;
    };
    for (const Case& c : {Case{"evil", "symbolic link"}, Case{"zero", "symbolic link"}, Case{"pipe", "not a regular file"}}) {
        SCOPED_TRACE(c.name);
        const auto error = appendRecord(QString::fromLatin1(c.name), QStringLiteral("Google:1\n"), kDay);
        ASSERT_TRUE(error.has_value());
        EXPECT_TRUE(error->contains(QLatin1String(c.name) + QLatin1String(".lpc"))) << error->toStdString();
        EXPECT_TRUE(error->contains(QLatin1String(c.says))) << error->toStdString();
    }
    EXPECT_TRUE(QFileInfo(app.file(QStringLiteral("Saved/evil.lpc"))).isSymLink());
    EXPECT_EQ(app.read(QStringLiteral("private.txt")), "my secret text\r\n");
    // Reading them for a chart or a question costs nothing either.
    EXPECT_TRUE(IniListSections(app.file(QStringLiteral("Saved/zero.lpc"))).isEmpty());
    EXPECT_TRUE(IniListSections(app.file(QStringLiteral("Saved/pipe.lpc"))).isEmpty());
}

TEST(SavedSearchFiles, ASaveKeepsThePrivateModeOfItsSearch) {
    TempAppFolder app;
    ASSERT_FALSE(appendRecord(QStringLiteral("mine"), QStringLiteral("Google:1\n"), kDay));
    const QByteArray path = QFile::encodeName(app.file(QStringLiteral("Saved/mine.lpc")));
    ASSERT_EQ(::chmod(path.constData(), 0600), 0);
    ASSERT_FALSE(appendRecord(QStringLiteral("mine"), QStringLiteral("Google:2\n"), kDay.addDays(1)));
    struct stat info {};
    ASSERT_EQ(::stat(path.constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(BoundedRead, RegularFilesUpToTheBoundAndNothingElse) {
    TempAppFolder app;
    app.write(QStringLiteral("small.txt"), QByteArray(100, 'a'));
    app.write(QStringLiteral("big.txt"), QByteArray(101, 'a'));
    EXPECT_EQ(fileRead::read(app.file(QStringLiteral("small.txt")), fileRead::Links::Follow, 100).bytes.size(), 100);
    const auto big = fileRead::read(app.file(QStringLiteral("big.txt")), fileRead::Links::Follow, 100);
    ASSERT_TRUE(big.error.has_value());
    EXPECT_TRUE(big.error->contains(QLatin1String("big.txt")));
    EXPECT_TRUE(big.reason.contains(QLatin1String("larger than")));
    // /dev/zero and /proc files claim a size they do not have; the bound holds.
    EXPECT_TRUE(fileRead::read(QStringLiteral("/dev/zero")).error.has_value());
    const auto missing = fileRead::read(app.file(QStringLiteral("none.txt")));
    EXPECT_TRUE(missing.missing);
}

TEST(IniCache, AChangedFileIsReadAgainAtTheNextRead) {
    TempAppFolder app;
    const QString file = app.file(QStringLiteral("settings.ini"));
    writeFileBytes(file, "[Engines]\r\nGoogle=first\r\n");
    EXPECT_EQ(IniReadKey(QStringLiteral("Engines"), QStringLiteral("Google"), QString(), file), QStringLiteral("first"));
    // Same size, written in place: the change time still tells it apart.
    QFile same(file);
    ASSERT_TRUE(same.open(QIODevice::ReadWrite));
    same.seek(18);
    same.write("th");
    same.close();
    EXPECT_EQ(IniReadKey(QStringLiteral("Engines"), QStringLiteral("Google"), QString(), file), QStringLiteral("thrst"));
    ASSERT_TRUE(IniWriteKey(QStringLiteral("Engines"), QStringLiteral("Google"), QStringLiteral("third"), file));
    EXPECT_EQ(IniReadKey(QStringLiteral("Engines"), QStringLiteral("Google"), QString(), file), QStringLiteral("third"));
}
