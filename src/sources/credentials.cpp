#include "sources/credentials.h"

#include "config/file_read.h"
#include "config/ini_file.h"
#include "sources/keyring.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace credentials {
namespace {

// Keys are a few lines; anything larger is not this file.
constexpr qint64 kMaxFileBytes = 1024 * 1024;

void sleepOnLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

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
    if (keys.isEmpty()) return result;
    // Read once through the bounded reader: a file that cannot be read must
    // say so, not look like a file without the key.
    const fileRead::Result bytes = fileRead::read(file, fileRead::Links::Follow, kMaxFileBytes);
    if (bytes.missing) return result;
    if (bytes.error) {
        result.error = QStringLiteral("%1 cannot be read: %2").arg(QDir::toNativeSeparators(file), bytes.reason);
        return result;
    }
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

int retryDelayMs() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("QUILLMARK_KEYRING_RETRY_MS", &ok);
    return ok && ms >= 0 ? ms : 5000;
}

Lookup lookup(const QString& name, const QStringList& keys, bool retryKeyring) {
    Lookup result;
    if (keys.isEmpty()) return result;
    // The keyring first, while it answers; one more try after a pause when it
    // does not answer at all.
    QString keyringDown = keyring::sessionBusPresent() ? QString() : QStringLiteral("no session bus");
    bool retried = !retryKeyring;
    for (const QString& key : keys) {
        if (!keyringDown.isEmpty()) break;
        keyring::Answer answer = keyring::read(name, key);
        if (answer.outcome == keyring::Outcome::NoKeyring && !retried) {
            retried = true;
            sleepOnLoop(retryDelayMs());
            answer = keyring::read(name, key);
        }
        if (answer.outcome == keyring::Outcome::NoKeyring) keyringDown = answer.error;
        if (answer.outcome == keyring::Outcome::Found && !answer.value.isEmpty()) result.values.insert(key, answer.value);
    }
    QStringList left;
    for (const QString& key : keys)
        if (!result.values.contains(key)) left << key;
    if (left.isEmpty()) return result;
    const Read stored = read(name, left);
    if (!stored.error.isEmpty()) {
        result.error = stored.error;
        return result;
    }
    for (auto it = stored.values.cbegin(); it != stored.values.cend(); ++it) result.values.insert(it.key(), it.value());
    QStringList missing;
    for (const QString& key : keys)
        if (!result.values.contains(key)) missing << QLatin1Char('"') + key + QLatin1Char('"');
    if (missing.isEmpty()) return result;
    const QString file = QDir::toNativeSeparators(path());
    QString places;
    if (keyringDown.isEmpty())
        places = QStringLiteral("in the desktop keyring or in %1").arg(file);
    else if (!keyring::sessionBusPresent())
        places = QStringLiteral("in %1 (no session bus, so no desktop keyring was asked)").arg(file);
    else
        places = QStringLiteral("in %1 (the desktop keyring did not answer: %2)").arg(file, keyringDown);
    result.error = QStringLiteral("no key %1 for %2 %3; nothing was sent").arg(missing.join(QStringLiteral(", ")), name, places);
    return result;
}

bool store(const QString& name, const QString& key, const QString& value, QString* where, QString* error) {
    QString keyringError;
    if (keyring::write(name, key, value, &keyringError)) {
        if (where) *where = QStringLiteral("the desktop keyring");
        // One place per secret: an older copy in the file would outlive a changed key.
        const Read old = read(name, {key});
        if (old.values.contains(key)) write(name, key, QString(), nullptr);
        return true;
    }
    if (!write(name, key, value, error)) return false;
    if (where)
        *where = QStringLiteral("%1 (no desktop keyring took it: %2)").arg(QDir::toNativeSeparators(path()), keyringError);
    return true;
}

}  // namespace credentials
