#pragma once

#include <QString>

class ReportList;

// Sort kinds of SortListView.
enum SortKind : short { SortText = 0, SortNumber = 1, SortDate = 2 };

// Sorts the list by one column (1-based) as text, numbers or dates. For numbers
// and dates every cell of the column is first rewritten into a fixed-width key
// whose text order is the wanted order (its own text and old tag kept in the
// tag, separated by a NUL), the list sorts itself by text, and the cells get
// their own texts and tags back. Non-numeric cells order first. Never fails:
// a column the list does not have leaves the rows as they are. Emits the
// list's busyChanged(true) and (false) around the work, which views see as
// one layout change.
void SortListView(ReportList& list, int column, int kind, bool ascending);

// Each digit d becomes 9 - d and each "-" a space; other characters stay.
QString InvertDigits(const QString& text);

// The fixed-width key of a number sort: 20 integer digits, the locale's decimal
// separator and 10 fraction digits; negative values "&" + inverted digits.
// Magnitudes of 10^20 or more all get the outermost key of their sign.
// Empty for a cell that is not a number.
QString numberSortKey(const QString& cellText);

// The header-click sort of the website-view list: sorts by the clicked column
// (1-based) as text and reverses the list's one shared direction on every click.
// Returns true on success; an empty list is left alone and gives true. A
// column the list does not have gives false and changes nothing; the core
// shows no message, so a caller that passes showErrors shows its own.
bool EnhListView_SortColumns(ReportList& list, int column, bool showErrors);
