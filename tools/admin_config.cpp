#include "admin_common.h"

#include "app/config.h"
#include "app/txini.h"

#include <QDir>
#include <QFileInfo>

namespace {
int configWrite(const QStringList& words)
{
    const AdminArgs args(words, {QStringLiteral("--dir"), QStringLiteral("--compression")});
    const auto dir = args.value(QStringLiteral("--dir"));
    if (!args.ok() || !dir) {
        printErr(args.ok() ? QStringLiteral("config write needs --dir DIR") : args.error());
        return kExitUsage;
    }
    bool numeric = true;
    const int compression =
        args.value(QStringLiteral("--compression")).value_or(QStringLiteral("1")).toInt(&numeric);
    if (!numeric || compression < 0 || compression > 3) {
        printErr(QStringLiteral("--compression must be 0, 1, 2 or 3"));
        return kExitUsage;
    }
    QList<std::pair<QString, QString>> rows;
    for (const QString& pair : args.positional()) {
        const qsizetype eq = pair.indexOf(u'=');
        if (eq < 0) {
            printErr(QStringLiteral("not a KEY=VALUE pair: %1").arg(pair));
            return kExitUsage;
        }
        rows.append({pair.left(eq), pair.mid(eq + 1)});
    }
    if (!QDir().mkpath(*dir)) {
        printErr(QStringLiteral("cannot create folder %1").arg(*dir));
        return kExitFailed;
    }
    const QString path = QDir(*dir).filePath(QLatin1String(kConfigFileName));
    if (!WriteConfigFile(*dir, rows, compression)) {
        printErr(QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(path)));
        return kExitFailed;
    }
    printOut(
        QStringLiteral("wrote %1 (%2 rows)").arg(QDir::toNativeSeparators(path)).arg(rows.size()));
    return kExitOk;
}

int configShow(const QStringList& words)
{
    const AdminArgs args(words, {QStringLiteral("--dir")});
    const auto dir = args.value(QStringLiteral("--dir"));
    if (!args.ok() || !dir || !args.positional().isEmpty()) {
        printErr(args.ok() ? QStringLiteral("config show needs --dir DIR") : args.error());
        return kExitUsage;
    }
    const QString path = QDir(*dir).filePath(QLatin1String(kConfigFileName));
    if (!QFileInfo::exists(path)) {
        printErr(QStringLiteral("缺少配置文件: %1").arg(QDir::toNativeSeparators(path)));
        return kExitFailed;
    }
    TXIni ini;
    if (ini.setFileName(path) < 0) {
        printErr(QStringLiteral("配置文件无法读取: %1").arg(QDir::toNativeSeparators(path)));
        return kExitFailed;
    }
    const qsizetype key = ini.MD().fieldIndex(u"IDX");
    const qsizetype value = ini.MD().fieldIndex(u"X");
    if (key < 0 || value < 0) {
        printErr(QStringLiteral("配置文件无法读取: %1").arg(QDir::toNativeSeparators(path)));
        return kExitFailed;
    }
    for (const QVariantList& row : ini.MD().rows)
        printOut(row[key].toString() + u'=' + row[value].toString());
    return kExitOk;
}
} // namespace

int runConfigCommand(const QStringList& words)
{
    if (words.isEmpty()) {
        printErr(QStringLiteral("usage: orvane-admin config write|show --dir DIR ..."));
        return kExitUsage;
    }
    const QString sub = words.first();
    if (sub == QLatin1String("write"))
        return configWrite(words.mid(1));
    if (sub == QLatin1String("show"))
        return configShow(words.mid(1));
    printErr(QStringLiteral("unknown config command %1").arg(sub));
    return kExitUsage;
}
