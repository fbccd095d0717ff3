#include "support/admin_process.h"
#include "support/test_database.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

namespace {
// The installation's database, opened beside the tool's own connection.
class Peek
{
public:
    Peek(const QString& dir, bool postgres, const QString& pgName = QString())
    {
        if (postgres) {
            m_dm = std::make_unique<TFDM>();
            m_ok = m_dm->OpenConnection(
                {Dialect::Kind::PostgreSQL, {}, TestDatabase::postgresLogin(), pgName});
            m_db = m_dm->DBConn();
        } else {
            m_db = QSqlDatabase::addDatabase("QSQLITE", "peek");
            m_db.setDatabaseName(QDir(dir).filePath("Orvane.db"));
            m_ok = m_db.open();
        }
    }
    ~Peek()
    {
        if (!m_dm) {
            m_db = QSqlDatabase();
            QSqlDatabase::removeDatabase("peek");
        }
    }
    bool ok() const { return m_ok; }
    QVariant one(const QString& sql)
    {
        QSqlQuery q(m_db);
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }
    bool exec(const QString& sql)
    {
        QSqlQuery q(m_db);
        return q.exec(sql);
    }

private:
    std::unique_ptr<TFDM> m_dm;
    QSqlDatabase m_db;
    bool m_ok = false;
};

bool copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files)) {
        if (!QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name)))
            return false;
    }
    return true;
}

// The shipped folder with one line of one file changed.
QString damagedCopy(const QString& root, const QString& file, const QString& from,
                    const QString& to)
{
    const QString folder = QDir(root).filePath("damaged");
    copyFolder(QString::fromUtf8(ORVANE_STANDARD_DIR), folder);
    QFile f(QDir(folder).filePath(file));
    f.open(QIODevice::ReadOnly);
    QString text = QString::fromUtf8(f.readAll());
    f.close();
    text.replace(from, to);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.toUtf8());
    return folder;
}
} // namespace

