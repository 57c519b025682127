#include "config/app_paths.h"
#include "config/ini_file.h"
#include "scan/page_fetcher.h"
#include "sources/credentials.h"
#include "sources/source_file.h"
#include "support/sim_fixture.h"
#include "support/sim_record.h"
#include "support/temp_app_folder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct ScanRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Scans with the real quillmark-scan, its columns bound to the shipped
// presets whose service host is replaced by the stand-in's.
class SourceScanTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        m_program = app.file(QStringLiteral("quillmark-scan"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(QUILLMARK_SCAN_BIN), m_program));
        QFile::remove(credentials::path());
    }

    // Copies the shipped preset into the application folder, pointed at the stand-in.
    void ship(const QString& name, bool keepPause = false) {
        QByteArray text = readFileBytes(QStringLiteral(QUILLMARK_SHIPPED_APP "/Sources/") + name + ".ini");
        ASSERT_FALSE(text.isEmpty()) << name.toStdString();
        text.replace(QRegularExpression(QStringLiteral("https://[^/]+")).match(QString::fromLatin1(text)).captured(0).toLatin1(),
                     sim().baseUrl().toLatin1());
        if (!keepPause) text.replace(QByteArray("\r\nPause="), QByteArray("\r\nOldPause="));
        app.write(QStringLiteral("Sources/") + name + ".ini", text);
    }
    // Binds the first column to name and switches the other five off.
    void bindFirstColumn(const QString& name) {
        const QString ini = app.file(QStringLiteral("settings.ini"));
        ASSERT_TRUE(IniWriteKey(QStringLiteral("Sources"), QStringLiteral("Google"), name, ini));
        for (const char* key : {"Altavista", "Yahoo", "Ask", "MSN", "ATW"})
            ASSERT_TRUE(IniWriteKey(QStringLiteral("Sources"), QLatin1String(key), QStringLiteral("off"), ini));
    }
    void credential(const QString& source, const QString& key, const QString& value) {
        QString error;
        ASSERT_TRUE(credentials::write(source, key, value, &error)) << error.toStdString();
    }
    ScanRun run(const QStringList& args) {
        QProcess p;
        p.start(m_program, args);
        ScanRun r;
        if (!p.waitForFinished(60000)) return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }
    // The first count column of each CSV row after the header.
    static QStringList firstCounts(const QByteArray& csv) {
        QStringList counts;
        const QStringList lines = QString::fromLatin1(csv).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (qsizetype i = 1; i < lines.size(); ++i) counts << lines[i].section(QLatin1Char(','), 2, 2);
        return counts;
    }
    int requestsTo(const QByteArray& path) {
        PageFetcher fetcher;
        const SimRecord record = SimRecord::read(fetcher, sim());
        return static_cast<int>(std::count_if(record.targets.cbegin(), record.targets.cend(),
                                              [&](const QByteArray& t) { return t.startsWith(path); }));
    }
    void clearRecord() {
        PageFetcher fetcher;
        ASSERT_TRUE(SimRecord::clear(fetcher, sim()));
    }

    QString m_program;
};

QByteArray caption(const QString& name) {
    const QHash<QString, QByteArray> captions{{"moz", "Moz"}, {"majestic", "Majestic"}, {"dataforseo", "DataForSEO"},
                                              {"ahrefs", "Ahrefs"}, {"mojeek", "Mojeek"}};
    return captions.value(name);
}

QString expected(const QString& target) { return QString::number(100 * target.toUtf8().size()); }

TEST_F(SourceScanTest, EveryShippedPresetCountsThroughARealScan) {
    struct Case { const char* name; QList<std::pair<const char*, const char*>> creds; bool byHost; const char* path; };
    const Case cases[] = {
        {"moz", {{"id", "sim-id"}, {"secret", "sim-secret"}}, false, "/v2/url_metrics"},
        {"majestic", {{"key", "sim-key"}}, false, "/api/json"},
        {"dataforseo", {{"login", "sim-login"}, {"password", "sim-password"}}, false, "/v3/backlinks/summary/live"},
        {"ahrefs", {{"token", "sim-token"}}, false, "/v3/site-explorer/backlinks-stats"},
        {"mojeek", {{"key", "sim-key"}}, true, "/search"},
    };
    const QString a = QStringLiteral("http://www.example.co.uk/");
    const QString b = QStringLiteral("shop.example.org");
    for (const Case& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        ship(name);
        bindFirstColumn(name);
        for (const auto& [key, value] : c.creds) credential(name, QLatin1String(key), QLatin1String(value));
        clearRecord();
        const ScanRun r = run({a, b});
        EXPECT_EQ(r.exitCode, 0) << c.name;
        EXPECT_EQ(r.err, QByteArray()) << c.name;
        const QStringList want = c.byHost ? QStringList{expected(QStringLiteral("example.co.uk")), expected(b)}
                                          : QStringList{expected(a), expected(b)};
        QStringList got = firstCounts(r.out);
        std::sort(got.begin(), got.end());
        QStringList sortedWant = want;
        std::sort(sortedWant.begin(), sortedWant.end());
        EXPECT_EQ(got, sortedWant) << c.name << "\n" << r.out.toStdString();
        EXPECT_GE(requestsTo(c.path), 1) << c.name;
        // Off columns are never asked.
        EXPECT_EQ(requestsTo("/google") + requestsTo("/yahoo") + requestsTo("/msn"), 0) << c.name;
        EXPECT_TRUE(r.out.startsWith("Domain Name,Total," + caption(name) + ",Rank\n")) << r.out.toStdString();
    }
}

