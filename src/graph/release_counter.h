#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Counting a release: one streaming pass over each of its three files builds
// the index. The vertices may come in any order and may list a name under
// several ids (the ids are their line numbers); the count of a name is the
// number of other names with a link from any of their ids to any of its ids.
// The files are read in the order a fetch brings them: vertices, ranks, edges.
// Memory: a bounded buffer for sorting the names, the block offsets, and at
// most nine bytes a domain: a table of five bytes a domain finds the names the
// ranks give (from the sorted names to the end of the ranks), beside the
// 4-byte rank of each (to the end), then a 4-byte counter of each (from the
// edges on). The sorted names wait in a scratch file beside the index, read by
// memory mapping.
namespace graphCount {

struct Files {
    std::string vertices;
    std::string edges;
    std::string ranks;
};
// The three domain files of a release in a folder, named as published.
Files releaseFiles(const std::string& folder, const std::string& release);

struct Result {
    std::string error;  // empty on success; else names the file and the line or byte
    uint64_t domains = 0;  // distinct names
    uint64_t edges = 0;    // distinct links between two different names
};

// Writes the index to indexPath whole or not at all: it is built under a
// temporary name and renamed into place only when complete, so an index
// already there answers as before until then, and after any failure.
Result countRelease(const Files& files, const std::string& indexPath,
                    const std::function<void(const std::string&)>& progress = {});

// Told, as the three files are read, the compressed bytes read of all three
// so far and their sizes together; done never goes down and ends at total.
using ByteProgress = std::function<void(uint64_t done, uint64_t total)>;
Result countRelease(const Files& files, const std::string& indexPath,
                    const std::function<void(const std::string&)>& progress, const ByteProgress& bytes);

}  // namespace graphCount
