#pragma once

#include "platform/data_grid.h"

#include <QPointer>
#include <QWidget>

class ColumnSettingsProxyModel;
class Dataset;
class DatasetModel;
class GridView;
class IdTreeProxyModel;
class QTreeView;

// A DataGrid's look over rows linked by ID and PID: each row under the row whose ID is its
// PID (see IdTreeProxyModel for roots). Editing, keys, bands and header sorting as in
// DataGrid; no grouping, filter row or footers.
class TreeGrid : public QWidget
{
    Q_OBJECT

public:
    explicit TreeGrid(QWidget* parent = nullptr);
    ~TreeGrid() override;

    void setDataset(Dataset* dataset);
    Dataset* dataset() const;
    void setColumns(const QList<DataGrid::Column>& columns);
    const QList<DataGrid::Column>& columns() const { return m_columns; }
    // The link fields, "ID" and "PID" unless set.
    void setLinkFields(const QString& idField, const QString& pidField);

    void setEditing(bool on);
    bool isEditing() const;
    int currentDatasetRow() const;
    QList<int> selectedDatasetRows() const;
    QTreeView* view() const;

Q_SIGNALS:
    void currentRowChanged(int datasetRow);
    void cellButtonClicked(int datasetRow, const QString& field);
    void editFailed(const QString& message);

private:
    void applyColumns();
    void sortBy(int column);

    QPointer<Dataset> m_dataset;
    QMetaObject::Connection m_datasetGone;
    ColumnSettingsProxyModel* m_settings;
    IdTreeProxyModel* m_tree;
    GridView* m_view;
    QList<DataGrid::Column> m_columns;
    QString m_idField = QStringLiteral("ID");
    QString m_pidField = QStringLiteral("PID");
    QStringList m_appliedFields;
};
