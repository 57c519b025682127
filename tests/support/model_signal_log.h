#pragma once

#include <QAbstractItemModel>
#include <QObject>

#include <vector>

// Counts what a model tells its views, for tests of model notifications.
struct ModelSignalLog {
    int layoutAboutToChange = 0;
    int layoutChanged = 0;
    int dataChanged = 0;
    std::vector<int> insertedRows;
    std::vector<int> removedRows;  // first row of each removal

    explicit ModelSignalLog(QAbstractItemModel& model) {
        QObject::connect(&model, &QAbstractItemModel::layoutAboutToBeChanged,
                         [this] { ++layoutAboutToChange; });
        QObject::connect(&model, &QAbstractItemModel::layoutChanged, [this] { ++layoutChanged; });
        QObject::connect(&model, &QAbstractItemModel::dataChanged, [this] { ++dataChanged; });
        QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                         [this](const QModelIndex&, int first, int) { insertedRows.push_back(first); });
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                         [this](const QModelIndex&, int first, int) { removedRows.push_back(first); });
    }
};
