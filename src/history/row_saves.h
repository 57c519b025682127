#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

class ResultsGrid;

// Saving many rows of the grid at once, each into the saved search named after
// its address: quillmark-scan --append-each and the window's "Save All".
namespace savedSearch {

struct RowSave {
    int row = -1;
    QString address;
    QString name;          // the saved search, when the row can be saved
    bool exists = false;   // the search is already on disk: the row adds to it
    QString problem;       // why the row will save nothing; empty when it will save
};

struct RowSavePlan {
    QList<RowSave> rows;   // in the order given
    int creates = 0;       // searches that the save will create
    int addsTo = 0;        // searches already on disk that it will add to
};

// Plans the rows in the order given. A row saves nothing when its address
// gives no name, when an earlier row's address gave the same name (names
// compared ignoring case, as the folder matches them), when the folder holds a
// search whose name differs from its own only in letter case (another page's
// history: paths are case-sensitive), or when no engine gave it a count.
RowSavePlan planRowSaves(const ResultsGrid& grid, const QList<int>& rows);

// The question asked before the plan is carried out.
QString rowSaveQuestion(const RowSavePlan& plan);

// Appends every row that the plan saves, as "Ok" of the save dialog does, and
// returns each row that saved nothing with its reason (the plan's problem or
// the write's error), in plan order.
QList<RowSave> saveRows(const ResultsGrid& grid, const RowSavePlan& plan, const QDate& today);

}  // namespace savedSearch
