// The three line formats of a web graph release through the counter: the
// input is the vertices, the edges and the ranks, separated by NUL bytes,
// each written as a gzip file and counted. Whatever the lines, no crash; a
// count that succeeds leaves an index that opens, is whole and holds every
// name it counted.
#include "graph/graph_index.h"
#include "graph/release_counter.h"

#include <zlib.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

const std::string& folder() {
    static const std::string path = [] {
        // Memory-backed where there is such a folder: each run writes and syncs five files.
        std::string pattern = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        pattern += "/fuzz-graph-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    return path;
}

void writeGzip(const std::string& path, std::string_view text) {
    gzFile file = gzopen(path.c_str(), "wb1");
    if (!file) std::abort();
    if (!text.empty()) gzwrite(file, text.data(), static_cast<unsigned>(text.size()));
    gzclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size), parts[3];
    for (int i = 0; i < 3; ++i) {
        const size_t nul = i < 2 ? rest.find('\0') : std::string_view::npos;
        parts[i] = rest.substr(0, nul);
        rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
    }
    const graphCount::Files files = graphCount::releaseFiles(folder(), "cc-main-fuzz");
    writeGzip(files.vertices, parts[0]);
    writeGzip(files.edges, parts[1]);
    writeGzip(files.ranks, parts[2]);
    const std::string index = folder() + "/domain.index";
    ::unlink(index.c_str());
    const graphCount::Result result = graphCount::countRelease(files, index);
    if (!result.error.empty()) return 0;
    graphIndex::Reader reader;
    if (!reader.open(index) || reader.domainCount() != result.domains) {
        std::fprintf(stderr, "a counted index does not open whole: %s\n", reader.error().c_str());
        std::abort();
    }
    uint64_t seen = 0, links = 0;
    const bool whole = reader.forEach([&](std::string_view name, graphIndex::Counts counts) {
        ++seen;
        links += counts.linkingDomains;
        if (!reader.find(name)) {
            std::fprintf(stderr, "a counted name is not found\n");
            std::abort();
        }
    });
    if (!whole || seen != result.domains || links != result.edges) {
        std::fprintf(stderr, "a counted index disagrees with its count\n");
        std::abort();
    }
    return 0;
}
