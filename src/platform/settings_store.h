#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Our stand-in for the registry: two stores of byte values under backslash-separated key
// paths. "Local machine" lives in the program folder's settings/ (or the per-user
// configuration folder when the program folder is not writable), "current user" in the
// per-user configuration folder. Values are kept as hex text, so any bytes survive whole.
class SettingsStore
{
public:
    enum class Root { LocalMachine, CurrentUser };

    // Points the two stores at folders (tests use a temp folder).
    static void configure(const QString& localMachineFolder, const QString& currentUserFolder);
    // The standard places for a program folder.
    static void configureForProgramFolder(const QString& programFolder);
    static QString folder(Root root);

    // Opens a key, creating it when absent; false when the store cannot be written.
    static bool openKey(Root root, const QString& keyPath);
    static std::optional<QByteArray> readValue(Root root, const QString& keyPath,
                                               const QString& valueName);
    static bool writeValue(Root root, const QString& keyPath, const QString& valueName,
                           const QByteArray& value);
};
