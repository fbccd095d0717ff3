#pragma once

#include <QString>
#include <QWidget>

class TFDM;
class QPushButton;

// Copies the whole database into the backup folder: SQLite through its online backup (the
// connection stays open, the copy is consistent), PostgreSQL with pg_dump in custom format.
// The new file replaces the previous backup only once it is complete.
struct BackupOutcome
{
    bool ok = false;
    QString file;
    QString error;
};
QString BackupFileName(); // BackupFolder + DatabaseName + ".db" or ".dat"
BackupOutcome BackupDatabase(TFDM& dm);

// Puts a backup back into the database the target names (the program should be closed): the file
// must be a backup of that database type.
struct ConnectionSpec;
BackupOutcome RestoreDatabase(const ConnectionSpec& target, const QString& file);

// The backup window.
class TFBR : public QWidget
{
    Q_OBJECT

public:
    explicit TFBR(TFDM& dm, QWidget* parent = nullptr);

    QPushButton* Bbak = nullptr;
    QPushButton* Bexit = nullptr;

    void BbakClick();

Q_SIGNALS:
    void closeRequested();

private:
    TFDM& m_dm;
};
