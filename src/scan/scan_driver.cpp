#include "scan/scan_driver.h"

#include "config/app_paths.h"
#include "config/settings_table.h"
#include "results/column_sort.h"
#include "results/results_grid.h"
#include "sources/count_extraction.h"
#include "net/page_fetcher.h"

#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <utility>

ScanDriver::ScanDriver(ResultsGrid& grid, ReportList& websiteList, PageFetcher& fetcher,
                       QObject* parent)
    : QObject(parent), m_grid(grid), m_websiteList(websiteList), m_fetcher(fetcher), m_hold(new QTimer(this)) {
    m_hold->setSingleShot(true);
    connect(m_hold, &QTimer::timeout, this, &ScanDriver::holdOver);
}

ScanDriver::~ScanDriver() { ++m_generation; }

QString ScanDriver::scanningText(const QString& url, const EngineSpec& engine) {
    return QStringLiteral("Scanning ") + url + QString::fromLatin1(engine.statusSuffix);
}

QString ScanDriver::completeText(std::int64_t grandTotal) {
    return QStringLiteral("Search Complete.  Found ") + QString::number(grandTotal) +
           QStringLiteral(" links.");
}

QString ScanDriver::errorText(const QString& caption, const QString& error) {
    return caption + QStringLiteral(": ") + error;
}

QString ScanDriver::waitText(const EngineSpec& engine, int seconds) {
    return QStringLiteral("%1 asked to wait %2 s").arg(QLatin1String(engine.gridCaption)).arg(seconds);
}

bool ScanDriver::start(const QStringList& urls) {
    if (m_state != State::Idle) return false;
    m_grid.setUnsorted();
    if (urls.isEmpty()) return false;

    const ScanSettings settings = ScanSettings::read();
    m_lowThreshold = settings.lowThreshold;
    m_highThreshold = settings.highThreshold;
    m_atOnce = m_overrides.atOnce.value_or(settings.atOnce);
    m_pacer.setPause(m_overrides.pauseSeconds.value_or(settings.pauseSeconds));
    m_settingsPath = appPaths::settingsPath();
    m_sources = buildSourceTable(m_settingsPath, m_fetcher);
    int on = 0;
    for (int slot = 0; slot < kEngineCount; ++slot) {
        const auto& source = m_sources[static_cast<size_t>(slot)];
        m_pacer.setOwnPause(slot, source ? source->pauseSeconds() : 0);
        if (source) ++on;
    }
    m_reported.clear();
    std::array<QString, kEngineCount> captions;
    for (int slot = 0; slot < kEngineCount; ++slot)
        if (const auto& source = m_sources[static_cast<size_t>(slot)]) captions[static_cast<size_t>(slot)] = source->caption();
    m_grid.setEngineColumns(captions);
    emit progressVisibleChanged(true);
    if (settings.clearFirst) clearResults();
    for (auto& batched : m_batched) batched.clear();

    m_snapshot = urls;
    m_stopRequested = false;
    m_grandTotal = 0;
    m_progressMaximum = on * static_cast<int>(m_snapshot.size());
    m_progressValue = 0;
    m_urlCursor = 0;
    setState(State::Scanning);
    emit progressChanged(m_progressValue, m_progressMaximum);
    scheduleNextUrl();
    return true;
}

void ScanDriver::stop() {
    if (m_state != State::Scanning) return;
    m_stopRequested = true;
    emit progressVisibleChanged(false);
    setState(State::StopRequested);
    if (!m_hold->isActive()) return;
    m_hold->stop();
    endWait();
}

// A resting engine is no reason to go on after a stop: the scan ends now.
// Nothing is in flight during a wait; a wait inside an address leaves its row
// with the answers it has.
void ScanDriver::endWait() {
    if (m_inAddress)
        finishRow();
    else
        nextUrl();
}

void ScanDriver::clearResults() {
    m_grid.clear();
    m_websiteList.clear();
    m_urlCursor = 0;
    for (auto& batched : m_batched) batched.clear();
    // A scan goes on from its first address: its grand total counts only what
    // the grid shows.
    m_grandTotal = 0;
    if (m_row < 0) return;  // between addresses the next one is the first anyway
    // The address under way has no row any more: its answers still to come are
    // dropped.
    m_row = -1;
    m_inAddress = false;
    m_hold->stop();
    ++m_generation;
    m_fetcher.abortAll();
    scheduleNextUrl();
}

