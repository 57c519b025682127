// Counting a web graph release beside zcat decompressing its edges and ranks,
// the index's size, and 1,000 lookups.
//
//   bench_graph [FOLDER]
//
// FOLDER holds (or gets, once, from graph-gen) a synthetic release of 5
// million domains and over 100 million links, "cc-main-bench", its names in
// the trailing-dot order of older releases and one of them listed twice.
// Generating it takes minutes and about 0.6 GB; it is kept for later runs.
#include "graph/domain_key.h"
#include "graph/graph_index.h"
#include "graph/release_counter.h"
#include "support/graph_release.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <random>

namespace {

const QString kRelease = QStringLiteral("cc-main-bench");

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath() + QStringLiteral("/quillmark-graph-bench");
    QDir().mkpath(folder);
    const graphCount::Files files = graphCount::releaseFiles(folder.toStdString(), kRelease.toStdString());
    if (!QFileInfo::exists(QString::fromStdString(files.ranks))) {
        std::printf("generating the release in %s ...\n", qPrintable(folder));
        if (runProgram(QStringLiteral(QUILLMARK_GRAPH_GEN),
                       {folder, kRelease, QStringLiteral("--domains"), QStringLiteral("5000000"), QStringLiteral("--edges"),
                        QStringLiteral("110000000"), QStringLiteral("--members"), QStringLiteral("4"),
                        QStringLiteral("--order"), QStringLiteral("dot"), QStringLiteral("--duplicate"),
                        QStringLiteral("com.example")},
                       nullptr, nullptr, 3'600'000) != 0)
            return 1;
    }
    auto size = [](const std::string& path) { return QFileInfo(QString::fromStdString(path)).size(); };
    std::printf("files: vertices %.1f MB, edges %.1f MB, ranks %.1f MB\n", size(files.vertices) / 1e6,
                size(files.edges) / 1e6, size(files.ranks) / 1e6);

    // zcat of the edges and the ranks, as the goal states it.
    double zcatWall = 1e9, zcatCpu = 0;
    for (int run = 0; run < 2; ++run) {
        const double cpu0 = cpuSeconds(RUSAGE_CHILDREN), t0 = now();
        const QString script = QStringLiteral("zcat '%1' '%2' > /dev/null")
                                   .arg(QString::fromStdString(files.edges), QString::fromStdString(files.ranks));
        if (runProgram(QStringLiteral("sh"), {QStringLiteral("-c"), script}, nullptr, nullptr, 3'600'000) != 0) return 1;
        const double wall = now() - t0;
        if (wall < zcatWall) {
            zcatWall = wall;
            zcatCpu = cpuSeconds(RUSAGE_CHILDREN) - cpu0;
        }
    }

    const std::string index = folder.toStdString() + "/domain.index";
    double countWall = 1e9, countCpu = 0;
    graphCount::Result result;
    for (int run = 0; run < 2; ++run) {
        const double cpu0 = cpuSeconds(RUSAGE_SELF), t0 = now();
        // Where the time goes: each phase's start, as the counter announces it.
        std::string phases;
        double phaseStart = t0;
        std::string phase;
        auto mark = [&](const std::string& next) {
            const double t = now();
            if (!phase.empty()) phases += "  " + phase + ": " + std::to_string(t - phaseStart).substr(0, 5) + " s\n";
            phase = next.substr(0, next.find(' ')) + " " + next.substr(next.rfind('/') + 1);
            phaseStart = t;
        };
        result = graphCount::countRelease(files, index, mark);
        mark({});
        const double wall = now() - t0;
        std::printf("count run %d: %.2f s\n%s", run + 1, wall, phases.c_str());
        if (!result.error.empty()) {
            std::fprintf(stderr, "%s\n", result.error.c_str());
            return 1;
        }
        if (wall < countWall) {
            countWall = wall;
            countCpu = cpuSeconds(RUSAGE_SELF) - cpu0;
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    const double budgetMiB = (12.0 * static_cast<double>(result.domains)) / (1024.0 * 1024.0) + 256.0;
    std::printf("release: %llu domains, %llu links\n", static_cast<unsigned long long>(result.domains),
                static_cast<unsigned long long>(result.edges));
    std::printf("zcat edges+ranks: %.2f s (CPU %.2f s)\n", zcatWall, zcatCpu);
    std::printf("count (all three files): %.2f s (CPU %.2f s), ratio %.2fx wall, %.2fx CPU (goal: at most 1.0x)\n",
                countWall, countCpu, countWall / zcatWall, countCpu / zcatCpu);
    std::printf("peak resident %.0f MiB, budget %.0f MiB (12 bytes a domain + 256 MiB)\n", peakMiB, budgetMiB);
    const qint64 indexSize = size(index), bound = size(files.vertices) + 4 * static_cast<qint64>(result.domains);
    std::printf("index %.1f MB, bound %.1f MB (vertices file + 4 bytes a domain): %.2f of it\n", indexSize / 1e6,
                bound / 1e6, static_cast<double>(indexSize) / static_cast<double>(bound));

    // 1,000 addresses: half of them domains of the release, half absent.
    graphIndex::Reader reader;
    if (!reader.open(index)) return 1;
    std::vector<QString> names;
    reader.forEach([&](std::string_view name, graphIndex::Counts) {
        if (names.size() < 200000) names.push_back(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    });
    std::mt19937 rng(5);
    QStringList addresses;
    for (int i = 0; i < 1000; ++i) {
        QStringList labels = names[rng() % names.size()].split(QLatin1Char('.'));
        std::reverse(labels.begin(), labels.end());
        const QString host = labels.join(QLatin1Char('.'));
        addresses << (i % 2 ? QStringLiteral("http://www.%1/page").arg(host) : QStringLiteral("www.zq%1").arg(host));
    }
    for (int run = 0; run < 3; ++run) {
        int found = 0;
        const double t0 = now();
        for (const QString& address : addresses) {
            found += static_cast<bool>(reader.find(domainKey::forAddress(address).toStdString()));
        }
        std::printf("1,000 lookups (run %d): %.2f ms, %d found (goal: under 50 ms)\n", run + 1, (now() - t0) * 1e3, found);
    }
    return 0;
}
