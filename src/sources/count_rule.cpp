#include "sources/count_rule.h"

#include "config/engine_catalog.h"
#include "sources/count_extraction.h"

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

std::optional<qint64> countOfText(QString text) {
    text = text.trimmed();
    text.remove(QLatin1Char(',')).remove(QLatin1Char('.')).remove(QLatin1Char(' ')).remove(QChar(0x00A0));
    static const QRegularExpression whole(QStringLiteral("^[0-9]{1,18}$"));
    if (!whole.match(text).hasMatch()) return std::nullopt;
    return text.toLongLong();
}

std::optional<qint64> countOf(const QJsonValue& value) {
    if (value.isDouble()) {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d < 0 || d > 9e18) return std::nullopt;
        return static_cast<qint64>(std::llround(d));
    }
    if (value.isString()) return countOfText(value.toString());
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

std::optional<qint64> CountRule::read(const QByteArray& body, int index) const {
    if (kind != Kind::Json) return read(body, QJsonValue(), index);
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (doc.isNull()) return std::nullopt;
    return read(body, doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object()), index);
}

std::optional<qint64> CountRule::read(const QByteArray& body, const QJsonValue& root, int index) const {
    switch (kind) {
        case Kind::Json: {
            const auto value = jsonPointer(root, pointerFor(argument, index));
            return value ? countOf(*value) : std::nullopt;
        }
        case Kind::Regex: {
            const QRegularExpressionMatch match = QRegularExpression(argument).match(QString::fromUtf8(body));
            return match.hasMatch() ? countOfText(match.captured(1)) : std::nullopt;
        }
        case Kind::Page: {
            // Only a figure the page states between its markers is a count.
            const EngineCount count = ParseEngineCount(QString::fromLatin1(body), parser);
            return count.read ? countOfText(count.text) : std::nullopt;
        }
    }
    return std::nullopt;
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

bool FailureRule::failed(const QJsonValue& root, int index) const {
    if (empty()) return false;
    const auto value = jsonPointer(root, pointerFor(pointer, index));
    if (!expected) return value.has_value() && !value->isNull();
    return !value || jsonText(*value) != *expected;
}
