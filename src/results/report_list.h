#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QVector>

#include <vector>

// A report-style list: rows of text cells, a free text tag per cell, a small
// icon index per row, and the list's own sort mode (a key column and a
// direction, by which it orders its rows by cell text whenever sorted mode is
// on). The results grid and the website-view list are both ReportLists; the
// sort routines work on any of them. Rows are addressed by position; columns
// and rows are 0-based here.
class ReportList : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role { TagRole = Qt::UserRole + 1, IconRole };

    explicit ReportList(QStringList captions, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    const QStringList& captions() const { return m_captions; }
    QString caption(int column) const { return m_captions.value(column); }
    // Renames a column; views see a header change.
    void setCaption(int column, const QString& caption);

    // Inserts a row before row `row` (clamped to 0..rowCount) with the first
    // cell's text; the other cells are empty. Returns the row's index.
    int insertRowAt(int row, const QString& text);
    // Appends a row with the given cells (missing cells are empty).
    int appendRow(const QStringList& cells);
    void removeRowAt(int row);
    void clear();

    bool hasRow(int row) const { return row >= 0 && row < m_icons.size(); }
    // Reads give "" and writes do nothing for a row or column that does not exist.
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);
    QString tag(int row, int column) const;
    void setTag(int row, int column, const QString& tag);
    int icon(int row) const;  // 0: none
    void setIcon(int row, int icon);

    // The list's own sort mode.
    bool isSorted() const { return m_sorted; }
    int sortKey() const { return m_sortKey; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    // Sets key column, direction and sorted mode at once and orders the rows:
    // a stable sort by the key column's texts, compared case-insensitively in
    // the locale's order (rows with equal texts keep their order either way).
    // A view sees one layout change and keeps its selection on the same rows.
    // A key column the list does not have changes nothing. Rows inserted
    // later stay where they are put.
    void sortRows(int keyColumn, Qt::SortOrder order);
    // Turns sorted mode off; rows stay where they are.
    void setUnsorted();

    // Bulk access for the sort routines: rewriting cells this way emits no
    // change notifications. Callers bracket the work with beginBulkEdit() and
    // endBulkEdit(), which views see as one layout change, so temporary
    // texts are never drawn.
    void beginBulkEdit();
    void endBulkEdit();
    QString& rawCell(int row, int column);
    QString& rawTag(int row, int column);

signals:
    // A long sort is running (a view shows the busy pointer) or has ended.
    void busyChanged(bool busy);
    // Sorted mode, key column or direction changed (a view's sort arrow follows).
    void sortModeChanged();

private:
    // Stored column by column: a sort key's cells lie side by side, which keeps
    // sorting a large list fast.
    struct Column {
        QVector<QString> cells;
        QVector<QString> tags;  // empty until a cell of the column is tagged
    };
    QVector<QString>& tagsOf(int column);
    bool hasCell(int row, int column) const { return hasRow(row) && column >= 0 && column < m_columns.size(); }
    void orderRows();
    void applyOrder(const std::vector<qsizetype>& order);

    QStringList m_captions;
    QVector<Column> m_columns;  // one per caption
    QVector<int> m_icons;       // one per row; the row count
    bool m_sorted = false;
    int m_sortKey = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    int m_bulkDepth = 0;
    QString m_scratch;  // what rawCell/rawTag hand out for a cell that does not exist
};
