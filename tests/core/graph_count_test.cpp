#include "graph/domain_key.h"
#include "graph/graph_index.h"
#include "graph/release_catalog.h"
#include "graph/release_counter.h"
#include "support/graph_release.h"
#include "support/temp_app_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <map>
#include <set>

namespace {

const QString kRelease = QStringLiteral("cc-main-2024-test");

struct Built {
    graphCount::Result result;
    QString index;
};

// Writes the three files (each a list of gzip members) and counts them.
Built countTexts(const QTemporaryDir& dir, const QStringList& vertices, const QStringList& edges,
                 const QStringList& ranks) {
    const graphCount::Files files = graphCount::releaseFiles(dir.path().toStdString(), kRelease.toStdString());
    writeGzip(QString::fromStdString(files.vertices), vertices);
    writeGzip(QString::fromStdString(files.edges), edges);
    writeGzip(QString::fromStdString(files.ranks), ranks);
    Built built{{}, dir.filePath(QStringLiteral("domain.index"))};
    built.result = graphCount::countRelease(files, built.index.toStdString());
    return built;
}

const QString kRanksHeader = QStringLiteral("#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts\n");

TEST(GraphCount, PublishedLineFormatsInEveryForm) {
    struct Case {
        const char* name;
        QStringList vertices, edges, ranks;
    };
    const QStringList threeRanks{kRanksHeader + "1\t9.5\t2\t0.1\tcom.example\t4\n2\t3.5\t1\t0.2\tcom.other\t1\n"
                                               "3\t1.0\t3\t0.01\tuk.co.shop\t2\n"};
    const Case cases[] = {
        {"with host counts", {"0\tcom.example\t4\n1\tcom.other\t1\n2\tuk.co.shop\t2\n"}, {"1\t0\n2\t0\n2\t1\n"},
         threeRanks},
        {"without host counts", {"0\tcom.example\n1\tcom.other\n2\tuk.co.shop\n"}, {"1\t0\n2\t0\n2\t1\n"}, threeRanks},
        {"several gzip members", {"0\tcom.example\t4\n", "1\tcom.other\t1\n2\tuk.co.", "shop\t2\n"},
         {"1\t0\n", "2\t0\n2\t1\n"}, {kRanksHeader, "1\t9.5\t2\t0.1\tcom.example\t4\n2\t3.5\t1\t0.2\tcom.other\t1\n",
                                      "3\t1.0\t3\t0.01\tuk.co.shop\t2\n"}},
        {"no line end at the end, CR LF", {"0\tcom.example\r\n1\tcom.other\r\n2\tuk.co.shop"}, {"1\t0\r\n2\t0\n2\t1"},
         threeRanks},
        // Self-links and a repeated link count no other domain.
        {"self-links and repeats", {"0\tcom.example\t4\n1\tcom.other\t1\n2\tuk.co.shop\t2\n"},
         {"0\t0\n1\t0\n1\t0\n1\t1\n2\t0\n2\t1\n2\t2\n"}, threeRanks},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const Built built = countTexts(dir, c.vertices, c.edges, c.ranks);
        ASSERT_EQ(built.result.error, "");
        EXPECT_EQ(built.result.domains, 3u);
        EXPECT_EQ(built.result.edges, 3u);
        graphIndex::Reader index;
        ASSERT_TRUE(index.open(built.index.toStdString())) << index.error();
        const struct {
            const char* name;
            uint32_t linking, rank;
        } expected[] = {{"com.example", 2, 1}, {"com.other", 1, 2}, {"uk.co.shop", 0, 3}};
        for (const auto& e : expected) {
            const graphIndex::Found found = index.find(e.name);
            ASSERT_TRUE(found) << e.name;
            const graphIndex::Counts counts = found.counts;
            EXPECT_EQ(counts.linkingDomains, e.linking) << e.name;
            EXPECT_EQ(counts.harmonicRank, e.rank) << e.name;
        }
        for (const char* absent : {"com.exampl", "com.examplf", "a", "zz.last", ""})
            EXPECT_FALSE(index.find(absent)) << absent;
    }
}

TEST(GraphCount, BadInputNamesFileAndPlaceAndLeavesTheOldIndexAsItWas) {
    const QString vertices = QStringLiteral("0\tcom.a\n1\tcom.b\n2\tcom.c\n");
    const QString edges = QStringLiteral("0\t1\n1\t2\n");
    enum class Planted { None, Fifo, Link, Missing };
    struct Case {
        const char* name;
        QString vertices, edges;
        const char* file;       // the file the message names
        const char* where;      // and the place
        int chopEdges = 0;      // bytes cut off the end of the compressed edges
        int spoilEdgesAt = -1;  // a byte of the compressed edges overwritten
        Planted planted = Planted::None;  // in place of the vertices file
    };
    const QString longName = QStringLiteral("com.") + QString(250, QLatin1Char('x'));
    const Case cases[] = {
        {"four fields", "0\tcom.a\n1\tcom.b\t1\tx\n", edges, "vertices.txt.gz", "line 2: not two or three"},
        {"one field", vertices, "0\t1\n2\n", "edges.txt.gz", "line 2: not two tab-separated fields"},
        {"three edge fields", vertices, "0\t1\t2\n", "edges.txt.gz", "line 1: not two tab-separated fields"},
        {"not a number", vertices, "0\tx\n", "edges.txt.gz", "line 1: not two ids"},
        {"id beyond the vertices", vertices, "0\t1\n1\t3\n", "edges.txt.gz", "line 2: id 3 is beyond the 3 vertices"},
        {"ids out of order", "0\tcom.a\n2\tcom.b\n", "", "vertices.txt.gz", "line 2: id 2 where 1 was due"},
        {"unsorted edges", vertices, "1\t2\n0\t1\n", "edges.txt.gz", "line 2: the edges are not sorted"},
        {"truncated gzip", vertices, edges, "edges.txt.gz", "is truncated: the compressed data ends at byte", 6},
        {"corrupt gzip", vertices, edges, "edges.txt.gz", "at byte", 0, 12},
        {"not gzip at all", vertices, edges, "edges.txt.gz", "is not gzip data at byte", 0, 0},
        {"a name longer than a domain can be", "0\tcom.a\n1\t" + longName + "\n", "", "vertices.txt.gz",
         "line 2: a domain longer than 253 bytes"},
        // A few KiB of gzip holding one endless line: refused without holding it.
        {"an endless line", "0\tcom.a\n1\tcom." + QString(9 << 20, QLatin1Char('y')), "", "vertices.txt.gz",
         "line 2: longer than 8 MiB"},
        {"a pipe in the file's place", vertices, edges, "vertices.txt.gz", "not a regular file", 0, -1, Planted::Fifo},
        {"a link in the file's place", vertices, edges, "vertices.txt.gz", "symbolic links", 0, -1, Planted::Link},
        {"the files deleted after an earlier count", vertices, edges, "vertices.txt.gz", "No such file", 0, -1,
         Planted::Missing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const graphCount::Files files = graphCount::releaseFiles(dir.path().toStdString(), kRelease.toStdString());
        const QString verticesPath = QString::fromStdString(files.vertices);
        writeGzip(verticesPath, {c.vertices});
        writeGzip(QString::fromStdString(files.edges), {c.edges});
        writeGzip(QString::fromStdString(files.ranks), {kRanksHeader});
        QFile edgeFile(QString::fromStdString(files.edges));
        ASSERT_TRUE(edgeFile.open(QIODevice::ReadWrite));
        QByteArray bytes = edgeFile.readAll();
        if (c.chopEdges) bytes.chop(c.chopEdges);
        if (c.spoilEdgesAt >= 0) bytes[c.spoilEdgesAt] = static_cast<char>(bytes[c.spoilEdgesAt] ^ 0x5a);
        edgeFile.resize(0);
        edgeFile.seek(0);
        edgeFile.write(bytes);
        edgeFile.close();
        if (c.planted != Planted::None) {
            QFile::rename(verticesPath, verticesPath + ".real");
            if (c.planted == Planted::Fifo) ASSERT_EQ(::mkfifo(files.vertices.c_str(), 0600), 0);
            if (c.planted == Planted::Link) ASSERT_TRUE(QFile::link(verticesPath + ".real", verticesPath));
        }
        // The index of an earlier count stays, whatever this count meets.
        const QString index = dir.filePath(QStringLiteral("domain.index"));
        const QByteArray old = "the index of an earlier count";
        writeFileBytes(dir.filePath(QStringLiteral("domain.index.names.run3")), "a run a killed count left");
        {
            QFile earlier(index);
            ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
            earlier.write(old);
        }
        const graphCount::Result result = graphCount::countRelease(files, index.toStdString());
        EXPECT_NE(result.error.find(c.file), std::string::npos) << result.error;
        EXPECT_NE(result.error.find(c.where), std::string::npos) << result.error;
        QFile earlier(index);
        ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
        EXPECT_EQ(earlier.readAll(), old);
        EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("domain.index*")}, QDir::Files),
                  QStringList{QStringLiteral("domain.index")});
    }
}

