#include "graph/domain_key.h"
#include "graph/graph_index.h"
#include "graph/release_catalog.h"
#include "graph/release_counter.h"
#include "support/graph_release.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
            graphIndex::Counts counts;
            ASSERT_TRUE(index.find(e.name, &counts)) << e.name;
            EXPECT_EQ(counts.linkingDomains, e.linking) << e.name;
            EXPECT_EQ(counts.harmonicRank, e.rank) << e.name;
        }
        for (const char* absent : {"com.exampl", "com.examplf", "a", "zz.last", ""})
            EXPECT_FALSE(index.find(absent)) << absent;
    }
}

TEST(GraphCount, BadInputNamesFileAndPlaceAndLeavesNoIndex) {
    const QString vertices = QStringLiteral("0\tcom.a\n1\tcom.b\n2\tcom.c\n");
    const QString edges = QStringLiteral("0\t1\n1\t2\n");
    struct Case {
        const char* name;
        QString vertices, edges;
        const char* file;       // the file the message names
        const char* where;      // and the place
        int chopEdges = 0;      // bytes cut off the end of the compressed edges
        int spoilEdgesAt = -1;  // a byte of the compressed edges overwritten
    };
    const Case cases[] = {
        {"four fields", "0\tcom.a\n1\tcom.b\t1\tx\n", edges, "vertices.txt.gz", "line 2: not two or three"},
        {"one field", vertices, "0\t1\n2\n", "edges.txt.gz", "line 2: not two tab-separated fields"},
        {"three edge fields", vertices, "0\t1\t2\n", "edges.txt.gz", "line 1: not two tab-separated fields"},
        {"not a number", vertices, "0\tx\n", "edges.txt.gz", "line 1: not two ids"},
        {"id beyond the vertices", vertices, "0\t1\n1\t3\n", "edges.txt.gz", "line 2: id 3 is beyond the 3 vertices"},
        {"unsorted vertices", "0\tcom.b\n1\tcom.c\n2\tcom.a\n", edges, "vertices.txt.gz",
         "line 3: the vertices are not sorted by name"},
        {"repeated vertex", "0\tcom.a\n1\tcom.a\n", "", "vertices.txt.gz", "line 2: the vertices are not sorted"},
        {"ids out of order", "0\tcom.a\n2\tcom.b\n", "", "vertices.txt.gz", "line 2: id 2 where 1 was due"},
        {"unsorted edges", vertices, "1\t2\n0\t1\n", "edges.txt.gz", "line 2: the edges are not sorted"},
        {"truncated gzip", vertices, edges, "edges.txt.gz", "is truncated: the compressed data ends at byte", 6},
        {"corrupt gzip", vertices, edges, "edges.txt.gz", "at byte", 0, 12},
        {"not gzip at all", vertices, edges, "edges.txt.gz", "is not gzip data at byte", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const graphCount::Files files = graphCount::releaseFiles(dir.path().toStdString(), kRelease.toStdString());
        writeGzip(QString::fromStdString(files.vertices), {c.vertices});
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
        const QString index = dir.filePath(QStringLiteral("domain.index"));
        writeGzip(index, {QStringLiteral("stale")});  // an index of earlier files goes too
        const graphCount::Result result = graphCount::countRelease(files, index.toStdString());
        EXPECT_NE(result.error.find(c.file), std::string::npos) << result.error;
        EXPECT_NE(result.error.find(c.where), std::string::npos) << result.error;
        EXPECT_FALSE(QFile::exists(index));
        EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("domain.index*")}, QDir::Files), QStringList());
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
        {"user.github.io", "io.github.user"},  // a private suffix on the list
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
            writer.add(names[i], {static_cast<uint32_t>(i * 1000), static_cast<uint32_t>(i + 1)});
        ASSERT_TRUE(writer.finish()) << writer.error();
    }
    graphIndex::Reader reader;
    ASSERT_TRUE(reader.open(path)) << reader.error();
    EXPECT_EQ(reader.domainCount(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        graphIndex::Counts counts;
        EXPECT_EQ(reader.find(names[i], &counts), std::optional<uint64_t>(i)) << names[i];
        EXPECT_EQ(counts.linkingDomains, i * 1000);
        EXPECT_EQ(counts.harmonicRank, i + 1);
        EXPECT_FALSE(reader.find(names[i] + "x")) << names[i];
        EXPECT_FALSE(reader.find(names[i].substr(0, names[i].size() - 1))) << names[i];
    }
    // A file cut short is no index.
    QFile::resize(QString::fromStdString(path), QFileInfo(QString::fromStdString(path)).size() - 1);
    graphIndex::Reader cut;
    EXPECT_FALSE(cut.open(path));
}

}  // namespace
