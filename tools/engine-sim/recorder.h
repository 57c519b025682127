#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// What the stand-in engines saw, for tests that must check the wire: every
// request target exactly as received, how many requests each engine had in
// hand at once, and how long a client went on reading a long body.
namespace sim {

// A body that streams for long: a client that keeps at most this many bytes
// of a page should hang up soon after it has them.
inline constexpr std::size_t kStreamMark = 16u << 20;

class Recorder final {
public:
    void request(const std::string& target);
    // Counts one engine request in hand until the returned guard ends.
    class Busy final {
    public:
        Busy(Recorder& recorder, std::string engine);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        Recorder& m_recorder;
        std::string m_engine;
    };
    // A streamed body ended: bytes sent, and how long after the mark it ended
    // (absent when it never reached the mark).
    void streamEnded(const std::string& target, std::size_t sent, std::optional<long> msPastMark);

    // One line per event, then the largest number of requests each engine
    // ("all" for all of them) had in hand at once.
    std::string report() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::map<std::string, int> m_busy;
    std::map<std::string, int> m_mostBusy;
};

// Progress of one streamed body, shared by its provider and its releaser.
struct StreamTrack {
    std::string target;
    std::size_t sent = 0;
    std::optional<std::chrono::steady_clock::time_point> markPassed;

    void wrote(std::size_t bytes);
    std::optional<long> msPastMark() const;
};

}  // namespace sim
