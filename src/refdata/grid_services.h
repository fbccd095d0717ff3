#pragma once

#include "platform/grid_column.h"

#include <QString>
#include <QVariant>

#include <functional>

class DataGrid;
class Dataset;
class TFDM;
class QAbstractButton;

// The grid and toolbar helpers of the data module.

// On: editable and white; off: read-only in the info colour. Nothing when already so.
void SetGridEditing(DataGrid* grid, bool on);
void SetConfirmButtons(QAbstractButton* confirm, QAbstractButton* cancel, bool on);
// Add: enabled when the dataset is open; modify, delete, Excel: when not editing and there are
// rows; confirm, cancel and the eighth button: when editing and add or modify is enabled.
void UpdateToolbarState(bool editing, QAbstractButton* add, QAbstractButton* modify,
                        QAbstractButton* confirm, QAbstractButton* cancel, QAbstractButton* remove,
                        QAbstractButton* excel, QAbstractButton* eighth, const Dataset& dataset);
// Deletes every selected (non-group) row from the dataset by its key; the number deleted, or
// -1 when any row could not be found or deleted (the others are still deleted).
int DeleteSelectedRows(DataGrid* grid, Dataset& dataset, const QString& keyField);
// Sets the target field of every selected row to the value.
void SetFieldForSelectedRows(DataGrid* grid, Dataset& dataset, const QString& keyField,
                             const QVariant& value, const QString& targetField);

// A lookup column drawn as one of the data module's lookup layouts (its dataset, key and
// visible columns); the cell shows `display` of the matching row.
GridColumn LayoutLookupColumn(TFDM& dm, QStringView layout, const char* field, const char* caption,
                              int width, const char* display);

// Before a window holding pending changes goes away: asks whether to save them (true when
// that worked), else whether to drop them (true), else the window stays (false).
bool ConfirmLeavingChanges(Dataset& dataset, const std::function<bool()>& save,
                           const std::function<void()>& discard);
