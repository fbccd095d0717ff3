#pragma once

#include <QAbstractProxyModel>
#include <QList>
#include <QPersistentModelIndex>

#include <vector>

// Arranges the rows of a flat model as a tree by two columns: a row's parent is the row
// whose ID equals its PID. Roots: PID NULL, 0 or blank, a PID no row has, or the row
// itself; rows caught in a PID cycle are not lost: the first of them becomes a root.
// Children keep the source order.
//
// Edits outside the link columns are passed on as they are; a sort is a layout change that
// keeps persistent indexes; anything that changes rows or links resets the tree.
class IdTreeProxyModel : public QAbstractProxyModel
{
    Q_OBJECT

public:
    explicit IdTreeProxyModel(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* source) override;
    void setLinkColumns(int idColumn, int pidColumn);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;

private:
    void rebuild();
    QString keyOf(int row, int column) const;
    int sourceRowOf(const QModelIndex& index) const;
    void onDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                       const QList<int>& roles);
    void onLayoutAboutToBeChanged();
    void onLayoutChanged();

    int m_idColumn = -1;
    int m_pidColumn = -1;
    std::vector<int> m_parent;                // source row -> parent source row, -1 root
    std::vector<int> m_position;              // source row -> row under its parent
    std::vector<std::vector<int>> m_children; // parent source row + 1 -> children
    std::vector<QString> m_ids, m_pids;       // link keys as last seen
    QList<QMetaObject::Connection> m_sourceConnections;
    QModelIndexList m_layoutIndexes;
    QList<std::pair<QPersistentModelIndex, int>> m_layoutSources;
};
