#pragma once

#include <QAbstractTableModel>
#include <QPointer>

#include "data/dataset.h"

// The item model of a dataset, one column per field, for the grids. An edit through the model
// changes the dataset's row and posts it; nothing is written to the database here.
class DatasetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit DatasetModel(Dataset* dataset, QObject* parent = nullptr);

    Dataset* dataset() const { return m_dataset; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Whether cells take edits (the grids switch between browsing and editing).
    void setEditable(bool editable) { m_editable = editable; }
    bool isEditable() const { return m_editable; }

    static constexpr int RowStatusRole = Qt::UserRole + 1;

private:
    void onOrderChanged(const std::vector<int>& oldToNew);

    QPointer<Dataset> m_dataset;
    int m_columns = 0;
    bool m_editable = false;
};
