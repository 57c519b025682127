#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

class ResultsGrid;

// A saved search is one .lpc file in the Saved folder: one INI section per
// engine column ("Google" ... "All The Web"), one "mm-dd-yy=count" entry per
// day, newest first. Every save below is whole or nothing: either all of its
// entries reach the file or the file is left exactly as it was.
namespace savedSearch {

inline constexpr const char* kExtension = ".lpc";

// The state the dialogs hand on for the rest of the run.
// PendingSaveRecord: the row captured by "Save Results", read by the save dialog.
QString pendingSaveRecord();
void setPendingSaveRecord(const QString& record);
// ChartFileName: the chosen name plus ".lpc", set by the load dialog, read by the chart.
QString chartFileName();
void setChartFileName(const QString& fileName);

// Six lines "caption:cell\n", one per engine column in grid order; nothing
// when the row does not exist (no selection, or an empty grid).
std::optional<QString> buildPendingSaveRecord(const ResultsGrid& grid, int row);

// One line of a record: the section, and the count to write (nothing when the
// line is to be skipped: the cell was "-" or empty).
struct RecordLine {
    QString section;
    std::optional<QString> count;
};
QList<RecordLine> parsePendingSaveRecord(const QString& record);

// The date key of an entry: "mm-dd-yy".
QString dateKey(const QDate& date);
// A date key read back, spaces around it ignored. Two-digit years read as
// POSIX %y does: 69-99 are 1969-1999, 00-68 are 2000-2068. An invalid date
// when the key is no "mm-dd-yy" of a real day.
QDate parseDateKey(QStringView key);

// Saved/<name>.lpc. When the folder holds a file whose name differs only in
// letter case, that file is the one meant.
QString searchFilePath(const QString& name);

// The saved searches' names (file names without their last four characters),
// sorted by name ignoring case, numbers in number order ("site 2" before
// "site 10"); "*.lpc" is matched ignoring case.
QStringList listSavedSearches();

// Why a name cannot be used, or nothing when it can. A name must stay one
// plain file name inside the Saved folder.
std::optional<QString> nameProblem(const QString& name);

// A saved search already on disk: its name as the folder spells it and how
// many dates it holds (over every section). Nothing when there is none.
struct ExistingSearch {
    QString name;
    int dates = 0;
};
std::optional<ExistingSearch> findExisting(const QString& name);
// The question asked before "Save" replaces an existing search's history.
QString replaceQuestion(const ExistingSearch& existing);

// "Ok": appends the record's counts under today's date to the named search.
// "Save": the same, but each section written is emptied first.
// Both return an error text naming the file and the reason, or nothing on
// success. The folder is created when missing. A record with no count to
// write changes nothing and creates no file.
//
// Every write holds the search's lock (a hidden, empty lock file in the Saved
// folder, locked with flock) for its whole read-modify-write, so the window
// and a cron job saving at once both keep their day. The kernel lets go of a
// lock whose process is gone, so a lock is never stale and a slow save is
// never taken over. A caller that already holds the lock (to ask a question
// about the search under it) passes it on.
class SearchLock {
public:
    static constexpr int kWaitMs = 5000;
    explicit SearchLock(const QString& name, int waitMs = kWaitMs);
    ~SearchLock();
    SearchLock(const SearchLock&) = delete;
    SearchLock& operator=(const SearchLock&) = delete;
    bool isLocked() const { return m_fd >= 0; }
    // The message for a lock that could not be had.
    QString error() const;

private:
    enum class Failure { None, Folder, Permission, Create, Busy };
    QString m_name;
    QByteArray m_path;
    int m_fd = -1;
    Failure m_failure = Failure::None;
};

std::optional<QString> appendRecord(const QString& name, const QString& record, const QDate& today,
                                    const SearchLock* held = nullptr);
std::optional<QString> saveNewRecord(const QString& name, const QString& record, const QDate& today,
                                     const SearchLock* held = nullptr);

// Writes counts under their dates into one section, each date at its place
// in the section's newest-first order whatever order they come in (a date
// the section holds gets the new count where it stands). Every other entry and
// section stays as it was; one write, under the search's lock.
std::optional<QString> writeDatedCounts(const QString& name, const QString& section,
                                        const QList<std::pair<QDate, QString>>& counts,
                                        const SearchLock* held = nullptr);

// Appends one grid row exactly as "Ok" does (the file is created when
// missing); for callers without a dialog.
std::optional<QString> appendGridRow(const QString& name, const ResultsGrid& grid, int row,
                                     const QDate& today);

// Messages of the dialogs.
inline constexpr const char* kNoSelectionMessage =
    "You must first select the item in the results list that you would like to save.";
inline constexpr const char* kNoSavedSearchesMessage = "You currently do not have any saved searches";
inline constexpr const char* kChooseAppendTargetMessage =
    "Please choose a saved search in the dropdown box above";
inline constexpr const char* kChooseLoadMessage = "Please choose a saved file in the dropdown box above";

}  // namespace savedSearch
