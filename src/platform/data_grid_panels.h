#pragma once

#include <QList>
#include <QListWidget>
#include <QWidget>

#include <functional>

class GridView;

// The strip above a DataGrid that groups its rows: header sections dropped on it become
// group levels, shown as boxes left to right with a close mark each; a box dragged back to
// the header (or closed) removes its level, dragged along the strip reorders.
class GroupPanel : public QWidget
{
    Q_OBJECT

public:
    struct Group
    {
        int column;
        QString caption;
    };

    GroupPanel(const QObject* grid, QWidget* parent = nullptr);
    void setGroups(const QList<Group>& groups);
    QList<Group> groups() const { return m_groups; }
    static QString emptyText();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void groupDropped(int column, int position);
    void groupRemoved(int column);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QList<QRect> boxes() const;
    QRect closeMark(const QRect& box) const;
    int positionAt(int x) const;

    const QObject* m_grid;
    QList<Group> m_groups;
    int m_pressed = -1;
    QPoint m_pressPos;
};

// The line under a DataGrid with each column's footer text, kept under its column.
class FooterBar : public QWidget
{
public:
    FooterBar(GridView* view, std::function<QString(int column)> text, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GridView* m_view;
    std::function<QString(int)> m_text;
};

// The small tool window captioned 不可显示字段 that lists a grid's hidden columns: header
// sections dropped on it are hidden, items dragged out to the header or double-clicked are
// shown again.
class ColumnChooser : public QWidget
{
    Q_OBJECT

public:
    ColumnChooser(const QObject* grid, QWidget* parent);
    void setColumns(const QList<std::pair<int, QString>>& hidden);
    QListWidget* list() const { return m_list; }
    static QString title();

Q_SIGNALS:
    void columnShown(int column);
    void columnHidden(int column);

private:
    QListWidget* m_list;
};
