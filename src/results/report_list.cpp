#include "results/report_list.h"

#include "results/text_order.h"

#include <algorithm>

ReportList::ReportList(QStringList captions, QObject* parent)
    : QAbstractTableModel(parent), m_captions(std::move(captions)) {}

int ReportList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ReportList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_captions.size());
}

QVariant ReportList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !hasRow(index.row()) || index.column() >= columnCount()) return {};
    const Row& row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return row.cells.value(index.column());
    case TagRole:
        return row.tags.value(index.column());
    case IconRole:
        if (index.column() == 0) return row.icon;
        return {};
    default:
        return {};
    }
}

QVariant ReportList::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_captions.size()) {
        return m_captions[section];
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

int ReportList::insertRowAt(int row, const QString& text) {
    row = std::clamp(row, 0, rowCount());
    Row r;
    r.cells.resize(m_captions.size());
    r.tags.resize(m_captions.size());
    if (!r.cells.isEmpty()) r.cells[0] = text;
    beginInsertRows({}, row, row);
    m_rows.insert(row, std::move(r));
    endInsertRows();
    return row;
}

int ReportList::appendRow(const QStringList& cells) {
    const int row = rowCount();
    Row r;
    r.cells = cells.mid(0, m_captions.size());
    r.cells.resize(m_captions.size());
    r.tags.resize(m_captions.size());
    beginInsertRows({}, row, row);
    m_rows.append(std::move(r));
    endInsertRows();
    return row;
}

void ReportList::removeRowAt(int row) {
    if (!hasRow(row)) return;
    beginRemoveRows({}, row, row);
    m_rows.remove(row);
    endRemoveRows();
}

void ReportList::clear() {
    if (m_rows.isEmpty()) return;
    beginRemoveRows({}, 0, rowCount() - 1);
    m_rows.clear();
    endRemoveRows();
}

QString ReportList::cell(int row, int column) const {
    return hasRow(row) ? m_rows[row].cells.value(column) : QString();
}

void ReportList::setCell(int row, int column, const QString& text) {
    if (!hasRow(row) || column < 0 || column >= columnCount()) return;
    m_rows[row].cells[column] = text;
    if (m_bulkDepth == 0) {
        const QModelIndex i = index(row, column);
        emit dataChanged(i, i, {Qt::DisplayRole});
    }
}

QString ReportList::tag(int row, int column) const {
    return hasRow(row) ? m_rows[row].tags.value(column) : QString();
}

void ReportList::setTag(int row, int column, const QString& tag) {
    if (!hasRow(row) || column < 0 || column >= columnCount()) return;
    m_rows[row].tags[column] = tag;
    if (m_bulkDepth == 0) {
        const QModelIndex i = index(row, column);
        emit dataChanged(i, i, {TagRole});
    }
}

int ReportList::icon(int row) const { return hasRow(row) ? m_rows[row].icon : 0; }

void ReportList::setIcon(int row, int icon) {
    if (!hasRow(row)) return;
    m_rows[row].icon = icon;
    if (m_bulkDepth == 0) {
        const QModelIndex i = index(row, 0);
        emit dataChanged(i, i, {IconRole});
    }
}

void ReportList::sortRows(int keyColumn, Qt::SortOrder order) {
    // A key column the list does not have changes nothing.
    if (keyColumn < 0 || keyColumn >= columnCount()) return;
    m_sortKey = keyColumn;
    m_sortOrder = order;
    m_sorted = true;
    orderRows();
}

void ReportList::beginBulkEdit() {
    if (m_bulkDepth++ == 0) emit layoutAboutToBeChanged();
}

void ReportList::endBulkEdit() {
    if (m_bulkDepth == 0) return;
    if (--m_bulkDepth == 0) emit layoutChanged();
}

QString& ReportList::rawCell(int row, int column) {
    if (hasRow(row) && column >= 0 && column < columnCount()) return m_rows[row].cells[column];
    m_scratch.clear();
    return m_scratch;
}

QString& ReportList::rawTag(int row, int column) {
    if (hasRow(row) && column >= 0 && column < columnCount()) return m_rows[row].tags[column];
    m_scratch.clear();
    return m_scratch;
}

void ReportList::orderRows() {
    if (m_rows.size() < 2) return;
    QList<QStringView> texts;
    texts.reserve(m_rows.size());
    for (const Row& r : m_rows) texts.append(r.cells[m_sortKey]);
    const std::vector<qsizetype> order = stableTextOrder(texts, m_sortOrder == Qt::AscendingOrder);
    texts.clear();

    const bool ownSignals = m_bulkDepth == 0;
    if (ownSignals) emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    applyOrder(order);
    if (ownSignals) emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// Moves the rows into the new order and keeps a view's persistent indexes
// (its selection and current row) on the rows they pointed at.
void ReportList::applyOrder(const std::vector<qsizetype>& order) {
    QVector<Row> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newPosition(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        sorted.append(std::move(m_rows[order[i]]));
        newPosition[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    }
    m_rows = std::move(sorted);

    const QModelIndexList from = persistentIndexList();
    if (from.isEmpty()) return;
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from) {
        to.append(hasRow(i.row()) ? index(newPosition[static_cast<std::size_t>(i.row())], i.column())
                                  : QModelIndex());
    }
    changePersistentIndexList(from, to);
}