class TestAdminStandard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replacesTheTables_data() { TestDatabase::addEngineRows(); }

    void replacesTheTables()
    {
        QFETCH(Dialect::Kind, engine);
        const bool pg = engine == Dialect::Kind::PostgreSQL;
        QTemporaryDir dir;
        const QString home = dir.filePath("home");
        const QString name =
            pg ? "orvane_std_" + QUuid::createUuid().toString(QUuid::Id128).left(8) : "Orvane";
        QCOMPARE(runAdmin({"config", "write", "--dir", dir.path(), "XDBName=" + name,
                           "DanWeiDaiMa=1", pg ? "DBType=PostgreSQL" : "DBType=SQLite"},
                          home)
                     .exitCode,
                 0);
        if (pg) {
            const ServerLogin login = TestDatabase::postgresLogin();
            QCOMPARE(runAdmin({"login", "--dir", dir.path(), "--server", login.server, "--user",
                               login.user, "--password", login.password},
                              home)
                         .exitCode,
                     0);
        }
        QCOMPARE(runAdmin({"db", "init", "--dir", dir.path()}, home).exitCode, 0);
        {
            Peek db(dir.path(), pg, name);
            QVERIFY(db.ok());
            // The institution's own rows: a typed standard row, an indicator the standard also
            // ships (other limits) and one it does not, holding a shipped key.
            QVERIFY(db.exec("INSERT INTO TZJKB (ID, NJBZ, XB, XM, GL, FZ) VALUES (1, '12', '男', "
                            "'旧', '04', 1)"));
            QVERIFY(db.exec("INSERT INTO ZBLBB (ID, ZBBM, ZBMC, XB, XXZ, SXZ) VALUES (5, '05', "
                            "'50米跑', '全部', 1, 2), (207001, '22', '视力', '全部', 3, 5)"));
        }

        // Without --yes nothing happens, and the tool says why.
        const AdminRun refused = runAdmin({"standard", "import", "--dir", dir.path()}, home);
        QVERIFY(refused.exitCode != 0);
        QVERIFY2(refused.err.contains("--yes") && refused.err.contains("TZJKB"),
                 qPrintable(refused.err));
        // A damaged file is refused before anything is deleted.
        const QString damaged = damagedCopy(dir.path(), "TZJKB.csv", ",3.13,3.17,", ",3.13,3.1x,");
        const AdminRun bad =
            runAdmin({"standard", "import", "--dir", dir.path(), "--from", damaged, "--yes"}, home);
        QVERIFY(bad.exitCode != 0);
        QVERIFY2(bad.err.contains("TZJKB.csv") && bad.err.contains("SXZ"), qPrintable(bad.err));
        {
            Peek db(dir.path(), pg, name);
            QCOMPARE(db.one("SELECT COUNT(*) FROM TZJKB").toInt(), 1);
            QCOMPARE(db.one("SELECT COUNT(*) FROM ZBLBB").toInt(), 2);
        }

        const AdminRun r = runAdmin({"standard", "import", "--dir", dir.path(), "--yes"}, home);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY(r.out.contains("TZJKB 574 rows"));
        Peek db(dir.path(), pg, name);
        QCOMPARE(db.one("SELECT COUNT(*) FROM TZJKB").toInt(), 574);
        QCOMPARE(db.one("SELECT COUNT(*) FROM TZJKB WHERE XM = '旧'").toInt(), 0);
        QCOMPARE(db.one("SELECT COUNT(*) FROM SGTZB").toInt(), 8);
        // Seventeen shipped indicators, one per code, and the institution's code 22 kept; the
        // shipped rows moved past its key.
        QCOMPARE(db.one("SELECT COUNT(*) FROM ZBLBB").toInt(), 18);
        QCOMPARE(db.one("SELECT COUNT(DISTINCT ZBBM) FROM ZBLBB").toInt(), 18);
        QCOMPARE(db.one("SELECT ZBMC FROM ZBLBB WHERE ID = 207001").toString(), QString("视力"));
        QCOMPARE(db.one("SELECT MIN(ID) FROM ZBLBB WHERE ZBBM <> '22'").toInt(), 207002);
        QCOMPARE(db.one("SELECT XXZ FROM ZBLBB WHERE ZBBM = '07'").toDouble(), -30.0);
        QCOMPARE(db.one("SELECT COUNT(*) FROM ZBLBB WHERE XB <> '全部'").toInt(), 0);
        // Bounds are the numbers a teacher types: 1000 m, 男 12, one bonus point is (3.09, 3.13].
        QCOMPARE(
            db.one("SELECT XXZ FROM TZJKB WHERE GL = '11' AND NJBZ = '12' AND FZ = 105").toDouble(),
            3.09);
        QCOMPARE(
            db.one("SELECT SXZ FROM TZJKB WHERE GL = '11' AND NJBZ = '12' AND FZ = 105").toDouble(),
            3.13);
        QCOMPARE(db.one("SELECT DJ FROM SGTZB WHERE XB = '男' AND SGXXZ = 23.95").toString(),
                 QString("超    重"));

        // Run again: the same rows, nothing doubled.
        QCOMPARE(runAdmin({"standard", "import", "--dir", dir.path(), "--yes"}, home).exitCode, 0);
        QCOMPARE(db.one("SELECT COUNT(*) FROM TZJKB").toInt(), 574);
        QCOMPARE(db.one("SELECT COUNT(*) FROM ZBLBB").toInt(), 18);
        if (pg) {
            TFDM admin;
            QVERIFY(admin.OpenConnection(
                {Dialect::Kind::PostgreSQL, {}, TestDatabase::postgresLogin(), {}}));
            QSqlQuery q(admin.DBConn());
            q.exec("DROP DATABASE " + Dialect::quoteIdentifier(name) + " WITH (FORCE)");
        }
    }

    // A failure while writing leaves every table as it was.
    void failureWritesNothing()
    {
        QTemporaryDir dir;
        const QString home = dir.filePath("home");
        QCOMPARE(runAdmin({"config", "write", "--dir", dir.path(), "XDBName=Orvane",
                           "DanWeiDaiMa=1", "DBType=SQLite"},
                          home)
                     .exitCode,
                 0);
        QCOMPARE(runAdmin({"db", "init", "--dir", dir.path()}, home).exitCode, 0);
        {
            Peek db(dir.path(), false);
            QVERIFY(db.exec("INSERT INTO TZJKB (ID, NJBZ, GL) VALUES (1, '12', '04')"));
            QVERIFY(db.exec("INSERT INTO ZBLBB (ID, ZBBM) VALUES (1, '05')"));
            // The last table written refuses its rows.
            QVERIFY(db.exec("CREATE TRIGGER refuse BEFORE INSERT ON ZBLBB BEGIN "
                            "SELECT RAISE(ABORT, 'refused by trigger'); END"));
        }
        const AdminRun r = runAdmin({"standard", "import", "--dir", dir.path(), "--yes"}, home);
        QVERIFY(r.exitCode != 0);
        QVERIFY2(r.err.contains("nothing was changed") && r.err.contains("refused by trigger"),
                 qPrintable(r.err));
        Peek db(dir.path(), false);
        QCOMPARE(db.one("SELECT COUNT(*) FROM TZJKB").toInt(), 1);
        QCOMPARE(db.one("SELECT COUNT(*) FROM SGTZB").toInt(), 0);
        QCOMPARE(db.one("SELECT COUNT(*) FROM ZBLBB WHERE ZBBM = '05'").toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAdminStandard)
#include "tst_admin_standard.moc"
