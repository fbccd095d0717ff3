#include "excel_import.h"

#include "app/config.h"
#include "data/dataset.h"
#include "data/exchange_files.h"
#include "data/key_index.h"
#include "data/services.h"
#include "platform/interaction.h"
#include "platform/spreadsheet.h"
#include "refdata/import_xls_window.h"
#include "shell/messages.h"

#include <QFileInfo>

#include <algorithm>
#include <numeric>

QString SheetKeyText(const QVariant& cell)
{
    const QString text = KeyIndex::keyText(cell);
    return text.isEmpty() ? QStringLiteral("-1") : text;
}

QVariant SheetCellForField(const QVariant& cell, const QMetaType& fieldType)
{
    if (!cell.isValid() || cell.isNull())
        return QVariant();
    if (fieldType.id() == QMetaType::QString) {
        if (cell.metaType().id() == QMetaType::Double ||
            cell.metaType().id() == QMetaType::LongLong)
            return SheetKeyText(cell);
        return cell.toString();
    }
    return cell;
}

int MergeRows(Dataset& target, const Sheet& source, const QString& keyField,
              const QStringList& mapping, const QString& middle, bool textKey, int firstKey)
{
    if (!target.isOpen())
        return 0;
    const int key = target.fieldIndex(keyField);
    if (key < 0)
        return -qMax<int>(1, int(source.rows.size()));
    qsizetype sourceKey = -1;
    for (qsizetype c = 0; c < source.header.size(); ++c) {
        if (source.header[c].compare(keyField, Qt::CaseInsensitive) == 0)
            sourceKey = c;
    }
    struct Pair
    {
        int field;
        qsizetype column;
    };
    QList<Pair> pairs;
    for (const QString& pair : mapping) {
        const QString field = pair.left(pair.indexOf(u'<'));
        const QString column = pair.mid(pair.indexOf(u'>') + 1);
        qsizetype c = -1;
        for (qsizetype i = 0; i < source.header.size(); ++i) {
            if (source.header[i].compare(column, Qt::CaseInsensitive) == 0)
                c = i;
        }
        pairs.append({target.fieldIndex(field), c});
    }

    target.disableControls();
    // Each row's key text, made once: the sort compares them many times over.
    QStringList keys;
    keys.reserve(source.rows.size());
    for (const QVariantList& row : source.rows)
        keys.append(SheetKeyText(sourceKey >= 0 ? row.value(sourceKey) : QVariant()));
    QList<int> order(source.rows.size());
    std::iota(order.begin(), order.end(), 0);
    if (sourceKey >= 0)
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return keys[a] < keys[b]; });
    target.setSort(keyField);

    KeyIndex index(target, key);
    const bool textField = target.field(key).type.id() == QMetaType::QString;

    int failed = 0;
    int processed = 0;
    for (int r : std::as_const(order)) {
        const QVariantList& row = source.rows[r];
        QString k = keys[r];
        bool ok = true;
        const int found = k == QLatin1String("-1") ? -1 : index.find(k);
        if (found >= 0) {
            ok = target.setCurrentRow(found);
        } else {
            if (k == QLatin1String("-1") && textKey) {
                // NextOperRecordId appends the row itself.
                ok = NextOperRecordId(target, middle, k) && target.setFieldValue(key, k) &&
                     target.post();
            } else {
                if (k == QLatin1String("-1"))
                    k = QString::number(NextKeyValue(target, keyField, firstKey));
                ok =
                    target.append() &&
                    target.setFieldValue(key, textField ? QVariant(k) : QVariant(k.toLongLong())) &&
                    target.post();
            }
            if (ok)
                index.add(k, target.currentRow());
        }
        if (ok && target.edit()) {
            for (const Pair& p : std::as_const(pairs)) {
                if (p.field < 0 || p.column < 0) {
                    ok = false;
                    break;
                }
                if (p.field == key)
                    continue;
                const QVariant value =
                    SheetCellForField(row.value(p.column), target.field(p.field).type);
                if (!Dataset::sameValue(value, target.fieldValue(p.field)))
                    ok = target.setFieldValue(p.field, value) && ok;
            }
            ok = ok && target.post();
        } else {
            ok = false;
        }
        if (!ok) {
            target.cancel();
            ++failed;
        }
        ++processed;
    }
    target.setSort(QString());
    target.enableControls();
    return failed > 0 ? -failed : processed + 1;
}

bool ImportExcel(const QString& keyField, Dataset& target, const QString& middle, bool textKey,
                 int firstKey)
{
    ShowInfoMessage(QStringLiteral("所选Excel表名和它的表单名必须一致!"), true);
    QString file = ExcelFolder();
    FileRequest request;
    request.title = QStringLiteral("打开");
    request.folder = ExcelFolder();
    request.filter = FileFilterText(QStringLiteral("xls;xlsx;csv"));
    request.defaultExtension = QStringLiteral("xls");
    const std::optional<QString> chosen = Interaction::current().chooseFile(request);
    if (!chosen || chosen->isEmpty()) {
        ShowErrorMessage(QStringLiteral("请选择将导入的Excel文件!"));
        return false;
    }
    // The sheet named like the file without its last extension, else the first sheet.
    const QString sheetName = QFileInfo(*chosen).completeBaseName();
    QString error;
    const std::optional<Sheet> sheet = readWorkbook(*chosen, sheetName, &error);
    if (!sheet || sheet->rows.isEmpty())
        return false;

    const QStringList targetFields = target.fieldNames();
    TFImportXls converter(targetFields, sheet->header);
    Interaction::current().runDialog(converter);
    if (!converter.confirmed() || converter.mapping().isEmpty())
        return false;

    const int result =
        MergeRows(target, *sheet, keyField, converter.mapping(), middle, textKey, firstKey);
    if (result > 0) {
        ShowInfoMessage(QStringLiteral("从Excel") + sheet->name + QStringLiteral("中导入记录成功!"),
                        true);
        return true;
    }
    ShowErrorMessage(QStringLiteral("从Excel") + sheet->name + QStringLiteral("中导入记录失败!"));
    return false;
}