// Older releases list the names as if each ended in "."; one listed a name
// under two ids. The count is by name: distinct other names linking to any
// of its ids.
TEST(GraphCount, TrailingDotOrderAndANameUnderTwoIdsAreCountedByName) {
    QTemporaryDir dir;
    const Built built = countTexts(
        dir,
        {"0\tno.hordaland-teater\t1\n1\tno.hordaland\t2\n2\tno.hordaland\t1\n3\tno.oslo\t4\n"},
        {// teater links to both ids of hordaland: one linking name.
         "0\t1\n0\t2\n"
         // hordaland's two ids link to oslo, and to each other (no other name).
         "1\t2\n1\t3\n2\t0\n2\t1\n2\t3\n"
         // oslo links to both ids of hordaland.
         "3\t1\n3\t2\n"},
        {kRanksHeader + "1\t9\t1\t0.1\tno.oslo\t4\n2\t8\t2\t0.1\tno.hordaland\t2\n3\t7\t3\t0.1\tno.hordaland-teater\t1\n"
                        "4\t6\t4\t0.1\tno.hordaland\t1\n"});
    ASSERT_EQ(built.result.error, "");
    EXPECT_EQ(built.result.domains, 3u);
    EXPECT_EQ(built.result.edges, 4u);  // teater->hordaland, hordaland->oslo, hordaland->teater, oslo->hordaland
    graphIndex::Reader index;
    ASSERT_TRUE(index.open(built.index.toStdString())) << index.error();
    std::vector<std::string> order;
    index.forEach([&](std::string_view name, graphIndex::Counts) { order.emplace_back(name); });
    EXPECT_EQ(order, (std::vector<std::string>{"no.hordaland", "no.hordaland-teater", "no.oslo"}));
    const struct {
        const char* name;
        uint32_t linking, rank;
    } expected[] = {{"no.hordaland", 2, 2}, {"no.hordaland-teater", 1, 3}, {"no.oslo", 1, 1}};
    for (const auto& e : expected) {
        const graphIndex::Found found = index.find(e.name);
        ASSERT_TRUE(found) << e.name;
        EXPECT_EQ(found.counts.linkingDomains, e.linking) << e.name;
        EXPECT_EQ(found.counts.harmonicRank, e.rank) << e.name;
    }
}

