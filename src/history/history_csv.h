#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

// A saved search's history as CSV for other programs: a header "Date" and the
// sections in the file's order, then one line a date, oldest first, as
// YYYY-MM-DD; a cell stays empty where its section has no entry for that date.
// Lines end in LF, fields go through the grid's CSV writer, the text is encoded
// as the files a user edits are. Entries whose key is no date are left out.
namespace historyCsv {

// The two-digit year of a key is read as 2000 to 2099. Dates before since
// (when given) are left out.
QByteArray csv(const QString& searchPath, const QDate& since = QDate());

// Writes csv() to path whole or not at all; false with a reason when it cannot.
bool write(const QString& path, const QString& searchPath, QString* error);

}  // namespace historyCsv
