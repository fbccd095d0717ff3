#include "id_tree_proxy_model.h"

#include "platform/grid_values.h"
#include "platform/proxy_reset.h"

#include <QHash>

#include <algorithm>
#include <deque>

IdTreeProxyModel::IdTreeProxyModel(QObject* parent) : QAbstractProxyModel(parent)
{
    m_children.resize(1);
}

void IdTreeProxyModel::setSourceModel(QAbstractItemModel* source)
{
    beginResetModel();
    for (const QMetaObject::Connection& c : std::as_const(m_sourceConnections))
        disconnect(c);
    m_sourceConnections.clear();
    QAbstractProxyModel::setSourceModel(source);
    if (source) {
        auto& c = m_sourceConnections;
        // A tree is rebuilt whole whenever the source changes shape.
        c << resetOnReshape(
            source, this, [this] { beginResetModel(); },
            [this] {
                rebuild();
                endResetModel();
            },
            true);
        c << connect(source, &QAbstractItemModel::dataChanged, this,
                     &IdTreeProxyModel::onDataChanged);
        c << connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this,
                     &IdTreeProxyModel::onLayoutAboutToBeChanged);
        c << connect(source, &QAbstractItemModel::layoutChanged, this,
                     &IdTreeProxyModel::onLayoutChanged);
        c << connect(source, &QAbstractItemModel::headerDataChanged, this,
                     &QAbstractItemModel::headerDataChanged);
    }
    rebuild();
    endResetModel();
}

void IdTreeProxyModel::setLinkColumns(int idColumn, int pidColumn)
{
    beginResetModel();
    m_idColumn = idColumn;
    m_pidColumn = pidColumn;
    rebuild();
    endResetModel();
}

QString IdTreeProxyModel::keyOf(int row, int column) const
{
    if (column < 0 || column >= sourceModel()->columnCount())
        return QString();
    return GridValues::key(sourceModel()->index(row, column).data(Qt::EditRole));
}

void IdTreeProxyModel::rebuild()
{
    const int rows = sourceModel() ? sourceModel()->rowCount() : 0;
    m_parent.assign(size_t(rows), -1);
    m_position.assign(size_t(rows), 0);
    m_children.assign(size_t(rows) + 1, {});
    m_ids.assign(size_t(rows), QString());
    m_pids.assign(size_t(rows), QString());
    QHash<QString, int> rowOfId;
    for (int r = 0; r < rows; ++r) {
        m_ids[size_t(r)] = keyOf(r, m_idColumn);
        m_pids[size_t(r)] = keyOf(r, m_pidColumn);
        if (!m_ids[size_t(r)].isEmpty() && !rowOfId.contains(m_ids[size_t(r)]))
            rowOfId.insert(m_ids[size_t(r)], r);
    }
    for (int r = 0; r < rows; ++r) {
        const QString& pid = m_pids[size_t(r)];
        const int parent = pid.isEmpty() || pid == u"0" ? -1 : rowOfId.value(pid, -1);
        m_parent[size_t(r)] = parent == r ? -1 : parent;
        m_children[size_t(m_parent[size_t(r)] + 1)].push_back(r);
    }
    // Rows not reachable from a root sit in a cycle: the first of each becomes a root.
    std::vector<bool> reached(size_t(rows), false);
    std::deque<int> queue;
    auto reach = [&] {
        while (!queue.empty()) {
            const int r = queue.front();
            queue.pop_front();
            if (reached[size_t(r)])
                continue;
            reached[size_t(r)] = true;
            for (int child : m_children[size_t(r) + 1])
                queue.push_back(child);
        }
    };
    for (int root : m_children[0])
        queue.push_back(root);
    reach();
    for (int r = 0; r < rows; ++r) {
        if (reached[size_t(r)])
            continue;
        auto& siblings = m_children[size_t(m_parent[size_t(r)] + 1)];
        siblings.erase(std::find(siblings.begin(), siblings.end(), r));
        m_parent[size_t(r)] = -1;
        auto& roots = m_children[0];
        roots.insert(std::lower_bound(roots.begin(), roots.end(), r), r);
        queue.push_back(r);
        reach();
    }
    for (const auto& children : m_children) {
        for (size_t i = 0; i < children.size(); ++i)
            m_position[size_t(children[i])] = int(i);
    }
}

