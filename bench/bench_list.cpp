// Indexing a published list of a million domains (the CSV already in memory),
// and looking up 1,000 addresses in the index.
#include "sources/list_index.h"
#include "graph/graph_index.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QByteArray millionCsv() {
    static const QByteArray csv = [] {
        QByteArray out = "GlobalRank,TldRank,Domain,TLD,RefSubNets,RefIPs,IDN_Domain,IDN_TLD,PrevGlobalRank,"
                         "PrevTldRank,PrevRefSubNets,PrevRefIPs\r\n";
        for (int r = 1; r <= 1'000'000; ++r) {
            const QByteArray n = QByteArray::number(r), d = "d" + n + ".test", c = QByteArray::number(1'000'001 - r);
            out += n + ',' + n + ',' + d + ",test," + c + ',' + c + ',' + d + ",test," + n + ',' + n + ',' + c + ',' + c + "\r\n";
        }
        return out;
    }();
    return csv;
}

listIndex::Columns columns() { return {QStringLiteral("Domain"), QStringLiteral("RefSubNets"), QStringLiteral("GlobalRank"), {}}; }

void BM_IndexAMillionRows(benchmark::State& state) {
    const QByteArray csv = millionCsv();
    QTemporaryDir dir;
    for (auto _ : state) {
        const listIndex::Built built = listIndex::build(csv, columns(), dir.filePath(QStringLiteral("list.index")));
        if (!built.error.isEmpty()) state.SkipWithError(built.error.toStdString().c_str());
        state.counters["index_bytes"] = static_cast<double>(built.bytes);
    }
    state.counters["csv_bytes"] = static_cast<double>(csv.size());
}
BENCHMARK(BM_IndexAMillionRows)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LookUpAThousandAddresses(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.index"));
    listIndex::build(millionCsv(), columns(), path);
    graphIndex::Reader reader;
    reader.countsUnbounded();
    reader.open(QFile::encodeName(path).toStdString());
    QStringList addresses;
    for (int i = 1; i <= 1000; ++i) addresses << QStringLiteral("http://www.d%1.test/page").arg(i * 997);
    for (auto _ : state) {
        int found = 0;
        for (const QString& address : addresses)
            for (const QString& name : listIndex::lookupNames(address))
                if (reader.find(name.toStdString())) {
                    ++found;
                    break;
                }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_LookUpAThousandAddresses)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
