#include "config.h"

#include "app/txini.h"
#include "data/txfile.h"
#include "platform/interaction.h"
#include "platform/strict_number.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString g_programFolder;

QString withSlash(QString folder)
{
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}
} // namespace

const AppSettings& appSettings()
{
    return mutableAppSettings();
}

AppSettings& mutableAppSettings()
{
    static AppSettings settings;
    return settings;
}

QString ProgramFolder()
{
    if (g_programFolder.isEmpty() && QCoreApplication::instance())
        g_programFolder = withSlash(QCoreApplication::applicationDirPath());
    return g_programFolder;
}

void setProgramFolder(const QString& folder)
{
    g_programFolder = withSlash(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
}

QString TransFolder()
{
    return ProgramFolder() + QStringLiteral("Trans");
}

QString BackupFolder()
{
    return ProgramFolder() + QStringLiteral("Backup/");
}

QString ExcelFolder()
{
    return ProgramFolder() + QStringLiteral("Excel/");
}

QString MainImgFolder()
{
    return ProgramFolder() + QStringLiteral("MainImg/");
}

void prepareWorkingFolders()
{
    const QDir program(ProgramFolder());
    for (const char* name : {"Temp", "Trans", "Backup", "MainImg", "Excel"})
        program.mkpath(QString::fromLatin1(name));
}

TXIni& configIni()
{
    static TXIni ini;
    return ini;
}

bool ReadConfig()
{
    const QString path = ProgramFolder() + QLatin1String(kConfigFileName);
    if (!QFileInfo::exists(path)) {
        Interaction::current().showSystemMessage(QStringLiteral("缺少配置文件,请与管理员联系..."),
                                                 QStringLiteral("错误"), SystemMessageIcon::Error);
        return false;
    }
    TXIni& ini = configIni();
    ini.setFileName(path);
    AppSettings& s = mutableAppSettings();
    s.DatabaseName = ini.ReadValue(QStringLiteral("XDBName"));
    s.UnitCode = StrToInt(ini.ReadValue(QStringLiteral("DanWeiDaiMa")));
    s.InstitutionName = ini.ReadValue(QStringLiteral("DanWeiMingCheng"));
    s.DatabaseType = ini.ReadValue(QStringLiteral("DBType"));
    s.SuperPassword = ini.ReadValue(QStringLiteral("SuperOperPassword"));
    return true;
}

bool WriteConfigFile(const QString& folder, const QList<std::pair<QString, QString>>& rows,
                     int compression)
{
    TXFile container;
    container.setPackHeader(compression, QString(), QString());
    container.header().sourceName.clear();
    container.setPayload(TXIni::encodeRows(rows));
    return container.SaveToFile(QDir(folder).filePath(QLatin1String(kConfigFileName))) >= 0;
}
