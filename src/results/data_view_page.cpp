#include "results/data_view_page.h"

#include "platform/ui_platform.h"
#include "results/results_grid.h"
#include "results/results_table.h"
#include "desktop/twips.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardPaths>
#include <QTreeView>
#include <algorithm>

namespace {

// Shows each row's rank as its small icon in the first column.
class RankIcons final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DecorationRole && index.column() == 0) {
            static const QIcon icons[] = {QIcon(QStringLiteral(":/icons/rank_low.svg")),
                                          QIcon(QStringLiteral(":/icons/rank_medium.svg")),
                                          QIcon(QStringLiteral(":/icons/rank_high.svg"))};
            const int icon = QIdentityProxyModel::data(index, ReportList::IconRole).toInt();
            if (icon >= 1 && icon <= 3) return icons[icon - 1];
            return {};
        }
        return QIdentityProxyModel::data(index, role);
    }
};

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QRect& twips) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(twipsToPixels(twips));
    return b;
}

}  // namespace

DataViewPage::DataViewPage(ResultsGrid& grid, QWidget* parent)
    : QGroupBox(QStringLiteral("Results - Data View"), parent), m_grid(grid) {
    setObjectName(QStringLiteral("Frame2"));

    Command12 = button(this, "Command12", QStringLiteral("Web Results"), {120, 420, 1575, 435});
    Command5 = button(this, "Command5", QStringLiteral("Clear All"), {1800, 420, 1575, 435});
    Command4 = button(this, "Command4", QStringLiteral("Save Selected"), {3480, 420, 1575, 435});
    cmdSaveAll = button(this, "cmdSaveAll", QStringLiteral("Save All"), {5160, 420, 1575, 435});

    m_icons = new RankIcons(this);
    m_icons->setSourceModel(&grid);
    ListView1 = new QTreeView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setModel(m_icons);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setItemsExpandable(false);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setContextMenuPolicy(Qt::NoContextMenu);
    ListView1->setIconSize(QSize(16, 16));
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setSectionsMovable(false);
    ListView1->header()->setSortIndicatorShown(false);
    ListView1->header()->setStretchLastSection(false);
    for (int c = 0; c < ResultsGrid::kColumnCount; ++c)
        ListView1->header()->resizeSection(c, twipsToPixels(ResultsGrid::designWidth(c)));
    ListView1->setGeometry(twipsToPixels(QRect(120, 1185, 3855, 2715)));
    ListView1->viewport()->installEventFilter(this);
    ListView1->installEventFilter(this);
    // A column whose source is switched off is not shown.
    connect(&grid, &ResultsGrid::columnsShownChanged, this, [this] {
        for (int c = 0; c < ResultsGrid::kColumnCount; ++c) ListView1->setColumnHidden(c, !m_grid.columnShown(c));
    });

    mnuListView = new QMenu(QStringLiteral("ListView"), this);
    mnuListView->setObjectName(QStringLiteral("mnuListView"));
    mnuSaveResults = mnuListView->addAction(QStringLiteral("Save Results"));
    mnuSaveResults->setObjectName(QStringLiteral("mnuSaveResults"));
    mnuWebResults = mnuListView->addAction(QStringLiteral("Web Results"));
    mnuWebResults->setObjectName(QStringLiteral("mnuWebResults"));
    mnuClearResults = mnuListView->addAction(QStringLiteral("Clear Results"));
    mnuClearResults->setObjectName(QStringLiteral("mnuClearResults"));

    connect(Command12, &QPushButton::clicked, this, &DataViewPage::webResultsRequested);
    connect(mnuWebResults, &QAction::triggered, this, &DataViewPage::webResultsRequested);
    connect(Command5, &QPushButton::clicked, this, &DataViewPage::clearResultsRequested);
    connect(mnuClearResults, &QAction::triggered, this, &DataViewPage::clearResultsRequested);
    connect(Command4, &QPushButton::clicked, this, &DataViewPage::saveResultsRequested);
    connect(mnuSaveResults, &QAction::triggered, this, &DataViewPage::saveResultsRequested);
    connect(cmdSaveAll, &QPushButton::clicked, this, &DataViewPage::saveAllRequested);
    connect(ListView1, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        makeOnlyRow(index);
        emit webResultsRequested();
    });
    // The header flips its own arrow on a click; the grid's sort, or a refused
    // click, puts it back to what the grid is in.
    connect(ListView1->header(), &QHeaderView::sectionClicked, this, [this](int logical) {
        emit columnClicked(logical + 1);
        showGridSort();
    });
    connect(&grid, &ReportList::sortModeChanged, this, &DataViewPage::showGridSort);
    connect(&grid, &ReportList::busyChanged, this, &DataViewPage::showBusy);
}

// Of several selected rows, the one the user picked last.
int DataViewPage::selectedRow() const {
    const QModelIndexList rows = ListView1->selectionModel()->selectedRows();
    if (rows.isEmpty()) return -1;
    const QModelIndex current = ListView1->currentIndex();
    if (current.isValid() && ListView1->selectionModel()->isRowSelected(current.row())) return current.row();
    return rows.constFirst().row();
}

