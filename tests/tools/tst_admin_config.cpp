#include "app/config.h"
#include "support/scripted_interaction.h"
#include "support/test_environment.h"

#include <QProcess>
#include <QtTest>

namespace {
struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run admin(const QStringList& args)
{
    QProcess p;
    p.start(qEnvironmentVariable("ORVANE_ADMIN"), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
} // namespace

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
        Run r = admin(
            QStringList{"config", "write", "--dir", dir.path(), "--compression", compression} +
            pairs);
        QCOMPARE(r.exitCode, 0);
        r = admin({"config", "show", "--dir", dir.path()});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, pairs.join(u'\n') + u'\n');
    }

    void theProgramReadsWhatTheToolWrites()
    {
        TestEnvironment env;
        QCOMPARE(admin({"config", "write", "--dir", env.programFolder(), "xdbname=Demo",
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
        Run r = admin({"config", "show", "--dir", dir.path()});
        QVERIFY(r.exitCode != 0);
        QVERIFY(r.err.contains("Korvel.XIX"));

        QFile broken(dir.filePath("Korvel.XIX"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(100, 'Z'));
        broken.close();
        r = admin({"config", "show", "--dir", dir.path()});
        QVERIFY(r.exitCode != 0);
        QVERIFY(r.out.isEmpty());

        QCOMPARE(admin({"config", "write", "--dir", dir.path(), "novalue"}).exitCode, 2);
        QCOMPARE(
            admin({"config", "write", "--dir", dir.path(), "--compression", "4", "A=1"}).exitCode,
            2);
        QCOMPARE(admin({"config", "write", "A=1"}).exitCode, 2);
        QCOMPARE(admin({"nonsense"}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestAdminConfig)
#include "tst_admin_config.moc"
