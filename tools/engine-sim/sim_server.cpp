#include "sim_server.h"

#include "connection.h"
#include "engine_pages.h"
#include "sim_text.h"
#include "list_csv.h"
#include "source_apis.h"
#include "streams.h"

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace sim {
namespace {

// hang holds a thread per request and every kept-alive connection holds one,
// so the pool is far larger than the library's default.
constexpr std::size_t kThreads = 96;
constexpr std::size_t kMaxGeneratedBytes = 256u << 20;
constexpr std::size_t kMaxGzipBytes = 64u << 20;
constexpr const char* kHtml = "text/html; charset=ISO-8859-1";
constexpr const char* kBinary = "application/octet-stream";
constexpr const char* kText = "text/plain";

std::string rawQuery(const httplib::Request& req) {
    const std::size_t mark = req.target.find('?');
    return mark == std::string::npos ? std::string() : req.target.substr(mark + 1);
}

std::size_t sizeArg(const httplib::Request& req) {
    const std::string& digits = req.matches[1].str();
    return digits.size() > 12 ? kMaxGeneratedBytes + 1 : std::stoull(digits);
}

void tooLarge(httplib::Response& res) {
    res.status = 400;
    res.set_content(errorPage(400, "That is more than this server makes."), kHtml);
}

}  // namespace

SimServer::SimServer(int delayMs) : m_delayMs(delayMs) {
    m_server.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
    m_server.set_keep_alive_max_count(100);
    // Headers and body go out in separate writes; without this the body
    // waits for the client's delayed acknowledgement, some 40 ms a page.
    m_server.set_tcp_nodelay(true);
    // Bytes on the wire are the body: a page is never compressed, so sizes,
    // caps and timings mean what they say.
    m_server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        if (req.path.rfind("/record", 0) != 0) m_recorder.request(req.target);
        const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // The library refuses a request line with a second "?" before any route
    // sees it; say so instead of answering with an empty page.
    m_server.set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request&, httplib::Response& res) {
            if (res.status != 400 || !res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
            res.set_content(errorPage(400, "A \"?\" inside a query must be sent as %3F to this server."), kHtml);
            return httplib::Server::HandlerResponse::Handled;
        }));
    addEngineRoutes();
    addFetchRoutes();
    addSourceRoutes(m_server);
    addListRoutes(m_server);
    m_server.Get(".*", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content(errorPage(404, "No such page."), kHtml);
    });
}

int SimServer::bind(int port) {
    if (port == 0) return m_server.bind_to_any_port("127.0.0.1");
    return m_server.bind_to_port("127.0.0.1", port) ? port : -1;
}

void SimServer::run() {
    if (!stopping()) m_server.listen_after_bind();
    m_finished = true;
}

void SimServer::stop() {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) return;
        m_stopping = true;
    }
    m_wake.notify_all();
    // The library ignores stop() until it listens, so wait for that (or for
    // run() to have given up) and stop it once.
    while (!m_finished) {
        if (m_server.is_running()) {
            m_server.stop();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool SimServer::stopping() const {
    std::lock_guard lock(m_mutex);
    return m_stopping;
}

void SimServer::pause(int ms) {
    if (ms <= 0) return;
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_stopping; });
}

void SimServer::hang(const httplib::Request& req) {
    const int fd = findConnection(req.remote_addr, req.remote_port, req.local_port);
    while (!stopping()) {
        if (fd >= 0 && peerClosed(fd, 100)) break;
        if (fd < 0) pause(100);
    }
    if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
}

void SimServer::drop(const httplib::Request& req, httplib::Response& res) {
    if (dropConnection(req.remote_addr, req.remote_port, req.local_port)) return;
    std::fprintf(stderr, "engine-sim: cannot find the connection of %s:%d to drop it\n",
                 req.remote_addr.c_str(), req.remote_port);
    res.status = 500;
    res.set_content(errorPage(500, "The connection to drop was not found."), kHtml);
}

std::string SimServer::absolute(const httplib::Request& req, const std::string& target) {
    std::string host = req.get_header_value("Host");
    if (host.empty()) host = req.local_addr + ':' + std::to_string(req.local_port);
    return "http://" + host + target;
}

void SimServer::addEngineRoutes() {
    m_server.Get(R"(/(google|altavista|yahoo|ask|msn|atw)(/.*)?)",
                 [this](const httplib::Request& req, httplib::Response& res) {
                     answerEngine(*engineBySegment(req.matches[1].str()), req, res);
                 });
}

