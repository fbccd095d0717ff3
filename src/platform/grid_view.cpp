#include "grid_view.h"

#include "data/dataset.h"
#include "data/dataset_model.h"
#include "platform/data_grid_delegate.h"
#include "platform/grid_header.h"
#include "platform/grouping_proxy_model.h"

#include <QAbstractProxyModel>
#include <QKeyEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QToolTip>

namespace {
bool rowIsEmpty(const Dataset& ds, int row)
{
    for (int f = 0; f < ds.fieldCount(); ++f) {
        const QVariant v = ds.value(row, f);
        if (v.isValid() && !v.isNull())
            return false;
    }
    return true;
}
} // namespace

GridView::GridView(const QObject* grid, QWidget* parent)
    : QTreeView(parent), m_delegate(new GridDelegate(this)), m_header(new GridHeader(grid, this))
{
    setHeader(m_header);
    m_header->setStretchLastSection(false);
    m_header->setSectionsClickable(true); // setHeader turned it off
    setItemDelegate(m_delegate);
    setSelectionMode(ExtendedSelection);
    setSelectionBehavior(SelectRows);
    setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed);
    setTabKeyNavigation(true);
    setUniformRowHeights(true);
    setRootIsDecorated(false);
    setIndentation(16);
    setEditing(false);
    m_delegate->setRowColor([this](const QModelIndex& index) { return rowColor(index); });
    connect(m_delegate, &GridDelegate::rowMoveRequested, this, &GridView::moveRow);
    connect(m_delegate, &GridDelegate::editFailed, this, [this] {
        // Reported after the edit has unwound: the message may open a modal dialog.
        const QString message = m_dataset ? m_dataset->lastError() : QString();
        QMetaObject::invokeMethod(
            this, [this, message] { Q_EMIT editFailed(message); }, Qt::QueuedConnection);
    });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, m_header,
            &GridHeader::adjustOverlays);
    connect(m_header, &QHeaderView::sectionMoved, this, &GridView::updateTreeColumn);
    connect(m_header, &QHeaderView::sectionResized, this, &GridView::onSectionResized);
}

GridView::~GridView()
{
    // Before the members go: a focused editor would otherwise commit into a half-destroyed
    // view while Qt tears it down.
    discardEditor();
}

bool GridView::dropEmptyNewRow()
{
    if (!m_dataset || m_dataset->state() != Dataset::State::Insert ||
        !rowIsEmpty(*m_dataset, m_dataset->currentRow()))
        return false;
    m_dataset->cancel();
    return true;
}