// A plain count from the three files: names by id, distinct pairs of two
// different names, the best rank of each name.
struct PlainCount {
    std::map<std::string, std::pair<uint32_t, uint32_t>> byName;  // linking domains, rank
    uint64_t links = 0;
};

PlainCount plainCount(const graphCount::Files& files) {
    PlainCount plain;
    auto lines = [](const std::string& path) {
        QByteArray text;
        EXPECT_EQ(runProgram(QStringLiteral("zcat"), {QString::fromStdString(path)}, &text), 0);
        return text.split('\n');
    };
    std::vector<std::string> names;
    for (const QByteArray& line : lines(files.vertices)) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < 2) continue;
        EXPECT_EQ(fields[0].toULongLong(), names.size());
        names.push_back(fields[1].toStdString());
        plain.byName[names.back()] = {0, 0};
    }
    std::set<std::pair<std::string, std::string>> pairs;
    for (const QByteArray& line : lines(files.edges)) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 2) continue;
        const std::string& from = names.at(fields[0].toULongLong());
        const std::string& to = names.at(fields[1].toULongLong());
        if (from != to) pairs.emplace(from, to);
    }
    for (const auto& pair : pairs) ++plain.byName[pair.second].first;
    plain.links = pairs.size();
    for (const QByteArray& line : lines(files.ranks)) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < 5 || line.startsWith('#')) continue;
        uint32_t& rank = plain.byName[fields[4].toStdString()].second;
        const uint32_t position = fields[0].toUInt();
        if (rank == 0 || position < rank) rank = position;
    }
    return plain;
}

