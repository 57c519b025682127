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
// An error is an answer outside 200-299, one the Failure rule flags (for the
// whole answer, or for one address when the rule's pointer names {i}), or no
// HTTP answer at all.
SourceAnswer readAnswer(const SourceFile& source, const FetchResult& result, int addresses);

// "401 Unauthorized": the status and its standard reason.
QString statusText(int status);

// The answer as the website view may show it: every credential value masked.
QString maskedText(const QString& text, const QHash<QString, QString>& credentials);
