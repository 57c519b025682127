#include "graph/name_sort.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <queue>

namespace {

// A run on disk: records of one length byte, the name and a 4-byte id.
class RunReader {
public:
    explicit RunReader(const std::string& path) : m_file(std::fopen(path.c_str(), "rbe")) {
        if (m_file) {
            m_buffer.resize(1 << 20);
            std::setvbuf(m_file, m_buffer.data(), _IOFBF, m_buffer.size());
        }
    }
    ~RunReader() {
        if (m_file) std::fclose(m_file);
    }
    RunReader(const RunReader&) = delete;
    RunReader& operator=(const RunReader&) = delete;
    bool opened() const { return m_file != nullptr; }
    // False at the end; bad() when the run was not as written.
    bool next() {
        const int length = std::getc(m_file);
        if (length == EOF) return false;
        name.resize(static_cast<size_t>(length));
        if (length == 0 || std::fread(name.data(), 1, name.size(), m_file) != name.size() ||
            std::fread(&id, sizeof id, 1, m_file) != 1) {
            m_bad = true;
            return false;
        }
        return true;
    }
    bool bad() const { return m_bad || (m_file && std::ferror(m_file)); }

    std::string name;
    uint32_t id = 0;

private:
    FILE* m_file;
    std::vector<char> m_buffer;
    bool m_bad = false;
};

}  // namespace

NameSort::NameSort(std::string runPrefix, size_t budgetBytes) : m_prefix(std::move(runPrefix)), m_budget(budgetBytes) {}

NameSort::~NameSort() {
    if (m_run) std::fclose(m_run);
    for (const std::string& run : m_runs) std::remove(run.c_str());
}

bool NameSort::fail(const std::string& what) {
    if (m_error.empty()) m_error = what;
    return false;
}

bool NameSort::add(std::string_view name, uint32_t id) {
    if (!m_entries.empty() && name < nameOf(m_entries.back())) m_inOrder = false;
    if (m_arena.size() + name.size() > UINT32_MAX) return fail(m_prefix + ": too many names at once");
    m_entries.push_back({static_cast<uint32_t>(m_arena.size()), id, static_cast<uint8_t>(name.size())});
    m_arena.append(name);
    if (m_arena.size() + m_entries.size() * sizeof(Entry) >= m_budget) return spill();
    return true;
}

// Writes the held names as a sorted run; names in order that follow the last
// run's end extend that run instead.
bool NameSort::spill() {
    if (m_entries.empty()) return true;
    if (!m_inOrder)
        std::sort(m_entries.begin(), m_entries.end(), [this](const Entry& a, const Entry& b) {
            const int order = nameOf(a).compare(nameOf(b));
            return order < 0 || (order == 0 && a.id < b.id);
        });
    if (!m_run || nameOf(m_entries.front()) < std::string_view(m_runLast)) {
        if (m_run && std::fclose(m_run) != 0) {
            m_run = nullptr;
            return fail(m_runs.back() + ": cannot be written (" + std::strerror(errno) + ")");
        }
        m_runs.push_back(m_prefix + std::to_string(m_runs.size() + 1));
        m_run = std::fopen(m_runs.back().c_str(), "wbe");
        if (!m_run) return fail(m_runs.back() + ": cannot be created (" + std::strerror(errno) + ")");
    }
    for (const Entry& e : m_entries) {
        std::fputc(e.length, m_run);
        std::fwrite(m_arena.data() + e.offset, 1, e.length, m_run);
        std::fwrite(&e.id, sizeof e.id, 1, m_run);
    }
    if (std::ferror(m_run)) return fail(m_runs.back() + ": cannot be written (" + std::strerror(errno) + ")");
    m_runLast.assign(nameOf(m_entries.back()));
    m_entries.clear();
    m_arena.clear();
    m_inOrder = true;
    return true;
}

bool NameSort::finish(const Visit& visit) {
    std::vector<uint32_t> ids;
    std::string current;
    bool open = false, stopped = false;
    // Equal names arrive one after another, their ids ascending.
    auto take = [&](std::string_view name, uint32_t id) {
        if (open && name == current) {
            ids.push_back(id);
            return true;
        }
        if (open && !visit(current, ids)) {
            stopped = true;
            return false;
        }
        current.assign(name);
        ids.assign(1, id);
        open = true;
        return true;
    };
    if (m_runs.empty()) {
        // Everything fitted: no file at all.
        if (!m_inOrder)
            std::sort(m_entries.begin(), m_entries.end(), [this](const Entry& a, const Entry& b) {
                const int order = nameOf(a).compare(nameOf(b));
                return order < 0 || (order == 0 && a.id < b.id);
            });
        for (const Entry& e : m_entries)
            if (!take(nameOf(e), e.id)) return true;
    } else {
        if (!spill()) return false;
        if (std::fclose(m_run) != 0) {
            m_run = nullptr;
            return fail(m_runs.back() + ": cannot be written (" + std::strerror(errno) + ")");
        }
        m_run = nullptr;
        std::vector<Entry>().swap(m_entries);
        std::string().swap(m_arena);
        if (!mergeRuns([&](std::string_view name, const std::vector<uint32_t>& one) { return take(name, one[0]); }))
            return false;
    }
    if (open && !stopped) visit(current, ids);
    return true;
}

bool NameSort::mergeRuns(const Visit& visit) {
    std::vector<std::unique_ptr<RunReader>> readers;
    for (const std::string& run : m_runs) {
        readers.push_back(std::make_unique<RunReader>(run));
        if (!readers.back()->opened()) return fail(run + ": cannot be read (" + std::strerror(errno) + ")");
    }
    const auto later = [&](size_t a, size_t b) {
        const int order = readers[a]->name.compare(readers[b]->name);
        return order > 0 || (order == 0 && readers[a]->id > readers[b]->id);
    };
    std::priority_queue<size_t, std::vector<size_t>, decltype(later)> heap(later);
    for (size_t i = 0; i < readers.size(); ++i) {
        if (readers[i]->next()) heap.push(i);
        else if (readers[i]->bad()) return fail(m_runs[i] + ": cannot be read back");
    }
    std::vector<uint32_t> one(1);
    while (!heap.empty()) {
        const size_t i = heap.top();
        heap.pop();
        one[0] = readers[i]->id;
        if (!visit(readers[i]->name, one)) return true;
        if (readers[i]->next()) heap.push(i);
        else if (readers[i]->bad()) return fail(m_runs[i] + ": cannot be read back");
    }
    return true;
}
