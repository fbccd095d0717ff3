#include "grid_header.h"

#include <QApplication>
#include <QDrag>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

namespace {
const QString kMimeType = QStringLiteral("application/x-orvane-grid-column");

QByteArray gridTag(const QObject* grid)
{
    return QByteArray::number(quintptr(grid), 16);
}

// The band row: header-like cells spanning the sections of one band.
class BandBar : public QWidget
{
public:
    explicit BandBar(GridHeader* header) : QWidget(header), m_header(header) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const GridHeader& h = *m_header;
        int visual = 0;
        while (visual < h.count()) {
            const int logical = h.logicalIndex(visual);
            if (h.isSectionHidden(logical)) {
                ++visual;
                continue;
            }
            const QString band = h.bandOf(logical);
            int left = h.sectionViewportPosition(logical);
            int right = left + h.sectionSize(logical);
            int next = visual + 1;
            for (; next < h.count(); ++next) {
                const int l = h.logicalIndex(next);
                if (h.isSectionHidden(l))
                    continue;
                if (band.isEmpty() || h.bandOf(l) != band)
                    break;
                right = h.sectionViewportPosition(l) + h.sectionSize(l);
            }
            QStyleOptionHeader option;
            option.initFrom(m_header);
            option.rect = QRect(left, 0, right - left, height());
            option.text = band;
            option.textAlignment = Qt::AlignCenter;
            option.position = QStyleOptionHeader::Middle;
            style()->drawControl(QStyle::CE_Header, &option, &painter, m_header);
            visual = next;
        }
    }

private:
    GridHeader* m_header;
};
} // namespace

QMimeData* GridHeader::mimeFor(const QObject* grid, const QString& origin, int column)
{
    auto* mime = new QMimeData;
    mime->setData(kMimeType,
                  gridTag(grid) + ' ' + origin.toLatin1() + ' ' + QByteArray::number(column));
    return mime;
}

std::optional<GridHeader::ColumnDrag> GridHeader::dragOf(const QObject* grid, const QMimeData* mime)
{
    if (!mime || !mime->hasFormat(kMimeType))
        return std::nullopt;
    const QList<QByteArray> parts = mime->data(kMimeType).split(' ');
    bool ok = false;
    const int column = parts.size() == 3 ? parts[2].toInt(&ok) : -1;
    if (!ok || parts[0] != gridTag(grid))
        return std::nullopt;
    return ColumnDrag{QString::fromLatin1(parts[1]), column};
}

GridHeader::GridHeader(const QObject* grid, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), m_grid(grid), m_bandBar(new BandBar(this))
{
    m_bandBar->hide();
    setSectionsClickable(true);
    setSectionsMovable(false); // moved by dragging, like every other drop
    setSortIndicatorShown(false);
    setHighlightSections(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    connect(this, &QHeaderView::sectionResized, this, &GridHeader::adjustOverlays);
    connect(this, &QHeaderView::sectionMoved, this, &GridHeader::adjustOverlays);
    connect(this, &QHeaderView::sectionCountChanged, this, [this] {
        ensureFilterEdits();
        adjustOverlays();
    });
}

bool GridHeader::hasBands() const
{
    for (const QString& band : m_bands) {
        if (!band.isEmpty())
            return true;
    }
    return false;
}

void GridHeader::setBands(const QHash<int, QString>& bands)
{
    m_bands = bands;
    updateGeometries();
    Q_EMIT geometriesChanged();
}

int GridHeader::bandHeight() const
{
    return hasBands() ? QHeaderView::sizeHint().height() : 0;
}

int GridHeader::filterHeight() const
{
    if (!m_filterVisible)
        return 0;
    if (m_filterEditHeight == 0) {
        const QLineEdit probe;
        m_filterEditHeight = probe.sizeHint().height();
    }
    return m_filterEditHeight;
}

QSize GridHeader::sizeHint() const
{
    QSize size = QHeaderView::sizeHint();
    size.rheight() += bandHeight() + filterHeight();
    return size;
}

void GridHeader::updateGeometries()
{
    setViewportMargins(0, bandHeight(), 0, filterHeight());
    QHeaderView::updateGeometries();
    adjustOverlays();
}

void GridHeader::setFilterVisible(bool on)
{
    if (m_filterVisible == on)
        return;
    m_filterVisible = on;
    ensureFilterEdits();
    updateGeometries();
    Q_EMIT geometriesChanged();
}

void GridHeader::ensureFilterEdits()
{
    while (m_filters.size() > count())
        delete m_filters.takeLast().data();
    while (m_filterVisible && m_filters.size() < count()) {
        const int logical = int(m_filters.size());
        auto* edit = new QLineEdit(this);
        edit->setText(m_filterTexts.value(logical));
        edit->setClearButtonEnabled(true);
        connect(edit, &QLineEdit::textChanged, this, [this, logical](const QString& text) {
            m_filterTexts.insert(logical, text);
            Q_EMIT filterChanged(logical, text);
        });
        m_filters.append(edit);
    }
}

void GridHeader::setFilterText(int logical, const QString& text)
{
    m_filterTexts.insert(logical, text);
    if (QLineEdit* edit = filterEdit(logical)) {
        const QSignalBlocker block(edit);
        edit->setText(text);
    }
}

QString GridHeader::filterText(int logical) const
{
    return m_filterTexts.value(logical);
}

QLineEdit* GridHeader::filterEdit(int logical) const
{
    return logical >= 0 && logical < m_filters.size() ? m_filters[logical].data() : nullptr;
}

void GridHeader::adjustOverlays()
{
    const int band = bandHeight();
    m_bandBar->setVisible(band > 0);
    if (band > 0) {
        m_bandBar->setGeometry(0, 0, viewport()->width(), band);
        m_bandBar->update();
    }
    const int filter = filterHeight();
    for (int logical = 0; logical < m_filters.size(); ++logical) {
        QLineEdit* edit = m_filters[logical];
        if (!edit)
            continue;
        const bool shown = m_filterVisible && !isSectionHidden(logical);
        edit->setVisible(shown);
        if (shown)
            edit->setGeometry(sectionViewportPosition(logical), height() - filter,
                              sectionSize(logical), filter);
    }
}

void GridHeader::mousePressEvent(QMouseEvent* event)
{
    m_pressSection = -1;
    if (event->button() == Qt::LeftButton) {
        const int x = event->position().toPoint().x();
        const int logical = logicalIndexAt(x);
        const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
        const int left = sectionViewportPosition(logical);
        // Presses on a section's edge resize it; elsewhere they may start a drag.
        if (logical >= 0 && x - left > grip && left + sectionSize(logical) - x > grip) {
            m_pressSection = logical;
            m_pressPos = event->position().toPoint();
        }
    }
    QHeaderView::mousePressEvent(event);
}

void GridHeader::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressSection >= 0 && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - m_pressPos).manhattanLength() >=
            QApplication::startDragDistance()) {
        const int section = m_pressSection;
        m_pressSection = -1;
        startDrag(section);
        return;
    }
    QHeaderView::mouseMoveEvent(event);
}

