#pragma once

#include <QString>
#include <QStringList>

// URL list files: plain text in the locale's encoding, one address per line.
// Lines end at CR LF, CR or LF when read; empty lines are skipped, lines of
// spaces are entries. Written with CR LF after every entry; an entry read from
// a file is written back as the same bytes, even when they are not UTF-8.

struct UrlListRead {
    QStringList entries;
    bool ok = false;
    QString error;  // why the file could not be read, for a message
};

UrlListRead readUrlListFile(const QString& path);
// The entries of a list file's bytes, and the bytes a list file of entries holds.
QStringList urlListEntries(const QByteArray& bytes);
QByteArray urlListBytes(const QStringList& entries);
// Replaces the file atomically; on failure the old file is untouched and
// error says why.
bool writeUrlListFile(const QString& path, const QStringList& entries, QString* error = nullptr);

// Clipboard import: the text split into lines, spaces and tabs trimmed off
// each, empty lines skipped, each line made an address: kept when it begins
// with a scheme ("https://", any "name://") or contains "http://", prefixed
// with "http://" when it contains "www.", else prefixed with "http://www."
// (case ignored).
QStringList clipboardEntries(const QString& text);

// "Add URL" keeps an answer only when it is longer than 7 characters, so the
// untouched "http://" adds nothing.
bool isAcceptableNewUrl(const QString& answer);

// The save dialog's name with ".txt" appended unless it already ends so
// (compared in lower case).
QString withTxtExtension(const QString& name);
