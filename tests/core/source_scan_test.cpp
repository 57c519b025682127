#include "config/app_paths.h"
#include "config/ini_file.h"
#include "net/page_fetcher.h"
#include "sources/credentials.h"
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
    // Each address of the CSV with its first count column.
    static QHash<QString, QString> countsByAddress(const QByteArray& csv) {
        QHash<QString, QString> counts;
        const QStringList lines = QString::fromLatin1(csv).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (qsizetype i = 1; i < lines.size(); ++i)
            counts.insert(lines[i].section(QLatin1Char(','), 0, 0), lines[i].section(QLatin1Char(','), 2, 2));
        return counts;
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
                                              {"ahrefs", "Ahrefs"}, {"mojeek", "Mojeek"},
                                              {"moz-token", "Moz"}};
    return captions.value(name);
}

QString expected(const QString& target) { return QString::number(100 * target.toUtf8().size()); }

TEST_F(SourceScanTest, EveryShippedPresetCountsThroughARealScan) {
    // What each preset is sent: the site (host without "www."), or the address as written.
    struct Case { const char* name; QList<std::pair<const char*, const char*>> creds; bool byHost; const char* path; };
    const Case cases[] = {
        {"moz", {{"id", "sim-id"}, {"secret", "sim-secret"}}, false, "/v2/url_metrics"},
        {"moz-token", {{"token", "sim-token"}}, false, "/v2/url_metrics"},
        {"majestic", {{"key", "sim-key"}}, true, "/api/json"},
        {"dataforseo", {{"login", "sim-login"}, {"password", "sim-password"}}, true, "/v3/backlinks/summary/live"},
        {"ahrefs", {{"token", "sim-token"}}, false, "/v3/site-explorer/backlinks-stats"},
        {"mojeek", {{"key", "sim-key"}}, true, "/search"},
    };
    const QString a = QStringLiteral("http://www.example.co.uk/");
    const QString b = QStringLiteral("https://shop.example.org/page?x=1");
    for (const Case& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        ship(name);
        bindFirstColumn(name);
        for (const auto& [key, value] : c.creds) credential(name, QLatin1String(key), QLatin1String(value));
        clearRecord();
        const ScanRun r = run({a, b});
        EXPECT_EQ(r.exitCode, 0) << c.name;
        EXPECT_EQ(r.err, QByteArray()) << c.name;
        const QHash<QString, QString> got = countsByAddress(r.out);
        EXPECT_EQ(got.value(a), expected(c.byHost ? QStringLiteral("example.co.uk") : a)) << c.name << r.out.toStdString();
        EXPECT_EQ(got.value(b), expected(c.byHost ? QStringLiteral("shop.example.org") : b)) << c.name << r.out.toStdString();
        EXPECT_GE(requestsTo(c.path), 1) << c.name;
        // Off columns are never asked.
        EXPECT_EQ(requestsTo("/google") + requestsTo("/yahoo") + requestsTo("/msn"), 0) << c.name;
        EXPECT_TRUE(r.out.startsWith("Domain Name,Total," + caption(name) + ",Rank\n")) << r.out.toStdString();
    }
}

