#include "backup.h"

#include "app/config.h"
#include "data/data_module.h"
#include "shell/messages.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSaveFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <sqlite3.h>

#include <cstdio>

namespace {
constexpr char kSqliteMagic[] = "SQLite format 3";
constexpr char kDumpMagic[] = "PGDMP";

QString postgresTool(const char* name)
{
    // The newest installed client, so it is never older than the server.
    QDir lib(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
              [](const QString& a, const QString& b) { return a.toDouble() < b.toDouble(); });
    for (auto it = versions.crbegin(); it != versions.crend(); ++it) {
        const QString path = lib.filePath(*it + QStringLiteral("/bin/") + QLatin1String(name));
        if (QFileInfo::exists(path))
            return path;
    }
    return QStandardPaths::findExecutable(QLatin1String(name));
}

QProcessEnvironment passwordEnvironment(const ServerLogin& login)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), login.password);
    env.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QStringLiteral("15"));
    return env;
}

bool runTool(const QString& program, const QStringList& args, const ServerLogin& login,
             QString* error)
{
    if (program.isEmpty()) {
        *error = QStringLiteral("PostgreSQL client tools are not installed");
        return false;
    }
    QProcess p;
    p.setProcessEnvironment(passwordEnvironment(login));
    p.start(program, args);
    if (!p.waitForStarted() || !p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit ||
        p.exitCode() != 0) {
        *error = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        if (error->isEmpty())
            *error = p.errorString();
        return false;
    }
    return true;
}

QStringList serverArgs(const ServerLogin& login)
{
    return {QStringLiteral("-h"), login.host(), QStringLiteral("-p"), QString::number(login.port()),
            QStringLiteral("-U"), login.user,   QStringLiteral("-w")};
}

// Copies one SQLite database into another through the online backup.
bool copySqlite(sqlite3* from, sqlite3* to, QString* error)
{
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) {
        *error = QString::fromUtf8(sqlite3_errmsg(to));
        return false;
    }
    int rc;
    do {
        rc = sqlite3_backup_step(backup, 256);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            sqlite3_sleep(50);
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        *error = QString::fromUtf8(sqlite3_errstr(rc));
        return false;
    }
    return true;
}

bool startsWith(const QString& file, const char* magic)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(qint64(std::strlen(magic)));
    return head == QByteArray(magic);
}

BackupOutcome failed(const QString& file, const QString& error)
{
    return {false, file, error};
}
} // namespace

QString BackupFileName()
{
    const bool server =
        Dialect::kindForDatabaseType(appSettings().DatabaseType) == Dialect::Kind::PostgreSQL;
    return BackupFolder() + appSettings().DatabaseName +
           (server ? QStringLiteral(".dat") : QStringLiteral(".db"));
}

BackupOutcome BackupDatabase(TFDM& dm)
{
    const QString target = BackupFileName();
    QDir().mkpath(QFileInfo(target).absolutePath());
    // Written beside the old backup first, which stays until the new one is whole.
    const QString partial = target + QStringLiteral(".part");
    QFile::remove(partial);
    QString error;

    if (dm.dialect().kind() == Dialect::Kind::PostgreSQL) {
        const ServerLogin login = dm.serverLogin();
        if (!runTool(postgresTool("pg_dump"),
                     serverArgs(login) + QStringList{QStringLiteral("-Fc"), QStringLiteral("-f"),
                                                     partial, dm.DBConn().databaseName()},
                     login, &error)) {
            QFile::remove(partial);
            return failed(target, error);
        }
    } else {
        const QVariant handle = dm.DBConn().driver()->handle();
        sqlite3* source = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                              ? *static_cast<sqlite3* const*>(handle.data())
                              : nullptr;
        if (!source)
            return failed(target, QStringLiteral("no embedded database is open"));
        sqlite3* copy = nullptr;
        const bool ok = sqlite3_open(QFile::encodeName(partial).constData(), &copy) == SQLITE_OK &&
                        copySqlite(source, copy, &error);
        if (copy)
            sqlite3_close(copy);
        if (!ok) {
            QFile::remove(partial);
            return failed(target, error);
        }
    }
    // rename() replaces the old backup in one step.
    if (std::rename(QFile::encodeName(partial).constData(),
                    QFile::encodeName(target).constData()) != 0) {
        QFile::remove(partial);
        return failed(target, QStringLiteral("cannot replace %1").arg(target));
    }
    return {true, target, QString()};
}

