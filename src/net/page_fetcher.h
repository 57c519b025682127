#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class CurlEventLoop;
typedef void CURL;

// A request other than a plain GET: a method, a body, extra header lines.
struct FetchRequest {
    QString url;
    QByteArray method = "GET";
    QByteArray body;
    QList<QByteArray> headers;  // "Name: value"; one holding CR, LF or NUL refuses the request
    // The request carries a key: a redirect to another scheme, host or port
    // ends it instead of sending the request (and its own headers) there.
    bool sameOriginRedirects = false;
};

// What one fetch brought back.
struct FetchResult {
    QByteArray body;                // the bytes received, at most the size cap
    std::optional<int> httpStatus;  // set when an HTTP answer came (any status)
    bool transportFailure = false;  // no HTTP answer at all: lookup, refused, dropped, timed out
    bool truncated = false;         // the body hit the size cap
    bool redirectRefused = false;   // the answer redirected to another origin, which was not asked
    QString errorText;              // the network error, for messages; empty on success
    std::optional<int> retryAfterSeconds;  // the answer's Retry-After, when it named a wait

    // The page as text: one character per byte (Latin-1), so markers and
    // counts survive any encoding.
    QString text() const { return QString::fromLatin1(body); }
};

// Fetches pages over HTTP GET without blocking: the result arrives through the
// callback on the event loop. One libcurl multi handle serves every request
// and keeps connections alive between them. Each request sends the user agent
// "Mozilla", uses no proxy, follows at most 20 redirects (http and https
// only), and has a connect and inactivity timeout, an overall deadline and a
// body size cap. The HTTP status is reported but never judged: a 404 page is a
// page.
class PageFetcher final : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const FetchResult&)>;
    using Ticket = quint64;

    explicit PageFetcher(QObject* parent = nullptr);
    ~PageFetcher() override;

    static constexpr std::chrono::milliseconds kDefaultTimeout{60'000};
    static constexpr std::chrono::milliseconds kDefaultDeadline{120'000};
    static constexpr qint64 kDefaultMaxBody = 16 * 1024 * 1024;
    static constexpr int kMaxRedirects = 20;

    // The HTTP client's process-wide set-up: call first thing in main(),
    // before any thread starts.
    static void globalInit();

    // Connecting, and every silence while a page arrives, may last this long.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    // The whole request may last this long, however steadily bytes arrive.
    void setDeadline(std::chrono::milliseconds deadline) { m_deadline = deadline; }
    void setMaxBodyBytes(qint64 bytes) { m_maxBody = bytes; }

    // Starts fetching url. done runs once, later, from the event loop (never
    // inside this call), unless abort() or abortAll() comes first or the
    // fetcher is destroyed. The returned ticket names the request for abort().
    Ticket FetchPage(const QString& url, Callback done);
    Ticket FetchPage(const FetchRequest& request, Callback done);

    // Drops one request under way; its callback never runs.
    void abort(Ticket ticket);
    // Drops every request under way; their callbacks never run.
    void abortAll();

    // Number of requests under way.
    int pending() const;

    // The address as it goes on the wire: what cannot stand in a request line
    // (spaces, control characters, bytes above 127) is percent-escaped after
    // the host; everything else, percent escapes included, is left as written.
    static QByteArray wireUrl(const QString& url);

    struct Transfer;  // one request under way; only the fetcher's own code looks inside

private:
    static constexpr int kIdleHandles = 8;

    CURL* takeHandle();
    void recycle(Transfer& transfer);
    void configure(Transfer& transfer, const FetchRequest& request) const;
    void idleCheck();
    void finishLater(Ticket ticket, const QString& failure);
    void finish(Ticket ticket, int code, const QString& failure = QString());
    FetchResult resultOf(Transfer& transfer, int code) const;

    std::unique_ptr<CurlEventLoop> m_loop;
    class QTimer* m_idleTimer;
    QHash<Ticket, std::shared_ptr<Transfer>> m_transfers;
    QHash<CURL*, Ticket> m_byHandle;
    QList<CURL*> m_idleHandles;
    Ticket m_nextTicket = 1;
    std::chrono::milliseconds m_timeout = kDefaultTimeout;
    std::chrono::milliseconds m_deadline = kDefaultDeadline;
    qint64 m_maxBody = kDefaultMaxBody;
};
