#pragma once

#include "graph/graph_lookup.h"
#include "sources/count_source.h"
#include "sources/source_file.h"

#include <memory>

// A column on the web graph (a source file with Type=graph): the count of an
// address is how many other domains link to its registrable domain in the
// newest release counted here, looked up in its index with no request to anybody.
class GraphSource final : public CountSource {
public:
    // Opens the newest counted release now; without one every address gets
    // no count and the reason, which names the commands that make one.
    explicit GraphSource(SourceFile source);

    QString caption() const override { return m_source.caption; }
    QString webLabel() const override { return m_source.caption; }
    QString statusSuffix() const override { return QStringLiteral(" on ") + m_source.caption; }
    bool isLocal() const override { return true; }
    // A lookup takes microseconds: a batch only keeps the driver's look-ahead small.
    int batchSize() const override { return 1000; }
    // The source's View when it has one, else a page made here: the release,
    // the domain looked up, its linking domains and harmonic rank.
    QString viewAddress(const QString& address) const override;
    void ask(const QStringList& addresses, Done done) override;

    QString releaseId() const { return m_release.id; }

private:
    SourceFile m_source;
    graphLookup::OpenRelease m_release;
    QString m_error;
};

// The local page of one address, as an HTML text.
QString graphPageHtml(const QString& caption, const QString& releaseId, const QString& address,
                      const graphLookup::Answer& answer, const QString& error);
