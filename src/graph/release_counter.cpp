#include "graph/release_counter.h"

#include "graph/graph_index.h"
#include "graph/gz_lines.h"
#include "graph/name_sort.h"
#include "graph/name_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <filesystem>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace graphCount {
namespace {

constexpr size_t kMaxFields = 8;

// Splits a line at tabs; the count is kMaxFields + 1 when there are more.
size_t splitTabs(std::string_view line, std::string_view (&fields)[kMaxFields]) {
    size_t n = 0;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        if (n == kMaxFields) return kMaxFields + 1;
        fields[n++] = line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
        if (tab == std::string_view::npos) return n;
        start = tab + 1;
    }
}

bool parseNumber(std::string_view text, uint64_t& value) {
    if (text.empty() || text.size() > 19) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

std::string shownText(std::string_view text) {
    return "\"" + std::string(text.substr(0, 200)) + "\"";
}

// Set on the counter of an id whose name other ids list too: its links go
// through DupLinks, so no pair of names is counted twice.
constexpr uint32_t kShared = 0x80000000u;
constexpr uint64_t kMaxIds = kShared - 1;
// Names held in memory at once while sorting them.
constexpr size_t kSortBudget = size_t{128} << 20;

std::string tooLong(std::string_view name) {
    return "a domain longer than " + std::to_string(graphIndex::kMaxName) + " bytes: " + shownText(name);
}

// Pass 1: the names and their ids (the line numbers), in any order.
bool readVertices(GzLines& in, NameSort& names, uint64_t& count) {
    std::string_view line, fields[kMaxFields];
    while (in.next(line)) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const size_t n = splitTabs(line, fields);
        uint64_t id = 0, hosts = 0;
        if (n != 2 && n != 3) {
            in.failLine("not two or three tab-separated fields");
            break;
        }
        if (!parseNumber(fields[0], id) || fields[1].empty() || (n == 3 && !parseNumber(fields[2], hosts))) {
            in.failLine("not an id, a domain and a number of hosts: " + shownText(line));
            break;
        }
        if (id != count) {
            in.failLine("id " + std::to_string(id) + " where " + std::to_string(count) + " was due");
            break;
        }
        if (fields[1].size() > graphIndex::kMaxName) {
            in.failLine(tooLong(fields[1]));
            break;
        }
        if (count == kMaxIds) {
            in.failLine("more domains than an index holds");
            break;
        }
        if (!names.add(fields[1], static_cast<uint32_t>(id))) break;
        ++count;
    }
    return in.error().empty() && names.error().empty();
}

// The links of names listed under several ids, as pairs of each name's
// smallest id: their ids' links are scattered over the edges, so the pairs are
// kept, sorted and made unique before they are counted. Releases hold a
// handful of such names.
class DupLinks {
public:
    void addShared(const std::vector<uint32_t>& ids) {
        for (uint32_t id : ids) m_first.emplace(id, ids.front());
    }
    bool any() const { return !m_first.empty(); }
    void markShared(std::vector<uint32_t>& counts, uint32_t mark) const {
        for (const auto& [id, first] : m_first) counts[id] |= mark;
    }
    void add(uint64_t from, uint64_t to) {
        m_pairs.push_back(uint64_t{first(from)} << 32 | first(to));
        if (m_pairs.size() >= m_limit) {
            compact();
            if (m_pairs.size() > m_limit / 2) m_limit *= 2;
        }
    }
    // Adds each distinct pair of two different names to the counter of its
    // target; returns how many there were.
    uint64_t countInto(uint32_t* counts) {
        compact();
        uint64_t links = 0;
        for (uint64_t pair : m_pairs) {
            const auto from = static_cast<uint32_t>(pair >> 32), to = static_cast<uint32_t>(pair);
            if (from == to) continue;
            ++counts[to];
            ++links;
        }
        return links;
    }

private:
    uint32_t first(uint64_t id) const {
        const auto it = m_first.find(static_cast<uint32_t>(id));
        return it == m_first.end() ? static_cast<uint32_t>(id) : it->second;
    }
    void compact() {
        std::sort(m_pairs.begin(), m_pairs.end());
        m_pairs.erase(std::unique(m_pairs.begin(), m_pairs.end()), m_pairs.end());
    }
    std::unordered_map<uint32_t, uint32_t> m_first;
    std::vector<uint64_t> m_pairs;
    size_t m_limit = size_t{1} << 22;
};

