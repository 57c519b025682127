#include "graph/name_table.h"

#include <algorithm>
#include <bit>
#include <functional>

namespace {
__extension__ using Wide = unsigned __int128;

uint64_t hashOf(std::string_view name) {
    // The standard hash, then mixed, so that slot and tag come from
    // independent bits.
    uint64_t h = std::hash<std::string_view>{}(name);
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}
}  // namespace

NameTable::NameTable(uint64_t names) {
    m_slots.assign(names + names / 4 + 1, 0);
    const auto placeBits = static_cast<unsigned>(std::bit_width(names));  // places + 1 run up to `names`
    m_placeMask = placeBits >= 32 ? UINT32_MAX : (uint32_t{1} << placeBits) - 1;
}

uint64_t NameTable::slotOf(uint64_t hash) const {
    return static_cast<uint64_t>((static_cast<Wide>(hash) * m_slots.size()) >> 64);
}

uint32_t NameTable::tagOf(uint64_t hash) const { return static_cast<uint32_t>(hash) & ~m_placeMask; }

void NameTable::place(uint64_t slot, uint32_t value) {
    while (m_slots[slot] != 0)
        if (++slot == m_slots.size()) slot = 0;
    m_slots[slot] = value;
}

void NameTable::add(std::string_view name, uint64_t position) {
    const uint64_t hash = hashOf(name);
    const uint64_t slot = slotOf(hash);
    __builtin_prefetch(m_slots.data() + slot, 1);
    Pending& due = m_pending[m_pendingCount++ % kDelay];
    if (m_pendingCount > kDelay) place(due.slot, due.value);
    due = {slot, tagOf(hash) | static_cast<uint32_t>(position + 1)};
}

void NameTable::flush() {
    const size_t waiting = std::min(m_pendingCount, kDelay);
    for (size_t i = m_pendingCount - waiting; i < m_pendingCount; ++i) {
        const Pending& due = m_pending[i % kDelay];
        place(due.slot, due.value);
    }
    m_pendingCount = 0;
}

graphIndex::Status NameTable::find(std::string_view name, const graphIndex::Reader& list, std::string& buffer,
                                   uint64_t& position) const {
    const uint64_t hash = hashOf(name);
    const uint32_t tag = tagOf(hash);
    uint64_t slot = slotOf(hash);
    // More slots than names: a run of full slots always ends.
    for (uint32_t value; (value = m_slots[slot]) != 0;) {
        if ((value & ~m_placeMask) == tag) {
            const uint64_t place = (value & m_placeMask) - 1;
            if (!list.nameAt(place, buffer)) return graphIndex::Status::Damaged;
            if (buffer == name) {
                position = place;
                return graphIndex::Status::Present;
            }
        }
        if (++slot == m_slots.size()) slot = 0;
    }
    return graphIndex::Status::Absent;
}
