#pragma once

#include "graph/graph_index.h"
#include "graph/graph_lookup.h"

#include <QDate>
#include <QList>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

// The counted releases as opened indexes, and the history of an address
// written from them into a saved search. Shared by quillmark-graph's lookup
// and history commands and by the window's "History from Web Graph".
namespace graphHistory {

inline constexpr const char* kSection = "Web Graph";

using OpenIndex = graphLookup::OpenRelease;

struct OpenedIndexes {
    std::vector<OpenIndex> indexes;  // newest first
    QString error;                   // set when nothing was opened
};

// The index of release (when given), else those of every counted release, or
// only the newest when all is false. The error names the release or the file.
OpenedIndexes openCounted(const QString& release, bool all);

struct Written {
    QString release;
    QDate date;
    quint32 linkingDomains = 0;
};

struct History {
    QString key;            // the domain as the graph names it ("com.example")
    QList<Written> dates;   // one per release that holds the domain, oldest first
    std::optional<QString> error;
};

// Writes one date a counted release (only release, when given) into the
// "Web Graph" section of the saved search name: the count of the address's
// registrable domain, dated as the release (releaseDate). Every other date
// and section of the search stays. The search's lock is held for the whole
// write. A domain that no release holds writes nothing and is an error.
History writeHistory(const QString& name, const QString& address, const QString& release = {});

}  // namespace graphHistory
