#pragma once

#include "platform/grid_column.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QTreeView>

#include <functional>

class Dataset;
class DatasetModel;
class GridDelegate;
class GridHeader;

// The tree view under DataGrid and TreeGrid. Its model is a stack of proxies over a
// DatasetModel; the view maps its rows to dataset rows and keeps its current row and the
// dataset's current row together. Keys and clicks work as in the old grid: Enter opens the
// editor, Tab walks the cells and on into the next row, Up/Down leave an open editor, a click
// on the current row edits at once; a new row left untouched is dropped. Rows whose
// GroupingProxyModel::IsGroupRole is true are drawn across the whole width.
class GridView : public QTreeView
{
    Q_OBJECT

public:
    GridView(const QObject* grid, QWidget* parent = nullptr);
    ~GridView() override;

    void watchDataset(Dataset* dataset);
    // The view's model, set once; its proxies lead down to the dataset model.
    void setTopModel(QAbstractItemModel* top);
    void setDatasetModel(DatasetModel* base);
    // Shows `dataset` (nullptr for none) through a new model parented to `owner`; `attach`
    // hands it to the proxies between it and the view first. The old model is freed once
    // nothing uses it; the sort mark goes.
    void showDataset(Dataset* dataset, QObject* owner,
                     const std::function<void(DatasetModel*)>& attach);
    Dataset* dataset() const;
    DatasetModel* datasetModel() const { return m_base; }
    GridDelegate* gridDelegate() const { return m_delegate; }
    GridHeader* gridHeader() const { return m_header; }

    int datasetRowOf(const QModelIndex& index) const; // -1 for group rows
    QModelIndex indexOfDatasetRow(int row, int column = -1) const;
    bool isGroupRow(const QModelIndex& index) const;
    QList<int> visibleColumns() const; // logical, in display order
    // Shows the configured columns in their order, widths and visibility and hides every
    // other field; columnOf gives a field's model column (-1 when absent).
    void applyColumns(const QList<GridColumn>& columns,
                      const std::function<int(const QString&)>& columnOf);

    int currentDatasetRow() const;
    QList<int> selectedDatasetRows() const; // in display order, group rows left out

    void setEditing(bool on);
    bool isEditing() const { return m_editing; }
    void setRowColorHook(std::function<QColor(int datasetRow)> hook);
    // Widens the column the tree is drawn in by the room its indentation takes, so grouped
    // rows keep their text's width; widths reported elsewhere leave the room out.
    void setTreeIndentRoom(int pixels);
    int treeIndentRoom() const { return m_indentRoom; }
    int treeColumn() const { return m_roomColumn; }

    // Cancels the dataset's new row when nothing was entered in it; true when it did.
    bool dropEmptyNewRow();
    // A header click: sorts the dataset by the column's field, the other way round when it is
    // sorted by that field already, and shows the mark. False, with the dataset's reason, when
    // the dataset refused.
    bool sortByColumn(int column, const QString& field, QString* error);
    QString sortField() const { return m_sortField; }
    bool sortDescending() const { return m_sortDescending; }
    void clearSort();
    // Closes an open cell editor without writing it (the grid is going away).
    void discardEditor();

    // Moves the dataset to the view's current row when its own current row is not shown
    // (after a filter hid it).
    void followViewIfHidden();

Q_SIGNALS:
    void currentDatasetRowChanged(int datasetRow);
    void editFailed(const QString& message);

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void followDataset(int row);
    void showDatasetCurrent();
    void moveRow(int delta);
    void announceCurrent();
    void updateTreeColumn();
    QModelIndex dataRowAfter(const QModelIndex& index, bool forward) const;
    QColor rowColor(const QModelIndex& index) const;
    void onSectionResized(int logical, int oldSize, int newSize);

    QPointer<Dataset> m_dataset;
    DatasetModel* m_base = nullptr;
    QList<QMetaObject::Connection> m_datasetConnections;
    GridDelegate* m_delegate;
    GridHeader* m_header;
    bool m_editing = false;
    QString m_sortField;
    bool m_sortDescending = false;
    int m_indentRoom = 0;
    int m_roomColumn = -1; // the column holding the room
    bool m_movingRoom = false;
    bool m_syncing = false;
    int m_modelChanging = 0;
    int m_announced = -1;
    std::function<QColor(int)> m_rowColorHook;
    mutable QHash<int, QColor> m_rowColors; // by dataset row, dropped on every model change
};
