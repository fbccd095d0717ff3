#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class TFDM;

// Arguments of one orvane-admin command: options "--name value" and the remaining words.
class AdminArgs
{
public:
    // Options that take a value, and flags that do not.
    AdminArgs(const QStringList& words, const QStringList& valueOptions,
              const QStringList& flagOptions = {});

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    std::optional<QString> value(const QString& option) const;
    bool flag(const QString& option) const { return m_flags.contains(option); }
    const QStringList& positional() const { return m_positional; }

private:
    QList<std::pair<QString, QString>> m_values;
    QStringList m_flags;
    QStringList m_positional;
    QString m_error;
};

void printOut(const QString& line);
void printErr(const QString& line);

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

int runConfigCommand(const QStringList& words);
int runDbCommand(const QStringList& words);
int runLoginCommand(const QStringList& words);
int runDemoCommand(const QStringList& words);
int runPasswdCommand(const QStringList& words);
int runRestoreCommand(const QStringList& words);
int runExportCommand(const QStringList& words);
int runImportCommand(const QStringList& words);
int runScoreCommand(const QStringList& words);
int runRescoreCommand(const QStringList& words);
int runStandardCommand(const QStringList& words);

// Replaces the standard tables (TZJKB, SGTZB, the shipped ZBLBB codes) with those of a folder,
// inside the caller's transaction; a summary of what was written, or why not.
class QSqlDatabase;
bool loadShippedStandard(QSqlDatabase db, const QString& folder, QString* summary, QString* error);

// Points the program folder and the settings stores at an installation folder.
bool useInstallation(const QString& dir);
// The same, then the data module of the installation (creating a missing database unasked);
// nullptr after saying why.
std::unique_ptr<TFDM> openInstallation(const QString& dir);
