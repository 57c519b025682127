#include "graph/graph_work.h"

#include "graph/release_catalog.h"

#include <QLocale>
#include <QPointer>
#include <cmath>

void TransferRate::add(qint64 ms, qint64 done) {
    // A count that starts over (a new file) or a clock that went back starts a new window.
    if (!m_samples.empty() && (done < m_samples.back().done || ms < m_samples.back().ms)) m_samples.clear();
    m_samples.push_back({ms, done});
    // Keep one sample at or before the window's start, so the span covers all of it.
    while (m_samples.size() > 2 && ms - m_samples[1].ms >= kWindowMs) m_samples.pop_front();
}

std::optional<double> TransferRate::bytesPerSecond() const {
    if (m_samples.size() < 2) return std::nullopt;
    const Sample& first = m_samples.front();
    const Sample& last = m_samples.back();
    const qint64 span = last.ms - first.ms;
    if (span < kMinSpanMs) return std::nullopt;
    return static_cast<double>(last.done - first.done) * 1000.0 / static_cast<double>(span);
}

std::optional<qint64> TransferRate::secondsLeft(qint64 done, qint64 total) const {
    const std::optional<double> rate = bytesPerSecond();
    if (!rate || *rate < 1.0 || total <= 0) return std::nullopt;
    if (done >= total) return 0;
    const double seconds = std::ceil(static_cast<double>(total - done) / *rate);
    // Beyond a year the figure says nothing, and beyond qint64 it would overflow.
    if (seconds > 365.0 * 24 * 3600) return std::nullopt;
    return static_cast<qint64>(seconds);
}

namespace graphWorkText {

QString megabytes(qint64 bytes) {
    const double mb = static_cast<double>(std::max<qint64>(0, bytes)) / 1e6;
    // Tenths show movement on a slow line while the figure is small; past a
    // hundred they are noise.
    if (mb < 100.0) return QString::number(mb, 'f', 1) + QStringLiteral(" MB");
    return QLocale(QLocale::English).toString(static_cast<qint64>(std::llround(mb))) + QStringLiteral(" MB");
}

QString duration(qint64 seconds) {
    seconds = std::max<qint64>(0, seconds);
    if (seconds < 60) return QStringLiteral("%1 s").arg(seconds);
    const qint64 minutes = (seconds + 30) / 60;
    if (minutes < 60) return QStringLiteral("%1 min").arg(minutes);
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString progress(const QString& verb, const QString& release, qint64 done, qint64 total,
                 std::optional<double> bytesPerSecond, std::optional<qint64> secondsLeft) {
    QString text = release.isEmpty() ? verb : QStringLiteral("%1 %2").arg(verb, release);
    if (total <= 0 && done <= 0) return text + QStringLiteral("...");
    QString figures = total > 0 ? QStringLiteral("%1 of %2").arg(megabytes(done).chopped(3), megabytes(total))
                                : megabytes(done);
    if (bytesPerSecond) figures += QStringLiteral(", %1/s").arg(megabytes(static_cast<qint64>(*bytesPerSecond)));
    if (secondsLeft) figures += QStringLiteral(", %1 left").arg(duration(*secondsLeft));
    return text + QStringLiteral(": ") + figures;
}

}  // namespace graphWorkText

namespace {
QPointer<GraphWork>& windowWork() {
    static QPointer<GraphWork> work;
    return work;
}
}  // namespace

GraphWork::GraphWork(QObject* parent) : QObject(parent) {
    connect(&m_job, &GraphJob::progress, this, &GraphWork::onProgress);
    connect(&m_job, &GraphJob::finished, this, &GraphWork::onFinished);
}

GraphWork::~GraphWork() = default;

GraphWork* GraphWork::forWindow() { return windowWork().data(); }

void GraphWork::serveWindow() { windowWork() = this; }

bool GraphWork::start(Kind kind, const QString& release, const QString& base) {
    if (isRunning()) return false;
    m_kind = kind;
    m_release = release;
    m_done = m_total = 0;
    m_succeeded = false;
    m_rate.clear();
    m_clock.start();
    if (!m_job.start({kind == Kind::Fetch ? QStringLiteral("fetch") : QStringLiteral("count"), release}, base))
        return false;
    emit started();
    return true;
}

QString GraphWork::verb() const {
    return m_kind == Kind::Fetch ? QStringLiteral("Fetching") : QStringLiteral("Counting");
}

QString GraphWork::progressText() const {
    return graphWorkText::progress(verb(), m_release, m_done, m_total, m_rate.bytesPerSecond(),
                                   m_rate.secondsLeft(m_done, m_total));
}

QString GraphWork::shortProgressText() const {
    return graphWorkText::progress(m_kind == Kind::Fetch ? QStringLiteral("Web graph fetch")
                                                         : QStringLiteral("Web graph count"),
                                   QString(), m_done, m_total, m_rate.bytesPerSecond(),
                                   m_rate.secondsLeft(m_done, m_total));
}

QString GraphWork::endText() const {
    const bool fetch = m_kind == Kind::Fetch;
    if (m_succeeded) {
        if (!fetch) return QStringLiteral("%1 is counted.").arg(m_release);
        return graphRelease::isCounted(m_release)
                   ? QStringLiteral("%1 is fetched and counted.").arg(m_release)
                   : QStringLiteral("%1 is fetched; \"Count\" builds its index.").arg(m_release);
    }
    if (wasCancelled())
        return fetch ? QStringLiteral("The fetch of %1 was cancelled; \"Fetch\" goes on from where it stopped.")
                           .arg(m_release)
                     : graphRelease::isCounted(m_release)
                           ? QStringLiteral("The count of %1 was cancelled; its earlier index stays.").arg(m_release)
                           : QStringLiteral("The count of %1 was cancelled; it has no index.").arg(m_release);
    return (fetch ? QStringLiteral("The fetch of %1 failed: %2") : QStringLiteral("The count of %1 failed: %2"))
        .arg(m_release, error());
}

void GraphWork::onProgress(qint64 done, qint64 total) {
    m_done = done;
    m_total = total;
    m_rate.add(m_clock.elapsed(), done);
    emit progressed();
}

void GraphWork::onFinished(bool ok) {
    m_succeeded = ok;
    emit finished(ok);
}
