#include "sources/keyring.h"

#include <QEventLoop>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace keyring {
namespace {

// One service for the program; each secret is named SOURCE/KEY (a source's
// name is a file name, so it holds no "/").
const QString kService = QStringLiteral("Quillmark");

QString entryName(const QString& source, const QString& key) { return source + QLatin1Char('/') + key; }

// Starts job and waits for it; false when it did not finish in time (it then
// deletes itself whenever it does).
bool runJob(QKeychain::Job* job) {
    job->setAutoDelete(false);
    QEventLoop loop;
    bool done = false;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs(), &loop, &QEventLoop::quit);
    job->start();
    if (!done) loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!done) {
        QObject::disconnect(job, nullptr, &loop, nullptr);
        QObject::connect(job, &QKeychain::Job::finished, job, &QObject::deleteLater);
    }
    return done;
}

QString noAnswerText() { return QStringLiteral("no answer within %1 s").arg(timeoutMs() / 1000.0); }

}  // namespace

bool sessionBusPresent() { return !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"); }

int timeoutMs() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("QUILLMARK_KEYRING_TIMEOUT_MS", &ok);
    return ok && ms > 0 ? ms : 10000;
}

Answer read(const QString& source, const QString& key) {
    Answer answer;
    if (!sessionBusPresent()) {
        answer.error = QStringLiteral("no session bus");
        return answer;
    }
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setKey(entryName(source, key));
    if (!runJob(job)) {
        answer.error = noAnswerText();
        return answer;
    }
    if (job->error() == QKeychain::NoError) {
        answer.outcome = Outcome::Found;
        answer.value = job->textData();
    } else if (job->error() == QKeychain::EntryNotFound) {
        answer.outcome = Outcome::Absent;
    } else {
        answer.error = job->errorString();
    }
    delete job;
    return answer;
}

bool write(const QString& source, const QString& key, const QString& value, QString* error) {
    if (!sessionBusPresent()) {
        if (error) *error = QStringLiteral("no session bus");
        return false;
    }
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setKey(entryName(source, key));
    job->setTextData(value);
    if (!runJob(job)) {
        if (error) *error = noAnswerText();
        return false;
    }
    const bool ok = job->error() == QKeychain::NoError;
    if (!ok && error) *error = job->errorString();
    delete job;
    return ok;
}

}  // namespace keyring
