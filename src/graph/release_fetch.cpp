#include "graph/release_fetch.h"

#include "build_info.h"

#include <curl/curl.h>

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

namespace graphFetch {
namespace {

constexpr qint64 kSmallLimit = 64 << 20;

std::atomic<long> g_floorBytes{SpeedFloor{}.bytesPerSecond};
std::atomic<long> g_floorSeconds{SpeedFloor{}.seconds};

struct EasyDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

Easy makeEasy(const QByteArray& url) {
    Easy curl(curl_easy_init());
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.constData());
    static const std::string agent = std::string(buildinfo::productName) + "/" + buildinfo::versionText;
    curl_easy_setopt(curl.get(), CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_LIMIT, g_floorBytes.load());
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_TIME, g_floorSeconds.load());
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    return curl;
}

long statusOf(CURL* curl) {
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

// The headers of the last answer (a redirect's are dropped as the next begins).
struct Headers {
    QByteArray etag, lastModified;
    qint64 rangeFirst = -1;  // Content-Range: bytes FIRST-LAST/TOTAL

    QByteArray validator() const {
        if (!etag.isEmpty() && !etag.startsWith("W/")) return "ETag: " + etag;  // a weak one cannot resume
        if (!lastModified.isEmpty()) return "Last-Modified: " + lastModified;
        return {};
    }
};

size_t readHeader(char* data, size_t size, size_t count, void* user) {
    auto* h = static_cast<Headers*>(user);
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(size * count)).trimmed();
    if (line.startsWith("HTTP/")) {
        *h = Headers();
        return size * count;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0) return size * count;
    const QByteArray name = line.left(colon).trimmed().toLower(), value = line.mid(colon + 1).trimmed();
    if (name == "etag") h->etag = value;
    else if (name == "last-modified") h->lastModified = value;
    else if (name == "content-range" && value.startsWith("bytes ")) {
        bool ok = false;
        const qint64 first = value.mid(6, value.indexOf('-') - 6).toLongLong(&ok);
        h->rangeFirst = ok ? first : -1;
    }
    return size * count;
}

struct Download {
    const Transfer* t = nullptr;
    CURL* curl = nullptr;
    Headers headers;
    qint64 pos = 0;
    long status = 0;
    bool settled = false;
    bool ranged = false;      // asked for the bytes from t->have on
    bool overflow = false;    // more bytes came than the file has
    bool stopped = false;     // the caller's word
    bool badRange = false;    // a range other than the one asked for
    int writeError = 0;
};

// The first bytes of an answer decide where they go: a whole file (200)
// empties what was here, a range must start where the file ends.
bool settle(Download& d) {
    d.settled = true;
    if (d.status == 206 && (!d.ranged || d.headers.rangeFirst != d.t->have)) {
        d.badRange = true;
        return false;
    }
    curl_off_t announced = -1;
    curl_easy_getinfo(d.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    if (announced >= 0 && (d.status == 200 ? 0 : d.t->have) + announced > d.t->remote.size) {
        d.overflow = true;
        return false;
    }
    if (d.status == 200 && d.t->have > 0) {
        if (::ftruncate(d.t->fd, 0) != 0) {
            d.writeError = errno;
            return false;
        }
        d.pos = 0;
    }
    if (d.t->settled) d.t->settled(d.pos, d.status == 200 ? d.headers.validator() : d.t->remote.validator);
    return true;
}

size_t writeBody(char* data, size_t size, size_t count, void* user) {
    auto* d = static_cast<Download*>(user);
    const size_t length = size * count;
    if (!d->settled) {
        d->status = statusOf(d->curl);
        if (d->status != 200 && d->status != 206) return length;  // an error page is not the file
        if (!settle(*d)) return 0;
    }
    if (d->status != 200 && d->status != 206) return length;
    // Never past the size announced before the download: an endless body
    // would fill the disk.
    const size_t room = static_cast<size_t>(std::max<qint64>(0, d->t->remote.size - d->pos));
    size_t left = std::min(length, room);
    const char* p = data;
    while (left > 0) {
        const ssize_t n = ::pwrite(d->t->fd, p, left, static_cast<off_t>(d->pos));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            d->writeError = n < 0 ? errno : ENOSPC;
            return 0;
        }
        p += n;
        left -= static_cast<size_t>(n);
        d->pos += n;
    }
    if (d->t->grown && !d->t->grown(d->pos)) {
        d->stopped = true;
        return 0;
    }
    if (length > room) {
        d->overflow = true;
        return 0;
    }
    return length;
}

size_t appendToBody(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<QByteArray*>(user);
    if (body->size() + static_cast<qint64>(size * count) > kSmallLimit) return 0;
    body->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

QString errorText(CURLcode rc, const char* detail) {
    return QString::fromUtf8(detail && *detail ? detail : curl_easy_strerror(rc)).trimmed();
}

}  // namespace

