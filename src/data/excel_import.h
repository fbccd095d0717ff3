#pragma once

#include <QString>
#include <QStringList>

class Dataset;
struct Sheet;

// Merges a sheet's rows into the target through the field mapping ("target<-->source" pairs):
// rows are matched by the key field; a row without a key gets a new one (NextKeyValue from the
// first key value, or NextOperRecordId with the middle part when textKey is on). A pair on the
// key field never overwrites a key. Result: the rows processed plus 1, or minus the number of
// rows that failed; 0 when the target is not open.
int MergeRows(Dataset& target, const Sheet& source, const QString& keyField,
              const QStringList& mapping, const QString& middle, bool textKey, int firstKey);

// The key text of a sheet cell: whole numbers without ".0", "-1" for an empty cell.
QString SheetKeyText(const QVariant& cell);
// A sheet cell as the value for a field of that type (numbers become text for text fields).
QVariant SheetCellForField(const QVariant& cell, const QMetaType& fieldType);

// The whole import: asks for a workbook in ExcelFolder, reads the sheet named like the file
// (else the first sheet), lets the operator pair the columns in the converter window and
// merges the rows into the target (pending until the window confirms). True when rows merged.
bool ImportExcel(const QString& keyField, Dataset& target, const QString& middle, bool textKey,
                 int firstKey);
