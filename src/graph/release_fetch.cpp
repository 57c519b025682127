#include "graph/release_fetch.h"

#include "build_info.h"

#include <QFile>
#include <QFileInfo>

#include <curl/curl.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>

namespace graphFetch {
namespace {

constexpr qint64 kSmallLimit = 64 << 20;

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
    // Inactivity: under a byte a second for a minute ends the transfer.
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    return curl;
}

long statusOf(CURL* curl) {
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

struct Download {
    CURL* curl = nullptr;
    FILE* out = nullptr;
    bool failed = false;
    qint64 start = 0;  // bytes already here when the transfer began
    qint64 total = 0;
    QString name;
    FILE* progress = nullptr;
    const std::function<void(qint64)>* bytes = nullptr;
    std::chrono::steady_clock::time_point began = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point shown{};
};

size_t writeToFile(char* data, size_t size, size_t count, void* user) {
    auto* d = static_cast<Download*>(user);
    const long status = statusOf(d->curl);
    if (status != 200 && status != 206) return size * count;  // an error page is not the file
    if (std::fwrite(data, size, count, d->out) != count) {
        d->failed = true;
        return 0;
    }
    return size * count;
}

QString megabytes(qint64 bytes) { return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1); }

int showProgress(void* user, curl_off_t, curl_off_t now, curl_off_t, curl_off_t) {
    auto* d = static_cast<Download*>(user);
    if (d->bytes && *d->bytes) (*d->bytes)(d->start + now);
    if (!d->progress) return 0;
    const auto t = std::chrono::steady_clock::now();
    if (t - d->shown < std::chrono::milliseconds(250)) return 0;
    d->shown = t;
    const double seconds = std::chrono::duration<double>(t - d->began).count();
    const double rate = seconds > 0 ? static_cast<double>(now) / seconds : 0;
    const qint64 have = d->start + now;
    QString line = QStringLiteral("\r%1: %2 of %3 MB, %4 MB/s").arg(d->name, megabytes(have), megabytes(d->total),
                                                                   QString::number(rate / 1e6, 'f', 1));
    if (rate > 0 && d->total > have) {
        const qint64 left = static_cast<qint64>(static_cast<double>(d->total - have) / rate);
        line += QStringLiteral(", %1:%2:%3 left")
                    .arg(left / 3600)
                    .arg(left / 60 % 60, 2, 10, QLatin1Char('0'))
                    .arg(left % 60, 2, 10, QLatin1Char('0'));
    }
    std::fputs((line + QStringLiteral("\x1b[K")).toLocal8Bit().constData(), d->progress);
    std::fflush(d->progress);
    return 0;
}

size_t appendToBody(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<QByteArray*>(user);
    if (body->size() + static_cast<qint64>(size * count) > kSmallLimit) return 0;
    body->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

}  // namespace

std::optional<QString> remoteSize(const QString& url, qint64& size) {
    Easy curl = makeEasy(url.toUtf8());
    curl_easy_setopt(curl.get(), CURLOPT_NOBODY, 1L);
    const CURLcode rc = curl_easy_perform(curl.get());
    if (rc != CURLE_OK) return QStringLiteral("%1: %2").arg(url, QString::fromUtf8(curl_easy_strerror(rc)));
    const long status = statusOf(curl.get());
    if (status != 200) return QStringLiteral("%1: the server answered %2").arg(url).arg(status);
    curl_off_t length = -1;
    curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length < 0) return QStringLiteral("%1: the server gave no size").arg(url);
    size = static_cast<qint64>(length);
    return std::nullopt;
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

std::optional<QString> fetchFile(const QString& url, const QString& target, FILE* progress) {
    return fetchFile(url, target, progress, {});
}

std::optional<QString> fetchFile(const QString& url, const QString& target, FILE* progress,
                                 const std::function<void(qint64)>& bytes) {
    qint64 total = 0;
    if (auto error = remoteSize(url, total)) return error;
    if (QFileInfo(target).isFile() && QFileInfo(target).size() == total) return std::nullopt;
    const QString part = target + QStringLiteral(".part");
    qint64 have = QFileInfo(part).isFile() ? QFileInfo(part).size() : 0;
    if (have > total) {
        QFile::remove(part);
        have = 0;
    }
    if (have < total) {
        const QByteArray partName = QFile::encodeName(part);
        FILE* out = std::fopen(partName.constData(), "ab");
        if (!out) return QStringLiteral("%1: cannot be written (%2)").arg(part, QString::fromLocal8Bit(std::strerror(errno)));
        Easy curl = makeEasy(url.toUtf8());
        Download d;
        d.curl = curl.get();
        d.out = out;
        d.start = have;
        d.total = total;
        d.name = QFileInfo(target).fileName();
        d.progress = progress;
        d.bytes = &bytes;
        curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, writeToFile);
        curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &d);
        curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, showProgress);
        curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, &d);
        curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
        if (have > 0) curl_easy_setopt(curl.get(), CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(have));
        const CURLcode rc = curl_easy_perform(curl.get());
        const bool closed = std::fclose(out) == 0;
        const qint64 now = QFileInfo(part).size();
        if (progress) {
            d.shown = {};  // the line as the transfer ended, however short it was
            showProgress(&d, 0, now - have, 0, 0);
            std::fputs("\n", progress);
        }
        const long status = statusOf(curl.get());
        if (status != 200 && status != 206 && status != 0)
            return QStringLiteral("%1: the server answered %2").arg(url).arg(status);
        if (d.failed || !closed)
            return QStringLiteral("%1: cannot be written at byte %2").arg(part).arg(now);
        if (rc != CURLE_OK)
            return QStringLiteral("%1: the transfer stopped at byte %2 of %3 (%4); fetch again to resume")
                .arg(target).arg(now).arg(total).arg(QString::fromUtf8(curl_easy_strerror(rc)));
        have = now;
    }
    if (have != total)
        return QStringLiteral("%1: %2 bytes arrived where the server has %3").arg(target).arg(have).arg(total);
    QFile::remove(target);
    if (!QFile::rename(part, target)) return QStringLiteral("%1: cannot be renamed into place").arg(part);
    return std::nullopt;
}

}  // namespace graphFetch
