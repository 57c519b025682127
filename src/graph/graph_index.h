#pragma once

#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The index of a counted release: every domain of the release in name order,
// front-coded in blocks of 16 (each block starts with a whole name), each with
// its in-degree and harmonic-rank position; then the file offset of every
// block, for a binary search. Read in place by memory mapping.
//
// The same layout without the two numbers is the counter's scratch list of
// names, which the ranks are joined against.
namespace graphIndex {

inline constexpr uint32_t kBlockSize = 16;
inline constexpr uint32_t kNoRank = 0;

struct Counts {
    uint32_t linkingDomains = 0;
    uint32_t harmonicRank = kNoRank;  // position from 1; kNoRank when the ranks did not name it
};

// Writes the layout to a file; the header goes in last, so a file cut short
// never reads as complete. Errors name the file and the byte.
class Writer final {
public:
    Writer(std::string path, bool withCounts);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    // Names come in strictly increasing byte order.
    void add(std::string_view name, Counts counts = {});
    // Writes the block offsets and the header, and flushes to disk.
    bool finish();
    uint64_t bytesWritten() const { return m_written; }

private:
    void put(const void* data, size_t size);
    void putVarint(uint64_t value);
    void fail(const char* what);

    std::string m_path;
    bool m_withCounts;
    FILE* m_file = nullptr;
    std::vector<char> m_buffer;
    std::vector<uint64_t> m_offsets;
    std::string m_previous;
    uint64_t m_count = 0;
    uint64_t m_written = 0;
    std::string m_error;
};

// A written file, mapped read-only.
class Reader final {
public:
    Reader() = default;
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    // False (and error() says why) when the file is missing, cut short or not an index.
    bool open(const std::string& path);
    const std::string& error() const { return m_error; }
    uint64_t domainCount() const { return m_domains; }
    bool hasCounts() const { return m_withCounts; }
    // The position (id) of a name and its numbers; nothing when absent.
    std::optional<uint64_t> find(std::string_view name, Counts* counts = nullptr) const;
    // Calls visit(name, counts) for every entry in order.
    template <typename Visit>
    void forEach(Visit visit) const;

private:
    struct Cursor {
        const uint8_t* p;
        std::string name;
        Counts counts;
    };
    void decode(Cursor& c) const;
    std::string_view firstName(uint64_t block) const;

    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    bool m_withCounts = false;
    uint64_t m_domains = 0;
    uint64_t m_blocks = 0;
    const uint8_t* m_offsets = nullptr;
    std::string m_error;
};

template <typename Visit>
void Reader::forEach(Visit visit) const {
    for (uint64_t b = 0; b < m_blocks; ++b) {
        uint64_t offset;
        std::memcpy(&offset, m_offsets + b * 8, 8);
        Cursor c{m_data + offset, {}, {}};
        const uint64_t n = std::min<uint64_t>(kBlockSize, m_domains - b * kBlockSize);
        for (uint64_t i = 0; i < n; ++i) {
            decode(c);
            visit(std::string_view(c.name), c.counts);
        }
    }
}

}  // namespace graphIndex
