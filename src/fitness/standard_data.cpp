#include "standard_data.h"

#include "app/config.h"
#include "data/schema.h"
#include "platform/gbk_text.h"
#include "platform/spreadsheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace {
const char* const kFolderName = "standard-2014";

// A cell of the file as the column's declared type.
bool convertCell(const ColumnDef& column, const QVariant& cell, QVariant* out, QString* why)
{
    const QString text = cell.toString().trimmed();
    if (cell.isNull() || text.isEmpty()) {
        if (column.notNull) {
            *why = QStringLiteral("is empty");
            return false;
        }
        *out = QVariant();
        return true;
    }
    bool ok = false;
    switch (column.type) {
    case ColumnType::Int:
    case ColumnType::Identity:
        *out = text.toLongLong(&ok);
        break;
    case ColumnType::Float:
        // The text as typed; QString::toDouble gives the double nearest to it, as a typed value.
        *out = text.toDouble(&ok);
        break;
    case ColumnType::Varchar:
        ok = column.size <= 0 || gbkLength(cell.toString()) <= column.size;
        *out = cell.toString();
        if (!ok) {
            *why = QStringLiteral("is longer than %1 bytes").arg(column.size);
            return false;
        }
        break;
    case ColumnType::Text:
    case ColumnType::DateTime:
        *out = cell.toString();
        ok = true;
        break;
    }
    if (!ok)
        *why = QStringLiteral("is not a number: %1").arg(text);
    return ok;
}

bool readTable(const QString& folder, const char* name, StandardTables::Table& out, QString* error)
{
    const TableDef* def = findTable(QString::fromLatin1(name));
    const QString file = QDir(folder).filePath(QLatin1String(name) + QStringLiteral(".csv"));
    QString why;
    const std::optional<Sheet> sheet = readWorkbook(file, QString(), &why);
    if (!sheet) {
        *error = why;
        return false;
    }
    out.name = QLatin1String(def->name);
    QList<const ColumnDef*> columns;
    for (const QString& header : sheet->header) {
        const ColumnDef* column = def->column(QStringView(header).trimmed());
        if (!column) {
            *error = QStringLiteral("%1: %2 has no field %3").arg(file, out.name, header);
            return false;
        }
        if (columns.contains(column)) {
            *error = QStringLiteral("%1: field %2 comes twice").arg(file, header);
            return false;
        }
        columns.append(column);
        out.fields.append(QLatin1String(column->name));
    }
    if (!columns.contains(def->column(QString::fromLatin1(def->primaryKey)))) {
        *error = QStringLiteral("%1: no %2 column").arg(file, QLatin1String(def->primaryKey));
        return false;
    }
    QSet<qint64> keys;
    const qsizetype keyColumn = out.fields.indexOf(QLatin1String(def->primaryKey));
    for (qsizetype r = 0; r < sheet->rows.size(); ++r) {
        QVariantList row;
        for (qsizetype c = 0; c < columns.size(); ++c) {
            QVariant value;
            if (!convertCell(*columns[c], sheet->rows[r].value(c), &value, &why)) {
                *error = QStringLiteral("%1, row %2: %3 %4")
                             .arg(file)
                             .arg(r + 2)
                             .arg(QLatin1String(columns[c]->name), why);
                return false;
            }
            row.append(value);
        }
        const QVariant key = row.value(keyColumn);
        if (key.isNull() || keys.contains(key.toLongLong())) {
            *error = QStringLiteral("%1, row %2: missing or repeated %3")
                         .arg(file)
                         .arg(r + 2)
                         .arg(QLatin1String(def->primaryKey));
            return false;
        }
        keys.insert(key.toLongLong());
        out.rows.append(row);
    }
    return true;
}

bool exec(QSqlQuery& q, const QVariantList& values, QString* error)
{
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (q.exec())
        return true;
    *error = q.lastError().text();
    return false;
}

bool insertRows(QSqlDatabase db, const StandardTables::Table& table, QString* error)
{
    QSqlQuery q(db);
    const QString marks = QStringList(QList<QString>(table.fields.size(), QStringLiteral("?")))
                              .join(QStringLiteral(", "));
    if (!q.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(table.name, table.fields.join(QStringLiteral(", ")), marks))) {
        *error = q.lastError().text();
        return false;
    }
    for (const QVariantList& row : table.rows) {
        if (!exec(q, row, error))
            return false;
    }
    return true;
}
} // namespace

QStringList StandardTables::indicatorCodes() const
{
    QStringList codes;
    const qsizetype code = zblbb.fields.indexOf(QStringLiteral("ZBBM"));
    for (const QVariantList& row : zblbb.rows) {
        const QString c = row.value(code).toString();
        if (!c.isEmpty() && !codes.contains(c))
            codes.append(c);
    }
    return codes;
}

QString ShippedStandardFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(kFolderName));
}

std::optional<StandardTables> ReadStandardTables(const QString& folder, QString* error)
{
    StandardTables t;
    if (!readTable(folder, "TZJKB", t.tzjkb, error) ||
        !readTable(folder, "SGTZB", t.sgtzb, error) || !readTable(folder, "ZBLBB", t.zblbb, error))
        return std::nullopt;
    if (!t.zblbb.fields.contains(QStringLiteral("ZBBM"))) {
        *error = QStringLiteral("%1: no ZBBM column")
                     .arg(QDir(folder).filePath(QStringLiteral("ZBLBB.csv")));
        return std::nullopt;
    }
    return t;
}

bool WriteStandardTables(QSqlDatabase db, const StandardTables& tables, QString* error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("DELETE FROM TZJKB")) ||
        !q.exec(QStringLiteral("DELETE FROM SGTZB"))) {
        *error = q.lastError().text();
        return false;
    }
    QSqlQuery del(db);
    if (!del.prepare(QStringLiteral("DELETE FROM ZBLBB WHERE ZBBM = ?"))) {
        *error = del.lastError().text();
        return false;
    }
    for (const QString& code : tables.indicatorCodes()) {
        if (!exec(del, {code}, error))
            return false;
    }

    // The institution's other indicators stay; a shipped key one of them holds moves on.
    StandardTables::Table indicators = tables.zblbb;
    QSet<qint64> taken;
    qint64 largest = 0;
    if (!q.exec(QStringLiteral("SELECT ID FROM ZBLBB"))) {
        *error = q.lastError().text();
        return false;
    }
    while (q.next()) {
        taken.insert(q.value(0).toLongLong());
        largest = qMax(largest, q.value(0).toLongLong());
    }
    const qsizetype key = indicators.fields.indexOf(QStringLiteral("ID"));
    bool clash = false;
    for (const QVariantList& row : std::as_const(indicators.rows))
        clash = clash || taken.contains(row.value(key).toLongLong());
    if (clash) {
        for (QVariantList& row : indicators.rows)
            row[key] = ++largest;
    }

    return insertRows(db, tables.tzjkb, error) && insertRows(db, tables.sgtzb, error) &&
           insertRows(db, indicators, error);
}
