#include "app/config.h"
#include "app/txini.h"
#include "platform/strict_number.h"
#include "platform/xerrors.h"
#include "support/scripted_interaction.h"
#include "support/test_environment.h"

#include <QDir>
#include <QtTest>

using Rows = QList<std::pair<QString, QString>>;

class TestConfig : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keysMatchIgnoringCaseFirstRowWinsBlanksKept_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("lower-case keys")
            << Rows{{"xdbname", "Orvane"}, {"dbtype", "SQLite"}} << "XDBName"
            << "Orvane";
        QTest::newRow("upper-case keys")
            << Rows{{"XDBNAME", "Orvane"}, {"DBTYPE", "SQLite"}} << "DBType"
            << "SQLite";
        QTest::newRow("doubled key: first wins")
            << Rows{{"DBType", "SQL7"}, {"dbtype", "SQLite"}} << "DBType"
            << "SQL7";
        QTest::newRow("blanks kept")
            << Rows{{"DanWeiMingCheng", "  示范 学院 "}} << "DanWeiMingCheng"
            << "  示范 学院 ";
        QTest::newRow("value case kept") << Rows{{"DBType", "sql2000"}} << "DBType"
                                         << "sql2000";
        QTest::newRow("absent key") << Rows{{"DBType", "SQLite"}} << "XDBName"
                                    << "";
        QTest::newRow("no rows") << Rows{} << "XDBName"
                                 << "";
    }
    void keysMatchIgnoringCaseFirstRowWinsBlanksKept()
    {
        QFETCH(Rows, rows);
        QTemporaryDir dir;
        QVERIFY(writeConfigFile(dir.path(), rows));
        TXIni ini;
        QCOMPARE(ini.setFileName(QDir(dir.path()).filePath("Korvel.XIX")), rows.size());
        QFETCH(QString, key);
        QTEST(ini.ReadValue(key), "expected");
    }

    void unreadableFilesLoadNothing()
    {
        QTemporaryDir dir;
        TXIni ini;
        QCOMPARE(ini.ReadValue("XDBName"), QString()); // never loaded
        QCOMPARE(ini.setFileName(dir.filePath("absent.XIX")), -1);
        QVERIFY(!ini.isOpen());

        QFile garbage(dir.filePath("garbage.XIX"));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("this is not a configuration file at all");
        garbage.close();
        QCOMPARE(ini.setFileName(garbage.fileName()), -1);
        QCOMPARE(ini.ReadValue("XDBName"), QString());
    }

    void readConfigFillsTheFiveSettings()
    {
        TestEnvironment env;
        QVERIFY(writeConfigFile(env.programFolder(), {{"XDBName", "Orvane"},
                                                      {"DanWeiDaiMa", "10001"},
                                                      {"DanWeiMingCheng", "示范学院 "},
                                                      {"DBType", "SQL2000"},
                                                      {"SuperOperPassword", "p@ss"}}));
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        QVERIFY(ReadConfig());
        const AppSettings& s = appSettings();
        QCOMPARE(s.DatabaseName, QString("Orvane"));
        QCOMPARE(s.UnitCode, 10001);
        QCOMPARE(s.InstitutionName, QString("示范学院 "));
        QCOMPARE(s.DatabaseType, QString("SQL2000"));
        QCOMPARE(s.SuperPassword, QString("p@ss"));
        QVERIFY(ui.systemMessages.isEmpty());
        QVERIFY(ui.messages.isEmpty());
    }

    void missingConfigShowsTheMessageBox()
    {
        TestEnvironment env;
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        QVERIFY(!ReadConfig());
        QCOMPARE(ui.systemMessages.size(), 1);
        QCOMPARE(ui.systemMessages[0].text, QString("缺少配置文件,请与管理员联系..."));
        QCOMPARE(ui.systemMessages[0].caption, QString("错误"));
        QCOMPARE(ui.systemMessages[0].icon, SystemMessageIcon::Error);
    }

    void badUnitCodeIsAConversionError_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::newRow("not a number") << Rows{{"XDBName", "Orvane"}, {"DanWeiDaiMa", "abc"}};
        QTest::newRow("empty") << Rows{{"XDBName", "Orvane"}, {"DanWeiDaiMa", ""}};
        QTest::newRow("absent") << Rows{{"XDBName", "Orvane"}};
    }
    void badUnitCodeIsAConversionError()
    {
        QFETCH(Rows, rows);
        TestEnvironment env;
        QVERIFY(writeConfigFile(env.programFolder(), rows));
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        QVERIFY_THROWS_EXCEPTION(XConvertError, ReadConfig());
    }

    void damagedConfigReadsEmptyAndFailsOnTheUnitCode()
    {
        TestEnvironment env;
        QFile f(env.programFolder() + "Korvel.XIX");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(40, '\x7f'));
        f.close();
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        QVERIFY_THROWS_EXCEPTION(XConvertError, ReadConfig());
        QVERIFY(ui.systemMessages.isEmpty());
    }

    void strictWholeNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "10001" << true << 10001;
        QTest::newRow("leading blanks") << "  42" << true << 42;
        QTest::newRow("signs") << "-17" << true << -17;
        QTest::newRow("plus") << "+8" << true << 8;
        QTest::newRow("hex") << "$1F" << true << 31;
        QTest::newRow("min") << "-2147483648" << true << int(-2147483648LL);
        QTest::newRow("max") << "2147483647" << true << 2147483647;
        QTest::newRow("too big") << "2147483648" << false << 0;
        QTest::newRow("trailing blank") << "12 " << false << 0;
        QTest::newRow("fraction") << "1.5" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("full-width digits") << "１２" << false << 0;
    }
    void strictWholeNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        if (valid) {
            QTEST(StrToInt(text), "value");
        } else {
            QVERIFY_THROWS_EXCEPTION(XConvertError, StrToInt(text));
        }
    }

    void workingFoldersAreCreated()
    {
        TestEnvironment env;
        prepareWorkingFolders();
        for (const char* name : {"Temp", "Trans", "Backup", "MainImg", "Excel"})
            QVERIFY2(QDir(env.programFolder() + name).exists(), name);
        QCOMPARE(TransFolder(), env.programFolder() + "Trans");
        QCOMPARE(BackupFolder(), env.programFolder() + "Backup/");
        QCOMPARE(ExcelFolder(), env.programFolder() + "Excel/");
    }
};

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
