#include "history/saved_search.h"

#include "config/app_paths.h"
#include "config/ini_file.h"
#include "results/results_grid.h"

#include "config/file_read.h"

#include <QCollator>
#include <QDeadlineTimer>
#include <QHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSet>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include <cerrno>
#include <dirent.h>
#include <strings.h>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace savedSearch {
namespace {

QString& pendingState() {
    static QString record;
    return record;
}

QString& chartFileState() {
    static QString name;
    return name;
}

const QString kWriteFailed = QStringLiteral("the file could not be written in full");

QString failure(const QString& target, const QString& reason) {
    return QStringLiteral("The search could not be saved to %1 (%2).")
        .arg(QDir::toNativeSeparators(target), reason);
}

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool isWholeNumber(const QString& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isAsciiDigit);
}

bool isControl(QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Other_Control; }

// Staged copies are named ".saving-PID-RANDOM.tmp"; older versions' INI
// writer added a suffix of its own to that name.
constexpr const char* kStagingPrefix = "/.saving-";

// A save killed mid-write leaves its copy behind: the next save removes
// every copy whose process is gone.
void removeAbandonedCopies(const QString& folder) {
    // Once a minute is enough: a run that saves a thousand searches would
    // otherwise read the folder a thousand times.
    static QHash<QString, QDeadlineTimer> nextLook;
    if (const auto it = nextLook.constFind(folder); it != nextLook.cend() && !it->hasExpired()) return;
    nextLook.insert(folder, QDeadlineTimer(60 * 1000));
    const QDir dir(folder);
    for (const QString& entry : dir.entryList({QStringLiteral(".saving-*")}, QDir::Files | QDir::Hidden | QDir::System)) {
        // A search is never a copy, whatever its name.
        if (entry.endsWith(QLatin1String(kExtension), Qt::CaseInsensitive)) continue;
        const qsizetype dash = entry.indexOf(QLatin1Char('-'), 8);
        bool ok = false;
        const qint64 pid = entry.mid(8, dash - 8).toLongLong(&ok);
        if (ok && fileRead::processIsGone(pid)) QFile::remove(dir.filePath(entry));
    }
}

// A copy of the target beside it, holding the new text; only when all of it
// is on disk does the copy replace the target, in one rename.
class StagedCopy {
public:
    explicit StagedCopy(const QString& target)
        : m_target(target),
          m_path(QFileInfo(target).absolutePath() + QLatin1String(kStagingPrefix) + QStringLiteral("%1-%2.tmp")
                                                        .arg(QCoreApplication::applicationPid())
                                                        .arg(QRandomGenerator::global()->generate(), 8, 16,
                                                             QLatin1Char('0'))) {}
    ~StagedCopy() {
        if (!m_committed) QFile::remove(m_path);
    }
    StagedCopy(const StagedCopy&) = delete;
    StagedCopy& operator=(const StagedCopy&) = delete;

    // The search as it stands (nothing when there is none yet).
    std::optional<QString> read(QByteArray& bytes) {
        // The search itself, never a file a link in the folder points to:
        // the copy would carry that file's text into the folder.
        const fileRead::Result current = fileRead::read(m_target, fileRead::Links::Refuse);
        if (current.missing) return std::nullopt;
        if (current.error) return current.reason;
        bytes = current.bytes;
        struct stat info {};
        if (::stat(QFile::encodeName(m_target).constData(), &info) == 0) m_mode = info.st_mode & 07777;
        return std::nullopt;
    }

    // Writes the new text into the copy, all of it on disk before commit.
    std::optional<QString> write(const QByteArray& bytes) {
        // Created private, and given the search's own mode before any byte is in.
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno));
        QFile out;
        if (::fchmod(fd, m_mode) != 0 || !out.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                                                    QFileDevice::AutoCloseHandle)) {
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            return reason;
        }
        // Unbuffered, so that a short write shows in the count written.
        if (out.write(bytes) != bytes.size())
            return out.error() != QFileDevice::NoError ? out.errorString() : kWriteFailed;
        if (::fdatasync(fd) != 0) return QString::fromLocal8Bit(std::strerror(errno));
        out.close();
        return std::nullopt;
    }

    std::optional<QString> commit() {
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(m_path).toStdString(),
                                QFile::encodeName(m_target).toStdString(), error);
        if (error) return QString::fromLocal8Bit(error.message().c_str());
        m_committed = true;
        return std::nullopt;
    }

private:
    QString m_target;
    QString m_path;
    mode_t m_mode = 0644;
    bool m_committed = false;
};


