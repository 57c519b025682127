#pragma once

#include "graph/graph_index.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Where each name of the counter's sorted scratch list stands, found by
// hashing. The ranks name every domain once, in rank order: a binary search
// of the front-coded list for each of them cost several times the rest of
// the count. A slot holds a place in the list plus, in the bits the places
// leave free, a few bits of the name's hash, so that most slots of other
// names are passed over without reading the list; a name is only ever taken
// as found once the list, read back, holds that name there.
//
// Memory: four bytes a slot, five slots for every four names.
class NameTable {
public:
    // For a list of `names` names, added in any order.
    explicit NameTable(uint64_t names);
    // Adds go in after a short delay, so that the slot of each is fetched from
    // memory while the next ones are hashed: call flush() before find().
    void add(std::string_view name, uint64_t position);
    void flush();
    // The place of name in `list`; Absent when it is not there, Damaged when
    // the list could not be read back. `buffer` is reused between calls.
    graphIndex::Status find(std::string_view name, const graphIndex::Reader& list, std::string& buffer,
                            uint64_t& position) const;
    size_t bytes() const { return m_slots.size() * sizeof(uint32_t); }

private:
    uint64_t slotOf(uint64_t hash) const;
    // The bits of the hash a slot keeps beside the place.
    uint32_t tagOf(uint64_t hash) const;
    void place(uint64_t slot, uint32_t value);

    static constexpr size_t kDelay = 16;
    struct Pending {
        uint64_t slot;
        uint32_t value;
    };
    Pending m_pending[kDelay];
    size_t m_pendingCount = 0;

    // 0 is empty; else the hash's bits above m_placeMask, and place + 1 below.
    std::vector<uint32_t> m_slots;
    uint32_t m_placeMask = UINT32_MAX;
};
