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
// text of digits, possibly grouped by thousands: one separator (",", ".", a
// space or a no-break space) used throughout, each group after the first of
// exactly three digits ("1,234", "1.234.567", "1 234"; never "3.7" or "3,7").
// Anything else is no count, and so is a count above kMaxCount: tooLarge, when
// given, says which.
std::optional<qint64> countOf(const QJsonValue& value, bool* tooLarge = nullptr);
std::optional<qint64> countOfText(QString text, bool* tooLarge = nullptr);

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
    std::optional<qint64> read(const QByteArray& body, int index, bool* tooLarge = nullptr) const;
    // The same with the body already parsed, for the many items of one batch.
    std::optional<qint64> read(const QByteArray& body, const QJsonValue& root, int index,
                               bool* tooLarge = nullptr) const;
    // For a JSON pointer naming {i}: the pointer of the list that holds the
    // items, "" when the rule reads no batch.
    QString listPointer() const;
};

// Failure=json:POINTER (an error when the answer holds it) or
// json:POINTER!=VALUE (an error when the value there differs from VALUE);
// Message=json:POINTER gives the error's text.
struct FailureRule {
    QString pointer;
    std::optional<QString> expected;
    bool empty() const { return pointer.isNull(); }
    // Whether the rule looks at each item of a batch ({i} in its pointer).
    bool perItem() const { return pointer.contains(QLatin1String("{i}")); }
    static FailureRule parse(const QString& text);
    bool failed(const QJsonValue& root, int index) const;
};

// Why a Failure or Message text is no rule; "" when it is one (or empty).
QString errorRuleProblem(const QString& text);

QString pointerFor(const QString& pointer, int index);
// The value's text as a message: a string as it stands, a number or bool as JSON.
QString jsonText(const QJsonValue& value);
