// graph-gen: writes a synthetic web graph release in the published layout:
//   <release>-domain-vertices.txt.gz  id TAB reversed domain [TAB hosts]
//   <release>-domain-edges.txt.gz     from TAB to, sorted numerically
//   <release>-domain-ranks.txt.gz     header, then one line a domain by harmonic position
// Each file is several gzip members one after another. In-degrees follow a
// power law, so a few domains are linked from most others.
//
//   graph-gen DIR RELEASE [--domains N] [--edges M] [--no-hosts] [--members K]
//             [--seed S] [--include NAME]... [--order sorted|dot|shuffled]
//             [--duplicate NAME]...
//
// --order dot lists the names as if each ended in "." (so "com.example-shop"
// comes before "com.example"), as older releases do; shuffled in no order.
// --duplicate lists a name of the release a second time under another id
// (and ranks it twice), as a release once did.
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// A gzip file written as `members` members of roughly equal line counts.
class GzOut {
public:
    GzOut(const std::string& path, uint64_t lines, int members)
        : m_file(std::fopen(path.c_str(), "wb")), m_path(path),
          m_perMember(std::max<uint64_t>(1, (lines + members - 1) / std::max(1, members))) {
        if (!m_file) fail("cannot create");
        m_buf.reserve(1 << 20);
        begin();
    }
    ~GzOut() { close(); }
    void line(const std::string& text) {
        m_buf += text;
        m_buf += '\n';
        if (m_buf.size() >= (1 << 20)) flush(Z_NO_FLUSH);
        if (++m_lines % m_perMember == 0) {
            flush(Z_FINISH);
            deflateEnd(&m_z);
            begin();
        }
    }
    void close() {
        if (!m_file) return;
        flush(Z_FINISH);
        deflateEnd(&m_z);
        if (std::fclose(m_file) != 0) fail("cannot write");
        m_file = nullptr;
    }

private:
    void begin() {
        std::memset(&m_z, 0, sizeof m_z);
        if (deflateInit2(&m_z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) fail("deflate");
    }
    void flush(int mode) {
        unsigned char out[1 << 16];
        m_z.next_in = reinterpret_cast<unsigned char*>(m_buf.data());
        m_z.avail_in = static_cast<unsigned>(m_buf.size());
        int rc;
        do {
            m_z.next_out = out;
            m_z.avail_out = sizeof out;
            rc = deflate(&m_z, mode);
            const size_t n = sizeof out - m_z.avail_out;
            if (n && std::fwrite(out, 1, n, m_file) != n) fail("cannot write");
        } while (m_z.avail_out == 0 || (mode == Z_FINISH && rc != Z_STREAM_END));
        m_buf.clear();
    }
    [[noreturn]] void fail(const char* what) {
        std::fprintf(stderr, "graph-gen: %s %s\n", what, m_path.c_str());
        std::exit(1);
    }
    FILE* m_file;
    std::string m_path;
    uint64_t m_perMember;
    uint64_t m_lines = 0;
    std::string m_buf;
    z_stream m_z{};
};

const char* const kSuffixes[] = {"com", "com", "com", "com", "org", "net", "de", "uk.co", "jp.co",
                                 "fr", "nl", "ru", "br.com", "io", "au.com", "it", "pl", "info"};

std::vector<std::string> makeNames(uint64_t count, std::mt19937_64& rng,
                                   const std::vector<std::string>& include) {
    std::unordered_set<std::string> seen(include.begin(), include.end());
    std::uniform_int_distribution<int> letter(0, 25), length(3, 12);
    std::uniform_int_distribution<size_t> suffix(0, std::size(kSuffixes) - 1);
    while (seen.size() < count) {
        std::string name = kSuffixes[suffix(rng)];
        name += '.';
        for (int n = length(rng); n > 0; --n) name += static_cast<char>('a' + letter(rng));
        if (rng() % 7 == 0) name += '-' + std::to_string(rng() % 1000);
        seen.insert(std::move(name));
    }
    std::vector<std::string> names(seen.begin(), seen.end());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: graph-gen DIR RELEASE [--domains N] [--edges M] [--no-hosts] "
                             "[--members K] [--seed S] [--include NAME]...\n");
        return 2;
    }
    const std::string dir = argv[1], release = argv[2];
    uint64_t domains = 1000, edges = 10000, seed = 1;
    int members = 3;
    bool hosts = true;
    std::vector<std::string> include, duplicate;
    std::string order = "sorted";
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--domains") domains = std::stoull(next());
        else if (a == "--edges") edges = std::stoull(next());
        else if (a == "--members") members = std::stoi(next());
        else if (a == "--seed") seed = std::stoull(next());
        else if (a == "--no-hosts") hosts = false;
        else if (a == "--include") include.push_back(next());
        else if (a == "--duplicate") duplicate.push_back(next());
        else if (a == "--order") order = next();
        else { std::fprintf(stderr, "graph-gen: unknown option %s\n", a.c_str()); return 2; }
    }
    if (order != "sorted" && order != "dot" && order != "shuffled") {
        std::fprintf(stderr, "graph-gen: --order is sorted, dot or shuffled\n");
        return 2;
    }
    include.insert(include.end(), duplicate.begin(), duplicate.end());
    domains = std::max<uint64_t>(domains, include.size() + 2);
    std::mt19937_64 rng(seed);
    const std::string base = dir + "/" + release + "-domain-";
    std::vector<std::string> names = makeNames(domains, rng, include);
    names.insert(names.end(), duplicate.begin(), duplicate.end());
    domains = names.size();
    if (order == "shuffled") {
        std::shuffle(names.begin(), names.end(), rng);
    } else {
        // As if each name ended in ".": a name that another begins with goes
        // after it when the other continues with a byte below ".".
        const bool dot = order == "dot";
        std::stable_sort(names.begin(), names.end(), [dot](const std::string& a, const std::string& b) {
            if (!dot) return a < b;
            const size_t n = std::min(a.size(), b.size());
            if (const int c = a.compare(0, n, b, 0, n); c != 0) return c < 0;
            if (a.size() == b.size()) return false;
            return a.size() < b.size() ? b[n] >= '.' : a[n] < '.';
        });
    }
    std::vector<uint32_t> hostCount(domains);
    {
        GzOut out(base + "vertices.txt.gz", domains, members);
        std::geometric_distribution<uint32_t> extraHosts(0.5);
        for (uint64_t id = 0; id < domains; ++id) {
            hostCount[id] = 1 + extraHosts(rng);
            std::string line = std::to_string(id) + '\t' + names[id];
            if (hosts) line += '\t' + std::to_string(hostCount[id]);
            out.line(line);
        }
    }
    // Targets: a Zipf-like draw over popularity places, mapped onto ids by a
    // fixed permutation so popular domains are spread over the alphabet.
    uint64_t step = 2654435761ULL % domains;
    while (std::gcd(step, domains) != 1) ++step;
    const uint64_t offset = rng() % domains;
    auto place = [&](uint64_t p) { return static_cast<uint32_t>((p * step + offset) % domains); };
    std::vector<uint32_t> indegree(domains, 0);
    {
        GzOut out(base + "edges.txt.gz", edges, members);
        const double mean = static_cast<double>(edges) / static_cast<double>(domains);
        std::exponential_distribution<double> outDegree(1.0 / std::max(mean, 1e-9));
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        std::vector<uint32_t> targets;
        uint64_t written = 0;
        std::string line;
        for (uint64_t from = 0; from < domains && written < edges; ++from) {
            const uint64_t k = std::min<uint64_t>(static_cast<uint64_t>(outDegree(rng)), domains - 1);
            targets.clear();
            for (uint64_t j = 0; j < k; ++j) {
                const double u = unit(rng);
                targets.push_back(place(static_cast<uint64_t>(std::pow(u, 3.0) * static_cast<double>(domains))
                                        % domains));
            }
            std::sort(targets.begin(), targets.end());
            targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
            for (uint32_t to : targets) {
                if (to == from || written >= edges) continue;
                line = std::to_string(from) + '\t' + std::to_string(to);
                out.line(line);
                ++indegree[to];
                ++written;
            }
        }
        std::fprintf(stderr, "graph-gen: %llu domains, %llu edges\n",
                     static_cast<unsigned long long>(domains), static_cast<unsigned long long>(written));
    }
    {
        std::vector<uint32_t> order(domains);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](uint32_t a, uint32_t b) { return indegree[a] > indegree[b]; });
        GzOut out(base + "ranks.txt.gz", domains + 1, members);
        out.line("#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts");
        char buf[64];
        for (uint64_t pos = 0; pos < domains; ++pos) {
            const uint32_t id = order[pos];
            std::string line = std::to_string(pos + 1) + '\t';
            std::snprintf(buf, sizeof buf, "%.7g", 1e6 / static_cast<double>(pos + 2));
            line += buf;
            line += '\t' + std::to_string(pos + 1) + '\t';
            std::snprintf(buf, sizeof buf, "%.10e", 1.0 / static_cast<double>(pos + 2) / 1e3);
            line += buf;
            line += '\t' + names[id] + '\t' + std::to_string(hostCount[id]);
            out.line(line);
        }
    }
    return 0;
}
