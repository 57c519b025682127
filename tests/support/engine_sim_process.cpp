#include "support/engine_sim_process.h"

#include "config/engine_catalog.h"

#include <QDeadlineTimer>

EngineSimProcess::EngineSimProcess(const QStringList& extraArgs) {
    m_process.setProgram(QStringLiteral(QUILLMARK_ENGINE_SIM));
    m_process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                                       QStringLiteral("--watch-stdin")} + extraArgs);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(10000)) return;
    QDeadlineTimer deadline(10000);
    QByteArray line;
    while (!deadline.hasExpired() && !line.contains('\n')) {
        if (!m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) break;
        line += m_process.readAllStandardOutput();
    }
    bool ok = false;
    const uint port = line.left(line.indexOf('\n')).trimmed().toUInt(&ok);
    if (ok && port > 0 && port < 65536) m_port = static_cast<quint16>(port);
}

EngineSimProcess::~EngineSimProcess() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString EngineSimProcess::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QString engineTemplateAt(const QString& baseUrl, const EngineSpec& engine) {
    return baseUrl + QLatin1Char('/') + QString::fromLatin1(engine.key).toLower() +
           QString::fromLatin1(engine.pathAndQuery);
}

QString engineSettingsIniAt(const QString& baseUrl) {
    QString text = QStringLiteral("[Engines]\r\n");
    for (const EngineSpec& e : engineSpecs())
        text += QString::fromLatin1(e.key) + QLatin1Char('=') + engineTemplateAt(baseUrl, e) + QStringLiteral("\r\n");
    return text;
}
