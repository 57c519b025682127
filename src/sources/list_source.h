#pragma once

#include "graph/graph_index.h"
#include "sources/count_source.h"
#include "sources/source_file.h"

#include <QDateTime>
#include <QList>
#include <memory>
#include <utility>

class PageFetcher;

// A column on a published list (a source file with Type=list): a CSV of
// domains and counts, downloaded at most once a day into the cache, indexed
// there and answered locally. No key, and no request per address: the
// addresses asked while the list downloads wait for it.
class ListSource final : public CountSource {
public:
    // Opens the cached index when it is younger than a day; otherwise the
    // first ask downloads the list.
    explicit ListSource(SourceFile source);
    ~ListSource() override;

    QString caption() const override { return m_source.caption; }
    QString webLabel() const override { return m_source.caption; }
    QString statusSuffix() const override { return QStringLiteral(" on ") + m_source.caption; }
    bool isLocal() const override { return true; }
    int batchSize() const override { return 1000; }
    QString viewAddress(const QString& address) const override;
    void ask(const QStringList& addresses, Done done) override;
    void abortAll() override { m_waiting.clear(); }

    struct Found {
        QString name;  // the name found ("" when none was)
        graphIndex::Counts counts;
    };
    Found lookUp(const QString& address) const;

private:
    void download();
    void downloaded(const struct FetchResult& result);
    bool openIndex();
    SourceReply answer(const QStringList& addresses) const;

    SourceFile m_source;
    std::unique_ptr<PageFetcher> m_fetcher;
    std::unique_ptr<graphIndex::Reader> m_reader;
    QDateTime m_listDate;  // when the index in use was made
    bool m_ready = false;  // a fresh index is open, or the download is over
    bool m_downloading = false;
    QString m_error;       // said with every answer: a failed download, a list that cannot be read
    QList<std::pair<QStringList, Done>> m_waiting;
};

// The local page of one address, as an HTML text.
QString listPageHtml(const QString& caption, const QString& address, const QDateTime& listDate,
                     const ListSource::Found& found, const QString& error);
