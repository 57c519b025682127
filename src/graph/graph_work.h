#pragma once

#include "graph/graph_job.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <deque>
#include <optional>

// The rate of a transfer from its progress, and the time it still needs.
// The rate is taken over the last kWindowMs only, so a line that slows down
// (or a resumed download that starts with most bytes already here) shows the
// speed of now, not of the whole run.
class TransferRate final {
public:
    static constexpr qint64 kWindowMs = 10000;
    // Too short a span gives a wild figure: no rate before this much is seen.
    static constexpr qint64 kMinSpanMs = 1000;

    // done bytes at ms milliseconds since any fixed start; done never going down.
    void add(qint64 ms, qint64 done);
    void clear() { m_samples.clear(); }
    std::optional<double> bytesPerSecond() const;
    // Seconds until total at the present rate; nothing while there is no rate
    // or the rate is nil.
    std::optional<qint64> secondsLeft(qint64 done, qint64 total) const;

private:
    struct Sample {
        qint64 ms;
        qint64 done;
    };
    std::deque<Sample> m_samples;
};

namespace graphWorkText {
// "1.2 MB", "850.0 MB", "17,650 MB": the unit the user watches grow.
QString megabytes(qint64 bytes);
// "45 s", "12 min", "3 h 05 min".
QString duration(qint64 seconds);
// "Fetching R: 12.5 of 1,700 MB, 2.1 MB/s, 12 min left"; the parts not yet
// known are left out, and so is an empty release.
QString progress(const QString& verb, const QString& release, qint64 done, qint64 total,
                 std::optional<double> bytesPerSecond, std::optional<qint64> secondsLeft);
}  // namespace graphWorkText

// The one fetch or count of a web graph release that runs in the background
// (a child quillmark-graph), with what the window shows of it: how far, how
// fast, how long still, and how it ended. The main window owns it, so it
// outlives the Options dialog that starts it; the dialog finds it through
// forWindow().
class GraphWork final : public QObject {
    Q_OBJECT
public:
    enum class Kind { Fetch, Count };

    explicit GraphWork(QObject* parent = nullptr);
    ~GraphWork() override;

    // The job of the program's main window, or null while there is none.
    static GraphWork* forWindow();
    // Makes this the job forWindow() answers (until it is destroyed).
    void serveWindow();

    // Starts `quillmark-graph fetch|count RELEASE`. False while one runs.
    bool start(Kind kind, const QString& release, const QString& base);
    bool isRunning() const { return m_job.isRunning(); }
    void cancel() { m_job.cancel(); }

    Kind kind() const { return m_kind; }
    QString release() const { return m_release; }
    // "Fetching", "Counting".
    QString verb() const;
    qint64 done() const { return m_done; }
    qint64 total() const { return m_total; }
    const TransferRate& rate() const { return m_rate; }
    // While it runs: what it has done so far ("Fetching R..." before the first figures).
    QString progressText() const;
    // The same without the release's name, for a narrow place: "Web graph fetch: ...".
    QString shortProgressText() const;

    // After it has ended.
    bool succeeded() const { return m_succeeded; }
    bool wasCancelled() const { return m_job.wasCancelled(); }
    QString error() const { return m_job.lastError(); }
    // "R is fetched and counted.", "The fetch of R was cancelled; ...", "The fetch of R failed: ...".
    QString endText() const;

signals:
    void started();
    void progressed();
    void finished(bool ok);

private:
    void onProgress(qint64 done, qint64 total);
    void onFinished(bool ok);

    GraphJob m_job;
    QElapsedTimer m_clock;
    TransferRate m_rate;
    Kind m_kind = Kind::Fetch;
    QString m_release;
    qint64 m_done = 0;
    qint64 m_total = 0;
    bool m_succeeded = false;
};
