#include "app/config.h"
#include "data/data_module.h"
#include "fitness/standard_data.h"
#include "fitness/standard_windows.h"
#include "platform/data_grid.h"
#include "refdata/std_grid_window.h"
#include "support/scripted_interaction.h"
#include "support/test_database.h"
#include "support/test_environment.h"

#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

namespace {
QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct NewRow
{
    QVariant id, a, b, c;
};

// 增加 once; the new row's key and the three fields it may copy.
NewRow addRow(TFStdGrid& w, const QStringList& fields)
{
    w.BTAdd0Click();
    NewRow r{w.QP->fieldValue(u"ID"), w.QP->fieldValue(fields[0]), w.QP->fieldValue(fields[1]),
             w.QP->fieldValue(fields[2])};
    w.BCanClick();
    return r;
}
} // namespace

class TestStandardWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addCopiesTheLastRow_data() { TestDatabase::addEngineRows(); }

    void addCopiesTheLastRow()
    {
        QFETCH(Dialect::Kind, engine);
        TestEnvironment env;
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.isOpen() && db.createSchema());
        QSqlQuery q(db.dm().DBConn());
        const QStringList tzFields = {"XB", "XM", "GL"};
        const QStringList bmiFields = {"XB", "SGXXZ", "SGSXZ"};

        // Empty tables: the first keys, nothing copied.
        {
            std::unique_ptr<TFStdGrid> w(makeScoringStandardWindow(db.dm()));
            const NewRow r = addRow(*w, tzFields);
            QCOMPARE(r.id.toInt(), 202001);
            QVERIFY(r.a.isNull() && r.b.isNull() && r.c.isNull());
            QCOMPARE(w->QP->rowCount(), 0);
        }
        {
            std::unique_ptr<TFStdGrid> w(makeBmiStandardWindow(db.dm()));
            const NewRow r = addRow(*w, bmiFields);
            QCOMPARE(r.id.toInt(), 201001);
            QVERIFY(r.a.isNull() && r.b.isNull() && r.c.isNull());
        }

        // The last row by key, not the last one written, is the one continued.
        QVERIFY(q.exec("INSERT INTO TZJKB (ID, NJBZ, XB, XM, GL, XXZ, SXZ, FZ, BZ, DJ) VALUES "
                       "(202010, '34', '女', '800米跑', '10', 3.16, 3.22, 95, 0.2, '优秀')"));
        QVERIFY(q.exec("INSERT INTO TZJKB (ID, NJBZ, XB, XM, GL, XXZ, SXZ, FZ, BZ, DJ) VALUES "
                       "(202003, '12', '男', '50米跑', '05', 6.7, 6.8, 95, 0.2, '优秀')"));
        QVERIFY(q.exec("INSERT INTO SGTZB (ID, XB, SGXXZ, SGSXZ, FZ, BZ, DJ) VALUES "
                       "(201007, '女', 23.95, 27.95, 80, 0.15, '超    重'), "
                       "(201002, '男', 17.85, 23.95, 100, 0.15, '正常体重')"));
        {
            std::unique_ptr<TFStdGrid> w(makeScoringStandardWindow(db.dm()));
            w->BTAdd0Click();
            QCOMPARE(w->QP->fieldValue(u"ID").toInt(), 202011);
            QCOMPARE(w->QP->fieldValue(u"XB").toString(), QString("女"));
            QCOMPARE(w->QP->fieldValue(u"XM").toString(), QString("800米跑"));
            QCOMPARE(w->QP->fieldValue(u"GL").toString(), QString("10"));
            // The bounds, points and grade are typed by the user; the group is the default.
            QVERIFY(w->QP->fieldValue(u"XXZ").isNull() && w->QP->fieldValue(u"FZ").isNull());
            // A second 增加 continues from the row just added.
            w->BTAdd0Click();
            QCOMPARE(w->QP->fieldValue(u"ID").toInt(), 202012);
            QCOMPARE(w->QP->fieldValue(u"XM").toString(), QString("800米跑"));
            w->QP->edit();
            w->QP->setFieldValue(u"NJBZ", QString("34"));
            QVERIFY(w->QP->post());
            QVERIFY(w->BOKClick());
            QVERIFY(ui.messageTexts().isEmpty());
        }
        QVERIFY(q.exec("SELECT XB, XM, GL, NJBZ FROM TZJKB WHERE ID = 202012") && q.next());
        QCOMPARE(q.value(0).toString() + q.value(1).toString() + q.value(2).toString() +
                     q.value(3).toString(),
                 QString("女800米跑1034"));
        {
            std::unique_ptr<TFStdGrid> w(makeBmiStandardWindow(db.dm()));
            const NewRow r = addRow(*w, bmiFields);
            QCOMPARE(r.id.toInt(), 201008);
            QCOMPARE(r.a.toString(), QString("女"));
            QCOMPARE(r.b.toDouble(), 23.95);
            QCOMPARE(r.c.toDouble(), 27.95);
        }
    }

    void gradeGroupTextAndLookup()
    {
        TestEnvironment env;
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(Dialect::Kind::SQLite);
        QVERIFY(db.createSchema());
        QSqlQuery q(db.dm().DBConn());
        // Group marks as an import may bring them; only 12 and 34 have a meaning.
        QVERIFY(q.exec("INSERT INTO TZJKB (ID, NJBZ, XB, XM, GL) VALUES (202001, '12', '男', "
                       "'肺活量', '04'), (202002, '34', '男', '肺活量', '04'), (202003, '1A', "
                       "'男', '肺活量', '04'), (202004, '5', '女', '跳绳', '99')"));
        QVERIFY(q.exec("INSERT INTO ZBLBB (ID, ZBBM, ZBMC) VALUES (207001, '04', '肺活量')"));
        std::unique_ptr<TFStdGrid> w(makeScoringStandardWindow(db.dm()));
        const QStringList shown = {"大一大二", "大三大四", "1A", "5"};
        for (int r = 0; r < shown.size(); ++r)
            QCOMPARE(w->DBG->cellText(r, "NJBZ"), shown[r]);
        // The stored value is untouched.
        QCOMPARE(w->QP->value(0, w->QP->fieldIndex(u"NJBZ")).toString(), QString("12"));
        // The code column shows the code found in the indicator list.
        QCOMPARE(w->DBG->cellText(0, "GL"), QString("04"));
        QCOMPARE(w->DBG->cellText(3, "GL"), QString());

        const QStringList captions = [&] {
            QStringList c;
            for (const GridColumn& col : w->DBG->visibleColumns())
                c.append(col.caption);
            return c;
        }();
        QCOMPARE(captions, (QStringList{"索引号", "年级标志", "性别", "项目", "标准编码", "下限值",
                                        "上限值", "分值", "权重", "等级"}));
    }

    void excelHiddenPrintAndExchange()
    {
        TestEnvironment env;
        mutableAppSettings().InstitutionName = "北方示范学院";
        prepareWorkingFolders();
        ScriptedInteraction ui;
        ui.previewFolder = env.root();
        ScopedInteraction installed(ui);
        TestDatabase db(Dialect::Kind::SQLite);
        QVERIFY(db.createSchema());
        QString error;
        const std::optional<StandardTables> shipped =
            ReadStandardTables(ORVANE_STANDARD_DIR, &error);
        QVERIFY2(shipped, qPrintable(error));
        QVERIFY(db.dm().DBConn().transaction());
        QVERIFY2(WriteStandardTables(db.dm().DBConn(), *shipped, &error), qPrintable(error));
        QVERIFY(db.dm().DBConn().commit());

        std::unique_ptr<TFStdGrid> w(makeScoringStandardWindow(db.dm()));
        QCOMPARE(w->QP->rowCount(), int(shipped->tzjkb.rows.size()));
        auto* excel = w->findChild<QPushButton*>("BExcel");
        QVERIFY(excel);
        w->show();
        QVERIFY(!excel->isVisible() && !excel->isEnabled());
        // Whatever turned it on meanwhile, showing the window hides it again.
        w->hide();
        excel->setEnabled(true);
        excel->setVisible(true);
        w->show();
        QVERIFY(!excel->isVisible() && !excel->isEnabled());

        w->BPrintClick();
        QCOMPARE(ui.previews.size(), 1);
        const QString text = pdfText(ui.previews[0]);
        for (const char* s :
             {"北方示范学院", "体标测验评分标准分值表", "大一大二", "1000米跑", "共574个"})
            QVERIFY2(text.contains(QString::fromUtf8(s)), s);

        // Exchange files carry the dictionary's own title; a round trip restores every row.
        const QString file = env.path("体标测验评分标准字典库_北方示范学院.XA1");
        ui.chooseNextFile(file);
        w->RzToolButton2Click();
        QVERIFY(ui.fileRequests.last().fileName.startsWith("体标测验评分标准字典库_"));
        QVERIFY(QFile::exists(file));
        QSqlQuery q(db.dm().DBConn());
        QVERIFY(q.exec("DELETE FROM TZJKB"));
        std::unique_ptr<TFStdGrid> empty(makeScoringStandardWindow(db.dm()));
        ui.chooseNextFile(file);
        empty->RzToolButton1Click();
        QVERIFY(empty->BOKClick());
        QVERIFY(q.exec("SELECT COUNT(*), SUM(FZ) FROM TZJKB") && q.next());
        QCOMPARE(q.value(0).toInt(), 574);
        QVERIFY(q.exec("SELECT SXZ FROM TZJKB WHERE GL = '11' AND NJBZ = '12' AND FZ = 105") &&
                q.next());
        QCOMPARE(q.value(0).toDouble(), 3.13);

        std::unique_ptr<TFStdGrid> bmi(makeBmiStandardWindow(db.dm()));
        QVERIFY(bmi->findChild<QPushButton*>("BExcel"));
        bmi->show();
        QVERIFY(!bmi->findChild<QPushButton*>("BExcel")->isVisible());
        bmi->BPrintClick();
        const QString bmiText = pdfText(ui.previews.last());
        for (const char* s : {"体重指数表", "BMI下限值", "17.85", "正常体重"})
            QVERIFY2(bmiText.contains(QString::fromUtf8(s)), s);
        ui.chooseNextFile(env.path("x.XA1"));
        bmi->RzToolButton2Click();
        QVERIFY(ui.fileRequests.last().fileName.startsWith("体重指数表字典库_"));
    }
};

QTEST_MAIN(TestStandardWindows)
#include "tst_standard_windows.moc"
