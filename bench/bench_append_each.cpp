// quillmark-scan --append-each over 1,000 addresses beside the same scan
// without saving, against the stand-in engines: what saving every row into its
// own history adds to a scan. Each run times the plain scan, then
// --append-each into an empty Saved folder (1,000 searches created), then
// again (1,000 searches added to). Prints the best of the runs and the ratios.
//
//   bench_append_each [RUNS] [DELAY_MS]
#include "net/page_fetcher.h"
#include "support/engine_sim_process.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kAddresses = 1000;

double runTimed(const QString& program, const QStringList& args) {
    QProcess p;
    QElapsedTimer timer;
    timer.start();
    p.start(program, args);
    if (!p.waitForFinished(600'000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), p.readAllStandardError().left(2000).constData());
        return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    PageFetcher::globalInit();
    isolateUserSettings();
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const QString delay = argc > 2 ? QString::fromLatin1(argv[2]) : QStringLiteral("0");
    EngineSimProcess sim({QStringLiteral("--delay"), delay});
    if (!sim.isRunning()) return 1;

    TempAppFolder folder;
    folder.write(QStringLiteral("settings.ini"), engineSettingsIniAt(sim.baseUrl()).toLatin1());
    const QString scan = folder.file(QStringLiteral("quillmark-scan"));
    QFile::copy(QStringLiteral(QUILLMARK_SCAN_BIN), scan);
    QByteArray list;
    for (int i = 0; i < kAddresses; ++i) list += QStringLiteral("http://www.site-%1.example/page/\r\n").arg(i).toLatin1();
    folder.write(QStringLiteral("Lists/track.txt"), list);
    const QString listFile = folder.file(QStringLiteral("Lists/track.txt"));
    const QString saved = folder.file(QStringLiteral("Saved"));

    double bestPlain = 1e9, bestCreate = 1e9, bestAdd = 1e9;
    for (int r = 0; r < runs; ++r) {
        QDir(saved).removeRecursively();
        QDir().mkpath(saved);
        const double plain = runTimed(scan, {QStringLiteral("-l"), listFile});
        const double create = runTimed(scan, {QStringLiteral("--append-each"), QStringLiteral("-l"), listFile});
        const double add = runTimed(scan, {QStringLiteral("--append-each"), QStringLiteral("-l"), listFile});
        if (plain < 0 || create < 0 || add < 0) return 1;
        const auto files = QDir(saved).entryList(QDir::Files).size();
        if (files != kAddresses) {
            std::fprintf(stderr, "%lld saved searches, not %d\n", static_cast<long long>(files), kAddresses);
            return 1;
        }
        std::printf("run %d: scan %.3f s, --append-each creating %.3f s, adding %.3f s\n", r + 1, plain, create, add);
        bestPlain = std::min(bestPlain, plain);
        bestCreate = std::min(bestCreate, create);
        bestAdd = std::min(bestAdd, add);
    }
    std::printf("best of %d (engine delay %s ms): scan %.3f s; --append-each %.3f s creating (%.2fx), "
                "%.3f s adding (%.2fx) (goal: at most 1.2x)\n",
                runs, qPrintable(delay), bestPlain, bestCreate, bestCreate / bestPlain, bestAdd, bestAdd / bestPlain);
    return 0;
}