void DataViewPage::selectRow(int row) {
    if (row < 0 || row >= m_grid.rowCount()) {
        ListView1->selectionModel()->clearSelection();
        return;
    }
    ListView1->setCurrentIndex(m_icons->index(row, 0));
}

void DataViewPage::layoutPage(int gridWidthTwips, int gridHeightTwips) {
    ListView1->resize(twipsToPixels(gridWidthTwips), twipsToPixels(gridHeightTwips));
}

// The header's arrow shows the sort the grid is in, and none while it is unsorted.
void DataViewPage::showGridSort() {
    QHeaderView* header = ListView1->header();
    header->setSortIndicatorShown(m_grid.isSorted());
    if (m_grid.isSorted()) header->setSortIndicator(m_grid.sortKey(), m_grid.sortOrder());
}

void DataViewPage::showBusy(bool busy) {
    if (busy) {
        m_ownCursor.reset();
        if (ListView1->testAttribute(Qt::WA_SetCursor)) m_ownCursor = ListView1->cursor();
        ListView1->setCursor(Qt::WaitCursor);
    } else if (m_ownCursor) {
        ListView1->setCursor(*m_ownCursor);
    } else {
        ListView1->unsetCursor();
    }
}

// The dialog suggests a dated name in the folder used last, the user's
// documents folder at first.
void DataViewPage::exportResults() {
    if (m_exportFolder.isEmpty()) {
        m_exportFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (m_exportFolder.isEmpty() || !QFileInfo(m_exportFolder).isDir()) m_exportFolder = QDir::homePath();
    }
    const QString suggested = QDir(m_exportFolder).filePath(
        QStringLiteral("results-%1.csv").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
    const auto path = platform::ui().saveFileDialog(
        window(),
        {{QStringLiteral("CSV Files (*.csv)"), QStringLiteral("*.csv")},
         {QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")}},
        suggested, QStringLiteral("csv"));
    if (!path || path->isEmpty()) return;
    m_exportFolder = QFileInfo(*path).absolutePath();
    QString error;
    if (!writeGridCsv(*path, m_grid, &error)) {
        platform::ui().messageBox(window(),
                                  QStringLiteral("The results could not be exported to %1: %2").arg(*path, error),
                                  QStringLiteral("Quillmark"), UiPlatform::Buttons::Ok, UiPlatform::Icon::Warning);
    }
}

QList<int> DataViewPage::selectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : ListView1->selectionModel()->selectedRows()) rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DataViewPage::copySelectedRows() {
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) return;
    platform::ui().setClipboardText(gridTabText(m_grid, rows));
}

bool DataViewPage::eventFilter(QObject* watched, QEvent* event) {
    // Reached by Tab, the grid marks a row, so the user sees where the arrow
    // keys will move from; the selection is left as it is.
    if (watched == ListView1 && event->type() == QEvent::FocusIn && !ListView1->currentIndex().isValid() &&
        m_icons->rowCount() > 0)
        ListView1->selectionModel()->setCurrentIndex(m_icons->index(0, 0), QItemSelectionModel::NoUpdate);
    // Before the view's own Ctrl+C, which would copy one cell.
    if (watched == ListView1 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copySelectedRows();
        return true;
    }
    if (watched == ListView1->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::RightButton) {
                ListView1_MouseDown(e->position().toPoint());
                return true;
            }
        } else if (event->type() == QEvent::MouseButtonDblClick) {
            // Only the left button's double-click opens the row's web results;
            // another button's second press is a press like its first.
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::RightButton) ListView1_MouseDown(e->position().toPoint());
            if (e->button() != Qt::LeftButton) return true;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->button() == Qt::RightButton) {
                ListView1_MouseUp(e->position().toPoint(), e->globalPosition().toPoint());
                return true;
            }
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

// Right button pressed: the row under the pointer becomes the selected row;
// on empty space any selection is cleared.
void DataViewPage::ListView1_MouseDown(const QPoint& pos) {
    const QModelIndex index = ListView1->indexAt(pos);
    if (index.isValid()) {
        makeOnlyRow(index);
    } else {
        ListView1->selectionModel()->clearSelection();
    }
}

// The row a right press or a double click lands on is the one row acted on,
// whatever keys are held: the view's own setCurrentIndex would read Ctrl or
// Shift from the keyboard and toggle or extend the selection instead.
void DataViewPage::makeOnlyRow(const QModelIndex& index) {
    ListView1->selectionModel()->setCurrentIndex(
        index.siblingAtColumn(0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Right button released over a row: the popup menu, its first item naming the row.
void DataViewPage::ListView1_MouseUp(const QPoint& pos, const QPoint& globalPos) {
    const QModelIndex index = ListView1->indexAt(pos);
    if (!index.isValid()) return;
    // An "&" in the address is text, not a mnemonic mark.
    QString address = m_grid.cell(index.row(), 0);
    address.replace(QLatin1Char('&'), QStringLiteral("&&"));
    mnuSaveResults->setText(QStringLiteral("Save Result For ") + address);
    mnuListView->popup(globalPos);
}
