#include "data_grid.h"

#include "data/dataset.h"
#include "data/dataset_model.h"
#include "platform/column_filter_proxy_model.h"
#include "platform/column_settings_proxy_model.h"
#include "platform/data_grid_delegate.h"
#include "platform/data_grid_panels.h"
#include "platform/grid_header.h"
#include "platform/grid_view.h"
#include "platform/grouping_proxy_model.h"

#include <QMenu>
#include <QRegularExpression>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>

DataGrid::DataGrid(QWidget* parent)
    : QWidget(parent), m_settings(new ColumnSettingsProxyModel(this)),
      m_filter(new ColumnFilterProxyModel(this)), m_grouping(new GroupingProxyModel(this)),
      m_view(new GridView(this, this)), m_groupPanel(new GroupPanel(this, this)),
      m_footer(new FooterBar(
          m_view,
          [this](int column) {
              auto it = m_footerCache.constFind(column);
              if (it == m_footerCache.cend())
                  it = m_footerCache.insert(column, computeFooter(column));
              return *it;
          },
          this)),
      m_chooser(new ColumnChooser(this, this))
{
    m_filter->setSourceModel(m_settings);
    m_grouping->setSourceModel(m_filter);
    m_view->setTopModel(m_grouping);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_groupPanel);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_footer);
    m_groupPanel->hide();
    m_footer->hide();
    m_chooser->hide();

    GridHeader* header = m_view->gridHeader();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::sectionClicked, this, &DataGrid::sortBy);
    connect(header, &GridHeader::filterChanged, this,
            [this](int column, const QString& text) { setColumnFilter(fieldOf(column), text); });
    connect(header, &GridHeader::columnDropped, this, &DataGrid::onColumnDropped);
    connect(header, &QWidget::customContextMenuRequested, this, &DataGrid::onHeaderMenu);
    connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        const int i = configuredIndex(fieldOf(column));
        if (column == m_view->treeColumn())
            size -= m_view->treeIndentRoom();
        if (i >= 0 && size > 0)
            m_columns[i].width = size;
        m_footer->update();
    });
    connect(header, &QHeaderView::sectionMoved, m_footer, qOverload<>(&QWidget::update));
    connect(m_view->horizontalScrollBar(), &QScrollBar::valueChanged, m_footer,
            qOverload<>(&QWidget::update));

    connect(m_groupPanel, &GroupPanel::groupDropped, this, [this](int column, int position) {
        const QString field = fieldOf(column);
        QStringList fields = m_groupFields;
        const qsizetype at = fields.indexOf(field);
        if (at >= 0) {
            fields.removeAt(at);
            position -= at < position ? 1 : 0;
        }
        fields.insert(std::clamp<qsizetype>(position, 0, fields.size()), field);
        setGroupFields(fields);
    });
    connect(m_groupPanel, &GroupPanel::groupRemoved, this, [this](int column) {
        QStringList fields = m_groupFields;
        fields.removeAll(fieldOf(column));
        setGroupFields(fields);
    });
    connect(m_chooser, &ColumnChooser::columnShown, this,
            [this](int column) { setColumnVisible(fieldOf(column), true); });
    connect(m_chooser, &ColumnChooser::columnHidden, this,
            [this](int column) { setColumnVisible(fieldOf(column), false); });

    connect(m_view, &GridView::currentDatasetRowChanged, this, &DataGrid::currentRowChanged);
    connect(m_view, &GridView::editFailed, this, &DataGrid::editFailed);
    connect(m_view->gridDelegate(), &GridDelegate::buttonClicked, this,
            [this](const QModelIndex& index) {
                Q_EMIT cellButtonClicked(m_view->datasetRowOf(index), fieldOf(index.column()));
            });

    connect(m_grouping, &QAbstractItemModel::modelReset, this, [this] {
        const QStringList fields = m_dataset ? m_dataset->fieldNames() : QStringList();
        if (fields != m_appliedFields)
            applyColumns(); // the dataset was opened on other fields
        // A flat list has nothing to expand, and expanding lays out every row at once.
        if (!m_grouping->groupColumns().isEmpty())
            m_view->expandAll();
    });
    connect(m_grouping, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex& parent, int first, int last) {
                for (int r = first; r <= last; ++r) {
                    const QModelIndex index = m_grouping->index(r, 0, parent);
                    if (m_grouping->isGroup(index))
                        m_view->expandRecursively(index);
                }
            });
    auto footersChanged = [this] {
        m_footerCache.clear();
        m_footer->update();
    };
    connect(m_filter, &QAbstractItemModel::rowsInserted, this, footersChanged);
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this, footersChanged);
    connect(m_filter, &QAbstractItemModel::dataChanged, this, footersChanged);
    connect(m_filter, &QAbstractItemModel::modelReset, this, footersChanged);
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, footersChanged);
}

