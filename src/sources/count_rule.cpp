#include "sources/count_rule.h"

#include "config/engine_catalog.h"
#include "sources/count_extraction.h"
#include "sources/count_limit.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cmath>

std::optional<QJsonValue> jsonPointer(const QJsonValue& root, const QString& pointer) {
    if (pointer.isEmpty()) return root;
    if (!pointer.startsWith(QLatin1Char('/'))) return std::nullopt;
    QJsonValue at = root;
    const QStringList steps = pointer.mid(1).split(QLatin1Char('/'));
    for (QString step : steps) {
        step.replace(QLatin1String("~1"), QLatin1String("/")).replace(QLatin1String("~0"), QLatin1String("~"));
        if (at.isObject()) {
            const QJsonObject object = at.toObject();
            const auto it = object.constFind(step);
            if (it == object.constEnd()) return std::nullopt;
            at = *it;
        } else if (at.isArray()) {
            // An index is digits with no leading zero.
            static const QRegularExpression index(QStringLiteral("^(0|[1-9][0-9]*)$"));
            if (!index.match(step).hasMatch()) return std::nullopt;
            bool ok = false;
            const qsizetype i = step.toLongLong(&ok);
            const QJsonArray array = at.toArray();
            if (!ok || i >= array.size()) return std::nullopt;
            at = array.at(i);
        } else {
            return std::nullopt;
        }
    }
    return at;
}

std::optional<qint64> countOfText(QString text, bool* tooLarge) {
    if (tooLarge) *tooLarge = false;
    text = text.trimmed();
    // One separator throughout, and only between whole groups of three digits:
    // "3.7" or "12,5" is a fraction, not a count.
    static const QRegularExpression grouped(
        QStringLiteral("^[0-9]+$|^[0-9]{1,3}(?:([,. \u00a0])[0-9]{3})(?:\\1[0-9]{3})*$"));
    if (!grouped.match(text).hasMatch()) return std::nullopt;
    QString digits;
    for (const QChar c : std::as_const(text))
        if (c.isDigit()) digits += c;
    while (digits.size() > 1 && digits.front() == u'0') digits.remove(0, 1);
    bool ok = false;
    const qint64 value = digits.size() <= kMaxCountDigits ? digits.toLongLong(&ok) : 0;
    if (!ok || value > kMaxCount) {
        if (tooLarge) *tooLarge = true;
        return std::nullopt;
    }
    return value;
}

std::optional<qint64> countOf(const QJsonValue& value, bool* tooLarge) {
    if (tooLarge) *tooLarge = false;
    if (value.isDouble()) {
        // A whole number the parser kept as an integer is exact; only a
        // fraction or a huge number goes through a double.
        const qint64 whole = value.toInteger(-1);
        const double d = value.toDouble();
        if (whole >= 0 && static_cast<double>(whole) == d) {
            if (whole <= kMaxCount) return whole;
        } else {
            if (!std::isfinite(d) || d < 0) return std::nullopt;
            if (d < static_cast<double>(kMaxCount)) return static_cast<qint64>(std::llround(d));
        }
        if (tooLarge) *tooLarge = true;
        return std::nullopt;
    }
    if (value.isString()) return countOfText(value.toString(), tooLarge);
    return std::nullopt;
}

QString pointerFor(const QString& pointer, int index) {
    QString p = pointer;
    return p.replace(QLatin1String("{i}"), QString::number(index));
}

QString jsonText(const QJsonValue& value) {
    if (value.isString()) return value.toString();
    if (value.isDouble()) return QString::number(value.toDouble(), 'g', 17);
    if (value.isBool()) return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (value.isNull()) return QStringLiteral("null");
    if (value.isObject()) return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    if (value.isArray()) return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    return QString();
}

CountRule CountRule::parse(const QString& text) {
    CountRule rule;
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QString kind = text.left(colon).toLower();
    rule.argument = colon < 0 ? QString() : text.mid(colon + 1);
    if (kind == QLatin1String("json")) {
        rule.kind = Kind::Json;
        if (!rule.argument.isEmpty() && !rule.argument.startsWith(QLatin1Char('/')))
            rule.error = QStringLiteral("a JSON pointer starts with \"/\"");
    } else if (kind == QLatin1String("regex")) {
        rule.kind = Kind::Regex;
        const QRegularExpression re(rule.argument);
        if (!re.isValid() || re.captureCount() < 1)
            rule.error = QStringLiteral("Count needs a valid pattern with a capture group");
    } else if (kind == QLatin1String("page")) {
        rule.kind = Kind::Page;
        for (const EngineSpec& engine : engineSpecs())
            if (rule.argument.compare(QLatin1String(engine.key), Qt::CaseInsensitive) == 0) rule.parser = engine.parser;
        if (rule.parser == 0) rule.error = QStringLiteral("page: names one of Google, Altavista, Yahoo, Ask, MSN, ATW");
    } else {
        rule.error = QStringLiteral("Count must start with json:, regex: or page:");
    }
    return rule;
}

std::optional<qint64> CountRule::read(const QByteArray& body, int index, bool* tooLarge) const {
    if (tooLarge) *tooLarge = false;
    if (kind != Kind::Json) return read(body, QJsonValue(), index, tooLarge);
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (doc.isNull()) return std::nullopt;
    return read(body, doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object()), index, tooLarge);
}

std::optional<qint64> CountRule::read(const QByteArray& body, const QJsonValue& root, int index,
                                      bool* tooLarge) const {
    if (tooLarge) *tooLarge = false;
    switch (kind) {
        case Kind::Json: {
            const auto value = jsonPointer(root, pointerFor(argument, index));
            return value ? countOf(*value, tooLarge) : std::nullopt;
        }
        case Kind::Regex: {
            const QRegularExpressionMatch match = QRegularExpression(argument).match(QString::fromUtf8(body));
            return match.hasMatch() ? countOfText(match.captured(1), tooLarge) : std::nullopt;
        }
        case Kind::Page: {
            // Only a figure the page states between its markers is a count.
            const EngineCount count = ParseEngineCount(QString::fromLatin1(body), parser);
            return count.read ? countOfText(count.text, tooLarge) : std::nullopt;
        }
    }
    return std::nullopt;
}

QString CountRule::listPointer() const {
    if (kind != Kind::Json) return QString();
    const qsizetype at = argument.indexOf(QLatin1String("/{i}"));
    return at < 0 ? QString() : argument.left(at);
}

FailureRule FailureRule::parse(const QString& text) {
    FailureRule rule;
    if (!text.startsWith(QLatin1String("json:"), Qt::CaseInsensitive)) return rule;
    const QString rest = text.mid(5);
    const qsizetype ne = rest.indexOf(QLatin1String("!="));
    if (ne < 0) {
        rule.pointer = rest;
    } else {
        rule.pointer = rest.left(ne);
        rule.expected = rest.mid(ne + 2);
    }
    return rule;
}

QString errorRuleProblem(const QString& text) {
    if (text.isEmpty()) return QString();
    if (!text.startsWith(QLatin1String("json:"), Qt::CaseInsensitive))
        return QStringLiteral("must start with json:");
    const QString pointer = text.mid(5).section(QLatin1String("!="), 0, 0);
    if (!pointer.isEmpty() && !pointer.startsWith(QLatin1Char('/')))
        return QStringLiteral("a JSON pointer starts with \"/\"");
    return QString();
}

bool FailureRule::failed(const QJsonValue& root, int index) const {
    if (empty()) return false;
    const auto value = jsonPointer(root, pointerFor(pointer, index));
    if (!expected) return value.has_value() && !value->isNull();
    return !value || jsonText(*value) != *expected;
}
