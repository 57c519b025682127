#include "results/report_list.h"

#include "results/text_order.h"

#include <algorithm>

namespace {

// The elements of values in the given order, moved out of values.
QVector<QString> permuted(QVector<QString>& values, const std::vector<qsizetype>& order) {
    QVector<QString> out(values.size());
    QString* to = out.data();
    QString* from = values.data();
    for (qsizetype i : order) (to++)->swap(from[i]);
    return out;
}

}  // namespace

ReportList::ReportList(QStringList captions, QObject* parent)
    : QAbstractTableModel(parent), m_captions(std::move(captions)), m_columns(m_captions.size()) {}

int ReportList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_icons.size());
}

int ReportList::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ReportList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !hasCell(index.row(), index.column())) return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_columns[index.column()].cells[index.row()];
    case TagRole:
        return tag(index.row(), index.column());
    case IconRole:
        if (index.column() == 0) return m_icons[index.row()];
        return {};
    default:
        return {};
    }
}

void ReportList::setCaption(int column, const QString& caption) {
    if (column < 0 || column >= m_captions.size() || m_captions[column] == caption) return;
    m_captions[column] = caption;
    emit headerDataChanged(Qt::Horizontal, column, column);
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
    beginInsertRows({}, row, row);
    for (Column& c : m_columns) {
        c.cells.insert(row, QString());
        if (!c.tags.isEmpty()) c.tags.insert(row, QString());
    }
    if (!m_columns.isEmpty()) m_columns[0].cells[row] = text;
    m_icons.insert(row, 0);
    endInsertRows();
    return row;
}

int ReportList::appendRow(const QStringList& cells) {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    for (qsizetype c = 0; c < m_columns.size(); ++c) {
        m_columns[c].cells.append(cells.value(c));
        if (!m_columns[c].tags.isEmpty()) m_columns[c].tags.append(QString());
    }
    m_icons.append(0);
    endInsertRows();
    return row;
}

void ReportList::removeRowAt(int row) {
    if (!hasRow(row)) return;
    beginRemoveRows({}, row, row);
    for (Column& c : m_columns) {
        c.cells.remove(row);
        if (!c.tags.isEmpty()) c.tags.remove(row);
    }
    m_icons.remove(row);
    endRemoveRows();
}

void ReportList::clear() {
    if (m_icons.isEmpty()) return;
    beginRemoveRows({}, 0, rowCount() - 1);
    for (Column& c : m_columns) {
        c.cells.clear();
        c.tags.clear();
    }
    m_icons.clear();
    endRemoveRows();
}

QString ReportList::cell(int row, int column) const {
    return hasCell(row, column) ? m_columns[column].cells[row] : QString();
}

void ReportList::setCell(int row, int column, const QString& text) {
    if (!hasCell(row, column)) return;
    m_columns[column].cells[row] = text;
    if (m_bulkDepth == 0) {
        const QModelIndex i = index(row, column);
        emit dataChanged(i, i, {Qt::DisplayRole});
    }
}

QString ReportList::tag(int row, int column) const {
    if (!hasCell(row, column) || m_columns[column].tags.isEmpty()) return QString();
    return m_columns[column].tags[row];
}

QVector<QString>& ReportList::tagsOf(int column) {
    QVector<QString>& tags = m_columns[column].tags;
    if (tags.isEmpty()) tags.resize(m_icons.size());
    return tags;
}

void ReportList::setTag(int row, int column, const QString& tag) {
    if (!hasCell(row, column)) return;
    if (tag.isNull() && m_columns[column].tags.isEmpty()) return;
    tagsOf(column)[row] = tag;
    if (m_bulkDepth == 0) {
        const QModelIndex i = index(row, column);
        emit dataChanged(i, i, {TagRole});
    }
}

int ReportList::icon(int row) const { return hasRow(row) ? m_icons[row] : 0; }

void ReportList::setIcon(int row, int icon) {
    if (!hasRow(row)) return;
    m_icons[row] = icon;
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
    emit sortModeChanged();
    orderRows();
}

void ReportList::setUnsorted() {
    if (!m_sorted) return;
    m_sorted = false;
    emit sortModeChanged();
}

void ReportList::beginBulkEdit() {
    if (m_bulkDepth++ == 0) emit layoutAboutToBeChanged();
}

void ReportList::endBulkEdit() {
    if (m_bulkDepth == 0) return;
    if (--m_bulkDepth == 0) emit layoutChanged();
}

QString& ReportList::rawCell(int row, int column) {
    if (hasCell(row, column)) return m_columns[column].cells[row];
    m_scratch.clear();
    return m_scratch;
}

QString& ReportList::rawTag(int row, int column) {
    if (hasCell(row, column)) return tagsOf(column)[row];
    m_scratch.clear();
    return m_scratch;
}

void ReportList::orderRows() {
    if (rowCount() < 2) return;
    const QVector<QString>& keyCells = m_columns[m_sortKey].cells;
    const QList<QStringView> texts(keyCells.cbegin(), keyCells.cend());
    const std::vector<qsizetype> order = stableTextOrder(texts, m_sortOrder == Qt::AscendingOrder);

    const bool ownSignals = m_bulkDepth == 0;
    if (ownSignals) emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    applyOrder(order);
    if (ownSignals) emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// Moves the rows into the new order and keeps a view's persistent indexes
// (its selection and current row) on the rows they pointed at.
void ReportList::applyOrder(const std::vector<qsizetype>& order) {
    for (Column& c : m_columns) {
        c.cells = permuted(c.cells, order);
        // Most lists never tag a cell; an all-empty tag column needs no moving.
        if (std::any_of(c.tags.cbegin(), c.tags.cend(), [](const QString& t) { return !t.isNull(); })) {
            c.tags = permuted(c.tags, order);
        }
    }
    QVector<int> icons;
    icons.reserve(m_icons.size());
    for (qsizetype from : order) icons.append(m_icons[from]);
    m_icons = std::move(icons);

    const QModelIndexList from = persistentIndexList();
    if (from.isEmpty()) return;
    std::vector<int> newPosition(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) newPosition[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from) {
        to.append(hasRow(i.row()) ? index(newPosition[static_cast<std::size_t>(i.row())], i.column())
                                  : QModelIndex());
    }
    changePersistentIndexList(from, to);
}
