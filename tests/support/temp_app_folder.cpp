#include "support/temp_app_folder.h"

#include "config/app_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempAppFolder::TempAppFolder() {
    QDir(m_dir.path()).mkpath(QStringLiteral("Saved"));
    QDir(m_dir.path()).mkpath(QStringLiteral("Lists"));
    appPaths::setAppFolder(m_dir.path());
}

TempAppFolder::~TempAppFolder() { appPaths::setAppFolder(QString()); }

void TempAppFolder::write(const QString& name, const QByteArray& bytes) const {
    writeFileBytes(file(name), bytes);
}

QByteArray TempAppFolder::read(const QString& name) const { return readFileBytes(file(name)); }

QByteArray readFileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeFileBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}