TEST(GraphCount, AnyVertexOrderWithDuplicatedNamesMatchesAPlainCount) {
    const struct {
        const char* order;
        QStringList duplicates;
    } cases[] = {
        {"dot", {"com.example", "uk.co.shop"}},
        {"shuffled", {"com.example"}},
        {"sorted", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.order);
        QTemporaryDir dir;
        QStringList args{dir.path(), kRelease, "--domains", "3000", "--edges", "60000", "--members", "3",
                         "--seed", "11", "--order", c.order, "--include", "com.example-shop", "--include",
                         "com.example.www"};
        for (const QString& name : c.duplicates) args << "--duplicate" << name;
        ASSERT_EQ(runProgram(QStringLiteral(QUILLMARK_GRAPH_GEN), args), 0);
        const graphCount::Files files = graphCount::releaseFiles(dir.path().toStdString(), kRelease.toStdString());
        const QString indexPath = dir.filePath(QStringLiteral("domain.index"));
        const graphCount::Result result = graphCount::countRelease(files, indexPath.toStdString());
        ASSERT_EQ(result.error, "");
        const PlainCount plain = plainCount(files);
        EXPECT_EQ(result.domains, plain.byName.size());
        EXPECT_EQ(result.edges, plain.links);
        graphIndex::Reader index;
        ASSERT_TRUE(index.open(indexPath.toStdString()));
        auto expected = plain.byName.begin();
        int wrong = 0;
        const bool whole = index.forEach([&](std::string_view name, graphIndex::Counts counts) {
            // In name order, each name once, with the plain count's numbers.
            if (expected == plain.byName.end() || expected->first != name ||
                expected->second != std::make_pair(counts.linkingDomains, counts.harmonicRank)) {
                if (++wrong < 5) ADD_FAILURE() << name << ": " << counts.linkingDomains << ", " << counts.harmonicRank;
            }
            if (expected != plain.byName.end()) ++expected;
        });
        EXPECT_TRUE(whole);
        EXPECT_EQ(wrong, 0);
        EXPECT_TRUE(expected == plain.byName.end());
        for (const QString& name : c.duplicates) EXPECT_GT(index.find(name.toStdString()).counts.linkingDomains, 0u);
    }
}

// A count that cannot write (a full disk) or is killed while writing leaves
// the index of the count before it answering as before.
TEST(GraphCount, AFullDiskOrAKilledCountLeavesTheOldIndex) {
    QTemporaryDir dir;
    ASSERT_EQ(runProgram(QStringLiteral(QUILLMARK_GRAPH_GEN),
                         {dir.path(), kRelease, "--domains", "4000", "--edges", "40000", "--seed", "5"}),
              0);
    const graphCount::Files files = graphCount::releaseFiles(dir.path().toStdString(), kRelease.toStdString());
    const std::string index = dir.filePath(QStringLiteral("domain.index")).toStdString();
    ASSERT_EQ(graphCount::countRelease(files, index).error, "");
    QFile file(QString::fromStdString(index));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    for (bool killed : {false, true}) {
        SCOPED_TRACE(killed ? "killed by the file size limit" : "writes refused");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Past 16 KiB every write fails, as on a full disk, or the process dies.
            if (!killed) ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{16384, 16384};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            const graphCount::Result result = graphCount::countRelease(files, index);
            ::_exit(result.error.find("File too large") != std::string::npos ? 3 : 4);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (killed) EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
        else EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status;
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), before);
        file.close();
        graphIndex::Reader reader;
        EXPECT_TRUE(reader.open(index)) << reader.error();
    }
}

