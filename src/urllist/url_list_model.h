#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The URL list's entries for its view: text exactly as entered, duplicates
// allowed. Appending a whole list file is one insertion, so a view handles
// 100,000 new rows at once rather than row by row.
class UrlListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const QStringList& entries() const { return m_entries; }
    void append(const QStringList& entries);
    void removeAt(int row);  // a row that does not exist changes nothing
    void clear();

private:
    QStringList m_entries;
};
