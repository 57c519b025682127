#include "net/page_fetcher.h"

#include "config/file_text.h"
#include "net/curl_event_loop.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <utility>

struct PageFetcher::Transfer {
    Ticket ticket = 0;
    CURL* easy = nullptr;
    Callback done;
    QByteArray body;
    qint64 cap = 0;
    bool truncated = false;
    QElapsedTimer sinceByte;  // the inactivity timeout counts from here
    char error[CURL_ERROR_SIZE] = {};
    QByteArray postBody;            // libcurl reads it in place while the request runs
    curl_slist* headers = nullptr;
    bool sameOrigin = false;        // redirects only to the origin of the first request
    int status = 0;                 // of the answer whose headers are arriving
    QString refusedRedirect;        // the origin a redirect named, when it was not followed

    Transfer() = default;
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
    ~Transfer() {
        if (easy) curl_easy_cleanup(easy);
        curl_slist_free_all(headers);
    }
};

namespace {

constexpr int kNoCode = -1;  // finished by the fetcher itself, not by libcurl

// Grows the body geometrically up to the cap, so appending never reallocates
// on every block and the buffer never outgrows the cap.
void reserveFor(QByteArray& body, qint64 needed, qint64 cap) {
    if (needed <= body.capacity()) return;
    body.reserve(std::min(cap, std::max({needed, 2 * body.capacity(), qint64(16 * 1024)})));
}

size_t takeBody(char* data, size_t, size_t count, void* user) {
    auto* t = static_cast<PageFetcher::Transfer*>(user);
    t->sinceByte.restart();
    const qint64 bytes = static_cast<qint64>(count);
    const qint64 take = std::min(bytes, t->cap - t->body.size());
    if (take > 0) {
        reserveFor(t->body, t->body.size() + take, t->cap);
        t->body.append(data, take);
    }
    if (take == bytes) return count;
    // Past the cap: a short count makes libcurl end the transfer and close the connection.
    t->truncated = true;
    return 0;
}

// scheme://host:port, the port spelled out, so that "http://a" and "http://a:80" agree.
QString originOf(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    const int port = url.port(scheme == QLatin1String("https") ? 443 : scheme == QLatin1String("http") ? 80 : -1);
    return QStringLiteral("%1://%2:%3").arg(scheme, url.host().toLower()).arg(port);
}

// The origin a redirect leads to when it leaves the current one; "" when it stays.
QString leavesOrigin(CURL* easy, const QByteArray& location) {
    const char* current = nullptr;
    curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &current);
    const QUrl from(QString::fromUtf8(current ? current : ""));
    const QUrl to = from.resolved(QUrl(QString::fromUtf8(location.trimmed())));
    return originOf(to) == originOf(from) ? QString() : originOf(to);
}

size_t takeHeader(char* data, size_t, size_t count, void* user) {
    auto* t = static_cast<PageFetcher::Transfer*>(user);
    t->sinceByte.restart();
    if (!t->sameOrigin) return count;
    const QByteArray line(data, static_cast<qsizetype>(count));
    if (line.startsWith("HTTP/")) {
        t->status = line.split(' ').value(1).toInt();
    } else if (QList<int>{301, 302, 303, 307, 308}.contains(t->status) &&
               line.toLower().startsWith("location:")) {
        // Checked before libcurl follows it: a short count ends the transfer here.
        t->refusedRedirect = leavesOrigin(t->easy, line.mid(9));
        if (!t->refusedRedirect.isEmpty()) return 0;
    }
    return count;
}

bool holdsLineBreak(const QByteArray& header) {
    return header.contains('\r') || header.contains('\n') || header.contains('\0');
}

bool isHttpUrl(const QString& url) {
    return url.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

}  // namespace

PageFetcher::PageFetcher(QObject* parent)
    : QObject(parent),
      m_loop(std::make_unique<CurlEventLoop>([this](CURL* easy, CURLcode code) {
          const auto it = m_byHandle.constFind(easy);
          if (it != m_byHandle.constEnd()) finish(*it, code);
      })),
      m_idleTimer(new QTimer(this)) {
    m_idleTimer->setSingleShot(true);
    connect(m_idleTimer, &QTimer::timeout, this, &PageFetcher::idleCheck);
}

