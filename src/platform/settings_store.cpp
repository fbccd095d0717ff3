#include "settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
QString g_localMachineFolder;
QString g_currentUserFolder;

QString perUserFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath(QStringLiteral("Orvane"));
}

QString storeFile(SettingsStore::Root root)
{
    return QDir(SettingsStore::folder(root)).filePath(QStringLiteral("registry.ini"));
}

// QSettings separates groups with "/"; key paths use backslashes and may end in one.
QString settingsKey(const QString& keyPath, const QString& valueName)
{
    QString path = keyPath;
    path.replace(u'\\', u'/');
    while (path.endsWith(u'/'))
        path.chop(1);
    while (path.startsWith(u'/'))
        path.remove(0, 1);
    QString name = valueName;
    name.replace(u'/', u'_').replace(u'\\', u'_');
    return path.isEmpty() ? name : path + u'/' + name;
}

bool folderWritable(const QString& folder)
{
    if (!QDir().mkpath(folder))
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("probe-XXXXXX")));
    return probe.open();
}
} // namespace

void SettingsStore::configure(const QString& localMachineFolder, const QString& currentUserFolder)
{
    g_localMachineFolder = localMachineFolder;
    g_currentUserFolder = currentUserFolder;
}

void SettingsStore::configureForProgramFolder(const QString& programFolder)
{
    const QString user = perUserFolder();
    const QString local = QDir(programFolder).filePath(QStringLiteral("settings"));
    configure(folderWritable(local) ? local : user, user);
}

QString SettingsStore::folder(Root root)
{
    QString folder = root == Root::LocalMachine ? g_localMachineFolder : g_currentUserFolder;
    return folder.isEmpty() ? perUserFolder() : folder;
}

bool SettingsStore::openKey(Root root, const QString&)
{
    if (!QDir().mkpath(folder(root)))
        return false;
    const QFileInfo info(storeFile(root));
    if (info.exists())
        return info.isWritable();
    return folderWritable(folder(root));
}

std::optional<QByteArray> SettingsStore::readValue(Root root, const QString& keyPath,
                                                   const QString& valueName)
{
    QSettings settings(storeFile(root), QSettings::IniFormat);
    const QVariant value = settings.value(settingsKey(keyPath, valueName));
    if (!value.isValid())
        return std::nullopt;
    return QByteArray::fromHex(value.toString().toLatin1());
}

bool SettingsStore::writeValue(Root root, const QString& keyPath, const QString& valueName,
                               const QByteArray& value)
{
    QSettings settings(storeFile(root), QSettings::IniFormat);
    if (!settings.isWritable())
        return false;
    settings.setValue(settingsKey(keyPath, valueName), QString::fromLatin1(value.toHex()));
    settings.sync();
    return settings.status() == QSettings::NoError;
}
