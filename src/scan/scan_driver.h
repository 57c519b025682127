#pragma once

#include "config/engine_catalog.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class PageFetcher;
class ResultsGrid;
class ReportList;
struct FetchResult;

// The scan behind "Start": every address of a snapshot of the URL list, on all
// six engines in catalogue order, one request at a time, written into the
// results grid and the website-view list. It runs on the event loop: each
// request returns to the loop, the next step runs when the answer is in, and
// the loop runs once between two addresses, which is where a stop is seen.
// The driver owns the scan state; a start while a scan runs is refused.
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

signals:
    void stateChanged(ScanDriver::State state);
    void statusTextChanged(const QString& text);
    void progressChanged(int value, int maximum);
    void progressVisibleChanged(bool visible);
    // A scan ran through every address (after its sorts and chart refresh).
    void finished(std::int64_t grandTotal);
    // A scan ended early at an address boundary after Stop.
    void stopped();

private:
    void setState(State state);
    void setStatus(const QString& text);
    void scheduleNextUrl();
    void nextUrl();
    void requestEngine();
    void engineAnswered(const FetchResult& result);
    void finishRow();
    void finish();
    void stoppedAtBoundary();

    ResultsGrid& m_grid;
    ReportList& m_websiteList;
    PageFetcher& m_fetcher;
    std::function<void()> m_chartRefresh;

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

    int m_engine = 0;      // index of the engine being asked
    int m_row = -1;        // grid row of the address under way; -1 once cleared
    QString m_url;         // the address under way
    quint64 m_generation = 0;  // guards answers that outlive their scan
};
