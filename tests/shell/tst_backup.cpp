#include "app/config.h"
#include "app/passwords.h"
#include "shell/backup.h"
#include "support/admin_process.h"
#include "support/scripted_interaction.h"
#include "support/test_database.h"
#include "support/test_environment.h"

#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QUuid>
#include <QtTest>

namespace {
int count(QSqlDatabase db, const QString& sql)
{
    QSqlQuery q(db);
    return q.exec(sql) && q.next() ? q.value(0).toInt() : -1;
}
} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void backupWhileInUseThenRestore_data() { TestDatabase::addEngineRows(); }
    void backupWhileInUseThenRestore()
    {
        QFETCH(Dialect::Kind, engine);
        TestEnvironment env;
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        AppSettings& s = mutableAppSettings();
        s.DatabaseName = engine == Dialect::Kind::SQLite ? "Orvane" : db.databaseName();
        s.DatabaseType = engine == Dialect::Kind::SQLite ? "SQLite" : "PostgreSQL";
        QSqlQuery q(db.dm().DBConn());
        QVERIFY(q.exec("INSERT INTO JSB (ID, XM) VALUES (102001, '甲'), (102002, '乙')"));

        // Pending changes stay out of the backup; the connection stays open throughout.
        QVERIFY(db.dm().JSB->open());
        db.dm().JSB->append();
        db.dm().JSB->setFieldValue(u"ID", 102003);
        QVERIFY(db.dm().JSB->post());
        BackupOutcome first = BackupDatabase(db.dm());
        QVERIFY2(first.ok, qPrintable(first.error));
        QVERIFY(q.exec("INSERT INTO JSB (ID, XM) VALUES (102009, '丙')"));
        BackupOutcome second = BackupDatabase(db.dm());
        QVERIFY2(second.ok, qPrintable(second.error));
        QCOMPARE(second.file, first.file);
        QCOMPARE(QDir(env.programFolder() + "Backup").entryList(QDir::Files).size(), 1);
        QVERIFY(db.dm().JSB->updateBatch()); // still usable after the backup

        // The backup restores into a fresh database with the three committed rows.
        ConnectionSpec target = db.spec();
        if (engine == Dialect::Kind::SQLite)
            target.file = env.path("restored.db");
        else
            target.database =
                "orvane_restored_" + QUuid::createUuid().toString(QUuid::Id128).left(8);
        const BackupOutcome restored = RestoreDatabase(target, second.file);
        QVERIFY2(restored.ok, qPrintable(restored.error));
        {
            TFDM check;
            QVERIFY(check.OpenConnection(target));
            QCOMPARE(count(check.DBConn(), "SELECT COUNT(*) FROM JSB"), 3);
            QCOMPARE(count(check.DBConn(), "SELECT COUNT(*) FROM JSB WHERE ID = 102003"), 0);
            if (engine == Dialect::Kind::PostgreSQL) {
                check.OpenConnection({engine, {}, target.login, {}});
                QSqlQuery drop(check.DBConn());
                drop.exec("DROP DATABASE " + Dialect::quoteIdentifier(target.database) +
                          " WITH (FORCE)");
            }
        }

        // A file of the other kind is refused before anything is touched.
        QFile other(env.path("other.bin"));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write(engine == Dialect::Kind::SQLite ? "PGDMP rest" : "SQLite format 3");
        other.close();
        const BackupOutcome wrong = RestoreDatabase(target, other.fileName());
        QVERIFY(!wrong.ok);
        QVERIFY(wrong.error.contains("is not a backup"));
    }

    void administratorRestoreAndPassword()
    {
        QTemporaryDir dir;
        const auto admin = [&](const QStringList& args) {
            return runAdmin(args, dir.filePath("home")).exitCode;
        };
        QCOMPARE(admin({"demo", "--dir", dir.path(), "--students", "5"}), 0);
        QCOMPARE(admin({"passwd", "--dir", dir.path(), "--oper", "102003", "--password", "新口令"}),
                 0);
        QVERIFY(admin({"passwd", "--dir", dir.path(), "--oper", "999999", "--password", "x"}) != 0);

        // Back up by copying the way the program does, break the database, restore it.
        const QString dbFile = dir.filePath("OrvaneDemo.db");
        const QString copy = dir.filePath("copy.db");
        QVERIFY(QFile::copy(dbFile, copy));
        {
            QSqlDatabase c = QSqlDatabase::addDatabase("QSQLITE", "break");
            c.setDatabaseName(dbFile);
            QVERIFY(c.open());
            QSqlQuery(c).exec("DELETE FROM XSB");
            c.close();
        }
        QSqlDatabase::removeDatabase("break");
        QVERIFY(admin({"restore", "--dir", dir.path(), dir.filePath("nope.db")}) != 0);
        QCOMPARE(admin({"restore", "--dir", dir.path(), copy}), 0);
        QSqlDatabase c = QSqlDatabase::addDatabase("QSQLITE", "look");
        c.setDatabaseName(dbFile);
        QVERIFY(c.open());
        QCOMPARE(count(c, "SELECT COUNT(*) FROM XSB"), 5);
        QSqlQuery kl(c);
        QVERIFY(kl.exec("SELECT KL FROM CZYB WHERE JSID = 102003") && kl.next());
        QVERIFY(VerifyPassword("新口令", kl.value(0).toString()));
        QVERIFY(!VerifyPassword("zhang2026", kl.value(0).toString()));
        kl.finish();
        c.close();
        c = QSqlDatabase();
        QSqlDatabase::removeDatabase("look");
    }
};

QTEST_MAIN(TestBackup)
#include "tst_backup.moc"
