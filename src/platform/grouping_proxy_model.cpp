#include "grouping_proxy_model.h"

#include "platform/grid_values.h"
#include "platform/proxy_reset.h"

#include <algorithm>

struct GroupingProxyModel::Node
{
    Node* parent = nullptr;
    int row = 0;    // position among the parent's groups
    int level = -1; // -1 for the root
    QString key;
    QVariant value; // of the row that opened the group, for the order of groups
    std::vector<std::unique_ptr<Node>> groups;
    QHash<QString, Node*> byKey;
    std::vector<int> leaves; // source rows, ascending; only at the deepest level
    int count = 0;           // data rows under the node
};

GroupingProxyModel::GroupingProxyModel(QObject* parent)
    : QAbstractProxyModel(parent), m_root(std::make_unique<Node>())
{
}

GroupingProxyModel::~GroupingProxyModel() = default;

void GroupingProxyModel::setSourceModel(QAbstractItemModel* source)
{
    beginResetModel();
    for (const QMetaObject::Connection& c : std::as_const(m_sourceConnections))
        disconnect(c);
    m_sourceConnections.clear();
    QAbstractProxyModel::setSourceModel(source);
    if (source) {
        auto& c = m_sourceConnections;
        c << connect(source, &QAbstractItemModel::rowsInserted, this,
                     &GroupingProxyModel::onRowsInserted);
        c << connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                     &GroupingProxyModel::onRowsAboutToBeRemoved);
        c << connect(source, &QAbstractItemModel::rowsRemoved, this,
                     &GroupingProxyModel::onRowsRemoved);
        c << connect(source, &QAbstractItemModel::dataChanged, this,
                     &GroupingProxyModel::onDataChanged);
        c << connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this,
                     &GroupingProxyModel::onLayoutAboutToBeChanged);
        c << connect(source, &QAbstractItemModel::layoutChanged, this,
                     &GroupingProxyModel::onLayoutChanged);
        c << connect(source, &QAbstractItemModel::headerDataChanged, this,
                     [this](Qt::Orientation orientation, int first, int last) {
                         if (orientation != Qt::Horizontal)
                             return;
                         Q_EMIT headerDataChanged(orientation, first, last);
                         emitAllGroupsChanged(m_root.get()); // captions are in their text
                     });
        // Anything else that reshapes the source regroups from scratch.
        c << resetOnReshape(
            source, this, [this] { beginResetModel(); },
            [this] {
                rebuild();
                endResetModel();
            },
            false);
    }
    rebuild();
    endResetModel();
}

void GroupingProxyModel::setGroupColumns(const QList<int>& columns, const QList<bool>& descending)
{
    beginResetModel();
    m_groupColumns = columns;
    m_groupDescending = descending;
    rebuild();
    endResetModel();
}

bool GroupingProxyModel::isDeepest(const Node* node) const
{
    return node->level == int(m_columns.size()) - 1;
}

QStringList GroupingProxyModel::keysOf(int sourceRow) const
{
    QStringList keys;
    keys.reserve(m_columns.size());
    for (int column : m_columns)
        keys << GridValues::key(sourceModel()->index(sourceRow, column).data(Qt::EditRole));
    return keys;
}

QStringList GroupingProxyModel::pathOf(const Node* node) const
{
    QStringList keys;
    for (; node && node->parent; node = node->parent)
        keys.prepend(node->key);
    return keys;
}

GroupingProxyModel::Node* GroupingProxyModel::findPath(const QStringList& keys) const
{
    Node* node = m_root.get();
    for (const QString& k : keys) {
        node = node->byKey.value(k);
        if (!node)
            return nullptr;
    }
    return node;
}

int GroupingProxyModel::groupPosition(const Node* parent, const QVariant& value) const
{
    const int level = parent->level + 1;
    const bool descending = m_descending.value(level, false);
    const auto it = std::upper_bound(parent->groups.begin(), parent->groups.end(), value,
                                     [descending](const QVariant& v, const auto& group) {
                                         const int c = GridValues::compare(v, group->value);
                                         return descending ? c > 0 : c < 0;
                                     });
    return int(it - parent->groups.begin());
}

// A new group (with the groups below it) holding one source row.
std::unique_ptr<GroupingProxyModel::Node> GroupingProxyModel::makeGroup(Node* parent,
                                                                        int sourceRow) const
{
    auto group = std::make_unique<Node>();
    group->parent = parent;
    group->level = parent->level + 1;
    group->value = sourceModel()->index(sourceRow, m_columns[group->level]).data(Qt::EditRole);
    group->key = GridValues::key(group->value);
    group->count = 1;
    if (isDeepest(group.get())) {
        group->leaves.push_back(sourceRow);
    } else {
        auto child = makeGroup(group.get(), sourceRow);
        group->byKey.insert(child->key, child.get());
        group->groups.push_back(std::move(child));
    }
    return group;
}