void ScanDriver::setState(State state) {
    if (m_state == state) return;
    m_state = state;
    emit stateChanged(state);
}

void ScanDriver::setStatus(const QString& text) {
    m_statusText = text;
    emit statusTextChanged(text);
}

// Between two addresses the event loop runs once, so a Stop or Clear Results
// clicked meanwhile is seen before the next address starts.
void ScanDriver::scheduleNextUrl() {
    const quint64 generation = m_generation;
    QTimer::singleShot(0, this, [this, generation] {
        if (generation == m_generation) nextUrl();
    });
}

void ScanDriver::nextUrl() {
    if (m_urlCursor >= m_snapshot.size()) {
        finish();
        return;
    }
    if (m_stopRequested) {
        stoppedAtBoundary();
        return;
    }
    // The wait for the address's first request (with engines at once, for the
    // last engine to be ready) comes before its rows, so a stop meanwhile
    // leaves none behind. Only a slot that sends a request for this address
    // waits: one a batch has already answered, or an off one, holds nothing.
    int first = -1;
    for (int engine = 0; engine < kEngineCount; ++engine) {
        if (!needsRequest(engine)) continue;
        if (first < 0 || restMs(engine) > restMs(first)) first = engine;
        if (!m_atOnce) break;
    }
    if (const qint64 wait = first < 0 ? 0 : restMs(first); wait > 0) {
        hold(wait, first);
        return;
    }
    beginAddress();
}

void ScanDriver::beginAddress() {
    m_url = m_snapshot.at(m_urlCursor);
    if (m_websiteRowsKept) m_websiteList.appendRow({QStringLiteral("Home Page"), m_url});
    m_row = m_grid.insertRowAt(m_urlCursor, m_url);
    m_inAddress = true;
    m_engine = 0;
    m_nextRequest = 0;
    m_answers = {};
    pump();
}

// Sends what may go now, in catalogue order: every request of the address
// when the engines are asked at once, otherwise only the one applied next.
void ScanDriver::pump() {
    const int last = m_atOnce ? kEngineCount : m_engine + 1;
    while (m_nextRequest < last) {
        if (!needsRequest(m_nextRequest)) {
            ++m_nextRequest;
            continue;
        }
        if (const qint64 wait = restMs(m_nextRequest); wait > 0) {
            hold(wait, m_nextRequest);
            return;
        }
        request(m_nextRequest++);
    }
    // An off column, or one a batch already answered, is applied without a request.
    if (m_engine < kEngineCount && m_engine < m_nextRequest && !needsRequest(m_engine)) drain();
}

// How long a slot must rest before its next request: an off column is never
// asked, and a local source answers without troubling anybody.
qint64 ScanDriver::restMs(int engine) const {
    const auto& source = m_sources[static_cast<size_t>(engine)];
    return source && !source->isLocal() ? m_pacer.waitMs(engine) : 0;
}

bool ScanDriver::needsRequest(int engine) const {
    return m_sources[static_cast<size_t>(engine)] && !m_batched[static_cast<size_t>(engine)].contains(m_urlCursor);
}

void ScanDriver::request(int engine) {
    CountSource& source = *m_sources[static_cast<size_t>(engine)];
    // A batch carries this address and the ones after it, up to the source's limit.
    const int first = m_urlCursor;
    const QStringList addresses = source.batchSize() > 1
        ? m_snapshot.mid(first, source.batchSize()) : QStringList{m_url};
    m_pacer.sent(engine);
    const quint64 generation = m_generation;
    source.ask(addresses, [this, generation, engine, first](const SourceReply& reply) {
        if (generation != m_generation) return;
        m_batchText[static_cast<size_t>(engine)] = reply.answerText;
        for (qsizetype i = 1; i < reply.cells.size(); ++i)
            m_batched[static_cast<size_t>(engine)].insert(first + static_cast<int>(i), reply.cells[i]);
        answered(engine, reply);
    });
}