void GridView::discardEditor()
{
    if (state() != EditingState)
        return;
    if (QWidget* editor = indexWidget(currentIndex()))
        closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void GridView::watchDataset(Dataset* dataset)
{
    for (const QMetaObject::Connection& c : std::as_const(m_datasetConnections))
        disconnect(c);
    m_datasetConnections.clear();
    m_dataset = dataset;
    if (dataset)
        m_datasetConnections << connect(dataset, &Dataset::currentChanged, this,
                                        &GridView::followDataset);
}

Dataset* GridView::dataset() const
{
    return m_dataset;
}

void GridView::setDatasetModel(DatasetModel* base)
{
    m_base = base;
    m_rowColors.clear();
    if (base)
        base->setEditable(m_editing);
    showDatasetCurrent();
}

void GridView::setTopModel(QAbstractItemModel* top)
{
    Q_ASSERT(!model()); // the order of the connections below only holds for the first model
    m_modelChanging = 0;
    m_rowColors.clear();
    if (top) {
        // While the model reshapes, the selection model moves the current index around;
        // those moves must not reach the dataset, which is in the middle of its own change.
        // These run before the selection model's handlers, which setModel connects.
        auto enter = [this] { ++m_modelChanging; };
        connect(top, &QAbstractItemModel::rowsAboutToBeInserted, this, enter);
        connect(top, &QAbstractItemModel::rowsAboutToBeRemoved, this, enter);
        connect(top, &QAbstractItemModel::rowsAboutToBeMoved, this, enter);
        connect(top, &QAbstractItemModel::layoutAboutToBeChanged, this, enter);
        connect(top, &QAbstractItemModel::modelAboutToBeReset, this, enter);
    }
    setModel(top);
    if (top) {
        auto leave = [this] {
            m_modelChanging = std::max(0, m_modelChanging - 1);
            m_rowColors.clear();
            if (m_modelChanging == 0)
                showDatasetCurrent();
        };
        connect(top, &QAbstractItemModel::rowsInserted, this, leave);
        connect(top, &QAbstractItemModel::rowsRemoved, this, leave);
        connect(top, &QAbstractItemModel::rowsMoved, this, leave);
        connect(top, &QAbstractItemModel::layoutChanged, this, leave);
        connect(top, &QAbstractItemModel::modelReset, this, leave);
        connect(top, &QAbstractItemModel::dataChanged, this, [this] { m_rowColors.clear(); });
    }
    updateTreeColumn();
}

void GridView::applyColumns(const QList<GridColumn>& columns,
                            const std::function<int(const QString&)>& columnOf)
{
    // The configured widths replace every width, the room included; it is added back below.
    const int room = m_indentRoom;
    m_indentRoom = 0;
    m_roomColumn = -1;
    QHash<int, GridColumn> byColumn;
    QHash<int, QString> bands;
    int visual = 0;
    for (const GridColumn& c : columns) {
        const int logical = columnOf(c.field);
        if (logical < 0 || logical >= m_header->count() || byColumn.contains(logical))
            continue;
        byColumn.insert(logical, c);
        bands.insert(logical, c.band);
        m_header->moveSection(m_header->visualIndex(logical), visual++);
        m_header->resizeSection(logical, c.width);
        m_header->setSectionHidden(logical, !c.visible);
    }
    for (int logical = 0; logical < m_header->count(); ++logical) {
        if (!byColumn.contains(logical))
            m_header->setSectionHidden(logical, true);
    }
    m_delegate->setColumns(byColumn);
    m_header->setBands(bands);
    updateTreeColumn();
    setTreeIndentRoom(room);
    m_header->adjustOverlays();
}

int GridView::datasetRowOf(const QModelIndex& index) const
{
    if (!index.isValid() || !m_base || isGroupRow(index))
        return -1;
    QModelIndex i = index;
    while (i.isValid() && i.model() != m_base) {
        const auto* proxy = qobject_cast<const QAbstractProxyModel*>(i.model());
        if (!proxy)
            return -1;
        i = proxy->mapToSource(i);
    }
    return i.isValid() ? i.row() : -1;
}

QModelIndex GridView::indexOfDatasetRow(int row, int column) const
{
    if (!m_base || !model() || row < 0 || row >= m_base->rowCount())
        return QModelIndex();
    if (column < 0)
        column = visibleColumns().value(0, 0);
    QList<const QAbstractProxyModel*> chain;
    for (const QAbstractItemModel* m = model(); m && m != m_base;) {
        const auto* proxy = qobject_cast<const QAbstractProxyModel*>(m);
        if (!proxy)
            return QModelIndex();
        chain.prepend(proxy);
        m = proxy->sourceModel();
    }
    QModelIndex i = m_base->index(row, column);
    for (const QAbstractProxyModel* proxy : std::as_const(chain))
        i = proxy->mapFromSource(i);
    return i;
}

bool GridView::isGroupRow(const QModelIndex& index) const
{
    return index.data(GroupingProxyModel::IsGroupRole).toBool();
}

QList<int> GridView::visibleColumns() const
{
    QList<int> columns;
    for (int v = 0; v < m_header->count(); ++v) {
        const int logical = m_header->logicalIndex(v);
        if (!m_header->isSectionHidden(logical))
            columns << logical;
    }
    return columns;
}

int GridView::currentDatasetRow() const
{
    return datasetRowOf(currentIndex());
}

QList<int> GridView::selectedDatasetRows() const
{
    QList<int> rows;
    const QItemSelectionModel* selection = selectionModel();
    if (!selection || !model())
        return rows;
    const std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int r = 0; r < model()->rowCount(parent); ++r) {
            const QModelIndex index = model()->index(r, 0, parent);
            if (!isGroupRow(index)) {
                // Not rowIntersectsSelection: it gives up at the first range of another parent.
                for (int c = 0; c < model()->columnCount(parent); ++c) {
                    if (selection->isSelected(index.siblingAtColumn(c))) {
                        rows << datasetRowOf(index);
                        break;
                    }
                }
            }
            walk(index); // group rows, and rows of a tree
        }
    };
    walk(QModelIndex());
    return rows;
}

