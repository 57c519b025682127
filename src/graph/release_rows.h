#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <optional>

// The rows of the window's list of releases: those already in the cache
// folder and those the server publishes (as `quillmark-graph list` printed
// them), each with what of it is here.
namespace graphRelease {

struct ListedRelease {
    QString id;
    std::optional<QDate> date;
};
// The lines of `quillmark-graph list`: "ID TAB YYYY-MM-DD|- [TAB marks]".
QList<ListedRelease> parseListOutput(const QByteArray& out);

struct ReleaseRow {
    QString id;
    std::optional<QDate> date;
    bool fetched = false;
    bool counted = false;
    qint64 bytesOnDisk = 0;  // everything in the release's folder, partial files included
};
// The published releases and every release folder in the cache, once each,
// newest first (those without a date last, by name).
QList<ReleaseRow> releaseRows(const QList<ListedRelease>& published);

// The bytes of the files in a release's folder.
qint64 sizeOnDisk(const QString& id);
// "7.2 MB"; empty for nothing on disk.
QString sizeText(qint64 bytes);

}  // namespace graphRelease
