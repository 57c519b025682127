#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The index of a counted release: every domain of the release in name order,
// front-coded in blocks of 16 (each block starts with a whole name), each with
// its in-degree and harmonic-rank position; then the file offset of every
// block, for a binary search. Read in place by memory mapping.
//
// Nothing in it is trusted: the header carries its own checksum, and each
// block a checksum (over its bytes and its number) that is checked whenever
// the block is decoded. A lookup therefore reads only the blocks its binary
// search touches, yet no damaged byte can change an answer unnoticed.
//
// The same layout without the two numbers is the counter's scratch list of
// names, which the ranks are joined against.
namespace graphIndex {

inline constexpr uint32_t kBlockSize = 16;
inline constexpr uint32_t kNoRank = 0;
// The longest name a domain can have.
inline constexpr size_t kMaxName = 253;

struct Counts {
    uint32_t linkingDomains = 0;
    uint32_t harmonicRank = kNoRank;  // position from 1; kNoRank when the ranks did not name it
};

// CRC-32C of bytes, continuing from crc.
uint32_t crc32c(const void* data, size_t size, uint32_t crc = 0);

// Writes the layout to a file; the header goes in last, so a file cut short
// never reads as complete. Errors name the file and the byte.
class Writer final {
public:
    // Durable files are synced to the disk by finish(); a scratch file that
    // is only read back by the same run need not be.
    enum class Sync { Durable, None };
    Writer(std::string path, bool withCounts, Sync sync = Sync::Durable);
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;
    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    // Names come in strictly increasing byte order, each at most kMaxName bytes.
    void add(std::string_view name, Counts counts = {});
    // A whole list copied with other numbers: every entry of a Reader's
    // forEachEncoded, in order, its name as it is coded there (the blocks
    // have the same bounds). Not mixed with add().
    void addEncoded(std::string_view encodedName, Counts counts);
    // Writes the block offsets and the header, and flushes to disk.
    bool finish();
    uint64_t bytesWritten() const { return m_written; }

private:
    void put(const void* data, size_t size);
    void putVarint(uint64_t value);
    void endBlock();
    void fail(const char* what);

    std::string m_path;
    bool m_withCounts;
    Sync m_sync;
    FILE* m_file = nullptr;
    uint64_t m_writtenBack = 0;
    std::unique_ptr<char[]> m_buffer;  // the file's, left uninitialized
    std::vector<uint64_t> m_offsets;
    std::string m_block;  // the open block's bytes, written when it is full
    std::string m_previous;
    uint64_t m_count = 0;
    uint64_t m_written = 0;
    bool m_copying = false;
    std::string m_error;
};

enum class Status { Absent, Present, Damaged };

struct Found {
    Status status = Status::Absent;
    uint64_t position = 0;  // the name's place in name order
    Counts counts;
    explicit operator bool() const { return status == Status::Present; }
};

// A written file, mapped read-only.
class Reader final {
public:
    // Trusted skips the block checksums: for the counter's own scratch file,
    // read back moments after it was written. Bounds are checked either way.
    enum class Check { Verify, Trusted };

    Reader() = default;
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    // False (and error() says why) when the file is missing or not a whole,
    // undamaged index; damaged() tells the second from the first.
    bool open(const std::string& path, Check check = Check::Verify);
    // The same on bytes in memory, which must outlive the reader.
    bool openBytes(const uint8_t* data, size_t size, Check check = Check::Verify);
    // A published list's counts (linking networks, say) are not bounded by
    // how many names it holds, as a release's linking domains are; call
    // before open().
    void countsUnbounded() { m_countsBounded = false; }
    const std::string& error() const { return m_error; }
    bool damaged() const { return m_damaged; }
    uint64_t domainCount() const { return m_domains; }
    bool hasCounts() const { return m_withCounts; }
    // The place of a name and its numbers; Damaged when a block it needed is.
    Found find(std::string_view name) const;
    // The name at a place in name order, into `name` (whose buffer is reused);
    // false when the place is beyond the list or its block is damaged.
    bool nameAt(uint64_t position, std::string& name) const;
    // Calls visit(name, counts) for every entry in order; false when a block
    // is damaged (then the visits so far are all there were).
    template <typename Visit>
    bool forEach(Visit visit) const;
    // The same, handing out each name as coded in its block (for
    // Writer::addEncoded) instead of decoded: a copy with new numbers then
    // neither decodes nor codes again the names.
    template <typename Visit>
    bool forEachEncoded(Visit visit) const;

private:
    struct Block {
        const uint8_t* p = nullptr;
        const uint8_t* end = nullptr;
        uint64_t entries = 0;
    };
    struct Cursor {
        const uint8_t* p;
        const uint8_t* end;
        std::string name;
        Counts counts;
    };
    bool checkHeader(const std::string& where);
    // The bounds of a block, its checksum checked; false when it is damaged.
    bool block(uint64_t index, Block& out) const;
    bool decode(Cursor& c) const;
    // Steps over one entry: its coded name and its numbers; `length` is the
    // whole name's length before and after.
    bool skip(const uint8_t*& p, const uint8_t* end, size_t& length, std::string_view& encoded, Counts& counts) const;
    bool readCounts(const uint8_t*& p, const uint8_t* end, Counts& counts) const;

    const uint8_t* m_data = nullptr;
    size_t m_size = 0;
    bool m_mapped = false;
    bool m_verify = true;
    bool m_countsBounded = true;
    bool m_damaged = false;
    bool m_withCounts = false;
    uint64_t m_domains = 0;
    uint64_t m_blocks = 0;
    uint64_t m_dataEnd = 0;
    const uint8_t* m_offsets = nullptr;
    std::string m_error;
};

template <typename Visit>
bool Reader::forEach(Visit visit) const {
    for (uint64_t b = 0; b < m_blocks; ++b) {
        Block range;
        if (!block(b, range)) return false;
        Cursor c{range.p, range.end, {}, {}};
        for (uint64_t i = 0; i < range.entries; ++i) {
            if (!decode(c)) return false;
            visit(std::string_view(c.name), c.counts);
        }
        if (c.p != c.end) return false;
    }
    return true;
}

template <typename Visit>
bool Reader::forEachEncoded(Visit visit) const {
    for (uint64_t b = 0; b < m_blocks; ++b) {
        Block range;
        if (!block(b, range)) return false;
        const uint8_t* p = range.p;
        size_t length = 0;
        std::string_view encoded;
        Counts counts;
        for (uint64_t i = 0; i < range.entries; ++i) {
            if (!skip(p, range.end, length, encoded, counts)) return false;
            visit(encoded, counts);
        }
        if (p != range.end) return false;
    }
    return true;
}

}  // namespace graphIndex
