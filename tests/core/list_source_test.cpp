#include "config/engine_catalog.h"
#include "config/ini_file.h"
#include "graph/graph_index.h"
#include "net/page_fetcher.h"
#include "sources/list_index.h"
#include "sources/source_file.h"
#include "support/graph_release.h"
#include "support/sim_fixture.h"
#include "support/sim_record.h"
#include "support/temp_app_folder.h"

#include <QDir>
#include <algorithm>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray kHeader =
    "GlobalRank,TldRank,Domain,TLD,RefSubNets,RefIPs,IDN_Domain,IDN_TLD,PrevGlobalRank,PrevTldRank,PrevRefSubNets,"
    "PrevRefIPs";

listIndex::Columns majesticColumns() {
    return {QStringLiteral("Domain"), QStringLiteral("RefSubNets"), QStringLiteral("GlobalRank"), QString::fromLatin1(kHeader)};
}

// name -> count in the index at path; -1 when absent, -2 when it cannot be opened.
long long countIn(const QString& path, const std::string& name, uint32_t* rank = nullptr) {
    graphIndex::Reader reader;
    reader.countsUnbounded();
    if (!reader.open(QFile::encodeName(path).toStdString())) return -2;
    const graphIndex::Found hit = reader.find(name);
    if (!hit) return -1;
    const graphIndex::Counts counts = hit.counts;
    if (rank) *rank = counts.harmonicRank;
    return counts.linkingDomains;
}

}  // namespace

TEST(ListIndex, SplitsQuotedAndPlainFields) {
    struct Case { QByteArray line; QStringList fields; };
    const Case cases[] = {
        {"a,b,,c", {"a", "b", "", "c"}},
        {"\"a,b\",c", {"a,b", "c"}},
        {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
        {"\"\",", {"", ""}},
        {"", {""}},
        {"\"unclosed,x", {"unclosed,x"}},
    };
    for (const Case& c : cases) EXPECT_EQ(listIndex::splitLine(c.line), c.fields) << c.line.toStdString();
}

// Every shape the published file may take reads to the same numbers; rows
// without a usable count are left out, never read as some other number.
TEST(ListIndex, ReadsTheListInAnyLineEndQuotingOrBom) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.index"));
    const QByteArray rows[] = {
        "1,1,Example.COM,com,40000,80000,example.com,com,1,1,40000,80000",
        "2,1,www.wwwsite.net.,net,900,1800,www.wwwsite.net,net,2,2,900,1800",
        "3,1,b\xC3\xBC" "cher.de,de,800,1600,b\xC3\xBC" "cher.de,de,3,3,800,1600",
        "4,2,example.com,com,7,14,example.com,com,4,4,7,14",
        "5,3,decimal.com,com,12.5,1,decimal.com,com,5,5,1,1",
        "6,4,negative.com,com,-3,1,negative.com,com,6,6,1,1",
        "7,5,huge.com,com,99999999999,1,huge.com,com,7,7,1,1",
        "8,6,,com,5,1,,com,8,8,1,1",
        "9,7,short.com",
        "10,8,bad domain.com,com,5,1,x,com,10,10,1,1",
        "11,9,zero.org,org,0,0,zero.org,org,11,11,0,0",
    };
    struct Shape { const char* name; QByteArray bom; QByteArray eol; bool quoted; };
    const Shape shapes[] = {{"LF", "", "\n", false}, {"CR LF and BOM", "\xEF\xBB\xBF", "\r\n", false},
                            {"quoted, no final line end", "", "\r\n", true}};
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        QByteArray csv = shape.bom + kHeader + shape.eol;
        for (const QByteArray& row : rows) {
            QByteArray line = row;
            if (shape.quoted) line = '"' + line.replace(",", "\",\"") + '"';
            csv += line + shape.eol;
        }
        if (shape.quoted) csv.chop(shape.eol.size());
        const listIndex::Built built = listIndex::build(csv, majesticColumns(), path);
        ASSERT_EQ(built.error, QString());
        EXPECT_EQ(built.rows, 4u);  // example.com once, wwwsite.net, xn--bcher-kva.de, zero.org
        EXPECT_EQ(built.skipped, 6u);
        uint32_t rank = 0;
        EXPECT_EQ(countIn(path, "example.com", &rank), 40000);
        EXPECT_EQ(rank, 1u);
        EXPECT_EQ(countIn(path, "wwwsite.net"), 900);
        EXPECT_EQ(countIn(path, "xn--bcher-kva.de"), 800);
        EXPECT_EQ(countIn(path, "zero.org"), 0);
        for (const char* absent : {"decimal.com", "negative.com", "huge.com", "short.com", "www.wwwsite.net"})
            EXPECT_EQ(countIn(path, absent), -1) << absent;
    }
}

