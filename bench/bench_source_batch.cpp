// A scan of many addresses on the shipped Moz preset against its stand-in,
// with the preset's batch of 50 and with one address a request: how many
// requests went out and how long the scan took. With the service's own pause
// between requests, the requests are what a real scan's time is made of.
// Usage: bench_source_batch [ADDRESSES] [ENGINE_DELAY_MS]
#include "config/ini_file.h"
#include "net/page_fetcher.h"
#include "sources/credentials.h"
#include "support/engine_sim_process.h"
#include "support/sim_record.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>

namespace {

struct Outcome {
    int requests = 0;
    double seconds = 0;
    bool ok = false;
};

Outcome scan(EngineSimProcess& sim, int addresses, int batch) {
    TempAppFolder folder;
    folder.write(QStringLiteral("settings.ini"), sim.settingsIni().toLatin1());
    QByteArray preset = readFileBytes(QStringLiteral(QUILLMARK_SHIPPED_APP "/Sources/moz.ini"));
    preset.replace("https://lsapi.seomoz.com", sim.baseUrl().toLatin1());
    preset.replace("\r\nPause=", "\r\nOldPause=");
    preset.replace("\r\nBatch=50", "\r\nBatch=" + QByteArray::number(batch));
    folder.write(QStringLiteral("Sources/moz.ini"), preset);
    const QString ini = folder.file(QStringLiteral("settings.ini"));
    IniWriteKey(QStringLiteral("Sources"), QStringLiteral("Google"), QStringLiteral("moz"), ini);
    for (const char* key : {"Altavista", "Yahoo", "Ask", "MSN", "ATW"})
        IniWriteKey(QStringLiteral("Sources"), QLatin1String(key), QStringLiteral("off"), ini);
    QByteArray list;
    for (int i = 0; i < addresses; ++i) list += "http://site-" + QByteArray::number(i) + ".example/\r\n";
    folder.write(QStringLiteral("Lists/bench.txt"), list);
    const QString program = folder.file(QStringLiteral("quillmark-scan"));
    QFile::copy(QStringLiteral(QUILLMARK_SCAN_BIN), program);

    PageFetcher fetcher;
    SimRecord::clear(fetcher, sim);
    QProcess p;
    QElapsedTimer timer;
    timer.start();
    p.start(program, {QStringLiteral("--pause"), QStringLiteral("0"), QStringLiteral("-l"), folder.file(QStringLiteral("Lists/bench.txt"))});
    Outcome outcome;
    if (!p.waitForFinished(600'000) || p.exitCode() != 0) return outcome;
    outcome.seconds = timer.nsecsElapsed() / 1e9;
    const SimRecord record = SimRecord::read(fetcher, sim);
    outcome.requests = static_cast<int>(std::count_if(record.targets.cbegin(), record.targets.cend(),
                                                      [](const QByteArray& t) { return t.startsWith("/v2/url_metrics"); }));
    outcome.ok = true;
    return outcome;
}

}  // namespace

int main(int argc, char** argv) {
    PageFetcher::globalInit();
    isolateUserSettings();
    QCoreApplication app(argc, argv);
    const int addresses = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    const QString delay = argc > 2 ? QString::fromLatin1(argv[2]) : QStringLiteral("0");
    EngineSimProcess sim({QStringLiteral("--delay"), delay});
    if (!sim.isRunning()) return 1;
    QString error;
    credentials::write(QStringLiteral("moz"), QStringLiteral("id"), QStringLiteral("sim-id"), &error);
    credentials::write(QStringLiteral("moz"), QStringLiteral("secret"), QStringLiteral("sim-secret"), &error);
    std::printf("%d addresses on the Moz preset, stand-in delay %s ms\n", addresses, qPrintable(delay));
    const Outcome batched = scan(sim, addresses, 50);
    const Outcome single = scan(sim, addresses, 1);
    if (!batched.ok || !single.ok) {
        std::fprintf(stderr, "a scan failed\n");
        return 1;
    }
    std::printf("batch of 50: %5d requests %8.3f s\n", batched.requests, batched.seconds);
    std::printf("one a time:  %5d requests %8.3f s\n", single.requests, single.seconds);
    std::printf("ratio: %.1fx fewer requests, %.1fx less time\n", double(single.requests) / std::max(1, batched.requests),
                single.seconds / std::max(1e-9, batched.seconds));
    // With the preset's own 10 s pause, the requests alone would take this long.
    std::printf("at Pause=10: %.0f min against %.0f min\n", batched.requests * 10 / 60.0, single.requests * 10 / 60.0);
    return 0;
}