// Why an edge line is refused, or nothing when it is two ids of the release.
std::optional<std::string> edgeProblem(std::string_view line, uint64_t domains, uint64_t& from, uint64_t& to) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view fields[kMaxFields];
    if (splitTabs(line, fields) != 2) return std::string("not two tab-separated fields");
    if (!parseNumber(fields[0], from) || !parseNumber(fields[1], to)) return "not two ids: " + shownText(line);
    if (from >= domains || to >= domains)
        return "id " + std::to_string(from >= domains ? from : to) + " is beyond the " + std::to_string(domains) +
               " vertices";
    return std::nullopt;
}

// Pass 3: in-degrees by id. The edges are sorted, so a repeated link is the
// one before it. Lines are parsed in place, in runs, the common form on a
// fast path. counts holds one entry an id (kShared marks shared names).
bool readEdges(GzLines& in, std::vector<uint32_t>& counts, DupLinks& dups, uint64_t& distinct) {
    const uint64_t domains = counts.size();
    // One extra counter takes the adds of the ring's empty slots.
    counts.push_back(0);
    uint32_t* const count = counts.data();
    constexpr uint32_t kPending = 32;
    uint64_t pending[kPending];  // from << 32 | to
    std::fill(std::begin(pending), std::end(pending), domains);
    uint64_t lastFrom = UINT64_MAX, lastTo = UINT64_MAX;
    bool fromShared = false;
    uint64_t lineNumber = 0;
    std::string_view chunk;
    for (;;) {
        in.setLineNumber(lineNumber);
        if (!in.nextLines(chunk)) break;
        const char* p = chunk.data();
        const char* const end = p + chunk.size();
        while (p < end) {
            ++lineNumber;
            const char* const lineStart = p;
            uint64_t from = 0, to = 0;
            while (p < end && static_cast<unsigned>(*p - '0') < 10) from = from * 10 + static_cast<uint64_t>(*p++ - '0');
            bool good = p > lineStart && p - lineStart <= 10 && p < end && *p == '\t';
            if (good) {
                const char* const toStart = ++p;
                while (p < end && static_cast<unsigned>(*p - '0') < 10) to = to * 10 + static_cast<uint64_t>(*p++ - '0');
                good = p > toStart && p - toStart <= 10;
                if (good && p < end && *p == '\r') ++p;
                good = good && (p == end || *p == '\n') && from < domains && to < domains;
            }
            if (!good) {
                const char* lineEnd = static_cast<const char*>(std::memchr(lineStart, '\n', end - lineStart));
                if (!lineEnd) lineEnd = end;
                in.setLineNumber(lineNumber);
                const auto problem = edgeProblem(std::string_view(lineStart, lineEnd - lineStart), domains, from, to);
                if (problem) {
                    in.failLine(*problem);
                    return false;
                }
                p = lineEnd;
            }
            ++p;  // the line end
            if (from != lastFrom) {
                if (from < lastFrom && lastFrom != UINT64_MAX) {
                    in.setLineNumber(lineNumber);
                    in.failLine("the edges are not sorted by number");
                    return false;
                }
                fromShared = (count[from] & kShared) != 0;
            } else if (to <= lastTo) {
                if (to < lastTo) {
                    in.setLineNumber(lineNumber);
                    in.failLine("the edges are not sorted by number");
                    return false;
                }
                continue;  // the same link again
            }
            lastFrom = from;
            lastTo = to;
            if (from == to) continue;  // a domain linking to itself is no other domain
            if (fromShared) {
                dups.add(from, to);
                continue;
            }
            ++distinct;
            // The counters are hit at random: each is fetched ahead and added
            // to some lines later, so the wait for memory overlaps the parsing.
            __builtin_prefetch(count + to, 1);
            uint64_t& slot = pending[distinct % kPending];
            const uint32_t target = static_cast<uint32_t>(slot);
            if (count[target] & kShared) [[unlikely]] {
                --distinct;
                dups.add(slot >> 32, target);
            } else {
                ++count[target];
            }
            slot = from << 32 | to;
        }
    }
    for (uint64_t slot : pending) {
        const uint32_t target = static_cast<uint32_t>(slot);
        if (count[target] & kShared) {
            --distinct;
            dups.add(slot >> 32, target);
        } else {
            ++count[target];
        }
    }
    counts.pop_back();
    if (!in.error().empty()) return false;
    distinct += dups.countInto(count);
    return true;
}