PageFetcher::~PageFetcher() {
    abortAll();
    m_loop.reset();
    for (CURL* easy : std::as_const(m_idleHandles)) curl_easy_cleanup(easy);
}

// A handle that served a request keeps its buffers for the next one.
CURL* PageFetcher::takeHandle() {
    if (m_idleHandles.isEmpty()) return curl_easy_init();
    CURL* easy = m_idleHandles.takeLast();
    curl_easy_reset(easy);
    return easy;
}

void PageFetcher::recycle(Transfer& transfer) {
    if (!transfer.easy || m_idleHandles.size() >= kIdleHandles) return;
    m_idleHandles.append(std::exchange(transfer.easy, nullptr));
}

void PageFetcher::globalInit() { CurlEventLoop::globalInit(); }

QByteArray PageFetcher::wireUrl(const QString& url) {
    // An address read from a list file in a legacy code page goes out as the
    // bytes the file held, not as replacement characters.
    const QByteArray utf8 = fileText::encode(url);
    const auto needsEscape = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        // A "#" would end the request at a fragment: the address after it,
        // and any fixed suffix behind the address, would never go out.
        return byte <= 0x20 || byte >= 0x7f || c == '#';
    };
    const qsizetype scheme = utf8.indexOf("://");
    qsizetype from = scheme < 0 ? 0 : scheme + 3;
    while (from < utf8.size() && !QByteArrayView("/?#").contains(utf8[from])) ++from;
    if (std::none_of(utf8.cbegin() + from, utf8.cend(), needsEscape)) return utf8;
    QByteArray wire = utf8.left(from);
    for (qsizetype i = from; i < utf8.size(); ++i) {
        if (!needsEscape(utf8[i])) {
            wire += utf8[i];
            continue;
        }
        const auto byte = static_cast<unsigned char>(utf8[i]);
        wire += '%';
        wire += "0123456789ABCDEF"[byte >> 4];
        wire += "0123456789ABCDEF"[byte & 15];
    }
    return wire;
}

PageFetcher::Ticket PageFetcher::FetchPage(const QString& url, Callback done) {
    FetchRequest request;
    request.url = url;
    return FetchPage(request, std::move(done));
}

PageFetcher::Ticket PageFetcher::FetchPage(const FetchRequest& request, Callback done) {
    const QString& url = request.url;
    auto transfer = std::make_shared<Transfer>();
    transfer->ticket = m_nextTicket++;
    transfer->done = std::move(done);
    transfer->cap = m_maxBody;
    transfer->sinceByte.start();
    m_transfers.insert(transfer->ticket, transfer);

    QString refused;
    if (!isHttpUrl(url)) {
        refused = QStringLiteral("Only http and https addresses can be fetched.");
    } else if (std::any_of(request.headers.cbegin(), request.headers.cend(), holdsLineBreak)) {
        // A line break would end the header and start another one of the sender's choosing.
        refused = QStringLiteral("A header holds a line break; the request was not sent.");
    } else {
        transfer->easy = takeHandle();
        configure(*transfer, request);
        if (!m_loop->add(transfer->easy)) refused = QStringLiteral("The request could not be started.");
        else m_byHandle.insert(transfer->easy, transfer->ticket);
    }
    if (!refused.isEmpty()) {
        finishLater(transfer->ticket, refused);
    } else if (!m_idleTimer->isActive() || m_idleTimer->remainingTime() > m_timeout.count()) {
        m_idleTimer->start(static_cast<int>(m_timeout.count()));
    }
    return transfer->ticket;
}

void PageFetcher::configure(Transfer& t, const FetchRequest& request) const {
    CURL* e = t.easy;
    curl_easy_setopt(e, CURLOPT_URL, wireUrl(request.url).constData());
    if (request.method != "GET") {
        t.postBody = request.body;
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, t.postBody.constData());
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(t.postBody.size()));
        if (request.method != "POST") curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, request.method.constData());
    }
    t.sameOrigin = request.sameOriginRedirects;
    for (const QByteArray& header : request.headers) t.headers = curl_slist_append(t.headers, header.constData());
    if (t.headers) curl_easy_setopt(e, CURLOPT_HTTPHEADER, t.headers);
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Mozilla");
    // No proxy, whatever the environment names: an empty proxy and every host exempt.
    curl_easy_setopt(e, CURLOPT_PROXY, "");
    curl_easy_setopt(e, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects));
    // Percent escapes and dot segments reach the server as written.
    curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    // gzip and deflate; the cap counts the decoded bytes.
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_timeout.count()));
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(m_deadline.count()));
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t.error);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &takeBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &takeHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
}

