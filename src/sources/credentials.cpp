#include "sources/credentials.h"

#include "config/ini_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace credentials {

QString path() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Quillmark/credentials.ini"));
}

std::optional<QString> modeProblem(const QString& file) {
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0) return std::nullopt;
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) == 0) return std::nullopt;
    return QStringLiteral("%1 can be read by others; it is ignored until only its owner can "
                          "(chmod 600 %1)")
        .arg(QDir::toNativeSeparators(file));
}

Read read(const QString& name, const QStringList& keys, const QString& file) {
    Read result;
    if (keys.isEmpty() || !QFileInfo::exists(file)) return result;
    if (const auto problem = modeProblem(file)) {
        result.error = *problem;
        return result;
    }
    for (const QString& key : keys) {
        const QString value = IniReadKey(name, key, QString(), file);
        if (!value.isEmpty()) result.values.insert(key, value);
    }
    return result;
}

bool write(const QString& name, const QString& key, const QString& value, QString* error,
           const QString& file) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    // Created owner-only before anything is in it; the atomic rewrite keeps the mode.
    const QByteArray native = QFile::encodeName(file);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) ::close(fd);
    if (const auto problem = modeProblem(file)) {
        if (error) *error = *problem;
        return false;
    }
    if (!IniWriteKey(name, key, value, file)) {
        if (error) *error = QStringLiteral("%1 cannot be written").arg(QDir::toNativeSeparators(file));
        return false;
    }
    ::chmod(native.constData(), S_IRUSR | S_IWUSR);
    return true;
}

}  // namespace credentials