// Adds a row during a rebuild (no signals; rows arrive in ascending order).
void GroupingProxyModel::addSilently(int sourceRow)
{
    Node* node = m_root.get();
    const QStringList keys = keysOf(sourceRow);
    for (int level = 0; level < keys.size(); ++level) {
        ++node->count;
        Node* child = node->byKey.value(keys[level]);
        if (!child) {
            auto group = makeGroup(node, sourceRow);
            Node* deepest = group.get();
            while (!deepest->groups.empty())
                deepest = deepest->groups.front().get();
            m_nodeOf[size_t(sourceRow)] = deepest;
            node->byKey.insert(group->key, group.get());
            const int pos = groupPosition(node, group->value);
            node->groups.insert(node->groups.begin() + pos, std::move(group));
            for (size_t i = size_t(pos); i < node->groups.size(); ++i)
                node->groups[i]->row = int(i);
            return;
        }
        node = child;
    }
    ++node->count;
    node->leaves.push_back(sourceRow);
    m_nodeOf[size_t(sourceRow)] = node;
}

void GroupingProxyModel::rebuild()
{
    m_root = std::make_unique<Node>();
    m_nodeOf.clear();
    m_columns.clear();
    m_descending.clear();
    QAbstractItemModel* source = sourceModel();
    if (!source)
        return;
    // Levels whose column the source lacks (yet) are left out until it has it.
    const int columns = source->columnCount();
    for (qsizetype i = 0; i < m_groupColumns.size(); ++i) {
        if (m_groupColumns[i] >= 0 && m_groupColumns[i] < columns) {
            m_columns << m_groupColumns[i];
            m_descending << m_groupDescending.value(i, false);
        }
    }
    const int rows = source->rowCount();
    m_nodeOf.assign(size_t(rows), nullptr);
    for (int r = 0; r < rows; ++r)
        addSilently(r);
}

QModelIndex GroupingProxyModel::indexOf(const Node* node) const
{
    if (!node || !node->parent)
        return QModelIndex();
    return createIndex(node->row, 0, node->parent);
}

GroupingProxyModel::Node* GroupingProxyModel::groupAt(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    Node* parent = static_cast<Node*>(index.internalPointer());
    if (isDeepest(parent) || size_t(index.row()) >= parent->groups.size())
        return nullptr;
    return parent->groups[size_t(index.row())].get();
}

bool GroupingProxyModel::isGroup(const QModelIndex& index) const
{
    return groupAt(index) != nullptr;
}

int GroupingProxyModel::firstRowUnder(const Node* node) const
{
    while (node && !node->groups.empty())
        node = node->groups.front().get();
    return node && !node->leaves.empty() ? node->leaves.front() : -1;
}

void GroupingProxyModel::addCount(Node* node, int delta)
{
    for (; node; node = node->parent)
        node->count += delta;
}

// Subtotals are in the group rows' text: every group from the node up changed.
void GroupingProxyModel::emitGroupsChanged(Node* node)
{
    for (; node && node->parent; node = node->parent) {
        const QModelIndex i = indexOf(node);
        Q_EMIT dataChanged(i, i.siblingAtColumn(columnCount() - 1));
    }
}

void GroupingProxyModel::emitAllGroupsChanged(Node* node)
{
    if (node->groups.empty())
        return;
    const QModelIndex parent = indexOf(node);
    Q_EMIT dataChanged(index(0, 0, parent),
                       index(int(node->groups.size()) - 1, columnCount() - 1, parent));
    for (const auto& g : node->groups)
        emitAllGroupsChanged(g.get());
}

void GroupingProxyModel::insertSourceRow(int sourceRow)
{
    Node* node = m_root.get();
    const QStringList keys = keysOf(sourceRow);
    for (int level = 0; level < keys.size(); ++level) {
        Node* child = node->byKey.value(keys[level]);
        if (!child) {
            auto group = makeGroup(node, sourceRow);
            const int pos = groupPosition(node, group->value);
            beginInsertRows(indexOf(node), pos, pos);
            Node* deepest = group.get();
            while (!deepest->groups.empty())
                deepest = deepest->groups.front().get();
            m_nodeOf[size_t(sourceRow)] = deepest;
            node->byKey.insert(group->key, group.get());
            node->groups.insert(node->groups.begin() + pos, std::move(group));
            for (size_t i = size_t(pos); i < node->groups.size(); ++i)
                node->groups[i]->row = int(i);
            addCount(node, 1);
            endInsertRows();
            emitGroupsChanged(node);
            return;
        }
        node = child;
    }
    const auto it = std::lower_bound(node->leaves.begin(), node->leaves.end(), sourceRow);
    const int pos = int(it - node->leaves.begin());
    beginInsertRows(indexOf(node), pos, pos);
    node->leaves.insert(it, sourceRow);
    m_nodeOf[size_t(sourceRow)] = node;
    addCount(node, 1);
    endInsertRows();
    emitGroupsChanged(node);
}