// The run of digits, or of other characters, at the start of text.
QStringView leadingRun(QStringView text) {
    const bool digits = isAsciiDigit(text.front());
    qsizetype n = 1;
    while (n < text.size() && isAsciiDigit(text[n]) == digits) ++n;
    return text.first(n);
}

int compareNumbers(QStringView x, QStringView y) {
    while (x.size() > 1 && x.front() == u'0') x = x.sliced(1);
    while (y.size() > 1 && y.front() == u'0') y = y.sliced(1);
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
}

// Runs of digits compare as numbers ("2" before "10"), the text between them
// by the collator: its own numeric mode is not there in the C locale.
int naturalCompare(const QCollator& collator, QStringView a, QStringView b) {
    while (!a.isEmpty() && !b.isEmpty()) {
        const QStringView x = leadingRun(a);
        const QStringView y = leadingRun(b);
        const int order = isAsciiDigit(x.front()) && isAsciiDigit(y.front()) ? compareNumbers(x, y)
                                                                              : collator.compare(x, y);
        if (order != 0) return order;
        a = a.sliced(x.size());
        b = b.sliced(y.size());
    }
    return a.isEmpty() ? (b.isEmpty() ? 0 : -1) : 1;
}

enum class Mode { Append, Replace };

// Reads the search under its lock (the caller's, or one of its own), lets
// edit change it in memory, then writes the new text in one write and one
// rename. edit answers false when an entry could not be made.
template <typename Edit>
std::optional<QString> editSearch(const QString& name, const SearchLock* held, Edit edit) {
    const QString folder = appPaths::savedFolder();
    if (!QDir().mkpath(folder))
        return failure(searchFilePath(name), QStringLiteral("the folder could not be created"));
    std::optional<SearchLock> ownLock;
    if (!held) {
        ownLock.emplace(name);
        held = &*ownLock;
    }
    if (!held->isLocked()) return held->error();
    // Resolved under the lock: another writer may just have created it.
    const QString target = searchFilePath(name);
    removeAbandonedCopies(folder);
    StagedCopy stage(target);
    QByteArray bytes;
    if (auto reason = stage.read(bytes)) return failure(target, *reason);
    IniLines ini;
    ini.loadBytes(bytes);
    if (!edit(ini)) return failure(target, kWriteFailed);
    if (auto reason = stage.write(ini.bytes())) return failure(target, *reason);
    if (auto reason = stage.commit()) return failure(target, *reason);
    return std::nullopt;
}

std::optional<QString> writeRecord(const QString& name, const QString& record, const QDate& today,
                                   Mode mode, const SearchLock* held) {
    if (auto problem = nameProblem(name)) return problem;
    const QList<RecordLine> lines = parsePendingSaveRecord(record);
    const bool anyCount =
        std::any_of(lines.begin(), lines.end(), [](const RecordLine& l) { return l.count.has_value(); });
    if (!anyCount) return std::nullopt;
    const QString key = dateKey(today);
    return editSearch(name, held, [&](IniLines& ini) {
        for (const RecordLine& line : lines) {
            if (!line.count) continue;
            if (mode == Mode::Replace && !ini.emptySection(line.section)) return false;
            if (!ini.writeKeyBelowHeader(line.section, key, *line.count)) return false;
        }
        return true;
    });
}

// Puts key=count into the section at its place in newest-first order: above
// the first entry with an older date, else below the section's last entry. A
// date the section holds is rewritten where it stands, and a missing section
// is made, as every save does.
bool placeDated(IniLines& ini, const QString& section, const QDate& date, const QString& count) {
    const QString key = dateKey(date);
    const QString header = QLatin1Char('[') + section + QLatin1Char(']');
    int h = 0;
    for (int p = 1; p <= ini.IniLineCount() && !h; ++p)
        if (ini.at(p).startsWith(header, Qt::CaseInsensitive)) h = p;
    int end = h + 1;
    while (h && end <= ini.IniLineCount() && !ini.at(end).startsWith(QLatin1Char('['))) ++end;
    bool held = false;
    for (int p = h + 1; h && p < end; ++p) held = held || ini.at(p).startsWith(key + QLatin1Char('='), Qt::CaseInsensitive);
    if (!h || held) return ini.writeKeyBelowHeader(section, key, count);
    int at = 0, last = h;
    for (int p = h + 1; p < end && !at; ++p) {
        const QString& line = ini.at(p);
        if (!line.isEmpty()) last = p;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QDate entry = equals > 0 ? parseDateKey(QStringView(line).left(equals)) : QDate();
        if (entry.isValid() && entry < date) at = p;
    }
    if (!at) at = last + 1;
    ini.IniInsertLine(key + QLatin1Char('=') + count, at);
    return true;
}

}  // namespace

