#include "history/graph_history.h"

#include "graph/domain_key.h"
#include "graph/release_catalog.h"
#include "history/saved_search.h"

#include <QFile>

namespace graphHistory {

OpenedIndexes openCounted(const QString& release, bool all) {
    OpenedIndexes opened;
    QList<graphRelease::Release> releases;
    if (!release.isEmpty()) {
        if (!graphRelease::isCounted(release)) {
            opened.error = QStringLiteral("%1: not counted here (quillmark-graph fetch %1)").arg(release);
            return opened;
        }
        releases << graphRelease::localRelease(release);
    } else {
        releases = graphRelease::countedReleases();
        if (releases.isEmpty()) {
            opened.error = graphLookup::noReleaseText();
            return opened;
        }
        if (!all) releases = releases.mid(0, 1);
    }
    for (const graphRelease::Release& r : releases) {
        OpenIndex index = graphLookup::open(r.id, &opened.error);
        if (!index.reader) {
            opened.indexes.clear();
            return opened;
        }
        opened.indexes.push_back(std::move(index));
    }
    return opened;
}

History writeHistory(const QString& name, const QString& address, const QString& release) {
    History history;
    if (auto problem = savedSearch::nameProblem(name)) {
        history.error = problem;
        return history;
    }
    history.key = domainKey::forAddress(address);
    if (history.key.isEmpty()) {
        history.error = QStringLiteral("%1: no registrable domain").arg(address);
        return history;
    }
    const OpenedIndexes opened = openCounted(release, true);
    if (opened.indexes.empty()) {
        history.error = opened.error;
        return history;
    }
    // One lock for all the dates: a cron job saving meanwhile waits for the
    // whole history rather than slipping in between two of its dates.
    const savedSearch::SearchLock lock(name);
    if (!lock.isLocked()) {
        history.error = lock.error();
        return history;
    }
    const std::string key = history.key.toStdString();
    // Every count is read before anything is written: a damaged index writes
    // no date at all.
    QList<std::pair<QDate, QString>> counts;
    for (auto it = opened.indexes.rbegin(); it != opened.indexes.rend(); ++it) {
        const OpenIndex& index = *it;
        const auto date = graphRelease::releaseDate(graphRelease::localRelease(index.id));
        if (!date) continue;
        const graphIndex::Found found = index.reader->find(key);
        if (found.status == graphIndex::Status::Damaged) {
            history.error = graphLookup::damagedText(index.id);
            history.dates.clear();
            return history;
        }
        if (!found) continue;  // no count that day
        counts.append({*date, QString::number(found.counts.linkingDomains)});
        history.dates << Written{index.id, *date, found.counts.linkingDomains};
    }
    // Each date goes to its place in the section, which stays newest first
    // whatever order the releases were counted in.
    if (auto error = savedSearch::writeDatedCounts(name, QLatin1String(kSection), counts, &lock)) {
        history.error = error;
        history.dates.clear();
        return history;
    }
    if (history.dates.isEmpty()) history.error = QStringLiteral("%1: not in any counted release").arg(history.key);
    return history;
}

}  // namespace graphHistory