void GridView::setEditing(bool on)
{
    if (!on && state() == EditingState) {
        if (QWidget* editor = indexWidget(currentIndex())) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
    m_editing = on;
    if (m_base)
        m_base->setEditable(on);
    // Browsing shows the information colour, editing plain white.
    QPalette p = palette();
    p.setColor(QPalette::Base,
               on ? QColor(Qt::white) : QToolTip::palette().color(QPalette::ToolTipBase));
    setPalette(p);
    viewport()->update();
}

void GridView::setRowColorHook(std::function<QColor(int)> hook)
{
    m_rowColorHook = std::move(hook);
    m_rowColors.clear();
    viewport()->update();
}

QColor GridView::rowColor(const QModelIndex& index) const
{
    if (!m_rowColorHook)
        return QColor();
    const int row = datasetRowOf(index);
    if (row < 0)
        return QColor();
    auto it = m_rowColors.constFind(row);
    if (it == m_rowColors.cend())
        it = m_rowColors.insert(row, m_rowColorHook(row));
    return *it;
}

void GridView::followViewIfHidden()
{
    if (!m_dataset || m_syncing)
        return;
    if (indexOfDatasetRow(m_dataset->currentRow()).isValid())
        return;
    const int row = currentDatasetRow();
    const QScopedValueRollback guard(m_syncing, true);
    if (row >= 0 && !m_dataset->setCurrentRow(row))
        Q_EMIT editFailed(m_dataset->lastError());
}

void GridView::followDataset(int)
{
    if (m_modelChanging == 0)
        showDatasetCurrent();
}

void GridView::showDatasetCurrent()
{
    if (m_syncing || !m_dataset || !selectionModel())
        return;
    const QModelIndex current = currentIndex();
    const QModelIndex target =
        indexOfDatasetRow(m_dataset->currentRow(), current.isValid() ? current.column() : -1);
    if (target.isValid() && target != current) {
        const QScopedValueRollback guard(m_syncing, true);
        // An editor open here belongs to the row being left; the dataset is mid-change, so
        // committing it now could write into the wrong row.
        discardEditor();
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
        scrollTo(target);
    }
    announceCurrent();
}

void GridView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTreeView::currentChanged(current, previous);
    if (!m_syncing && m_modelChanging == 0 && m_dataset) {
        const QScopedValueRollback guard(m_syncing, true);
        Dataset& ds = *m_dataset;
        const int left = datasetRowOf(previous);
        if (left >= 0 && left == ds.currentRow() && datasetRowOf(current) != left)
            dropEmptyNewRow(); // a new row left without a value
        const int row = datasetRowOf(currentIndex());
        if (row >= 0 && row != ds.currentRow() && !ds.setCurrentRow(row)) {
            // The row being left cannot be posted: stay on it.
            const QString message = ds.lastError();
            QMetaObject::invokeMethod(
                this, [this, message] { Q_EMIT editFailed(message); }, Qt::QueuedConnection);
            const QModelIndex back = indexOfDatasetRow(ds.currentRow(), current.column());
            if (back.isValid())
                selectionModel()->setCurrentIndex(back, QItemSelectionModel::ClearAndSelect |
                                                            QItemSelectionModel::Rows);
        }
    }
    announceCurrent();
}

void GridView::announceCurrent()
{
    const int row = currentDatasetRow();
    if (row == m_announced)
        return;
    m_announced = row;
    Q_EMIT currentDatasetRowChanged(row);
}

void GridView::updateTreeColumn()
{
    if (m_movingRoom)
        return;
    const int first = visibleColumns().value(0, 0);
    if (treePosition() != first)
        setTreePosition(first);
    if (m_roomColumn == first)
        return;
    const QScopedValueRollback guard(m_movingRoom, true);
    const int old = m_roomColumn;
    m_roomColumn = -1;
    if (m_indentRoom > 0 && old >= 0 && old < m_header->count())
        m_header->resizeSection(old, std::max(1, m_header->sectionSize(old) - m_indentRoom));
    m_roomColumn = first;
    if (m_indentRoom > 0 && first < m_header->count())
        m_header->resizeSection(first, m_header->sectionSize(first) + m_indentRoom);
}

void GridView::onSectionResized(int logical, int oldSize, int newSize)
{
    if (m_movingRoom)
        return;
    if (newSize == 0 && logical == m_roomColumn && m_indentRoom > 0) {
        // Hidden: it comes back without the room, which goes to the new first column.
        const QScopedValueRollback guard(m_movingRoom, true);
        m_roomColumn = -1;
        m_header->resizeSection(logical, std::max(1, oldSize - m_indentRoom));
    }
    updateTreeColumn();
}

void GridView::setTreeIndentRoom(int pixels)
{
    updateTreeColumn();
    const int old = m_indentRoom;
    m_indentRoom = pixels;
    if (pixels == old || m_roomColumn < 0 || m_roomColumn >= m_header->count())
        return;
    const QScopedValueRollback guard(m_movingRoom, true);
    m_header->resizeSection(m_roomColumn,
                            std::max(1, m_header->sectionSize(m_roomColumn) + pixels - old));
}

void GridView::moveRow(int delta)
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    const QModelIndex next = moveCursor(delta < 0 ? MoveUp : MoveDown, Qt::NoModifier);
    if (next.isValid() && next != current) {
        selectionModel()->setCurrentIndex(next, QItemSelectionModel::ClearAndSelect |
                                                    QItemSelectionModel::Rows);
        scrollTo(next);
    }
}

