#include "net/page_fetcher.h"
#include "results/results_grid.h"
#include "sources/count_limit.h"
#include "sources/count_rule.h"
#include "sources/credentials.h"
#include "sources/secret_mask.h"
#include "sources/source_file.h"
#include "sources/source_request.h"
#include "sources/source_template.h"
#include "support/temp_app_folder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QJsonValue parsed(const char* json) {
    const QJsonDocument doc = QJsonDocument::fromJson(json);
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

FetchResult answer(int status, const QByteArray& body) {
    FetchResult result;
    result.httpStatus = status;
    result.body = body;
    return result;
}

}  // namespace

TEST(JsonPointer, WalksObjectsAndArraysByTheRfcRules) {
    const QJsonValue doc = parsed(R"({"a":{"b":[10,{"c":7}]},"m~n":1,"s/t":2,"":3})");
    struct Case { const char* pointer; std::optional<double> number; };
    const Case cases[] = {
        {"/a/b/0", 10}, {"/a/b/1/c", 7}, {"/m~0n", 1}, {"/s~1t", 2}, {"/", 3},
        {"/a/b/2", std::nullopt}, {"/a/b/01", std::nullopt}, {"/a/b/-", std::nullopt},
        {"/a/x", std::nullopt}, {"a", std::nullopt}, {"/a/b/0/z", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto value = jsonPointer(doc, QString::fromLatin1(c.pointer));
        EXPECT_EQ(value.has_value(), c.number.has_value()) << c.pointer;
        if (value && c.number) EXPECT_EQ(value->toDouble(), *c.number) << c.pointer;
    }
    EXPECT_TRUE(jsonPointer(doc, QString())->isObject());
}

TEST(CountOf, WholeNumbersAndThousandsGroupsAreCountsFractionsAndHugeNumbersAreNot) {
    struct Case { const char* json; std::optional<qint64> count; bool tooLarge; };
    const Case cases[] = {
        {"[1234]", 1234, false}, {"[2.6]", 3, false}, {"[0]", 0, false}, {"[-5]", std::nullopt, false},
        {"[\"1,234,567\"]", 1234567, false}, {"[\"1.234\"]", 1234, false}, {"[\"1.234.567\"]", 1234567, false},
        {"[\"12 345\"]", 12345, false}, {"[\"1 234\"]", 1234, false}, {"[\"12\u00a0345\"]", 12345, false},
        {"[\" 42 \"]", 42, false}, {"[\"007\"]", 7, false},
        // A decimal point or comma before fewer or more than three digits is a fraction.
        {"[\"3.7\"]", std::nullopt, false}, {"[\"12.5\"]", std::nullopt, false}, {"[\"3,7\"]", std::nullopt, false},
        {"[\"1,2345\"]", std::nullopt, false}, {"[\"1234,567\"]", std::nullopt, false},
        {"[\"1,234.567\"]", std::nullopt, false}, {"[\"1,,234\"]", std::nullopt, false}, {"[\",234\"]", std::nullopt, false},
        {"[\"many\"]", std::nullopt, false}, {"[null]", std::nullopt, false}, {"[true]", std::nullopt, false},
        {"[\"\"]", std::nullopt, false}, {"[{}]", std::nullopt, false}, {"[\"-5\"]", std::nullopt, false},
        // One limit with the grid: eighteen digits.
        {"[999999999999999999]", 999999999999999999LL, false}, {"[\"999,999,999,999,999,999\"]", 999999999999999999LL, false},
        {"[1000000000000000000]", std::nullopt, true}, {"[9e18]", std::nullopt, true}, {"[1e300]", std::nullopt, true},
        {"[\"9000000000000000000\"]", std::nullopt, true}, {"[\"123456789012345678901234567890\"]", std::nullopt, true},
    };
    for (const Case& c : cases) {
        const QJsonValue value = parsed(c.json).toArray().at(0);
        bool tooLarge = false;
        EXPECT_EQ(countOf(value, &tooLarge), c.count) << c.json;
        EXPECT_EQ(tooLarge, c.tooLarge) << c.json;
    }
}

// A count a source reads is one the grid can total: a cell never holds a
// figure that counts as nothing in its row's total and rank.
TEST(CountLimit, TheSourceReaderAndTheGridShareOneLimit) {
    const QString largest = QString::number(kMaxCount);
    const QString beyond = QString::number(kMaxCount + 1);
    EXPECT_EQ(countOfText(largest), kMaxCount);
    EXPECT_EQ(cellCount(largest), kMaxCount);
    bool tooLarge = false;
    EXPECT_EQ(countOfText(beyond, &tooLarge), std::nullopt);
    EXPECT_TRUE(tooLarge);
    EXPECT_EQ(cellCount(beyond), std::nullopt);
    ResultsGrid grid;
    const int row = grid.appendRow({QStringLiteral("a.example")});
    for (int c = ResultsGrid::kFirstEngineColumn; c < ResultsGrid::kColumnCount; ++c) grid.setCell(row, c, largest);
    EXPECT_EQ(grid.totalRow(row, 10, 100), 6 * kMaxCount);
    EXPECT_EQ(grid.rank(row), PopularityRank::High);
}

TEST(CountRule, ReadsJsonRegexAndEnginePages) {
    struct Case { const char* rule; QByteArray body; int index; std::optional<qint64> count; };
    const Case cases[] = {
        {"json:/results/{i}/n", R"({"results":[{"n":5},{"n":"7"}]})", 1, 7},
        {"json:/results/{i}/n", R"({"results":[{"n":5}]})", 1, std::nullopt},
        {"json:/x", "not json", 0, std::nullopt},
        {"regex:about ([0-9,]+) pages", "<p>about 1,204 pages</p>", 0, 1204},
        {"regex:about ([0-9,]+) pages", "<p>nothing</p>", 0, std::nullopt},
        {"page:Google", "Results <b>1</b> - <b>10</b> of about <b>3,450</b> linking to <b>x</b>", 0, 3450},
    };
    for (const Case& c : cases) {
        const CountRule rule = CountRule::parse(QString::fromLatin1(c.rule));
        ASSERT_TRUE(rule.error.isEmpty()) << c.rule;
        EXPECT_EQ(rule.read(c.body, c.index), c.count) << c.rule;
    }
    for (const char* bad : {"xpath:/a", "regex:no group", "page:Bing", "json:a/b", "regex:(["})
        EXPECT_FALSE(CountRule::parse(QString::fromLatin1(bad)).error.isEmpty()) << bad;
}

TEST(FillTemplate, PlaceholdersAreEscapedForTheirField) {
    TemplateInput input;
    input.addresses = {QStringLiteral("http://www.Example.co.uk/a b?x=\"1\"&y")};
    input.credentials = {{QStringLiteral("key"), QStringLiteral("s&cr t")}};
    input.today = QDate(2026, 3, 4);
    struct Case { const char* text; TemplateField field; const char* expected; };
    const Case cases[] = {
        {"q={address}", TemplateField::Url, "q=http%3A%2F%2Fwww.Example.co.uk%2Fa%20b%3Fx%3D%221%22%26y"},
        {"{\"t\":\"{address}\"}", TemplateField::Body, "{\"t\":\"http://www.Example.co.uk/a b?x=\\\"1\\\"&y\"}"},
        {"{host}|{domain}|{date}", TemplateField::Header, "example.co.uk|example.co.uk|2026-03-04"},
        {"k={cred:key}", TemplateField::Url, "k=s%26cr%20t"},
        {"Bearer {cred:key}", TemplateField::Header, "Bearer s&cr t"},
        {"{unknown} {count}", TemplateField::Url, "{unknown} 1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fillTemplate(QString::fromLatin1(c.text), c.field, input), QString::fromUtf8(c.expected)) << c.text;
}

TEST(FillTemplate, ABatchBlockRepeatsPerAddress) {
    TemplateInput input;
    input.addresses = {QStringLiteral("a.com"), QStringLiteral("b.org"), QStringLiteral("c.net")};
    EXPECT_EQ(fillTemplate(QStringLiteral("{\"targets\":[{for ,}\"{address}\"{end}]}"), TemplateField::Body, input),
              QStringLiteral("{\"targets\":[\"a.com\",\"b.org\",\"c.net\"]}"));
    EXPECT_EQ(fillTemplate(QStringLiteral("x?items={count}{for}&item{i}={address}{end}&z=1"), TemplateField::Url, input),
              QStringLiteral("x?items=3&item0=a.com&item1=b.org&item2=c.net&z=1"));
}

TEST(AddressParts, HostAndRegistrableDomain) {
    struct Case { const char* address; const char* host; const char* domain; };
    const Case cases[] = {
        {"www.example.com", "example.com", "example.com"},
        {"http://News.BBC.co.uk/x", "news.bbc.co.uk", "bbc.co.uk"},
        {"https://a.b.example.org:8080/", "a.b.example.org", "example.org"},
        {"127.0.0.1", "127.0.0.1", "127.0.0.1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(addressHost(QString::fromLatin1(c.address)), QString::fromLatin1(c.host)) << c.address;
        EXPECT_EQ(addressDomain(QString::fromLatin1(c.address)), QString::fromLatin1(c.domain)) << c.address;
    }
}

TEST(SourceRequest, BasicAuthAndJsonBody) {
    SourceFile source;
    source.method = QStringLiteral("POST");
    source.url = QStringLiteral("http://127.0.0.1:1/v2/url_metrics");
    source.body = QStringLiteral("{\"targets\":[{for ,}\"{address}\"{end}]}");
    source.authUser = QStringLiteral("id");
    source.authPassword = QStringLiteral("secret");
    TemplateInput input;
    input.addresses = {QStringLiteral("a.com")};
    input.credentials = {{QStringLiteral("id"), QStringLiteral("me")}, {QStringLiteral("secret"), QStringLiteral("pw")}};
    const SourceRequest request = buildRequest(source, input);
    EXPECT_EQ(request.body, QByteArray(R"({"targets":["a.com"]})"));
    EXPECT_TRUE(request.headers.contains("Authorization: Basic " + QByteArray("me:pw").toBase64()));
    EXPECT_TRUE(request.headers.contains("Content-Type: application/json"));
}

SourceFile withRules(const char* count, QList<SourceFile::ErrorRule> rules, int batch = 1) {
    SourceFile source;
    source.count = QString::fromLatin1(count);
    source.errorRules = std::move(rules);
    source.batch = batch;
    return source;
}

TEST(ReadAnswer, CountsErrorsAndEnvelopes) {
    const SourceFile majestic = withRules("json:/DataTables/Results/Data/{i}/RefDomains",
                                          {{"json:/Code!=OK", "json:/ErrorMessage"}});
    // Account-level errors stand in the top level, a task's in the task.
    const SourceFile seo = withRules("json:/tasks/{i}/result/0/referring_domains",
                                     {{"json:/status_code!=20000", "json:/status_message"},
                                      {"json:/tasks/{i}/status_code!=20000", "json:/tasks/{i}/status_message"}});
    const SourceFile ahrefs = withRules("json:/metrics/live_refdomains", {{"", "json:/error"}, {"", "json:/message"}});
    const SourceFile moz = withRules("json:/results/{i}/n", {{"", "json:/message"}});
    const SourceFile regex = withRules("regex:count ([0-9,.]+)", {});
    struct Case {
        const char* name; const SourceFile* source; FetchResult result; int n;
        QList<std::optional<qint64>> counts; const char* error;
    };
    const Case cases[] = {
        {"batch", &majestic, answer(200, R"({"Code":"OK","DataTables":{"Results":{"Data":[{"RefDomains":12},{"RefDomains":"x"}]}}})"), 2,
         {12, std::nullopt}, ""},
        {"refused key", &majestic, answer(200, R"({"Code":"InvalidAPIKey","ErrorMessage":"The key is not valid"})"), 1,
         {std::nullopt}, "The key is not valid"},
        {"status only", &majestic, answer(401, "{}"), 1, {std::nullopt}, "401 Unauthorized"},
        {"not json status", &majestic, answer(503, "busy"), 1, {std::nullopt}, "503 Service Unavailable"},
        {"one task fails", &seo, answer(200, R"({"status_code":20000,"tasks":[{"status_code":20000,"result":[{"referring_domains":4}]},{"status_code":40501,"status_message":"Invalid Field"}]})"), 2,
         {4, std::nullopt}, "Invalid Field"},
        {"empty balance", &seo, answer(402, R"({"status_code":40210,"status_message":"Payment Required.","tasks":null})"), 2,
         {std::nullopt, std::nullopt}, "402 Payment Required: Payment Required."},
        {"rate limit with 200", &seo, answer(200, R"({"status_code":40202,"status_message":"Rate limit exceeded.","tasks":null})"), 1,
         {std::nullopt}, "Rate limit exceeded."},
        {"ahrefs error", &ahrefs, answer(401, R"({"error":"invalid token"})"), 1, {std::nullopt}, "401 Unauthorized: invalid token"},
        {"ahrefs message", &ahrefs, answer(403, R"({"message":"units spent"})"), 1, {std::nullopt}, "403 Forbidden: units spent"},
        {"short batch", &moz, answer(200, R"({"results":[{"n":1},{"n":2}]})"), 3, {1, 2, std::nullopt},
         "the answer lists 2 of the 3 addresses asked"},
        {"no list", &moz, answer(200, R"({"other":1})"), 2, {std::nullopt, std::nullopt},
         "the answer lists 0 of the 2 addresses asked"},
        {"too large", &moz, answer(200, R"({"results":[{"n":9e18},{"n":5}]})"), 2, {std::nullopt, 5},
         "a count is larger than a column can total (999999999999999999)"},
        {"not json", &moz, answer(200, "<html>busy</html>"), 1, {std::nullopt}, "the answer is not JSON"},
        {"regex needs no json", &regex, answer(200, "count 1,234"), 1, {1234}, ""},
        {"regex fraction", &regex, answer(200, "count 3.7"), 1, {std::nullopt}, ""},
    };
    for (const Case& c : cases) {
        const SourceAnswer got = readAnswer(*c.source, c.result, c.n);
        EXPECT_EQ(got.counts, c.counts) << c.name;
        EXPECT_EQ(got.error, QString::fromLatin1(c.error)) << c.name;
    }
    FetchResult dropped;
    dropped.transportFailure = true;
    dropped.errorText = QStringLiteral("Connection refused");
    EXPECT_EQ(readAnswer(majestic, dropped, 1).error, QStringLiteral("Connection refused"));
    // An answer cut at the cap, or nested past what the parser reads, is said so: never a silent empty cell.
    FetchResult cut = answer(200, R"({"results":[{"n":1})");
    cut.truncated = true;
    cut.errorText = QStringLiteral("The page is larger than 20 bytes; the rest was not read.");
    EXPECT_EQ(readAnswer(moz, cut, 1).error, cut.errorText);
    const QByteArray deep = QByteArray(5000, '[') + QByteArray(5000, ']');
    EXPECT_EQ(readAnswer(moz, answer(200, deep), 1).error, QStringLiteral("the answer is nested too deeply to be read"));
}

TEST(SourceFileLoad, ReadsTheSourceSectionAndRefusesBadFiles) {
    TempAppFolder app;
    app.write(QStringLiteral("Sources/moz.ini"),
              "[Source]\r\nCaption=Moz\r\nMethod=post\r\nUrl=http://h/v2?k={cred:key}\r\nHeader1=X-A: {cred:tok}\r\n"
              "Auth=basic id secret\r\nCount=json:/results/{i}/n\r\nBatch=50\r\nPause=10\r\n"
              "Failure=json:/code!=0\r\nMessage=json:/error\r\nMessage1=json:/message\r\n"
              "Failure2=json:/items/{i}/bad\r\nMessage4=json:/never-read\r\n");
    app.write(QStringLiteral("Sources/bad.ini"), "[Source]\r\nUrl=http://h/\r\nCount=xml:/a\r\n");
    app.write(QStringLiteral("Sources/nourl.ini"), "[Source]\r\nCount=json:/a\r\n");
    const SourceLoad moz = loadSourceFile(sourceFilePath(QStringLiteral("moz")));
    ASSERT_TRUE(moz.source) << moz.error.toStdString();
    EXPECT_EQ(moz.source->caption, QStringLiteral("Moz"));
    EXPECT_EQ(moz.source->method, QStringLiteral("POST"));
    EXPECT_EQ(moz.source->batch, 50);
    EXPECT_EQ(moz.source->pauseSeconds, 10);
    EXPECT_EQ(moz.source->credentialKeys(),
              (QStringList{QStringLiteral("id"), QStringLiteral("secret"), QStringLiteral("key"), QStringLiteral("tok")}));
    // The numbered rules go on while a pair has either key.
    const QList<std::pair<QString, QString>> rules{{"json:/code!=0", "json:/error"}, {"", "json:/message"},
                                                   {"json:/items/{i}/bad", ""}};
    ASSERT_EQ(moz.source->errorRules.size(), rules.size());
    for (qsizetype i = 0; i < rules.size(); ++i) {
        EXPECT_EQ(moz.source->errorRules[i].failure, rules[i].first) << i;
        EXPECT_EQ(moz.source->errorRules[i].message, rules[i].second) << i;
    }
    for (const char* rule : {"Failure=xml:/a", "Message1=json:a", "Failure1=/code"}) {
        app.write(QStringLiteral("Sources/rule.ini"),
                  QByteArray("[Source]\r\nUrl=http://h/\r\nCount=json:/a\r\n") + rule + "\r\n");
        const SourceLoad load = loadSourceFile(sourceFilePath(QStringLiteral("rule")));
        EXPECT_FALSE(load.source) << rule;
        EXPECT_TRUE(load.error.contains(QString::fromLatin1(rule).section('=', 0, 0))) << load.error.toStdString();
    }
    QFile::remove(sourceFilePath(QStringLiteral("rule")));
    EXPECT_FALSE(loadSourceFile(sourceFilePath(QStringLiteral("bad"))).source);
    EXPECT_FALSE(loadSourceFile(sourceFilePath(QStringLiteral("nourl"))).source);
    EXPECT_FALSE(loadSourceFile(sourceFilePath(QStringLiteral("missing"))).source);
    EXPECT_EQ(sourceNames(), (QStringList{QStringLiteral("bad"), QStringLiteral("moz"), QStringLiteral("nourl")}));
    // A caption becomes a section name of every saved search the column writes.
    for (const char* caption : {"Moz: DA", "[x]", "a=b"}) {
        app.write(QStringLiteral("Sources/cap.ini"),
                  QByteArray("[Source]\r\nCaption=") + caption + "\r\nUrl=http://h/\r\nCount=json:/a\r\n");
        const SourceLoad load = loadSourceFile(sourceFilePath(QStringLiteral("cap")));
        EXPECT_FALSE(load.source) << caption;
        EXPECT_TRUE(load.error.contains(QLatin1String("Caption"))) << load.error.toStdString();
    }
}

TEST(Credentials, WrittenOwnerOnlyAndRefusedWhenOthersCanRead) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Quillmark/credentials.ini"));
    QString error;
    ASSERT_TRUE(credentials::write(QStringLiteral("moz"), QStringLiteral("id"), QStringLiteral("abc"), &error, file));
    ASSERT_TRUE(credentials::write(QStringLiteral("moz"), QStringLiteral("secret"), QStringLiteral("xyz"), &error, file));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const auto read = credentials::read(QStringLiteral("moz"), {QStringLiteral("id"), QStringLiteral("secret")}, file);
    EXPECT_TRUE(read.error.isEmpty());
    EXPECT_EQ(read.values.value(QStringLiteral("id")), QStringLiteral("abc"));
    EXPECT_EQ(read.values.value(QStringLiteral("secret")), QStringLiteral("xyz"));

    for (const mode_t mode : {mode_t(0640), mode_t(0604), mode_t(0660)}) {
        ::chmod(QFile::encodeName(file).constData(), mode);
        const auto refused = credentials::read(QStringLiteral("moz"), {QStringLiteral("id")}, file);
        EXPECT_TRUE(refused.values.isEmpty()) << mode;
        EXPECT_TRUE(refused.error.contains(file)) << refused.error.toStdString();
        EXPECT_FALSE(credentials::write(QStringLiteral("moz"), QStringLiteral("id"), QStringLiteral("n"), &error, file));
    }
}

TEST(MaskedText, HidesEveryFormAServiceMayQuoteBack) {
    const QString key = QStringLiteral("k/y 1&\"z");
    const SourceFile source = [] {
        SourceFile s;
        s.authUser = QStringLiteral("id");
        s.authPassword = QStringLiteral("secret");
        return s;
    }();
    const QHash<QString, QString> creds{{QStringLiteral("id"), QStringLiteral("me")}, {QStringLiteral("secret"), key}};
    const SecretMask mask(secretsOf(source, creds));
    const QByteArray basic = QByteArray("me:").append(key.toUtf8()).toBase64();
    const QStringList forms{
        key,
        QStringLiteral("k%2Fy%201%26%22z"),   // upper-case escapes
        QStringLiteral("k%2fy%201%26%22z"),   // lower-case escapes
        QStringLiteral("k%2Fy+1%26%22z"),     // a form's "+" for the space
        QStringLiteral("k/y%201&\"z"),        // some characters escaped, some not
        QStringLiteral("k%252Fy%25201%2526%2522z"),  // escaped again: a quoted request address
        QStringLiteral("k%25252fy%252B1&\"z"),
        QStringLiteral("k\\/y 1&\\\"z"),      // JSON-escaped
        QStringLiteral("k\\u002fy\\u00201\\u0026\\u0022z"),
        QString::fromLatin1(basic),
        QString::fromLatin1(QByteArray("me:").append(key.toUtf8()).toBase64(QByteArray::Base64UrlEncoding |
                                                                             QByteArray::OmitTrailingEquals)),
    };
    for (const QString& form : forms) {
        const QString masked = mask.apply(QStringLiteral("before ") + form + QStringLiteral(" after"));
        EXPECT_EQ(masked, QStringLiteral("before ") + QString(form.size(), QLatin1Char('*')) + QStringLiteral(" after"))
            << form.toStdString();
    }
    // The old helper still masks each credential.
    EXPECT_EQ(maskedText(QStringLiteral("a=k&y1 b=k%26y1"), {{QStringLiteral("key"), QStringLiteral("k&y1")}}),
              QStringLiteral("a=**** b=******"));
}

TEST(MaskedText, AKeyAcrossTheCutIsMaskedBeforeTheCut) {
    const SecretMask mask(QStringList{QStringLiteral("sekrit-token")});
    for (const qsizetype before : {qsizetype(90), qsizetype(95), qsizetype(99)}) {
        const QByteArray body = QByteArray(before, '.') + "sekrit%2Dtoken" + QByteArray(50, '.');
        const QString shown = maskedPrefix(body, 100, mask);
        EXPECT_EQ(shown.size(), 100);
        EXPECT_FALSE(shown.contains(QLatin1String("sek"))) << before << shown.toStdString();
        EXPECT_EQ(shown.count(QLatin1Char('*')), 100 - before) << before;
    }
}
