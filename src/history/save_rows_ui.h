#pragma once

#include <QList>

class QWidget;
class ResultsGrid;

// "Save All", and "Save Selected" with several rows selected: after one
// question that says how many searches the save creates and how many it adds
// to, every row goes into the saved search named after its address. The rows
// that saved nothing are listed afterwards. Without rows, the message of a
// save without a selection.
void saveRowsAsked(QWidget* owner, const ResultsGrid& grid, const QList<int>& rows);
