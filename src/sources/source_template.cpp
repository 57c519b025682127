#include "sources/source_template.h"

#include <QRegularExpression>
#include <QUrl>
#include <libpsl.h>

namespace {

QString placeholder(const QString& name, TemplateField field, const TemplateInput& input,
                    const QString& address, int index, bool* known) {
    *known = true;
    if (name == QLatin1String("address")) {
        if (field == TemplateField::Url) return QString::fromLatin1(QUrl::toPercentEncoding(address));
        if (field == TemplateField::Body) return jsonEscape(address);
        return address;
    }
    const auto encoded = [field](const QString& text) {
        return field == TemplateField::Url ? QString::fromLatin1(QUrl::toPercentEncoding(text))
               : field == TemplateField::Body ? jsonEscape(text) : text;
    };
    if (name == QLatin1String("host")) return encoded(addressHost(address));
    if (name == QLatin1String("domain")) return encoded(addressDomain(address));
    if (name == QLatin1String("date")) return input.today.toString(Qt::ISODate);
    if (name == QLatin1String("i")) return QString::number(index);
    if (name == QLatin1String("count")) return QString::number(input.addresses.size());
    if (name.startsWith(QLatin1String("cred:"))) return encoded(input.credentials.value(name.mid(5)));
    *known = false;
    return QString();
}

// Fills the placeholders of text for one address; an unknown {...} stays as written.
QString fillOne(const QString& text, TemplateField field, const TemplateInput& input,
                const QString& address, int index) {
    QString out;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('{'), at);
        const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char('}'), open);
        if (close < 0) {
            out += text.mid(at);
            break;
        }
        out += text.mid(at, open - at);
        bool known = false;
        const QString value = placeholder(text.mid(open + 1, close - open - 1), field, input, address, index, &known);
        if (!known) {
            // A brace of the text itself (a JSON body's): the next one may open a placeholder.
            out += QLatin1Char('{');
            at = open + 1;
            continue;
        }
        out += value;
        at = close + 1;
    }
    return out;
}

}  // namespace

QString jsonEscape(const QString& text) {
    QString out;
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '"': out += QLatin1String("\\\""); break;
            case '\\': out += QLatin1String("\\\\"); break;
            case '\n': out += QLatin1String("\\n"); break;
            case '\r': out += QLatin1String("\\r"); break;
            case '\t': out += QLatin1String("\\t"); break;
            default:
                if (c.unicode() < 0x20)
                    out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
                else
                    out += c;
        }
    }
    return out;
}

QString addressHost(const QString& address) {
    const QString trimmed = address.trimmed();
    const QUrl url(trimmed.contains(QLatin1String("://")) ? trimmed : QStringLiteral("http://") + trimmed);
    QString host = url.host().toLower();
    if (host.startsWith(QLatin1String("www."))) host = host.mid(4);
    return host;
}

QString addressDomain(const QString& address) {
    const QString host = addressHost(address);
    // An IP address has no registrable domain.
    static const QRegularExpression ipv4(QStringLiteral("^[0-9]+(\\.[0-9]+){3}$"));
    if (ipv4.match(host).hasMatch() || host.contains(QLatin1Char(':'))) return host;
    // The distribution's list when it is installed, the library's own otherwise.
    static const psl_ctx_t* psl = [] {
        const psl_ctx_t* latest = psl_latest(nullptr);
        return latest ? latest : psl_builtin();
    }();
    if (!psl) return host;
    const QByteArray ascii = QUrl::toAce(host);
    const char* domain = psl_registrable_domain(psl, ascii.constData());
    return domain ? QUrl::fromAce(QByteArray(domain)) : host;
}

QString fillTemplate(const QString& text, TemplateField field, const TemplateInput& input) {
    static const QLatin1String kFor("{for");
    static const QLatin1String kEnd("{end}");
    const QString first = input.addresses.value(0);
    QString out;
    qsizetype at = 0;
    while (true) {
        const qsizetype block = text.indexOf(kFor, at);
        const qsizetype head = block < 0 ? -1 : text.indexOf(QLatin1Char('}'), block);
        const qsizetype end = head < 0 ? -1 : text.indexOf(kEnd, head);
        if (end < 0) {
            out += fillOne(text.mid(at), field, input, first, 0);
            return out;
        }
        out += fillOne(text.mid(at, block - at), field, input, first, 0);
        QString separator = text.mid(block + kFor.size(), head - block - kFor.size());
        if (separator.startsWith(QLatin1Char(' '))) separator.remove(0, 1);
        const QString inner = text.mid(head + 1, end - head - 1);
        for (int i = 0; i < input.addresses.size(); ++i) {
            if (i > 0) out += separator;
            out += fillOne(inner, field, input, input.addresses[i], i);
        }
        at = end + kEnd.size();
    }
}
