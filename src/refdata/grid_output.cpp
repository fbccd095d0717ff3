#include "grid_output.h"

#include "data/dataset.h"
#include "platform/data_grid.h"
#include "platform/grid_report.h"
#include "platform/interaction.h"
#include "platform/spreadsheet.h"
#include "shell/messages.h"

#include <QDir>
#include <QFileInfo>

namespace {
bool g_previewOpen = false;
} // namespace

bool PreviewOpen()
{
    return g_previewOpen;
}

bool PreviewGrid(DataGrid& grid, const QStringList& titleLines)
{
    if (g_previewOpen)
        return false;
    GridReport report;
    report.titleLines = titleLines;
    const QList<GridColumn> columns = grid.visibleColumns();
    for (const GridColumn& c : columns)
        report.columns.append({c.caption, c.width, c.editor == GridEditor::Number});
    for (const DataGrid::DisplayRow& row : grid.displayRows()) {
        GridReport::Row out;
        out.isGroup = row.isGroup;
        out.level = row.level;
        out.groupText = row.groupText;
        if (!row.isGroup) {
            for (const GridColumn& c : columns)
                out.cells.append(grid.cellText(row.datasetRow, c.field));
        }
        report.rows.append(out);
    }
    bool anyFooter = false;
    for (const GridColumn& c : columns) {
        report.footers.append(grid.footerText(c.field));
        anyFooter = anyFooter || !c.footer.isEmpty();
    }
    if (!anyFooter)
        report.footers.clear();
    g_previewOpen = true;
    Interaction::current().showPrintPreview(report, QStringLiteral("打印预览..."));
    g_previewOpen = false;
    return true;
}

bool ExportGridToExcel(DataGrid& grid, const Dataset& rows, const QString& file,
                       const QString& sheetName)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QStringList header;
    const QList<GridColumn> columns = grid.visibleColumns();
    for (const GridColumn& c : columns)
        header.append(c.caption);
    QList<QVariantList> out;
    out.reserve(rows.rowCount());
    for (int r = 0; r < rows.rowCount(); ++r) {
        QVariantList row;
        for (const GridColumn& c : columns) {
            // Lookup columns are written as shown; the rest keep their type.
            row.append(c.editor == GridEditor::Lookup ? QVariant(grid.cellText(r, c.field))
                                                      : rows.value(r, rows.fieldIndex(c.field)));
        }
        out.append(row);
    }
    QString error;
    if (!writeXlsx(file, sheetName, header, out, &error)) {
        ShowErrorMessage(QStringLiteral("导出失败!\r\n") + error);
        return false;
    }
    ShowInfoMessage(QStringLiteral("导出成功!\r\n") + file, true);
    return true;
}
