#include "admin_common.h"

#include "app/app_registry.h"
#include "app/config.h"
#include "data/data_module.h"
#include "platform/settings_store.h"

#include <QDir>

bool useInstallation(const QString& dir)
{
    if (!QDir(dir).exists()) {
        printErr(QStringLiteral("folder %1 does not exist").arg(dir));
        return false;
    }
    setProgramFolder(dir);
    SettingsStore::configureForProgramFolder(ProgramFolder());
    return true;
}

std::unique_ptr<TFDM> openInstallation(const QString& dir)
{
    if (!useInstallation(dir))
        return nullptr;
    auto dm = std::make_unique<TFDM>();
    if (!dm->create(false))
        return nullptr;
    return dm;
}

int runDbCommand(const QStringList& words)
{
    if (words.value(0) != QLatin1String("init")) {
        printErr(QStringLiteral("usage: orvane-admin db init --dir DIR"));
        return kExitUsage;
    }
    const AdminArgs args(words.mid(1), {QStringLiteral("--dir")});
    const auto dir = args.value(QStringLiteral("--dir"));
    if (!args.ok() || !dir) {
        printErr(args.ok() ? QStringLiteral("db init needs --dir DIR") : args.error());
        return kExitUsage;
    }
    const auto dm = openInstallation(*dir);
    if (!dm)
        return kExitFailed;
    int created = 0;
    for (const SchemaStep& step : dm->schemaSteps())
        created += step.outcome == SchemaStep::Outcome::Created ? 1 : 0;
    printOut(QStringLiteral("database ready: %1 (%2 tables and keys created)")
                 .arg(appSettings().DatabaseName)
                 .arg(created));
    return kExitOk;
}

int runLoginCommand(const QStringList& words)
{
    const AdminArgs args(words, {QStringLiteral("--dir"), QStringLiteral("--server"),
                                 QStringLiteral("--user"), QStringLiteral("--password")});
    const auto dir = args.value(QStringLiteral("--dir"));
    const auto server = args.value(QStringLiteral("--server"));
    const auto user = args.value(QStringLiteral("--user"));
    const auto password = args.value(QStringLiteral("--password"));
    if (!args.ok() || !dir || !server || !user || !password) {
        printErr(args.ok()
                     ? QStringLiteral("usage: orvane-admin login --dir DIR --server HOST[:PORT] "
                                      "--user U --password P")
                     : args.error());
        return kExitUsage;
    }
    if (!useInstallation(*dir) || !ReadConfig())
        return kExitFailed;
    const ServerLogin login{*server, *user, *password};
    QString error;
    if (!TestServerLogin(login, &error)) {
        printErr(QStringLiteral("连接服务器失败: %1").arg(error));
        return kExitFailed;
    }
    WriteAppRegString(QStringLiteral("Data Source"), login.server);
    WriteAppRegString(QStringLiteral("User ID"), login.user);
    WriteAppRegString(QStringLiteral("Password"), login.password);
    if (ReadAppRegString(QStringLiteral("User ID")) != login.user) {
        printErr(QStringLiteral("cannot store the login in %1")
                     .arg(SettingsStore::folder(SettingsStore::Root::LocalMachine)));
        return kExitFailed;
    }
    printOut(
        QStringLiteral("login tested and stored for database %1").arg(appSettings().DatabaseName));
    return kExitOk;
}
