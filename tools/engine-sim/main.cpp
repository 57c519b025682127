// engine-sim: the six search engines as a local HTTP server, for the tests,
// the benchmarks and the offline demo.
//
//   engine-sim [--port N] [--delay MS] [--write-settings FILE] [--watch-stdin]
//
// Prints the bound port alone on the first line of standard output. Ends on
// SIGTERM or SIGINT, with --watch-stdin also when standard input closes, and
// with the process that started it.
//
// Engine pages: /google, /altavista, /yahoo, /ask, /msn, /atw, each followed by
// any path and the engine's query; the address after "link:" (or "links:")
// decides the answer. "count-N" reports N, "nolinks" the engine's no-results
// page, "garbage" a page without markers, anything else a count from a hash.
// Words in the address change the answer: "slow-MS", "drop", "status-404" (any
// 4xx or 5xx), "retry-S" (429 with Retry-After S), "redirect", "huge" (20 MiB),
// "huge-MB", "endless" (a chunked page that never ends), "hang".
//
// For fetch tests: /bytes/N, /status/CODE, /redirect/N, /drop, /partial/N,
// /slow/MS, /hang, /huge/MB, /endless, /drip/MS (a byte every MS), /retry-after/S,
// /echo-agent, /echo-target/ANY (the request target as received), /chunked/N,
// /gzip/N (N bytes, sent gzip-compressed).
// /record lists every request target as received, each long body's end and
// the most requests each engine had in hand at once; /record/clear empties it.

#include "engine_pages.h"
#include "sim_server.h"

#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>

namespace {

struct Options {
    int port = 0;
    int delayMs = 0;
    std::string settingsFile;
    bool watchStdin = false;
};

bool parseInt(const char* text, int low, int high, int& out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < low || value > high) return false;
    out = static_cast<int>(value);
    return true;
}

bool parseOptions(int argc, char** argv, Options& opt) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--port" && hasValue) {
            if (!parseInt(argv[++i], 0, 65535, opt.port)) return false;
        } else if (arg == "--delay" && hasValue) {
            if (!parseInt(argv[++i], 0, 3'600'000, opt.delayMs)) return false;
        } else if (arg == "--write-settings" && hasValue) {
            opt.settingsFile = argv[++i];
        } else if (arg == "--watch-stdin") {
            opt.watchStdin = true;
        } else {
            return false;
        }
    }
    return true;
}

bool writeSettings(const std::string& path, int port) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << sim::settingsIni(port);
    out.close();
    return static_cast<bool>(out);
}

// Stops the server and ends the process. Answers under way get a moment to
// finish; idle kept-alive connections are not waited for.
[[noreturn]] void shutDown(sim::SimServer& server) {
    server.stop();
    for (int i = 0; i < 50 && !server.finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::fflush(stdout);
    std::_Exit(0);
}

void startStopWatchers(sim::SimServer& server, const sigset_t& stopSignals, bool watchStdin) {
    std::thread([&server, stopSignals] {
        int signal = 0;
        while (sigwait(&stopSignals, &signal) != 0) {}
        shutDown(server);
    }).detach();
    if (!watchStdin) return;
    std::thread([&server] {
        char buf[256];
        while (true) {
            const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
            if (n == 0 || (n < 0 && errno != EINTR)) break;
        }
        shutDown(server);
    }).detach();
}

}  // namespace

int main(int argc, char** argv) {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    Options opt;
    if (!parseOptions(argc, argv, opt)) {
        std::fprintf(stderr, "Usage: engine-sim [--port N] [--delay MS] [--write-settings FILE] [--watch-stdin]\n");
        return 2;
    }
    // Every thread inherits this mask, so only the watcher sees the stop signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);  // a client that hangs up is no reason to die

    static sim::SimServer server(opt.delayMs);
    const int port = server.bind(opt.port);
    if (port <= 0) {
        std::fprintf(stderr, "engine-sim: cannot listen on 127.0.0.1:%d\n", opt.port);
        return 1;
    }
    // The settings are in place before the port is announced, so whoever
    // waits for the port line can use them at once.
    if (!opt.settingsFile.empty() && !writeSettings(opt.settingsFile, port)) {
        std::fprintf(stderr, "engine-sim: cannot write %s\n", opt.settingsFile.c_str());
        return 1;
    }
    std::printf("%d\n", port);
    std::fflush(stdout);

    startStopWatchers(server, stopSignals, opt.watchStdin);
    server.run();
    std::fflush(stdout);
    std::_Exit(0);
}
