#pragma once

#include <QString>

// The text between the first before-marker and the next past-marker, with the
// old routine's exact behaviour when a marker is missing (see the .cpp).
QString GetBetween(const QString& text, const QString& before, const QString& past);

// The count that an engine's result page reports, read by the engine's fixed
// markers: 1 to 10 characters of page text (normally digits), "0" when the page
// says there are no results, or "" when no count was read. parser is the
// engine's parser number, 1 (Google) to 6 (AllTheWeb); any other number gives "".
QString ParseEngineData(const QString& page, int parser);

// The same reading, and whether the text was read from the page: found
// between the engine's markers, or the engine's sentence for an empty
// result. Ask's "0" for a page without its markers, and MSN's "0" for a
// figure that is no number, were not read.
struct EngineCount {
    QString text;
    bool read = false;
};
EngineCount ParseEngineCount(const QString& page, int parser);
