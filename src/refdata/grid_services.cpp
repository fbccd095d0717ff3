#include "grid_services.h"

#include "data/data_module.h"
#include "data/dataset.h"
#include "data/services.h"
#include "platform/data_grid.h"
#include "shell/messages.h"

#include <QAbstractButton>

void SetGridEditing(DataGrid* grid, bool on)
{
    if (grid && grid->isEditing() != on)
        grid->setEditing(on);
}

void SetConfirmButtons(QAbstractButton* confirm, QAbstractButton* cancel, bool on)
{
    if (confirm)
        confirm->setEnabled(on);
    if (cancel)
        cancel->setEnabled(on);
}

void UpdateToolbarState(bool editing, QAbstractButton* add, QAbstractButton* modify,
                        QAbstractButton* confirm, QAbstractButton* cancel, QAbstractButton* remove,
                        QAbstractButton* excel, QAbstractButton* eighth, const Dataset& dataset)
{
    const bool hasRows = dataset.isOpen() && !dataset.isEmpty();
    if (add)
        add->setEnabled(dataset.isOpen());
    for (QAbstractButton* b : {modify, remove, excel}) {
        if (b)
            b->setEnabled(!editing && hasRows);
    }
    const bool canConfirm =
        editing && ((add && add->isEnabled()) || (modify && modify->isEnabled()));
    for (QAbstractButton* b : {confirm, cancel, eighth}) {
        if (b)
            b->setEnabled(canConfirm);
    }
}

namespace {
QStringList selectedKeys(DataGrid* grid, const Dataset& dataset, const QString& keyField, bool* ok)
{
    QStringList keys;
    const int key = dataset.fieldIndex(keyField);
    if (key < 0) {
        *ok = false;
        return keys;
    }
    for (int row : grid->selectedDatasetRows())
        keys.append(dataset.value(row, key).toString());
    return keys;
}
} // namespace

int DeleteSelectedRows(DataGrid* grid, Dataset& dataset, const QString& keyField)
{
    if (!grid)
        return -1;
    bool ok = true;
    dataset.disableControls();
    const QStringList keys = selectedKeys(grid, dataset, keyField, &ok);
    int deleted = 0;
    for (const QString& k : keys) {
        if (dataset.locate(keyField, k) && dataset.deleteRow())
            ++deleted;
        else
            ok = false;
    }
    dataset.enableControls();
    grid->clearSelection();
    return ok ? deleted : -1;
}

void SetFieldForSelectedRows(DataGrid* grid, Dataset& dataset, const QString& keyField,
                             const QVariant& value, const QString& targetField)
{
    if (!grid)
        return;
    bool ok = true;
    dataset.disableControls();
    for (const QString& k : selectedKeys(grid, dataset, keyField, &ok)) {
        if (dataset.locate(keyField, k))
            SetFieldValue(&dataset, targetField, value);
    }
    dataset.enableControls();
}

bool ConfirmLeavingChanges(Dataset& dataset, const std::function<bool()>& save,
                           const std::function<void()>& discard)
{
    if (dataset.state() == Dataset::State::Edit || dataset.state() == Dataset::State::Insert)
        dataset.post(); // a row opened for editing but left unchanged is no change
    if (!dataset.hasPendingChanges())
        return true;
    if (AskYesNo(QStringLiteral("数据已修改, 是否保存?")))
        return save();
    if (AskYesNo(QStringLiteral("放弃所做的修改吗?"), true)) {
        discard();
        return true;
    }
    return false;
}

GridColumn LayoutLookupColumn(TFDM& dm, QStringView layout, const char* field, const char* caption,
                              int width, const char* display)
{
    const LookupLayout* l = findLookupLayout(layout);
    if (!l)
        return MakeGridColumn(field, caption, width);
    QStringList shown, captions;
    for (const LookupLayout::Column& c : l->visible) {
        shown << QLatin1String(c.field);
        captions << QString::fromUtf8(c.caption);
    }
    return MakeLookupColumn(field, caption, width, dm.dataset(QString::fromLatin1(l->dataset)),
                            l->keyField, shown, captions, display);
}
