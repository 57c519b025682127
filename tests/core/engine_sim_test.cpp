#include "browse/url_encode.h"
#include "config/engine_catalog.h"
#include "sources/count_extraction.h"
#include "net/page_fetcher.h"
#include "support/sim_fixture.h"
#include "support/fetch_and_wait.h"
#include "support/test_environment.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class EngineSimTest : public SimSuite {
protected:
    static QString templateOf(const EngineSpec& e) { return sim().templateFor(e); }
    // The page the scan fetches for address, and the count it reads there.
    FetchResult scanPage(const EngineSpec& e, const QString& address) {
        return fetchAndWait(fetcher, scanQuery(templateOf(e), e, address)).result;
    }
    static QString countOf(const FetchResult& page, const EngineSpec& e) {
        return ParseEngineData(page.text(), e.parser);
    }

    PageFetcher fetcher;
};

TEST_F(EngineSimTest, EveryEnginePageReadsBackItsCount) {
    const QStringList counts{"0", "7", "1000", "1234567", "99999999", "9999999999"};
    for (const EngineSpec& e : engineSpecs()) {
        for (const QString& n : counts) {
            const QString address = QStringLiteral("http://count-%1.example/").arg(n);
            const FetchResult page = scanPage(e, address);
            EXPECT_EQ(page.httpStatus, 200) << e.key;
            EXPECT_EQ(countOf(page, e).remove(QLatin1Char(',')), n) << e.key << " " << n.toStdString();
        }
    }
}

TEST_F(EngineSimTest, CountsCarryEachEnginesOwnSeparators) {
    const char* const expected[] = {"1,234,567", "1,234,567", "1234567", "1234567", "1234567", "1,234,567"};
    for (const EngineSpec& e : engineSpecs()) {
        const FetchResult page = scanPage(e, QStringLiteral("http://count-1234567.example/"));
        EXPECT_EQ(countOf(page, e), QString::fromLatin1(expected[e.parser - 1])) << e.key;
    }
    // Ask and MSN show separators too; their parsers remove them.
    for (EngineKey id : {EngineKey::Ask, EngineKey::MSN})
        EXPECT_TRUE(scanPage(engineSpec(id), QStringLiteral("http://count-1234567.example/")).text().contains("1,234,567"));
}

TEST_F(EngineSimTest, NoResultsPagesSayItInEachEnginesWords) {
    const char* const sentences[] = {"did not match any documents", "We found 0 results",
                                     "We didn't find any Web pages matching the following criteria",
                                     "No results were found", "Sorry, no results were found containing",
                                     "No Web pages\nfound that match your query"};
    for (const EngineSpec& e : engineSpecs()) {
        const FetchResult page = scanPage(e, QStringLiteral("http://nolinks.example/"));
        EXPECT_EQ(page.httpStatus, 200) << e.key;
        EXPECT_TRUE(page.text().contains(QString::fromLatin1(sentences[e.parser - 1]))) << e.key;
        EXPECT_EQ(countOf(page, e), QStringLiteral("0")) << e.key;
    }
}

TEST_F(EngineSimTest, GarbageAndErrorPagesCarryNoMarkers) {
    // Without markers only Ask and MSN read 0; the others read nothing, not
    // even a scrap of the page's own text.
    const char* const expected[] = {"", "", "", "0", "0", ""};
    const auto query = [&](const char* address) {
        return [=](const EngineSpec& e) { return scanQuery(templateOf(e), e, QString::fromLatin1(address)); };
    };
    const struct {
        std::function<QString(const EngineSpec&)> url;
        int status;
    } cases[] = {
        {query("http://garbage.example/"), 200},
        {query("http://status-404.example/"), 404},
        {query("http://count-5.status-503.example/"), 503},
        {query("http://count-5.example/?id=1"), 400},  // the server's library refuses a second "?"
        {[&](const EngineSpec&) { return sim().url(QStringLiteral("/nowhere/count-9")); }, 404},
        {[&](const EngineSpec&) { return sim().url(QStringLiteral("/bytes/999999999999")); }, 400},
    };
    for (const auto& c : cases) {
        for (const EngineSpec& e : engineSpecs()) {
            const QString url = c.url(e);
            const FetchResult page = fetchAndWait(fetcher, url).result;
            EXPECT_EQ(page.httpStatus, c.status) << url.toStdString();
            EXPECT_FALSE(page.body.isEmpty()) << url.toStdString();
            EXPECT_EQ(countOf(page, e), QString::fromLatin1(expected[e.parser - 1])) << url.toStdString();
        }
    }
}

