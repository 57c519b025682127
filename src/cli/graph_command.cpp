#include "cli/graph_command.h"

#include "build_info.h"
#include "graph/domain_key.h"
#include "graph/graph_history.h"
#include "graph/graph_index.h"
#include "graph/graph_lookup.h"
#include "graph/release_catalog.h"
#include "graph/release_counter.h"
#include "graph/release_fetch.h"
#include "history/saved_search.h"

#include <QElapsedTimer>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <memory>
#include <vector>

namespace {

struct Context {
    explicit Context(const GraphCommandIo& streams) : io(streams) {}
    const GraphCommandIo& io;
    QString indexBase = QString::fromLatin1(graphRelease::kDefaultIndexBase);
    QString dataBase = QString::fromLatin1(graphRelease::kDefaultDataBase);
    QString release;  // --release
    bool progressLines = false;  // --progress-lines

    void say(const QString& text) const { io.out((text + QLatin1Char('\n')).toLocal8Bit()); }
    int fail(const QString& text) const {
        io.err(("quillmark-graph: " + text + QLatin1Char('\n')).toLocal8Bit());
        return GraphFailed;
    }
};

// "progress DONE TOTAL" lines on standard error for a parent process: at most
// ten a second, DONE never going down, and the last one as the work ends.
class ProgressLines {
public:
    ProgressLines(const Context& c, qint64 total) : m_c(c), m_total(total) { m_clock.start(); }
    bool enabled() const { return m_c.progressLines; }
    void report(qint64 done, bool now = false) {
        if (!m_c.progressLines || done < m_done) return;
        m_done = done;
        if (m_shown && (done == m_lastShown || (!now && m_clock.elapsed() < 100))) return;
        m_clock.restart();
        m_shown = true;
        m_lastShown = done;
        m_c.io.err(QByteArrayLiteral("progress ") + QByteArray::number(done) + ' ' + QByteArray::number(m_total) + '\n');
    }

private:
    const Context& m_c;
    qint64 m_total = 0;
    qint64 m_done = 0;
    qint64 m_lastShown = 0;
    bool m_shown = false;
    QElapsedTimer m_clock;
};

QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The published list, or an error already reported.
std::optional<QByteArray> fetchList(const Context& c, int& exit) {
    QByteArray body;
    QString base = c.indexBase;
    while (base.endsWith(QLatin1Char('/'))) base.chop(1);
    if (auto error = graphFetch::getSmall(base + QStringLiteral("/graphinfo.json"), body)) {
        exit = c.fail(*error);
        return std::nullopt;
    }
    return body;
}

int listCommand(const Context& c) {
    int exit = GraphOk;
    const auto body = fetchList(c, exit);
    if (!body) return exit;
    QString error;
    auto releases = graphRelease::parseGraphInfo(*body, &error);
    if (!releases) return c.fail(QStringLiteral("graphinfo.json: ") + error);
    graphRelease::sortNewestFirst(*releases);
    for (const graphRelease::Release& r : *releases) {
        const auto date = graphRelease::releaseDate(r);
        QStringList marks;
        if (graphRelease::isFetched(r.id)) marks << QStringLiteral("fetched");
        if (graphRelease::isCounted(r.id)) marks << QStringLiteral("counted");
        c.say(QStringList{r.id, date ? date->toString(Qt::ISODate) : QStringLiteral("-"), marks.join(QLatin1Char(' '))}
                  .join(QLatin1Char('\t'))
                  .trimmed());
    }
    return GraphOk;
}

int fetchCommand(const Context& c, const QString& id) {
    int exit = GraphOk;
    const auto body = fetchList(c, exit);
    if (!body) return exit;
    QJsonObject entry;
    for (const QJsonValue& value : QJsonDocument::fromJson(*body).array())
        if (value.toObject().value(QLatin1String("id")).toString() == id) entry = value.toObject();
    if (entry.isEmpty()) return c.fail(QStringLiteral("%1: no such release in the published list").arg(id));
    if (!graphRelease::saveLocalRelease(QString::fromUtf8(QJsonDocument(entry).toJson()), id))
        return c.fail(QStringLiteral("%1: cannot be written").arg(graphRelease::infoPath(id)));
    QStringList urls, targets;
    qint64 total = 0;
    QList<qint64> sizes;
    for (const QString& kind : graphRelease::kFileKinds) {
        targets << graphRelease::releaseFolder(id) + QLatin1Char('/') + graphRelease::fileName(id, kind);
        urls << graphRelease::fileUrl(c.dataBase, id, kind);
        qint64 size = 0;
        // Only a parent wanting the whole run's progress needs the sizes first.
        if (c.progressLines) {
            if (auto error = graphFetch::remoteSize(urls.back(), size)) return c.fail(*error);
        }
        sizes << size;
        total += size;
    }
    ProgressLines lines(c, total);
    qint64 before = 0;
    lines.report(0, true);
    for (qsizetype i = 0; i < urls.size(); ++i) {
        const auto bytes = [&](qint64 have) { lines.report(before + have); };
        if (auto error = graphFetch::fetchFile(urls[i], targets[i], c.io.progress && !c.progressLines ? stderr : nullptr,
                                               lines.enabled() ? bytes : std::function<void(qint64)>()))
            return c.fail(*error);
        before += sizes[i];
        lines.report(before, i + 1 == urls.size());
    }
    c.say(QStringLiteral("%1: fetched into %2").arg(id, graphRelease::releaseFolder(id)));
    return GraphOk;
}

int countCommand(const Context& c, const QString& id) {
    const QString folder = graphRelease::releaseFolder(id);
    const graphCount::Files files =
        graphCount::releaseFiles(QFile::encodeName(folder).toStdString(), QFile::encodeName(id).toStdString());
    std::function<void(const std::string&)> progress;
    if (c.io.progress && !c.progressLines)
        progress = [&](const std::string& text) { c.io.err(QByteArray::fromStdString(text + "\n")); };
    std::optional<ProgressLines> lines;
    graphCount::ByteProgress bytes;
    if (c.progressLines)
        bytes = [&](uint64_t done, uint64_t total) {
            if (!lines) lines.emplace(c, static_cast<qint64>(total));
            lines->report(static_cast<qint64>(done), done == total);
        };
    const graphCount::Result result = graphCount::countRelease(
        files, QFile::encodeName(graphRelease::indexPath(id)).toStdString(), progress, bytes);
    if (!result.error.empty()) return c.fail(QString::fromLocal8Bit(result.error.c_str()));
    c.say(QStringLiteral("%1: %2 domains, %3 links between them counted").arg(id).arg(result.domains).arg(result.edges));
    return GraphOk;
}

// The indexes asked for: --release, or every counted one (newest first).
std::optional<std::vector<graphHistory::OpenIndex>> openIndexes(const Context& c, bool all, int& exit) {
    graphHistory::OpenedIndexes opened = graphHistory::openCounted(c.release, all);
    if (opened.indexes.empty()) {
        exit = c.fail(opened.error);
        return std::nullopt;
    }
    return std::move(opened.indexes);
}

int lookupCommand(const Context& c, const QStringList& addresses) {
    int exit = GraphOk;
    auto indexes = openIndexes(c, false, exit);
    if (!indexes) return exit;
    const graphHistory::OpenIndex& index = indexes->front();
    QByteArray out = "Address,Domain,Linking Domains,Harmonic Rank,Release\r\n";
    for (const QString& address : addresses) {
        const graphLookup::Answer answer = graphLookup::lookUp(*index.reader, address);
        if (answer.damaged) return c.fail(graphLookup::damagedText(index.id));
        const graphIndex::Counts& counts = answer.counts;
        const QString linking = answer.found ? QString::number(counts.linkingDomains) : QString();
        const QString rank = answer.found && counts.harmonicRank != graphIndex::kNoRank
                                 ? QString::number(counts.harmonicRank) : QString();
        out += QStringList{csvField(address), csvField(answer.domain), linking, rank, index.id}
                   .join(QLatin1Char(',')).toLocal8Bit();
        out += "\r\n";
    }
    c.io.out(out);
    return GraphOk;
}

int historyCommand(const Context& c, const QString& name, const QString& address) {
    const graphHistory::History history = graphHistory::writeHistory(name, address, c.release);
    for (const graphHistory::Written& w : history.dates)
        c.say(QStringLiteral("%1: %2 linking domains on %3 (%4)")
                  .arg(history.key).arg(w.linkingDomains).arg(savedSearch::dateKey(w.date), w.release));
    if (history.error) return c.fail(*history.error);
    return GraphOk;
}

}  // namespace

