#include "column_filter_proxy_model.h"

ColumnFilterProxyModel::ColumnFilterProxyModel(QObject* parent) : QSortFilterProxyModel(parent)
{
    setDynamicSortFilter(true);
}

void ColumnFilterProxyModel::setColumnFilter(int column, const QString& text)
{
    if (m_filters.value(column) == text)
        return;
    if (text.isEmpty())
        m_filters.remove(column);
    else
        m_filters.insert(column, text);
    invalidateRowsFilter();
}

void ColumnFilterProxyModel::clearFilters()
{
    if (m_filters.isEmpty())
        return;
    m_filters.clear();
    invalidateRowsFilter();
}

bool ColumnFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    for (auto it = m_filters.cbegin(); it != m_filters.cend(); ++it) {
        const QModelIndex cell = sourceModel()->index(sourceRow, it.key(), sourceParent);
        if (!cell.data(Qt::DisplayRole).toString().contains(it.value(), Qt::CaseInsensitive))
            return false;
    }
    return true;
}