// A list that cannot be read leaves the index there was untouched.
TEST(ListIndex, AListThatCannotBeReadKeepsTheOldIndex) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.index"));
    ASSERT_EQ(listIndex::build(kHeader + "\n1,1,old.com,com,5,5,old.com,com,1,1,5,5\n", majesticColumns(), path).error,
              QString());
    listIndex::Columns noHeader = majesticColumns();
    noHeader.header.clear();
    struct Case { const char* name; QByteArray csv; listIndex::Columns columns; const char* error; };
    const Case cases[] = {
        {"another first line", "Rank,Site,Links\n1,new.com,5\n", majesticColumns(), "the list's first line reads"},
        {"no count column", "GlobalRank,Domain\n1,new.com\n", noHeader, "no column RefSubNets"},
        {"no row", kHeader + "\r\n", majesticColumns(), "no row with a domain and a count"},
        {"an HTML page", "<html><body>Not found</body></html>", noHeader, "no column Domain, RefSubNets"},
        {"nothing", "", majesticColumns(), "first line reads"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const listIndex::Built built = listIndex::build(c.csv, c.columns, path);
        EXPECT_TRUE(built.error.contains(QLatin1String(c.error))) << built.error.toStdString();
        EXPECT_EQ(countIn(path, "old.com"), 5);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("list.index")});
    }
}

TEST(ListIndex, LooksUpTheHostWithoutWwwThenItsRegistrableDomain) {
    struct Case { const char* address; QStringList names; };
    const Case cases[] = {
        {"http://www.example.com/page", {"example.com"}},
        {"blog.example.org", {"blog.example.org", "example.org"}},
        {"https://WWW.Shop.co.uk:8080/x?y=1", {"shop.co.uk"}},
        {"http://a.b.shop.co.uk", {"a.b.shop.co.uk", "shop.co.uk"}},
        {"http://b\xC3\xBC" "cher.de/", {"xn--bcher-kva.de"}},
        {"http://127.0.0.1/", {"127.0.0.1"}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(listIndex::lookupNames(QString::fromUtf8(c.address)), c.names) << c.address;
}

TEST(ListSourceFile, TheShippedListAndItsMistakes) {
    const SourceLoad shipped = loadSourceFile(QStringLiteral(QUILLMARK_SHIPPED_APP "/Sources/majestic-million.ini"));
    ASSERT_TRUE(shipped.source) << shipped.error.toStdString();
    EXPECT_EQ(shipped.source->type, "list");
    EXPECT_EQ(shipped.source->url, "https://downloads.majestic.com/majestic_million.csv");
    EXPECT_EQ(shipped.source->listDomain, "Domain");
    EXPECT_EQ(shipped.source->listCount, "RefSubNets");
    EXPECT_EQ(shipped.source->listHeader, QString::fromLatin1(kHeader));
    EXPECT_TRUE(shipped.source->credentialKeys().isEmpty());

    TempAppFolder app;
    struct Case { const char* text; const char* error; };
    const Case cases[] = {
        {"[Source]\nType=list\nCount=Links\n", "needs an http or https Url"},
        {"[Source]\nType=list\nUrl=file:///etc/passwd\nCount=Links\n", "needs an http or https Url"},
        {"[Source]\nType=list\nUrl=http://127.0.0.1/x.csv\n", "needs Count"},
    };
    for (const Case& c : cases) {
        app.write(QStringLiteral("Sources/bad.ini"), c.text);
        const SourceLoad load = loadSourceFile(app.file(QStringLiteral("Sources/bad.ini")));
        EXPECT_FALSE(load.source);
        EXPECT_TRUE(load.error.contains(QLatin1String(c.error))) << load.error.toStdString();
    }
}

namespace {

// Columns on a list the stand-in serves, through real quillmark-scan runs.
class ListColumnTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        if (HasFatalFailure()) return;
        useUrl(sim().url(QStringLiteral("/lists/million.csv?crlf=1&bom=1")));
        const char* binds[] = {"million", "off", "off", "off", "off", "off"};
        for (int i = 0; i < kEngineCount; ++i)
            ASSERT_TRUE(IniWriteKey(QStringLiteral("Sources"), QLatin1String(engineSpecs()[static_cast<size_t>(i)].key),
                                    QLatin1String(binds[i]), app.file(QStringLiteral("settings.ini"))));
    }
    // The shipped file, its Url pointed at the stand-in.
    void useUrl(const QString& url) {
        QByteArray text = readFileBytes(QStringLiteral(QUILLMARK_SHIPPED_APP "/Sources/majestic-million.ini"));
        text.replace("https://downloads.majestic.com/majestic_million.csv", url.toUtf8());
        app.write(QStringLiteral("Sources/million.ini"), text);
    }
    struct Scan {
        int exit = -1;
        QByteArray out, err;
        QHash<QString, QStringList> rows;
    };
    Scan scan(const QStringList& args) {
        const QString program = app.file(QStringLiteral("quillmark-scan"));
        if (!QFile::exists(program)) QFile::copy(QStringLiteral(QUILLMARK_SCAN_BIN), program);
        Scan s;
        s.exit = runProgram(program, args, &s.out, &s.err, 60000);
        const QStringList lines = QString::fromUtf8(s.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QStringList fields = lines[i].split(QLatin1Char(','));
            s.rows.insert(fields.takeFirst(), fields);
        }
        return s;
    }
    int listRequests() {
        const SimRecord record = SimRecord::read(m_fetcher, sim());
        return static_cast<int>(std::count_if(record.targets.begin(), record.targets.end(),
                                              [](const QByteArray& t) { return t.startsWith("/lists/"); }));
    }
    // Makes the cached index as old as hours.
    void age(int hours) {
        QFile index(listIndex::indexPath(QStringLiteral("million")));
        ASSERT_TRUE(index.open(QIODevice::ReadWrite));
        ASSERT_TRUE(index.setFileTime(QDateTime::currentDateTime().addSecs(-hours * 3600), QFileDevice::FileModificationTime));
    }
    void expectCounts(const Scan& s, const std::vector<std::pair<QString, QString>>& want) {
        for (const auto& [address, count] : want) {
            EXPECT_EQ(s.rows.value(address).value(1), count) << address.toStdString();
            EXPECT_EQ(s.rows.value(address).value(0), count.isEmpty() ? "0" : count) << address.toStdString();
        }
    }

    TempGraphCache m_cache;
    PageFetcher m_fetcher;
};

const std::vector<std::pair<QString, QString>> kWant = {
    {"http://www.example.com/page", "40000"}, {"blog.example.org", "3000"},  {"http://news.example.org/", "2500"},
    {"https://www.shop.co.uk/x", "1200"},     {"wwwsite.net", "900"},        {"http://d1000.test/", "1001"},
    {"http://unlisted.com/", ""},             {"http://127.0.0.1/", ""},
};

QStringList addresses() {
    QStringList list;
    for (const auto& [address, count] : kWant) list << address;
    return list;
}

}  // namespace

