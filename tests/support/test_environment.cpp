#include "test_environment.h"

#include "app/config.h"
#include "platform/settings_store.h"

#include <QDir>

TestEnvironment::TestEnvironment()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("program"));
    setProgramFolder(programFolder());
    SettingsStore::configure(path(QStringLiteral("store/local-machine")),
                             path(QStringLiteral("store/current-user")));
}

QString TestEnvironment::programFolder() const
{
    return path(QStringLiteral("program")) + u'/';
}

QString TestEnvironment::path(const QString& relative) const
{
    return QDir(m_dir.path()).filePath(relative);
}

bool writeConfigFile(const QString& folder, const QList<std::pair<QString, QString>>& rows,
                     int compression)
{
    return WriteConfigFile(folder, rows, compression);
}
