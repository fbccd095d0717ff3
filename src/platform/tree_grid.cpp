#include "tree_grid.h"

#include "data/dataset.h"
#include "data/dataset_model.h"
#include "platform/column_settings_proxy_model.h"
#include "platform/data_grid_delegate.h"
#include "platform/grid_header.h"
#include "platform/grid_view.h"
#include "platform/id_tree_proxy_model.h"

#include <QVBoxLayout>

TreeGrid::TreeGrid(QWidget* parent)
    : QWidget(parent), m_settings(new ColumnSettingsProxyModel(this)),
      m_tree(new IdTreeProxyModel(this)), m_view(new GridView(this, this))
{
    m_tree->setSourceModel(m_settings);
    m_view->setTopModel(m_tree);
    m_view->setRootIsDecorated(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    connect(m_view->header(), &QHeaderView::sectionClicked, this, &TreeGrid::sortBy);
    connect(m_view, &GridView::currentDatasetRowChanged, this, &TreeGrid::currentRowChanged);
    connect(m_view, &GridView::editFailed, this, &TreeGrid::editFailed);
    connect(m_view->gridDelegate(), &GridDelegate::buttonClicked, this,
            [this](const QModelIndex& index) {
                const int row = m_view->datasetRowOf(index);
                Q_EMIT cellButtonClicked(row, m_dataset ? m_dataset->field(index.column()).name
                                                        : QString());
            });
    connect(m_tree, &QAbstractItemModel::modelReset, this, [this] {
        const QStringList fields = m_dataset ? m_dataset->fieldNames() : QStringList();
        if (fields != m_appliedFields)
            applyColumns();
        m_view->expandAll();
    });
}

TreeGrid::~TreeGrid()
{
    m_view->discardEditor(); // while the handlers of its signals can still run
}

void TreeGrid::setDataset(Dataset* dataset)
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

Dataset* TreeGrid::dataset() const
{
    return m_dataset;
}

void TreeGrid::setColumns(const QList<DataGrid::Column>& columns)
{
    m_columns = columns;
    applyColumns();
}

void TreeGrid::setLinkFields(const QString& idField, const QString& pidField)
{
    m_idField = idField;
    m_pidField = pidField;
    applyColumns();
}

void TreeGrid::applyColumns()
{
    m_appliedFields = m_dataset ? m_dataset->fieldNames() : QStringList();
    m_settings->setColumns(m_columns);
    m_tree->setLinkColumns(m_settings->columnOf(m_idField), m_settings->columnOf(m_pidField));
    m_view->applyColumns(m_columns,
                         [this](const QString& field) { return m_settings->columnOf(field); });
    m_view->expandAll();
}

void TreeGrid::setEditing(bool on)
{
    m_view->setEditing(on);
}

bool TreeGrid::isEditing() const
{
    return m_view->isEditing();
}

int TreeGrid::currentDatasetRow() const
{
    return m_view->currentDatasetRow();
}

QList<int> TreeGrid::selectedDatasetRows() const
{
    return m_view->selectedDatasetRows();
}

QTreeView* TreeGrid::view() const
{
    return m_view;
}

void TreeGrid::sortBy(int column)
{
    if (!m_dataset || column < 0 || column >= m_dataset->fieldCount())
        return;
    QString error;
    if (!m_view->sortByColumn(column, m_dataset->field(column).name, &error))
        Q_EMIT editFailed(error);
}
