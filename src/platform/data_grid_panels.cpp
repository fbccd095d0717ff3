#include "data_grid_panels.h"

#include "platform/grid_header.h"
#include "platform/grid_view.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QVBoxLayout>

namespace {
constexpr int kMargin = 6;
constexpr int kGap = 12;
} // namespace

GroupPanel::GroupPanel(const QObject* grid, QWidget* parent) : QWidget(parent), m_grid(grid)
{
    setAcceptDrops(true);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Dark);
    setForegroundRole(QPalette::BrightText);
}

QString GroupPanel::emptyText()
{
    return QStringLiteral("请拖动一列到这里进行分组...");
}

void GroupPanel::setGroups(const QList<Group>& groups)
{
    m_groups = groups;
    updateGeometry();
    update();
}

QList<QRect> GroupPanel::boxes() const
{
    // Each level a little lower than the one before, as a staircase.
    QList<QRect> rects;
    const QFontMetrics fm = fontMetrics();
    const int h = fm.height() + 8;
    int x = kMargin;
    for (qsizetype i = 0; i < m_groups.size(); ++i) {
        const int w = fm.horizontalAdvance(m_groups[i].caption) + 16 + fm.height();
        rects << QRect(x, kMargin + int(i) * h / 2, w, h);
        x += w + kGap;
    }
    return rects;
}

QRect GroupPanel::closeMark(const QRect& box) const
{
    const int size = fontMetrics().height() - 2;
    return QRect(box.right() - size - 4, box.center().y() - size / 2, size, size);
}

QSize GroupPanel::sizeHint() const
{
    const int h = fontMetrics().height() + 8;
    const int levels = std::max<int>(1, int(m_groups.size()));
    return QSize(200, 2 * kMargin + h + (levels - 1) * h / 2);
}

int GroupPanel::positionAt(int x) const
{
    const QList<QRect> rects = boxes();
    int position = 0;
    for (const QRect& r : rects)
        position += x > r.center().x() ? 1 : 0;
    return position;
}

void GroupPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_groups.isEmpty()) {
        painter.setPen(palette().color(QPalette::BrightText));
        painter.drawText(rect().adjusted(kMargin, 0, -kMargin, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         emptyText());
        return;
    }
    const QList<QRect> rects = boxes();
    for (qsizetype i = 0; i < rects.size(); ++i) {
        const QRect& box = rects[i];
        if (i > 0) { // a line from the level above
            const QRect& prev = rects[i - 1];
            painter.setPen(palette().color(QPalette::BrightText));
            painter.drawLine(prev.right(), prev.center().y(), box.left(), prev.center().y());
        }
        QStyleOptionHeader option;
        option.initFrom(this);
        option.rect = box;
        option.text = m_groups[i].caption;
        option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        option.palette = QApplication::palette();
        option.position = QStyleOptionHeader::OnlyOneSection;
        QStyleOptionHeader label = option;
        label.rect = box.adjusted(6, 0, -fontMetrics().height(), 0);
        style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, this);
        style()->drawControl(QStyle::CE_HeaderLabel, &label, &painter, this);
        const QRect mark = closeMark(box);
        painter.setPen(QApplication::palette().color(QPalette::ButtonText));
        painter.drawLine(mark.topLeft() + QPoint(2, 2), mark.bottomRight() - QPoint(2, 2));
        painter.drawLine(mark.topRight() + QPoint(-2, 2), mark.bottomLeft() + QPoint(2, -2));
    }
}

void GroupPanel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = -1;
    const QList<QRect> rects = boxes();
    for (qsizetype i = 0; i < rects.size(); ++i) {
        if (!rects[i].contains(event->position().toPoint()))
            continue;
        if (closeMark(rects[i]).contains(event->position().toPoint())) {
            Q_EMIT groupRemoved(m_groups[i].column);
            return;
        }
        m_pressed = int(i);
        m_pressPos = event->position().toPoint();
    }
}

void GroupPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressed < 0 || !(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - m_pressPos).manhattanLength() <
            QApplication::startDragDistance())
        return;
    const int column = m_groups[m_pressed].column;
    const QRect box = boxes().value(m_pressed);
    m_pressed = -1;
    auto* drag = new QDrag(this);
    drag->setMimeData(GridHeader::mimeFor(m_grid, QStringLiteral("group"), column));
    drag->setPixmap(grab(box));
    drag->setHotSpot(m_pressPos - box.topLeft());
    drag->exec(Qt::MoveAction);
}

