#include "urllist/url_list_model.h"

int UrlListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

QVariant UrlListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_entries.size()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return m_entries.at(index.row());
    return {};
}

void UrlListModel::append(const QStringList& entries) {
    if (entries.isEmpty()) return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(entries.size()) - 1);
    m_entries.append(entries);
    endInsertRows();
}

void UrlListModel::removeAt(int row) {
    if (row < 0 || row >= m_entries.size()) return;
    beginRemoveRows({}, row, row);
    m_entries.removeAt(row);
    endRemoveRows();
}

void UrlListModel::clear() {
    if (m_entries.isEmpty()) return;
    beginResetModel();
    m_entries.clear();
    endResetModel();
}
