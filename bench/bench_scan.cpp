// quillmark-scan over 1,000 addresses beside curl fetching the same 6,000 URLs
// in one process, against two servers: the stand-in engines, and a fast static
// server (nginx) holding one result page per engine, which shows what the
// client itself costs. Prints wall and CPU times and how many times longer the
// scan takes.
//
//   bench_scan [RUNS] [DELAY_MS]
//
// DELAY_MS stands for the engines' own answer time (stand-in engines only).
// nginx is used when it is installed (Debian: apt-get install nginx-light); it
// is a tool of this benchmark alone, not of the build or the tests.
#include "config/engine_catalog.h"
#include "net/page_fetcher.h"
#include "support/engine_sim_process.h"
#include "support/fetch_and_wait.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kAddresses = 1000;

struct Timing {
    double wall = -1;
    double cpu = 0;
};

double childCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Timing runTimed(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    const double cpuBefore = childCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    p.start(program, args);
    if (!p.waitForFinished(600'000) || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), p.readAllStandardError().constData());
        return {};
    }
    Timing t{timer.nsecsElapsed() / 1e9, childCpuSeconds() - cpuBefore};
    if (out) *out = p.readAllStandardOutput();
    return t;
}

// Scan and curl, best of runs, against the server behind baseUrl.
bool compare(const char* label, const QString& baseUrl, int runs) {
    TempAppFolder folder;
    folder.write(QStringLiteral("settings.ini"), engineSettingsIniAt(baseUrl).toLatin1());
    const QString scan = folder.file(QStringLiteral("quillmark-scan"));
    QFile::copy(QStringLiteral(QUILLMARK_SCAN_BIN), scan);
    QByteArray list, curlConfig;
    for (int i = 0; i < kAddresses; ++i) {
        const QString address = QStringLiteral("http://site-%1.example/").arg(i);
        list += address.toLatin1() + "\r\n";
        for (const EngineSpec& e : engineSpecs())
            curlConfig += "url = \"" + scanQuery(engineTemplateAt(baseUrl, e), e, address).toLatin1() +
                          "\"\noutput = \"/dev/null\"\n";
    }
    folder.write(QStringLiteral("Lists/bench.txt"), list);
    folder.write(QStringLiteral("curl.cfg"), curlConfig);

    Timing bestScan{1e9, 0}, bestCurl{1e9, 0};
    for (int r = 0; r < runs; ++r) {
        QByteArray csv;
        const Timing s = runTimed(scan, {QStringLiteral("-l"), folder.file(QStringLiteral("Lists/bench.txt"))}, &csv);
        const Timing c = runTimed(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-A"), QStringLiteral("Mozilla"),
                                                           QStringLiteral("-K"), folder.file(QStringLiteral("curl.cfg"))});
        if (s.wall < 0 || c.wall < 0) return false;
        if (csv.count('\n') != kAddresses + 1) {
            std::fprintf(stderr, "scan printed %lld lines\n", static_cast<long long>(csv.count('\n')));
            return false;
        }
        if (s.wall < bestScan.wall) bestScan = s;
        if (c.wall < bestCurl.wall) bestCurl = c;
        std::printf("%s run %d: quillmark-scan %.3f s (CPU %.3f s), curl %.3f s (CPU %.3f s)\n", label, r + 1, s.wall,
                    s.cpu, c.wall, c.cpu);
    }
    std::printf("%s best of %d: quillmark-scan %.3f s, curl %.3f s, ratio %.2fx wall, %.2fx CPU (goal: at most 1.0x)\n",
                label, runs, bestScan.wall, bestCurl.wall, bestScan.wall / bestCurl.wall, bestScan.cpu / bestCurl.cpu);
    return true;
}

// nginx on a free port serving, for each engine, the stand-in's result page at
// the path of its template; the query is ignored, so every address gets it.
class StaticServer {
public:
    StaticServer(const QString& nginx, EngineSimProcess& sim) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        probe.close();
        PageFetcher fetcher;
        for (const EngineSpec& e : engineSpecs()) {
            const QString query = scanQuery(sim.templateFor(e), e, QStringLiteral("http://site-0.example/"));
            const QString path = QUrl(engineTemplateAt(baseUrl(), e)).path();
            m_dir.write(QStringLiteral("root") + path, fetchAndWait(fetcher, query).result.body);
        }
        m_dir.write(QStringLiteral("nginx.conf"),
                    QStringLiteral("daemon off; master_process off; worker_processes 1;\n"
                                   "pid %1/nginx.pid; error_log %1/error.log;\n"
                                   "events { worker_connections 1024; }\n"
                                   "http { access_log off; keepalive_requests 1000000; default_type text/html;\n"
                                   "  server { listen 127.0.0.1:%2; root %1/root; } }\n")
                        .arg(m_dir.path())
                        .arg(m_port)
                        .toLatin1());
        m_nginx.start(nginx, {QStringLiteral("-p"), m_dir.path(), QStringLiteral("-e"), m_dir.file(QStringLiteral("error.log")),
                              QStringLiteral("-c"), m_dir.file(QStringLiteral("nginx.conf"))});
        // Ready once it serves the first page.
        const QString probeUrl = engineTemplateAt(baseUrl(), engineSpecs()[0]);
        for (int i = 0; i < 50 && m_nginx.waitForStarted() && !fetchAndWait(fetcher, probeUrl).result.httpStatus; ++i)
            spinUntil([] { return false; }, 50);
    }
    ~StaticServer() {
        m_nginx.terminate();
        m_nginx.waitForFinished(5000);
    }
    bool isRunning() const { return m_nginx.state() == QProcess::Running; }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

private:
    TempAppFolder m_dir;
    QProcess m_nginx;
    quint16 m_port = 0;
};

}  // namespace

int main(int argc, char** argv) {
    PageFetcher::globalInit();
    isolateUserSettings();
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const QString delay = argc > 2 ? QString::fromLatin1(argv[2]) : QStringLiteral("0");
    EngineSimProcess sim({QStringLiteral("--delay"), delay});
    if (!sim.isRunning()) return 1;
    std::printf("engine delay %s ms\n", qPrintable(delay));
    if (!compare("stand-in engines:", sim.baseUrl(), runs)) return 1;

    const QString nginx = QStandardPaths::findExecutable(QStringLiteral("nginx"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    if (nginx.isEmpty()) {
        std::printf("static server: nginx is not installed; skipped\n");
        return 0;
    }
    StaticServer server(nginx, sim);
    if (!server.isRunning()) {
        std::fprintf(stderr, "nginx did not start\n");
        return 1;
    }
    return compare("static nginx:", server.baseUrl(), runs) ? 0 : 1;
}
