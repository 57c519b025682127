#pragma once

#include "graph/graph_index.h"

#include <QString>
#include <memory>

// One address looked up in a counted release: what `quillmark-graph lookup`
// prints and what a column on the web graph shows.
namespace graphLookup {

struct Answer {
    QString domain;        // the domain whose count it is, as written ("example.co.uk", "github.io"); "" when none
    bool found = false;    // the release names the domain (with or without incoming links)
    bool damaged = false;  // the index could not answer: a block it needed is damaged
    graphIndex::Counts counts;
};

// A counted release opened for lookups; a null reader when it could not be opened.
struct OpenRelease {
    QString id;
    std::unique_ptr<graphIndex::Reader> reader;
};

// Opens the index of the counted release id; a null reader and the reason when
// it cannot be read (damagedText when it is there but not whole and sound).
OpenRelease open(const QString& id, QString* error);
// The newest counted release here; a null reader and the reason (naming
// the commands that make one) when there is none.
OpenRelease openNewest(QString* error);
// Why nothing can be looked up: no release is counted here.
QString noReleaseText();
// "the index of RELEASE is damaged; count it again"
QString damagedText(const QString& id);

Answer lookUp(const graphIndex::Reader& index, const QString& address);

}  // namespace graphLookup
