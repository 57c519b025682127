#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Sorts the vertex names of a release, in whatever order they come, with
// bounded memory: names are held up to a budget, then written out as a sorted
// run beside the index and merged at the end. Input already in order (the
// common case) stays one run and is never merged.
class NameSort final {
public:
    // Runs are written to runPrefix + "1", "2", ...; all are removed when done.
    NameSort(std::string runPrefix, size_t budgetBytes);
    ~NameSort();
    NameSort(const NameSort&) = delete;
    NameSort& operator=(const NameSort&) = delete;

    // A name (1 to 253 bytes) and its vertex id; false when a run could not be written.
    bool add(std::string_view name, uint32_t id);
    // Every distinct name once, in byte order, with the ids that listed it
    // (smallest first). False (and error() says why) when a run failed; stops
    // early when visit returns false.
    using Visit = std::function<bool(std::string_view name, const std::vector<uint32_t>& ids)>;
    bool finish(const Visit& visit);
    const std::string& error() const { return m_error; }
    size_t runCount() const { return m_runs.size(); }

private:
    struct Entry {
        uint32_t offset;
        uint32_t id;
        uint8_t length;
    };
    std::string_view nameOf(const Entry& e) const { return {m_arena.data() + e.offset, e.length}; }
    bool spill();
    bool mergeRuns(const Visit& visit);
    bool fail(const std::string& what);

    std::string m_prefix;
    size_t m_budget;
    std::string m_arena;
    std::vector<Entry> m_entries;
    bool m_inOrder = true;          // the held names came in order
    std::vector<std::string> m_runs;
    FILE* m_run = nullptr;          // the last run, still open for appending
    std::string m_runLast;          // its last name
    std::string m_error;
};
