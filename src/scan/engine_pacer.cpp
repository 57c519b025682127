#include "scan/engine_pacer.h"

#include <algorithm>

EnginePacer::EnginePacer() { m_clock.start(); }

void EnginePacer::setPause(int seconds) { m_pauseMs = std::max(0, seconds) * qint64(1000); }

void EnginePacer::setOwnPause(int engine, int seconds) {
    m_ownPauseMs[static_cast<size_t>(engine)] = std::max(0, seconds) * qint64(1000);
}

qint64 EnginePacer::restedAt(int engine) const {
    const std::optional<qint64>& last = m_lastSent[static_cast<size_t>(engine)];
    return last ? *last + std::max(m_pauseMs, m_ownPauseMs[static_cast<size_t>(engine)]) : 0;
}

qint64 EnginePacer::readyAt(int engine) const {
    return std::max(restedAt(engine), m_retryUntil[static_cast<size_t>(engine)]);
}

qint64 EnginePacer::waitMs(int engine) const { return std::max<qint64>(0, readyAt(engine) - m_clock.elapsed()); }

void EnginePacer::sent(int engine) { m_lastSent[static_cast<size_t>(engine)] = m_clock.elapsed(); }

void EnginePacer::askedToWait(int engine, int seconds) {
    const int capped = std::clamp(seconds, 0, kMaxRetryAfterSeconds);
    m_asked[static_cast<size_t>(engine)] = capped;
    m_retryUntil[static_cast<size_t>(engine)] = m_clock.elapsed() + capped * qint64(1000);
}

std::optional<int> EnginePacer::askedSeconds(int engine) const {
    const qint64 until = m_retryUntil[static_cast<size_t>(engine)];
    if (until <= m_clock.elapsed() || until < restedAt(engine)) return std::nullopt;
    return m_asked[static_cast<size_t>(engine)];
}
