#include "graph/release_catalog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace graphRelease {
namespace {

QDate mondayOf(const QDate& date) { return date.addDays(1 - date.dayOfWeek()); }

Release fromObject(const QJsonObject& object) {
    Release release;
    release.id = object.value(QLatin1String("id")).toString();
    for (const QJsonValue& crawl : object.value(QLatin1String("crawls")).toArray())
        release.crawls << crawl.toString();
    return release;
}

}  // namespace

std::optional<QList<Release>> parseGraphInfo(const QByteArray& json, QString* error) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    auto fail = [&](const QString& why) -> std::optional<QList<Release>> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (parseError.error != QJsonParseError::NoError)
        return fail(QStringLiteral("not JSON (%1 at byte %2)").arg(parseError.errorString()).arg(parseError.offset));
    if (!document.isArray()) return fail(QStringLiteral("not a JSON array"));
    QList<Release> releases;
    for (const QJsonValue& value : document.array()) {
        Release release = fromObject(value.toObject());
        if (release.id.isEmpty()) return fail(QStringLiteral("a release without an \"id\""));
        if (auto problem = idProblem(release.id)) return fail(*problem);
        releases << release;
    }
    return releases;
}

std::optional<QString> idProblem(const QString& id) {
    const bool plain = !id.isEmpty() && id.size() <= 200 && !id.startsWith(QLatin1Char('.')) &&
                       std::all_of(id.begin(), id.end(), [](QChar c) {
                           return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                                  c == u'.' || c == u'_' || c == u'-';
                       });
    if (plain) return std::nullopt;
    return QStringLiteral("\"%1\" is no release name (letters, digits, \".\", \"_\" and \"-\" only)")
        .arg(id.left(200));
}

std::optional<QDate> crawlMonday(const QString& crawl) {
    static const QRegularExpression pattern(QStringLiteral("(\\d{4})-(\\d{1,2})$"));
    const QRegularExpressionMatch match = pattern.match(crawl.trimmed());
    if (!match.hasMatch()) return std::nullopt;
    const int year = match.captured(1).toInt(), week = match.captured(2).toInt();
    if (week < 1 || week > 53) return std::nullopt;
    const QDate firstMonday = mondayOf(QDate(year, 1, 4));  // 4 January is always in week 1
    const QDate monday = firstMonday.addDays(7 * (week - 1));
    int isoYear = 0;
    if (monday.weekNumber(&isoYear) != week || isoYear != year) return std::nullopt;
    return monday;
}

std::optional<QDate> nameMonth(const QString& id) {
    static const QStringList months = {QStringLiteral("jan"), QStringLiteral("feb"), QStringLiteral("mar"),
                                       QStringLiteral("apr"), QStringLiteral("may"), QStringLiteral("jun"),
                                       QStringLiteral("jul"), QStringLiteral("aug"), QStringLiteral("sep"),
                                       QStringLiteral("oct"), QStringLiteral("nov"), QStringLiteral("dec")};
    int year = 0, month = 0;
    for (const QString& token : id.toLower().split(QLatin1Char('-'))) {
        if (token.size() == 4 && year == 0 && token.toInt() > 1900) {
            year = token.toInt();
        } else if (const qsizetype m = months.indexOf(token.left(3)); m >= 0 && year > 0) {
            if (month > 0 && m + 1 < month) ++year;
            month = static_cast<int>(m) + 1;
        }
    }
    if (year == 0 || month == 0) return std::nullopt;
    return QDate(year, month, 1);
}

std::optional<QDate> releaseDate(const Release& release) {
    std::optional<QDate> newest;
    for (const QString& crawl : release.crawls)
        if (const auto monday = crawlMonday(crawl); monday && (!newest || *monday > *newest)) newest = monday;
    if (newest) return newest;
    if (const auto month = nameMonth(release.id)) return mondayOf(*month);
    return std::nullopt;
}

void sortNewestFirst(QList<Release>& releases) {
    std::stable_sort(releases.begin(), releases.end(), [](const Release& a, const Release& b) {
        const auto da = releaseDate(a), db = releaseDate(b);
        if (da && db && *da != *db) return *da > *db;
        if (da.has_value() != db.has_value()) return da.has_value();
        return a.id < b.id;
    });
}