QString graphUsage() {
    return QStringLiteral(
        "Usage: quillmark-graph [--base URL] list\n"
        "  or:  quillmark-graph [--base URL] [--progress-lines] fetch RELEASE\n"
        "  or:  quillmark-graph [--progress-lines] count RELEASE\n"
        "  or:  quillmark-graph lookup [--release RELEASE] ADDRESS...\n"
        "  or:  quillmark-graph history [--release RELEASE] NAME ADDRESS\n"
        "Counts of the domains linking to an address, from the open web graph.\n"
        "  list             the published releases, newest first, marking those fetched\n"
        "                   and counted here\n"
        "  fetch RELEASE    download a release's domain files (resumes an interrupted fetch)\n"
        "  count RELEASE    build the release's index; the .gz files may be deleted after\n"
        "  lookup ADDRESS   print CSV: Address,Domain,Linking Domains,Harmonic Rank,Release\n"
        "  history NAME ADDRESS  write one date a counted release into the \"Web Graph\"\n"
        "                   section of the saved search NAME\n"
        "  --base URL       the server of the list and the files (a mirror)\n"
        "  --release R      look up in release R instead of the newest counted one\n"
        "  --progress-lines\n"
        "                   for a program running fetch or count: \"progress DONE TOTAL\"\n"
        "                   lines on standard error (bytes of the three files fetched,\n"
        "                   or read while counting; at most ten a second, the last as\n"
        "                   the work ends) in place of the terminal's progress line;\n"
        "                   any other line there is a message\n"
        "  --version        show the program's name and version\n"
        "Exit status: 0 done, 1 failed (the message names the file and the place), 2 usage error.\n");
}