QString pendingSaveRecord() { return pendingState(); }
void setPendingSaveRecord(const QString& record) { pendingState() = record; }
QString chartFileName() { return chartFileState(); }
void setChartFileName(const QString& fileName) { chartFileState() = fileName; }

std::optional<QString> buildPendingSaveRecord(const ResultsGrid& grid, int row) {
    if (!grid.hasRow(row)) return std::nullopt;
    QString record;
    // A cell that was not read as a count goes in empty: no day's figure.
    for (int c = ResultsGrid::kFirstEngineColumn; c < ResultsGrid::kColumnCount; ++c)
        record += grid.caption(c) + QLatin1Char(':') + (grid.wasRead(row, c) ? grid.cell(row, c) : QString()) +
                  QLatin1Char('\n');
    return record;
}

QList<RecordLine> parsePendingSaveRecord(const QString& record) {
    QStringList pieces = record.split(QLatin1Char('\n'));
    pieces.removeLast();  // the empty text after the final line feed
    QList<RecordLine> lines;
    for (const QString& piece : pieces) {
        RecordLine line;
        line.section = piece.section(QLatin1Char(':'), 0, 0);
        const QString count = piece.section(QLatin1Char(':'), 1, 1);
        // Only a whole number is a day's figure: not "-" for a failed read, not
        // an empty cell, not text a page held where its count should be.
        if (isWholeNumber(count)) line.count = count;
        lines << line;
    }
    return lines;
}

QString dateKey(const QDate& date) { return date.toString(QStringLiteral("MM-dd-yy")); }

QDate parseDateKey(QStringView key) {
    key = key.trimmed();
    if (key.size() != 8 || key[2] != u'-' || key[5] != u'-') return {};
    int parts[3] = {};
    for (int i = 0; i < 3; ++i) {
        const QChar tens = key[i * 3];
        const QChar ones = key[i * 3 + 1];
        if (!isAsciiDigit(tens) || !isAsciiDigit(ones)) return {};
        parts[i] = (tens.unicode() - u'0') * 10 + (ones.unicode() - u'0');
    }
    // Built from the full year: a century guessed after the fact would lose
    // 29 February of 2000, which 1900 does not have.
    const int year = parts[2] >= 69 ? 1900 + parts[2] : 2000 + parts[2];
    return QDate(year, parts[0], parts[1]);
}

QString searchFilePath(const QString& name) {
    const QString folder = appPaths::savedFolder();
    const QString fileName = name + QLatin1String(kExtension);
    const QString exact = folder + QLatin1Char('/') + fileName;
    if (QFileInfo::exists(exact)) return exact;
    // Read straight from the folder: a run saving a thousand new searches
    // looks here a thousand times.
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) return exact;
    const QByteArray wanted = QFile::encodeName(fileName);
    const bool wantedAscii = std::all_of(wanted.begin(), wanted.end(), [](char c) { return (c & 0x80) == 0; });
    QString found;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_type == DT_DIR) continue;
        const std::size_t length = std::strlen(entry->d_name);
        bool same = length == static_cast<std::size_t>(wanted.size()) &&
                    ::strncasecmp(entry->d_name, wanted.constData(), length) == 0;
        if (!same && !(wantedAscii && std::all_of(entry->d_name, entry->d_name + length,
                                                  [](char c) { return (c & 0x80) == 0; })))
            same = QFile::decodeName(entry->d_name).compare(fileName, Qt::CaseInsensitive) == 0;
        if (same && QFileInfo(folder + QLatin1Char('/') + QFile::decodeName(entry->d_name)).isFile()) {
            found = folder + QLatin1Char('/') + QFile::decodeName(entry->d_name);
            break;
        }
    }
    ::closedir(dir);
    return found.isEmpty() ? exact : found;
}

QStringList listSavedSearches() {
    QDir dir(appPaths::savedFolder());
    dir.setNameFilters({QStringLiteral("*.lpc")});
    QStringList names;
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden, QDir::Unsorted))
        names << entry.chopped(4);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Names equal but for case still come in one order, not the folder's.
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        const int order = naturalCompare(collator, a, b);
        return order != 0 ? order < 0 : a < b;
    });
    return names;
}

std::optional<QString> nameProblem(const QString& name) {
    // A name of spaces only would list as an invisible entry.
    if (name.trimmed().isEmpty()) return QStringLiteral("Please choose a name for this search.");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("\"%1\" cannot be used as the name of a search.").arg(name);
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return QStringLiteral("The name of a search cannot hold \"/\" or \"\\\".");
    if (std::any_of(name.begin(), name.end(), isControl))
        return QStringLiteral("The name of a search cannot hold control characters.");
    // The folder's own files (locks, copies being saved) begin with a dot: a
    // search named like one would be taken for one and removed.
    if (name.startsWith(QLatin1Char('.')))
        return QStringLiteral("The name of a search cannot begin with \".\".");
    return std::nullopt;
}

