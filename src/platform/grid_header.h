#pragma once

#include <QHash>
#include <QHeaderView>
#include <QList>
#include <QPointer>

#include <optional>

class QLineEdit;
class QMimeData;

// The grids' column header: an optional band row over the captions, an optional row of
// filter edits under them, and sections that are dragged (not moved in place) so they can
// be dropped on the header itself, the group panel or the column chooser. A click sorts;
// the owner decides what a drop means.
class GridHeader : public QHeaderView
{
    Q_OBJECT

public:
    // What is being dragged: a column from the header, the group panel or the chooser.
    struct ColumnDrag
    {
        QString origin; // "header", "group", "chooser"
        int column = -1;
    };
    // Drags carry their grid, so columns never travel between two grids.
    static QMimeData* mimeFor(const QObject* grid, const QString& origin, int column);
    static std::optional<ColumnDrag> dragOf(const QObject* grid, const QMimeData* mime);

    GridHeader(const QObject* grid, QWidget* parent = nullptr);

    // Band caption by logical section; the band row shows when any is non-empty.
    void setBands(const QHash<int, QString>& bands);
    QString bandOf(int logical) const { return m_bands.value(logical); }
    bool hasBands() const;

    void setFilterVisible(bool on);
    bool filterVisible() const { return m_filterVisible; }
    void setFilterText(int logical, const QString& text);
    QString filterText(int logical) const;
    QLineEdit* filterEdit(int logical) const;

    QSize sizeHint() const override;
    // Keeps the band row and the filter edits over their sections.
    void adjustOverlays();

Q_SIGNALS:
    void filterChanged(int logical, const QString& text);
    void columnDropped(const QString& origin, int column, int visualIndex);

protected:
    void updateGeometries() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int bandHeight() const;
    int filterHeight() const;
    int dropVisualIndex(int x) const;
    void ensureFilterEdits();
    void startDrag(int logical);

    const QObject* m_grid;
    QHash<int, QString> m_bands;
    QWidget* m_bandBar;
    QList<QPointer<QLineEdit>> m_filters; // by logical section
    QHash<int, QString> m_filterTexts;
    bool m_filterVisible = false;
    mutable int m_filterEditHeight = 0;
    QPoint m_pressPos;
    int m_pressSection = -1;
    int m_dropIndex = -1; // visual index a drop would go before, -1 none
};
