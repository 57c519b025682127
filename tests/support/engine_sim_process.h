#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// An engine's template on a server laid out as the stand-in engines are:
// base + "/google" + the default path and query.
QString engineTemplateAt(const QString& baseUrl, const struct EngineSpec& engine);
// The six such templates as settings.ini lines.
QString engineSettingsIniAt(const QString& baseUrl);

// The stand-in engines as a child process for one test or fixture. It listens
// on 127.0.0.1 on a free port and ends with this object (or with the test
// process: it watches its standard input).
class EngineSimProcess {
public:
    explicit EngineSimProcess(const QStringList& extraArgs = {});
    ~EngineSimProcess();
    EngineSimProcess(const EngineSimProcess&) = delete;
    EngineSimProcess& operator=(const EngineSimProcess&) = delete;

    bool isRunning() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString baseUrl() const;  // http://127.0.0.1:<port>
    // An engine's template pointing at this server.
    QString templateFor(const struct EngineSpec& engine) const { return engineTemplateAt(baseUrl(), engine); }
    // The six engine templates pointing at this server, as settings.ini lines.
    QString settingsIni() const { return engineSettingsIniAt(baseUrl()); }
    // A URL on the server, e.g. url("/bytes/256").
    QString url(const QString& path) const { return baseUrl() + path; }

private:
    QProcess m_process;
    quint16 m_port = 0;
};
