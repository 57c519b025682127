#include "history/search_name.h"

#include "history/saved_search.h"

#include <QUrl>

namespace savedSearch {
namespace {

// Asks the name rules themselves, so a character they refuse later is
// replaced here too without a second list to keep in step.
bool mayStandInName(QChar c) {
    if (c == u' ') return true;
    return !nameProblem(QStringLiteral("a") + c + QStringLiteral("a"));
}

}  // namespace

std::optional<QString> nameForAddress(const QString& address) {
    QString text = address.trimmed();
    if (!text.contains(QStringLiteral("://"))) text.prepend(QStringLiteral("http://"));
    const QUrl url(text, QUrl::TolerantMode);
    QString host = url.host(QUrl::FullyDecoded);
    if (host.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) host.remove(0, 4);
    if (host.isEmpty()) return std::nullopt;

    QString path = url.path(QUrl::FullyDecoded);
    while (path.startsWith(QLatin1Char('/'))) path.remove(0, 1);
    while (path.endsWith(QLatin1Char('/'))) path.chop(1);
    QString name = path.isEmpty() ? host : host + QLatin1Char('/') + path;
    for (QChar& c : name) {
        if (!mayStandInName(c)) c = QLatin1Char('_');
    }
    if (nameProblem(name)) return std::nullopt;
    return name;
}

}  // namespace savedSearch
