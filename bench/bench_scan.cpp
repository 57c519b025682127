// quillmark-scan over 1,000 addresses against the stand-in engines (no delay),
// beside curl fetching the same 6,000 URLs in one process. Prints both wall
// times and how many times longer the scan takes.
#include "config/engine_catalog.h"
#include "support/engine_sim_process.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kAddresses = 1000;

double runSeconds(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer timer;
    timer.start();
    p.start(program, args);
    if (!p.waitForFinished(600'000) || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), p.readAllStandardError().constData());
        return -1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (out) *out = p.readAllStandardOutput();
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    isolateUserSettings();
    QCoreApplication app(argc, argv);
    // bench_scan [RUNS] [DELAY_MS]: a delay stands for the engines' own answer time.
    const QString delay = argc > 2 ? QString::fromLatin1(argv[2]) : QStringLiteral("0");
    EngineSimProcess sim({QStringLiteral("--delay"), delay});
    if (!sim.isRunning()) return 1;
    TempAppFolder folder;
    folder.write(QStringLiteral("settings.ini"), sim.settingsIni().toLatin1());
    const QString scan = folder.file(QStringLiteral("quillmark-scan"));
    QFile::copy(QStringLiteral(QUILLMARK_SCAN_BIN), scan);

    QByteArray list;
    QByteArray curlConfig;
    for (int i = 0; i < kAddresses; ++i) {
        const QString address = QStringLiteral("http://site-%1.example/").arg(i);
        list += address.toLatin1() + "\r\n";
        for (const EngineSpec& e : engineSpecs()) {
            curlConfig += "url = \"" + scanQuery(sim.templateFor(e), e, address).toLatin1() + "\"\noutput = \"/dev/null\"\n";
        }
    }
    folder.write(QStringLiteral("Lists/bench.txt"), list);
    folder.write(QStringLiteral("curl.cfg"), curlConfig);

    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    double bestScan = 1e9, bestCurl = 1e9;
    for (int r = 0; r < runs; ++r) {
        QByteArray csv;
        const double s = runSeconds(scan, {QStringLiteral("-l"), folder.file(QStringLiteral("Lists/bench.txt"))}, &csv);
        const double c = runSeconds(QStringLiteral("curl"),
                                    {QStringLiteral("-s"), QStringLiteral("-A"), QStringLiteral("Mozilla"),
                                     QStringLiteral("-K"), folder.file(QStringLiteral("curl.cfg"))});
        if (s < 0 || c < 0) return 1;
        if (csv.count('\n') != kAddresses + 1) {
            std::fprintf(stderr, "scan printed %lld lines\n", static_cast<long long>(csv.count('\n')));
            return 1;
        }
        bestScan = std::min(bestScan, s);
        bestCurl = std::min(bestCurl, c);
        std::printf("run %d: quillmark-scan %.3f s, curl %.3f s\n", r + 1, s, c);
    }
    std::printf("engine delay %s ms\n", qPrintable(delay));
    std::printf("best of %d: quillmark-scan %.3f s, curl %.3f s, ratio %.2fx (goal: within 1.5x)\n", runs, bestScan,
                bestCurl, bestScan / bestCurl);
    return 0;
}
