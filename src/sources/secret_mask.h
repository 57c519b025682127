#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

// Hides secrets in every form a service may quote them back in: as written,
// percent-encoded (either case of hex, "+" for a space, any mix of encoded and
// plain characters, encoded again any number of times), JSON-escaped ("\/", "\u0041"), and the base64 of a Basic
// pair. A masked form keeps its length, so a text masked first and cut after
// shows no part of a secret that straddled the cut.
class SecretMask {
public:
    SecretMask() = default;
    explicit SecretMask(const QStringList& secrets);

    QString apply(const QString& text) const;
    // The most characters one quoted form of a secret can take.
    qsizetype longestForm() const { return m_longest; }

private:
    QRegularExpression m_pattern;
    qsizetype m_longest = 0;
};

// The first `shown` characters of the UTF-8 text body, masked before the cut.
QString maskedPrefix(const QByteArray& body, qsizetype shown, const SecretMask& mask);
