// A source's count rule and template on any answer and any address: nothing
// crashes, a count is never negative nor above the limit, a filled Body keeps
// the address inside its JSON string, and a masked text holds no secret.
#include "fuzz_input.h"
#include "sources/count_limit.h"
#include "sources/count_rule.h"
#include "sources/secret_mask.h"
#include "sources/source_template.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> fields = fuzzFields(data, size, 3);
    const QString rule = QString::fromUtf8(fields[0]);
    const QString address = QString::fromUtf8(fields[1]);
    const CountRule count = CountRule::parse(rule);
    if (count.error.isEmpty()) {
        for (int i = 0; i < 3; ++i)
            if (const auto n = count.read(fields[2], i)) FUZZ_CHECK(*n >= 0 && *n <= kMaxCount);
    }
    const FailureRule failure = FailureRule::parse(rule);
    const QJsonDocument doc = QJsonDocument::fromJson(fields[2]);
    failure.failed(doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object()), 0);

    TemplateInput input;
    input.addresses = {address, address};
    const QString body = fillTemplate(QStringLiteral("[{for ,}\"{address}\"{end}]"), TemplateField::Body, input);
    FUZZ_CHECK(QJsonDocument::fromJson(body.toUtf8()).isArray() || address.contains(QChar(0xFFFD)) ||
               address.contains(QChar(0)));
    fillTemplate(rule, TemplateField::Url, input);
    addressDomain(address);

    const QString answer = QString::fromUtf8(fields[2]);
    const QString masked = SecretMask(QStringList{address}).apply(answer);
    FUZZ_CHECK(masked.size() == answer.size());
    FUZZ_CHECK(address.isEmpty() || !masked.contains(address));
    return 0;
}