DataGrid::~DataGrid()
{
    m_view->discardEditor(); // while the handlers of its signals can still run
}

void DataGrid::setDataset(Dataset* dataset)
{
    disconnect(m_datasetGone);
    if (dataset) // a dataset going first leaves the grid empty, not dangling
        m_datasetGone =
            connect(dataset, &QObject::destroyed, this, [this] { setDataset(nullptr); });
    m_dataset = dataset;
    m_view->showDataset(dataset, this,
                        [this](DatasetModel* model) { m_settings->setSourceModel(model); });
    applyColumns();
}

Dataset* DataGrid::dataset() const
{
    return m_dataset;
}

void DataGrid::setColumns(const QList<Column>& columns)
{
    m_columns = columns;
    applyColumns();
}

int DataGrid::columnOf(const QString& field) const
{
    return m_settings->columnOf(field);
}

QString DataGrid::fieldOf(int column) const
{
    if (!m_dataset || column < 0 || column >= m_dataset->fieldCount())
        return QString();
    return m_dataset->field(column).name;
}

int DataGrid::configuredIndex(const QString& field) const
{
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (!field.isEmpty() && m_columns[i].field.compare(field, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void DataGrid::applyColumns()
{
    m_appliedFields = m_dataset ? m_dataset->fieldNames() : QStringList();
    m_settings->setColumns(m_columns);
    m_view->applyColumns(m_columns, [this](const QString& field) { return columnOf(field); });
    m_filter->clearFilters();
    for (auto it = m_filters.cbegin(); it != m_filters.cend(); ++it) {
        const int column = columnOf(it.key());
        if (column >= 0) {
            m_filter->setColumnFilter(column, it.value());
            m_view->gridHeader()->setFilterText(column, it.value());
        }
    }
    bool footers = false;
    for (const Column& c : std::as_const(m_columns))
        footers = footers || !c.footer.isEmpty();
    m_footer->setVisible(footers);
    m_footerCache.clear();
    updateChooser();
    applyGrouping();
}

void DataGrid::applyGrouping()
{
    QList<int> columns;
    QList<bool> descending;
    QList<GroupPanel::Group> groups;
    for (const QString& field : std::as_const(m_groupFields)) {
        const int column = columnOf(field);
        if (column < 0)
            continue;
        const int i = configuredIndex(field);
        columns << column;
        descending << (m_view->sortDescending() &&
                       field.compare(m_view->sortField(), Qt::CaseInsensitive) == 0);
        groups.append(
            {column, i >= 0 && !m_columns[i].caption.isEmpty() ? m_columns[i].caption : field});
    }
    m_grouping->setGroupColumns(columns, descending);
    m_view->setRootIsDecorated(!columns.isEmpty());
    m_view->setTreeIndentRoom(columns.isEmpty() ? 0
                                                : m_view->indentation() * int(columns.size() + 1));
    m_groupPanel->setGroups(groups);
    m_view->expandAll();
}

void DataGrid::updateChooser()
{
    QList<std::pair<int, QString>> hidden;
    for (const Column& c : std::as_const(m_columns)) {
        const int column = columnOf(c.field);
        if (!c.visible && column >= 0)
            hidden.append({column, c.caption.isEmpty() ? c.field : c.caption});
    }
    m_chooser->setColumns(hidden);
}

void DataGrid::setEditing(bool on)
{
    m_view->setEditing(on);
}

bool DataGrid::isEditing() const
{
    return m_view->isEditing();
}

QList<int> DataGrid::selectedDatasetRows() const
{
    return m_view->selectedDatasetRows();
}

int DataGrid::currentDatasetRow() const
{
    return m_view->currentDatasetRow();
}

void DataGrid::clearSelection()
{
    m_view->clearSelection();
}

void DataGrid::setGroupPanelVisible(bool on)
{
    m_groupPanel->setVisible(on);
}

void DataGrid::setGroupSummary(const QString& pattern)
{
    m_grouping->setSubtotalPattern(pattern);
}

bool DataGrid::groupPanelVisible() const
{
    return !m_groupPanel->isHidden();
}

void DataGrid::setGroupFields(const QStringList& fields)
{
    m_groupFields.clear();
    for (const QString& f : fields) {
        if (!f.isEmpty() && !m_groupFields.contains(f, Qt::CaseInsensitive))
            m_groupFields << f;
    }
    applyGrouping();
}

void DataGrid::setFilterVisible(bool on)
{
    m_view->gridHeader()->setFilterVisible(on);
}

bool DataGrid::filterVisible() const
{
    return m_view->gridHeader()->filterVisible();
}

void DataGrid::setColumnFilter(const QString& field, const QString& text)
{
    if (field.isEmpty())
        return;
    if (text.isEmpty())
        m_filters.remove(field.toLower());
    else
        m_filters.insert(field.toLower(), text);
    const int column = columnOf(field);
    if (column < 0)
        return;
    m_view->gridHeader()->setFilterText(column, text);
    m_filter->setColumnFilter(column, text);
    m_view->followViewIfHidden();
}

QString DataGrid::formatFooter(const QString& pattern, double value)
{
    static const QRegularExpression number(QStringLiteral("[#0,]*[#0](\\.[#0]*)?"));
    const QRegularExpressionMatch m = number.match(pattern);
    if (!m.hasMatch())
        return pattern;
    const QString run = m.captured();
    const qsizetype dot = run.indexOf(u'.');
    const QString whole = dot < 0 ? run : run.left(dot);
    const QString fraction = dot < 0 ? QString() : run.mid(dot + 1);
    const qsizetype required = fraction.count(u'0');

    QString digits = QString::number(std::abs(value), 'f', int(fraction.size()));
    if (fraction.size() > 0) {
        qsizetype decimals = fraction.size();
        while (decimals > required && digits.endsWith(u'0')) {
            digits.chop(1);
            --decimals;
        }
        if (decimals == 0)
            digits.chop(1); // the dot
    }
    const qsizetype point = digits.indexOf(u'.');
    QString integer = point < 0 ? digits : digits.left(point);
    const QString rest = point < 0 ? QString() : digits.mid(point);
    if (whole.contains(u',')) {
        for (qsizetype i = integer.size() - 3; i > 0; i -= 3)
            integer.insert(i, u',');
    }
    QString text = integer + rest;
    bool zero = true;
    for (QChar c : std::as_const(text))
        zero = zero && (c == u'0' || c == u'.' || c == u',');
    if (value < 0 && !zero)
        text.prepend(u'-');
    return pattern.left(m.capturedStart()) + text + pattern.mid(m.capturedEnd());
}

QString DataGrid::computeFooter(int column) const
{
    const int i = configuredIndex(fieldOf(column));
    if (i < 0 || m_columns[i].footer.isEmpty())
        return QString();
    const QString& pattern = m_columns[i].footer;
    const int rows = m_filter->rowCount();
    if (!pattern.contains(QStringLiteral("平均")))
        return formatFooter(pattern, rows);
    double sum = 0;
    int count = 0;
    for (int r = 0; r < rows; ++r) {
        const QVariant v = m_filter->index(r, column).data(Qt::EditRole);
        bool ok = false;
        const double d = v.isNull() ? 0 : v.toDouble(&ok);
        if (ok) {
            sum += d;
            ++count;
        }
    }
    return formatFooter(pattern, count > 0 ? sum / count : 0);
}

QString DataGrid::footerText(const QString& field) const
{
    const int column = columnOf(field);
    if (column < 0)
        return QString();
    auto it = m_footerCache.constFind(column);
    if (it == m_footerCache.cend())
        it = m_footerCache.insert(column, computeFooter(column));
    return *it;
}

void DataGrid::showColumnChooser()
{
    if (m_chooser->isHidden()) {
        const QPoint corner = mapToGlobal(QPoint(width(), 0));
        m_chooser->move(corner.x() - m_chooser->width() - 24, corner.y() + 48);
    }
    m_chooser->show();
    m_chooser->raise();
}

QWidget* DataGrid::columnChooser() const
{
    return m_chooser;
}

void DataGrid::setColumnVisible(const QString& field, bool visible)
{
    const int i = configuredIndex(field);
    if (i < 0) // only configured columns are ever shown
        return;
    m_columns[i].visible = visible;
    const int column = columnOf(field);
    if (column >= 0) {
        QHeaderView* header = m_view->header();
        header->setSectionHidden(column, !visible);
        if (visible && header->sectionSize(column) <= 0)
            header->resizeSection(column, m_columns[i].width);
    }
    updateChooser();
    m_view->gridHeader()->adjustOverlays();
    m_footer->update();
}

void DataGrid::setRowColorHook(std::function<QColor(int)> hook)
{
    m_view->setRowColorHook(std::move(hook));
}

QList<DataGrid::Column> DataGrid::visibleColumns() const
{
    QList<Column> columns;
    for (int column : m_view->visibleColumns()) {
        const int i = configuredIndex(fieldOf(column));
        if (i < 0)
            continue;
        Column c = m_columns[i];
        c.width = m_view->header()->sectionSize(column) -
                  (column == m_view->treeColumn() ? m_view->treeIndentRoom() : 0);
        columns << c;
    }
    return columns;
}

QList<DataGrid::DisplayRow> DataGrid::displayRows() const
{
    QList<DisplayRow> rows;
    const std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int r = 0; r < m_grouping->rowCount(parent); ++r) {
            const QModelIndex index = m_grouping->index(r, 0, parent);
            const int level = index.data(GroupingProxyModel::LevelRole).toInt();
            if (m_grouping->isGroup(index)) {
                rows.append({true, level, index.data().toString(), -1});
                if (m_view->isExpanded(index))
                    walk(index);
            } else {
                rows.append({false, level, QString(), m_view->datasetRowOf(index)});
            }
        }
    };
    walk(QModelIndex());
    return rows;
}

QString DataGrid::cellText(int datasetRow, const QString& field) const
{
    const int column = columnOf(field);
    if (column < 0 || datasetRow < 0 || datasetRow >= m_settings->rowCount())
        return QString();
    return m_settings->index(datasetRow, column).data(Qt::DisplayRole).toString();
}

QTreeView* DataGrid::view() const
{
    return m_view;
}

QWidget* DataGrid::groupPanel() const
{
    return m_groupPanel;
}

void DataGrid::sortBy(int column)
{
    const QString field = fieldOf(column);
    QString error;
    if (!m_view->sortByColumn(column, field, &error)) {
        Q_EMIT editFailed(error);
        return;
    }
    if (!field.isEmpty() && m_groupFields.contains(field, Qt::CaseInsensitive))
        applyGrouping(); // the groups follow their column's direction
}

void DataGrid::onColumnDropped(const QString& origin, int column, int visualIndex)
{
    QHeaderView* header = m_view->header();
    if (origin == u"group") {
        QStringList fields = m_groupFields;
        fields.removeAll(fieldOf(column));
        setGroupFields(fields);
        return;
    }
    if (origin == u"chooser")
        setColumnVisible(fieldOf(column), true);
    const int from = header->visualIndex(column);
    const int to = visualIndex > from ? visualIndex - 1 : visualIndex;
    if (from >= 0 && to != from)
        header->moveSection(from, std::clamp(to, 0, header->count() - 1));
}

void DataGrid::onHeaderMenu(const QPoint& pos)
{
    QHeaderView* header = m_view->header();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const int column = header->logicalIndexAt(pos);
    const QString field = fieldOf(column);
    if (configuredIndex(field) >= 0)
        menu->addAction(QStringLiteral("隐藏此列"), this,
                        [this, field] { setColumnVisible(field, false); });
    menu->addAction(QStringLiteral("不可显示字段..."), this, &DataGrid::showColumnChooser);
    QAction* panel = menu->addAction(QStringLiteral("分组面板"));
    panel->setCheckable(true);
    panel->setChecked(groupPanelVisible());
    connect(panel, &QAction::toggled, this, &DataGrid::setGroupPanelVisible);
    QAction* filter = menu->addAction(QStringLiteral("过滤行"));
    filter->setCheckable(true);
    filter->setChecked(filterVisible());
    connect(filter, &QAction::toggled, this, &DataGrid::setFilterVisible);
    menu->popup(header->viewport()->mapToGlobal(pos));
}
