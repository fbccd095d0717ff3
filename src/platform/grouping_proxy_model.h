#pragma once

#include <QAbstractProxyModel>
#include <QHash>
#include <QList>
#include <QPersistentModelIndex>

#include <memory>
#include <vector>

// Turns a flat model into a tree: group rows by one or more source columns (one level per
// column, groups in value order), the source rows as leaves under the deepest groups in
// source order. A group row shows "caption: value (小计N个)" in column 0 and nothing else
// (the subtotal text is a pattern whose first 0 stands for the count);
// it is selectable, not editable. Without group columns the rows stay flat.
//
// Source changes: inserted and removed rows, and edits that move a row to another group, are
// passed on as row insertions and removals (groups appear and disappear with their first
// and last row); a sort is a layout change that keeps persistent indexes; resets and moved
// rows or columns reset. Not supported: tree sources (only the root's rows are grouped).
class GroupingProxyModel : public QAbstractProxyModel
{
    Q_OBJECT

public:
    enum Role {
        IsGroupRole = Qt::UserRole + 200, // bool
        LevelRole,                        // group level from 0; data rows: the number of levels
        SubtotalRole,                     // group rows: the number of data rows under it
    };

    explicit GroupingProxyModel(QObject* parent = nullptr);
    ~GroupingProxyModel() override;

    void setSourceModel(QAbstractItemModel* source) override;
    // Source columns, outermost first; descending[i] reverses the order of level i's groups.
    void setGroupColumns(const QList<int>& columns, const QList<bool>& descending = {});
    QList<int> groupColumns() const { return m_groupColumns; }

    bool isGroup(const QModelIndex& index) const;
    // "小计0个" by default; the first 0 stands for the number of rows under the group.
    void setSubtotalPattern(const QString& pattern);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QMap<int, QVariant> itemData(const QModelIndex& index) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;

private:
    struct Node;

    void rebuild();
    void addSilently(int sourceRow);
    void insertSourceRow(int sourceRow);
    void removeSourceRow(int sourceRow);
    QStringList keysOf(int sourceRow) const;
    QStringList pathOf(const Node* node) const;
    Node* findPath(const QStringList& keys) const;
    std::unique_ptr<Node> makeGroup(Node* parent, int sourceRow) const;
    int groupPosition(const Node* parent, const QVariant& value) const;
    Node* groupAt(const QModelIndex& index) const; // nullptr for a data row
    QModelIndex indexOf(const Node* node) const;
    int firstRowUnder(const Node* node) const;
    bool isDeepest(const Node* node) const;
    void addCount(Node* node, int delta);
    void emitGroupsChanged(Node* node);
    void emitAllGroupsChanged(Node* node);
    void shiftLeaves(Node* node, int from, int delta);

    void onRowsInserted(const QModelIndex& parent, int first, int last);
    void onRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last);
    void onRowsRemoved(const QModelIndex& parent, int first, int last);
    void onDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                       const QList<int>& roles);
    void onLayoutAboutToBeChanged();
    void onLayoutChanged();

    QString m_subtotalPattern = QStringLiteral("小计0个");
    QList<int> m_groupColumns; // as set
    QList<bool> m_groupDescending;
    QList<int> m_columns; // the levels in use: the set columns the source has
    QList<bool> m_descending;
    std::unique_ptr<Node> m_root;
    std::vector<Node*> m_nodeOf; // source row -> deepest node holding it

    struct Saved
    {
        bool group;
        QStringList path;             // group rows
        QPersistentModelIndex source; // data rows
        int column;
    };
    QModelIndexList m_layoutIndexes;
    QList<Saved> m_layoutSaved;
    QList<QMetaObject::Connection> m_sourceConnections;
};
