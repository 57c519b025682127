#pragma once

#include <QCursor>
#include <QGroupBox>
#include <optional>

class QIdentityProxyModel;
class QMenu;
class QModelIndex;
class QPushButton;
class QAction;
class QTreeView;
class ResultsGrid;

// The "Data View" page: the results grid with its buttons and its popup menu.
// The page shows and selects; the commands themselves belong to the main
// window, which the page asks through its signals.
class DataViewPage final : public QGroupBox {
    Q_OBJECT
public:
    explicit DataViewPage(ResultsGrid& grid, QWidget* parent = nullptr);

    // The selected grid row, or -1.
    int selectedRow() const;
    // Every selected grid row, in grid order.
    QList<int> selectedRows() const;
    void selectRow(int row);
    QTreeView* grid() const { return ListView1; }
    // The grid takes the page's size less its margins (twips).
    void layoutPage(int gridWidthTwips, int gridHeightTwips);

public slots:
    // "Export Results...": the grid as CSV, in its current order, into a file
    // chosen in the save dialog.
    void exportResults();
    // Ctrl+C: the selected rows with the header, tab-separated, to the clipboard.
    void copySelectedRows();

signals:
    void saveResultsRequested();
    void saveAllRequested();
    void webResultsRequested();
    void clearResultsRequested();
    // A header click, with the 1-based column.
    void columnClicked(int column);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void ListView1_MouseDown(const QPoint& pos);
    void ListView1_MouseUp(const QPoint& pos, const QPoint& globalPos);

private:
    void makeOnlyRow(const QModelIndex& index);
    void showGridSort();
    void showBusy(bool busy);

    ResultsGrid& m_grid;
    std::optional<QCursor> m_ownCursor;  // the list's pointer of its own, kept during a sort
    QIdentityProxyModel* m_icons = nullptr;
    QTreeView* ListView1 = nullptr;
    QString m_exportFolder;  // where the last export went
    QPushButton* Command12 = nullptr;  // "Web Results"
    QPushButton* Command5 = nullptr;   // "Clear All"
    QPushButton* Command4 = nullptr;   // "Save Selected"
    QPushButton* cmdSaveAll = nullptr; // "Save All"
    QMenu* mnuListView = nullptr;
    QAction* mnuSaveResults = nullptr;
    QAction* mnuWebResults = nullptr;
    QAction* mnuClearResults = nullptr;
};