std::optional<ExistingSearch> findExisting(const QString& name) {
    if (nameProblem(name)) return std::nullopt;
    const QString path = searchFilePath(name);
    const QFileInfo info(path);
    if (!info.isFile()) return std::nullopt;
    QSet<QString> dates;
    for (const QString& section : IniListSections(path)) {
        for (const QString& line : IniReadSection(section, QString(), path).split(QStringLiteral("\r\n"))) {
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            if (equals >= 0) dates.insert(line.left(equals));
        }
    }
    return ExistingSearch{info.fileName().chopped(4), static_cast<int>(dates.size())};
}

QString replaceQuestion(const ExistingSearch& existing) {
    const QString dates = existing.dates == 1 ? QStringLiteral("1 date")
                                              : QStringLiteral("%1 dates").arg(existing.dates);
    return QStringLiteral("The saved search \"%1\" already holds %2. Replace its history with "
                          "today's results?")
        .arg(existing.name, dates);
}

std::optional<QString> appendRecord(const QString& name, const QString& record, const QDate& today,
                                    const SearchLock* held) {
    return writeRecord(name, record, today, Mode::Append, held);
}

std::optional<QString> saveNewRecord(const QString& name, const QString& record, const QDate& today,
                                     const SearchLock* held) {
    return writeRecord(name, record, today, Mode::Replace, held);
}

std::optional<QString> writeDatedCounts(const QString& name, const QString& section,
                                        const QList<std::pair<QDate, QString>>& counts, const SearchLock* held) {
    if (auto problem = nameProblem(name)) return problem;
    if (counts.isEmpty()) return std::nullopt;
    return editSearch(name, held, [&](IniLines& ini) {
        for (const auto& [date, count] : counts)
            if (!IniNameIsValid(section) || !placeDated(ini, section, date, count)) return false;
        return true;
    });
}

SearchLock::SearchLock(const QString& name, int waitMs)
    : m_name(name),
      m_path(QFile::encodeName(appPaths::savedFolder() + QStringLiteral("/.") +
                               (name + QLatin1String(kExtension)).toLower() + QStringLiteral(".lock"))) {
    if (!QDir().mkpath(appPaths::savedFolder())) {
        m_failure = Failure::Folder;
        return;
    }
    const QDeadlineTimer deadline(waitMs);
    while (true) {
        const int fd = ::open(m_path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            m_failure = errno == EACCES || errno == EPERM ? Failure::Permission : Failure::Create;
            return;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The holder before us removes the file as it lets go: a lock on a
            // file no longer in the folder locks nothing, so look again.
            struct stat held {}, named {};
            if (::fstat(fd, &held) == 0 && ::lstat(m_path.constData(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                m_fd = fd;
                m_failure = Failure::None;
                return;
            }
            ::close(fd);
            continue;
        }
        const int lockError = errno;
        ::close(fd);
        if (lockError != EWOULDBLOCK && lockError != EINTR) {
            m_failure = Failure::Create;
            return;
        }
        m_failure = Failure::Busy;
        if (deadline.hasExpired()) return;
        ::usleep(static_cast<useconds_t>(std::min<qint64>(20, std::max<qint64>(1, deadline.remainingTime())) * 1000));
    }
}

SearchLock::~SearchLock() {
    if (m_fd < 0) return;
    // Removed while still held, so that whoever waits on this file sees it gone.
    ::unlink(m_path.constData());
    ::close(m_fd);
}

QString SearchLock::error() const {
    switch (m_failure) {
    case Failure::None:
        return QString();
    case Failure::Folder:
        return failure(searchFilePath(m_name), QStringLiteral("the folder could not be created"));
    case Failure::Permission:
        return failure(searchFilePath(m_name), QStringLiteral("Permission denied"));
    case Failure::Create:
        return failure(searchFilePath(m_name), QStringLiteral("its lock file could not be created"));
    case Failure::Busy:
        break;
    }
    return QStringLiteral("The saved search \"%1\" is being saved by another program; nothing was saved. "
                          "Try again in a moment.")
        .arg(m_name);
}

std::optional<QString> appendGridRow(const QString& name, const ResultsGrid& grid, int row,
                                     const QDate& today) {
    const std::optional<QString> record = buildPendingSaveRecord(grid, row);
    if (!record) return QStringLiteral("There is no row %1 in the results.").arg(row + 1);
    return appendRecord(name, *record, today);
}

}  // namespace savedSearch
