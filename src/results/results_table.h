#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class ResultsGrid;

// The results grid as text for other programs: quillmark-scan prints it and
// "Export Results..." writes it as the same CSV, byte for byte; Ctrl+C copies
// rows of it tab-separated. The fields are the grid's eight cells and the
// row's rank word ("Low", "Medium", "High", empty without a rank).

// A field a spreadsheet would run as a formula (it begins with "=", "+", "-",
// "@", a tab or CR) gets a leading apostrophe, which the spreadsheet shows as
// text; "-" and signed numbers stay as they are.
QString spreadsheetSafe(const QString& field);

// One CSV line (without its line end), every field made spreadsheetSafe. A field is quoted only when it holds a
// comma, a double quote, CR or LF; quotes inside are doubled.
QString csvLine(const QStringList& fields);

// The header and every row in the grid's order, each line ended by LF, encoded
// as the files a user edits are.
QByteArray gridCsv(const ResultsGrid& grid);
// The same bytes handed on in pieces, so a long grid never stands twice in memory.
void gridCsv(const ResultsGrid& grid, const std::function<void(const QByteArray&)>& sink);

// The header and the given rows, tab-separated, each line ended by LF. Tabs
// and line breaks inside a cell become spaces, so every cell keeps its column.
QString gridTabText(const ResultsGrid& grid, const QList<int>& rows);

// Writes gridCsv whole or not at all; false with a reason when it cannot.
bool writeGridCsv(const QString& path, const ResultsGrid& grid, QString* error);