void setSpeedFloor(SpeedFloor floor) {
    g_floorBytes = floor.bytesPerSecond;
    g_floorSeconds = floor.seconds;
}

SpeedFloor speedFloor() { return {g_floorBytes.load(), g_floorSeconds.load()}; }

std::optional<QString> remoteInfo(const QString& url, Remote& remote) {
    Easy curl = makeEasy(url.toUtf8());
    Headers headers;
    curl_easy_setopt(curl.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERFUNCTION, readHeader);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERDATA, &headers);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, 120L);
    const CURLcode rc = curl_easy_perform(curl.get());
    if (rc != CURLE_OK) return QStringLiteral("%1: %2").arg(url, QString::fromUtf8(curl_easy_strerror(rc)));
    const long status = statusOf(curl.get());
    if (status != 200) return QStringLiteral("%1: the server answered %2").arg(url).arg(status);
    curl_off_t length = -1;
    curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length < 0) return QStringLiteral("%1: the server gave no size").arg(url);
    remote.size = static_cast<qint64>(length);
    remote.validator = headers.validator();
    return std::nullopt;
}

std::optional<QString> remoteSize(const QString& url, qint64& size) {
    Remote remote;
    auto error = remoteInfo(url, remote);
    if (!error) size = remote.size;
    return error;
}

std::optional<QString> getSmall(const QString& url, QByteArray& body) {
    Easy curl = makeEasy(url.toUtf8());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, appendToBody);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, 120L);
    const CURLcode rc = curl_easy_perform(curl.get());
    if (rc != CURLE_OK) return QStringLiteral("%1: %2").arg(url, QString::fromUtf8(curl_easy_strerror(rc)));
    const long status = statusOf(curl.get());
    if (status != 200) return QStringLiteral("%1: the server answered %2").arg(url).arg(status);
    return std::nullopt;
}

TransferResult download(const Transfer& t) {
    TransferResult result;
    Easy curl = makeEasy(t.url.toUtf8());
    Download d;
    d.t = &t;
    d.curl = curl.get();
    d.pos = t.have;
    char detail[CURL_ERROR_SIZE] = {};
    curl_slist* extra = nullptr;
    // A range only with a validator: bytes of another version of the file
    // behind those here would make a file that is neither.
    d.ranged = t.have > 0 && !t.remote.validator.isEmpty();
    const QByteArray range = QByteArray::number(d.ranged ? t.have : 0) + "-";
    if (d.ranged) {
        curl_easy_setopt(curl.get(), CURLOPT_RANGE, range.constData());
        const qsizetype colon = t.remote.validator.indexOf(':');
        extra = curl_slist_append(extra, ("If-Range: " + t.remote.validator.mid(colon + 1).trimmed()).constData());
        curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, extra);
    }
    curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(curl.get(), CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERFUNCTION, readHeader);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERDATA, &d.headers);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &d);
    const CURLcode rc = curl_easy_perform(curl.get());
    curl_slist_free_all(extra);
    if (!d.settled) d.status = statusOf(curl.get());
    // An empty file has no body to settle it.
    if (!d.settled && (d.status == 200 || d.status == 206) && rc == CURLE_OK) settle(d);
    result.size = d.pos;
    result.stopped = d.stopped;
    if (d.stopped) {
        result.error = QStringLiteral("%1: stopped at byte %2").arg(t.name).arg(d.pos);
    } else if (d.writeError) {
        result.error = QStringLiteral("%1.part: cannot be written at byte %2 (%3)")
                           .arg(t.name).arg(d.pos).arg(QString::fromLocal8Bit(std::strerror(d.writeError)));
    } else if (d.overflow) {
        result.error = QStringLiteral("%1: the server sent more than the %2 bytes it announced; fetch again to "
                                      "start the file anew")
                           .arg(t.url).arg(t.remote.size);
        result.discard = true;
    } else if (d.badRange) {
        result.error = QStringLiteral("%1: the server sent other bytes than those from %2 asked for; fetch again to "
                                      "start the file anew")
                           .arg(t.url).arg(t.have);
        result.discard = true;
    } else if (d.status != 200 && d.status != 206 && d.status != 0) {
        result.error = QStringLiteral("%1: the server answered %2").arg(t.url).arg(d.status);
    } else if (rc != CURLE_OK) {
        result.error = QStringLiteral("%1: the transfer stopped at byte %2 of %3 (%4); fetch again to resume")
                           .arg(t.name).arg(d.pos).arg(t.remote.size).arg(errorText(rc, detail));
    } else if (d.pos != t.remote.size) {
        result.error = QStringLiteral("%1: %2 bytes arrived where the server has %3")
                           .arg(t.name).arg(d.pos).arg(t.remote.size);
    }
    return result;
}

}  // namespace graphFetch
