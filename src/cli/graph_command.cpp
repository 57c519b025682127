#include "cli/graph_command.h"

#include "build_info.h"
#include "config/app_paths.h"
#include "graph/fetch_and_count.h"
#include "graph/graph_job.h"
#include "graph/domain_key.h"
#include "history/graph_history.h"
#include "graph/graph_index.h"
#include "graph/graph_lookup.h"
#include "graph/release_catalog.h"
#include "graph/release_counter.h"
#include "graph/release_fetch.h"
#include "history/saved_search.h"

#include <QElapsedTimer>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace {

struct Context {
    explicit Context(const GraphCommandIo& streams) : io(streams) {}
    const GraphCommandIo& io;
    QString indexBase = QString::fromLatin1(graphRelease::kDefaultIndexBase);
    QString dataBase = QString::fromLatin1(graphRelease::kDefaultDataBase);
    QString release;  // --release
    bool progressLines = false;  // --progress-lines
    bool keep = false;           // --keep

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

QString megabytes(qint64 bytes) { return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1); }

// The terminal's one line of a fetch, rewritten in place a few times a second.
class TerminalLine {
public:
    TerminalLine(const Context& c, const QString& id) : m_c(c), m_id(id) { m_clock.start(); }
    ~TerminalLine() {
        if (m_shown) m_c.io.err("\n");
    }
    void show(const graphFetch::FetchProgress& p) {
        if (!m_c.io.progress || m_c.progressLines || (m_shown && m_clock.elapsed() < 250)) return;
        m_clock.restart();
        m_shown = true;
        QString line;
        if (p.counting && p.arrived == 0) {
            line = QStringLiteral("%1: counting, %2 of %3 MB read").arg(m_id, megabytes(p.done), megabytes(p.total));
        } else if (p.counting) {
            line = QStringLiteral("%1: %2 MB here, counting the last of it").arg(m_id, megabytes(p.total));
        } else {
            const double rate = p.seconds > 0 ? static_cast<double>(p.arrived) / p.seconds : 0;
            line = QStringLiteral("%1: %2 of %3 MB, %4 MB/s")
                       .arg(m_id, megabytes(p.done), megabytes(p.total), QString::number(rate / 1e6, 'f', 1));
            if (rate > 0 && p.total > p.done) {
                const qint64 left = static_cast<qint64>(static_cast<double>(p.total - p.done) / rate);
                line += QStringLiteral(", %1:%2:%3 left")
                            .arg(left / 3600)
                            .arg(left / 60 % 60, 2, 10, QLatin1Char('0'))
                            .arg(left % 60, 2, 10, QLatin1Char('0'));
            }
        }
        m_c.io.err(("\r" + line + QStringLiteral("\x1b[K")).toLocal8Bit());
    }

private:
    const Context& m_c;
    QString m_id;
    bool m_shown = false;
    QElapsedTimer m_clock;
};

int fetchCommand(const Context& c, const QString& id) {
    int exit = GraphOk;
    const auto body = fetchList(c, exit);
    if (!body) return exit;
    QJsonObject entry;
    for (const QJsonValue& value : QJsonDocument::fromJson(*body).array())
        if (value.toObject().value(QLatin1String("id")).toString() == id) entry = value.toObject();
    if (entry.isEmpty()) return c.fail(QStringLiteral("%1: no such release in the published list").arg(id));
    const graphRelease::ReleaseLock lock(id);
    if (!lock.isLocked()) return c.fail(lock.error());

    std::optional<ProgressLines> lines;
    graphFetch::FetchOutcome outcome;
    {
        TerminalLine terminal(c, id);
        graphFetch::ReleaseFetch request;
        request.id = id;
        request.dataBase = c.dataBase;
        request.releaseJson = QJsonDocument(entry).toJson();
        request.keep = c.keep;
        request.progress = [&](const graphFetch::FetchProgress& p) {
            if (!lines) lines.emplace(c, p.total);
            // The whole only once the index is complete.
            lines->report(std::min(p.done, std::max<qint64>(0, p.total - 1)));
            terminal.show(p);
        };
        outcome = graphFetch::fetchAndCount(request);
    }
    if (outcome.error) return c.fail(*outcome.error);
    if (!lines) lines.emplace(c, outcome.total);
    lines->report(outcome.total, true);
    if (outcome.alreadyCounted)
        c.say(QStringLiteral("%1: counted already, in %2").arg(id, graphRelease::releaseFolder(id)));
    else
        c.say(QStringLiteral("%1: fetched and counted into %2: %3 domains, %4 links between them")
                  .arg(id, graphRelease::releaseFolder(id))
                  .arg(outcome.domains)
                  .arg(outcome.edges));
    return GraphOk;
}

int countCommand(const Context& c, const QString& id) {
    const QString folder = graphRelease::releaseFolder(id);
    // Without a folder there is nothing to count, and nothing is made for it.
    std::optional<graphRelease::ReleaseLock> lock;
    if (QFileInfo(folder).isDir()) {
        lock.emplace(id);
        if (!lock->isLocked()) return c.fail(lock->error());
    }
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
        "  or:  quillmark-graph [--base URL] [--progress-lines] [--keep] fetch RELEASE\n"
        "  or:  quillmark-graph [--progress-lines] count RELEASE\n"
        "  or:  quillmark-graph lookup [--release RELEASE] ADDRESS...\n"
        "  or:  quillmark-graph history [--release RELEASE] NAME ADDRESS\n"
        "Counts of the domains linking to an address, from the open web graph.\n"
        "  list             the published releases, newest first, marking those fetched\n"
        "                   and counted here\n"
        "  fetch RELEASE    download a release's domain files and count them as they\n"
        "                   arrive: the index is ready when the download ends, and the\n"
        "                   .gz files are removed then (resumes an interrupted fetch)\n"
        "  count RELEASE    build the release's index again from its .gz files\n"
        "  lookup ADDRESS   print CSV: Address,Domain,Linking Domains,Harmonic Rank,Release\n"
        "  history NAME ADDRESS  write one date a counted release into the \"Web Graph\"\n"
        "                   section of the saved search NAME\n"
        "  --base URL       the server of the list and the files (a mirror); without it,\n"
        "                   [Graph] Base of settings.ini, else the public servers\n"
        "  --keep           fetch keeps the .gz files, so that count can rebuild the index\n"
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
    bool baseGiven = false;
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if ((arg == QLatin1String("--base") || arg == QLatin1String("--release")) && i + 1 < args.size()) {
            const QString value = args[++i];
            if (arg == QLatin1String("--base")) {
                c.indexBase = c.dataBase = value;
                baseGiven = true;
            }
            else c.release = value;
        } else if (arg == QLatin1String("--progress-lines")) {
            c.progressLines = true;
        } else if (arg == QLatin1String("--keep")) {
            c.keep = true;
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
    // The window's server is the program's too, unless told otherwise.
    if (!baseGiven && (command == QLatin1String("list") || command == QLatin1String("fetch"))) {
        const QString setBase = graphBaseSetting(appPaths::settingsPath());
        if (!setBase.isEmpty()) c.indexBase = c.dataBase = setBase;
    }
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