int runGraphCommand(const QStringList& args, const GraphCommandIo& io) {
    Context c(io);
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if ((arg == QLatin1String("--base") || arg == QLatin1String("--release")) && i + 1 < args.size()) {
            const QString value = args[++i];
            if (arg == QLatin1String("--base")) c.indexBase = c.dataBase = value;
            else c.release = value;
        } else if (arg == QLatin1String("--progress-lines")) {
            c.progressLines = true;
        } else if (arg == QLatin1String("--version")) {
            io.out(QByteArrayLiteral("quillmark-graph ") + buildinfo::versionText + '\n');
            return GraphOk;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            io.out(graphUsage().toLocal8Bit());
            return GraphOk;
        } else if (arg.startsWith(QLatin1String("--"))) {
            io.err(graphUsage().toLocal8Bit());
            return GraphUsageError;
        } else {
            rest << arg;
        }
    }
    const auto usage = [&] {
        io.err(graphUsage().toLocal8Bit());
        return GraphUsageError;
    };
    if (rest.isEmpty()) return usage();
    const QString command = rest.takeFirst();
    // A release names a folder of the cache: never a path out of it.
    const QString release = command == QLatin1String("fetch") || command == QLatin1String("count")
                                ? rest.value(0)
                                : c.release;
    if (!release.isEmpty()) {
        if (auto problem = graphRelease::idProblem(release)) return c.fail(*problem);
    }
    if (command == QLatin1String("list") && rest.isEmpty()) return listCommand(c);
    if (command == QLatin1String("fetch") && rest.size() == 1) return fetchCommand(c, rest[0]);
    if (command == QLatin1String("count") && rest.size() == 1) return countCommand(c, rest[0]);
    if (command == QLatin1String("lookup") && !rest.isEmpty()) return lookupCommand(c, rest);
    if (command == QLatin1String("history") && rest.size() == 2) return historyCommand(c, rest[0], rest[1]);
    return usage();
}