void GroupPanel::dragEnterEvent(QDragEnterEvent* event)
{
    const auto drag = GridHeader::dragOf(m_grid, event->mimeData());
    if (drag && (drag->origin == u"header" || drag->origin == u"group"))
        event->acceptProposedAction();
    else
        event->ignore();
}

void GroupPanel::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void GroupPanel::dropEvent(QDropEvent* event)
{
    const auto drag = GridHeader::dragOf(m_grid, event->mimeData());
    if (!drag) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Q_EMIT groupDropped(drag->column, positionAt(event->position().toPoint().x()));
}

FooterBar::FooterBar(GridView* view, std::function<QString(int)> text, QWidget* parent)
    : QWidget(parent), m_view(view), m_text(std::move(text))
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
}

QSize FooterBar::sizeHint() const
{
    return QSize(100, fontMetrics().height() + 10);
}

void FooterBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QWidget* viewport = m_view->viewport();
    const int origin =
        viewport->mapTo(window(), QPoint(0, 0)).x() - mapTo(window(), QPoint(0, 0)).x();
    painter.setClipRect(QRect(origin, 0, viewport->width(), height()));
    const QHeaderView* header = m_view->header();
    const QList<int> columns = m_view->visibleColumns();
    QStringList texts;
    for (int column : columns)
        texts << m_text(column);
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (texts[i].isEmpty())
            continue;
        // A text longer than its column may run on over the next columns without a footer.
        const int left = origin + header->sectionViewportPosition(columns[i]);
        int room = header->sectionSize(columns[i]);
        qsizetype j = i + 1;
        for (; j < columns.size() && texts[j].isEmpty(); ++j)
            room += header->sectionSize(columns[j]);
        if (j == columns.size()) // and on into the blank beyond the last column
            room = std::max(room, origin + viewport->width() - left);
        const int wanted = fontMetrics().horizontalAdvance(texts[i]) + 8;
        const QRect cell(left, 2,
                         std::max(header->sectionSize(columns[i]), std::min(wanted, room)) - 1,
                         height() - 5);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(cell);
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(cell.adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(texts[i], Qt::ElideRight, cell.width() - 6));
    }
}

namespace {
class ChooserList : public QListWidget
{
public:
    ChooserList(const QObject* grid, ColumnChooser* chooser)
        : QListWidget(chooser), m_grid(grid), m_chooser(chooser)
    {
        setDragEnabled(true);
        setAcceptDrops(true);
        viewport()->setAcceptDrops(true);
        setDragDropMode(QAbstractItemView::DragDrop);
        setSelectionMode(QAbstractItemView::SingleSelection);
    }

protected:
    void startDrag(Qt::DropActions) override
    {
        const QListWidgetItem* item = currentItem();
        if (!item)
            return;
        auto* drag = new QDrag(this);
        drag->setMimeData(GridHeader::mimeFor(m_grid, QStringLiteral("chooser"),
                                              item->data(Qt::UserRole).toInt()));
        drag->exec(Qt::MoveAction);
    }
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        const auto drag = GridHeader::dragOf(m_grid, event->mimeData());
        if (drag && drag->origin == u"header")
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        const auto drag = GridHeader::dragOf(m_grid, event->mimeData());
        if (drag && drag->origin == u"header")
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dropEvent(QDropEvent* event) override
    {
        const auto drag = GridHeader::dragOf(m_grid, event->mimeData());
        if (!drag || drag->origin != u"header") {
            event->ignore();
            return;
        }
        event->acceptProposedAction();
        Q_EMIT m_chooser->columnHidden(drag->column);
    }

private:
    const QObject* m_grid;
    ColumnChooser* m_chooser;
};
} // namespace

QString ColumnChooser::title()
{
    return QStringLiteral("不可显示字段");
}

ColumnChooser::ColumnChooser(const QObject* grid, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_list(new ChooserList(grid, this))
{
    setWindowTitle(title());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    // The title bar may be missing or small: say what the box is for inside it too.
    auto* hint = new QLabel(
        title() + QStringLiteral("\n把列标题拖到这里可隐藏该列,\n双击下面的字段可重新显示"), this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addWidget(m_list);
    resize(180, 240);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        Q_EMIT columnShown(item->data(Qt::UserRole).toInt());
    });
}

void ColumnChooser::setColumns(const QList<std::pair<int, QString>>& hidden)
{
    m_list->clear();
    for (const auto& [column, caption] : hidden) {
        auto* item = new QListWidgetItem(caption, m_list);
        item->setData(Qt::UserRole, column);
    }
}
