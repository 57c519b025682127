#include "support/test_environment.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>

QString isolateUserSettings() {
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/quillmark-test-XXXXXX"));
    const QByteArray config = QDir(dir.path()).filePath(QStringLiteral("config")).toLocal8Bit();
    QDir().mkpath(QString::fromLocal8Bit(config));
    ::setenv("XDG_CONFIG_HOME", config.constData(), 1);
    // Where an installed program keeps its application folder.
    const QByteArray data = QDir(dir.path()).filePath(QStringLiteral("data")).toLocal8Bit();
    ::setenv("XDG_DATA_HOME", data.constData(), 1);
    QStandardPaths::setTestModeEnabled(false);
    // A developer's own desktop keyring stays out of reach; the keyring tests
    // start a session bus and keyring of their own.
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
    return QString::fromLocal8Bit(config);
}

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

bool spinUntil(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::usleep(200);
    }
    return true;
}
