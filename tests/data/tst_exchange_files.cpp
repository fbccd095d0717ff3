#include "app/config.h"
#include "data/exchange_files.h"
#include "support/scripted_interaction.h"
#include "support/test_database.h"
#include "support/test_environment.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

namespace {
// A fresh dataset on the ethnicities, owned by the data module.
Dataset& nations(TestDatabase& db)
{
    auto* ds = new Dataset(&db.dm());
    ds->setConnection(db.dm().DBConn(), &db.dm().dialect());
    ds->setSql("Select * from tNation order by DM");
    ds->open();
    return *ds;
}
} // namespace

class TestExchangeFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void filterAndDefaultName()
    {
        TestEnvironment env;
        mutableAppSettings().InstitutionName = "示范学院";
        QCOMPARE(FileFilterText("XA1"), QString("*.XA1(XA1文件)|*.XA1|*.*(所有文件)|*.*"));
        QCOMPARE(FileFilterText(".xls;csv"),
                 QString("*.xls(xls文件)|*.xls|*.csv(csv文件)|*.csv|*.*(所有文件)|*.*"));
        QCOMPARE(DefaultExchangeFileName("民族字典表"),
                 env.programFolder() + "Trans/民族字典表_示范学院");
    }

    void exportThenImportMerges()
    {
        TestEnvironment env;
        mutableAppSettings().InstitutionName = "示范学院";
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(Dialect::Kind::SQLite);
        QVERIFY(db.createSchema());
        QSqlQuery q(db.dm().DBConn());
        QVERIFY2(q.exec("INSERT INTO tNation (DM, MC) VALUES ('01', '汉族'), ('02', '蒙古族'), "
                        "('03', '回族')"),
                 qPrintable(q.lastError().text()));
        Dataset& source = nations(db);
        const QString file = env.path("民族字典表_示范学院.XA1");

        // Export, then the target gets changed rows, a missing row and an extra row.
        ui.chooseNextFile(file);
        QVERIFY(ExportExchangeFile(source, "民族字典表", "DM"));
        QCOMPARE(ui.messageTexts(), QStringList{"成功完成导出..."});
        QCOMPARE(ui.fileRequests[0].filter, QString("*.XA1(XA1文件)|*.XA1|*.*(所有文件)|*.*"));
        QCOMPARE(ui.fileRequests[0].fileName, QString("民族字典表_示范学院"));
        QVERIFY(ui.fileRequests[0].save);
        QVERIFY(q.exec("UPDATE tNation SET MC = '改过' WHERE DM = '01'"));
        QVERIFY(q.exec("DELETE FROM tNation WHERE DM = '02'"));
        QVERIFY(q.exec("INSERT INTO tNation (DM, MC) VALUES ('09', '其他')"));
        Dataset& target = nations(db);

        ui.clear();
        ui.chooseNextFile(file);
        QVERIFY(ImportExchangeFile(target, "民族字典表", "DM"));
        QCOMPARE(ui.messageTexts(), QStringList{"成功完成导入..."});
        QVERIFY(ui.fileRequests[0].title.startsWith("打开"));
        QCOMPARE(target.pendingCount(), 2); // 01 changed back, 02 added; 03 and 09 untouched
        QVERIFY(target.updateBatch());
        QVERIFY(q.exec("SELECT DM, MC FROM tNation ORDER BY DM"));
        QStringList rows;
        while (q.next())
            rows.append(q.value(0).toString() + "=" +
                        (q.value(1).isNull() ? "NULL" : q.value(1).toString()));
        QCOMPARE(rows, (QStringList{"01=汉族", "02=蒙古族", "03=回族", "09=其他"}));

        // The same file again changes nothing.
        ui.chooseNextFile(file);
        QVERIFY(ImportExchangeFile(target, "民族字典表", "DM"));
        QCOMPARE(target.pendingCount(), 0);
    }

    void refusalsAndDamage()
    {
        TestEnvironment env;
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(Dialect::Kind::SQLite);
        QVERIFY(db.createSchema());
        Dataset& target = nations(db);

        // An empty table exports its fields and no rows, packed or not.
        const QString packed = env.path("民族字典表_packed.XA1");
        QCOMPARE(SaveToExchangeFile(target, packed, "DM", true), 0);
        QVERIFY(!QFile::exists(packed + "X"));
        QCOMPARE(MergeFromExchangeFile(target, packed, "DM"), 0);

        // A file for another table is refused before it is read.
        ui.chooseNextFile(env.path("does-not-exist/年级类别表_x.XA1"));
        QVERIFY(!ImportExchangeFile(target, "民族字典表", "DM"));
        QCOMPARE(ui.messageTexts(), QStringList{"请选择正确的文件...\r\n应该是“民族字典表”文件"});

        // A damaged file fails as a whole.
        QFile bad(env.path("民族字典表_bad.XA1"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("OVRT garbage");
        bad.close();
        ui.clear();
        ui.chooseNextFile(bad.fileName());
        QVERIFY(!ImportExchangeFile(target, "民族字典表", "DM"));
        QCOMPARE(ui.messageTexts(), QStringList{"导入失败!"});

        // Cancelling the dialog does nothing.
        ui.clear();
        QVERIFY(!ExportExchangeFile(target, "民族字典表", "DM"));
        QVERIFY(ui.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestExchangeFiles)
#include "tst_exchange_files.moc"
