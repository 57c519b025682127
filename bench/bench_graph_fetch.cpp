// Fetch-and-count against the plain download of the same files: graph-sim
// serves a synthetic release paced so that downloading it takes about 1.5
// times what zcat takes to inflate it (downloading is the slower part), then
// curl downloads the three files and `quillmark-graph fetch` downloads and
// counts them. Prints the times and their ratio.
//
//   bench_graph_fetch [FOLDER] [--domains N] [--edges M] [--runs K]
//
// FOLDER holds (or gets, once, from graph-gen) the release "cc-main-fetch-bench"
// in the published layout; it is kept for later runs.
#include "graph/release_catalog.h"
#include "support/graph_release.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

const QString kRelease = QStringLiteral("cc-main-fetch-bench");

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Wall seconds of a shell command (-1 when it failed).
double timed(const QString& script) {
    const double t0 = now();
    QByteArray err;
    if (runProgram(QStringLiteral("sh"), {QStringLiteral("-c"), script}, nullptr, &err, 3'600'000) != 0) {
        std::fprintf(stderr, "failed: %s\n%s\n", qPrintable(script), err.constData());
        return -1;
    }
    return now() - t0;
}

QString quoted(const QString& text) { return QLatin1Char('\'') + text + QLatin1Char('\''); }

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString root = QDir::tempPath() + QStringLiteral("/quillmark-fetch-bench");
    QString domains = QStringLiteral("1000000"), edges = QStringLiteral("20000000");
    int runs = 2;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--domains") && i + 1 < args.size()) domains = args[++i];
        else if (args[i] == QLatin1String("--edges") && i + 1 < args.size()) edges = args[++i];
        else if (args[i] == QLatin1String("--runs") && i + 1 < args.size()) runs = std::max(1, args[++i].toInt());
        else root = args[i];
    }
    const QString folder = publishedFolder(root, kRelease);
    QStringList files;
    for (const QString& kind : graphRelease::kFileKinds) files << folder + QLatin1Char('/') + graphRelease::fileName(kRelease, kind);
    if (!QFileInfo::exists(files.last())) {
        std::printf("generating %s domains, %s links in %s ...\n", qPrintable(domains), qPrintable(edges), qPrintable(root));
        QDir().mkpath(folder);
        if (runProgram(QStringLiteral(QUILLMARK_GRAPH_GEN),
                       {folder, kRelease, QStringLiteral("--domains"), domains, QStringLiteral("--edges"), edges,
                        QStringLiteral("--members"), QStringLiteral("4")},
                       nullptr, nullptr, 3'600'000) != 0)
            return 1;
        QFile info(root + QStringLiteral("/graphinfo.json"));
        if (!info.open(QIODevice::WriteOnly) ||
            info.write(QStringLiteral("[{\"id\": \"%1\", \"crawls\": [\"CC-MAIN-2024-18\"]}]").arg(kRelease).toUtf8()) <= 0)
            return 1;
    }
    qint64 bytes = 0;
    QStringList quotedFiles;
    for (const QString& file : files) {
        bytes += QFileInfo(file).size();
        quotedFiles << quoted(file);
    }

    double zcat = 1e9;
    for (int run = 0; run < 2; ++run)
        zcat = std::min(zcat, timed(QStringLiteral("zcat %1 > /dev/null").arg(quotedFiles.join(QLatin1Char(' ')))));
    if (zcat <= 0) return 1;
    const qint64 rate = static_cast<qint64>(static_cast<double>(bytes) / (1.5 * zcat));
    std::printf("release: %.1f MB in three files; zcat %.2f s; server paced at %.1f MB/s\n", bytes / 1e6, zcat,
                rate / 1e6);

    GraphSim sim(root, {QStringLiteral("--rate"), QString::number(rate)});
    double plain = 1e9, fetched = 1e9;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir target;
        QStringList curlArgs;
        for (const QString& kind : graphRelease::kFileKinds)
            curlArgs << QStringLiteral("-o") << quoted(target.filePath(kind))
                     << quoted(graphRelease::fileUrl(sim.base(), kRelease, kind));
        const double p = timed(QStringLiteral("curl -sf %1").arg(curlArgs.join(QLatin1Char(' '))));

        QTemporaryDir cache;
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        const double f = timed(QStringLiteral("%1 --base %2 fetch %3")
                                   .arg(quoted(QStringLiteral(QUILLMARK_GRAPH_BIN)), sim.base(), kRelease));
        if (p <= 0 || f <= 0) return 1;
        std::printf("run %d: plain download %.2f s, fetch-and-count %.2f s, ratio %.3f; index %.1f MB\n", run + 1, p,
                    f, f / p, QFileInfo(cache.path() + QStringLiteral("/Quillmark/graph/") + kRelease +
                                        QStringLiteral("/domain.index")).size() / 1e6);
        plain = std::min(plain, p);
        fetched = std::min(fetched, f);
    }
    std::printf("best: plain download %.2f s (%.2f x zcat), fetch-and-count %.2f s: ratio %.3f (goal <= 1.05)\n", plain,
                plain / zcat, fetched, fetched / plain);
    return 0;
}
