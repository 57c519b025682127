#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// One Sources/NAME.ini: where a column's count comes from when it is not a
// built-in engine. Every template is kept as written; placeholders are filled
// per request (see source_template.h).
struct SourceFile {
    QString name;     // the file's base name, which also names its credentials section
    QString type;     // "" (a request to a service) or "graph" (the newest counted web graph release)
    QString caption;  // column caption, website-view label, status suffix, saved section
    QString method = QStringLiteral("GET");
    QString url;
    QString body;
    QStringList headers;  // Header1, Header2, ... in order, stopping at the first missing
    QString authUser;     // Auth=basic USER PASSWORD: the two credential keys
    QString authPassword;
    QString count;    // json:POINTER, regex:PATTERN or page:ENGINE
    // Failure= and Message=, then Failure1= and Message1=, Failure2= ...: each
    // failure rule with the message that explains it. A Message may stand
    // alone (a service that words its errors in more than one way).
    struct ErrorRule {
        QString failure;  // json:POINTER or json:POINTER!=VALUE
        QString message;  // json:POINTER
    };
    QList<ErrorRule> errorRules;
    QString view;     // public page for an address, shown instead of the request
    int pauseSeconds = 0;
    int batch = 1;    // addresses one request may carry

    // The credential keys the templates and Auth name, each once, in order.
    QStringList credentialKeys() const;
};

struct SourceLoad {
    std::optional<SourceFile> source;
    QString error;  // why the file is no source: missing, no Url, a bad Count
};

// Reads [Source] of file with the program's own INI reader.
SourceLoad loadSourceFile(const QString& file);
// <app>/Sources/NAME.ini
QString sourceFilePath(const QString& name);
// The NAMEs of every Sources/*.ini, sorted.
QStringList sourceNames();
