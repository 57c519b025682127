#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

// One run of quillmark-graph as a child process, for the window: the work of
// minutes (a fetch, a count) runs there, so the window's one thread only
// reads the child's progress lines and never waits for it.
class GraphJob final : public QObject {
    Q_OBJECT
public:
    // After asking the child to end, it is killed when it has not ended by then.
    static constexpr int kKillAfterMs = 2000;

    explicit GraphJob(QObject* parent = nullptr);
    ~GraphJob() override;  // a child still running is killed

    // Starts `quillmark-graph [--base BASE] --progress-lines ARGS...`; base
    // empty means the public servers. False (and lastError set) when one is
    // already running.
    bool start(const QStringList& args, const QString& base = {});
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // Ends the child: asked to end at once, killed after kKillAfterMs.
    void cancel();
    bool wasCancelled() const { return m_cancelled; }

    // What the child printed on standard output.
    QByteArray standardOutput() const { return m_out; }
    // The last line of standard error that was not a progress line, or why
    // the child could not be started or did not end normally.
    QString lastError() const { return m_error; }

signals:
    void progress(qint64 done, qint64 total);
    // ok: the child ended by itself with status 0.
    void finished(bool ok);

private:
    void readErrors();
    void ended(int exitCode, QProcess::ExitStatus status);
    void failedToStart();

    QProcess m_process;
    QTimer m_killTimer;
    QByteArray m_out;
    QByteArray m_partialLine;
    QString m_error;
    bool m_cancelled = false;
};

// The quillmark-graph beside the running program, else the one on PATH
// (empty when there is none).
QString graphProgram();
// The web graph's server from settings.ini: [Graph] Base=URL (empty: the public ones).
QString graphBaseSetting(const QString& settingsFile);
// Parses "progress DONE TOTAL"; false for any other line.
bool parseProgressLine(const QByteArray& line, qint64* done, qint64* total);
