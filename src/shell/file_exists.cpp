#include "shell/file_exists.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isOrdinaryFile(const QFileInfo& info) {
    return info.isFile() && !info.fileName().startsWith(QLatin1Char('.'));
}

}  // namespace

QString findFileIgnoringCase(const QString& path) {
    if (path.isEmpty())
        return {};
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = slash < 0 ? path : path.mid(slash + 1);
    if (name.isEmpty())
        return {};
    const QString folder = slash < 0 ? QStringLiteral(".") : (slash == 0 ? QStringLiteral("/") : path.left(slash));

    const QFileInfo exact(path);
    if (exact.fileName() == name && isOrdinaryFile(exact))
        return exact.filePath();

    const QDir dir(folder);
    if (!dir.exists())
        return {};
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.fileName().compare(name, Qt::CaseInsensitive) == 0 && isOrdinaryFile(entry))
            return dir.filePath(entry.fileName());
    }
    return {};
}

bool fileExists(const QString& path) { return !findFileIgnoringCase(path).isEmpty(); }