// Pass 2: harmonic positions, joined to the names. A name ranked twice keeps
// its better place.
bool readRanks(GzLines& in, const graphIndex::Reader& names, const NameTable& table, std::vector<uint32_t>& rank) {
    std::string_view line, fields[kMaxFields];
    std::string buffer;
    buffer.reserve(graphIndex::kMaxName + 1);
    bool first = true;
    while (in.next(line)) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (first && !line.empty() && line.front() == '#') {
            first = false;
            continue;  // the header
        }
        first = false;
        const size_t n = splitTabs(line, fields);
        uint64_t position = 0;
        if (n != 5 && n != 6) {
            in.failLine("not five or six tab-separated fields");
            return false;
        }
        if (!parseNumber(fields[0], position) || position == 0 || position > UINT32_MAX) {
            in.failLine("not a harmonic position: " + shownText(fields[0]));
            return false;
        }
        if (fields[4].size() > graphIndex::kMaxName) {
            in.failLine(tooLong(fields[4]));
            return false;
        }
        uint64_t place = 0;
        const graphIndex::Status found = table.find(fields[4], names, buffer, place);
        if (found == graphIndex::Status::Damaged) {
            in.failLine("the list of names read back is damaged");
            return false;
        }
        if (found == graphIndex::Status::Absent) continue;
        uint32_t& best = rank[place];
        if (best == graphIndex::kNoRank || position < best) best = static_cast<uint32_t>(position);
    }
    return in.error().empty();
}

uint64_t fileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<uint64_t>(size);
}

}  // namespace

Files releaseFiles(const std::string& folder, const std::string& release) {
    const std::string base = folder + "/" + release + "-domain-";
    return {base + "vertices.txt.gz", base + "edges.txt.gz", base + "ranks.txt.gz"};
}

Result countRelease(const Files& files, const std::string& indexPath,
                    const std::function<void(const std::string&)>& progress) {
    return countRelease(files, indexPath, progress, {});
}