void GridHeader::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressSection = -1;
    QHeaderView::mouseReleaseEvent(event);
}

void GridHeader::startDrag(int logical)
{
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeFor(m_grid, QStringLiteral("header"), logical));
    const QRect rect(sectionViewportPosition(logical), 0, sectionSize(logical),
                     viewport()->height());
    drag->setPixmap(viewport()->grab(rect));
    drag->setHotSpot(m_pressPos - rect.topLeft());
    drag->exec(Qt::MoveAction);
    // The drag ate the release: end the header's press outside every section (no click).
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-1, -1), QPointF(-1, -1),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QHeaderView::mouseReleaseEvent(&release);
}

int GridHeader::dropVisualIndex(int x) const
{
    const int logical = logicalIndexAt(x);
    if (logical < 0)
        return x < 0 ? 0 : count();
    const int visual = visualIndex(logical);
    return x > sectionViewportPosition(logical) + sectionSize(logical) / 2 ? visual + 1 : visual;
}

void GridHeader::dragEnterEvent(QDragEnterEvent* event)
{
    if (dragOf(m_grid, event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void GridHeader::dragMoveEvent(QDragMoveEvent* event)
{
    if (!dragOf(m_grid, event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_dropIndex = dropVisualIndex(event->position().toPoint().x());
    viewport()->update();
}

void GridHeader::dragLeaveEvent(QDragLeaveEvent*)
{
    m_dropIndex = -1;
    viewport()->update();
}

void GridHeader::dropEvent(QDropEvent* event)
{
    m_dropIndex = -1;
    viewport()->update();
    const std::optional<ColumnDrag> drag = dragOf(m_grid, event->mimeData());
    if (!drag) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Q_EMIT columnDropped(drag->origin, drag->column,
                         dropVisualIndex(event->position().toPoint().x()));
}

void GridHeader::paintEvent(QPaintEvent* event)
{
    QHeaderView::paintEvent(event);
    if (m_dropIndex < 0)
        return;
    // Where the dragged column would go.
    int x = 0;
    for (int v = 0; v < count(); ++v) {
        const int logical = logicalIndex(v);
        if (isSectionHidden(logical))
            continue;
        if (v >= m_dropIndex) {
            x = sectionViewportPosition(logical);
            break;
        }
        x = sectionViewportPosition(logical) + sectionSize(logical);
    }
    QPainter painter(viewport());
    painter.fillRect(QRect(x - 1, 0, 3, viewport()->height()),
                     palette().color(QPalette::Highlight));
}
