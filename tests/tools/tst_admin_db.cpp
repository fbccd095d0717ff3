#include "support/admin_process.h"
#include "support/test_database.h"

#include <QDir>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

namespace {
int count(const QString& file, const QString& sql)
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "peek");
    db.setDatabaseName(file);
    int n = -1;
    if (db.open()) {
        QSqlQuery q(db);
        if (q.exec(sql) && q.next())
            n = q.value(0).toInt();
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("peek");
    return n;
}
} // namespace

class TestAdminDb : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void demoInstallation()
    {
        QTemporaryDir dir;
        const AdminRun r =
            runAdmin({"demo", "--dir", dir.path(), "--students", "40"}, dir.filePath("home"));
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("102001"));
        const QString db = dir.filePath("OrvaneDemo.db");
        QCOMPARE(count(db, "SELECT COUNT(*) FROM XSB"), 40);
        QCOMPARE(count(db, "SELECT COUNT(*) FROM CZYB"), 4);
        QVERIFY(count(db, "SELECT COUNT(*) FROM XZBB") > 0);
        QVERIFY(count(db, "SELECT COUNT(*) FROM BZB") > 0);
        QVERIFY(count(db, "SELECT COUNT(*) FROM XYZYB WHERE PID <> 0") > 0);
        // Every generated text fits its column.
        QCOMPARE(count(db, "SELECT COUNT(*) FROM XSB WHERE length(BJ) > 9"), 0);

        // The shipped standard, and score rows to type into: teacher 102001 has a class of 30.
        QCOMPARE(count(db, "SELECT COUNT(*) FROM TZJKB"), 574);
        QCOMPARE(count(db, "SELECT COUNT(*) FROM SGTZB"), 8);
        QCOMPARE(count(db, "SELECT COUNT(*) FROM CJB"), 40);
        QCOMPARE(count(db, "SELECT MAX(n) FROM (SELECT COUNT(*) AS n FROM CJB WHERE JSID = "
                           "102001 AND XN = 2027 GROUP BY XZBMC)"),
                 30);
        QCOMPARE(count(db, "SELECT COUNT(*) FROM CJB c JOIN XSB s ON s.ID = c.XH AND s.XM = "
                           "c.XSXM AND s.XB = c.XB"),
                 40);
        QCOMPARE(count(db, "SELECT COUNT(DISTINCT ID) FROM CJB WHERE length(ID) = 18 AND ID LIKE "
                           "JSID || '.202609.%'"),
                 40);
        QCOMPARE(count(db, "SELECT MIN(ID) = '102001.202609.0001' FROM CJB"), 1);
        // The items each sex is tested in; the others stay NULL.
        QCOMPARE(count(db, "SELECT COUNT(*) FROM CJB WHERE XB = '男' AND QMPJ = '-1' AND YTPJ = "
                           "'-1' AND BBPJ IS NULL AND YWPJ IS NULL AND WSPJ = '-1' AND TYPJ = '-1' "
                           "AND QQPJ = '-1' AND TJPJ IS NULL AND WLPJ IS NULL AND SXPJ IS NULL"),
                 20);
        QCOMPARE(count(db, "SELECT COUNT(*) FROM CJB WHERE XB = '女' AND QMPJ IS NULL AND YTPJ IS "
                           "NULL AND BBPJ = '-1' AND YWPJ = '-1' AND WSPJ = '-1' AND TYPJ = '-1' "
                           "AND QQPJ = '-1' AND TSPJ IS NULL AND PQPJ IS NULL"),
                 20);
        QCOMPARE(count(db,
                       "SELECT COUNT(*) FROM CJB WHERE MS = '否' AND TBDF = 0 AND DJ = '不及格' "
                       "AND BZ = 0.5 AND NJBZ = '12' AND XQ = 202609 AND LBID = 3 AND SG IS "
                       "NULL AND WSCJ IS NULL AND TBZF IS NULL"),
                 40);

        // A second demo into the same folder is refused; db init finds everything in place.
        QVERIFY(runAdmin({"demo", "--dir", dir.path()}, dir.filePath("home")).exitCode != 0);
        const AdminRun init = runAdmin({"db", "init", "--dir", dir.path()}, dir.filePath("home"));
        QCOMPARE(init.exitCode, 0);
        QVERIFY(init.out.contains("(0 tables and keys created)"));
    }

    void initWithoutConfigurationFails()
    {
        QTemporaryDir dir;
        const AdminRun r = runAdmin({"db", "init", "--dir", dir.path()}, dir.filePath("home"));
        QVERIFY(r.exitCode != 0);
        QVERIFY(r.err.contains("缺少配置文件"));
    }

    void serverLoginThenInit()
    {
        if (!TestDatabase::postgresAvailable())
            QSKIP("no PostgreSQL server for this run");
        QTemporaryDir dir;
        const QString name = "orvane_admin_" + QUuid::createUuid().toString(QUuid::Id128).left(8);
        const ServerLogin login = TestDatabase::postgresLogin();
        QCOMPARE(runAdmin({"config", "write", "--dir", dir.path(), "XDBName=" + name,
                           "DanWeiDaiMa=1", "DBType=PostgreSQL"},
                          dir.filePath("home"))
                     .exitCode,
                 0);
        // Without a stored login the start cannot go on.
        QVERIFY(runAdmin({"db", "init", "--dir", dir.path()}, dir.filePath("home")).exitCode != 0);
        QVERIFY(runAdmin({"login", "--dir", dir.path(), "--server", login.server, "--user",
                          login.user, "--password", "wrong"},
                         dir.filePath("home"))
                    .exitCode != 0);
        QCOMPARE(runAdmin({"login", "--dir", dir.path(), "--server", login.server, "--user",
                           login.user, "--password", login.password},
                          dir.filePath("home"))
                     .exitCode,
                 0);
        const QByteArray stored = [&] {
            QFile f(dir.filePath("settings/registry.ini"));
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();
        QVERIFY(!stored.isEmpty());
        QVERIFY(!stored.contains(login.password.toUtf8()));
        const AdminRun init = runAdmin({"db", "init", "--dir", dir.path()}, dir.filePath("home"));
        QCOMPARE(init.exitCode, 0);
        QVERIFY(init.out.contains("database ready"));

        TFDM check;
        QVERIFY(check.OpenConnection({Dialect::Kind::PostgreSQL, {}, login, name}));
        QVERIFY(check.DBConn().tables().contains("cjb"));
        check.OpenConnection({Dialect::Kind::PostgreSQL, {}, login, {}});
        QSqlQuery q(check.DBConn());
        QVERIFY(q.exec("DROP DATABASE " + Dialect::quoteIdentifier(name) + " WITH (FORCE)"));
    }
};

QTEST_GUILESS_MAIN(TestAdminDb)
#include "tst_admin_db.moc"
