#pragma once

#include "platform/grid_column.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

class ColumnChooser;
class ColumnFilterProxyModel;
class ColumnSettingsProxyModel;
class Dataset;
class DatasetModel;
class FooterBar;
class GridView;
class GroupPanel;
class GroupingProxyModel;
class QTreeView;

// The grid the windows show a Dataset in: the configured columns with captions, bands,
// editors and footers; sorting by header click; grouping through a group panel; a filter
// row; a column chooser. Built as DatasetModel -> ColumnSettingsProxyModel (captions,
// lookups, read-only) -> ColumnFilterProxyModel -> GroupingProxyModel -> GridView.
//
// A header click sorts the Dataset itself (Dataset::setSort), so "dataset rows" and the
// dataset's own order stay the order shown; groups come in value order, ascending unless the
// group's column is sorted descending.
class DataGrid : public QWidget
{
    Q_OBJECT

public:
    using Editor = GridEditor;
    using Lookup = GridLookup;
    using Column = GridColumn;

    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    void setDataset(Dataset* dataset);
    void setColumns(const QList<Column>& columns);
    const QList<Column>& columns() const { return m_columns; }
    Dataset* dataset() const;

    // Browsing: read-only on the information colour; editing: editable on white.
    void setEditing(bool on);
    bool isEditing() const;

    // Dataset rows are indexes into the Dataset's current order.
    QList<int> selectedDatasetRows() const; // in display order, group rows left out
    int currentDatasetRow() const;          // -1 on a group row
    void clearSelection();

    void setGroupPanelVisible(bool on);
    bool groupPanelVisible() const;
    void setGroupFields(const QStringList& fields);
    QStringList groupFields() const { return m_groupFields; }
    // The subtotal of a group row, "小计0个" unless set; the 0 stands for the count.
    void setGroupSummary(const QString& pattern);

    void setFilterVisible(bool on);
    bool filterVisible() const;
    void setColumnFilter(const QString& field, const QString& text);

    // The column's footer over the rows that pass the filter.
    QString footerText(const QString& field) const;
    // A footer pattern with its number: the first run of 0, #, "," and "." stands for it;
    // a "," in the run groups thousands, the 0s after "." give the decimals.
    static QString formatFooter(const QString& pattern, double value);

    void showColumnChooser();
    QWidget* columnChooser() const;
    void setColumnVisible(const QString& field, bool visible);

    void setRowColorHook(std::function<QColor(int datasetRow)> hook);

    struct DisplayRow
    {
        bool isGroup;
        int level;
        QString groupText;
        int datasetRow;
    };
    QList<Column> visibleColumns() const;  // display order, shown widths
    QList<DisplayRow> displayRows() const; // children of collapsed groups left out
    QString cellText(int datasetRow, const QString& field) const;
    QTreeView* view() const;
    QWidget* groupPanel() const;

Q_SIGNALS:
    void currentRowChanged(int datasetRow);
    void cellButtonClicked(int datasetRow, const QString& field);
    // An edit or a row change the Dataset refused (e.g. text too long), in its words.
    void editFailed(const QString& message);

private:
    int columnOf(const QString& field) const;
    QString fieldOf(int column) const;
    int configuredIndex(const QString& field) const;
    void applyColumns();
    void applyGrouping();
    void updateChooser();
    void sortBy(int column);
    void onColumnDropped(const QString& origin, int column, int visualIndex);
    void onHeaderMenu(const QPoint& pos);
    QString computeFooter(int column) const;

    QPointer<Dataset> m_dataset;
    QMetaObject::Connection m_datasetGone;
    ColumnSettingsProxyModel* m_settings;
    ColumnFilterProxyModel* m_filter;
    GroupingProxyModel* m_grouping;
    GridView* m_view;
    GroupPanel* m_groupPanel;
    FooterBar* m_footer;
    ColumnChooser* m_chooser;

    QList<Column> m_columns;
    QStringList m_groupFields;
    QHash<QString, QString> m_filters; // by lower-case field
    QStringList m_appliedFields;       // the model's fields when the columns were last applied
    mutable QHash<int, QString> m_footerCache;
};
