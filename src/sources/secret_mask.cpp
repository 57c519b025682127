#include "sources/secret_mask.h"

#include <algorithm>

namespace {

constexpr int kReencodings = 3;

// "[2][fF]": a hex pair in either case.
QString hexPattern(unsigned value, int digits) {
    QString out;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        const QChar upper = QChar::fromLatin1("0123456789ABCDEF"[(value >> shift) & 15]);
        const QChar lower = upper.toLower();
        out += upper == lower ? QString(upper) : QStringLiteral("[%1%2]").arg(upper, lower);
    }
    return out;
}

// Every way one character of a secret may come back, as one group.
QString characterForms(char32_t c) {
    const QString plain = QString::fromUcs4(&c, 1);
    QStringList forms{QRegularExpression::escape(plain)};
    // "%" may itself come back encoded, up to three times: a service that
    // quotes the address it was sent, percent-encoded again.
    const QString escape = QStringLiteral("%(?:25){0,%1}").arg(kReencodings);
    QString percent;
    for (const char byte : plain.toUtf8()) percent += escape + hexPattern(static_cast<unsigned char>(byte), 2);
    forms << percent;
    if (c == U' ') forms << QStringLiteral("\\+") << escape + QStringLiteral("2[bB]");
    if (c == U'/' || c == U'"' || c == U'\\') forms << QStringLiteral("\\\\") + QRegularExpression::escape(plain);
    if (c < 0x10000) forms << QStringLiteral("\\\\u") + hexPattern(static_cast<unsigned>(c), 4);
    return QStringLiteral("(?:%1)").arg(forms.join(QLatin1Char('|')));
}

}  // namespace

SecretMask::SecretMask(const QStringList& secrets) {
    QStringList sorted;
    for (const QString& secret : secrets)
        if (!secret.isEmpty() && !sorted.contains(secret)) sorted << secret;
    if (sorted.isEmpty()) return;
    // The longer first, so a secret holding another is hidden whole.
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    QStringList alternatives;
    for (const QString& secret : std::as_const(sorted)) {
        QString pattern;
        for (const char32_t c : secret.toUcs4()) pattern += characterForms(c);
        alternatives << pattern;
        // Four UTF-8 bytes, each as "%" with its re-encodings and two hex digits.
        m_longest = std::max(m_longest, 4 * (3 + 2 * kReencodings) * secret.size());
    }
    m_pattern = QRegularExpression(alternatives.join(QLatin1Char('|')));
}

QString SecretMask::apply(const QString& text) const {
    if (m_longest == 0) return text;
    QString out = text;
    auto it = m_pattern.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        out.replace(match.capturedStart(), match.capturedLength(), QString(match.capturedLength(), QLatin1Char('*')));
    }
    return out;
}

QString maskedPrefix(const QByteArray& body, qsizetype shown, const SecretMask& mask) {
    // A character is at most four bytes: enough bytes for every character
    // shown and for a quoted secret that begins before the cut.
    const qsizetype window = shown + mask.longestForm();
    const QString text = QString::fromUtf8(body.left(4 * window)).left(window);
    return mask.apply(text).left(shown);
}
