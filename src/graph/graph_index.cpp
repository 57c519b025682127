#include "graph/graph_index.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cerrno>
#include <cstring>

namespace graphIndex {
namespace {

constexpr char kMagic[8] = {'Q', 'M', 'G', 'R', 'A', 'P', 'H', '3'};
constexpr size_t kHeaderSize = 64;
constexpr size_t kBlockCrcSize = 4;

// The fixed start of the file; its last four bytes are the checksum of the rest.
struct Header {
    char magic[8];
    uint32_t withCounts;
    uint32_t blockSize;
    uint64_t domains;
    uint64_t blocks;
    uint64_t offsetsAt;
    uint64_t fileSize;
    uint64_t dataEnd;  // the end of the last block
    uint32_t reserved;
    uint32_t crc;
};
static_assert(sizeof(Header) == kHeaderSize);

constexpr std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0x82f63b78u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = makeCrcTable();

// A block's checksum covers its number too, so a block read in another's
// place (a damaged offset pointing at it) does not pass.
uint32_t blockCrc(uint64_t index, const void* data, size_t size) {
    uint8_t number[8];
    for (int i = 0; i < 8; ++i) number[i] = static_cast<uint8_t>(index >> (8 * i));
    return crc32c(data, size, crc32c(number, sizeof number));
}

bool readVarint(const uint8_t*& p, const uint8_t* end, uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (p >= end) return false;
        const uint8_t byte = *p++;
        value |= static_cast<uint64_t>(byte & 0x7f) << shift;
        if (!(byte & 0x80)) return true;
    }
    return false;
}

// The head of an entry: how many bytes of the name before it (`previous`
// bytes long) it keeps, and how many it adds, which must be there before
// `end`. Leaves p at the added bytes.
bool readHead(const uint8_t*& p, const uint8_t* end, size_t previous, uint64_t& shared, uint64_t& added) {
    if (p >= end) return false;
    const uint8_t head = *p++;
    shared = head >> 4;
    added = head & 15;
    uint64_t extra = 0;
    if (shared == 15) {
        if (!readVarint(p, end, extra) || extra > kMaxName) return false;
        shared += extra;
    }
    if (added == 15) {
        if (!readVarint(p, end, extra) || extra > kMaxName) return false;
        added += extra;
    }
    return shared <= previous && shared + added <= kMaxName && shared + added > 0 &&
           added <= static_cast<uint64_t>(end - p);
}

uint64_t load64(const uint8_t* p) {
    uint64_t value;
    std::memcpy(&value, p, 8);
    return value;
}

}  // namespace

#if defined(__x86_64__)
namespace {
// The processor's own CRC-32C instruction, where it has one: eight bytes a
// step instead of one a table lookup.
__attribute__((target("sse4.2"))) uint32_t crc32cHardware(const uint8_t* p, size_t size, uint32_t crc) {
    uint64_t c = crc;
    for (; size >= 8; p += 8, size -= 8) c = __builtin_ia32_crc32di(c, load64(p));
    crc = static_cast<uint32_t>(c);
    for (; size > 0; ++p, --size) crc = __builtin_ia32_crc32qi(crc, *p);
    return crc;
}
const bool kHardwareCrc = __builtin_cpu_supports("sse4.2");
}  // namespace
#endif

