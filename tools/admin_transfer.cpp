// Export and import of whole tables for administrators and scripts, with the program's own
// file code.

#include "admin_common.h"

#include "data/data_module.h"
#include "data/excel_import.h"
#include "data/exchange_files.h"
#include "data/schema.h"
#include "platform/spreadsheet.h"

#include <QFileInfo>
#include <QHash>

#include <memory>

namespace {
struct Opened
{
    std::unique_ptr<TFDM> dm;
    Dataset* table = nullptr;
    const TableDef* def = nullptr;
};

// The installation's database and the named table (a declared table only: its name is never
// user text in SQL).
bool openTable(const QString& dir, const QString& name, Opened& out)
{
    out.def = findTable(name);
    if (!out.def || !out.def->primaryKey) {
        printErr(QStringLiteral("unknown table, or a table without key: %1").arg(name));
        return false;
    }
    out.dm = openInstallation(dir);
    if (!out.dm)
        return false;
    out.table = new Dataset(out.dm.get());
    out.table->setConnection(out.dm->DBConn(), &out.dm->dialect());
    out.table->setSql(QStringLiteral("SELECT * FROM %1 ORDER BY %2")
                          .arg(QLatin1String(out.def->name), QLatin1String(out.def->primaryKey)));
    if (!out.table->open()) {
        printErr(out.table->lastError());
        return false;
    }
    return true;
}

// First keys of the tables whose integer keys the windows issue.
int firstKeyOf(const QString& table)
{
    static const QHash<QString, int> first = {
        {QStringLiteral("JSB"), 102001},  {QStringLiteral("KCB"), 101001},
        {QStringLiteral("XZBB"), 103001}, {QStringLiteral("ZDB"), 205001},
        {QStringLiteral("CFB"), 206001},  {QStringLiteral("ZBLBB"), 207001},
        {QStringLiteral("NJB"), 600101},  {QStringLiteral("CZYB"), 501001},
    };
    return first.value(table.toUpper(), 1);
}
} // namespace

int runExportCommand(const QStringList& words)
{
    const AdminArgs args(
        words, {QStringLiteral("--dir"), QStringLiteral("--table"), QStringLiteral("--out")});
    const auto dir = args.value(QStringLiteral("--dir"));
    const auto table = args.value(QStringLiteral("--table"));
    const auto out = args.value(QStringLiteral("--out"));
    if (!args.ok() || !dir || !table || !out) {
        printErr(
            args.ok()
                ? QStringLiteral(
                      "usage: orvane-admin export --dir DIR --table T --out FILE.xlsx|FILE.XA1")
                : args.error());
        return kExitUsage;
    }
    const QString suffix = QFileInfo(*out).suffix().toLower();
    if (suffix != QLatin1String("xlsx") && suffix != QLatin1String("xa1")) {
        printErr(QStringLiteral("the output must end in .xlsx or .XA1"));
        return kExitUsage;
    }
    Opened o;
    if (!openTable(*dir, *table, o))
        return kExitFailed;
    Dataset& ds = *o.table;
    if (suffix == QLatin1String("xa1")) {
        if (SaveToExchangeFile(ds, *out, QLatin1String(o.def->primaryKey), false) < 0) {
            printErr(QStringLiteral("导出失败!"));
            return kExitFailed;
        }
    } else {
        QStringList header;
        for (int f = 0; f < ds.fieldCount(); ++f)
            header.append(ds.field(f).name);
        QList<QVariantList> rows;
        rows.reserve(ds.rowCount());
        for (int r = 0; r < ds.rowCount(); ++r) {
            QVariantList row;
            for (int f = 0; f < ds.fieldCount(); ++f)
                row.append(ds.value(r, f));
            rows.append(row);
        }
        QString error;
        if (!writeXlsx(*out, QLatin1String(o.def->name), header, rows, &error)) {
            printErr(QStringLiteral("导出失败! %1").arg(error));
            return kExitFailed;
        }
    }
    printOut(QStringLiteral("exported %1 rows of %2 to %3")
                 .arg(ds.rowCount())
                 .arg(QLatin1String(o.def->name), *out));
    return kExitOk;
}

