#pragma once

#include "recorder.h"

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

namespace sim {

struct Engine;

// The stand-in engines and the generic test endpoints on 127.0.0.1.
class SimServer final {
public:
    // delayMs: every engine page waits this long before it answers.
    explicit SimServer(int delayMs);
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port); the bound port, or -1.
    int bind(int port);
    // Serves until stop(); returns once the server has stopped.
    void run();
    // Safe from any thread, any number of times, even before run().
    void stop();
    bool stopping() const;
    bool finished() const { return m_finished; }

private:
    void addEngineRoutes();
    void addFetchRoutes();
    void answerEngine(const Engine& engine, const httplib::Request& req, httplib::Response& res);

    // Waits ms milliseconds, less if the server stops meanwhile.
    void pause(int ms);
    // Holds the request without an answer until the server stops or the
    // client goes away, then closes the connection unanswered.
    void hang(const httplib::Request& req);
    static void drop(const httplib::Request& req, httplib::Response& res);
    static void tooManyRequests(httplib::Response& res, int seconds);
    static std::string absolute(const httplib::Request& req, const std::string& target);

    httplib::Server m_server;
    Recorder m_recorder;
    const int m_delayMs;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::atomic<bool> m_finished{false};
};

}  // namespace sim
