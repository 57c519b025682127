#include "sources/source_request.h"

#include "net/page_fetcher.h"
#include "sources/count_limit.h"
#include "sources/count_rule.h"
#include "sources/secret_mask.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <algorithm>

SourceRequest buildRequest(const SourceFile& source, const TemplateInput& input) {
    SourceRequest request;
    request.method = source.method;
    request.url = fillTemplate(source.url, TemplateField::Url, input);
    request.body = fillTemplate(source.body, TemplateField::Body, input).toUtf8();
    for (const QString& header : source.headers)
        request.headers.append(fillTemplate(header, TemplateField::Header, input).toUtf8());
    if (!source.authUser.isEmpty()) {
        const QByteArray pair = input.credentials.value(source.authUser).toUtf8() + ':' +
                                input.credentials.value(source.authPassword).toUtf8();
        request.headers.append("Authorization: Basic " + pair.toBase64());
    }
    if (!request.body.isEmpty() &&
        std::none_of(request.headers.cbegin(), request.headers.cend(), [](const QByteArray& h) {
            return h.toLower().startsWith("content-type:");
        }))
        request.headers.append("Content-Type: application/json");
    return request;
}

QString statusText(int status) {
    static const QHash<int, const char*> reasons{
        {400, "Bad Request"},      {401, "Unauthorized"},        {402, "Payment Required"},
        {403, "Forbidden"},        {404, "Not Found"},           {405, "Method Not Allowed"},
        {408, "Request Timeout"},  {413, "Payload Too Large"},   {422, "Unprocessable Entity"},
        {429, "Too Many Requests"}, {500, "Internal Server Error"}, {502, "Bad Gateway"},
        {503, "Service Unavailable"}, {504, "Gateway Timeout"}};
    const char* reason = reasons.value(status, nullptr);
    return reason ? QStringLiteral("%1 %2").arg(status).arg(QLatin1String(reason)) : QString::number(status);
}

namespace {

QString messageAt(const QString& rule, const QJsonValue& root, int index) {
    if (!rule.startsWith(QLatin1String("json:"), Qt::CaseInsensitive)) return QString();
    const auto value = jsonPointer(root, pointerFor(rule.mid(5), index));
    return value && !value->isNull() ? jsonText(*value) : QString();
}

// The text that explains a failure: the failing rule's own message first,
// then the first other message rule that finds one.
QString messageOf(const SourceFile& source, const QJsonValue& root, int index, int first = -1) {
    if (first >= 0)
        if (QString text = messageAt(source.errorRules.value(first).message, root, index); !text.isEmpty()) return text;
    for (const SourceFile::ErrorRule& rule : source.errorRules)
        if (QString text = messageAt(rule.message, root, index); !text.isEmpty()) return text;
    return QString();
}

QString failureText(const SourceFile& source, const QJsonValue& root, int index, int rule) {
    const QString text = messageOf(source, root, index, rule);
    return text.isEmpty() ? QStringLiteral("the answer is an error") : text;
}

QString unreadableJson(const QJsonParseError& error) {
    return error.error == QJsonParseError::DeepNesting ? QStringLiteral("the answer is nested too deeply to be read")
                                                       : QStringLiteral("the answer is not JSON");
}

}  // namespace

SourceAnswer readAnswer(const SourceFile& source, const FetchResult& result, int addresses) {
    SourceAnswer answer;
    for (int i = 0; i < addresses; ++i) answer.counts.append(std::nullopt);
    if (result.transportFailure || result.redirectRefused) {
        answer.error = result.errorText.isEmpty() ? QStringLiteral("no answer") : result.errorText;
        return answer;
    }
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(result.body, &parseError);
    const QJsonValue root = doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
    const int status = result.httpStatus.value_or(0);
    if (status < 200 || status > 299) {
        answer.error = statusText(status);
        if (const QString detail = messageOf(source, root, 0); !detail.isEmpty() && !doc.isNull())
            answer.error += QStringLiteral(": ") + detail;
        return answer;
    }
    // Half an answer is no answer: a count read from it could be anybody's.
    if (result.truncated) {
        answer.error = result.errorText;
        return answer;
    }
    const CountRule rule = CountRule::parse(source.count);
    if (rule.kind == CountRule::Kind::Json && doc.isNull()) {
        answer.error = unreadableJson(parseError);
        return answer;
    }
    QList<std::pair<FailureRule, int>> itemRules;
    for (int r = 0; r < source.errorRules.size(); ++r) {
        const FailureRule failure = FailureRule::parse(source.errorRules[r].failure);
        if (failure.empty()) continue;
        if (failure.perItem()) {
            itemRules.append({failure, r});
        } else if (failure.failed(root, 0)) {
            answer.error = failureText(source, root, 0, r);
            return answer;
        }
    }
    bool anyTooLarge = false;
    for (int i = 0; i < addresses; ++i) {
        const auto failed = std::find_if(itemRules.cbegin(), itemRules.cend(),
                                         [&](const auto& item) { return item.first.failed(root, i); });
        if (failed != itemRules.cend()) {
            if (answer.error.isEmpty()) answer.error = failureText(source, root, i, failed->second);
            continue;
        }
        bool tooLarge = false;
        answer.counts[i] = rule.read(result.body, root, i, &tooLarge);
        anyTooLarge |= tooLarge;
    }
    if (!answer.error.isEmpty()) return answer;
    if (const QString list = rule.listPointer(); !list.isEmpty()) {
        const auto items = jsonPointer(root, list);
        const qsizetype listed = items && items->isArray() ? items->toArray().size() : 0;
        if (listed < addresses)
            answer.error = QStringLiteral("the answer lists %1 of the %2 addresses asked").arg(listed).arg(addresses);
    }
    if (answer.error.isEmpty() && anyTooLarge)
        answer.error = QStringLiteral("a count is larger than a column can total (%1)").arg(kMaxCount);
    return answer;
}

QStringList secretsOf(const SourceFile& source, const QHash<QString, QString>& credentials) {
    QStringList secrets = credentials.values();
    if (!source.authUser.isEmpty()) {
        const QByteArray pair = credentials.value(source.authUser).toUtf8() + ':' +
                                credentials.value(source.authPassword).toUtf8();
        secrets << QString::fromLatin1(pair.toBase64());
        secrets << QString::fromLatin1(pair.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    }
    return secrets;
}

QString maskedText(const QString& text, const QHash<QString, QString>& credentials) {
    return SecretMask(credentials.values()).apply(text);
}
