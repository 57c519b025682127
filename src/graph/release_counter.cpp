#include "graph/release_counter.h"

#include "graph/graph_index.h"
#include "graph/gz_lines.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <filesystem>
#include <string_view>
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

// Pass 1: the names, checked for order and ids, into the scratch list.
bool readVertices(GzLines& in, graphIndex::Writer& names, uint64_t& count) {
    std::string_view line, fields[kMaxFields];
    std::string previous;
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
        if (count > 0 && !(fields[1] > std::string_view(previous))) {
            in.failLine("the vertices are not sorted by name: " + shownText(fields[1]) + " after " + shownText(previous));
            break;
        }
        if (count == UINT32_MAX) {
            in.failLine("more domains than an index holds");
            break;
        }
        names.add(fields[1]);
        previous.assign(fields[1]);
        ++count;
    }
    return in.error().empty() && names.ok();
}

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

// Pass 2: in-degrees. The edges are sorted, so a repeated link is the one
// before it. Lines are parsed in place, in runs, the common form on a fast path.
bool readEdges(GzLines& in, std::vector<uint32_t>& indegree, uint64_t& distinct) {
    const uint64_t domains = indegree.size();
    // One extra counter takes the adds of the ring's empty slots.
    indegree.push_back(0);
    uint32_t* const counts = indegree.data();
    constexpr uint32_t kPending = 32;
    uint32_t pending[kPending];
    std::fill(std::begin(pending), std::end(pending), static_cast<uint32_t>(domains));
    uint64_t lastFrom = UINT64_MAX, lastTo = UINT64_MAX;
    uint64_t lineNumber = 0;
    std::string_view chunk;
    while (in.nextLines(chunk)) {
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
            if (from < lastFrom && lastFrom != UINT64_MAX) {
                in.setLineNumber(lineNumber);
                in.failLine("the edges are not sorted by number");
                return false;
            }
            if (from == lastFrom && to <= lastTo) {
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
            ++distinct;
            // The counters are hit at random: each is fetched ahead and added
            // to some lines later, so the wait for memory overlaps the parsing.
            __builtin_prefetch(counts + to, 1);
            uint32_t& slot = pending[distinct % kPending];
            ++counts[slot];
            slot = static_cast<uint32_t>(to);
        }
    }
    for (uint32_t target : pending) ++counts[target];
    indegree.pop_back();
    return in.error().empty();
}

// Pass 3: harmonic positions, joined to the domains by name.
bool readRanks(GzLines& in, const graphIndex::Reader& names, std::vector<uint32_t>& rank) {
    std::string_view line, fields[kMaxFields];
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
        if (!parseNumber(fields[0], position) || position > UINT32_MAX) {
            in.failLine("not a harmonic position: " + shownText(fields[0]));
            return false;
        }
        if (const auto id = names.find(fields[4])) rank[*id] = static_cast<uint32_t>(position);
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
    const std::string namesPath = indexPath + ".names";
    const std::string partPath = indexPath + ".part";
    std::error_code ignored;
    std::filesystem::remove(indexPath, ignored);  // an index of other files is no index of these
    auto cleanUp = [&] {
        std::filesystem::remove(namesPath, ignored);
        std::filesystem::remove(partPath, ignored);
    };
    auto say = [&](const std::string& text) {
        if (progress) progress(text);
    };
    cleanUp();
    // Each file's bytes are counted on from those of the files before it.
    const uint64_t sizes[] = {fileSize(files.vertices), fileSize(files.edges), fileSize(files.ranks)};
    const uint64_t total = sizes[0] + sizes[1] + sizes[2];
    auto observe = [&](GzLines& in, int file) {
        if (!bytes) return;
        const uint64_t before = file == 0 ? 0 : file == 1 ? sizes[0] : sizes[0] + sizes[1];
        in.setReadObserver([&bytes, before, total](uint64_t read) { bytes(std::min(before + read, total), total); });
    };

    say("Reading " + files.vertices);
    {
        GzLines vertices(files.vertices);
        observe(vertices, 0);
        graphIndex::Writer names(namesPath, false);
        uint64_t count = 0;
        if (!readVertices(vertices, names, count) || !names.finish()) {
            result.error = !vertices.error().empty() ? vertices.error() : names.error();
            cleanUp();
            return result;
        }
        result.domains = count;
    }
    graphIndex::Reader names;
    if (!names.open(namesPath)) {
        result.error = names.error();
        cleanUp();
        return result;
    }
    std::vector<uint32_t> indegree(result.domains, 0);
    say("Reading " + files.edges);
    {
        GzLines edges(files.edges);
        observe(edges, 1);
        if (!readEdges(edges, indegree, result.edges)) {
            result.error = edges.error();
            cleanUp();
            return result;
        }
    }
    std::vector<uint32_t> rank(result.domains, graphIndex::kNoRank);
    say("Reading " + files.ranks);
    {
        GzLines ranks(files.ranks);
        observe(ranks, 2);
        if (!readRanks(ranks, names, rank)) {
            result.error = ranks.error();
            cleanUp();
            return result;
        }
    }
    say("Writing " + indexPath);
    graphIndex::Writer index(partPath, true);
    uint64_t id = 0;
    names.forEach([&](std::string_view name, graphIndex::Counts) {
        index.add(name, {indegree[id], rank[id]});
        ++id;
    });
    if (!index.finish()) {
        // The message names the index, not its temporary name.
        result.error = index.error();
        if (const size_t at = result.error.find(partPath); at == 0)
            result.error.replace(0, partPath.size(), indexPath);
        cleanUp();
        return result;
    }
    std::error_code error;
    std::filesystem::rename(partPath, indexPath, error);
    if (error) result.error = indexPath + ": cannot be written (" + error.message() + ")";
    else if (bytes) bytes(total, total);
    cleanUp();
    return result;
}

}  // namespace graphCount
