#include "config/app_paths.h"

#include <QCoreApplication>
#include <QDir>

namespace appPaths {
namespace {
QString& overrideFolder() {
    static QString folder;
    return folder;
}
QString inApp(const char* name) { return QDir(appFolder()).filePath(QString::fromLatin1(name)); }
}  // namespace

QString appFolder() {
    if (!overrideFolder().isEmpty()) return overrideFolder();
    return QCoreApplication::applicationDirPath();
}

void setAppFolder(const QString& folder) { overrideFolder() = folder; }

QString settingsPath() { return inApp("settings.ini"); }
QString savedFolder() { return inApp("Saved"); }
QString listsFolder() { return inApp("Lists"); }
QString helpPath() { return inApp("Help.rtf"); }

}  // namespace appPaths
