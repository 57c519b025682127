// The web graph's index reader on arbitrary bytes: opened with and without
// the block checksums, looked up, read by place and walked through. Whatever the bytes, no
// crash; and an index whose every block passed its checksum answers every
// name it lists.
#include "graph/graph_index.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const auto check : {graphIndex::Reader::Check::Verify, graphIndex::Reader::Check::Trusted}) {
        graphIndex::Reader reader;
        if (!reader.openBytes(data, size, check)) continue;
        std::vector<std::pair<std::string, graphIndex::Counts>> entries;
        const bool whole = reader.forEach([&](std::string_view name, graphIndex::Counts counts) {
            if (entries.size() < 4096) entries.emplace_back(std::string(name), counts);
        });
        for (const char* probe : {"", "com.example", "zzzz", "\xff"}) reader.find(probe);
        // The walk by coded names agrees with the walk by names.
        size_t coded = 0;
        const bool wholeCoded = reader.forEachEncoded([&](std::string_view, graphIndex::Counts) { ++coded; });
        if (wholeCoded != whole || (whole && entries.size() < 4096 && coded != entries.size())) {
            std::fprintf(stderr, "the two walks disagree\n");
            std::abort();
        }
        // The name at each place is the one the walk gave there.
        std::string name;
        for (uint64_t place : {uint64_t{0}, reader.domainCount(), reader.domainCount() - 1, uint64_t{1} << 40}) reader.nameAt(place, name);
        for (size_t i = 0; i < entries.size() && i < 256; ++i) {
            const bool read = reader.nameAt(i, name);
            if (whole && check == graphIndex::Reader::Check::Verify && (!read || name != entries[i].first)) {
                std::fprintf(stderr, "a checked index gives another name at %zu\n", i);
                std::abort();
            }
        }
        for (const auto& [name, counts] : entries) {
            const graphIndex::Found found = reader.find(name);
            if (whole && check == graphIndex::Reader::Check::Verify && entries.size() < 4096 &&
                (!found || found.counts.linkingDomains != counts.linkingDomains)) {
                // Sound blocks in name order must answer for each of their names.
                bool ordered = true;
                for (size_t i = 1; i < entries.size(); ++i) ordered = ordered && entries[i - 1].first < entries[i].first;
                if (ordered) {
                    std::fprintf(stderr, "a checked index does not answer for %s\n", name.c_str());
                    std::abort();
                }
            }
        }
    }
    return 0;
}
