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
