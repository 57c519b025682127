#include "support/graph_release.h"

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
