// graph-sim: a stand-in for the web graph's servers on 127.0.0.1, for the
// tests, the benchmarks and the demo. Serves the files under ROOT at their
// paths (ROOT/graphinfo.json, ROOT/projects/hyperlinkgraph/R/domain/...), with
// range requests ("bytes=N-" and "bytes=N-M") and If-Range.
//
//   graph-sim --root DIR [--port N] [--fail-404 TEXT] [--drop-after BYTES] [--rate BYTES]
//             [--paced TEXT] [--validators etag|date|none] [--ignore-range] [--endless TEXT]
//
// --fail-404: any path containing TEXT answers 404. --drop-after: the first
// request of each file closes the connection after that many body bytes.
// --rate: bodies are sent at that many bytes a second (a slow mirror);
// with --paced, only those of paths containing TEXT.
// --validators: what a file's answers carry to tell its versions apart: an
// ETag and a Last-Modified (etag, the default), a Last-Modified only (date),
// or neither. Both come from the file's size and time, so a file rewritten
// between two requests is another version.
// Servers that lie: --ignore-range answers a range request with the whole
// file (200); --endless: a GET of a path containing TEXT sends the file and
// then zeros without end, with no length announced (a HEAD still tells the
// file's size).
// Prints the bound port alone on the first line of standard output; ends with
// the process that started it.
#include <httplib.h>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options {
    std::string root, fail404, endless, paced, validators = "etag";
    int port = 0;
    long long dropAfter = -1;
    long long rate = 0;
    bool ignoreRange = false;
};

struct OpenFile {
    int fd = -1;
    long long size = 0;
    std::string etag, lastModified;
    ~OpenFile() {
        if (fd >= 0) ::close(fd);
    }
};

std::string httpDate(time_t t) {
    char text[64];
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &tm);
    return text;
}

std::shared_ptr<OpenFile> openFile(const std::string& path) {
    auto file = std::make_shared<OpenFile>();
    file->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (file->fd < 0 || ::fstat(file->fd, &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
    file->size = st.st_size;
    file->etag = "\"" + std::to_string(st.st_size) + "-" + std::to_string(st.st_mtim.tv_sec) + "." +
                 std::to_string(st.st_mtim.tv_nsec) + "\"";
    file->lastModified = httpDate(st.st_mtim.tv_sec);
    return file;
}

// Sends at the given rate from the first byte of an answer on.
class Pace {
public:
    explicit Pace(long long rate) : m_rate(rate) {}
    size_t chunk(size_t wanted) const {
        return m_rate > 0 ? std::min<size_t>(wanted, static_cast<size_t>(std::max<long long>(1, m_rate / 20))) : wanted;
    }
    void before(size_t sent) {
        if (m_rate <= 0) return;
        const auto now = std::chrono::steady_clock::now();
        if (!m_started) {
            m_started = true;
            m_start = now;
        }
        const auto due = m_start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       std::chrono::duration<double>(static_cast<double>(sent) / m_rate));
        if (due > now) std::this_thread::sleep_until(due);
    }

private:
    long long m_rate;
    bool m_started = false;
    std::chrono::steady_clock::time_point m_start;
};

bool sendFrom(const OpenFile& file, size_t offset, size_t size, httplib::DataSink& sink) {
    std::vector<char> buffer(size);
    const ssize_t n = ::pread(file.fd, buffer.data(), size, static_cast<off_t>(offset));
    if (n <= 0) return false;
    return sink.write(buffer.data(), static_cast<size_t>(n));
}

}  // namespace