Result countRelease(const Files& files, const std::string& indexPath,
                    const std::function<void(const std::string&)>& progress, const ByteProgress& bytes) {
    Result result;
    // The index in place keeps answering until the new one is complete: the
    // new one is written beside it and renamed over it as the last step.
    const std::string namesPath = indexPath + ".names";
    const std::string partPath = indexPath + ".part";
    std::error_code ignored;
    auto cleanUp = [&] {
        std::filesystem::remove(namesPath, ignored);
        std::filesystem::remove(partPath, ignored);
        // Sorted runs a killed count left behind can be large.
        const std::filesystem::path folder = std::filesystem::path(indexPath).parent_path();
        const std::string runs = std::filesystem::path(namesPath + ".run").filename().string();
        std::error_code error;
        for (auto it = std::filesystem::directory_iterator(folder.empty() ? "." : folder, error);
             !error && it != std::filesystem::directory_iterator(); it.increment(error))
            if (it->path().filename().string().rfind(runs, 0) == 0) std::filesystem::remove(it->path(), ignored);
    };
    auto failed = [&](const std::string& error) {
        result.error = error;
        cleanUp();
        return result;
    };
    auto say = [&](const std::string& text) {
        if (progress) progress(text);
    };
    cleanUp();
    // Each file's bytes are counted on from those of the files before it.
    const uint64_t sizes[] = {fileSize(files.vertices), fileSize(files.ranks), fileSize(files.edges)};
    const uint64_t total = sizes[0] + sizes[1] + sizes[2];
    auto observe = [&](GzLines& in, int file) {
        if (!bytes) return;
        const uint64_t before = file == 0 ? 0 : file == 1 ? sizes[0] : sizes[0] + sizes[1];
        in.setReadObserver([&bytes, before, total](uint64_t read) { bytes(std::min(before + read, total), total); });
    };

    say("Reading " + files.vertices);
    uint64_t ids = 0;
    std::vector<uint32_t> counts;
    DupLinks dups;
    std::optional<NameTable> table;
    {
        NameSort sorted(namesPath + ".run", kSortBudget);
        {
            GzLines vertices(files.vertices);
            observe(vertices, 0);
            if (!readVertices(vertices, sorted, ids))
                return failed(!vertices.error().empty() ? vertices.error() : sorted.error());
        }
        // The scratch list: each name once, in order, with the first id that
        // listed it; ids sharing a name are remembered.
        table.emplace(ids);
        graphIndex::Writer names(namesPath, true, graphIndex::Writer::Sync::None);
        const bool merged = sorted.finish([&](std::string_view name, const std::vector<uint32_t>& same) {
            names.add(name, {same.front(), 0});
            table->add(name, result.domains);
            if (same.size() > 1) dups.addShared(same);
            ++result.domains;
            return names.ok();
        });
        table->flush();
        if (!merged) return failed(sorted.error());
        if (!names.finish()) return failed(names.error());
    }
    graphIndex::Reader names;
    if (!names.open(namesPath, graphIndex::Reader::Check::Trusted)) return failed(names.error());
    // The ranks before the edges, in the order a fetch brings them.
    std::vector<uint32_t> rank(result.domains, graphIndex::kNoRank);
    say("Reading " + files.ranks);
    {
        GzLines ranks(files.ranks);
        observe(ranks, 1);
        if (!readRanks(ranks, names, *table, rank)) return failed(ranks.error());
    }
    table.reset();
    // The counters, taken only now that the table is gone; ids sharing a
    // name are marked.
    counts.assign(ids, 0);
    dups.markShared(counts, kShared);
    say("Reading " + files.edges);
    {
        GzLines edges(files.edges);
        observe(edges, 2);
        if (!readEdges(edges, counts, dups, result.edges)) return failed(edges.error());
    }
    dups = {};
    say("Writing " + indexPath);
    graphIndex::Writer index(partPath, true);
    uint64_t position = 0;
    bool sound = true;
    // The names are copied as the scratch list codes them, with their numbers.
    const bool whole = names.forEachEncoded([&](std::string_view name, graphIndex::Counts first) {
        const uint32_t id = first.linkingDomains;
        sound = sound && id < counts.size();
        index.addEncoded(name, {sound ? counts[id] & ~kShared : 0, rank[position]});
        ++position;
    });
    if (!whole || !sound) return failed(namesPath + ": the list of names read back is damaged");
    if (!index.finish()) {
        // The message names the index, not its temporary name.
        std::string error = index.error();
        if (error.rfind(partPath, 0) == 0) error.replace(0, partPath.size(), indexPath);
        return failed(error);
    }
    std::error_code error;
    std::filesystem::rename(partPath, indexPath, error);
    if (error) return failed(indexPath + ": cannot be written (" + error.message() + ")");
    if (bytes) bytes(total, total);
    cleanUp();
    return result;
}

}  // namespace graphCount
