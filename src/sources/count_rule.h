#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <optional>

// RFC 6901 on a parsed document: "" is the whole document, "/a/0/b" walks
// objects by key and arrays by index ("~1" is "/", "~0" is "~"). Undefined
// when any step is missing.
std::optional<QJsonValue> jsonPointer(const QJsonValue& root, const QString& pointer);

// A count as a source reads it: a whole JSON number (a fraction rounded), or a
// text that is a whole number once thousands separators (",", ".", spaces,
// no-break spaces) are gone. Anything else is no count.
std::optional<qint64> countOf(const QJsonValue& value);
std::optional<qint64> countOfText(QString text);

// Where a source's answer holds the count: json:POINTER, regex:PATTERN (the
// first capture group) or page:ENGINE (that built-in engine's markers). In a
// pointer, {i} stands for the address's place in a batch.
struct CountRule {
    enum class Kind { Json, Regex, Page };
    Kind kind = Kind::Json;
    QString argument;  // the pointer, the pattern, or the engine's parser number
    int parser = 0;
    QString error;     // set when the rule cannot be read

    static CountRule parse(const QString& text);
    // The count of the item at index within body.
    std::optional<qint64> read(const QByteArray& body, int index) const;
    // The same with the body already parsed, for the many items of one batch.
    std::optional<qint64> read(const QByteArray& body, const QJsonValue& root, int index) const;
};

// Failure=json:POINTER (an error when the answer holds it) or
// json:POINTER!=VALUE (an error when the value there differs from VALUE);
// Message=json:POINTER gives the error's text.
struct FailureRule {
    QString pointer;
    std::optional<QString> expected;
    bool empty() const { return pointer.isNull(); }
    static FailureRule parse(const QString& text);
    bool failed(const QJsonValue& root, int index) const;
};

QString pointerFor(const QString& pointer, int index);
// The value's text as a message: a string as it stands, a number or bool as JSON.
QString jsonText(const QJsonValue& value);