TEST_F(EngineSimTest, OtherAddressesGetStableCountsThatDifferByEngine) {
    QStringList first;
    for (const EngineSpec& e : engineSpecs()) {
        const QString n = countOf(scanPage(e, QStringLiteral("http://www.example.com/")), e).remove(',');
        bool ok = false;
        EXPECT_LT(n.toLongLong(&ok), 10'000'000) << e.key;
        EXPECT_TRUE(ok) << e.key << " " << n.toStdString();
        first << n;
    }
    QStringList again;
    for (const EngineSpec& e : engineSpecs())
        again << countOf(scanPage(e, QStringLiteral("http://www.example.com/")), e).remove(',');
    EXPECT_EQ(again, first);
    EXPECT_GT(QSet<QString>(first.begin(), first.end()).size(), 1) << first.join(' ').toStdString();
    // Another address, another count.
    const EngineSpec& google = engineSpec(EngineKey::Google);
    EXPECT_NE(countOf(scanPage(google, QStringLiteral("http://www.example.org/")), google).remove(','), first[0]);
}

// The scan appends the address as it is; the website view encodes it first.
// Both must reach the same count, "&", spaces and AllTheWeb suffix included.
// (A second "?" in a request is beyond the stand-in's HTTP library.)
TEST_F(EngineSimTest, TheScanAndTheWebsiteViewSeeTheSameAddress) {
    const QString address = QStringLiteral("http://www.example.com/a b;x=1&y=2+3");
    for (const EngineSpec& e : engineSpecs()) {
        const FetchResult raw = scanPage(e, address);
        const FetchResult encoded = fetchAndWait(fetcher, webViewQuery(templateOf(e), address)).result;
        EXPECT_EQ(countOf(raw, e), countOf(encoded, e)) << e.key;
        EXPECT_FALSE(countOf(raw, e).isEmpty()) << e.key;
        EXPECT_TRUE(raw.text().contains(QStringLiteral("x=1&amp;y=2+3"))) << e.key;
        EXPECT_FALSE(raw.text().contains(QStringLiteral("rys=0"))) << e.key;
    }
}

TEST_F(EngineSimTest, BehaviourWordsChangeHowTheEnginesAnswer) {
    for (const EngineSpec& e : engineSpecs()) {
        const FetchResult dropped = scanPage(e, QStringLiteral("http://drop.example/"));
        EXPECT_TRUE(dropped.transportFailure) << e.key;
        EXPECT_TRUE(dropped.body.isEmpty()) << e.key;

        const FetchResult redirected = scanPage(e, QStringLiteral("http://redirect.count-77.example/"));
        EXPECT_EQ(redirected.httpStatus, 200) << e.key;
        EXPECT_EQ(countOf(redirected, e), QStringLiteral("77")) << e.key;
    }
    const EngineSpec& yahoo = engineSpec(EngineKey::Yahoo);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(countOf(scanPage(yahoo, QStringLiteral("http://count-3.slow-300.example/")), yahoo), "3");
    EXPECT_GE(clock.elapsed(), 300);

    fetcher.setTimeout(300ms);
    EXPECT_TRUE(scanPage(yahoo, QStringLiteral("http://hang.example/")).transportFailure);
}

TEST_F(EngineSimTest, BehaviourWordsAreWholeWords) {
    fetcher.setTimeout(3000ms);
    for (const char* address : {"http://www.changes.example/", "http://dropbox.example/", "http://hugely.example/",
                                "http://account-5.example/", "http://slow-5x.example/"}) {
        for (EngineKey id : {EngineKey::Google, EngineKey::MSN}) {
            const FetchResult page = scanPage(engineSpec(id), QString::fromLatin1(address));
            EXPECT_EQ(page.httpStatus, 200) << address;
            EXPECT_LT(page.body.size(), 4096) << address;
            EXPECT_NE(countOf(page, engineSpec(id)), QStringLiteral("5")) << address;
        }
    }
}