QString cacheRoot() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/Quillmark/graph");
}

QString releaseFolder(const QString& id) { return cacheRoot() + QLatin1Char('/') + id; }
QString indexPath(const QString& id) { return releaseFolder(id) + QStringLiteral("/domain.index"); }
QString infoPath(const QString& id) { return releaseFolder(id) + QStringLiteral("/release.json"); }
QString fileName(const QString& id, const QString& kind) {
    return id + QStringLiteral("-domain-") + kind + QStringLiteral(".txt.gz");
}

bool isFetched(const QString& id) {
    return std::all_of(kFileKinds.begin(), kFileKinds.end(), [&](const QString& kind) {
        return QFileInfo(releaseFolder(id) + QLatin1Char('/') + fileName(id, kind)).isFile();
    });
}

bool isCounted(const QString& id) { return QFileInfo(indexPath(id)).isFile(); }

Release localRelease(const QString& id) {
    QFile file(infoPath(id));
    Release release;
    if (file.open(QIODevice::ReadOnly)) release = fromObject(QJsonDocument::fromJson(file.readAll()).object());
    release.id = id;
    return release;
}

bool saveLocalRelease(const QString& json, const QString& id) {
    if (!QDir().mkpath(releaseFolder(id))) return false;
    return !writeCacheFile(infoPath(id), json.toUtf8());
}

std::optional<QString> writeCacheFile(const QString& path, const QByteArray& bytes) {
    const QByteArray name = QFile::encodeName(path);
    QByteArray temporary = name + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    auto failed = [&](int error) -> std::optional<QString> {
        return QStringLiteral("%1: cannot be written (%2)").arg(path, QString::fromLocal8Bit(std::strerror(error)));
    };
    if (fd < 0) return failed(errno);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    const int writeError = done < bytes.size() ? (errno ? errno : EIO) : 0;
    const bool closed = ::close(fd) == 0;
    if (writeError || !closed || ::rename(temporary.constData(), name.constData()) != 0) {
        const int error = writeError ? writeError : errno;
        ::unlink(temporary.constData());
        return failed(error);
    }
    return std::nullopt;
}

ReleaseLock::ReleaseLock(const QString& id) {
    const QString folder = releaseFolder(id);
    const QByteArray folderName = QFile::encodeName(folder);
    struct stat st {};
    if (!QDir().mkpath(folder) || ::lstat(folderName.constData(), &st) != 0) {
        m_error = QStringLiteral("%1: the folder cannot be made").arg(folder);
        return;
    }
    if (!S_ISDIR(st.st_mode)) {
        m_error = QStringLiteral("%1: is not a folder (a link is not followed)").arg(folder);
        return;
    }
    const QByteArray lockName = folderName + "/.lock";
    const int fd = ::open(lockName.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_error = QStringLiteral("%1/.lock: cannot be made (%2)").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    int rc = 0;
    do rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        m_error = errno == EWOULDBLOCK
                      ? QStringLiteral("%1 is being fetched or counted by another job; try again when it has ended").arg(id)
                      : QStringLiteral("%1/.lock: cannot be locked (%2)")
                            .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return;
    }
    m_fd = fd;
}

ReleaseLock::~ReleaseLock() {
    // The file stays: removing it would let a second job lock a new file
    // while a third still holds the old one.
    if (m_fd >= 0) ::close(m_fd);
}

QList<Release> countedReleases() {
    QList<Release> releases;
    const QStringList folders = QDir(cacheRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& id : folders)
        if (isCounted(id)) releases << localRelease(id);
    sortNewestFirst(releases);
    return releases;
}

QString fileUrl(const QString& dataBase, const QString& id, const QString& kind) {
    QString base = dataBase;
    while (base.endsWith(QLatin1Char('/'))) base.chop(1);
    return base + QStringLiteral("/projects/hyperlinkgraph/") + id + QStringLiteral("/domain/") + fileName(id, kind);
}

}  // namespace graphRelease