uint32_t crc32c(const void* data, size_t size, uint32_t crc) {
    const auto* p = static_cast<const uint8_t*>(data);
    crc = ~crc;
#if defined(__x86_64__)
    if (kHardwareCrc) return ~crc32cHardware(p, size, crc);
#endif
    for (size_t i = 0; i < size; ++i) crc = kCrcTable[(crc ^ p[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

Writer::Writer(std::string path, bool withCounts, Sync sync)
    : m_path(std::move(path)), m_withCounts(withCounts), m_sync(sync) {
    // A link planted in the file's place is not followed.
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    m_file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (!m_file) {
        fail("cannot be created");
        if (fd >= 0) ::close(fd);
        return;
    }
    constexpr size_t kBufferSize = 1 << 20;
    m_buffer.reset(new char[kBufferSize]);
    std::setvbuf(m_file, m_buffer.get(), _IOFBF, kBufferSize);
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
    // A file that will be synced goes to the disk as it is written, so that
    // the sync at the end has little left to wait for.
    constexpr uint64_t kWriteBackEvery = uint64_t{4} << 20;
    if (m_sync == Sync::Durable && m_written - m_writtenBack >= kWriteBackEvery && std::fflush(m_file) == 0) {
        ::sync_file_range(::fileno(m_file), static_cast<off_t>(m_writtenBack),
                          static_cast<off_t>(m_written - m_writtenBack), SYNC_FILE_RANGE_WRITE);
        m_writtenBack = m_written;
    }
}

void Writer::putVarint(uint64_t value) {
    do {
        uint8_t byte = static_cast<uint8_t>(value & 0x7f);
        value >>= 7;
        if (value) byte |= 0x80;
        m_block += static_cast<char>(byte);
    } while (value);
}

void Writer::endBlock() {
    if (m_block.empty()) return;
    m_offsets.push_back(m_written);
    const uint32_t crc = blockCrc(m_offsets.size() - 1, m_block.data(), m_block.size());
    put(&crc, sizeof crc);
    put(m_block.data(), m_block.size());
    m_block.clear();
}

void Writer::addEncoded(std::string_view encodedName, Counts counts) {
    if (m_count % kBlockSize == 0) endBlock();
    m_copying = true;
    m_block.append(encodedName);
    if (m_withCounts) {
        putVarint(counts.linkingDomains);
        putVarint(counts.harmonicRank);
    }
    ++m_count;
}

void Writer::add(std::string_view name, Counts counts) {
    if (m_copying) {
        errno = 0;
        fail("mixes copied names with added ones");
        return;
    }
    if (name.empty() || name.size() > kMaxName) {
        errno = 0;
        fail("holds a name that is empty or longer than 253 bytes");
        return;
    }
    size_t shared = 0;
    if (m_count % kBlockSize == 0) {
        endBlock();
    } else {
        const size_t limit = std::min(name.size(), m_previous.size());
        while (shared < limit && name[shared] == m_previous[shared]) ++shared;
    }
    // One byte holds both lengths when they are short, as they nearly always are.
    const size_t length = name.size() - shared;
    m_block += static_cast<char>(std::min<size_t>(shared, 15) << 4 | std::min<size_t>(length, 15));
    if (shared >= 15) putVarint(shared - 15);
    if (length >= 15) putVarint(length - 15);
    m_block.append(name.substr(shared));
    if (m_withCounts) {
        putVarint(counts.linkingDomains);
        putVarint(counts.harmonicRank);
    }
    m_previous.assign(name);
    ++m_count;
}

bool Writer::finish() {
    endBlock();
    if (!ok()) return false;
    const uint64_t dataEnd = m_written;
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
    header.dataEnd = dataEnd;
    header.crc = crc32c(&header, offsetof(Header, crc));
    errno = 0;
    if (ok() && std::fflush(m_file) != 0) fail("cannot be written");
    if (ok() && (std::fseek(m_file, 0, SEEK_SET) != 0 || std::fwrite(&header, sizeof header, 1, m_file) != 1 ||
                 std::fflush(m_file) != 0))
        fail("cannot be written");
    if (ok() && m_sync == Sync::Durable && ::fsync(::fileno(m_file)) != 0) fail("cannot be written");
    if (std::fclose(m_file) != 0) fail("cannot be written");
    m_file = nullptr;
    return ok();
}

Reader::~Reader() {
    if (m_mapped) ::munmap(const_cast<uint8_t*>(m_data), m_size);
}

bool Reader::open(const std::string& path, Check check) {
    // Not followed as a link, and never waiting on a pipe planted in its place.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        m_damaged = errno != ENOENT && errno != EACCES && errno != EPERM;
        m_error = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        m_damaged = true;
        m_error = path + ": not a regular file";
        return false;
    }
    m_size = static_cast<size_t>(st.st_size);
    void* map = m_size >= kHeaderSize ? ::mmap(nullptr, m_size, PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
    ::close(fd);
    if (map == MAP_FAILED) {
        m_size = 0;
        m_damaged = true;
        m_error = path + ": not a complete index";
        return false;
    }
    m_data = static_cast<const uint8_t*>(map);
    m_mapped = true;
    m_verify = check == Check::Verify;
    if (!checkHeader(path)) return false;
    ::madvise(const_cast<uint8_t*>(m_data), m_size, MADV_RANDOM);
    return true;
}

bool Reader::openBytes(const uint8_t* data, size_t size, Check check) {
    m_data = data;
    m_size = size;
    m_verify = check == Check::Verify;
    return checkHeader("the index");
}

bool Reader::checkHeader(const std::string& where) {
    m_damaged = true;
    m_error = where + ": not a complete index";
    if (m_size < kHeaderSize) return false;
    Header h;
    std::memcpy(&h, m_data, sizeof h);
    if (std::memcmp(h.magic, kMagic, sizeof kMagic) != 0 || h.crc != crc32c(&h, offsetof(Header, crc))) return false;
    const uint64_t size = m_size;
    const bool sound = h.withCounts <= 1 && h.blockSize == kBlockSize && h.domains <= UINT32_MAX &&
                       h.blocks == (h.domains + kBlockSize - 1) / kBlockSize && h.fileSize == size &&
                       h.offsetsAt >= kHeaderSize && h.offsetsAt % 8 == 0 && h.offsetsAt <= size &&
                       (size - h.offsetsAt) % 8 == 0 && (size - h.offsetsAt) / 8 == h.blocks &&
                       h.dataEnd >= kHeaderSize && h.dataEnd <= h.offsetsAt &&
                       h.offsetsAt - h.dataEnd < 8;
    if (!sound) return false;
    m_withCounts = h.withCounts != 0;
    m_domains = h.domains;
    m_blocks = h.blocks;
    m_dataEnd = h.dataEnd;
    m_offsets = m_data + h.offsetsAt;
    m_damaged = false;
    m_error.clear();
    return true;
}

bool Reader::block(uint64_t index, Block& out) const {
    const uint64_t start = load64(m_offsets + index * 8);
    const uint64_t end = index + 1 < m_blocks ? load64(m_offsets + (index + 1) * 8) : m_dataEnd;
    if (start < kHeaderSize || end > m_dataEnd || start >= end || end - start <= kBlockCrcSize) return false;
    if (m_verify) {
        uint32_t stored;
        std::memcpy(&stored, m_data + start, sizeof stored);
        if (stored != blockCrc(index, m_data + start + kBlockCrcSize, end - start - kBlockCrcSize)) return false;
    }
    out.p = m_data + start + kBlockCrcSize;
    out.end = m_data + end;
    out.entries = std::min<uint64_t>(kBlockSize, m_domains - index * kBlockSize);
    return true;
}

bool Reader::readCounts(const uint8_t*& p, const uint8_t* end, Counts& counts) const {
    uint64_t linking = 0, rank = 0;
    // No domain is linked from more domains than the release holds (the
    // scratch list keeps a vertex id there, which may exceed its names).
    if (!readVarint(p, end, linking) || !readVarint(p, end, rank) || linking > UINT32_MAX ||
        (m_verify && m_countsBounded && linking >= m_domains) || rank > UINT32_MAX)
        return false;
    counts.linkingDomains = static_cast<uint32_t>(linking);
    counts.harmonicRank = static_cast<uint32_t>(rank);
    return true;
}

bool Reader::skip(const uint8_t*& p, const uint8_t* end, size_t& length, std::string_view& encoded,
                  Counts& counts) const {
    const uint8_t* const start = p;
    uint64_t shared = 0, added = 0;
    if (!readHead(p, end, length, shared, added)) return false;
    p += added;
    length = shared + added;
    encoded = std::string_view(reinterpret_cast<const char*>(start), static_cast<size_t>(p - start));
    return !m_withCounts || readCounts(p, end, counts);
}

bool Reader::decode(Cursor& c) const {
    uint64_t shared = 0, added = 0;
    if (!readHead(c.p, c.end, c.name.size(), shared, added)) return false;
    c.name.resize(shared);
    c.name.append(reinterpret_cast<const char*>(c.p), added);
    c.p += added;
    return !m_withCounts || readCounts(c.p, c.end, c.counts);
}

bool Reader::nameAt(uint64_t position, std::string& name) const {
    Block range;
    if (position >= m_domains || !block(position / kBlockSize, range)) return false;
    Cursor c{range.p, range.end, std::move(name), {}};
    c.name.clear();
    bool ok = true;
    for (uint64_t i = 0; ok && i <= position % kBlockSize; ++i) ok = decode(c);
    name = std::move(c.name);
    return ok;
}

Found Reader::find(std::string_view name) const {
    Found found;
    if (!m_blocks) return found;
    const auto damaged = [] { return Found{Status::Damaged, 0, {}}; };
    // The last block whose first name is not after the name.
    uint64_t low = 0, high = m_blocks;
    while (high - low > 1) {
        const uint64_t mid = low + (high - low) / 2;
        Block range;
        if (!block(mid, range)) return damaged();
        Cursor c{range.p, range.end, {}, {}};
        if (!decode(c)) return damaged();
        if (std::string_view(c.name) <= name) low = mid;
        else high = mid;
    }
    Block range;
    if (!block(low, range)) return damaged();
    Cursor c{range.p, range.end, {}, {}};
    for (uint64_t i = 0; i < range.entries; ++i) {
        if (!decode(c)) return damaged();
        const int order = std::string_view(c.name).compare(name);
        if (order == 0) return Found{Status::Present, low * kBlockSize + i, c.counts};
        if (order > 0) break;
    }
    return found;
}

}  // namespace graphIndex
