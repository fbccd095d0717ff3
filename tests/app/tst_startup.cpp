#include "app/app_registry.h"
#include "app/config.h"
#include "data/data_module.h"
#include "platform/settings_store.h"
#include "support/scripted_interaction.h"
#include "support/test_database.h"
#include "support/test_environment.h"

#include <QFile>
#include <QSqlQuery>
#include <QUuid>
#include <QtTest>

using Rows = QList<std::pair<QString, QString>>;

namespace {
Rows config(const QString& type, const QString& name = QStringLiteral("OrvaneTest"))
{
    return {{"XDBName", name},
            {"DanWeiDaiMa", "1"},
            {"DanWeiMingCheng", "示范学院"},
            {"DBType", type},
            {"SuperOperPassword", "x"}};
}

void dropServerDatabase(const QString& name)
{
    TFDM admin;
    if (admin.OpenConnection({Dialect::Kind::PostgreSQL, {}, TestDatabase::postgresLogin(), {}})) {
        QSqlQuery q(admin.DBConn());
        q.exec("DROP DATABASE IF EXISTS " + Dialect::quoteIdentifier(name) + " WITH (FORCE)");
    }
}
} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { TFDM::setFirstRunDialog({}); }

    void missingConfiguration()
    {
        TestEnvironment env;
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TFDM dm;
        QVERIFY(!dm.create());
        QCOMPARE(ui.systemMessages.size(), 1);
        QCOMPARE(ui.systemMessages[0].text, QString("缺少配置文件,请与管理员联系..."));
    }

    void embeddedDatabaseIsCreatedAfterTheQuestion()
    {
        TestEnvironment env;
        QVERIFY(writeConfigFile(env.programFolder(), config("SQLite")));
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        {
            TFDM dm;
            ui.answerNo();
            QVERIFY(!dm.create());
            QCOMPARE(ui.messageTexts(), QStringList{"主数据库不存在,是否创建?"});
            QCOMPARE(ui.messages[0].kind, 6); // focus on 不是
            QVERIFY(!QFile::exists(env.programFolder() + "OrvaneTest.db"));
        }
        ui.clear();
        {
            TFDM dm;
            ui.answerYes();
            QVERIFY(dm.create());
            QCOMPARE(ui.messageTexts(), QStringList{"主数据库不存在,是否创建?"});
            QVERIFY(dm.CZYB->isOpen() && dm.QGL->isOpen() && dm.NJB->isOpen());
            QVERIFY(dm.QLB->isOpen());
            QVERIFY(dm.QLB->sql().contains("substr(BM,2,1)"));
            const auto marker =
                SettingsStore::readValue(SettingsStore::Root::CurrentUser, "Sabrel", "管理员");
            QVERIFY(marker && marker->isEmpty());
            // A table lost later is created again without a question.
            QSqlQuery q(dm.DBConn());
            QVERIFY(q.exec("DROP TABLE JSB"));
        }
        ui.clear();
        {
            TFDM dm;
            QVERIFY(dm.create());
            QVERIFY(ui.messages.isEmpty());
            QVERIFY(dm.JSB->isOpen());
        }
        // The legacy spelling of the embedded type opens the same file.
        QVERIFY(writeConfigFile(env.programFolder(), config("Access")));
        TFDM legacy;
        QVERIFY(legacy.create());
        QVERIFY(ui.messages.isEmpty());
    }

    void unusableEmbeddedFileAndUnknownType()
    {
        TestEnvironment env;
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        QFile junk(env.programFolder() + "OrvaneTest.db");
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'j'));
        junk.close();
        QVERIFY(writeConfigFile(env.programFolder(), config("SQLite")));
        {
            TFDM dm;
            QVERIFY(!dm.create());
            QCOMPARE(ui.messageTexts(), QStringList{"Access数据库不存在!"});
        }
        ui.clear();
        QVERIFY(writeConfigFile(env.programFolder(), config("sql2000")));
        TFDM dm;
        QVERIFY(!dm.create());
        QCOMPARE(ui.messageTexts(),
                 (QStringList{"创建数据表失败!\r\n请与管理员联系...", "数据表打开有误,退出程序!"}));
    }

    void serverFirstRun_data()
    {
        QTest::addColumn<QString>("type");
        QTest::newRow("SQL2000") << "SQL2000";
        QTest::newRow("SQL7") << "SQL7";
        QTest::newRow("PostgreSQL") << "PostgreSQL";
    }
    void serverFirstRun()
    {
        QFETCH(QString, type);
        if (!TestDatabase::postgresAvailable())
            QSKIP("no PostgreSQL server for this run");
        TestEnvironment env;
        // A mixed-case name: created and connected with the same spelling.
        const QString name = "Orvane_" + QUuid::createUuid().toString(QUuid::Id128).left(8);
        QVERIFY(writeConfigFile(env.programFolder(), config(type, name)));
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        int dialogs = 0;
        TFDM::setFirstRunDialog([&]() -> std::optional<ServerLogin> {
            ++dialogs;
            return TestDatabase::postgresLogin();
        });
        {
            TFDM dm;
            ui.answerYes();
            QVERIFY(dm.create());
            QCOMPARE(dialogs, 1);
            QCOMPARE(ui.messageTexts(), QStringList{"主数据库不存在,是否创建?"});
            QVERIFY(dm.CZYB->isOpen());
            QCOMPARE(dm.DBConn().databaseName(), name);
            QVERIFY(dm.QLB->sql().contains("Substring(BM,2,1)"));
        }
        // The dialog's login is stored by the dialog; here the test stores it as it would.
        const ServerLogin login = TestDatabase::postgresLogin();
        mutableAppSettings().DatabaseName = name;
        WriteAppRegString("Data Source", login.server);
        WriteAppRegString("User ID", login.user);
        WriteAppRegString("Password", login.password);
        ui.clear();
        {
            TFDM dm;
            QVERIFY(dm.create());
            QCOMPARE(dialogs, 1); // a working stored login shows no dialog
            QVERIFY(ui.messages.isEmpty());
        }
        // A stored login that fails shows the dialog; cancelling ends the start.
        WriteAppRegString("Password", "wrong");
        TFDM::setFirstRunDialog([&]() -> std::optional<ServerLogin> {
            ++dialogs;
            return std::nullopt;
        });
        {
            TFDM dm;
            QVERIFY(!dm.create());
            QCOMPARE(dialogs, 2);
        }
        dropServerDatabase(name);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