// One timer serves every request: it fires when the quietest one may have been
// silent for the whole timeout, ends those that were, and waits for the next.
void PageFetcher::idleCheck() {
    const qint64 timeout = m_timeout.count();
    qint64 next = timeout;
    for (const auto& transfer : std::as_const(m_transfers)) {
        if (!transfer->easy) continue;
        const qint64 quiet = transfer->sinceByte.elapsed();
        if (quiet < timeout) {
            next = std::min(next, timeout - quiet);
            continue;
        }
        m_loop->remove(transfer->easy);
        m_byHandle.remove(transfer->easy);
        finishLater(transfer->ticket, QStringLiteral("No data for %1 ms; the request timed out.").arg(timeout));
    }
    if (!m_byHandle.isEmpty()) m_idleTimer->start(static_cast<int>(next));
}

void PageFetcher::finishLater(Ticket ticket, const QString& failure) {
    QMetaObject::invokeMethod(this, [this, ticket, failure] { finish(ticket, kNoCode, failure); },
                              Qt::QueuedConnection);
}

void PageFetcher::finish(Ticket ticket, int code, const QString& failure) {
    const std::shared_ptr<Transfer> transfer = m_transfers.take(ticket);
    if (!transfer) return;
    if (transfer->easy) m_byHandle.remove(transfer->easy);
    FetchResult result = resultOf(*transfer, code);
    if (!failure.isEmpty()) result.errorText = failure;
    recycle(*transfer);
    if (m_byHandle.isEmpty()) m_idleTimer->stop();
    // Last: the callback may start new requests or destroy this fetcher.
    transfer->done(result);
}

FetchResult PageFetcher::resultOf(Transfer& transfer, int code) const {
    FetchResult result;
    result.body = std::move(transfer.body);
    result.truncated = transfer.truncated;
    if (transfer.easy) {
        long status = 0;
        if (curl_easy_getinfo(transfer.easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status > 0)
            result.httpStatus = static_cast<int>(status);
        curl_off_t wait = 0;
        if (curl_easy_getinfo(transfer.easy, CURLINFO_RETRY_AFTER, &wait) == CURLE_OK && wait > 0)
            result.retryAfterSeconds = static_cast<int>(std::min<curl_off_t>(wait, INT_MAX));
    }
    result.transportFailure = !result.httpStatus.has_value();
    if (!transfer.refusedRedirect.isEmpty()) {
        result.redirectRefused = true;
        result.errorText = QStringLiteral("The answer redirects to another host (%1); a request carrying a key "
                                          "is not sent there.")
                               .arg(transfer.refusedRedirect);
    } else if (transfer.truncated) {
        result.errorText = QStringLiteral("The page is larger than %1 bytes; the rest was not read.").arg(transfer.cap);
    } else if (code > 0) {
        result.errorText = transfer.error[0] ? QString::fromLocal8Bit(transfer.error)
                                             : QString::fromLatin1(curl_easy_strerror(static_cast<CURLcode>(code)));
        // libcurl words a connect timeout and the deadline in several ways.
        if (code == CURLE_OPERATION_TIMEDOUT) result.errorText.prepend(QStringLiteral("The request timed out: "));
    }
    return result;
}

void PageFetcher::abort(Ticket ticket) {
    const std::shared_ptr<Transfer> transfer = m_transfers.take(ticket);
    if (!transfer || !transfer->easy) return;
    m_loop->remove(transfer->easy);
    m_byHandle.remove(transfer->easy);
    recycle(*transfer);
}

void PageFetcher::abortAll() {
    const auto tickets = m_transfers.keys();
    for (const Ticket ticket : tickets) abort(ticket);
    m_idleTimer->stop();
}

int PageFetcher::pending() const { return static_cast<int>(m_transfers.size()); }

// The fetcher's meta-object is compiled here, not with every other class's,
// so a program that links the fetcher needs nothing else of the library.
#include "moc_page_fetcher.cpp"
