#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// Helpers of the web graph's tests: synthetic releases, gzip files, the
// stand-in server and a private cache folder.

// Runs a program to its end; its exit code (-1 when it did not end normally).
int runProgram(const QString& program, const QStringList& args, QByteArray* out = nullptr,
               QByteArray* err = nullptr, int timeoutMs = 120000);

// Writes text gzip-compressed (each piece its own member, one after another).
void writeGzip(const QString& path, const QStringList& members);

// Points XDG_CACHE_HOME at a private folder while it lives.
class TempGraphCache {
public:
    TempGraphCache();
    ~TempGraphCache();
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_before;
};

// graph-sim serving a folder on 127.0.0.1.
class GraphSim {
public:
    explicit GraphSim(const QString& root, const QStringList& options = {});
    ~GraphSim();
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    int port() const { return m_port; }

private:
    std::unique_ptr<QProcess> m_process;
    int m_port = 0;
};

// The folder of a release's files under a server root, as published.
QString publishedFolder(const QString& root, const QString& release);

// A server root holding releases made by graph-gen (each holding com.example)
// and their graphinfo.json.
class PublishedReleases {
public:
    QString root() const { return m_root.path(); }
    // False when the generator failed.
    bool publish(const QString& id, const QString& crawl, const QStringList& genOptions = {});
    // The published file of a release.
    QString file(const QString& id, const QString& kind) const;

private:
    QTemporaryDir m_root;
    QString m_info;
};
// A release written by hand into the cache folder (its three files, and its
// entry dated by one crawl) and counted by the real quillmark-graph. Returns
// the program's standard error when counting failed, else "".
QString countHandRelease(const QString& id, const QString& crawl, const QStringList& vertices,
                         const QStringList& edges, const QStringList& ranks);

// A small counted release of the columns' tests, with known answers:
//   www.example.com   3 linking domains, harmonic rank 1
//   count-7.example   1, rank 3
//   shop.co.uk        1, rank 2
//   lonely.org        in the release, nothing links to it: 0, rank 4
// Any other domain is not in it.
inline const QString kSmallRelease = QStringLiteral("cc-main-2024-nov-feb-apr");
QString countSmallRelease();