TEST(GraphCount, InDegreeMatchesAPlainCountOfTheSameRelease) {
    QTemporaryDir dir;
    ASSERT_EQ(runProgram(QStringLiteral(QUILLMARK_GRAPH_GEN),
                         {dir.path(), kRelease, QStringLiteral("--domains"), QStringLiteral("3000"),
                          QStringLiteral("--edges"), QStringLiteral("60000"), QStringLiteral("--members"),
                          QStringLiteral("4"), QStringLiteral("--seed"), QStringLiteral("7")}),
              0);
    const graphCount::Files files = graphCount::releaseFiles(dir.path().toStdString(), kRelease.toStdString());
    const QString indexPath = dir.filePath(QStringLiteral("domain.index"));
    const graphCount::Result result = graphCount::countRelease(files, indexPath.toStdString());
    ASSERT_EQ(result.error, "");
    // The plain count: distinct (from, to) pairs of two different domains, per target name.
    QByteArray plain;
    const QString script = QStringLiteral(
        "zcat '%1' | awk -F'\\t' 'NR==FNR {name[$1]=$2; next} $1!=$2 && !seen[$1\" \"$2]++ {n[name[$2]]++} "
        "END {for (d in name) print name[d], n[name[d]]+0}' <(zcat '%2') - ")
                               .arg(QString::fromStdString(files.edges), QString::fromStdString(files.vertices));
    ASSERT_EQ(runProgram(QStringLiteral("bash"), {QStringLiteral("-c"), script}, &plain), 0);
    QHash<QByteArray, uint32_t> expected;
    for (const QByteArray& line : plain.split('\n'))
        if (const qsizetype space = line.indexOf(' '); space > 0) expected[line.left(space)] = line.mid(space + 1).toUInt();
    ASSERT_EQ(expected.size(), 3000);
    graphIndex::Reader index;
    ASSERT_TRUE(index.open(indexPath.toStdString()));
    EXPECT_EQ(index.domainCount(), 3000u);
    int seen = 0, ranked = 0;
    uint64_t total = 0;
    index.forEach([&](std::string_view name, graphIndex::Counts counts) {
        const QByteArray key(name.data(), static_cast<qsizetype>(name.size()));
        EXPECT_EQ(counts.linkingDomains, expected.value(key, 999999)) << name;
        ranked += counts.harmonicRank != graphIndex::kNoRank;
        total += counts.linkingDomains;
        ++seen;
    });
    EXPECT_EQ(seen, 3000);
    EXPECT_EQ(ranked, 3000);
    EXPECT_EQ(total, result.edges);
    // Compact: no more than the compressed vertices file plus 4 bytes a domain.
    EXPECT_LE(QFileInfo(indexPath).size(), QFileInfo(QString::fromStdString(files.vertices)).size() + 4 * 3000);
}