void ScanDriver::answered(int engine, const SourceReply& reply) {
    if (reply.retryAfterSeconds) m_pacer.askedToWait(engine, *reply.retryAfterSeconds);
    if (!reply.error.isEmpty() && !m_reported.contains(engine)) {
        m_reported.insert(engine);
        const QString text = errorText(m_sources[static_cast<size_t>(engine)]->caption(), reply.error);
        m_errorShown[static_cast<size_t>(engine)] = text;
        emit sourceError(text);
    }
    m_answers[static_cast<size_t>(engine)] = reply;
    drain();
}

void ScanDriver::drain() {
    while (m_engine < kEngineCount) {
        auto& answer = m_answers[static_cast<size_t>(m_engine)];
        if (answer) {
            engineAnswered(std::exchange(answer, std::nullopt));
        } else if (m_engine < m_nextRequest && !needsRequest(m_engine)) {
            engineAnswered(std::nullopt);
        } else {
            break;
        }
    }
    if (m_engine == kEngineCount)
        finishRow();
    else
        pump();
}

void ScanDriver::hold(qint64 ms, int engine) {
    if (m_stopRequested) {
        endWait();
        return;
    }
    if (const auto asked = m_pacer.askedSeconds(engine)) {
        const auto& source = m_sources[static_cast<size_t>(engine)];
        setStatus(QStringLiteral("%1 asked to wait %2 s")
                      .arg(source ? source->caption() : QLatin1String(engineSpecs()[static_cast<size_t>(engine)].gridCaption))
                      .arg(*asked));
    }
    m_hold->start(static_cast<int>(ms));
}

void ScanDriver::holdOver() {
    if (m_inAddress)
        pump();
    else
        nextUrl();
}

void ScanDriver::engineAnswered(const std::optional<SourceReply>& reply) {
    const EngineSpec& engine = engineSpecs()[static_cast<size_t>(m_engine)];
    const auto& source = m_sources[static_cast<size_t>(m_engine)];
    ++m_engine;
    if (!source) return;  // switched off: not asked, not shown
    const QString count = reply ? reply->cells.value(0)
                                : m_batched[static_cast<size_t>(engine.id)].take(m_urlCursor);

    const int webRow = m_websiteRowsKept ? m_websiteList.appendRow({source->webLabel(), m_url}) : -1;
    // A source's row shows its public page for the address, or else its answer
    // as text, shown locally with every credential masked.
    if (webRow < 0) {
    } else if (const QString page = source->viewAddress(m_url); !page.isEmpty()) {
        m_websiteList.setTag(webRow, 0, page);
    } else if (const QString text = reply ? reply->answerText : m_batchText[static_cast<size_t>(engine.id)]; !text.isEmpty()) {
        m_websiteList.setTag(webRow, 0, QStringLiteral("data:text/plain;charset=utf-8,") +
                                            QString::fromLatin1(QUrl::toPercentEncoding(text)));
    }
    setStatus(QStringLiteral("Scanning ") + m_url + source->statusSuffix());
    // The error stands in the status bar in place of the step it belongs to.
    if (QString error = std::exchange(m_errorShown[static_cast<size_t>(engine.id)], QString()); !error.isEmpty())
        setStatus(error);
    m_progressValue = std::min(m_progressValue + 1, m_progressMaximum);
    emit progressChanged(m_progressValue, m_progressMaximum);
    // A built-in engine's cell may show a figure it did not read from its page.
    const bool read = !reply || reply->read.value(0, true);
    if (m_row >= 0) m_grid.setEngineCell(m_row, engine.gridColumn, count, read);
}

void ScanDriver::finishRow() {
    if (m_row >= 0 && m_grid.hasRow(m_row)) {
        m_grandTotal += m_grid.totalRow(m_row, m_lowThreshold, m_highThreshold);
    }
    m_row = -1;
    m_inAddress = false;
    ++m_urlCursor;
    scheduleNextUrl();
}

void ScanDriver::finish() {
    setStatus(completeText(m_grandTotal));
    emit progressVisibleChanged(false);
    m_stopRequested = false;
    setState(State::Idle);

    const bool autoSort = settings::flag(Setting::AutoSort);
    if (autoSort) SortListView(m_grid, 2, SortNumber, true);
    if (m_chartRefresh) m_chartRefresh();
    if (autoSort) SortListView(m_grid, 2, SortNumber, false);
    emit finished(m_grandTotal);
}

void ScanDriver::stoppedAtBoundary() {
    m_stopRequested = false;
    setState(State::Idle);
    emit stopped();
}
