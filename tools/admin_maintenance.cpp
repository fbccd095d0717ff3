#include "admin_common.h"

#include "app/app_registry.h"
#include "app/config.h"
#include "app/passwords.h"
#include "data/data_module.h"
#include "data/services.h"
#include "shell/backup.h"

#include <QFileInfo>

int runPasswdCommand(const QStringList& words)
{
    const AdminArgs args(
        words, {QStringLiteral("--dir"), QStringLiteral("--oper"), QStringLiteral("--password")});
    const auto dir = args.value(QStringLiteral("--dir"));
    const auto oper = args.value(QStringLiteral("--oper"));
    const auto password = args.value(QStringLiteral("--password"));
    if (!args.ok() || !dir || !oper || !password) {
        printErr(args.ok() ? QStringLiteral(
                                 "usage: orvane-admin passwd --dir DIR --oper JSID --password P")
                           : args.error());
        return kExitUsage;
    }
    const auto dm = openInstallation(*dir);
    if (!dm)
        return kExitFailed;
    Dataset& czyb = *dm->CZYB;
    if (!czyb.locate(u"JSID", *oper)) {
        printErr(QStringLiteral("没有操作员 %1").arg(*oper));
        return kExitFailed;
    }
    if (!czyb.edit() || !czyb.setFieldValue(u"KL", HashPassword(*password)) || !czyb.post() ||
        !czyb.updateBatch()) {
        printErr(QStringLiteral("更新数据失败: %1").arg(czyb.batchError().message));
        return kExitFailed;
    }
    printOut(QStringLiteral("password of operator %1 (%2) set")
                 .arg(*oper, czyb.fieldValue(u"JSXM").toString()));
    return kExitOk;
}

int runRestoreCommand(const QStringList& words)
{
    const AdminArgs args(words, {QStringLiteral("--dir")});
    const auto dir = args.value(QStringLiteral("--dir"));
    if (!args.ok() || !dir || args.positional().size() != 1) {
        printErr(args.ok() ? QStringLiteral("usage: orvane-admin restore --dir DIR FILE")
                           : args.error());
        return kExitUsage;
    }
    const QString file = QFileInfo(args.positional().first()).absoluteFilePath();
    if (!useInstallation(*dir) || !ReadConfig())
        return kExitFailed;
    ConnectionSpec target;
    target.kind = Dialect::kindForDatabaseType(appSettings().DatabaseType);
    if (target.kind == Dialect::Kind::None) {
        printErr(QStringLiteral("unknown DBType %1").arg(appSettings().DatabaseType));
        return kExitFailed;
    }
    if (target.kind == Dialect::Kind::PostgreSQL) {
        target.login = {ReadAppRegString(QStringLiteral("Data Source")),
                        ReadAppRegString(QStringLiteral("User ID")),
                        ReadAppRegString(QStringLiteral("Password"))};
        target.database = appSettings().DatabaseName;
        if (target.login.isEmpty()) {
            printErr(QStringLiteral("no server login stored; run orvane-admin login first"));
            return kExitFailed;
        }
    } else {
        target.file = TFDM::embeddedDatabaseFile();
    }
    const BackupOutcome outcome = RestoreDatabase(target, file);
    if (!outcome.ok) {
        printErr(QStringLiteral("恢复失败: %1").arg(outcome.error));
        return kExitFailed;
    }
    printOut(QStringLiteral("restored %1 from %2").arg(outcome.file, file));
    return kExitOk;
}
