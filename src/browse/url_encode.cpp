#include "browse/url_encode.h"

namespace {

bool needsEncoding(char16_t c) {
    switch (c) {
    case u'%': case u' ': case u'<': case u'>': case u'#': case u'{': case u'}': case u'|':
    case u'\\': case u'^': case u'~': case u'[': case u']': case u'`': case u';': case u'/':
    case u'?': case u':': case u'@': case u'=': case u'&': case u'$': case u'\n': case u'\r':
        return true;
    default:
        return false;
    }
}

}  // namespace

QString urlEncode(const QString& text) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    QString out;
    out.reserve(text.size() + text.size() / 4);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (needsEncoding(u)) {
            out.append(u'%');
            out.append(QChar(kHex[u >> 4]));
            out.append(QChar(kHex[u & 0xF]));
        } else {
            out.append(c);
        }
    }
    return out;
}

QString webViewQuery(const QString& templ, const QString& address) {
    return templ + urlEncode(address);
}
