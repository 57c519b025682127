#include "graph/domain_key.h"

#include <QStringList>
#include <QUrl>

#include <libpsl.h>

#include <algorithm>

namespace domainKey {
namespace {

// The distribution's list when there is one, else the copy built into libpsl.
const psl_ctx_t* suffixList() {
    static const psl_ctx_t* const list = [] {
        const psl_ctx_t* latest = psl_latest(nullptr);
        return latest ? latest : psl_builtin();
    }();
    return list;
}

}  // namespace

QString hostOf(const QString& address) {
    QString text = address.trimmed();
    if (text.isEmpty()) return {};
    if (!text.contains(QLatin1String("://"))) text.prepend(QLatin1String("http://"));
    const QUrl url(text, QUrl::TolerantMode);
    QString host = url.host(QUrl::FullyEncoded).toLower();
    while (host.endsWith(QLatin1Char('.'))) host.chop(1);
    return host;
}

QString registrableDomain(const QString& host) {
    // An IP address has no registrable domain.
    const bool ipv4 = std::all_of(host.begin(), host.end(), [](QChar ch) { return ch.isDigit() || ch == u'.'; });
    if (host.isEmpty() || ipv4 || host.contains(QLatin1Char(':'))) return {};
    const QByteArray ace = QUrl::toAce(host);
    if (ace.isEmpty()) return {};
    const char* domain = psl_registrable_domain(suffixList(), ace.constData());
    return domain ? QString::fromLatin1(domain).toLower() : QString();
}

QString reversed(const QString& domain) {
    QStringList labels = domain.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    std::reverse(labels.begin(), labels.end());
    return labels.join(QLatin1Char('.'));
}

QString forAddress(const QString& address) { return reversed(registrableDomain(hostOf(address))); }

}  // namespace domainKey
