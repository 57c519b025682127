#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct inflate_state;

// Leaves a vector's new elements uninitialized: the buffers are always
// written before they are read, and zeroing them costs a small file more than
// its whole reading.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
};

// Reads the lines of a gzip file (one or several members one after another)
// as it inflates them, without holding more than a few MiB. A line is handed
// out without its line end; it stays valid until the next call of next().
class GzLines final {
public:
    explicit GzLines(std::string path);
    ~GzLines();
    GzLines(const GzLines&) = delete;
    GzLines& operator=(const GzLines&) = delete;

    // False at the end of the file or on an error (then error() says which).
    bool next(std::string_view& line) {
        for (;;) {
            if (m_pos < m_end) {
                const char* start = m_out.data() + m_pos;
                const void* nl = std::memchr(start, '\n', m_end - m_pos);
                if (nl) {
                    const size_t len = static_cast<const char*>(nl) - start;
                    line = std::string_view(start, len);
                    m_pos += len + 1;
                    ++m_line;
                    return true;
                }
            }
            if (!refill()) {
                if (!m_error.empty() || m_pos >= m_end) return false;
                line = std::string_view(m_out.data() + m_pos, m_end - m_pos);  // a last line without end
                m_pos = m_end;
                ++m_line;
                return true;
            }
        }
    }
    // The next run of whole lines, each ending in '\n' but perhaps the file's
    // last; for callers that parse faster without being handed one line at a
    // time. They count the lines themselves (setLineNumber before failLine).
    bool nextLines(std::string_view& chunk) {
        for (;;) {
            if (m_pos < m_end) {
                const char* start = m_out.data() + m_pos;
                const void* nl = ::memrchr(start, '\n', m_end - m_pos);
                if (nl) {
                    const size_t len = static_cast<const char*>(nl) - start + 1;
                    chunk = std::string_view(start, len);
                    m_pos += len;
                    return true;
                }
            }
            if (!refill()) {
                if (!m_error.empty() || m_pos >= m_end) return false;
                chunk = std::string_view(m_out.data() + m_pos, m_end - m_pos);
                m_pos = m_end;
                return true;
            }
        }
    }
    void setLineNumber(uint64_t line) { m_line = line; }
    // The number of the line last handed out, from 1.
    uint64_t lineNumber() const { return m_line; }
    const std::string& path() const { return m_path; }
    // Empty, or "FILE: what went wrong at byte N".
    const std::string& error() const { return m_error; }
    // Reading stops with this message, which names the file and the line.
    void failLine(const std::string& what);
    // Told the compressed bytes read from the file so far after each read
    // (a read is up to 1 MiB, so this costs nothing beside the inflating).
    void setReadObserver(std::function<void(uint64_t)> observer) { m_observer = std::move(observer); }

    // For a file another thread is still writing (a download counted as it
    // arrives): when a read finds no more bytes, this thread's follower is
    // asked, with the bytes read so far. It blocks until the file holds more
    // (More: read again), says the file ends there (End), or that no more
    // will come to a file not yet whole (Stopped: reading fails, even where
    // the bytes so far happen to end a gzip member). None: a file ends where
    // a read finds nothing.
    enum class Follow { More, End, Stopped };
    using Follower = std::function<Follow(const std::string& path, uint64_t have)>;
    static void setThreadFollower(Follower follower);

private:
    bool refill();
    bool readInput();
    void fail(const std::string& what, uint64_t byte);

    std::string m_path;
    int m_fd = -1;
    std::unique_ptr<inflate_state> m_state;
    std::vector<uint8_t, UninitializedAllocator<uint8_t>> m_in;
    std::vector<char, UninitializedAllocator<char>> m_out;
    size_t m_pos = 0;
    size_t m_end = 0;
    uint64_t m_line = 0;
    uint64_t m_fileRead = 0;  // compressed bytes read from the file so far
    bool m_eof = false;
    bool m_memberDone = false;
    bool m_finished = false;
    bool m_anyInput = false;
    std::string m_error;
    std::function<void(uint64_t)> m_observer;
};
