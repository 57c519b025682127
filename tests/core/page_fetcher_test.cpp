#include "config/file_text.h"
#include "net/page_fetcher.h"
#include "support/sim_fixture.h"
#include "support/sim_record.h"
#include "support/fetch_and_wait.h"
#include "support/test_environment.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

using namespace std::chrono_literals;

namespace {

// What the stand-in server sends for /bytes/N: byte i is i % 256.
QByteArray pattern(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 256);
    return bytes;
}

class PageFetcherTest : public SimSuite {
protected:
    FetchOutcome fetch(const QString& path) {
        FetchOutcome out = fetchAndWait(fetcher, path.startsWith('/') ? sim().url(path) : path);
        EXPECT_EQ(out.calls, 1) << path.toStdString();
        EXPECT_FALSE(out.ranInsideCall) << path.toStdString();
        return out;
    }

    PageFetcher fetcher;
};

TEST_F(PageFetcherTest, BodiesArriveExactlyWhateverTheirSizeAndFraming) {
    const struct {
        const char* path;
        int size;
    } cases[] = {
        {"/bytes/0", 0},          {"/bytes/1", 1},         {"/bytes/255", 255},
        {"/bytes/256", 256},      {"/bytes/257", 257},     {"/bytes/65537", 65537},
        {"/chunked/0", 0},        {"/chunked/9000", 9000}, {"/bytes/3000000", 3000000},
    };
    for (const auto& c : cases) {
        const FetchResult r = fetch(QString::fromLatin1(c.path)).result;
        EXPECT_EQ(r.body, pattern(c.size)) << c.path;
        EXPECT_EQ(r.httpStatus, 200) << c.path;
        EXPECT_FALSE(r.transportFailure) << c.path;
        EXPECT_FALSE(r.truncated) << c.path;
        EXPECT_TRUE(r.errorText.isEmpty()) << c.path << ": " << r.errorText.toStdString();
    }
}

TEST_F(PageFetcherTest, EveryByteBecomesOneCharacter) {
    const QString text = fetch(QStringLiteral("/bytes/256")).result.text();
    ASSERT_EQ(text.size(), 256);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(text.at(i).unicode(), i) << i;
}

TEST_F(PageFetcherTest, ErrorStatusesComeBackAsPagesWithTheirStatus) {
    for (int status : {404, 503, 500, 403, 410}) {
        const FetchResult r = fetch(QStringLiteral("/status/%1").arg(status)).result;
        EXPECT_EQ(r.httpStatus, status);
        EXPECT_EQ(r.body, QByteArray("status ") + QByteArray::number(status));
        EXPECT_FALSE(r.transportFailure) << status;
        // The status is the caller's to judge; the fetch itself went fine.
        EXPECT_TRUE(r.errorText.isEmpty()) << status << ": " << r.errorText.toStdString();
    }
}

TEST_F(PageFetcherTest, FollowsUpToTwentyRedirects) {
    for (const char* path : {"/redirect/1", "/redirect/3", "/redirect/20"}) {
        const FetchResult r = fetch(QString::fromLatin1(path)).result;
        EXPECT_EQ(r.body, QByteArray("landed")) << path;
        EXPECT_EQ(r.httpStatus, 200) << path;
        EXPECT_FALSE(r.transportFailure) << path;
    }
}

// A redirect loop is answered, just never with a page: the last status is
// kept, it is no transport failure, and the error says why there is no page.
TEST_F(PageFetcherTest, TheTwentyFirstRedirectIsNotFollowed) {
    const FetchResult r = fetch(QStringLiteral("/redirect/21")).result;
    EXPECT_NE(r.body, QByteArray("landed"));
    EXPECT_EQ(r.httpStatus, 302);
    EXPECT_FALSE(r.transportFailure);
    EXPECT_FALSE(r.errorText.isEmpty());
}

TEST_F(PageFetcherTest, NoAnswerAtAllIsATransportFailure) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
    closed.close();
    for (const QString& url : {sim().url(QStringLiteral("/drop")), refused,
                               sim().url(QStringLiteral("/google/search?q=link:http://drop.example/"))}) {
        const FetchResult r = fetch(url).result;
        EXPECT_TRUE(r.transportFailure) << url.toStdString();
        EXPECT_FALSE(r.httpStatus.has_value()) << url.toStdString();
        EXPECT_TRUE(r.body.isEmpty()) << url.toStdString();
        EXPECT_FALSE(r.errorText.isEmpty()) << url.toStdString();
    }
}