TEST_F(ListColumnTest, AScanDownloadsTheListOnceADayAndAnswersLocally) {
    ASSERT_TRUE(SimRecord::clear(m_fetcher, sim()));
    const Scan first = scan(addresses());
    EXPECT_EQ(first.exit, 0);
    EXPECT_EQ(first.err, QByteArray());
    ASSERT_TRUE(first.out.startsWith("Domain Name,Total,Majestic Million,Rank\n")) << first.out.toStdString();
    expectCounts(first, kWant);
    EXPECT_EQ(listRequests(), 1);

    // The same day: no request at all, the same numbers.
    const Scan second = scan(addresses());
    EXPECT_EQ(second.err, QByteArray());
    expectCounts(second, kWant);
    EXPECT_EQ(listRequests(), 1);

    // A day later the list is downloaded again.
    age(25);
    const Scan third = scan({QStringLiteral("example.com")});
    EXPECT_EQ(third.rows.value("example.com").value(1), "40000");
    EXPECT_EQ(listRequests(), 2);
    EXPECT_LT(QFileInfo(listIndex::indexPath(QStringLiteral("million"))).lastModified().secsTo(QDateTime::currentDateTime()), 3600);
}

TEST_F(ListColumnTest, AFailedRefreshKeepsTheOldListAndSaysSo) {
    ASSERT_EQ(scan({QStringLiteral("example.com")}).rows.value("example.com").value(1), "40000");
    struct Case { const char* name; QString url; const char* reason; };
    const Case cases[] = {
        {"a server error", sim().url(QStringLiteral("/status/503")), "(HTTP 503)"},
        {"another first line", sim().url(QStringLiteral("/lists/million.csv?header=Rank,Site,Links")), "first line reads"},
        {"no server", QStringLiteral("http://127.0.0.1:1/million.csv"), "could not be downloaded"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        age(30);
        useUrl(c.url);
        const Scan s = scan(addresses());
        EXPECT_EQ(s.exit, 0);
        expectCounts(s, kWant);
        // Said once, with the reason and the date of the copy in use.
        EXPECT_EQ(s.err.count("quillmark-scan: Majestic Million: the list could not be downloaded from "), 1)
            << s.err.toStdString();
        EXPECT_TRUE(s.err.contains(c.reason)) << s.err.toStdString();
        EXPECT_TRUE(s.err.contains("; the copy of ")) << s.err.toStdString();
    }
}

TEST_F(ListColumnTest, WithoutAnyListTheColumnStaysEmptyAndSaysWhy) {
    useUrl(sim().url(QStringLiteral("/status/404")));
    const Scan s = scan(addresses());
    EXPECT_EQ(s.exit, 0);
    for (const auto& [address, count] : kWant) EXPECT_EQ(s.rows.value(address).value(1), QString()) << address.toStdString();
    EXPECT_TRUE(s.err.contains("Majestic Million: the list could not be downloaded from")) << s.err.toStdString();
    EXPECT_TRUE(s.err.contains("(HTTP 404)\n")) << s.err.toStdString();
    EXPECT_FALSE(QFile::exists(listIndex::indexPath(QStringLiteral("million"))));
}
