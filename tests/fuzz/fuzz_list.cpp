// A published list of domains and counts, as any bytes: indexing either
// fails with a reason or leaves an index whose every name is found again with
// a count the list held, never more rows than the list had lines.
#include "fuzz_input.h"
#include "graph/graph_index.h"
#include "sources/list_index.h"

#include <QDir>
#include <QFile>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray csv(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    static const QString path = QDir::tempPath() + QStringLiteral("/fuzz_list_%1.index").arg(::getpid());
    QFile::remove(path);
    const listIndex::Columns columns{QStringLiteral("Domain"), QStringLiteral("Count"), QStringLiteral("Rank"), {}};
    const listIndex::Built built = listIndex::build(csv, columns, path);
    if (!built.error.isEmpty()) {
        FUZZ_CHECK(built.rows == 0);
        return 0;
    }
    FUZZ_CHECK(built.rows >= 1);
    FUZZ_CHECK(built.rows + built.skipped <= static_cast<quint64>(csv.count('\n') + 1));
    graphIndex::Reader reader;
    reader.countsUnbounded();
    FUZZ_CHECK(reader.open(QFile::encodeName(path).toStdString()));
    FUZZ_CHECK(reader.domainCount() == built.rows);
    reader.forEach([&reader](std::string_view name, const graphIndex::Counts& counts) {
        FUZZ_CHECK(!name.empty());
        const graphIndex::Found again = reader.find(name);
        FUZZ_CHECK(again && again.counts.linkingDomains == counts.linkingDomains);
    });
    for (const QString& name : listIndex::lookupNames(QString::fromUtf8(csv.left(200)))) FUZZ_CHECK(!name.isEmpty());
    return 0;
}
