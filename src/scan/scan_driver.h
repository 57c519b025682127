#pragma once

#include "config/engine_catalog.h"
#include "scan/engine_pacer.h"
#include "net/page_fetcher.h"
#include "sources/count_source.h"

#include <QObject>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QTimer;
class ResultsGrid;
class ReportList;

// What the headless scan may set for one run instead of the stored settings.
struct ScanOverrides {
    std::optional<bool> atOnce;
    std::optional<int> pauseSeconds;
};

// The scan behind "Start": every address of a snapshot of the URL list, on all
// six engines in catalogue order, written into the results grid and the
// website-view list. The six requests of an address go one at a time, or all
// together when the engines are asked at once; either way the answers are
// applied strictly in catalogue order, so what the user sees goes through the
// same steps. It runs on the event loop: each request returns to the loop, the
// next step runs when the answer is in, and the loop runs once between two
// addresses, which is where a stop is seen. An engine that must rest (the
// pause, or a Retry-After it sent) holds its next request; a stop during such
// a wait ends the scan at once. A local source (the web graph) answers before
// its request returns and never rests. The driver owns the scan state; a
// start while a scan runs is refused.
class ScanDriver final : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Scanning, StopRequested };
    Q_ENUM(State)

    ScanDriver(ResultsGrid& grid, ReportList& websiteList, PageFetcher& fetcher,
               QObject* parent = nullptr);
    ~ScanDriver() override;

    // The Start command. Refused (false, nothing changes) while a scan runs or
    // when urls is empty; the grid's sorted mode is turned off either way.
    bool start(const QStringList& urls);
    // The Stop command: acted on before the next address.
    void stop();
    // Clear Results: empties the grid and the website-view list and resets the
    // cursor. During a scan the address under way is dropped, nothing more of
    // it is written, and the scan goes on from the first address.
    void clearResults();

    // Called between the two sorts by total when a scan completes; the chart of
    // the last scan is rebuilt there.
    void setChartRefresh(std::function<void()> refresh) { m_chartRefresh = std::move(refresh); }
    // Settings that replace the stored ones from the next start on.
    void setOverrides(const ScanOverrides& overrides) { m_overrides = overrides; }
    // A scan without a window has nobody to show the website rows to; not
    // keeping them saves most of a long list's memory.
    void setWebsiteRowsKept(bool kept) { m_websiteRowsKept = kept; }

    State state() const { return m_state; }
    bool isIdle() const { return m_state == State::Idle; }
    int urlCursor() const { return m_urlCursor; }
    bool stopRequested() const { return m_stopRequested; }
    std::int64_t grandTotal() const { return m_grandTotal; }
    int progressValue() const { return m_progressValue; }
    int progressMaximum() const { return m_progressMaximum; }
    QString statusText() const { return m_statusText; }

    static QString scanningText(const QString& url, const EngineSpec& engine);
    static QString completeText(std::int64_t grandTotal);
    static QString waitText(const EngineSpec& engine, int seconds);
    // A source's error as the status bar and standard error show it: "Moz: 401 Unauthorized".
    static QString errorText(const QString& caption, const QString& error);

signals:
    void stateChanged(ScanDriver::State state);
    void statusTextChanged(const QString& text);
    void progressChanged(int value, int maximum);
    void progressVisibleChanged(bool visible);
    // A scan ran through every address (after its sorts and chart refresh).
    void finished(std::int64_t grandTotal);
    // A scan ended early at an address boundary after Stop.
    void stopped();
    // A source answered with an error; sent once per source and scan.
    void sourceError(const QString& text);

private:
    void setState(State state);
    void setStatus(const QString& text);
    void scheduleNextUrl();
    void nextUrl();
    void beginAddress();
    void pump();
    void request(int engine);
    void answered(int engine, const SourceReply& reply);
    void drain();
    bool needsRequest(int engine) const;
    qint64 restMs(int engine) const;
    void engineAnswered(const std::optional<SourceReply>& reply);
    void hold(qint64 ms, int engine);
    void endWait();
    void holdOver();
    void finishRow();
    void finish();
    void stoppedAtBoundary();

    ResultsGrid& m_grid;
    ReportList& m_websiteList;
    PageFetcher& m_fetcher;
    std::function<void()> m_chartRefresh;
    bool m_websiteRowsKept = true;
    ScanOverrides m_overrides;
    EnginePacer m_pacer;
    QTimer* m_hold;  // runs while an engine rests before its next request

    State m_state = State::Idle;
    int m_urlCursor = 0;
    bool m_stopRequested = false;

    QStringList m_snapshot;
    QString m_settingsPath;
    int m_lowThreshold = 500;
    int m_highThreshold = 1000;
    std::int64_t m_grandTotal = 0;
    int m_progressValue = 0;
    int m_progressMaximum = 0;
    QString m_statusText;

    bool m_atOnce = false;
    bool m_inAddress = false;  // between the address's first row and its total
    int m_engine = 0;          // the engine whose answer is applied next
    int m_nextRequest = 0;     // the engine whose request is sent next
    std::array<std::optional<SourceReply>, kEngineCount> m_answers;  // arrived, not yet applied
    SourceTable m_sources;  // built at start; a null slot is a column switched off
    std::array<QHash<int, QString>, kEngineCount> m_batched;  // later addresses' cells of a batch
    std::array<QString, kEngineCount> m_batchText;  // the masked answer those cells came from
    QSet<int> m_reported;   // slots whose error this scan has shown
    std::array<QString, kEngineCount> m_errorShown;  // an error to show when its answer is applied
    int m_row = -1;        // grid row of the address under way; -1 once cleared
    QString m_url;         // the address under way
    quint64 m_generation = 0;  // guards answers that outlive their scan
};
