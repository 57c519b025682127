#include "cli/graph_command.h"

#include "build_info.h"
#include "graph/domain_key.h"
#include "graph/graph_index.h"
#include "graph/graph_lookup.h"
#include "graph/release_catalog.h"
#include "graph/release_counter.h"
#include "graph/release_fetch.h"
#include "history/saved_search.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <memory>
#include <vector>

namespace {

constexpr const char* kSection = "Web Graph";

struct Context {
    explicit Context(const GraphCommandIo& streams) : io(streams) {}
    const GraphCommandIo& io;
    QString indexBase = QString::fromLatin1(graphRelease::kDefaultIndexBase);
    QString dataBase = QString::fromLatin1(graphRelease::kDefaultDataBase);
    QString release;  // --release

    void say(const QString& text) const { io.out((text + QLatin1Char('\n')).toLocal8Bit()); }
    int fail(const QString& text) const {
        io.err(("quillmark-graph: " + text + QLatin1Char('\n')).toLocal8Bit());
        return GraphFailed;
    }
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
    for (const QString& kind : graphRelease::kFileKinds) {
        const QString target = graphRelease::releaseFolder(id) + QLatin1Char('/') + graphRelease::fileName(id, kind);
        const QString url = graphRelease::fileUrl(c.dataBase, id, kind);
        if (auto error = graphFetch::fetchFile(url, target, c.io.progress ? stderr : nullptr))
            return c.fail(*error);
    }
    c.say(QStringLiteral("%1: fetched into %2").arg(id, graphRelease::releaseFolder(id)));
    return GraphOk;
}

int countCommand(const Context& c, const QString& id) {
    const QString folder = graphRelease::releaseFolder(id);
    const graphCount::Files files =
        graphCount::releaseFiles(QFile::encodeName(folder).toStdString(), QFile::encodeName(id).toStdString());
    std::function<void(const std::string&)> progress;
    if (c.io.progress)
        progress = [&](const std::string& text) { c.io.err(QByteArray::fromStdString(text + "\n")); };
    const graphCount::Result result =
        graphCount::countRelease(files, QFile::encodeName(graphRelease::indexPath(id)).toStdString(), progress);
    if (!result.error.empty()) return c.fail(QString::fromLocal8Bit(result.error.c_str()));
    c.say(QStringLiteral("%1: %2 domains, %3 links between them counted").arg(id).arg(result.domains).arg(result.edges));
    return GraphOk;
}

// The indexes asked for: --release, or every counted one (newest first).
std::optional<std::vector<graphLookup::OpenRelease>> openIndexes(const Context& c, bool all, int& exit) {
    QList<graphRelease::Release> releases;
    if (!c.release.isEmpty()) {
        if (!graphRelease::isCounted(c.release)) {
            exit = c.fail(QStringLiteral("%1: not counted here (quillmark-graph count %1)").arg(c.release));
            return std::nullopt;
        }
        releases << graphRelease::localRelease(c.release);
    } else {
        releases = graphRelease::countedReleases();
        if (releases.isEmpty()) {
            exit = c.fail(graphLookup::noReleaseText());
            return std::nullopt;
        }
        if (!all) releases = releases.mid(0, 1);
    }
    std::vector<graphLookup::OpenRelease> indexes;
    for (const graphRelease::Release& r : releases) {
        QString error;
        graphLookup::OpenRelease index = graphLookup::open(r.id, &error);
        if (!index.reader) {
            exit = c.fail(error);
            return std::nullopt;
        }
        indexes.push_back(std::move(index));
    }
    return indexes;
}

int lookupCommand(const Context& c, const QStringList& addresses) {
    int exit = GraphOk;
    auto indexes = openIndexes(c, false, exit);
    if (!indexes) return exit;
    const graphLookup::OpenRelease& index = indexes->front();
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
    if (auto problem = savedSearch::nameProblem(name)) return c.fail(*problem);
    const QString key = domainKey::forAddress(address);
    if (key.isEmpty()) return c.fail(QStringLiteral("%1: no registrable domain").arg(address));
    int exit = GraphOk;
    auto indexes = openIndexes(c, true, exit);
    if (!indexes) return exit;
    int written = 0;
    for (const graphLookup::OpenRelease& index : *indexes) {
        const auto date = graphRelease::releaseDate(graphRelease::localRelease(index.id));
        const graphLookup::Answer answer = graphLookup::lookUp(*index.reader, address);
        if (!date || !answer.found) continue;  // no count that day
        const graphIndex::Counts& counts = answer.counts;
        const QString record = QLatin1String(kSection) + QLatin1Char(':') + QString::number(counts.linkingDomains) +
                               QLatin1Char('\n');
        if (auto error = savedSearch::appendRecord(name, record, *date)) return c.fail(*error);
        c.say(QStringLiteral("%1: %2 linking domains on %3 (%4)")
                  .arg(key).arg(counts.linkingDomains).arg(savedSearch::dateKey(*date), index.id));
        ++written;
    }
    if (written == 0) return c.fail(QStringLiteral("%1: not in any counted release").arg(key));
    return GraphOk;
}

}  // namespace

QString graphUsage() {
    return QStringLiteral(
        "Usage: quillmark-graph [--base URL] list\n"
        "  or:  quillmark-graph [--base URL] fetch RELEASE\n"
        "  or:  quillmark-graph count RELEASE\n"
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
    const QString command = rest.value(0);
    rest.removeFirst();
    const auto usage = [&] {
        io.err(graphUsage().toLocal8Bit());
        return GraphUsageError;
    };
    if (command == QLatin1String("list") && rest.isEmpty()) return listCommand(c);
    if (command == QLatin1String("fetch") && rest.size() == 1) return fetchCommand(c, rest[0]);
    if (command == QLatin1String("count") && rest.size() == 1) return countCommand(c, rest[0]);
    if (command == QLatin1String("lookup") && !rest.isEmpty()) return lookupCommand(c, rest);
    if (command == QLatin1String("history") && rest.size() == 2) return historyCommand(c, rest[0], rest[1]);
    return usage();
}