int IdTreeProxyModel::sourceRowOf(const QModelIndex& index) const
{
    const size_t parentSlot = size_t(index.internalId());
    if (parentSlot >= m_children.size() || size_t(index.row()) >= m_children[parentSlot].size())
        return -1;
    return m_children[parentSlot][size_t(index.row())];
}

void IdTreeProxyModel::onDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                     const QList<int>& roles)
{
    if (!topLeft.isValid() || topLeft.parent().isValid())
        return;
    for (int r = topLeft.row(); r <= bottomRight.row(); ++r) {
        if (size_t(r) < m_ids.size() && (keyOf(r, m_idColumn) != m_ids[size_t(r)] ||
                                         keyOf(r, m_pidColumn) != m_pids[size_t(r)])) {
            beginResetModel();
            rebuild();
            endResetModel();
            return;
        }
    }
    for (int r = topLeft.row(); r <= bottomRight.row(); ++r) {
        const QModelIndex left = mapFromSource(sourceModel()->index(r, topLeft.column()));
        if (left.isValid())
            Q_EMIT dataChanged(left, left.siblingAtColumn(bottomRight.column()), roles);
    }
}

void IdTreeProxyModel::onLayoutAboutToBeChanged()
{
    Q_EMIT layoutAboutToBeChanged();
    m_layoutIndexes = persistentIndexList();
    m_layoutSources.clear();
    for (const QModelIndex& i : std::as_const(m_layoutIndexes))
        m_layoutSources.append({QPersistentModelIndex(mapToSource(i)), i.column()});
}

void IdTreeProxyModel::onLayoutChanged()
{
    rebuild();
    QModelIndexList moved;
    for (const auto& [source, column] : std::as_const(m_layoutSources))
        moved.append(source.isValid() ? mapFromSource(sourceModel()->index(source.row(), column))
                                      : QModelIndex());
    changePersistentIndexList(m_layoutIndexes, moved);
    m_layoutIndexes.clear();
    m_layoutSources.clear();
    Q_EMIT layoutChanged();
}

QModelIndex IdTreeProxyModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();
    const int parentRow = parent.isValid() ? sourceRowOf(parent) : -1;
    return createIndex(row, column, quintptr(parentRow + 1));
}

QModelIndex IdTreeProxyModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return QModelIndex();
    const int parentRow = int(child.internalId()) - 1;
    if (size_t(parentRow) >= m_parent.size())
        return QModelIndex();
    return createIndex(m_position[size_t(parentRow)], 0, quintptr(m_parent[size_t(parentRow)] + 1));
}

QModelIndex IdTreeProxyModel::sibling(int row, int column, const QModelIndex& index) const
{
    return index.isValid() ? this->index(row, column, parent(index)) : QModelIndex();
}

int IdTreeProxyModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const int slot = parent.isValid() ? sourceRowOf(parent) + 1 : 0;
    return slot >= 0 && size_t(slot) < m_children.size() ? int(m_children[size_t(slot)].size()) : 0;
}

int IdTreeProxyModel::columnCount(const QModelIndex&) const
{
    return sourceModel() ? sourceModel()->columnCount() : 0;
}

bool IdTreeProxyModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

Qt::ItemFlags IdTreeProxyModel::flags(const QModelIndex& index) const
{
    // A table source says its rows never have children; here they may.
    return QAbstractProxyModel::flags(index) & ~Qt::ItemNeverHasChildren;
}

QVariant IdTreeProxyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!sourceModel())
        return QVariant();
    if (orientation == Qt::Horizontal)
        return sourceModel()->headerData(section, orientation, role);
    return QAbstractItemModel::headerData(section, orientation, role);
}

QModelIndex IdTreeProxyModel::mapToSource(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid() || !sourceModel())
        return QModelIndex();
    const int row = sourceRowOf(proxyIndex);
    return row >= 0 ? sourceModel()->index(row, proxyIndex.column()) : QModelIndex();
}

QModelIndex IdTreeProxyModel::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid() || sourceIndex.parent().isValid() ||
        size_t(sourceIndex.row()) >= m_parent.size())
        return QModelIndex();
    const int row = sourceIndex.row();
    return createIndex(m_position[size_t(row)], sourceIndex.column(),
                       quintptr(m_parent[size_t(row)] + 1));
}
