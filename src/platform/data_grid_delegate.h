#pragma once

#include "platform/grid_column.h"

#include <QHash>
#include <QStyledItemDelegate>

#include <functional>

// The cell editors of the grids, chosen by the column's editor kind: text, number (C locale),
// date, list-only and pick-list drop-downs, lookup drop-down tables, memo and button cells.
// Values go to the model with setData; a refused value is reported with editFailed. Up and
// Down in an open editor commit it and ask the view to move to the neighbouring row.
class GridDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit GridDelegate(QObject* parent = nullptr);

    // The columns by model column.
    void setColumns(const QHash<int, GridColumn>& columns) { m_columns = columns; }
    // Background of a cell's row (invalid: the view's).
    void setRowColor(std::function<QColor(const QModelIndex&)> rowColor)
    {
        m_rowColor = std::move(rowColor);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    // Cells with grid lines, so columns stay apart (a right-aligned number next to text).
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

Q_SIGNALS:
    void buttonClicked(const QModelIndex& index);
    void rowMoveRequested(int delta);
    void editFailed(const QModelIndex& index);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    GridColumn columnOf(const QModelIndex& index) const { return m_columns.value(index.column()); }
    void write(QAbstractItemModel* model, const QModelIndex& index, const QVariant& value) const;

    QHash<int, GridColumn> m_columns;
    std::function<QColor(const QModelIndex&)> m_rowColor;
};
