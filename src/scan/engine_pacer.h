#pragma once

#include "config/engine_catalog.h"

#include <QElapsedTimer>
#include <array>
#include <optional>

// When each engine may be asked next. Real engines refuse a client that asks
// too fast: an engine rests for the pause after every request it was sent,
// and for as long as it asked with Retry-After. The times outlive a scan, so a
// new scan right after the last one is just as polite.
class EnginePacer final {
public:
    static constexpr int kMaxRetryAfterSeconds = 300;

    EnginePacer();

    void setPause(int seconds);
    // The engine's own least pause (a source's limit); the larger of the two applies.
    void setOwnPause(int engine, int seconds);
    // Milliseconds until the engine may be asked; 0 when it may be asked now.
    qint64 waitMs(int engine) const;
    // A request to the engine starts now.
    void sent(int engine);
    // The engine answered "Retry-After: seconds" (at most kMaxRetryAfterSeconds count).
    void askedToWait(int engine, int seconds);
    // The wait the engine asked for, while that is what holds it.
    std::optional<int> askedSeconds(int engine) const;

private:
    qint64 restedAt(int engine) const;
    qint64 readyAt(int engine) const;

    QElapsedTimer m_clock;
    qint64 m_pauseMs = 0;
    std::array<qint64, kEngineCount> m_ownPauseMs{};
    std::array<std::optional<qint64>, kEngineCount> m_lastSent{};
    std::array<qint64, kEngineCount> m_retryUntil{};
    std::array<int, kEngineCount> m_asked{};
};