TEST_F(SourceScanTest, ErrorsAreShownOnceWithTheCaptionAndLeaveCellsEmpty) {
    struct Case { const char* name; QList<std::pair<const char*, const char*>> creds; const char* message; };
    const Case cases[] = {
        {"moz", {{"id", "wrong"}}, "Moz: 401 Unauthorized: Invalid credentials"},
        {"moz-token", {{"token", "wrong"}}, "Moz: 401 Unauthorized: Invalid credentials"},
        {"majestic", {{"key", "wrong"}}, "Majestic: The API key is not valid"},
        {"ahrefs", {{"token", "wrong"}}, "Ahrefs: 401 Unauthorized: Unauthorized: the API key is invalid"},
        {"ahrefs", {{"token", "sim-spent"}}, "Ahrefs: 403 Forbidden: API units limit reached"},
        {"mojeek", {{"key", "wrong"}}, "Mojeek: 401 Unauthorized"},
        {"dataforseo", {{"login", "wrong"}}, "DataForSEO: 401 Unauthorized: You are not authorized"},
        // Account-level errors: an empty balance, and a rate limit the service answers with 200.
        {"dataforseo", {{"login", "sim-broke"}, {"password", "sim-password"}},
         "DataForSEO: 402 Payment Required: Payment Required. Please, check your account balance."},
        {"dataforseo", {{"login", "sim-busy"}, {"password", "sim-password"}},
         "DataForSEO: Rate limit per minute exceeded. Please, try again later."},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        ship(name);
        bindFirstColumn(name);
        QFile::remove(credentials::path());
        for (const auto& [key, value] : c.creds) credential(name, QLatin1String(key), QLatin1String(value));
        const ScanRun r = run({QStringLiteral("a.example"), QStringLiteral("b.example"), QStringLiteral("c.example")});
        EXPECT_EQ(r.exitCode, 0) << c.name;
        const QByteArray message = QByteArray(c.message);
        EXPECT_EQ(r.err.count(message), 1) << c.name << ": " << r.err.toStdString();
        EXPECT_EQ(firstCounts(r.out), (QStringList{QString(), QString(), QString()})) << c.name;
    }
}

TEST_F(SourceScanTest, ABatchCarriesUpToTheSourcesLimitAndEachAddressGetsItsOwnCount) {
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
    const QHash<QString, QString> counts = countsByAddress(r.out);
    ASSERT_EQ(counts.size(), 120);
    for (const QString& address : addresses) EXPECT_EQ(counts.value(address), expected(address)) << address.toStdString();

    // A batch answered with fewer items than it asked is said once; the items it has still count.
    const ScanRun shortBatch = run({QStringLiteral("one.example"), QStringLiteral("short-batch.example")});
    EXPECT_EQ(shortBatch.err.count("Moz: the answer lists 1 of the 2 addresses asked"), 1) << shortBatch.err.toStdString();
    EXPECT_EQ(countsByAddress(shortBatch.out).value(QStringLiteral("one.example")), expected(QStringLiteral("one.example")));
    EXPECT_EQ(countsByAddress(shortBatch.out).value(QStringLiteral("short-batch.example")), QString());
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

// A service that quotes back what it received, in each form it might use:
// no form of the key reaches the streams or a file.
TEST_F(SourceScanTest, AQuotedKeyIsMaskedInEveryForm) {
    const QString token = QStringLiteral("t0k/en 9&x");
    const QString secret = QStringLiteral("s3c/ret z");
    const QByteArray basic = QByteArray("sim-id:").append(secret.toUtf8()).toBase64();
    credential(QStringLiteral("quote"), QStringLiteral("token"), token);
    credential(QStringLiteral("quote"), QStringLiteral("id"), QStringLiteral("sim-id"));
    credential(QStringLiteral("quote"), QStringLiteral("secret"), secret);
    bindFirstColumn(QStringLiteral("quote"));
    const QStringList leaks{token, QStringLiteral("t0k%2Fen"), QStringLiteral("t0k%2fen"), QStringLiteral("en+9"),
                            QStringLiteral("en%209"), QStringLiteral("t0k\\/en"), QStringLiteral("t0k\\u002fen"),
                            QStringLiteral("t0k%252Fen"), QStringLiteral("t0k%252fen"), QStringLiteral("0k%"),
                            QStringLiteral("s3c/ret"), QStringLiteral("s3c%2F"), QString::fromLatin1(basic)};
    for (const char* form : {"raw", "upper", "lower", "plus", "json"}) {
        app.write(QStringLiteral("Sources/quote.ini"),
                  "[Source]\r\nCaption=Quote\r\nMethod=POST\r\nUrl=" + sim().baseUrl().toLatin1() + "/quote/" + form +
                      "?k={cred:token}\r\nHeader1=x-moz-token: {cred:token}\r\nAuth=basic id secret\r\n"
                      "Body={\"t\":\"{cred:token}\"}\r\nCount=json:/n\r\nMessage=json:/message\r\n");
        const ScanRun r = run({QStringLiteral("a.example")});
        EXPECT_EQ(r.exitCode, 0) << form;
        // The quote is shown, its keys masked.
        EXPECT_TRUE(r.err.contains("Quote: 401 Unauthorized: POST")) << form << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("**********")) << form << r.err.toStdString();
        for (const QString& leak : leaks) {
            EXPECT_FALSE(r.err.contains(leak.toUtf8())) << form << " " << leak.toStdString() << "\n" << r.err.toStdString();
            EXPECT_FALSE(r.out.contains(leak.toUtf8())) << form << " " << leak.toStdString();
        }
    }
}

