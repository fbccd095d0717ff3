#include "app/config.h"
#include "app/current_operator.h"
#include "data/data_module.h"
#include "data/excel_import.h"
#include "platform/spreadsheet.h"
#include "refdata/import_xls_window.h"
#include "support/admin_process.h"
#include "support/scripted_interaction.h"
#include "support/test_database.h"
#include "support/test_environment.h"

#include <QListWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

namespace {
Dataset& teachers(TestDatabase& db)
{
    auto* ds = new Dataset(&db.dm());
    ds->setConnection(db.dm().DBConn(), &db.dm().dialect());
    ds->setSql("SELECT * FROM JSB ORDER BY ID");
    ds->open();
    return *ds;
}

void pick(QListWidget* list, const QString& text)
{
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    list->setCurrentItem(found.first());
}
} // namespace

class TestExcelImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keysAndCellsOfAMerge()
    {
        TestDatabase db(Dialect::Kind::SQLite);
        QVERIFY(db.createSchema());
        QSqlQuery q(db.dm().DBConn());
        QVERIFY(q.exec("INSERT INTO JSB (ID, XM, ZC) VALUES (102001, '甲', '讲师')"));
        Dataset& target = teachers(db);

        Sheet sheet;
        sheet.header = {"id", "Name", "Title"};
        sheet.rows = {{qint64(102001), "甲改", qint64(7)}, // existing key: values overwritten
                      {QVariant(), "乙", 12.0},            // no key: a new one
                      {QVariant(), "丙", QVariant()},      // and the next
                      {qint64(102050), "丁", "教授"}};     // an unknown key is added as given
        // A pair on the key field never overwrites a key.
        const int result =
            MergeRows(target, sheet, "ID", {"ID<-->Name", "XM<-->Name", "ZC<-->Title"}, QString(),
                      false, 102001);
        QCOMPARE(result, 5); // four rows processed, plus one
        QVERIFY(target.updateBatch());
        QVERIFY(q.exec("SELECT ID, XM, ZC FROM JSB ORDER BY ID"));
        QStringList rows;
        while (q.next())
            rows.append(QString("%1 %2 %3")
                            .arg(q.value(0).toString(), q.value(1).toString(),
                                 q.value(2).isNull() ? "NULL" : q.value(2).toString()));
        // Numbers land in text fields as "7" and "12", not "7.0".
        // Rows go in key order, the keyless first, so they take the numbers after 102001.
        QCOMPARE(rows, (QStringList{"102001 甲改 7", "102002 乙 12", "102003 丙 NULL",
                                    "102050 丁 教授"}));

        // A mapping naming a column the sheet lacks fails every row and writes nothing.
        Dataset& again = teachers(db);
        QCOMPARE(MergeRows(again, sheet, "ID", {"XM<-->Nope"}, QString(), false, 102001), -4);
        again.cancelBatch();
        QCOMPARE(again.pendingCount(), 0);
    }

    void textKeysFromTheOperatorAndTerm()
    {
        TestDatabase db(Dialect::Kind::SQLite);
        QVERIFY(db.createSchema());
        currentOperator().CurOperId = "102001";
        auto* roster = new Dataset(&db.dm());
        roster->setConnection(db.dm().DBConn(), &db.dm().dialect());
        roster->setSql("SELECT * FROM HMCB ORDER BY ID");
        QVERIFY(roster->open());
        Sheet sheet;
        sheet.header = {"ID", "XH"};
        sheet.rows = {{QVariant(), "2026000001"}, {"", "2026000002"}};
        QCOMPARE(MergeRows(*roster, sheet, "ID", {"XH<-->XH"}, "202609", true, 0), 3);
        QCOMPARE(roster->value(0, roster->fieldIndex(u"ID")).toString(),
                 QString("102001.202609.0001"));
        QCOMPARE(roster->value(1, roster->fieldIndex(u"ID")).toString(),
                 QString("102001.202609.0002"));
        QVERIFY(roster->updateBatch());
    }

    void importThroughTheConverter()
    {
        TestEnvironment env;
        prepareWorkingFolders();
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(Dialect::Kind::SQLite);
        QVERIFY(db.createSchema());
        Dataset& target = teachers(db);

        // No file chosen.
        QVERIFY(!ImportExcel("ID", target, QString(), false, 102001));
        QCOMPARE(ui.messageTexts(),
                 (QStringList{"所选Excel表名和它的表单名必须一致!", "请选择将导入的Excel文件!"}));

        // A workbook whose sheet carries the file's name; the operator pairs two columns.
        const QString file = ExcelFolder() + "教师.xlsx";
        QString error;
        QVERIFY2(
            writeXlsx(file, "教师", {"姓名", "性别"}, {{"王五", "男"}, {"赵六", "女"}}, &error),
            qPrintable(error));
        ui.clear();
        ui.chooseNextFile(file);
        ui.onDialog([](QDialog& d) {
            auto& converter = static_cast<TFImportXls&>(d);
            pick(converter.DStr, "XM");
            pick(converter.SStr, "姓名");
            converter.BAddClick();
            pick(converter.DStr, "XB");
            pick(converter.SStr, "性别");
            converter.BAddClick();
            // Taking a pair back returns both names to the ends of their lists.
            converter.DCon->setCurrentRow(1);
            converter.BDelClick();
            if (converter.DStr->item(converter.DStr->count() - 1)->text() != "XB")
                return 0;
            pick(converter.DStr, "XB");
            pick(converter.SStr, "性别");
            converter.BAddClick();
            converter.BOk->click();
            return converter.result();
        });
        QVERIFY(ImportExcel("ID", target, QString(), false, 102001));
        QCOMPARE(ui.messageTexts().last(), QString("从Excel教师中导入记录成功!"));
        QCOMPARE(target.rowCount(), 2);
        QCOMPARE(target.value(0, target.fieldIndex(u"ID")).toInt(), 102001);
        QCOMPARE(target.value(1, target.fieldIndex(u"XB")).toString(), QString("女"));

        // 退出 in the converter imports nothing.
        ui.chooseNextFile(file);
        ui.onDialog([](QDialog& d) {
            static_cast<TFImportXls&>(d).BExit->click();
            return 0;
        });
        QVERIFY(!ImportExcel("ID", target, QString(), false, 102001));
        QCOMPARE(target.rowCount(), 2);
    }

    void administratorExportAndImport()
    {
        QTemporaryDir dir;
        const QString home = dir.filePath("home");
        QCOMPARE(runAdmin({"demo", "--dir", dir.path(), "--students", "5"}, home).exitCode, 0);
        const QString xlsx = dir.filePath("JSB.xlsx");
        QCOMPARE(runAdmin({"export", "--dir", dir.path(), "--table", "jsb", "--out", xlsx}, home)
                     .exitCode,
                 0);
        QString error;
        std::optional<Sheet> sheet = readWorkbook(xlsx, QString(), &error);
        QVERIFY2(sheet, qPrintable(error));
        QCOMPARE(sheet->header.first(), QString("ID"));
        QCOMPARE(sheet->rows.size(), 4);

        // A new teacher without a number gets the next one; a changed name is written.
        sheet->rows[0][sheet->header.indexOf("XM")] = "王建国改";
        sheet->rows.append(QVariantList(sheet->header.size()));
        sheet->rows.last()[sheet->header.indexOf("XM")] = "新老师";
        QVERIFY(writeXlsx(xlsx, "JSB", sheet->header, sheet->rows, &error));
        AdminRun r =
            runAdmin({"import", "--dir", dir.path(), "--table", "JSB", "--key", "ID", xlsx}, home);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.trimmed(), QString("added 1, changed 1, failed 0"));
        r = runAdmin(
            {"export", "--dir", dir.path(), "--table", "JSB", "--out", dir.filePath("JSB.XA1")},
            home);
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains("exported 5 rows"));

        // Rows of a text-keyed table without their key: refused, nothing written.
        const QString roster = dir.filePath("HMCB.csv");
        QFile csv(roster);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("ID,XH\n102001.202609.0001,2026000001\n,2026000002\n");
        csv.close();
        r = runAdmin({"import", "--dir", dir.path(), "--table", "HMCB", "--key", "ID", roster},
                     home);
        QVERIFY(r.exitCode != 0);
        QVERIFY(r.err.contains("nothing was written"));
        QVERIFY(runAdmin({"export", "--dir", dir.path(), "--table", "HMCB", "--out",
                          dir.filePath("h.XA1")},
                         home)
                    .out.contains("exported 0 rows"));
        QVERIFY(
            runAdmin({"export", "--dir", dir.path(), "--table", "NOPE; DROP", "--out", xlsx}, home)
                .exitCode != 0);
    }
};

QTEST_MAIN(TestExcelImport)
#include "tst_excel_import.moc"