int runImportCommand(const QStringList& words)
{
    const AdminArgs args(
        words, {QStringLiteral("--dir"), QStringLiteral("--table"), QStringLiteral("--key")});
    const auto dir = args.value(QStringLiteral("--dir"));
    const auto table = args.value(QStringLiteral("--table"));
    const auto key = args.value(QStringLiteral("--key"));
    if (!args.ok() || !dir || !table || !key || args.positional().size() != 1) {
        printErr(args.ok()
                     ? QStringLiteral("usage: orvane-admin import --dir DIR --table T --key K FILE")
                     : args.error());
        return kExitUsage;
    }
    const QString file = QFileInfo(args.positional().first()).absoluteFilePath();
    Opened o;
    if (!openTable(*dir, *table, o))
        return kExitFailed;
    Dataset& ds = *o.table;
    if (ds.fieldIndex(*key) < 0) {
        printErr(QStringLiteral("%1 has no field %2").arg(QLatin1String(o.def->name), *key));
        return kExitFailed;
    }
    const bool textKey = ds.field(ds.fieldIndex(*key)).type.id() == QMetaType::QString;

    int result = 0;
    if (QFileInfo(file).suffix().compare(QLatin1String("XA1"), Qt::CaseInsensitive) == 0) {
        result = MergeFromExchangeFile(ds, file, *key);
    } else {
        QString error;
        const std::optional<Sheet> sheet =
            readWorkbook(file, QFileInfo(file).completeBaseName(), &error);
        if (!sheet) {
            printErr(error);
            return kExitFailed;
        }
        // Text keys carry an operator and a term; nobody can make one up for a row without it.
        qsizetype keyColumn = -1;
        for (qsizetype c = 0; c < sheet->header.size(); ++c) {
            if (sheet->header[c].compare(*key, Qt::CaseInsensitive) == 0)
                keyColumn = c;
        }
        if (textKey) {
            for (qsizetype r = 0; r < sheet->rows.size(); ++r) {
                if (keyColumn < 0 ||
                    SheetKeyText(sheet->rows[r].value(keyColumn)) == QLatin1String("-1")) {
                    printErr(QStringLiteral("row %1 has no %2; nothing was written")
                                 .arg(r + 2)
                                 .arg(*key));
                    return kExitFailed;
                }
            }
        }
        QStringList mapping;
        for (const QString& column : sheet->header) {
            const int f = ds.fieldIndex(column);
            if (f >= 0)
                mapping.append(ds.field(f).name + QStringLiteral("<-->") + column);
        }
        result = MergeRows(ds, *sheet, ds.field(ds.fieldIndex(*key)).name, mapping, QString(),
                           false, firstKeyOf(QLatin1String(o.def->name)));
    }
    int added = 0, changed = 0;
    for (int r = 0; r < ds.rowCount(); ++r) {
        added += ds.rowStatus(r) == Dataset::RowStatus::Inserted ? 1 : 0;
        changed += ds.rowStatus(r) == Dataset::RowStatus::Modified ? 1 : 0;
    }
    const int failed = result < 0 ? -result : 0;
    if (result < 0 || !ds.updateBatch()) {
        printErr(QStringLiteral("导入失败! added %1, changed %2, failed %3%4; nothing was written")
                     .arg(added)
                     .arg(changed)
                     .arg(qMax(failed, 1))
                     .arg(ds.batchError().message.isEmpty()
                              ? QString()
                              : QStringLiteral(" (") + ds.batchError().message + u')'));
        return kExitFailed;
    }
    printOut(QStringLiteral("added %1, changed %2, failed 0").arg(added).arg(changed));
    return kExitOk;
}
