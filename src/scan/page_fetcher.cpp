#include "scan/page_fetcher.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <utility>

namespace {

// Errors that only restate the HTTP status of an answer that did come: the
// status is reported and the page returned, so they are no error of the fetch.
bool isStatusError(QNetworkReply::NetworkError error) {
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError) ||
           error == QNetworkReply::ProtocolInvalidOperationError;
}

}  // namespace

PageFetcher::PageFetcher(QObject* parent) : QObject(parent), m_manager(new QNetworkAccessManager(this)) {
    // A direct connection always: a proxy named in the environment is ignored.
    m_manager->setProxy(QNetworkProxy::NoProxy);
}

PageFetcher::~PageFetcher() { abortAll(); }

void PageFetcher::FetchPage(const QString& url, Callback done) {
    // TolerantMode keeps the address as given, only escaping what no URL may hold.
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Mozilla"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(static_cast<int>(m_timeout.count()));

    // The manager reports every outcome, immediate failures included, through
    // signals from the event loop, so done never runs inside this call.
    QNetworkReply* reply = m_manager->get(request);
    m_transfers.insert(reply, Transfer{std::move(done), {}, false});
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { take(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(reply); });
}

void PageFetcher::take(QNetworkReply* reply) {
    const auto it = m_transfers.find(reply);
    if (it == m_transfers.end() || it->truncated || !reply->isOpen()) return;
    const qint64 room = m_maxBody - it->body.size();
    if (room > 0) it->body += reply->read(room);
    if (reply->bytesAvailable() > 0) {
        it->truncated = true;
        reply->abort();  // may finish the transfer at once; it is not touched again here
    }
}

void PageFetcher::finish(QNetworkReply* reply) {
    take(reply);
    const auto it = m_transfers.find(reply);
    if (it == m_transfers.end()) return;
    Transfer transfer = std::move(*it);
    m_transfers.erase(it);
    reply->deleteLater();

    FetchResult result;
    result.body = std::move(transfer.body);
    result.truncated = transfer.truncated;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) result.httpStatus = status.toInt();
    result.transportFailure = !result.httpStatus.has_value();

    const QNetworkReply::NetworkError error = reply->error();
    if (result.truncated) {
        result.errorText = QStringLiteral("The page is larger than %1 bytes; the rest was not read.").arg(m_maxBody);
    } else if (error == QNetworkReply::OperationCanceledError) {
        // abortAll() never calls back, so a cancel seen here is the inactivity timeout.
        result.errorText = QStringLiteral("No data for %1 ms; the request timed out.").arg(m_timeout.count());
    } else if (error != QNetworkReply::NoError && !(result.httpStatus && isStatusError(error))) {
        result.errorText = reply->errorString();
    }
    // Last: the callback may start new requests or destroy this fetcher.
    transfer.done(result);
}

void PageFetcher::abortAll() {
    const QHash<QNetworkReply*, Transfer> dropped = std::exchange(m_transfers, {});
    for (auto it = dropped.keyBegin(); it != dropped.keyEnd(); ++it) {
        QNetworkReply* reply = *it;
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
}

int PageFetcher::pending() const { return static_cast<int>(m_transfers.size()); }

// The fetcher's meta-object is compiled here, not with every other class's,
// so a program that links the fetcher needs nothing else of the library.
#include "moc_page_fetcher.cpp"
