#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// What one fetch brought back.
struct FetchResult {
    QByteArray body;                // the bytes received, at most the size cap
    std::optional<int> httpStatus;  // set when an HTTP answer came (any status)
    bool transportFailure = false;  // no HTTP answer at all: lookup, refused, dropped, timed out
    bool truncated = false;         // the body hit the size cap
    QString errorText;              // the network error, for messages; empty on success

    // The page as text: one character per byte (Latin-1), so markers and
    // counts survive any encoding.
    QString text() const { return QString::fromLatin1(body); }
};

// Fetches pages over HTTP GET without blocking: the result arrives through the
// callback on the event loop. One QNetworkAccessManager serves every request.
// Each request sends the user agent "Mozilla", uses no proxy, follows at most
// 20 redirects, and has an inactivity timeout and a body size cap. The HTTP
// status is reported but never judged: a 404 page is a page.
class PageFetcher final : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const FetchResult&)>;

    explicit PageFetcher(QObject* parent = nullptr);
    ~PageFetcher() override;

    static constexpr std::chrono::milliseconds kDefaultTimeout{60'000};
    static constexpr qint64 kDefaultMaxBody = 16 * 1024 * 1024;
    static constexpr int kMaxRedirects = 20;

    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    void setMaxBodyBytes(qint64 bytes) { m_maxBody = bytes; }

    // Starts fetching url, used exactly as given. done runs once, later, from
    // the event loop (never inside this call), unless abortAll() comes first
    // or the fetcher is destroyed.
    void FetchPage(const QString& url, Callback done);

    // Drops every request under way; their callbacks never run.
    void abortAll();

    // Number of requests under way.
    int pending() const;

private:
    struct Transfer {
        Callback done;
        QByteArray body;
        bool truncated = false;
    };

    // Moves what has arrived into the body, up to the cap; past it, aborts.
    void take(QNetworkReply* reply);
    void finish(QNetworkReply* reply);

    QNetworkAccessManager* m_manager;
    QHash<QNetworkReply*, Transfer> m_transfers;
    std::chrono::milliseconds m_timeout = kDefaultTimeout;
    qint64 m_maxBody = kDefaultMaxBody;
};
