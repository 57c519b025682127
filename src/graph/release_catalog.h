#pragma once

#include <QDate>
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The published releases of the web graph and what of them is here: the
// list (graphinfo.json), their dates, and the cache folder that holds the
// fetched files and the indexes.
namespace graphRelease {

inline constexpr const char* kDefaultIndexBase = "https://index.commoncrawl.org";
inline constexpr const char* kDefaultDataBase = "https://data.commoncrawl.org";

struct Release {
    QString id;          // "cc-main-2024-nov-feb-apr"
    QStringList crawls;  // "CC-MAIN-2024-18", ...
};

// The releases in a graphinfo.json answer; nothing (and the reason) when it
// is not a JSON array of objects with an "id".
std::optional<QList<Release>> parseGraphInfo(const QByteArray& json, QString* error = nullptr);

// The Monday of the ISO week a crawl name gives ("CC-MAIN-2024-18").
std::optional<QDate> crawlMonday(const QString& crawl);
// The first of the last month a release's name gives, the year moving on
// when the months wrap ("cc-main-2020-21-oct-nov-jan" is January 2021).
std::optional<QDate> nameMonth(const QString& id);
// The date a release stands for: the Monday of its newest crawl's week; for a
// release without crawls, the Monday of the week its name's last month begins.
std::optional<QDate> releaseDate(const Release& release);
// Newest first; releases without a date last, by name.
void sortNewestFirst(QList<Release>& releases);

// Why an id cannot name a release here, or nothing when it can: an id names a
// folder of the cache and its files, so it must stay one plain name (letters,
// digits, ".", "_" and "-", not starting with ".").
std::optional<QString> idProblem(const QString& id);

// $XDG_CACHE_HOME/Quillmark/graph (~/.cache/... when unset).
QString cacheRoot();
QString releaseFolder(const QString& id);
QString indexPath(const QString& id);
// The release's entry as fetched, kept beside its files so dates are known offline.
QString infoPath(const QString& id);
QString fileName(const QString& id, const QString& kind);  // kind: vertices, edges, ranks
// In the order they are fetched and counted: the ranks need only the names,
// and are counted more slowly than they download, so they go before the
// edges, whose count keeps up with any download; the count then ends moments
// after the download does.
inline const QStringList kFileKinds = {QStringLiteral("vertices"), QStringLiteral("ranks"),
                                       QStringLiteral("edges")};
bool isFetched(const QString& id);
bool isCounted(const QString& id);
// The release as kept here: its id and the crawls saved when it was fetched.
Release localRelease(const QString& id);
bool saveLocalRelease(const QString& json, const QString& id);

// Writes a file of the cache whole: the bytes go into a new file beside it
// that then replaces it by rename, so a link planted under that name is
// replaced, never followed. The error names the file and the reason.
std::optional<QString> writeCacheFile(const QString& path, const QByteArray& bytes);

// One job at a time on a release (a fetch or a count): an empty ".lock" file
// in the release's folder, held with flock while this lives. The kernel lets
// go when the process ends, so a lock is never stale.
class ReleaseLock {
public:
    // Makes the release's folder when it is missing; never waits.
    explicit ReleaseLock(const QString& id);
    ~ReleaseLock();
    ReleaseLock(const ReleaseLock&) = delete;
    ReleaseLock& operator=(const ReleaseLock&) = delete;
    bool isLocked() const { return m_fd >= 0; }
    // Why the lock could not be had ("... is being fetched or counted by another job").
    QString error() const { return m_error; }

private:
    int m_fd = -1;
    QString m_error;
};
// Releases with an index here, newest first.
QList<Release> countedReleases();

// Where a release's files are, given the data server's base address.
QString fileUrl(const QString& dataBase, const QString& id, const QString& kind);

}  // namespace graphRelease
