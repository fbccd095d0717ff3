#include "grid_report.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

namespace {
// WenQuanYi Zen Hei prints every Chinese character and extracts back to the same text.
QFont reportFont(double points, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("SimSun")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

struct Layout
{
    QRectF page;          // the printable area in device pixels
    QList<double> widths; // column widths in device pixels
    double rowHeight = 0;
    double titleHeight = 0;
    double footHeight = 0; // page number line
};
} // namespace

int GridReport::paint(QPagedPaintDevice& device) const
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                          QPageLayout::Millimeter);
    QPainter painter(&device);
    if (!painter.isActive())
        return 0;

    const QFont titleFont = reportFont(14, true);
    const QFont bodyFont = reportFont(8.5, false);
    const QFont headFont = reportFont(8.5, true);
    Layout l;
    l.page = QRectF(QPointF(0, 0), QSizeF(device.width(), device.height()));
    const double dpi = device.logicalDpiX();
    // Screen pixels (96 per inch) to device pixels, then down to the page width if needed.
    double total = 0;
    for (const Column& c : columns)
        total += c.width * dpi / 96.0;
    const double scale = total > l.page.width() ? l.page.width() / total : 1.0;
    for (const Column& c : columns)
        l.widths.append(c.width * dpi / 96.0 * scale);
    l.rowHeight = QFontMetricsF(bodyFont, &device).height() * 1.5;
    l.titleHeight =
        QFontMetricsF(titleFont, &device).height() * 1.4 * titleLines.size() + l.rowHeight * 0.5;
    l.footHeight = l.rowHeight * 1.5;

    const auto drawCells = [&](double y, const QStringList& cells, const QFont& font, bool shade) {
        painter.setFont(font);
        double x = 0;
        for (int c = 0; c < l.widths.size(); ++c) {
            const QRectF cell(x, y, l.widths[c], l.rowHeight);
            if (shade)
                painter.fillRect(cell, QColor(235, 240, 240));
            painter.drawRect(cell);
            const Qt::Alignment align =
                Qt::AlignVCenter | (columns[c].alignRight ? Qt::AlignRight : Qt::AlignLeft);
            painter.drawText(cell.adjusted(l.rowHeight * 0.15, 0, -l.rowHeight * 0.15, 0), align,
                             c < cells.size() ? cells[c] : QString());
            x += l.widths[c];
        }
    };
    QStringList captions;
    for (const Column& c : columns)
        captions.append(c.caption);
    const double tableWidth = [&] {
        double w = 0;
        for (double x : l.widths)
            w += x;
        return w;
    }();

    // How many rows a page holds: the first page carries the title.
    const double body = l.page.height() - l.footHeight;
    QList<int> pageStarts{0};
    {
        double y = l.titleHeight + l.rowHeight; // title, column header
        for (int r = 0; r < rows.size(); ++r) {
            if (y + l.rowHeight > body) {
                pageStarts.append(r);
                y = l.rowHeight;
            }
            y += l.rowHeight;
        }
    }
    const int pages = int(pageStarts.size());
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            device.newPage();
        double y = 0;
        if (p == 0) {
            painter.setFont(titleFont);
            const double lineHeight = QFontMetricsF(titleFont, &device).height() * 1.4;
            for (const QString& line : titleLines) {
                painter.drawText(QRectF(0, y, l.page.width(), lineHeight), Qt::AlignCenter, line);
                y += lineHeight;
            }
            y += l.rowHeight * 0.5;
        }
        painter.setPen(QPen(Qt::black, dpi / 96.0 * 0.6));
        drawCells(y, captions, headFont, true);
        y += l.rowHeight;
        const int end = p + 1 < pages ? pageStarts[p + 1] : int(rows.size());
        for (int r = pageStarts[p]; r < end; ++r) {
            const Row& row = rows[r];
            if (row.isGroup) {
                const QRectF cell(0, y, tableWidth, l.rowHeight);
                painter.fillRect(cell, QColor(245, 245, 235));
                painter.drawRect(cell);
                painter.setFont(headFont);
                painter.drawText(cell.adjusted(l.rowHeight * (0.3 + row.level), 0, 0, 0),
                                 Qt::AlignVCenter | Qt::AlignLeft, row.groupText);
            } else {
                drawCells(y, row.cells, bodyFont, false);
            }
            y += l.rowHeight;
        }
        if (p + 1 == pages && !footers.isEmpty()) {
            drawCells(y, footers, headFont, true);
            y += l.rowHeight;
        }
        painter.setFont(bodyFont);
        painter.drawText(QRectF(0, l.page.height() - l.rowHeight, l.page.width(), l.rowHeight),
                         Qt::AlignCenter,
                         QStringLiteral("第 %1 页  共 %2 页").arg(p + 1).arg(pages));
    }
    return pages;
}

bool GridReport::writePdf(const QString& path) const
{
    QPdfWriter writer(path);
    writer.setResolution(300);
    writer.setCreator(QStringLiteral("Orvane"));
    writer.setTitle(titleLines.join(u' '));
    return paint(writer) > 0;
}
