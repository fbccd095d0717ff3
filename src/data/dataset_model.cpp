#include "dataset_model.h"

DatasetModel::DatasetModel(Dataset* dataset, QObject* parent)
    : QAbstractTableModel(parent), m_dataset(dataset)
{
    m_columns = dataset->fieldCount();
    connect(dataset, &Dataset::aboutToReset, this, [this] { beginResetModel(); });
    connect(dataset, &Dataset::reset, this, [this] {
        m_columns = m_dataset->fieldCount();
        endResetModel();
    });
    connect(dataset, &Dataset::rowAboutToBeInserted, this,
            [this](int row) { beginInsertRows({}, row, row); });
    connect(dataset, &Dataset::rowInserted, this, [this](int) { endInsertRows(); });
    connect(dataset, &Dataset::rowAboutToBeRemoved, this,
            [this](int row) { beginRemoveRows({}, row, row); });
    connect(dataset, &Dataset::rowRemoved, this, [this](int) { endRemoveRows(); });
    connect(dataset, &Dataset::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount() && m_columns > 0)
            Q_EMIT dataChanged(index(row, 0), index(row, m_columns - 1));
    });
    connect(dataset, &Dataset::orderAboutToChange, this,
            [this] { Q_EMIT layoutAboutToBeChanged(); });
    connect(dataset, &Dataset::orderChanged, this, &DatasetModel::onOrderChanged);
}

void DatasetModel::onOrderChanged(const std::vector<int>& oldToNew)
{
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (const QModelIndex& idx : persistent) {
        const int row = idx.row() >= 0 && size_t(idx.row()) < oldToNew.size()
                            ? oldToNew[size_t(idx.row())]
                            : -1;
        moved.append(row >= 0 ? index(row, idx.column()) : QModelIndex());
    }
    changePersistentIndexList(persistent, moved);
    Q_EMIT layoutChanged();
}

int DatasetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_dataset ? 0 : m_dataset->rowCount();
}

int DatasetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_dataset)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_dataset->value(index.row(), index.column());
    case RowStatusRole:
        return int(m_dataset->rowStatus(index.row()));
    default:
        return QVariant();
    }
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !m_editable || !m_dataset)
        return false;
    Dataset& ds = *m_dataset;
    if (!ds.setCurrentRow(index.row()) || !ds.edit())
        return false;
    if (!ds.setFieldValue(index.column(), value) || !ds.post()) {
        ds.cancel();
        return false;
    }
    return true;
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_editable && index.isValid())
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && m_dataset && section >= 0 &&
        section < m_columns)
        return m_dataset->field(section).name;
    return QAbstractTableModel::headerData(section, orientation, role);
}
