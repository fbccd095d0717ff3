#pragma once

#include <QList>
#include <QString>

#include <utility>

class TXIni;

// The installation settings, set once at start and read everywhere.
struct AppSettings
{
    QString DatabaseName;    // XDBName
    qint32 UnitCode = 0;     // DanWeiDaiMa
    QString InstitutionName; // DanWeiMingCheng
    QString DatabaseType;    // DBType, compared exactly
    QString SuperPassword;   // SuperOperPassword
};

const AppSettings& appSettings();
AppSettings& mutableAppSettings();

inline constexpr char kConfigFileName[] = "Korvel.XIX";
inline constexpr char kApplicationTitle[] = "Orvane";

// The program folder, with a trailing slash; the executable's folder unless set otherwise.
QString ProgramFolder();
void setProgramFolder(const QString& folder);

// The working folders below the program folder.
QString TransFolder();  // no trailing slash
QString BackupFolder(); // trailing slash
QString ExcelFolder();  // trailing slash
QString MainImgFolder();

// Creates Temp, Trans, Backup, MainImg and Excel in the program folder when absent.
void prepareWorkingFolders();

// The one configuration table of the run.
TXIni& configIni();

// Writes a configuration file with these rows into the folder (the installer's side; the
// program itself never writes it).
bool WriteConfigFile(const QString& folder, const QList<std::pair<QString, QString>>& rows,
                     int compression = 1);

// Reads the configuration file into the settings. False only when the file is absent (after
// the message box); a non-numeric unit code throws XConvertError.
bool ReadConfig();
