#include "graph/graph_job.h"

#include "config/ini_file.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
constexpr const char* kProgramName = "quillmark-graph";
}

GraphJob::GraphJob(QObject* parent) : QObject(parent) {
    m_killTimer.setSingleShot(true);
    m_killTimer.setInterval(kKillAfterMs);
    connect(&m_killTimer, &QTimer::timeout, &m_process, &QProcess::kill);
    connect(&m_process, &QProcess::readyReadStandardOutput, this, [this] { m_out += m_process.readAllStandardOutput(); });
    connect(&m_process, &QProcess::readyReadStandardError, this, &GraphJob::readErrors);
    connect(&m_process, &QProcess::finished, this, &GraphJob::ended);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) failedToStart();
    });
}

GraphJob::~GraphJob() {
    // Neither signal nor slot of a half-destroyed object may run from here.
    m_process.disconnect(this);
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(kKillAfterMs);
    }
}

bool GraphJob::start(const QStringList& args, const QString& base) {
    if (isRunning()) {
        m_error = QStringLiteral("quillmark-graph is already running");
        return false;
    }
    m_out.clear();
    m_partialLine.clear();
    m_error.clear();
    m_cancelled = false;
    QStringList full;
    if (!base.isEmpty()) full << QStringLiteral("--base") << base;
    full << QStringLiteral("--progress-lines") << args;
    const QString program = graphProgram();
    if (program.isEmpty()) {
        // Reported from the event loop, as a child that fails to start is.
        QMetaObject::invokeMethod(this, &GraphJob::failedToStart, Qt::QueuedConnection);
        return true;
    }
    m_process.start(program, full);
    return true;
}

void GraphJob::cancel() {
    if (!isRunning()) return;
    m_cancelled = true;
    m_process.terminate();
    m_killTimer.start();
}

void GraphJob::readErrors() {
    m_partialLine += m_process.readAllStandardError();
    qsizetype end = 0;
    while ((end = m_partialLine.indexOf('\n')) >= 0) {
        const QByteArray line = m_partialLine.left(end).trimmed();
        m_partialLine.remove(0, end + 1);
        qint64 done = 0, total = 0;
        if (parseProgressLine(line, &done, &total)) emit progress(done, total);
        else if (!line.isEmpty()) m_error = QString::fromLocal8Bit(line);
    }
}

void GraphJob::ended(int exitCode, QProcess::ExitStatus status) {
    m_killTimer.stop();
    m_out += m_process.readAllStandardOutput();
    readErrors();
    if (!m_partialLine.trimmed().isEmpty()) m_error = QString::fromLocal8Bit(m_partialLine.trimmed());
    const bool ok = !m_cancelled && status == QProcess::NormalExit && exitCode == 0;
    if (!ok && !m_cancelled && m_error.isEmpty())
        m_error = status == QProcess::NormalExit
                      ? QStringLiteral("quillmark-graph ended with status %1").arg(exitCode)
                      : QStringLiteral("quillmark-graph ended unexpectedly");
    emit finished(ok);
}

void GraphJob::failedToStart() {
    const QString program = graphProgram();
    m_error = program.isEmpty()
                  ? QStringLiteral("quillmark-graph was found neither beside %1 nor on PATH")
                        .arg(QCoreApplication::applicationDirPath())
                  : QStringLiteral("%1 could not be started: %2").arg(program, m_process.errorString());
    emit finished(false);
}

QString graphProgram() {
    const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(kProgramName);
    if (QFileInfo(beside).isExecutable() && QFileInfo(beside).isFile()) return beside;
    return QStandardPaths::findExecutable(QLatin1String(kProgramName));
}

QString graphBaseSetting(const QString& settingsFile) {
    return IniReadKey(QStringLiteral("Graph"), QStringLiteral("Base"), QString(), settingsFile).trimmed();
}

bool parseProgressLine(const QByteArray& line, qint64* done, qint64* total) {
    const QList<QByteArray> fields = line.trimmed().split(' ');
    if (fields.size() != 3 || fields[0] != "progress") return false;
    bool okDone = false, okTotal = false;
    const qint64 d = fields[1].toLongLong(&okDone), t = fields[2].toLongLong(&okTotal);
    if (!okDone || !okTotal || d < 0 || t < 0) return false;
    *done = d;
    *total = t;
    return true;
}
