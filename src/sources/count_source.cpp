#include "sources/count_source.h"

#include "config/ini_file.h"
#include "sources/count_extraction.h"
#include "net/page_fetcher.h"
#include "sources/credentials.h"
#include "sources/graph_source.h"
#include "sources/secret_mask.h"
#include "sources/source_file.h"
#include "sources/source_request.h"

namespace {

// One of the six engines of the catalogue, asked exactly as it always was.
class BuiltinSource final : public CountSource {
public:
    BuiltinSource(const EngineSpec& engine, QString settingsFile, PageFetcher& fetcher)
        : m_engine(engine), m_settingsFile(std::move(settingsFile)), m_fetcher(fetcher) {}
    QString caption() const override { return QString::fromLatin1(m_engine.gridCaption); }
    QString webLabel() const override { return QString::fromLatin1(m_engine.webLabel); }
    QString statusSuffix() const override { return QString::fromLatin1(m_engine.statusSuffix); }
    void ask(const QStringList& addresses, Done done) override {
        // Read afresh for every request, so an edited template applies from the next one.
        const QString query = scanQuery(readTemplate(m_engine, m_settingsFile), m_engine, addresses.value(0));
        const int parser = m_engine.parser;
        const bool msn = m_engine.id == EngineKey::MSN;
        m_fetcher.FetchPage(query, [done = std::move(done), parser, msn](const FetchResult& result) {
            SourceReply reply;
            // No HTTP answer at all, or an engine refusing to answer now, is no count.
            const bool noCount = result.transportFailure || result.httpStatus == 429;
            EngineCount count = noCount ? EngineCount{} : ParseEngineCount(result.text(), parser);
            if (!msn) count.text.remove(QLatin1Char(','));
            reply.cells = {count.text};
            reply.read = {count.read};
            if (result.httpStatus == 429) reply.retryAfterSeconds = result.retryAfterSeconds;
            done(reply);
        });
    }

private:
    const EngineSpec& m_engine;
    QString m_settingsFile;
    PageFetcher& m_fetcher;
};

// As much of an answer as the website view shows.
constexpr qsizetype kShownBytes = 64 * 1024;

// A Sources/NAME.ini: its request filled for a batch, its answer read by its rules.
class HttpSource final : public CountSource {
public:
    HttpSource(SourceFile source, QHash<QString, QString> credentials, PageFetcher& fetcher)
        : m_source(std::move(source)),
          m_credentials(std::move(credentials)),
          m_mask(secretsOf(m_source, m_credentials)),
          m_fetcher(fetcher) {}
    QString caption() const override { return m_source.caption; }
    QString webLabel() const override { return m_source.caption; }
    QString statusSuffix() const override { return QStringLiteral(" on ") + m_source.caption; }
    int batchSize() const override { return m_source.batch; }
    int pauseSeconds() const override { return m_source.pauseSeconds; }
    QString viewAddress(const QString& address) const override {
        if (m_source.view.isEmpty()) return QString();
        TemplateInput input;
        input.addresses = {address};
        return fillTemplate(m_source.view, TemplateField::Url, input);
    }
    void ask(const QStringList& addresses, Done done) override {
        TemplateInput input;
        input.addresses = addresses;
        input.credentials = m_credentials;
        const SourceRequest built = buildRequest(m_source, input);
        FetchRequest request;
        request.url = built.url;
        request.method = built.method.toLatin1();
        request.body = built.body;
        request.headers = built.headers;
        request.sameOriginRedirects = !m_credentials.isEmpty();
        const int n = static_cast<int>(addresses.size());
        m_fetcher.FetchPage(request, [this, done = std::move(done), n](const FetchResult& result) {
            const SourceAnswer answer = readAnswer(m_source, result, n);
            SourceReply reply;
            for (const auto& count : answer.counts) reply.cells.append(count ? QString::number(*count) : QString());
            reply.error = m_mask.apply(answer.error);
            reply.answerText = maskedPrefix(result.body, kShownBytes, m_mask);
            if ((result.httpStatus == 429 || result.httpStatus == 503) && result.retryAfterSeconds)
                reply.retryAfterSeconds = result.retryAfterSeconds;
            done(reply);
        });
    }

private:
    SourceFile m_source;
    QHash<QString, QString> m_credentials;
    SecretMask m_mask;
    PageFetcher& m_fetcher;
};

// A binding that names no usable source: every address gets no count and the
// reason, so the column says why it stays empty.
class BrokenSource final : public CountSource {
public:
    BrokenSource(QString caption, QString error) : m_caption(std::move(caption)), m_error(std::move(error)) {}
    QString caption() const override { return m_caption; }
    QString webLabel() const override { return m_caption; }
    QString statusSuffix() const override { return QStringLiteral(" on ") + m_caption; }
    void ask(const QStringList& addresses, Done done) override {
        SourceReply reply;
        for (qsizetype i = 0; i < addresses.size(); ++i) reply.cells.append(QString());
        reply.error = m_error;
        done(reply);
    }

private:
    QString m_caption;
    QString m_error;
};

}  // namespace

QString sourceBinding(const EngineSpec& engine, const QString& settingsFile) {
    return IniReadKey(QStringLiteral("Sources"), QLatin1String(engine.key), QString(), settingsFile).trimmed();
}

namespace {

bool isOff(const QString& binding) { return binding.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0; }

}  // namespace

SourceTable buildSourceTable(const QString& settingsFile, PageFetcher& fetcher) {
    SourceTable table;
    for (const EngineSpec& engine : engineSpecs()) {
        auto& slot = table[static_cast<size_t>(engine.id)];
        const QString binding = sourceBinding(engine, settingsFile);
        if (binding.isEmpty()) {
            slot = std::make_unique<BuiltinSource>(engine, settingsFile, fetcher);
            continue;
        }
        if (isOff(binding)) continue;
        const SourceLoad load = loadSourceFile(sourceFilePath(binding));
        if (!load.source) {
            slot = std::make_unique<BrokenSource>(binding, load.error);
            continue;
        }
        if (load.source->type == QLatin1String("graph")) {
            slot = std::make_unique<GraphSource>(*load.source);
            continue;
        }
        const credentials::Read creds = credentials::read(binding, load.source->credentialKeys());
        if (!creds.error.isEmpty()) {
            slot = std::make_unique<BrokenSource>(load.source->caption, creds.error);
            continue;
        }
        slot = std::make_unique<HttpSource>(*load.source, creds.values, fetcher);
    }
    return table;
}

std::array<QString, kEngineCount> columnCaptions(const QString& settingsFile) {
    std::array<QString, kEngineCount> captions;
    for (const EngineSpec& engine : engineSpecs()) {
        const QString binding = sourceBinding(engine, settingsFile);
        QString& caption = captions[static_cast<size_t>(engine.id)];
        if (binding.isEmpty()) {
            caption = QString::fromLatin1(engine.gridCaption);
        } else if (!isOff(binding)) {
            const SourceLoad load = loadSourceFile(sourceFilePath(binding));
            caption = load.source ? load.source->caption : binding;
        }
    }
    return captions;
}