void SimServer::answerEngine(const Engine& engine, const httplib::Request& req, httplib::Response& res) {
    const Recorder::Busy busy(m_recorder, engine.segment);
    EngineQuery query = parseEngineQuery(engine, rawQuery(req));
    const Behaviour behaviour = behaviourOf(query.address);
    if (behaviour.hang) return hang(req);
    pause(m_delayMs + behaviour.slowMs);
    if (behaviour.drop) return drop(req, res);
    if (behaviour.retryAfter >= 0) return tooManyRequests(res, behaviour.retryAfter);
    if (behaviour.status != 0) {
        res.status = behaviour.status;
        res.set_content(errorPage(behaviour.status), kHtml);
        return;
    }
    if (behaviour.redirect) {
        query.address = withoutWord(query.address, "redirect");
        res.set_redirect(absolute(req, req.path + '?' + rebuildQuery(query)), 302);
        return;
    }
    std::string page = enginePage(engine, choosePage(engine, query.address), query.address);
    if (behaviour.endless) return streamEndless(res, kHtml, pageThenFiller(std::move(page)), m_recorder, req.target);
    if (behaviour.hugeBytes > page.size())
        return streamSized(res, behaviour.hugeBytes, kHtml, pageThenFiller(std::move(page)), m_recorder, req.target);
    res.set_content(std::move(page), kHtml);
}

void SimServer::tooManyRequests(httplib::Response& res, int seconds) {
    res.status = 429;
    res.set_header("Retry-After", std::to_string(seconds));
    res.set_content(errorPage(429, "Too many requests; ask again later."), kHtml);
}

void SimServer::addFetchRoutes() {
    m_server.Get(R"(/bytes/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        const std::size_t n = sizeArg(req);
        if (n > kMaxGeneratedBytes) return tooLarge(res);
        res.set_content(patternBytes(0, n), kBinary);
    });
    m_server.Get(R"(/status/(\d{3}))", [](const httplib::Request& req, httplib::Response& res) {
        res.status = std::stoi(req.matches[1].str());
        res.set_content("status " + req.matches[1].str(), kText);
    });
    m_server.Get(R"(/redirect/(\d{1,6}))", [](const httplib::Request& req, httplib::Response& res) {
        const int left = std::stoi(req.matches[1].str());
        if (left == 0) return res.set_content("landed", kText);
        res.set_redirect(absolute(req, "/redirect/" + std::to_string(left - 1)), 302);
    });
    m_server.Get("/drop", [](const httplib::Request& req, httplib::Response& res) { drop(req, res); });
    m_server.Get(R"(/partial/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        const std::size_t n = sizeArg(req);
        if (n > kMaxGeneratedBytes) return tooLarge(res);
        // Promises 2n bytes, sends n, then the connection closes.
        res.set_content_provider(2 * n, kBinary, [n](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            if (offset >= n) return false;
            const std::size_t count = std::min(length, n - offset);
            sink.write(patternBytes(offset, count).data(), count);
            return true;
        });
    });
    m_server.Get(R"(/slow/(\d{1,7}))", [this](const httplib::Request& req, httplib::Response& res) {
        pause(std::stoi(req.matches[1].str()));
        res.set_content("slow", kText);
    });
    m_server.Get("/hang", [this](const httplib::Request& req, httplib::Response&) { hang(req); });
    m_server.Get(R"(/huge/(\d{1,4}))", [this](const httplib::Request& req, httplib::Response& res) {
        streamSized(res, std::stoull(req.matches[1].str()) << 20, kBinary, patternBytes, m_recorder, req.target);
    });
    // Compressed whatever the request asked: the client must decode it, and a
    // cap must count the decoded bytes.
    m_server.Get(R"(/gzip/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        const std::size_t n = sizeArg(req);
        if (n > kMaxGzipBytes) return tooLarge(res);
        res.set_header("Content-Encoding", "gzip");
        res.set_content(gzipped(patternBytes(0, n)), kBinary);
    });
    m_server.Get("/endless", [this](const httplib::Request& req, httplib::Response& res) {
        streamEndless(res, kBinary, patternBytes, m_recorder, req.target);
    });
    m_server.Get(R"(/drip/(\d{1,6}))", [this](const httplib::Request& req, httplib::Response& res) {
        drip(res, std::stoi(req.matches[1].str()), [this](int ms) {
            pause(ms);
            return !stopping();
        });
    });
    m_server.Get(R"(/retry-after/(\d{1,6}))", [](const httplib::Request& req, httplib::Response& res) {
        tooManyRequests(res, std::stoi(req.matches[1].str()));
    });
    m_server.Get(R"(/echo-target(/.*)?)", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(req.target, kText);
    });
    m_server.Get("/record", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(m_recorder.report(), kText);
    });
    m_server.Get("/record/clear", [this](const httplib::Request&, httplib::Response& res) {
        m_recorder.clear();
        res.set_content("cleared", kText);
    });
    m_server.Get("/echo-agent", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(req.get_header_value("User-Agent"), kText);
    });
    m_server.Get(R"(/chunked/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
        const std::size_t n = sizeArg(req);
        if (n > kMaxGeneratedBytes) return tooLarge(res);
        res.set_chunked_content_provider(kBinary, [n](std::size_t offset, httplib::DataSink& sink) {
            const std::size_t count = std::min<std::size_t>(n - offset, 4096);
            if (count > 0) sink.write(patternBytes(offset, count).data(), count);
            if (offset + count >= n) sink.done();
            return true;
        });
    });
}

}  // namespace sim