TEST_F(SourceScanTest, ErrorsAreShownOnceWithTheCaptionAndLeaveCellsEmpty) {
    struct Case { const char* name; const char* key; const char* value; const char* message; };
    const Case cases[] = {
        {"moz", "id", "wrong", "Moz: 401 Unauthorized"},
        {"majestic", "key", "wrong", "Majestic: The API key is not valid"},
        {"ahrefs", "token", "wrong", "Ahrefs: 401 Unauthorized"},
        {"mojeek", "key", "wrong", "Mojeek: 401 Unauthorized"},
        {"dataforseo", "login", "wrong", "DataForSEO: 401 Unauthorized"},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        ship(name);
        bindFirstColumn(name);
        QFile::remove(credentials::path());
        credential(name, QLatin1String(c.key), QLatin1String(c.value));
        // A request goes out only with every key its source names.
        for (const QString& other : loadSourceFile(app.file("Sources/" + name + ".ini")).source->credentialKeys())
            if (other != QLatin1String(c.key)) credential(name, other, QStringLiteral("wrong"));
        const ScanRun r = run({QStringLiteral("a.example"), QStringLiteral("b.example"), QStringLiteral("c.example")});
        EXPECT_EQ(r.exitCode, 0) << c.name;
        const QByteArray message = QByteArray(c.message);
        EXPECT_EQ(r.err.count(message), 1) << c.name << ": " << r.err.toStdString();
        EXPECT_EQ(firstCounts(r.out), (QStringList{QString(), QString(), QString()})) << c.name;
    }
}

TEST_F(SourceScanTest, ABatchCarriesUpToTheSourcesLimit) {
    ship(QStringLiteral("moz"));
    bindFirstColumn(QStringLiteral("moz"));
    credential(QStringLiteral("moz"), QStringLiteral("id"), QStringLiteral("sim-id"));
    credential(QStringLiteral("moz"), QStringLiteral("secret"), QStringLiteral("sim-secret"));
    QStringList addresses;
    for (int i = 0; i < 120; ++i) addresses << QStringLiteral("site%1.example").arg(i);
    clearRecord();
    const ScanRun r = run(addresses);
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(requestsTo("/v2/url_metrics"), 3);  // 50 + 50 + 20
    const QStringList counts = firstCounts(r.out);
    ASSERT_EQ(counts.size(), 120);
    for (const QString& count : counts) EXPECT_TRUE(count == expected(QStringLiteral("site1.example")) ||
                                                    count == expected(QStringLiteral("site10.example")) ||
                                                    count == expected(QStringLiteral("site100.example")));
}

TEST_F(SourceScanTest, ARegexSourceAndAPageSource) {
    // Each reads the stand-in engines' own pages: one by a pattern, one by Google's markers.
    app.write(QStringLiteral("Sources/pattern.ini"),
              ("[Source]\r\nCaption=Pattern\r\nUrl=" + sim().baseUrl().toLatin1() +
               "/google/search?q=link:{address}\r\nCount=regex:of about <b>([0-9,]+)</b>\r\n"));
    app.write(QStringLiteral("Sources/page.ini"),
              ("[Source]\r\nCaption=Page\r\nUrl=" + sim().baseUrl().toLatin1() +
               "/google/search?q=link:{address}\r\nCount=page:Google\r\n"));
    for (const char* name : {"pattern", "page"}) {
        bindFirstColumn(QLatin1String(name));
        const ScanRun r = run({QStringLiteral("http://count-1234.example/")});
        EXPECT_EQ(r.exitCode, 0) << name;
        EXPECT_EQ(firstCounts(r.out), QStringList{QStringLiteral("1234")}) << name << r.out.toStdString() << r.err.toStdString();
    }
}

TEST_F(SourceScanTest, ACredentialsFileOthersCanReadIsRefusedByName) {
    ship(QStringLiteral("majestic"));
    bindFirstColumn(QStringLiteral("majestic"));
    credential(QStringLiteral("majestic"), QStringLiteral("key"), QStringLiteral("sim-key"));
    ::chmod(QFile::encodeName(credentials::path()).constData(), 0644);
    clearRecord();
    const ScanRun r = run({QStringLiteral("a.example")});
    EXPECT_TRUE(r.err.contains(credentials::path().toLocal8Bit())) << r.err.toStdString();
    EXPECT_EQ(firstCounts(r.out), QStringList{QString()});
    EXPECT_EQ(requestsTo("/api/json"), 0);
}

TEST_F(SourceScanTest, AKeyReachesNoFileAndNoOutput) {
    const QByteArray key = "sim-key";
    ship(QStringLiteral("majestic"));
    bindFirstColumn(QStringLiteral("majestic"));
    credential(QStringLiteral("majestic"), QStringLiteral("key"), QString::fromLatin1(key));
    const ScanRun ok = run({QStringLiteral("--append"), QStringLiteral("history"), QStringLiteral("a.example")});
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    ASSERT_TRUE(QFile::exists(app.file(QStringLiteral("Saved/history.lpc"))));
    // The history's section is named by the caption that wrote it.
    EXPECT_EQ(IniListSections(app.file(QStringLiteral("Saved/history.lpc"))), QStringList{QStringLiteral("Majestic")});
    // An error answer echoes nothing of the key either.
    ship(QStringLiteral("moz"));
    bindFirstColumn(QStringLiteral("moz"));
    credential(QStringLiteral("moz"), QStringLiteral("id"), QString::fromLatin1(key));
    const ScanRun failed = run({QStringLiteral("a.example")});
    for (const ScanRun* r : {&ok, &failed}) {
        EXPECT_FALSE(r->out.contains(key));
        EXPECT_FALSE(r->err.contains(key));
    }
    QDirIterator files(app.path(), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        if (file == m_program) continue;
        EXPECT_FALSE(readFileBytes(file).contains(key)) << file.toStdString();
    }
}

}  // namespace
