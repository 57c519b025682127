#include "sources/source_request.h"

#include "net/page_fetcher.h"
#include "sources/count_rule.h"

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

QString messageOf(const SourceFile& source, const QJsonValue& root, int index) {
    if (!source.message.startsWith(QLatin1String("json:"), Qt::CaseInsensitive)) return QString();
    const auto value = jsonPointer(root, pointerFor(source.message.mid(5), index));
    return value ? jsonText(*value) : QString();
}

}  // namespace

SourceAnswer readAnswer(const SourceFile& source, const FetchResult& result, int addresses) {
    SourceAnswer answer;
    for (int i = 0; i < addresses; ++i) answer.counts.append(std::nullopt);
    if (result.transportFailure) {
        answer.error = result.errorText.isEmpty() ? QStringLiteral("no answer") : result.errorText;
        return answer;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(result.body);
    const QJsonValue root = doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
    const int status = result.httpStatus.value_or(0);
    if (status < 200 || status > 299) {
        answer.error = statusText(status);
        if (const QString detail = messageOf(source, root, 0); !detail.isEmpty() && !doc.isNull())
            answer.error += QStringLiteral(": ") + detail;
        return answer;
    }
    const FailureRule failure = FailureRule::parse(source.failure);
    const bool perItem = failure.pointer.contains(QLatin1String("{i}"));
    if (!failure.empty() && !perItem && failure.failed(root, 0)) {
        answer.error = messageOf(source, root, 0);
        if (answer.error.isEmpty()) answer.error = QStringLiteral("the answer is an error");
        return answer;
    }
    const CountRule rule = CountRule::parse(source.count);
    for (int i = 0; i < addresses; ++i) {
        if (perItem && failure.failed(root, i)) {
            if (answer.error.isEmpty()) answer.error = messageOf(source, root, i);
            if (answer.error.isEmpty()) answer.error = QStringLiteral("the answer is an error");
            continue;
        }
        answer.counts[i] = rule.read(result.body, root, i);
    }
    return answer;
}

QString maskedText(const QString& text, const QHash<QString, QString>& credentials) {
    QString masked = text;
    for (const QString& value : credentials) {
        if (value.isEmpty()) continue;
        masked.replace(value, QString(value.size(), QLatin1Char('*')));
        masked.replace(QString::fromLatin1(QUrl::toPercentEncoding(value)), QString(value.size(), QLatin1Char('*')));
    }
    return masked;
}
