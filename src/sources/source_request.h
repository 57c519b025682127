#pragma once

#include "sources/source_file.h"
#include "sources/source_template.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

struct FetchResult;

// One request of a source, filled for a batch of addresses.
struct SourceRequest {
    QString method;
    QString url;
    QByteArray body;
    QList<QByteArray> headers;  // "Name: value", Authorization included
};
SourceRequest buildRequest(const SourceFile& source, const TemplateInput& input);

// What a source's answer says about the addresses of its request.
struct SourceAnswer {
    QList<std::optional<qint64>> counts;  // one per address, in request order
    QString error;                        // the whole answer's error, "" when none
};
// An error is no HTTP answer at all (or a redirect refused), an answer outside
// 200-299, one a Failure rule flags (for the whole answer, or for one address
// when the rule's pointer names {i}), an answer cut at the size cap, or one
// that cannot be read: not JSON, nested too deeply, a batch listing fewer
// items than asked, a count beyond what a column can total.
SourceAnswer readAnswer(const SourceFile& source, const FetchResult& result, int addresses);

// "401 Unauthorized": the status and its standard reason.
QString statusText(int status);

// Every secret a request of source may carry: each credential value, and the
// Basic header's base64 of "user:password".
QStringList secretsOf(const SourceFile& source, const QHash<QString, QString>& credentials);

// The text as the website view may show it: every credential value masked.
QString maskedText(const QString& text, const QHash<QString, QString>& credentials);
