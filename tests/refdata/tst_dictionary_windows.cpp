#include "app/config.h"
#include "data/data_module.h"
#include "platform/data_grid.h"
#include "platform/spreadsheet.h"
#include "refdata/std_grid_window.h"
#include "support/scripted_interaction.h"
#include "support/test_database.h"
#include "support/test_environment.h"

#include <QItemSelectionModel>
#include <QProcess>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {
int count(TestDatabase& db, const QString& sql)
{
    QSqlQuery q(db.dm().DBConn());
    return q.exec(sql) && q.next() ? q.value(0).toInt() : -1;
}

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Every row of a table, NULLs shown, in key order.
QStringList tableRows(TestDatabase& db, const QString& table, const QString& key)
{
    QSqlQuery q(db.dm().DBConn());
    QStringList rows;
    if (!q.exec(QString("SELECT * FROM %1 ORDER BY %2").arg(table, key)))
        return {q.lastError().text()};
    while (q.next()) {
        QStringList cells;
        for (int c = 0; c < q.record().count(); ++c)
            cells << (q.value(c).isNull() ? QString("NULL") : q.value(c).toString());
        rows << cells.join(u'|');
    }
    return rows;
}

// Selects dataset rows in the grid's view as a mouse would.
void selectRows(DataGrid* grid, const QList<int>& datasetRows)
{
    QAbstractItemModel* model = grid->view()->model();
    QItemSelection selection;
    const std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int r = 0; r < model->rowCount(parent); ++r) {
            const QModelIndex index = model->index(r, 0, parent);
            if (model->hasChildren(index)) {
                walk(index);
                continue;
            }
            grid->view()->setCurrentIndex(index);
            if (datasetRows.contains(grid->currentDatasetRow()))
                selection.select(index, model->index(r, model->columnCount(parent) - 1, parent));
        }
    };
    walk(QModelIndex());
    grid->view()->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}
} // namespace

class TestDictionaryWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstKeys()
    {
        TestEnvironment env;
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(Dialect::Kind::SQLite);
        QVERIFY(db.createSchema());
        {
            std::unique_ptr<TFStdGrid> w(makeDiagnosisWindow(db.dm()));
            w->BTAdd0Click();
            QCOMPARE(w->QP->fieldValue(u"ID").toInt(), 205001);
            w->BCanClick();
        }
        QSqlQuery q(db.dm().DBConn());
        QVERIFY(q.exec("INSERT INTO ZDB (ID) VALUES (205001), (205010)"));
        {
            std::unique_ptr<TFStdGrid> w(makeDiagnosisWindow(db.dm()));
            w->BTAdd0Click();
            QCOMPARE(w->QP->fieldValue(u"ID").toInt(), 205011);
            w->BCanClick();
        }
        const auto nextNation = [&] {
            std::unique_ptr<TFStdGrid> w(makeNationWindow(db.dm()));
            w->BTAdd0Click();
            const QString code = w->QP->fieldValue(u"DM").toString();
            w->BCanClick();
            return code;
        };
        QCOMPARE(nextNation(), QString("1"));
        QVERIFY(q.exec("INSERT INTO tNation (DM, MC) VALUES ('56', '基诺族')"));
        QCOMPARE(nextNation(), QString("57"));
        QVERIFY(q.exec("DELETE FROM tNation"));
        for (int i = 1; i <= 10; ++i)
            QVERIFY(q.exec(QString("INSERT INTO tNation (DM, MC) VALUES ('%1', 'x')").arg(i)));
        QCOMPARE(nextNation(), QString("11")); // "9" sorts last as text; the code is by number
    }

    void addCancelDeleteAndConfirm()
    {
        TestEnvironment env;
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(Dialect::Kind::SQLite);
        QVERIFY(db.createSchema());
        std::unique_ptr<TFStdGrid> w(makeGradeWindow(db.dm()));
        QVERIFY(!w->BOK->isEnabled() && !w->BCan->isEnabled());
        QVERIFY(!w->DBG->isEditing());

        // 增加 twice, then 取消: nothing reaches the database.
        w->BTAdd0Click();
        w->BTAdd0Click();
        QCOMPARE(w->QP->rowCount(), 2);
        QCOMPARE(w->QP->value(1, w->QP->fieldIndex(u"ID")).toInt(), 600102);
        QVERIFY(w->BOK->isEnabled() && w->DBG->isEditing());
        w->BCanClick();
        QCOMPARE(w->QP->rowCount(), 0);
        QCOMPARE(count(db, "SELECT COUNT(*) FROM NJB"), 0);
        QVERIFY(!w->DBG->isEditing());

        // Five rows confirmed; the footer counts them.
        for (int i = 0; i < 5; ++i) {
            w->BTAdd0Click();
            w->QP->edit();
            w->QP->setFieldValue(u"BM", QString("D%1").arg(i + 1));
            w->QP->post();
        }
        QVERIFY(w->BOKClick());
        QCOMPARE(count(db, "SELECT COUNT(*) FROM NJB"), 5);
        QCOMPARE(w->DBG->footerText("ID"), QString("共5条"));
        QVERIFY(!w->BOK->isEnabled());

        // Three rows selected and deleted at once, without 确认; 不是 changes nothing.
        selectRows(w->DBG, {0, 2, 4});
        ui.answerNo();
        w->SpeedButton1Click();
        QCOMPARE(count(db, "SELECT COUNT(*) FROM NJB"), 5);
        selectRows(w->DBG, {0, 2, 4});
        ui.answerYes();
        w->SpeedButton1Click();
        QCOMPARE(ui.messageTexts().last(), QString("删除所选数据吗?"));
        QCOMPARE(count(db, "SELECT COUNT(*) FROM NJB"), 2);
        QCOMPARE(count(db, "SELECT COUNT(*) FROM NJB WHERE ID IN (600102, 600104)"), 2);

        // A 确认 that fails keeps every change and the editing state.
        w->BTAdd0Click(); // 600105 again: the highest left is 600104
        QSqlQuery q(db.dm().DBConn());
        QVERIFY(
            q.exec("INSERT INTO NJB (ID, BM) VALUES (600105, 'XC')")); // another user was faster
        ui.clear();
        QVERIFY(!w->BOKClick());
        QVERIFY(ui.messageTexts().value(0).startsWith("更新数据失败"));
        QVERIFY(w->DBG->isEditing() && w->BOK->isEnabled());
        QCOMPARE(w->QP->pendingCount(), 1);
    }

    void importExchangeFileTwice_data() { TestDatabase::addEngineRows(); }
    void importExchangeFileTwice()
    {
        QFETCH(Dialect::Kind, engine);
        TestEnvironment env;
        mutableAppSettings().InstitutionName = "北方示范学院";
        prepareWorkingFolders();
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        QSqlQuery q(db.dm().DBConn());
        QVERIFY2(q.exec("INSERT INTO ZDB (ID, GL, DJ, XB, NR) VALUES "
                        "(205001, '01', '优秀', '男', '保持'), "
                        "(205002, '02', '及格', '女', '多练''耐力'), "
                        "(205003, '03', NULL, '全部', NULL)"),
                 qPrintable(q.lastError().text()));
        const QStringList inFile = tableRows(db, "ZDB", "ID");
        const QString file = TransFolder() + "/诊断信息表_北方示范学院.XA1";
        {
            std::unique_ptr<TFStdGrid> w(makeDiagnosisWindow(db.dm()));
            ui.chooseNextFile(file);
            w->RzToolButton2Click();
            QCOMPARE(ui.messageTexts(), QStringList{"成功完成导出..."});
        }

        // Meanwhile: one row gets other values, one goes, one is added.
        QVERIFY(q.exec("UPDATE ZDB SET DJ = '不及格', NR = NULL WHERE ID = 205002"));
        QVERIFY(q.exec("DELETE FROM ZDB WHERE ID = 205003"));
        QVERIFY(q.exec("INSERT INTO ZDB (ID, GL, NR) VALUES (205009, '04', '另加')"));
        const QString extra = tableRows(db, "ZDB", "ID").last();

        std::unique_ptr<TFStdGrid> w(makeDiagnosisWindow(db.dm()));
        ui.clear();
        ui.chooseNextFile(file);
        w->RzToolButton1Click();
        QCOMPARE(ui.messageTexts(), QStringList{"成功完成导入..."});
        QVERIFY(w->DBG->isEditing() && w->BOK->isEnabled());
        QCOMPARE(w->QP->pendingCount(), 2); // 205002 overwritten, 205003 back
        QCOMPARE(w->DBG->footerText("ID"), QString("共4个"));
        QVERIFY(w->BOKClick());
        const QStringList merged = tableRows(db, "ZDB", "ID");
        QCOMPARE(merged, QStringList(inFile) << extra); // rows absent from the file stay

        // The same file again: every key is there with equal values, so nothing is pending.
        ui.clear();
        ui.chooseNextFile(file);
        w->RzToolButton1Click();
        QCOMPARE(ui.messageTexts(), QStringList{"成功完成导入..."});
        QCOMPARE(w->QP->rowCount(), 4);
        QCOMPARE(w->QP->pendingCount(), 0);
        QVERIFY(!w->QP->hasPendingChanges());
        QVERIFY(w->BOKClick());
        QCOMPARE(tableRows(db, "ZDB", "ID"), merged);
    }

    void printExportAndClose()
    {
        TestEnvironment env;
        mutableAppSettings().InstitutionName = "北方示范学院";
        prepareWorkingFolders();
        ScriptedInteraction ui;
        ui.previewFolder = env.root();
        ScopedInteraction installed(ui);
        TestDatabase db(Dialect::Kind::SQLite);
        QVERIFY(db.createSchema());
        QSqlQuery q(db.dm().DBConn());
        QVERIFY(q.exec("INSERT INTO tNation (DM, MC) VALUES ('01', '汉族'), ('02', '蒙古族'), "
                       "('03', '回族')"));
        std::unique_ptr<TFStdGrid> w(makeNationWindow(db.dm()));

        // 打印 while the preview is open does nothing.
        ui.duringPreview = [&] { w->BPrintClick(); };
        w->BPrintClick();
        QCOMPARE(ui.previews.size(), 1);
        QCOMPARE(ui.previewCaptions[0], QString("打印预览..."));
        const QString text = pdfText(ui.previews[0]);
        for (const char* s : {"北方示范学院", "民族字典表", "编码", "民族", "蒙古族", "共3条"})
            QVERIFY2(text.contains(QString::fromUtf8(s)), s);

        // Excel: every row, visible captions as the header, into ExcelFolder.
        w->SpeedButton6Click();
        const QString file = ExcelFolder() + "民族字典表.xlsx";
        QCOMPARE(ui.messageTexts().last(), "导出成功!\r\n" + file);
        QString error;
        const std::optional<Sheet> sheet = readWorkbook(file, QString(), &error);
        QVERIFY2(sheet, qPrintable(error));
        QCOMPARE(sheet->header, (QStringList{"编码", "民族"}));
        QCOMPARE(sheet->rows.size(), 3);
        QCOMPARE(sheet->rows[0][0].toString(), QString("01")); // text keeps its leading zero

        // Closing with unsaved changes: stay, then save.
        w->BTMod0Click();
        w->QP->setFieldValue(u"MC", QString("汉"));
        ui.clear();
        ui.answerNo(); // not save
        ui.answerNo(); // not discard: stay
        QVERIFY(!w->mayClose());
        ui.answerYes(); // save
        QVERIFY(w->mayClose());
        QVERIFY(q.exec("SELECT MC FROM tNation WHERE DM = '01'") && q.next());
        QCOMPARE(q.value(0).toString(), QString("汉"));

        // A wrong exchange file is refused; 取消 then leaves everything as it was.
        ui.chooseNextFile(env.path("年级类别表_x.XA1"));
        w->RzToolButton1Click();
        QCOMPARE(ui.messageTexts().last(),
                 QString("请选择正确的文件...\r\n应该是“民族字典表”文件"));
        QVERIFY(w->DBG->isEditing());
        w->BCanClick();
        QVERIFY(!w->QP->hasPendingChanges());
    }
};

QTEST_MAIN(TestDictionaryWindows)
#include "tst_dictionary_windows.moc"
