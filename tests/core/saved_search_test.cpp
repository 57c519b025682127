#include "history/saved_search.h"

#include "config/ini_file.h"
#include "results/results_grid.h"
#include "support/temp_app_folder.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include "support/qt_gtest_printers.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <csignal>

using namespace savedSearch;

namespace {

const QDate kDay1(2006, 3, 7);
const QDate kDay2(2006, 3, 14);
const QDate kDay3(2006, 3, 21);

// A record as "Save Results" builds it from a row with these six engine cells.
QString recordOf(const QStringList& cells) {
    ResultsGrid grid;
    grid.appendRow(QStringList{QStringLiteral("example.com"), QString()} + cells);
    return *buildPendingSaveRecord(grid, 0);
}

QString section(const QString& file, const QString& name) {
    return IniReadSection(name, QStringLiteral("<absent>"), file);
}

}  // namespace

TEST(SavedSearchRecord, SixCaptionCellLinesInGridOrder) {
    ResultsGrid grid;
    grid.appendRow({QStringLiteral("a.com"), QStringLiteral("21"), QStringLiteral("1"), QStringLiteral("2"),
                    QStringLiteral("-"), QString(), QStringLiteral("5"), QStringLiteral("6")});
    EXPECT_EQ(*buildPendingSaveRecord(grid, 0),
              QStringLiteral("Google:1\nAltavista:2\nYahoo!:-\nAsk:\nMSN:5\nAll The Web:6\n"));
    EXPECT_FALSE(buildPendingSaveRecord(grid, -1));
    EXPECT_FALSE(buildPendingSaveRecord(grid, 1));
    EXPECT_FALSE(buildPendingSaveRecord(ResultsGrid(), 0));

    const QList<RecordLine> lines = parsePendingSaveRecord(*buildPendingSaveRecord(grid, 0));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[2].section, QStringLiteral("Yahoo!"));
    EXPECT_FALSE(lines[2].count);  // "-"
    EXPECT_FALSE(lines[3].count);  // empty
    EXPECT_EQ(lines[5].count.value_or(QString()), QStringLiteral("6"));
    // The count stops at a further ":".
    EXPECT_EQ(parsePendingSaveRecord(QStringLiteral("Google:12:x\n")).first().count.value_or(QString()),
              QStringLiteral("12"));
}

TEST(SavedSearchRecord, DateKeyIsTwoDigitMonthDayYear) {
    EXPECT_EQ(dateKey(QDate(2006, 3, 21)), QStringLiteral("03-21-06"));
    EXPECT_EQ(dateKey(QDate(2010, 12, 1)), QStringLiteral("12-01-10"));
}