TEST_F(PageFetcherTest, AnUnresolvableHostFailsWithoutLongDelay) {
    const FetchOutcome out = fetch(QStringLiteral("http://no-such-host.invalid/"));
    EXPECT_TRUE(out.result.transportFailure);
    EXPECT_TRUE(out.result.body.isEmpty());
    EXPECT_LT(out.elapsedMs, 5000);
}

TEST_F(PageFetcherTest, AConnectionThatBreaksKeepsTheBytesReceived) {
    const FetchResult r = fetch(QStringLiteral("/partial/5000")).result;
    EXPECT_EQ(r.body, pattern(5000));
    EXPECT_EQ(r.httpStatus, 200);
    EXPECT_FALSE(r.transportFailure);
    EXPECT_FALSE(r.errorText.isEmpty());
}

TEST_F(PageFetcherTest, SendsTheUserAgentMozilla) {
    EXPECT_EQ(fetch(QStringLiteral("/echo-agent")).result.body, QByteArray("Mozilla"));
}

// The would-be proxy is asked for a host that does not resolve: going direct
// fails, going through it connects.
TEST_F(PageFetcherTest, ConnectsDirectlyWhateverProxyTheEnvironmentNames) {
    QTcpServer proxy;
    ASSERT_TRUE(proxy.listen(QHostAddress::LocalHost));
    int proxied = 0;
    QObject::connect(&proxy, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* s = proxy.nextPendingConnection()) {
            ++proxied;
            s->close();
        }
    });
    const QByteArray address = "http://127.0.0.1:" + QByteArray::number(proxy.serverPort()) + '/';
    const char* names[] = {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"};
    for (const char* name : names) ::setenv(name, address.constData(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
    PageFetcher fresh;
    const FetchOutcome out = fetchAndWait(fresh, QStringLiteral("http://proxied-host.invalid/page"));
    for (const char* name : names) ::unsetenv(name);
    EXPECT_EQ(out.calls, 1);
    EXPECT_TRUE(out.result.transportFailure);
    EXPECT_EQ(proxied, 0);
}

TEST_F(PageFetcherTest, GivesUpWhenNothingArrivesWithinTheTimeout) {
    fetcher.setTimeout(300ms);
    for (const char* path : {"/hang", "/slow/3000"}) {
        const FetchOutcome out = fetch(QString::fromLatin1(path));
        EXPECT_TRUE(out.result.transportFailure) << path;
        EXPECT_FALSE(out.result.httpStatus.has_value()) << path;
        EXPECT_TRUE(out.result.errorText.contains(QStringLiteral("timed out"))) << path;
        EXPECT_GE(out.elapsedMs, 250) << path;
        EXPECT_LT(out.elapsedMs, 2500) << path;
    }
    // The timeout is for silence, not for the whole transfer.
    fetcher.setTimeout(2000ms);
    EXPECT_EQ(fetch(QStringLiteral("/slow/300")).result.body, QByteArray("slow"));
}

// A listener whose accept queue is full drops further handshakes, so the
// connection itself never completes.
TEST_F(PageFetcherTest, TheTimeoutAlsoCoversConnecting) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    socklen_t len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    const quint16 port = ntohs(addr.sin_port);
    QList<QTcpSocket*> fillers;
    for (int i = 0; i < 3; ++i) {
        fillers << new QTcpSocket;
        fillers.last()->connectToHost(QHostAddress::LocalHost, port);
        fillers.last()->waitForConnected(200);
    }
    fetcher.setTimeout(300ms);
    const FetchOutcome out = fetch(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    EXPECT_TRUE(out.result.transportFailure);
    EXPECT_TRUE(out.result.errorText.contains(QStringLiteral("timed out")));
    EXPECT_LT(out.elapsedMs, 2500);
    qDeleteAll(fillers);
    ::close(listener);
}

TEST_F(PageFetcherTest, KeepsTheFirstBytesUpToTheCap) {
    fetcher.setMaxBodyBytes(1000);
    const struct {
        const char* path;
        int expected;
        bool truncated;
    } cases[] = {
        {"/bytes/999", 999, false},      {"/bytes/1000", 1000, false}, {"/bytes/1001", 1000, true},
        {"/bytes/500000", 1000, true},   {"/chunked/5000", 1000, true}, {"/huge/4", 1000, true},
    };
    for (const auto& c : cases) {
        const FetchResult r = fetch(QString::fromLatin1(c.path)).result;
        EXPECT_EQ(r.body, pattern(c.expected)) << c.path;
        EXPECT_EQ(r.truncated, c.truncated) << c.path;
        EXPECT_EQ(r.httpStatus, 200) << c.path;
        EXPECT_FALSE(r.transportFailure) << c.path;
    }
}

// A compressed page arrives decoded, and the cap counts decoded bytes: 64 MiB
// that travel as a fraction of a mebibyte are still cut at the cap.
TEST_F(PageFetcherTest, CompressedPagesArriveDecodedAndTheCapCountsDecodedBytes) {
    EXPECT_EQ(fetch(QStringLiteral("/gzip/300000")).result.body, pattern(300000));
    const FetchResult bomb = fetch(QStringLiteral("/gzip/67108864")).result;
    EXPECT_EQ(bomb.body.size(), PageFetcher::kDefaultMaxBody);
    EXPECT_TRUE(bomb.truncated);
    EXPECT_EQ(bomb.body.left(1000), pattern(1000));
}

TEST_F(PageFetcherTest, TheDefaultCapIsSixteenMebibytes) {
    const FetchResult r = fetch(QStringLiteral("/huge/20")).result;
    EXPECT_EQ(r.body.size(), PageFetcher::kDefaultMaxBody);
    EXPECT_TRUE(r.truncated);
}

TEST_F(PageFetcherTest, ImmediateFailuresStillAnswerLaterFromTheEventLoop) {
    for (const char* url : {"", "not a url", "ftp2://example/", "http://", "http://127.0.0.1:0/",
                            "file:///etc/passwd", "www.example.com/page"}) {
        const FetchOutcome out = fetch(QString::fromLatin1(url));
        EXPECT_TRUE(out.result.transportFailure) << url;
        EXPECT_TRUE(out.result.body.isEmpty()) << url;
    }
}

TEST_F(PageFetcherTest, ManyRequestsAtOnceEachGetTheirOwnBody) {
    constexpr int kCount = 24;
    QList<QByteArray> bodies(kCount);
    int answered = 0;
    for (int i = 0; i < kCount; ++i) {
        fetcher.FetchPage(sim().url(QStringLiteral("/bytes/%1").arg(100 + i)), [&, i](const FetchResult& r) {
            bodies[i] = r.body;
            ++answered;
        });
    }
    EXPECT_EQ(fetcher.pending(), kCount);
    ASSERT_TRUE(spinUntil([&] { return answered == kCount; }));
    for (int i = 0; i < kCount; ++i) EXPECT_EQ(bodies[i], pattern(100 + i)) << i;
    EXPECT_EQ(fetcher.pending(), 0);
}

TEST_F(PageFetcherTest, ACallbackMayStartTheNextFetch) {
    QList<QByteArray> bodies;
    std::function<void(const FetchResult&)> next = [&](const FetchResult& r) {
        bodies << r.body;
        if (bodies.size() < 3) fetcher.FetchPage(sim().url(QStringLiteral("/bytes/%1").arg(bodies.size())), next);
    };
    fetcher.FetchPage(sim().url(QStringLiteral("/bytes/7")), next);
    ASSERT_TRUE(spinUntil([&] { return bodies.size() == 3; }));
    EXPECT_EQ(bodies, (QList<QByteArray>{pattern(7), pattern(1), pattern(2)}));
}

TEST_F(PageFetcherTest, AbortedRequestsNeverCallBack) {
    int calls = 0;
    const auto count = [&](const FetchResult&) { ++calls; };
    fetcher.FetchPage(sim().url(QStringLiteral("/hang")), count);
    fetcher.FetchPage(sim().url(QStringLiteral("/slow/200")), count);
    fetcher.FetchPage(QStringLiteral("http://no-such-host.invalid/"), count);
    EXPECT_EQ(fetcher.pending(), 3);
    fetcher.abortAll();
    EXPECT_EQ(fetcher.pending(), 0);

    auto doomed = std::make_unique<PageFetcher>();
    doomed->FetchPage(sim().url(QStringLiteral("/slow/200")), count);
    doomed->FetchPage(sim().url(QStringLiteral("/bytes/10")), count);
    doomed.reset();

    spinUntil([] { return false; }, 600);
    EXPECT_EQ(calls, 0);
    // The fetcher is still good for new work.
    EXPECT_EQ(fetch(QStringLiteral("/bytes/5")).result.body, pattern(5));
}

TEST_F(PageFetcherTest, OnlyWhatCannotStandInARequestLineIsEscaped) {
    const struct {
        const char* url;
        const char* wire;
    } cases[] = {
        {"http://h/a%41%2Fb?q=link:x%26y", "http://h/a%41%2Fb?q=link:x%26y"},
        {"http://h/a b?q=c d", "http://h/a%20b?q=c%20d"},
        {"http://h/x?q=\t\x7f", "http://h/x?q=%09%7F"},
        {"http://h/../a/./b", "http://h/../a/./b"},
        {"http://h?q=link:http://example.com/", "http://h?q=link:http://example.com/"},
    };
    for (const auto& c : cases) EXPECT_EQ(PageFetcher::wireUrl(QString::fromLatin1(c.url)), QByteArray(c.wire)) << c.url;
    // Past the host a character above 127 goes as its UTF-8 bytes, escaped.
    EXPECT_EQ(PageFetcher::wireUrl(QStringLiteral("http://h/caf\u00e9")), QByteArray("http://h/caf%C3%A9"));
    // A byte of a legacy code page read from a list file goes out as that byte.
    EXPECT_EQ(PageFetcher::wireUrl(fileText::decode("http://h/caf\xE9")), QByteArray("http://h/caf%E9"));
}

TEST_F(PageFetcherTest, TheServerReceivesTheTargetAsWritten) {
    const struct {
        const char* path;
        const char* received;
    } cases[] = {
        {"/echo-target/a%41b", "/echo-target/a%41b"},
        {"/echo-target/x?q=link:http://a.example/%2F%41", "/echo-target/x?q=link:http://a.example/%2F%41"},
        {"/echo-target/x?q=link:http://a b.example/", "/echo-target/x?q=link:http://a%20b.example/"},
        {"/echo-target/./a/../b", "/echo-target/./a/../b"},
    };
    for (const auto& c : cases) EXPECT_EQ(fetch(QString::fromLatin1(c.path)).result.body, QByteArray(c.received)) << c.path;
}

// The stand-in notes how long after the 16th MiB each long body ran on.
TEST_F(PageFetcherTest, EndlessAndGigabyteBodiesAreCutOffAtTheCap) {
    ASSERT_TRUE(SimRecord::clear(fetcher, sim()));
    for (const char* path : {"/endless", "/huge/1024"}) {
        const FetchOutcome out = fetch(QString::fromLatin1(path));
        EXPECT_EQ(out.result.body.size(), PageFetcher::kDefaultMaxBody) << path;
        EXPECT_EQ(out.result.body.left(300), pattern(300)) << path;
        EXPECT_TRUE(out.result.truncated) << path;
        EXPECT_EQ(out.result.httpStatus, 200) << path;
        EXPECT_LT(out.elapsedMs, 5000) << path;
    }
    spinUntil([] { return false; }, 300);  // the server notices the hang-up
    const SimRecord record = SimRecord::read(fetcher, sim());
    ASSERT_EQ(record.streams.size(), 2);
    for (const SimRecord::Stream& stream : record.streams) {
        ASSERT_TRUE(stream.msPastMark.has_value()) << stream.target.toStdString();
        EXPECT_LE(*stream.msPastMark, 1000) << stream.target.toStdString();
    }
}

TEST_F(PageFetcherTest, ADripFeedEndsAtTheDeadline) {
    fetcher.setTimeout(500ms);
    fetcher.setDeadline(1200ms);
    const FetchOutcome out = fetch(QStringLiteral("/drip/50"));
    EXPECT_GE(out.elapsedMs, 1100);
    EXPECT_LT(out.elapsedMs, 3000);
    EXPECT_TRUE(out.result.body.startsWith("xxxxx")) << out.result.body.toStdString();
    // An answer came, so what arrived is kept as for a broken connection.
    EXPECT_EQ(out.result.httpStatus, 200);
    EXPECT_FALSE(out.result.transportFailure);
    EXPECT_TRUE(out.result.errorText.contains(QStringLiteral("timed out"))) << out.result.errorText.toStdString();
}

TEST_F(PageFetcherTest, TooManyRequestsCarriesItsRetryAfter) {
    const struct {
        const char* path;
        int status;
        std::optional<int> wait;
    } cases[] = {{"/retry-after/7", 429, 7}, {"/retry-after/0", 429, std::nullopt},
                 {"/status/429", 429, std::nullopt}, {"/bytes/3", 200, std::nullopt}};
    for (const auto& c : cases) {
        const FetchResult r = fetch(QString::fromLatin1(c.path)).result;
        EXPECT_EQ(r.httpStatus, c.status) << c.path;
        EXPECT_EQ(r.retryAfterSeconds, c.wait) << c.path;
    }
}

TEST_F(PageFetcherTest, AnAbortedRequestLeavesTheOthersRunning) {
    QList<QByteArray> bodies;
    const auto keep = [&](const FetchResult& r) { bodies << r.body; };
    fetcher.FetchPage(sim().url(QStringLiteral("/slow/100")), keep);
    const PageFetcher::Ticket doomed = fetcher.FetchPage(sim().url(QStringLiteral("/slow/50")), keep);
    fetcher.FetchPage(sim().url(QStringLiteral("/bytes/4")), keep);
    fetcher.abort(doomed);
    fetcher.abort(doomed);  // twice is harmless
    EXPECT_EQ(fetcher.pending(), 2);
    ASSERT_TRUE(spinUntil([&] { return fetcher.pending() == 0; }));
    spinUntil([] { return false; }, 200);
    EXPECT_EQ(bodies, (QList<QByteArray>{pattern(4), QByteArray("slow")}));
}

// A request carrying a key goes where its redirects lead only on its own
// origin; every other request follows them anywhere, as pages always have.
TEST_F(PageFetcherTest, ARequestWithAKeyFollowsRedirectsOnItsOwnOriginOnly) {
    const auto fetchRequest = [this](const QString& path, bool keyed, QList<QByteArray> headers = {}) {
        FetchRequest request;
        request.url = sim().url(path);
        request.sameOriginRedirects = keyed;
        request.headers = std::move(headers);
        std::optional<FetchResult> result;
        fetcher.FetchPage(request, [&result](const FetchResult& r) { result = r; });
        EXPECT_TRUE(spinUntil([&] { return result.has_value(); }, 20000)) << path.toStdString();
        return result.value_or(FetchResult{});
    };
    struct Case { const char* path; bool keyed; bool refused; };
    const Case cases[] = {
        {"/hop/same/redirect/2", true, false},
        {"/hop/localhost/redirect/0", true, true},
        {"/hop/localhost/redirect/0", false, false},
        {"/redirect/3", true, false},
    };
    for (const Case& c : cases) {
        const FetchResult r = fetchRequest(QString::fromLatin1(c.path), c.keyed);
        EXPECT_EQ(r.redirectRefused, c.refused) << c.path;
        if (c.refused) {
            EXPECT_TRUE(r.errorText.contains(QStringLiteral("another host (http://localhost:"))) << r.errorText.toStdString();
            EXPECT_NE(r.body, QByteArray("landed")) << c.path;
        } else {
            EXPECT_EQ(r.body, QByteArray("landed")) << c.path << r.errorText.toStdString();
        }
    }
    // A line break in a header would start a header of the sender's choosing: nothing is sent.
    for (const QByteArray& header : {QByteArray("X-Site: a\r\nX-Evil: 1"), QByteArray("X-Site: a\nb"),
                                     QByteArray("X-Site: a\rb"), QByteArray("X-Site: a\0b", 11)}) {
        const FetchResult r = fetchRequest(QStringLiteral("/echo-agent"), false, {header});
        EXPECT_TRUE(r.transportFailure) << header.toStdString();
        EXPECT_EQ(r.errorText, QStringLiteral("A header holds a line break; the request was not sent."));
    }
}

}  // namespace