QModelIndex GridView::dataRowAfter(const QModelIndex& index, bool forward) const
{
    QModelIndex i = index;
    do
        i = forward ? indexBelow(i) : indexAbove(i);
    while (i.isValid() && isGroupRow(i));
    return i;
}

QModelIndex GridView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    if (cursorAction != MoveNext && cursorAction != MovePrevious)
        return QTreeView::moveCursor(cursorAction, modifiers);
    // Tab walks the row's shown cells, then on into the next data row.
    const QModelIndex current = currentIndex();
    const QList<int> columns = visibleColumns();
    if (!current.isValid() || columns.isEmpty())
        return QTreeView::moveCursor(cursorAction, modifiers);
    const bool forward = cursorAction == MoveNext;
    if (!isGroupRow(current)) {
        const int at = int(columns.indexOf(current.column()));
        const int next = at + (forward ? 1 : -1);
        if (at >= 0 && next >= 0 && next < columns.size())
            return current.sibling(current.row(), columns[next]);
    }
    const QModelIndex row = dataRowAfter(current, forward);
    return row.isValid() ? row.sibling(row.row(), forward ? columns.first() : columns.last())
                         : QModelIndex();
}

void GridView::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QModelIndex current = currentIndex();
    if (enter && state() != EditingState && current.isValid()) {
        if (isGroupRow(current)) {
            const QModelIndex group = current.siblingAtColumn(0);
            setExpanded(group, !isExpanded(group));
            event->accept();
            return;
        }
        if (m_editing && (current.flags() & Qt::ItemIsEditable)) {
            edit(current);
            event->accept();
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

void GridView::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex at = indexAt(event->position().toPoint());
    const QModelIndex current = currentIndex();
    const bool onCurrentRow = at.isValid() && current.isValid() && at.row() == current.row() &&
                              at.parent() == current.parent();
    QTreeView::mousePressEvent(event);
    // In the current row a click edits at once, as the old grid did.
    if (m_editing && onCurrentRow && event->button() == Qt::LeftButton &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) &&
        state() != EditingState && !isGroupRow(at) && (at.flags() & Qt::ItemIsEditable) &&
        currentIndex() == at)
        edit(at);
}

void GridView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) const
{
    if (!isGroupRow(index)) {
        // The row's colour reaches into the indentation too.
        const QColor color = rowColor(index);
        if (color.isValid()) {
            int depth = rootIsDecorated() ? 1 : 0;
            for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
                ++depth;
            painter->fillRect(QRect(columnViewportPosition(std::max(0, treePosition())),
                                    option.rect.y(), indentation() * depth, option.rect.height()),
                              color);
        }
        QTreeView::drawRow(painter, option, index);
        return;
    }
    // A group row spans the whole width: its text would not fit any one column.
    const int level = index.data(GroupingProxyModel::LevelRole).toInt();
    const bool selected = selectionModel() && selectionModel()->isSelected(index);
    const QRect row(0, option.rect.y(), viewport()->width(), option.rect.height());
    painter->fillRect(row, selected ? palette().brush(QPalette::Highlight)
                                    : palette().brush(QPalette::Button));
    const int left = columnViewportPosition(treePosition() >= 0 ? treePosition() : 0);
    const QRect branches(left, row.y(), indentation() * (level + 1), row.height());
    drawBranches(painter, branches, index);
    painter->save();
    painter->setPen(palette().color(selected ? QPalette::HighlightedText : QPalette::ButtonText));
    const QRect text(branches.right() + 4, row.y(), std::max(0, row.right() - branches.right() - 4),
                     row.height());
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                      index.siblingAtColumn(0).data(Qt::DisplayRole).toString());
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(row.bottomLeft(), row.bottomRight());
    painter->restore();
}

bool GridView::sortByColumn(int column, const QString& field, QString* error)
{
    Dataset* ds = dataset();
    if (!ds || field.isEmpty())
        return true;
    const bool descending =
        field.compare(m_sortField, Qt::CaseInsensitive) == 0 ? !m_sortDescending : false;
    dropEmptyNewRow(); // sorting would post it
    if (!ds->setSort(descending ? field + QStringLiteral(" DESC") : field)) {
        *error = ds->lastError();
        return false;
    }
    m_sortField = field;
    m_sortDescending = descending;
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    return true;
}

void GridView::clearSort()
{
    m_sortField.clear();
    m_sortDescending = false;
    header()->setSortIndicatorShown(false);
}

void GridView::showDataset(Dataset* dataset, QObject* owner,
                           const std::function<void(DatasetModel*)>& attach)
{
    watchDataset(dataset);
    DatasetModel* old = m_base;
    DatasetModel* model = dataset ? new DatasetModel(dataset, owner) : nullptr;
    attach(model);
    setDatasetModel(model);
    delete old;
    clearSort();
}