TEST(SavedSearchRecord, DateKeysReadBackWithPosixTwoDigitYears) {
    struct Case {
        const char* key;
        QDate date;  // invalid: not a date
    };
    const Case cases[] = {
        {"03-21-06", QDate(2006, 3, 21)},
        {"12-31-99", QDate(1999, 12, 31)},
        {"01-01-69", QDate(1969, 1, 1)},
        {"12-31-68", QDate(2068, 12, 31)},
        {"01-01-00", QDate(2000, 1, 1)},
        {"02-29-00", QDate(2000, 2, 29)},  // 2000 is a leap year though 1900 is not
        {" 03-21-06 ", QDate(2006, 3, 21)},
        {"02-29-01", QDate()},
        {"13-01-06", QDate()},
        {"00-10-06", QDate()},
        {"1-2-06", QDate()},
        {"03-21-2006", QDate()},
        {"03/21/06", QDate()},
        {"0x-21-06", QDate()},
        {"", QDate()},
        {"someday", QDate()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(parseDateKey(QString::fromLatin1(c.key)), c.date);
    }
    // Every date the program writes reads back as itself.
    for (const QDate& d : {QDate(1969, 1, 1), QDate(1999, 12, 31), QDate(2000, 2, 29), QDate(2026, 12, 9),
                           QDate(2068, 12, 31)})
        EXPECT_EQ(parseDateKey(dateKey(d)), d) << d.toString(Qt::ISODate).toStdString();
}

TEST(SavedSearchFile, HistoryAcrossSeveralDays) {
    TempAppFolder app;
    const QString file = searchFilePath(QStringLiteral("site"));
    EXPECT_EQ(file, app.file(QStringLiteral("Saved/site.lpc")));

    // Day 1 has no Yahoo! count; its section comes only with day 2, at the end.
    ASSERT_FALSE(saveNewRecord(QStringLiteral("site"),
                               recordOf({"100", "10", "-", "1", "", "7"}), kDay1));
    EXPECT_EQ(IniListSections(file),
              QStringList({"Google", "Altavista", "Ask", "All The Web"}));
    ASSERT_FALSE(appendRecord(QStringLiteral("site"), recordOf({"110", "11", "40", "2", "3", "8"}), kDay2));
    // The same day again replaces that day's entry.
    ASSERT_FALSE(appendRecord(QStringLiteral("site"), recordOf({"111", "-", "41", "2", "3", "8"}), kDay2));
    ASSERT_FALSE(appendRecord(QStringLiteral("site"), recordOf({"120", "12", "42", "3", "4", "9"}), kDay3));

    EXPECT_EQ(IniListSections(file),
              QStringList({"Google", "Altavista", "Ask", "All The Web", "Yahoo!", "MSN"}));
    EXPECT_EQ(section(file, "Google"), QStringLiteral("03-21-06=120\r\n03-14-06=111\r\n03-07-06=100\r\n"));
    EXPECT_EQ(section(file, "Altavista"), QStringLiteral("03-21-06=12\r\n03-14-06=11\r\n03-07-06=10\r\n"));
    EXPECT_EQ(section(file, "MSN"), QStringLiteral("03-21-06=4\r\n03-14-06=3"));

    const QByteArray bytes = readFileBytes(file);
    EXPECT_TRUE(bytes.startsWith("\r\n[Google]\r\n03-21-06=120\r\n03-14-06=111\r\n")) << bytes.constData();
    EXPECT_FALSE(bytes.contains("\n\n")) << "bare line feeds";
}

TEST(SavedSearchFile, SaveOverAnExistingSearchKeepsOnlyTodayForEnginesWritten) {
    TempAppFolder app;
    const QString name = QStringLiteral("again");
    ASSERT_FALSE(saveNewRecord(name, recordOf({"1", "2", "3", "4", "5", "6"}), kDay1));
    ASSERT_FALSE(appendRecord(name, recordOf({"11", "12", "13", "14", "15", "16"}), kDay2));
    ASSERT_FALSE(saveNewRecord(name, recordOf({"21", "-", "23", "24", "25", "26"}), kDay3));
    const QString file = searchFilePath(name);
    EXPECT_EQ(section(file, "Google"), QStringLiteral("03-21-06=21\r\n"));
    // Skipped for "-": its history stays as it was.
    EXPECT_EQ(section(file, "Altavista"), QStringLiteral("03-14-06=12\r\n03-07-06=2\r\n"));
    EXPECT_EQ(section(file, "All The Web"), QStringLiteral("03-21-06=26"));
}

TEST(SavedSearchFile, RowWithoutAnyCountWritesNothing) {
    TempAppFolder app;
    const QString none = recordOf({"-", "-", "", "-", "-", "-"});
    ASSERT_FALSE(saveNewRecord(QStringLiteral("empty"), none, kDay1));
    EXPECT_FALSE(QFile::exists(app.file(QStringLiteral("Saved/empty.lpc"))));

    ASSERT_FALSE(saveNewRecord(QStringLiteral("kept"), recordOf({"1", "2", "3", "4", "5", "6"}), kDay1));
    const QByteArray before = app.read(QStringLiteral("Saved/kept.lpc"));
    ASSERT_FALSE(appendRecord(QStringLiteral("kept"), none, kDay2));
    EXPECT_EQ(app.read(QStringLiteral("Saved/kept.lpc")), before);
}

TEST(SavedSearchFile, SavedFolderIsCreatedWhenMissing) {
    TempAppFolder app;
    ASSERT_TRUE(QDir(app.file(QStringLiteral("Saved"))).removeRecursively());
    ResultsGrid grid;
    grid.appendRow({"a.com", "", "5", "", "", "", "", ""});
    ASSERT_FALSE(appendGridRow(QStringLiteral("fresh"), grid, 0, kDay1));
    EXPECT_EQ(section(app.file(QStringLiteral("Saved/fresh.lpc")), "Google"), QStringLiteral("03-07-06=5"));
}

TEST(SavedSearchFile, AppendGridRowWithoutTheRowIsAnError) {
    TempAppFolder app;
    ResultsGrid grid;
    EXPECT_TRUE(appendGridRow(QStringLiteral("x"), grid, 0, kDay1));
    EXPECT_TRUE(QDir(app.file(QStringLiteral("Saved"))).isEmpty());
}

TEST(SavedSearchNames, UnsafeNamesAreRefusedAndWriteNothing) {
    TempAppFolder app;
    const QString record = recordOf({"1", "2", "3", "4", "5", "6"});
    // A leading dot is what the folder's own locks and copies being saved
    // look like: a search named so would be taken for one and removed.
    const QStringList refused{QString(), " ", "   ", ".", "..", "../up", "a/b", "/abs", "a\\b", "tab\there",
                              "line\nfeed", QString(QChar(0x7f)), QString(QChar(0x85)), ".hidden",
                              ".saving-999999-mysite", ".x.lpc.lock"};
    for (const QString& name : refused) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(nameProblem(name));
        EXPECT_TRUE(saveNewRecord(name, record, kDay1));
        EXPECT_TRUE(appendRecord(name, record, kDay1));
    }
    EXPECT_TRUE(QDir(app.file(QStringLiteral("Saved"))).isEmpty());
    EXPECT_EQ(QDir(app.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList({"Lists", "Saved"}));

    for (const QString& name : QStringList{"My Site", "a.", "über", "a.b", "x=[y]"}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_FALSE(nameProblem(name));
        EXPECT_FALSE(saveNewRecord(name, record, kDay1));
    }
    QStringList listed = listSavedSearches();
    listed.sort();
    EXPECT_EQ(listed, QStringList({"My Site", "a.", "a.b", "x=[y]", "über"}));
}

TEST(SavedSearchNames, ListingMatchesTheExtensionIgnoringCaseAndAddressesThatFile) {
    TempAppFolder app;
    app.write(QStringLiteral("Saved/Upper.LPC"), "\r\n[Google]\r\n03-07-06=1\r\n");
    app.write(QStringLiteral("Saved/plain.lpc"), "");
    app.write(QStringLiteral("Saved/other.txt"), "");
    app.write(QStringLiteral("Saved/lpc"), "");
    QDir().mkpath(app.file(QStringLiteral("Saved/folder.lpc")));
    QStringList listed = listSavedSearches();
    listed.sort();
    EXPECT_EQ(listed, QStringList({"Upper", "plain"}));

    // Appending to the listed name reaches the file as it is spelled on disk.
    ASSERT_FALSE(appendRecord(QStringLiteral("Upper"), recordOf({"2", "-", "-", "-", "-", "-"}), kDay2));
    EXPECT_FALSE(QFile::exists(app.file(QStringLiteral("Saved/Upper.lpc"))));
    EXPECT_EQ(section(app.file(QStringLiteral("Saved/Upper.LPC")), "Google"),
              QStringLiteral("03-14-06=2\r\n03-07-06=1"));
}

TEST(SavedSearchNames, ListedByNameIgnoringCaseWithNumbersInOrder) {
    TempAppFolder app;
    const QStringList files{"site 10", "Zeta", "site 2", "alpha", "Site 1", "beta", "ALPHA",
                            "b",       "v007", "v7a",    "v10",   "site 2b"};
    for (const QString& name : files) app.write(QStringLiteral("Saved/") + name + ".lpc", "");
    EXPECT_EQ(listSavedSearches(), QStringList({"ALPHA", "alpha", "b", "beta", "Site 1", "site 2", "site 2b",
                                                "site 10", "v007", "v7a", "v10", "Zeta"}));
}

TEST(SavedSearchFailures, UnwritableFolderReportsFileAndReasonAndKeepsHistory) {
    TempAppFolder app;
    const QString name = QStringLiteral("locked");
    ASSERT_FALSE(saveNewRecord(name, recordOf({"1", "2", "3", "4", "5", "6"}), kDay1));
    const QString file = app.file(QStringLiteral("Saved/locked.lpc"));
    const QByteArray before = readFileBytes(file);
    const QString record = recordOf({"9", "9", "9", "9", "9", "9"});
    // "nobody" may reach the folder and read the file, but not write the folder.
    QFile::setPermissions(app.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                          QFileDevice::ExeOther);
    QFile::setPermissions(app.file(QStringLiteral("Saved")), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                                 QFileDevice::ReadOther | QFileDevice::ExeOther);
    const std::optional<bool> result = runUnprivileged([&] {
        const std::optional<QString> error = appendRecord(name, record, kDay2);
        return error && error->contains(QDir::toNativeSeparators(file)) &&
               error->contains(QLatin1String("ermission denied"));
    });
    QFile::setPermissions(app.file(QStringLiteral("Saved")), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                                 QFileDevice::ExeOwner);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(*result);
    EXPECT_EQ(readFileBytes(file), before);
}

TEST(SavedSearchFailures, AWriteCutShortLeavesNoneOfTheSaveBehind) {
    // A file size limit cuts writes short the way a full disk does: once while
    // the history is copied, once after some of the day's entries are in.
    for (const int headroom : {-10, 20}) {
        SCOPED_TRACE(headroom);
        TempAppFolder app;
        const QString name = QStringLiteral("partial");
        ASSERT_FALSE(saveNewRecord(name, recordOf({"1", "2", "3", "4", "5", "6"}), kDay1));
        const QString file = app.file(QStringLiteral("Saved/partial.lpc"));
        const QByteArray before = readFileBytes(file);

        rlimit old{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = static_cast<rlim_t>(before.size() + headroom);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const std::optional<QString> error =
            appendRecord(name, recordOf({"11", "12", "13", "14", "15", "16"}), kDay2);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        ASSERT_TRUE(error);
        EXPECT_TRUE(error->contains(QDir::toNativeSeparators(file))) << error->toStdString();
        EXPECT_EQ(readFileBytes(file), before);
        EXPECT_EQ(QDir(app.file(QStringLiteral("Saved"))).entryList(QDir::Files | QDir::Hidden),
                  QStringList({"partial.lpc"}));
    }
}
