#include "config/app_paths.h"

#include "build_info.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>

namespace appPaths {
namespace {

const QString kHelpFile = QStringLiteral("Help.rtf");

QString& overrideFolder() {
    static QString folder;
    return folder;
}

// Decided once per process: the first call may create and seed a folder.
const Decision& decided() {
    static const Decision decision = decide(installedPlaces());
    return decision;
}

QString inApp(const char* name) { return QDir(appFolder()).filePath(QString::fromLatin1(name)); }

bool hasFileIgnoringCase(const QString& folder, const QString& name) {
    return !QDir(folder).entryList({name}, QDir::Files | QDir::Hidden).isEmpty();
}

// Copies every installed default the folder lacks. The copies belong to the
// user: the installed files may be read-only, the copies must not be.
void seed(const QString& defaults, const QString& folder) {
    QDirIterator it(defaults, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString rel = QDir(defaults).relativeFilePath(source);
        if (rel == kHelpFile) continue;
        const QString target = QDir(folder).filePath(rel);
        if (QFileInfo::exists(target)) continue;
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (QFile::copy(source, target))
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
}

}  // namespace

Places installedPlaces() {
    const QString exe = QCoreApplication::applicationDirPath();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return {exe, QDir::cleanPath(QDir(exe).filePath(QString::fromLatin1(buildinfo::defaultsFromBin))),
            QDir(data).filePath(QString::fromLatin1(buildinfo::productName))};
}

Decision decide(const Places& places) {
    const QFileInfo exeFolder(places.exeFolder);
    if (QFileInfo(QDir(places.exeFolder).filePath(QStringLiteral("settings.ini"))).isFile() &&
        exeFolder.isWritable())
        return {places.exeFolder, false, places.defaultsFolder};

    QDir user(places.userFolder);
    user.mkpath(QStringLiteral("Saved"));
    user.mkpath(QStringLiteral("Lists"));
    if (!QFileInfo::exists(user.filePath(QStringLiteral("settings.ini"))))
        seed(places.defaultsFolder, places.userFolder);
    return {places.userFolder, true, places.defaultsFolder};
}

QString appFolder() {
    if (!overrideFolder().isEmpty()) return overrideFolder();
    return decided().folder;
}

void setAppFolder(const QString& folder) { overrideFolder() = folder; }

QString settingsPath() { return inApp("settings.ini"); }
QString savedFolder() { return inApp("Saved"); }
QString listsFolder() { return inApp("Lists"); }

QString helpPath() {
    if (!overrideFolder().isEmpty()) return inApp("Help.rtf");
    return helpPathIn(decided());
}

QString helpPathIn(const Decision& decision) {
    const QString own = QDir(decision.folder).filePath(kHelpFile);
    if (!decision.perUser || hasFileIgnoringCase(decision.folder, kHelpFile)) return own;
    return QDir(decision.defaultsFolder).filePath(kHelpFile);
}

}  // namespace appPaths
