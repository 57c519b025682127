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
            opened.error = QStringLiteral("%1: not counted here (quillmark-graph count %1)").arg(release);
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
    // Oldest first: each date goes in at the top of its section, so the
    // section ends newest first as every saved search is.
    for (auto it = opened.indexes.rbegin(); it != opened.indexes.rend(); ++it) {
        const OpenIndex& index = *it;
        graphIndex::Counts counts;
        const auto date = graphRelease::releaseDate(graphRelease::localRelease(index.id));
        if (!date || !index.reader->find(key, &counts)) continue;  // no count that day
        const QString record =
            QLatin1String(kSection) + QLatin1Char(':') + QString::number(counts.linkingDomains) + QLatin1Char('\n');
        if (auto error = savedSearch::appendRecord(name, record, *date, &lock)) {
            history.error = error;
            return history;
        }
        history.dates << Written{index.id, *date, counts.linkingDomains};
    }
    if (history.dates.isEmpty()) history.error = QStringLiteral("%1: not in any counted release").arg(history.key);
    return history;
}

}  // namespace graphHistory