TEST_F(EngineSimTest, AHugePageKeepsItsCountAtTheTop) {
    const EngineSpec& atw = engineSpec(EngineKey::ATW);
    fetcher.setMaxBodyBytes(32 << 20);
    const FetchResult whole = scanPage(atw, QStringLiteral("http://huge.count-42.example/"));
    EXPECT_EQ(whole.body.size(), 20 << 20);
    EXPECT_FALSE(whole.truncated);
    EXPECT_EQ(countOf(whole, atw), QStringLiteral("42"));

    fetcher.setMaxBodyBytes(PageFetcher::kDefaultMaxBody);
    const FetchResult capped = scanPage(atw, QStringLiteral("http://huge.count-42.example/"));
    EXPECT_TRUE(capped.truncated);
    EXPECT_EQ(countOf(capped, atw), QStringLiteral("42"));
}

TEST(EngineSimProgram, WritesTheSettingsFileBeforeAnnouncingThePort) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("settings.ini"));
    EngineSimProcess sim({QStringLiteral("--write-settings"), file});
    ASSERT_TRUE(sim.isRunning());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString base = sim.baseUrl();
    EXPECT_EQ(QString::fromLatin1(f.readAll()),
              "[Engines]\r\n"
              "Google=" + base + "/google/search?hl=en&ie=UTF-8&q=link:\r\n"
              "Altavista=" + base + "/altavista/web/results?q=link:\r\n"
              "Yahoo=" + base + "/yahoo/search?fr=fp-pull-web-t&p=link:\r\n"
              "Ask=" + base + "/ask/web?qsrc=1&o=312&q=links:\r\n"
              "MSN=" + base + "/msn/results.aspx?FORM=SMCRT&q=link:\r\n"
              "ATW=" + base + "/atw/search?cat=web&cs=utf8&q=link:\r\n");
    EXPECT_EQ(QString::fromLatin1(f.readAll()), QString());
    f.seek(0);
    EXPECT_EQ(QString::fromLatin1(f.readAll()), sim.settingsIni());
}

TEST(EngineSimProgram, DelaysEnginePagesOnly) {
    EngineSimProcess sim({QStringLiteral("--delay"), QStringLiteral("400")});
    ASSERT_TRUE(sim.isRunning());
    PageFetcher fetcher;
    const EngineSpec& msn = engineSpec(EngineKey::MSN);
    const QString templ = sim.baseUrl() + "/msn" + QString::fromLatin1(msn.pathAndQuery);
    const FetchOutcome page = fetchAndWait(fetcher, scanQuery(templ, msn, QStringLiteral("http://count-8.example/")));
    EXPECT_GE(page.elapsedMs, 400);
    EXPECT_EQ(ParseEngineData(page.result.text(), msn.parser), QStringLiteral("8"));
    EXPECT_LT(fetchAndWait(fetcher, sim.url(QStringLiteral("/bytes/10"))).elapsedMs, 300);
}

TEST(EngineSimProgram, StopsOnTerminateAndWhenItsInputCloses) {
    for (bool closeInput : {false, true}) {
        QProcess sim;
        sim.start(QStringLiteral(QUILLMARK_ENGINE_SIM), {QStringLiteral("--watch-stdin")});
        ASSERT_TRUE(sim.waitForStarted(5000));
        // Waiting on a hanging request must not keep it from stopping.
        ASSERT_TRUE(sim.waitForReadyRead(5000));
        const quint16 port = sim.readLine().trimmed().toUShort();
        ASSERT_NE(port, 0);
        PageFetcher fetcher;
        int answers = 0;
        fetcher.FetchPage(QStringLiteral("http://127.0.0.1:%1/hang").arg(port), [&](const FetchResult&) { ++answers; });
        spinUntil([] { return false; }, 200);
        if (closeInput)
            sim.closeWriteChannel();
        else
            sim.terminate();
        EXPECT_TRUE(sim.waitForFinished(2000)) << closeInput;
        EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(sim.exitCode(), 0);
        EXPECT_TRUE(spinUntil([&] { return answers == 1; }, 3000));
    }
}

}  // namespace
