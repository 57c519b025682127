#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <optional>

// A saved search's history as CSV for other programs: a header "Date" and the
// sections in the file's order, then one line a date, oldest first, as
// YYYY-MM-DD; a cell stays empty where its section has no entry for that date.
// Lines end in LF, fields go through the grid's CSV writer, the text is encoded
// as the files a user edits are. Entries whose key is no date are left out.
namespace historyCsv {

// The two-digit year of a key is read as POSIX %y reads it (69-99 are 19yy,
// 00-68 are 20yy). Dates before since (when given) are left out.
QByteArray csv(const QString& searchPath, const QDate& since = QDate());

// Why the search cannot be read (too large, not a regular file...), naming
// it; nothing when it can. csv() of an unreadable search holds its header only.
std::optional<QString> readProblem(const QString& searchPath);

// Writes csv() to path whole or not at all; false with a reason when it
// cannot, also when the search itself cannot be read.
bool write(const QString& path, const QString& searchPath, QString* error);

}  // namespace historyCsv