BackupOutcome RestoreDatabase(const ConnectionSpec& target, const QString& file)
{
    const QString where = target.kind == Dialect::Kind::PostgreSQL ? target.database : target.file;
    if (!QFileInfo::exists(file))
        return failed(where, QStringLiteral("%1 does not exist").arg(file));
    QString error;
    if (target.kind == Dialect::Kind::PostgreSQL) {
        if (!startsWith(file, kDumpMagic))
            return failed(where,
                          QStringLiteral("%1 is not a backup of a server database").arg(file));
        // The database may be gone entirely; create it first when it is.
        {
            TFDM admin;
            if (!admin.OpenConnection(
                    {Dialect::Kind::PostgreSQL, {}, target.login, target.database})) {
                if (!admin.OpenConnection({Dialect::Kind::PostgreSQL, {}, target.login, {}}))
                    return failed(where, admin.lastConnectionError());
                QSqlQuery create(admin.DBConn());
                if (!create.exec(QStringLiteral("CREATE DATABASE ") +
                                 Dialect::quoteIdentifier(target.database)))
                    return failed(where, create.lastError().text());
            }
        }
        if (!runTool(postgresTool("pg_restore"),
                     serverArgs(target.login) +
                         QStringList{QStringLiteral("--clean"), QStringLiteral("--if-exists"),
                                     QStringLiteral("--no-owner"), QStringLiteral("-d"),
                                     target.database, file},
                     target.login, &error))
            return failed(where, error);
        return {true, where, QString()};
    }
    if (!startsWith(file, kSqliteMagic))
        return failed(where,
                      QStringLiteral("%1 is not a backup of an embedded database").arg(file));
    sqlite3* source = nullptr;
    sqlite3* dest = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(file).constData(), &source, SQLITE_OPEN_READONLY,
                              nullptr) == SQLITE_OK &&
              sqlite3_open(QFile::encodeName(target.file).constData(), &dest) == SQLITE_OK;
    if (!ok)
        error = QString::fromUtf8(sqlite3_errmsg(dest ? dest : source));
    else
        ok = copySqlite(source, dest, &error);
    sqlite3_close(source);
    sqlite3_close(dest);
    return ok ? BackupOutcome{true, where, QString()} : failed(where, error);
}

TFBR::TFBR(TFDM& dm, QWidget* parent) : QWidget(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("FBR"));
    setWindowTitle(QStringLiteral("数据库备份与恢复"));
    auto* layout = new QVBoxLayout(this);
    auto* panel = new QLabel(QStringLiteral("请做好数据库的备份工作..."), this);
    panel->setAlignment(Qt::AlignCenter);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setMinimumHeight(60);
    layout->addWidget(panel);
    auto* buttons = new QHBoxLayout;
    Bbak = new QPushButton(QStringLiteral("备份"), this);
    Bbak->setObjectName(QStringLiteral("Bbak"));
    Bbak->setToolTip(QStringLiteral("备份数据库 ..."));
    Bexit = new QPushButton(QStringLiteral("退出"), this);
    Bexit->setObjectName(QStringLiteral("Bexit"));
    Bexit->setToolTip(QStringLiteral("退出..."));
    buttons->addStretch();
    buttons->addWidget(Bbak);
    buttons->addWidget(Bexit);
    layout->addLayout(buttons);
    setFixedSize(320, 130);
    connect(Bbak, &QPushButton::clicked, this, &TFBR::BbakClick);
    connect(Bexit, &QPushButton::clicked, this, &TFBR::closeRequested);
}

void TFBR::BbakClick()
{
    if (m_dm.dialect().kind() == Dialect::Kind::PostgreSQL &&
        !AskYesNo(QStringLiteral("数据库备份前请关闭所有工作站点..."), false))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const BackupOutcome outcome = BackupDatabase(m_dm);
    QApplication::restoreOverrideCursor();
    if (outcome.ok)
        ShowInfoMessage(QStringLiteral("数据备份成功..."), true);
    else
        ShowErrorMessage(QStringLiteral("数据备份失败...\r\n") + outcome.error);
}