int main(int argc, char** argv) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    std::signal(SIGPIPE, SIG_IGN);
    Options o;
    bool usage = false;
    for (int i = 1; i < argc && !usage; ++i) {
        const std::string a = argv[i];
        if (a == "--ignore-range") {
            o.ignoreRange = true;
            continue;
        }
        if (i + 1 >= argc) {
            usage = true;
            break;
        }
        const std::string v = argv[++i];
        if (a == "--root") o.root = v;
        else if (a == "--port") o.port = std::stoi(v);
        else if (a == "--fail-404") o.fail404 = v;
        else if (a == "--drop-after") o.dropAfter = std::stoll(v);
        else if (a == "--rate") o.rate = std::stoll(v);
        else if (a == "--validators" && (v == "etag" || v == "date" || v == "none")) o.validators = v;
        else if (a == "--endless") o.endless = v;
        else if (a == "--paced") o.paced = v;
        else usage = true;
    }
    if (o.root.empty() || usage) {
        std::fprintf(stderr,
                     "usage: graph-sim --root DIR [--port N] [--fail-404 TEXT] [--drop-after BYTES] [--rate BYTES]\n"
                     "                 [--paced TEXT] [--validators etag|date|none] [--ignore-range] [--endless TEXT]\n");
        return 2;
    }
    httplib::Server server;
    std::mutex mutex;
    std::set<std::string> dropped;
    auto serve = [&](const httplib::Request& req, httplib::Response& res) {
        if (req.path.find("..") != std::string::npos) { res.status = 400; return; }
        if (!o.fail404.empty() && req.path.find(o.fail404) != std::string::npos) { res.status = 404; return; }
        const std::shared_ptr<OpenFile> file = openFile(o.root + req.path);
        if (!file) { res.status = 404; return; }
        if (o.validators == "etag") res.set_header("ETag", file->etag);
        if (o.validators != "none") res.set_header("Last-Modified", file->lastModified);
        const long long total = file->size;
        const long long rate = o.paced.empty() || req.path.find(o.paced) != std::string::npos ? o.rate : 0;
        // A range the server will not honour is dropped here: the library
        // would cut the body to it otherwise.
        const std::string ifRange = req.get_header_value("If-Range");
        const bool sameVersion = ifRange.empty() || (o.validators == "etag" && ifRange == file->etag) ||
                                 (o.validators != "none" && ifRange == file->lastModified);
        if (o.ignoreRange || !sameVersion) const_cast<httplib::Request&>(req).ranges.clear();
        // The range itself is cut by the library; only its start is needed here.
        long long first = 0;
        if (!req.ranges.empty()) {
            first = req.ranges.front().first;
            if (first >= total) {
                res.status = 416;
                res.set_header("Content-Range", "bytes */" + std::to_string(total));
                return;
            }
        }
        if (!o.endless.empty() && req.method == "GET" && req.path.find(o.endless) != std::string::npos) {
            auto pace = std::make_shared<Pace>(rate);
            res.set_chunked_content_provider(
                "application/octet-stream", [file, pace, first](size_t offset, httplib::DataSink& sink) {
                    const size_t at = static_cast<size_t>(first) + offset;
                    const size_t size = pace->chunk(1 << 16);
                    pace->before(offset);
                    if (at < static_cast<size_t>(file->size))
                        return sendFrom(*file, at, std::min<size_t>(size, file->size - at), sink);
                    const std::vector<char> zeros(size, '\0');
                    return sink.write(zeros.data(), zeros.size());
                });
            return;
        }
        long long limit = total;
        if (o.dropAfter >= 0 && req.method == "GET") {
            std::lock_guard<std::mutex> lock(mutex);
            if (dropped.insert(req.path).second) limit = std::min(total, first + o.dropAfter);
        }
        auto pace = std::make_shared<Pace>(rate);
        res.set_content_provider(
            static_cast<size_t>(total), "application/octet-stream",
            [file, pace, limit, first](size_t offset, size_t size, httplib::DataSink& sink) {
                if (static_cast<long long>(offset) >= limit) return false;  // drop the connection
                size = std::min<size_t>(size, static_cast<size_t>(limit) - offset);
                size = pace->chunk(std::min<size_t>(size, 1 << 16));
                pace->before(offset - static_cast<size_t>(first));
                return sendFrom(*file, offset, size, sink);
            });
    };
    server.Get(R"(/.*)", serve);
    const int bound = o.port ? (server.bind_to_port("127.0.0.1", o.port) ? o.port : -1)
                             : server.bind_to_any_port("127.0.0.1");
    if (bound <= 0) {
        std::fprintf(stderr, "graph-sim: cannot listen on 127.0.0.1:%d\n", o.port);
        return 1;
    }
    std::printf("%d\n", bound);
    std::fflush(stdout);
    server.listen_after_bind();
    return 0;
}
