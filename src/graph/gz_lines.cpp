#include "graph/gz_lines.h"

#include <isa-l/igzip_lib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {
constexpr size_t kInSize = 1 << 20;
constexpr size_t kOutSize = 8 << 20;  // also the longest line read
thread_local GzLines::Follower t_follower;
// A small file starts with small buffers; the output one grows to kOutSize
// only for a line that does not fit.
constexpr size_t kSmallFile = 1 << 20;
constexpr size_t kSmallInSize = 64 << 10;
constexpr size_t kSmallOutSize = 256 << 10;
}  // namespace

void GzLines::setThreadFollower(Follower follower) { t_follower = std::move(follower); }

GzLines::GzLines(std::string path)
    : m_path(std::move(path)), m_state(std::make_unique<inflate_state>()) {
    isal_inflate_init(m_state.get());
    m_state->crc_flag = ISAL_GZIP;
    // Never a link followed, and never a wait on a pipe planted in a file's place.
    m_fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (m_fd < 0) {
        m_error = m_path + ": " + std::strerror(errno);
        return;
    }
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_error = m_path + ": not a regular file";
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    // A file still arriving (a follower waits on it) is sized for what is to come.
    const bool small = static_cast<uint64_t>(st.st_size) < kSmallFile && !t_follower;
    m_in.resize(small ? kSmallInSize : kInSize);
    m_out.resize(small ? kSmallOutSize : kOutSize);
    ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

GzLines::~GzLines() {
    if (m_fd >= 0) ::close(m_fd);
}

void GzLines::fail(const std::string& what, uint64_t byte) {
    if (m_error.empty()) m_error = m_path + ": " + what + " at byte " + std::to_string(byte);
}

void GzLines::failLine(const std::string& what) {
    if (m_error.empty()) m_error = m_path + ": line " + std::to_string(m_line) + ": " + what;
    m_pos = m_end;
    m_finished = true;
}

bool GzLines::readInput() {
    ssize_t n = ::read(m_fd, m_in.data(), m_in.size());
    while (n == 0 && t_follower) {
        const Follow follow = t_follower(m_path, m_fileRead);
        if (follow == Follow::Stopped) {
            fail("was not downloaded whole: the download stopped", m_fileRead);
            return false;
        }
        if (follow == Follow::End) break;
        n = ::read(m_fd, m_in.data(), m_in.size());
    }
    if (n < 0) {
        fail(std::string("cannot be read (") + std::strerror(errno) + ")", m_fileRead);
        return false;
    }
    if (n == 0) {
        m_eof = true;
        return true;
    }
    m_anyInput = true;
    m_fileRead += static_cast<uint64_t>(n);
    if (m_observer) m_observer(m_fileRead);
    m_state->next_in = m_in.data();
    m_state->avail_in = static_cast<uint32_t>(n);
    return true;
}

// Moves the unfinished line to the front and inflates more behind it.
bool GzLines::refill() {
    if (m_finished || !m_error.empty() || m_fd < 0) return false;
    const size_t rest = m_end - m_pos;
    if (rest == m_out.size() && m_out.size() < kOutSize) {
        m_out.resize(std::min(m_out.size() * 2, kOutSize));
    } else if (rest == m_out.size()) {
        // No line of a release is near this long: a file that says otherwise
        // must not make the reader hold it whole.
        ++m_line;
        failLine("longer than " + std::to_string(kOutSize >> 20) + " MiB");
        return false;
    }
    std::memmove(m_out.data(), m_out.data() + m_pos, rest);
    m_pos = 0;
    m_end = rest;
    while (m_end < m_out.size()) {
        if (m_state->avail_in == 0 && !m_eof && !readInput()) return false;
        if (m_memberDone) {
            if (m_state->avail_in == 0) {
                if (m_eof) {
                    m_finished = true;
                    break;
                }
                continue;
            }
            // Another member follows: it must begin with the gzip magic.
            const uint64_t at = m_fileRead - m_state->avail_in;
            if (m_state->next_in[0] != 0x1f) {
                fail("not a gzip member", at);
                return false;
            }
            uint8_t* in = m_state->next_in;
            const uint32_t avail = m_state->avail_in;
            isal_inflate_reset(m_state.get());
            m_state->crc_flag = ISAL_GZIP;
            m_state->next_in = in;
            m_state->avail_in = avail;
            m_memberDone = false;
        }
        if (m_eof && m_state->avail_in == 0) {
            if (!m_anyInput) fail("is empty, not a gzip file", 0);
            else fail("is truncated: the compressed data ends", m_fileRead);
            return false;
        }
        m_state->next_out = reinterpret_cast<uint8_t*>(m_out.data() + m_end);
        m_state->avail_out = static_cast<uint32_t>(m_out.size() - m_end);
        const int rc = isal_inflate(m_state.get());
        m_end = m_out.size() - m_state->avail_out;
        if (rc < 0) {
            const char* what = rc == ISAL_INCORRECT_CHECKSUM ? "has a wrong checksum"
                               : rc == ISAL_INVALID_WRAPPER || rc == ISAL_UNSUPPORTED_METHOD
                                   ? "is not gzip data"
                                   : "holds corrupt compressed data";
            fail(what, m_fileRead - m_state->avail_in);
            return false;
        }
        if (m_state->block_state == ISAL_BLOCK_FINISH) m_memberDone = true;
    }
    return m_end > m_pos;
}
