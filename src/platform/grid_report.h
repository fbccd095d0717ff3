#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;
class QPainter;

// A printed grid: title lines, the visible columns, the rows as displayed (group rows
// included) and the footer line, laid out on A4 pages with 12.7 mm margins.
class GridReport
{
public:
    struct Column
    {
        QString caption;
        int width = 80; // on screen, in pixels; scaled down together when the page is narrower
        bool alignRight = false;
    };
    struct Row
    {
        bool isGroup = false;
        int level = 0;
        QString groupText;
        QStringList cells;
    };

    QStringList titleLines;
    QList<Column> columns;
    QList<Row> rows;
    QStringList footers; // one per column; empty when no column has a footer

    // Paints every page onto the device (a printer or a PDF writer); the number of pages.
    int paint(QPagedPaintDevice& device) const;
    // Writes the report as a PDF file; false when the file cannot be written.
    bool writePdf(const QString& path) const;

    static constexpr double kMarginMm = 12.7;
};
