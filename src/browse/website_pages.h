#pragma once

#include "config/engine_catalog.h"

#include <QString>
#include <array>
#include <optional>

class QUrl;
class ReportList;

// The six query templates in catalogue order (Google, Altavista, Yahoo, Ask,
// MSN, ATW).
using EngineTemplates = std::array<QString, kEngineCount>;

// All six templates, read afresh from [Engines] of the settings file; an absent
// file or key gives "".
EngineTemplates readEngineTemplates(const QString& settingsFile);

// The address the browser is given for a webpage row. "Home Page": the address
// unchanged. An engine's website-view label (compared exactly, case included):
// the engine's template followed by the encoded address, no suffix. Any other
// type: nothing.
std::optional<QString> websitePageAddress(const QString& type, const QString& address,
                                          const EngineTemplates& templates);

// The first row, in the list's current order, whose URL cell equals the address
// exactly (case included); -1 when there is none.
int firstRowForAddress(const ReportList& list, const QString& address);

// A browser's location as its address box and status bar show it: encoded, as
// the browser holds it ("a%20b", never "a b"). A page made here (a data:
// address: the whole page, thousands of characters, encoded into it) shows as
// localLabel, or "(local page)" without one.
QString browserLocationText(const QUrl& location, const QString& localLabel = QString());

// The label of a source's page made here, for the row of that type and address
// ("Web Graph: http://example.com/").
QString localPageLabel(const QString& type, const QString& address);
