#include "graph/release_rows.h"

#include "graph/release_catalog.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>

namespace graphRelease {

QList<ListedRelease> parseListOutput(const QByteArray& out) {
    QList<ListedRelease> listed;
    for (const QByteArray& raw : out.split('\n')) {
        const QString line = QString::fromLocal8Bit(raw).trimmed();
        if (line.isEmpty()) continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        ListedRelease release{fields[0].trimmed(), std::nullopt};
        if (fields.size() > 1) {
            const QDate date = QDate::fromString(fields[1].trimmed(), Qt::ISODate);
            if (date.isValid()) release.date = date;
        }
        if (!release.id.isEmpty()) listed << release;
    }
    return listed;
}

QList<ReleaseRow> releaseRows(const QList<ListedRelease>& published) {
    QList<ReleaseRow> rows;
    QStringList seen;
    auto add = [&](const QString& id, std::optional<QDate> date) {
        if (seen.contains(id)) return;
        seen << id;
        if (!date) date = releaseDate(localRelease(id));
        rows << ReleaseRow{id, date, isFetched(id), isCounted(id), sizeOnDisk(id)};
    };
    for (const ListedRelease& r : published) add(r.id, r.date);
    for (const QString& id : QDir(cacheRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        add(id, std::nullopt);
    std::stable_sort(rows.begin(), rows.end(), [](const ReleaseRow& a, const ReleaseRow& b) {
        if (a.date && b.date && *a.date != *b.date) return *a.date > *b.date;
        if (a.date.has_value() != b.date.has_value()) return a.date.has_value();
        return a.id < b.id;
    });
    return rows;
}

qint64 sizeOnDisk(const QString& id) {
    qint64 bytes = 0;
    QDirIterator files(releaseFolder(id), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) bytes += files.nextFileInfo().size();
    return bytes;
}

QString sizeText(qint64 bytes) {
    if (bytes <= 0) return QString();
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

}  // namespace graphRelease
