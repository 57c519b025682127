#include "support/graph_release.h"

#include "graph/release_catalog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

int runProgram(const QString& program, const QStringList& args, QByteArray* out, QByteArray* err, int timeoutMs) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out) *out = p.readAllStandardOutput();
    if (err) *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void writeGzip(const QString& path, const QStringList& members) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    for (const QString& member : members) {
        QProcess gzip;
        gzip.start(QStringLiteral("gzip"), {QStringLiteral("-c")});
        gzip.write(member.toUtf8());
        gzip.closeWriteChannel();
        gzip.waitForFinished();
        out.write(gzip.readAllStandardOutput());
    }
}

TempGraphCache::TempGraphCache() : m_before(qgetenv("XDG_CACHE_HOME")) {
    qputenv("XDG_CACHE_HOME", m_dir.path().toLocal8Bit());
}

TempGraphCache::~TempGraphCache() {
    if (m_before.isEmpty()) qunsetenv("XDG_CACHE_HOME");
    else qputenv("XDG_CACHE_HOME", m_before);
}

GraphSim::GraphSim(const QString& root, const QStringList& options) : m_process(std::make_unique<QProcess>()) {
    m_process->start(QStringLiteral(QUILLMARK_GRAPH_SIM), QStringList{QStringLiteral("--root"), root} + options);
    m_process->waitForStarted();
    while (m_process->state() == QProcess::Running && !m_process->canReadLine()) m_process->waitForReadyRead(5000);
    m_port = m_process->readLine().trimmed().toInt();
}

GraphSim::~GraphSim() {
    m_process->kill();
    m_process->waitForFinished();
}

QString publishedFolder(const QString& root, const QString& release) {
    return root + QStringLiteral("/projects/hyperlinkgraph/") + release + QStringLiteral("/domain");
}

bool PublishedReleases::publish(const QString& id, const QString& crawl, const QStringList& genOptions) {
    const QString folder = publishedFolder(m_root.path(), id);
    QDir().mkpath(folder);
    if (runProgram(QStringLiteral(QUILLMARK_GRAPH_GEN),
                   QStringList{folder, id, QStringLiteral("--include"), QStringLiteral("com.example")} + genOptions) != 0)
        return false;
    m_info += QStringLiteral("%1{\"id\": \"%2\", \"crawls\": [\"%3\"]}")
                  .arg(m_info.isEmpty() ? QString() : QStringLiteral(","), id, crawl);
    QFile info(m_root.filePath(QStringLiteral("graphinfo.json")));
    return info.open(QIODevice::WriteOnly) && info.write(("[" + m_info + "]").toUtf8()) > 0;
}

QString PublishedReleases::file(const QString& id, const QString& kind) const {
    return publishedFolder(m_root.path(), id) + QLatin1Char('/') + id + QStringLiteral("-domain-") + kind +
           QStringLiteral(".txt.gz");
}

QString countHandRelease(const QString& id, const QString& crawl, const QStringList& vertices,
                         const QStringList& edges, const QStringList& ranks) {
    const QString folder = graphRelease::releaseFolder(id) + QLatin1Char('/');
    writeGzip(folder + graphRelease::fileName(id, QStringLiteral("vertices")), vertices);
    writeGzip(folder + graphRelease::fileName(id, QStringLiteral("edges")), edges);
    writeGzip(folder + graphRelease::fileName(id, QStringLiteral("ranks")), ranks);
    graphRelease::saveLocalRelease(QStringLiteral("{\"id\": \"%1\", \"crawls\": [\"%2\"]}").arg(id, crawl), id);
    QByteArray err;
    const int exit = runProgram(QStringLiteral(QUILLMARK_GRAPH_BIN), {QStringLiteral("count"), id}, nullptr, &err);
    return exit == 0 ? QString() : QStringLiteral("quillmark-graph count %1: %2").arg(id, QString::fromLocal8Bit(err));
}

QString countSmallRelease() {
    return countHandRelease(
        kSmallRelease, QStringLiteral("CC-MAIN-2024-18"),
        {QStringLiteral("0\tcom.example\t2\n1\texample.count-7\t1\n2\torg.lonely\t1\n3\tuk.co.shop\t1\n")},
        {QStringLiteral("0\t1\n1\t0\n2\t0\n2\t3\n3\t0\n")},
        {QStringLiteral("#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts\n"
                        "1\t9.5\t1\t0.4\tcom.example\t2\n2\t3.5\t2\t0.3\tuk.co.shop\t1\n"
                        "3\t2.5\t3\t0.2\texample.count-7\t1\n4\t1.0\t4\t0.1\torg.lonely\t1\n")});
}
