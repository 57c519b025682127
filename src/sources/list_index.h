#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>

// A published list of domains and counts (a CSV with a header line), kept on
// this machine as an index of its own: downloaded at most once a day, read in
// place for every lookup.
namespace listIndex {

// Which columns of the CSV matter, by their header names.
struct Columns {
    QString domain;  // the site's name, as a host ("example.com", "blog.example.org")
    QString count;   // its count, a whole number
    QString rank;    // optional: its place in the list
    QString header;  // optional: the whole header line the list must start with
};

struct Built {
    QString error;         // why no index was written; "" when it was
    quint64 rows = 0;      // domains indexed
    quint64 skipped = 0;   // rows that named no domain or no count, left out
    quint64 bytes = 0;     // size of the index
};

// Reads the CSV (UTF-8, an optional BOM, CR LF or LF line ends, fields
// optionally in double quotes) and writes the index to path, replacing an
// older one only once the new one is complete. A domain listed twice keeps
// its first (higher) row.
Built build(const QByteArray& csv, const Columns& columns, const QString& path);

// Splits one CSV line into its fields; quotes are removed and "" read as ".
QStringList splitLine(const QByteArray& line);

// The names under which an address is looked up, in order: its host without a
// leading "www.", then its registrable domain when that differs. Empty when
// the address names no host.
QStringList lookupNames(const QString& address);

// The cache folder of the lists: $XDG_CACHE_HOME/Quillmark/lists.
QString cacheFolder();
QString indexPath(const QString& name);
// Where the address the index was downloaded from is kept.
QString originPath(const QString& name);

// The index of name is there, was made from url, and is younger than a day.
bool isFresh(const QString& name, const QString& url, const QDateTime& now = QDateTime::currentDateTimeUtc());
// Records that the index of name was made from url.
bool writeOrigin(const QString& name, const QString& url);

}  // namespace listIndex
