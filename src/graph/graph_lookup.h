#pragma once

#include "graph/graph_index.h"

#include <QString>
#include <memory>

// One address looked up in a counted release: what `quillmark-graph lookup`
// prints and what a column on the web graph shows.
namespace graphLookup {

struct Answer {
    QString domain;      // the registrable domain as written ("example.co.uk"); "" when the address has none
    bool found = false;  // the release names the domain (with or without incoming links)
    graphIndex::Counts counts;
};

// A counted release opened for lookups; a null reader when it could not be opened.
struct OpenRelease {
    QString id;
    std::unique_ptr<graphIndex::Reader> reader;
};

// Opens the index of the counted release id; a null reader and the reason when it cannot be read.
OpenRelease open(const QString& id, QString* error);
// The newest counted release here; a null reader and the reason (naming
// the commands that make one) when there is none.
OpenRelease openNewest(QString* error);
// Why nothing can be looked up: no release is counted here.
QString noReleaseText();

Answer lookUp(const graphIndex::Reader& index, const QString& address);

}  // namespace graphLookup