// A request that carries a key follows a redirect on its own host only.
TEST_F(SourceScanTest, AKeyNeverFollowsARedirectToAnotherHost) {
    struct Case { const char* name; QList<std::pair<const char*, const char*>> creds; const char* hop; const char* path; bool counts; };
    const Case cases[] = {
        {"majestic", {{"key", "sim-key"}}, "same", "/api/json", true},
        {"majestic", {{"key", "sim-key"}}, "localhost", "/api/json", false},
        {"moz-token", {{"token", "sim-token"}}, "same", "/v2/url_metrics", true},
        {"moz-token", {{"token", "sim-token"}}, "localhost", "/v2/url_metrics", false},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromLatin1(c.name);
        ship(name);
        QByteArray preset = app.read(QStringLiteral("Sources/") + name + ".ini");
        preset.replace(sim().baseUrl().toLatin1(), sim().baseUrl().toLatin1() + "/hop/" + c.hop);
        app.write(QStringLiteral("Sources/") + name + ".ini", preset);
        bindFirstColumn(name);
        QFile::remove(credentials::path());
        for (const auto& [key, value] : c.creds) credential(name, QLatin1String(key), QLatin1String(value));
        clearRecord();
        const ScanRun r = run({QStringLiteral("a.example")});
        EXPECT_EQ(r.exitCode, 0) << c.name;
        EXPECT_EQ(requestsTo(QByteArray("/hop/") + c.hop), 1) << c.name << c.hop;
        if (c.counts) {
            EXPECT_EQ(firstCounts(r.out), QStringList{expected(QStringLiteral("a.example"))}) << c.name << r.err.toStdString();
            EXPECT_EQ(requestsTo(c.path), 1) << c.name;
        } else {
            EXPECT_EQ(firstCounts(r.out), QStringList{QString()}) << c.name;
            EXPECT_EQ(requestsTo(c.path), 0) << c.name << ": the request went on to the other host";
            EXPECT_TRUE(r.err.contains("redirects to another host (http://localhost:")) << r.err.toStdString();
            EXPECT_FALSE(r.err.contains("sim-")) << r.err.toStdString();
        }
    }
}

// An address that smuggles a line break into a header is refused, not sent as two headers.
TEST_F(SourceScanTest, AHeaderWithALineBreakIsNotSent) {
    app.write(QStringLiteral("Sources/site.ini"),
              "[Source]\r\nCaption=Site\r\nUrl=" + sim().baseUrl().toLatin1() +
                  "/quote/raw\r\nHeader1=X-Site: {address}\r\nCount=json:/n\r\n");
    bindFirstColumn(QStringLiteral("site"));
    clearRecord();
    const ScanRun r = run({QStringLiteral("a.example\rX-Injected: 1"), QStringLiteral("b.example\nX-Injected: 1")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(requestsTo("/quote/"), 0) << r.err.toStdString();
    EXPECT_EQ(r.err.count("Site: A header holds a line break; the request was not sent."), 1) << r.err.toStdString();
}

}  // namespace
