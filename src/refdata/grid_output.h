#pragma once

#include <QString>
#include <QStringList>

class DataGrid;
class Dataset;

// Output of a grid window's rows, shared by every grid window.

// The print preview of the grid as shown (visible columns, groups, footers) under the title
// lines. There is one shared preview: false, and nothing shown, while it is already open.
bool PreviewGrid(DataGrid& grid, const QStringList& titleLines);
bool PreviewOpen();

// Every row of the dataset (not only those on screen) under the grid's visible captions into
// an .xlsx file, overwriting it; then "导出成功!" with the file name, or why it failed.
bool ExportGridToExcel(DataGrid& grid, const Dataset& rows, const QString& file,
                       const QString& sheetName);