void GroupingProxyModel::removeSourceRow(int sourceRow)
{
    Node* node = m_nodeOf[size_t(sourceRow)];
    if (!node)
        return;
    m_nodeOf[size_t(sourceRow)] = nullptr;
    if (node->parent && node->count == 1) {
        // The row is a group's last: the highest such group goes with it.
        Node* top = node;
        while (top->parent->parent && top->parent->count == 1)
            top = top->parent;
        Node* parent = top->parent;
        const int pos = top->row;
        beginRemoveRows(indexOf(parent), pos, pos);
        parent->byKey.remove(top->key);
        parent->groups.erase(parent->groups.begin() + pos);
        for (size_t i = size_t(pos); i < parent->groups.size(); ++i)
            parent->groups[i]->row = int(i);
        addCount(parent, -1);
        endRemoveRows();
        emitGroupsChanged(parent);
        return;
    }
    const auto it = std::lower_bound(node->leaves.begin(), node->leaves.end(), sourceRow);
    if (it == node->leaves.end() || *it != sourceRow)
        return;
    const int pos = int(it - node->leaves.begin());
    beginRemoveRows(indexOf(node), pos, pos);
    node->leaves.erase(node->leaves.begin() + pos);
    addCount(node, -1);
    endRemoveRows();
    emitGroupsChanged(node);
}

void GroupingProxyModel::shiftLeaves(Node* node, int from, int delta)
{
    for (int& r : node->leaves) {
        if (r >= from)
            r += delta;
    }
    for (const auto& g : node->groups)
        shiftLeaves(g.get(), from, delta);
}

void GroupingProxyModel::onRowsInserted(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    const int n = last - first + 1;
    shiftLeaves(m_root.get(), first, n);
    m_nodeOf.insert(m_nodeOf.begin() + first, size_t(n), nullptr);
    for (int r = first; r <= last; ++r)
        insertSourceRow(r);
}

void GroupingProxyModel::onRowsAboutToBeRemoved(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    for (int r = last; r >= first; --r)
        removeSourceRow(r);
}

void GroupingProxyModel::onRowsRemoved(const QModelIndex& parent, int first, int last)
{
    if (parent.isValid())
        return;
    m_nodeOf.erase(m_nodeOf.begin() + first, m_nodeOf.begin() + last + 1);
    shiftLeaves(m_root.get(), last + 1, -(last - first + 1));
}

void GroupingProxyModel::onDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                       const QList<int>& roles)
{
    if (!topLeft.isValid() || topLeft.parent().isValid())
        return;
    bool groupColumn = false;
    for (int c : std::as_const(m_columns))
        groupColumn = groupColumn || (c >= topLeft.column() && c <= bottomRight.column());
    const bool values = roles.isEmpty() || roles.contains(Qt::EditRole);
    const bool texts = values || roles.contains(Qt::DisplayRole);
    for (int r = topLeft.row(); r <= bottomRight.row(); ++r) {
        Node* node = m_nodeOf[size_t(r)];
        if (groupColumn && values && node && keysOf(r) != pathOf(node)) {
            // Moved to another group.
            removeSourceRow(r);
            insertSourceRow(r);
            continue;
        }
        const QModelIndex left = mapFromSource(sourceModel()->index(r, topLeft.column()));
        if (left.isValid())
            Q_EMIT dataChanged(left, left.siblingAtColumn(bottomRight.column()), roles);
        if (groupColumn && texts)
            emitGroupsChanged(node); // a group shows its first row's text
    }
}

void GroupingProxyModel::onLayoutAboutToBeChanged()
{
    Q_EMIT layoutAboutToBeChanged();
    m_layoutIndexes = persistentIndexList();
    m_layoutSaved.clear();
    m_layoutSaved.reserve(m_layoutIndexes.size());
    for (const QModelIndex& i : std::as_const(m_layoutIndexes)) {
        if (const Node* g = groupAt(i))
            m_layoutSaved.append({true, pathOf(g), {}, i.column()});
        else
            m_layoutSaved.append({false, {}, QPersistentModelIndex(mapToSource(i)), i.column()});
    }
}