TEST(GraphDomainKey, AddressesMapToReversedRegistrableDomains) {
    const struct {
        const char* address;
        const char* key;
    } cases[] = {
        {"www.sub.example.co.uk", "uk.co.example"},
        {"example.co.uk", "uk.co.example"},
        {"http://WWW.Example.com/some/page?x=1", "com.example"},
        {"https://a.b.c.example.org:8080", "org.example"},
        {"www.example.com.", "com.example"},
        {"shop.example.com.au", "au.com.example"},
        {"www.bücher.de", "de.xn--bcher-kva"},
        {"xn--bcher-kva.de", "de.xn--bcher-kva"},
        {"http://пример.рф/", "xn--p1ai.xn--e1afmkfd"},
        // Private suffixes are ordinary domains to the graph, as its releases fold hosts.
        {"user.github.io", "io.github"},
        {"http://someone.github.io/project/", "io.github"},
        {"foo.blogspot.com", "com.blogspot"},
        {"www.foo.blogspot.co.uk", "uk.co.blogspot"},
        {"github.io", "io.github"},
        {"co.uk", ""},                         // a suffix alone is no domain
        {"192.168.0.1", ""},
        {"http://[::1]/", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(domainKey::forAddress(QString::fromUtf8(c.address)), QString::fromUtf8(c.key)) << c.address;
}

TEST(GraphReleases, DatesFromCrawlsAndNames) {
    const struct {
        const char* crawl;
        QDate monday;
    } crawls[] = {
        {"CC-MAIN-2024-18", QDate(2024, 4, 29)},
        {"CC-MAIN-2021-01", QDate(2021, 1, 4)},
        {"CC-MAIN-2020-53", QDate(2020, 12, 28)},
        {"CC-MAIN-2019-01", QDate(2018, 12, 31)},  // week 1 may begin in the year before
        {"CC-MAIN-2021-53", QDate()},              // 2021 has no week 53
        {"nonsense", QDate()},
    };
    for (const auto& c : crawls)
        EXPECT_EQ(graphRelease::crawlMonday(QString::fromLatin1(c.crawl)).value_or(QDate()), c.monday) << c.crawl;
    const struct {
        const char* id;
        QDate month;
    } names[] = {
        {"cc-main-2017-may-jun-jul", QDate(2017, 7, 1)},
        {"cc-main-2020-21-oct-nov-jan", QDate(2021, 1, 1)},
        {"cc-main-2024-nov-feb-apr", QDate(2025, 4, 1)},
        {"cc-main-2018-feb-mar-apr", QDate(2018, 4, 1)},
        {"something-else", QDate()},
    };
    for (const auto& n : names)
        EXPECT_EQ(graphRelease::nameMonth(QString::fromLatin1(n.id)).value_or(QDate()), n.month) << n.id;
}

TEST(GraphReleases, ListOrderedByNewestCrawlThenByName) {
    const QByteArray json = R"([
      {"id": "cc-main-2023-may-sep-nov", "crawls": ["CC-MAIN-2023-40", "CC-MAIN-2023-50"]},
      {"id": "cc-main-2017-may-jun-jul", "crawls": []},
      {"id": "cc-main-2024-nov-feb-apr", "crawls": ["CC-MAIN-2024-18", "CC-MAIN-2023-50", "CC-MAIN-2024-10"]},
      {"id": "cc-main-2017-aug-sep-oct"},
      {"id": "no-date-here", "crawls": []}
    ])";
    QString error;
    auto releases = graphRelease::parseGraphInfo(json, &error);
    ASSERT_TRUE(releases) << error.toStdString();
    graphRelease::sortNewestFirst(*releases);
    QStringList ids;
    for (const auto& r : *releases) ids << r.id;
    EXPECT_EQ(ids, QStringList({"cc-main-2024-nov-feb-apr", "cc-main-2023-may-sep-nov", "cc-main-2017-aug-sep-oct",
                                "cc-main-2017-may-jun-jul", "no-date-here"}));
    for (const char* bad : {"{}", "[{\"crawls\": []}]", "not json"})
        EXPECT_FALSE(graphRelease::parseGraphInfo(bad)) << bad;
}

}  // namespace

namespace {

// Names sharing long prefixes, longer than the short forms hold, across block boundaries.
TEST(GraphIndex, LongAndSharedNamesAreFoundAcrossBlocks) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("names.index")).toStdString();
    std::vector<std::string> names;
    for (int i = 0; i < 70; ++i)
        names.push_back("com." + std::string(static_cast<size_t>(i % 7) * 9, 'a') + "-long-name-" + std::to_string(100 + i));
    std::sort(names.begin(), names.end());
    {
        graphIndex::Writer writer(path, true);
        for (size_t i = 0; i < names.size(); ++i)
            writer.add(names[i], {static_cast<uint32_t>(names.size() - 1 - i), static_cast<uint32_t>(i + 1)});
        ASSERT_TRUE(writer.finish()) << writer.error();
    }
    graphIndex::Reader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    EXPECT_EQ(reader.domainCount(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        const graphIndex::Found found = reader.find(names[i]);
        EXPECT_TRUE(found) << names[i];
        EXPECT_EQ(found.position, i) << names[i];
        const graphIndex::Counts counts = found.counts;
        EXPECT_EQ(counts.linkingDomains, names.size() - 1 - i);
        EXPECT_EQ(counts.harmonicRank, i + 1);
        EXPECT_EQ(reader.find(names[i] + "x").status, graphIndex::Status::Absent) << names[i];
        EXPECT_EQ(reader.find(names[i].substr(0, names[i].size() - 1)).status, graphIndex::Status::Absent) << names[i];
    }
    // A file cut short is no index.
    QFile::resize(QString::fromStdString(path), QFileInfo(QString::fromStdString(path)).size() - 1);
    graphIndex::Reader cut;
    EXPECT_FALSE(cut.open(path));
}

}  // namespace
