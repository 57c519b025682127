#include "recorder.h"

namespace sim {

void Recorder::request(const std::string& target) {
    std::lock_guard lock(m_mutex);
    m_lines.push_back("target " + target);
}

Recorder::Busy::Busy(Recorder& recorder, std::string engine) : m_recorder(recorder), m_engine(std::move(engine)) {
    std::lock_guard lock(m_recorder.m_mutex);
    for (const std::string& key : {m_engine, std::string("all")}) {
        const int now = ++m_recorder.m_busy[key];
        int& most = m_recorder.m_mostBusy[key];
        if (now > most) most = now;
    }
}

Recorder::Busy::~Busy() {
    std::lock_guard lock(m_recorder.m_mutex);
    --m_recorder.m_busy[m_engine];
    --m_recorder.m_busy["all"];
}

void Recorder::streamEnded(const std::string& target, std::size_t sent, std::optional<long> msPastMark) {
    std::lock_guard lock(m_mutex);
    m_lines.push_back("stream " + target + " sent=" + std::to_string(sent) +
                      " past-mark-ms=" + (msPastMark ? std::to_string(*msPastMark) : std::string("none")));
}

std::string Recorder::report() const {
    std::lock_guard lock(m_mutex);
    std::string text;
    for (const std::string& line : m_lines) text += line + '\n';
    for (const auto& [engine, most] : m_mostBusy) text += "most-at-once " + engine + ' ' + std::to_string(most) + '\n';
    return text;
}

void Recorder::clear() {
    std::lock_guard lock(m_mutex);
    m_lines.clear();
    m_mostBusy.clear();
    for (auto& [engine, now] : m_busy) m_mostBusy[engine] = now;
}

void StreamTrack::wrote(std::size_t bytes) {
    sent += bytes;
    if (!markPassed && sent >= kStreamMark) markPassed = std::chrono::steady_clock::now();
}

std::optional<long> StreamTrack::msPastMark() const {
    if (!markPassed) return std::nullopt;
    const auto past = std::chrono::steady_clock::now() - *markPassed;
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(past).count());
}

}  // namespace sim
