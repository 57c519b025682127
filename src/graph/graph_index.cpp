#include "graph/graph_index.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace graphIndex {
namespace {

constexpr char kMagic[8] = {'Q', 'M', 'G', 'R', 'A', 'P', 'H', '2'};
constexpr size_t kHeaderSize = 64;

// The fixed start of the file.
struct Header {
    char magic[8];
    uint32_t withCounts;
    uint32_t blockSize;
    uint64_t domains;
    uint64_t blocks;
    uint64_t offsetsAt;
    uint64_t fileSize;
    uint8_t reserved[kHeaderSize - 48];
};
static_assert(sizeof(Header) == kHeaderSize);

uint64_t readVarint(const uint8_t*& p) {
    uint64_t value = 0;
    for (int shift = 0;; shift += 7) {
        const uint8_t byte = *p++;
        value |= static_cast<uint64_t>(byte & 0x7f) << shift;
        if (!(byte & 0x80)) return value;
    }
}

}  // namespace

Writer::Writer(std::string path, bool withCounts) : m_path(std::move(path)), m_withCounts(withCounts) {
    m_file = std::fopen(m_path.c_str(), "wbe");
    if (!m_file) {
        fail("cannot be created");
        return;
    }
    m_buffer.resize(1 << 20);
    std::setvbuf(m_file, m_buffer.data(), _IOFBF, m_buffer.size());
    const Header blank{};
    put(&blank, sizeof blank);  // filled in by finish()
}

Writer::~Writer() {
    if (m_file) std::fclose(m_file);
}

void Writer::fail(const char* what) {
    if (!m_error.empty()) return;
    m_error = m_path + ": " + what;
    if (errno) m_error += std::string(" (") + std::strerror(errno) + ")";
    m_error += " at byte " + std::to_string(m_written);
}

void Writer::put(const void* data, size_t size) {
    if (!ok()) return;
    errno = 0;
    if (std::fwrite(data, 1, size, m_file) != size) fail("cannot be written");
    m_written += size;
}

void Writer::putVarint(uint64_t value) {
    uint8_t bytes[10];
    size_t n = 0;
    do {
        bytes[n] = static_cast<uint8_t>(value & 0x7f);
        value >>= 7;
        if (value) bytes[n] |= 0x80;
        ++n;
    } while (value);
    put(bytes, n);
}

void Writer::add(std::string_view name, Counts counts) {
    size_t shared = 0;
    if (m_count % kBlockSize == 0) {
        m_offsets.push_back(m_written);
    } else {
        const size_t limit = std::min(name.size(), m_previous.size());
        while (shared < limit && name[shared] == m_previous[shared]) ++shared;
    }
    // One byte holds both lengths when they are short, as they nearly always are.
    const size_t length = name.size() - shared;
    const uint8_t head = static_cast<uint8_t>(std::min<size_t>(shared, 15) << 4 | std::min<size_t>(length, 15));
    put(&head, 1);
    if (shared >= 15) putVarint(shared - 15);
    if (length >= 15) putVarint(length - 15);
    put(name.data() + shared, name.size() - shared);
    if (m_withCounts) {
        putVarint(counts.linkingDomains);
        putVarint(counts.harmonicRank);
    }
    m_previous.assign(name);
    ++m_count;
}

bool Writer::finish() {
    if (!ok()) return false;
    const uint64_t pad = (8 - m_written % 8) % 8;
    const char zeros[8] = {};
    put(zeros, pad);
    const uint64_t offsetsAt = m_written;
    put(m_offsets.data(), m_offsets.size() * sizeof(uint64_t));
    Header header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.withCounts = m_withCounts ? 1 : 0;
    header.blockSize = kBlockSize;
    header.domains = m_count;
    header.blocks = m_offsets.size();
    header.offsetsAt = offsetsAt;
    header.fileSize = m_written;
    errno = 0;
    if (ok() && std::fflush(m_file) != 0) fail("cannot be written");
    if (ok() && (std::fseek(m_file, 0, SEEK_SET) != 0 || std::fwrite(&header, sizeof header, 1, m_file) != 1 ||
                 std::fflush(m_file) != 0))
        fail("cannot be written");
    if (ok() && ::fsync(::fileno(m_file)) != 0) fail("cannot be written");
    if (std::fclose(m_file) != 0) fail("cannot be written");
    m_file = nullptr;
    return ok();
}

Reader::~Reader() {
    if (m_data) ::munmap(const_cast<uint8_t*>(m_data), m_size);
}

bool Reader::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        m_error = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    ::fstat(fd, &st);
    m_size = static_cast<size_t>(st.st_size);
    void* map = m_size >= kHeaderSize ? ::mmap(nullptr, m_size, PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
    ::close(fd);
    if (map == MAP_FAILED) {
        m_size = 0;
        m_error = path + ": not a complete index";
        return false;
    }
    m_data = static_cast<const uint8_t*>(map);
    Header header;
    std::memcpy(&header, m_data, sizeof header);
    if (std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 || header.fileSize != m_size ||
        header.blockSize != kBlockSize || header.offsetsAt + header.blocks * 8 != m_size ||
        header.blocks != (header.domains + kBlockSize - 1) / kBlockSize) {
        m_error = path + ": not a complete index";
        return false;
    }
    m_withCounts = header.withCounts != 0;
    m_domains = header.domains;
    m_blocks = header.blocks;
    m_offsets = m_data + header.offsetsAt;
    ::madvise(const_cast<uint8_t*>(m_data), m_size, MADV_RANDOM);
    return true;
}

void Reader::decode(Cursor& c) const {
    const uint8_t head = *c.p++;
    uint64_t shared = head >> 4, length = head & 15;
    if (shared == 15) shared += readVarint(c.p);
    if (length == 15) length += readVarint(c.p);
    c.name.resize(shared);
    c.name.append(reinterpret_cast<const char*>(c.p), length);
    c.p += length;
    if (m_withCounts) {
        c.counts.linkingDomains = static_cast<uint32_t>(readVarint(c.p));
        c.counts.harmonicRank = static_cast<uint32_t>(readVarint(c.p));
    }
}

std::string_view Reader::firstName(uint64_t block) const {
    uint64_t offset;
    std::memcpy(&offset, m_offsets + block * 8, 8);
    const uint8_t* p = m_data + offset;
    uint64_t length = *p++ & 15;  // nothing shared at a block's start
    if (length == 15) length += readVarint(p);
    return {reinterpret_cast<const char*>(p), length};
}

std::optional<uint64_t> Reader::find(std::string_view name, Counts* counts) const {
    if (!m_blocks) return std::nullopt;
    // The last block whose first name is not after the name.
    uint64_t low = 0, high = m_blocks;
    while (high - low > 1) {
        const uint64_t mid = low + (high - low) / 2;
        if (firstName(mid) <= name) low = mid;
        else high = mid;
    }
    uint64_t offset;
    std::memcpy(&offset, m_offsets + low * 8, 8);
    Cursor c{m_data + offset, {}, {}};
    const uint64_t n = std::min<uint64_t>(kBlockSize, m_domains - low * kBlockSize);
    for (uint64_t i = 0; i < n; ++i) {
        decode(c);
        if (c.name == name) {
            if (counts) *counts = c.counts;
            return low * kBlockSize + i;
        }
        if (std::string_view(c.name) > name) break;
    }
    return std::nullopt;
}

}  // namespace graphIndex
