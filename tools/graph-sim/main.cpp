// graph-sim: a stand-in for the web graph's servers on 127.0.0.1, for the
// tests and the demo. Serves the files under ROOT at their paths
// (ROOT/graphinfo.json, ROOT/projects/hyperlinkgraph/R/domain/...), with
// range requests ("bytes=N-" and "bytes=N-M").
//
//   graph-sim --root DIR [--port N] [--fail-404 TEXT] [--drop-after BYTES] [--rate BYTES]
//
// --fail-404: any path containing TEXT answers 404. --drop-after: the first
// request of each file closes the connection after that many body bytes.
// --rate: bodies are sent at about that many bytes a second (a slow mirror).
// Prints the bound port alone on the first line of standard output; ends with
// the process that started it.
#include <httplib.h>

#include <sys/prctl.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <chrono>
#include <thread>
#include <string>

int main(int argc, char** argv) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    std::signal(SIGPIPE, SIG_IGN);
    std::string root, fail404;
    int port = 0;
    long long dropAfter = -1;
    long long rate = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--root") root = argv[i + 1];
        else if (a == "--port") port = std::stoi(argv[i + 1]);
        else if (a == "--fail-404") fail404 = argv[i + 1];
        else if (a == "--drop-after") dropAfter = std::stoll(argv[i + 1]);
        else if (a == "--rate") rate = std::stoll(argv[i + 1]);
        else { std::fprintf(stderr, "graph-sim: unknown option %s\n", a.c_str()); return 2; }
    }
    if (root.empty() || argc % 2 == 0) {
        std::fprintf(stderr, "usage: graph-sim --root DIR [--port N] [--fail-404 TEXT] [--drop-after BYTES] [--rate BYTES]\n");
        return 2;
    }
    httplib::Server server;
    std::mutex mutex;
    std::set<std::string> dropped;
    auto serve = [&](const httplib::Request& req, httplib::Response& res) {
        if (req.path.find("..") != std::string::npos) { res.status = 400; return; }
        if (!fail404.empty() && req.path.find(fail404) != std::string::npos) { res.status = 404; return; }
        auto body = std::make_shared<std::string>();
        {
            std::ifstream in(root + req.path, std::ios::binary);
            if (!in) { res.status = 404; return; }
            std::ostringstream all;
            all << in.rdbuf();
            *body = all.str();
        }
        const long long total = static_cast<long long>(body->size());
        // The range itself is cut by the library; only its start is needed here.
        long long first = 0;
        const std::string range = req.get_header_value("Range");
        if (range.rfind("bytes=", 0) == 0) {
            first = std::stoll(range.substr(6));
            if (first >= total) {
                res.status = 416;
                res.set_header("Content-Range", "bytes */" + std::to_string(total));
                return;
            }
        }
        long long limit = total;
        if (dropAfter >= 0 && req.method == "GET") {
            std::lock_guard<std::mutex> lock(mutex);
            if (dropped.insert(req.path).second) limit = std::min(total, first + dropAfter);
        }
        res.set_content_provider(
            static_cast<size_t>(total), "application/octet-stream",
            [body, limit, rate](size_t offset, size_t size, httplib::DataSink& sink) {
                if (static_cast<long long>(offset) >= limit) return false;  // drop the connection
                size = std::min<size_t>(size, static_cast<size_t>(limit) - offset);
                size = std::min<size_t>(size, 1 << 16);
                if (rate > 0) {  // a twentieth of a second's worth at a time
                    size = std::min<size_t>(size, static_cast<size_t>(std::max<long long>(1, rate / 20)));
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                }
                sink.write(body->data() + offset, size);
                return true;
            });
    };
    server.Get(R"(/.*)", serve);
    const int bound = port ? (server.bind_to_port("127.0.0.1", port) ? port : -1)
                           : server.bind_to_any_port("127.0.0.1");
    if (bound <= 0) {
        std::fprintf(stderr, "graph-sim: cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    std::printf("%d\n", bound);
    std::fflush(stdout);
    server.listen_after_bind();
    return 0;
}
