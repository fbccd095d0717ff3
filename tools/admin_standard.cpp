// The national standard tables shipped beside the program, put into an installation.

#include "admin_common.h"

#include "data/data_module.h"
#include "fitness/standard_data.h"

#include <QDir>
#include <QSqlError>

bool loadShippedStandard(QSqlDatabase db, const QString& folder, QString* summary, QString* error)
{
    const std::optional<StandardTables> tables = ReadStandardTables(folder, error);
    if (!tables || !WriteStandardTables(db, *tables, error))
        return false;
    *summary = QStringLiteral("TZJKB %1 rows, SGTZB %2 rows, ZBLBB %3 rows (codes %4)")
                   .arg(tables->tzjkb.rows.size())
                   .arg(tables->sgtzb.rows.size())
                   .arg(tables->zblbb.rows.size())
                   .arg(tables->indicatorCodes().join(u' '));
    return true;
}

int runStandardCommand(const QStringList& words)
{
    const QString usageText =
        QStringLiteral("usage: orvane-admin standard import --dir DIR [--from FOLDER] --yes");
    if (words.value(0) != QLatin1String("import")) {
        printErr(usageText);
        return kExitUsage;
    }
    const AdminArgs args(words.mid(1), {QStringLiteral("--dir"), QStringLiteral("--from")},
                         {QStringLiteral("--yes")});
    const auto dir = args.value(QStringLiteral("--dir"));
    if (!args.ok() || !dir || !args.positional().isEmpty()) {
        printErr(args.ok() ? usageText : args.error());
        return kExitUsage;
    }
    const QString from =
        QDir(args.value(QStringLiteral("--from")).value_or(ShippedStandardFolder())).absolutePath();
    if (!args.flag(QStringLiteral("--yes"))) {
        printErr(QStringLiteral(
                     "nothing was changed: the import deletes every row of TZJKB and SGTZB and the "
                     "ZBLBB rows of the shipped indicator codes, including rows the institution "
                     "typed or changed; run again with --yes to replace them with the tables of %1")
                     .arg(from));
        return kExitUsage;
    }
    // Checked before the database is touched: a damaged file changes nothing.
    QString error;
    if (!ReadStandardTables(from, &error)) {
        printErr(QStringLiteral("nothing was changed: %1").arg(error));
        return kExitFailed;
    }
    const auto dm = openInstallation(*dir);
    if (!dm)
        return kExitFailed;
    QSqlDatabase db = dm->DBConn();
    QString summary;
    if (!db.transaction()) {
        printErr(QStringLiteral("nothing was changed: %1").arg(db.lastError().text()));
        return kExitFailed;
    }
    if (!loadShippedStandard(db, from, &summary, &error)) {
        db.rollback();
        printErr(QStringLiteral("nothing was changed: %1").arg(error));
        return kExitFailed;
    }
    if (!db.commit()) {
        const QString why = db.lastError().text();
        db.rollback();
        printErr(QStringLiteral("nothing was changed: %1").arg(why));
        return kExitFailed;
    }
    printOut(QStringLiteral("standard tables replaced from %1: %2").arg(from, summary));
    return kExitOk;
}
