#include "graph/domain_key.h"

#include <QStringList>
#include <QUrl>

#include <libpsl.h>

#include <algorithm>
#include <cstring>

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

QString graphDomain(const QString& host) {
    // An IP address has no registrable domain.
    const bool ipv4 = std::all_of(host.begin(), host.end(), [](QChar ch) { return ch.isDigit() || ch == u'.'; });
    if (host.isEmpty() || ipv4 || host.contains(QLatin1Char(':'))) return {};
    const QByteArray ace = QUrl::toAce(host).toLower();
    if (ace.isEmpty() || ace.startsWith('.') || ace.contains("..")) return {};
    // The longest suffix that the ICANN rules make public; the domain is it
    // and one label more. Private suffixes (github.io) are ordinary domains here.
    const char* previous = nullptr;
    for (const char* label = ace.constData();;) {
        if (psl_is_public_suffix2(suffixList(), label, PSL_TYPE_ICANN))
            return previous ? QString::fromLatin1(previous) : QString();
        previous = label;
        const char* dot = std::strchr(label, '.');
        if (!dot) return {};
        label = dot + 1;
    }
}

QString reversed(const QString& domain) {
    QStringList labels = domain.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    std::reverse(labels.begin(), labels.end());
    return labels.join(QLatin1Char('.'));
}

QString forAddress(const QString& address) { return reversed(graphDomain(hostOf(address))); }

}  // namespace domainKey
