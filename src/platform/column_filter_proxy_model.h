#pragma once

#include <QHash>
#include <QSortFilterProxyModel>

// Keeps the rows of a flat model whose cells contain, for every filtered column, that
// column's filter text (DisplayRole, ignoring case). Does not sort: rows keep the source's
// order. Not for tree sources.
class ColumnFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit ColumnFilterProxyModel(QObject* parent = nullptr);

    // An empty text removes the column's filter.
    void setColumnFilter(int column, const QString& text);
    QString columnFilter(int column) const { return m_filters.value(column); }
    void clearFilters();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QHash<int, QString> m_filters;
};
