#pragma once

#include <QString>
#include <QTemporaryDir>

#include <utility>

// A throwaway installation: program folder and both settings stores in one temp folder.
class TestEnvironment
{
public:
    TestEnvironment();
    QString root() const { return m_dir.path(); }
    QString programFolder() const;
    QString path(const QString& relative) const;

private:
    QTemporaryDir m_dir;
};

// Writes a configuration file with these rows into the folder.
bool writeConfigFile(const QString& folder, const QList<std::pair<QString, QString>>& rows,
                     int compression = 1);