void GroupingProxyModel::onLayoutChanged()
{
    rebuild();
    QModelIndexList moved;
    moved.reserve(m_layoutSaved.size());
    for (const Saved& s : std::as_const(m_layoutSaved)) {
        QModelIndex to;
        if (s.group) {
            if (const Node* g = findPath(s.path))
                to = createIndex(g->row, s.column, g->parent);
        } else if (s.source.isValid()) {
            to = mapFromSource(sourceModel()->index(s.source.row(), s.column));
        }
        moved.append(to);
    }
    changePersistentIndexList(m_layoutIndexes, moved);
    m_layoutIndexes.clear();
    m_layoutSaved.clear();
    Q_EMIT layoutChanged();
}

QModelIndex GroupingProxyModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();
    const Node* node = parent.isValid() ? groupAt(parent) : m_root.get();
    return node ? createIndex(row, column, node) : QModelIndex();
}

QModelIndex GroupingProxyModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return QModelIndex();
    return indexOf(static_cast<const Node*>(child.internalPointer()));
}

QModelIndex GroupingProxyModel::sibling(int row, int column, const QModelIndex& index) const
{
    if (!index.isValid())
        return QModelIndex();
    return this->index(row, column, parent(index));
}

int GroupingProxyModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const Node* node = parent.isValid() ? groupAt(parent) : m_root.get();
    if (!node)
        return 0;
    return int(isDeepest(node) ? node->leaves.size() : node->groups.size());
}

int GroupingProxyModel::columnCount(const QModelIndex&) const
{
    return sourceModel() ? sourceModel()->columnCount() : 0;
}

bool GroupingProxyModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

void GroupingProxyModel::setSubtotalPattern(const QString& pattern)
{
    m_subtotalPattern = pattern;
    if (m_root)
        emitAllGroupsChanged(m_root.get());
}

QVariant GroupingProxyModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const Node* group = groupAt(index);
    if (role == IsGroupRole)
        return group != nullptr;
    if (role == LevelRole)
        return group ? group->level : int(m_columns.size());
    if (!group)
        return QAbstractProxyModel::data(index, role);
    if (role == SubtotalRole)
        return group->count;
    if (role == Qt::DisplayRole && index.column() == 0) {
        const int column = m_columns[group->level];
        const QString caption = sourceModel()->headerData(column, Qt::Horizontal).toString();
        const QString value =
            sourceModel()->index(firstRowUnder(group), column).data(Qt::DisplayRole).toString();
        QString subtotal = m_subtotalPattern;
        const qsizetype zero = subtotal.indexOf(u'0');
        if (zero >= 0)
            subtotal.replace(zero, 1, QString::number(group->count));
        return QStringLiteral("%1: %2 (%3)").arg(caption, value, subtotal);
    }
    return QVariant();
}

QMap<int, QVariant> GroupingProxyModel::itemData(const QModelIndex& index) const
{
    if (isGroup(index))
        return QAbstractItemModel::itemData(index);
    return QAbstractProxyModel::itemData(index);
}

Qt::ItemFlags GroupingProxyModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (isGroup(index))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return QAbstractProxyModel::flags(index) | Qt::ItemNeverHasChildren;
}

QVariant GroupingProxyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!sourceModel())
        return QVariant();
    if (orientation == Qt::Horizontal)
        return sourceModel()->headerData(section, orientation, role);
    return QAbstractItemModel::headerData(section, orientation, role);
}

QModelIndex GroupingProxyModel::mapToSource(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid() || !sourceModel() || isGroup(proxyIndex))
        return QModelIndex();
    const Node* node = static_cast<const Node*>(proxyIndex.internalPointer());
    if (size_t(proxyIndex.row()) >= node->leaves.size())
        return QModelIndex();
    return sourceModel()->index(node->leaves[size_t(proxyIndex.row())], proxyIndex.column());
}

QModelIndex GroupingProxyModel::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid() || sourceIndex.parent().isValid() ||
        size_t(sourceIndex.row()) >= m_nodeOf.size())
        return QModelIndex();
    const Node* node = m_nodeOf[size_t(sourceIndex.row())];
    if (!node)
        return QModelIndex();
    const auto it = std::lower_bound(node->leaves.begin(), node->leaves.end(), sourceIndex.row());
    if (it == node->leaves.end() || *it != sourceIndex.row())
        return QModelIndex();
    return createIndex(int(it - node->leaves.begin()), sourceIndex.column(), node);
}
