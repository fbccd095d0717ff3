#include "app/config.h"
#include "support/admin_process.h"
#include "support/scripted_interaction.h"
#include "support/test_environment.h"

#include <QProcess>
#include <QtTest>

class TestAdminConfig : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(QFileInfo::exists(qEnvironmentVariable("ORVANE_ADMIN"))); }

    void writeThenShowInFileOrder_data()
    {
        QTest::addColumn<QString>("compression");
        for (const char* c : {"0", "1", "2", "3"})
            QTest::newRow(c) << QString::fromLatin1(c);
    }
    void writeThenShowInFileOrder()
    {
        QFETCH(QString, compression);
        QTemporaryDir dir;
        const QStringList pairs = {
            "XDBName=Orvane", "DanWeiDaiMa=10001",     "DanWeiMingCheng= 示范学院 ",
            "DBType=SQLite",  "SuperOperPassword=a=b", "Empty="};
        AdminRun r = runAdmin(
            QStringList{"config", "write", "--dir", dir.path(), "--compression", compression} +
            pairs);
        QCOMPARE(r.exitCode, 0);
        r = runAdmin({"config", "show", "--dir", dir.path()});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, pairs.join(u'\n') + u'\n');
    }

    void theProgramReadsWhatTheToolWrites()
    {
        TestEnvironment env;
        QCOMPARE(runAdmin({"config", "write", "--dir", env.programFolder(), "xdbname=Demo",
                           "DANWEIDAIMA=77", "DBType=SQLite"})
                     .exitCode,
                 0);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        QVERIFY(ReadConfig());
        QCOMPARE(appSettings().DatabaseName, QString("Demo"));
        QCOMPARE(appSettings().UnitCode, 77);
        QCOMPARE(appSettings().DatabaseType, QString("SQLite"));
    }

    void failuresExitNonZero()
    {
        QTemporaryDir dir;
        AdminRun r = runAdmin({"config", "show", "--dir", dir.path()});
        QVERIFY(r.exitCode != 0);
        QVERIFY(r.err.contains("Korvel.XIX"));

        QFile broken(dir.filePath("Korvel.XIX"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(100, 'Z'));
        broken.close();
        r = runAdmin({"config", "show", "--dir", dir.path()});
        QVERIFY(r.exitCode != 0);
        QVERIFY(r.out.isEmpty());

        QCOMPARE(runAdmin({"config", "write", "--dir", dir.path(), "novalue"}).exitCode, 2);
        QCOMPARE(runAdmin({"config", "write", "--dir", dir.path(), "--compression", "4", "A=1"})
                     .exitCode,
                 2);
        QCOMPARE(runAdmin({"config", "write", "A=1"}).exitCode, 2);
        QCOMPARE(runAdmin({"nonsense"}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestAdminConfig)
#include "tst_admin_config.moc"
