#include "data/data_module.h"
#include "data/dataset.h"
#include "fitness/rescore.h"
#include "fitness/scoring_engine.h"
#include "fitness/standard_data.h"
#include "support/admin_process.h"
#include "support/score_year.h"
#include "support/scripted_interaction.h"
#include "support/test_database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

using namespace Scoring;

namespace {

constexpr int kYear = 2026;

bool loadShippedStandard(TFDM& dm)
{
    QString error;
    const auto tables = ReadStandardTables(ShippedStandardFolder(), &error);
    if (!tables) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    QSqlDatabase db = dm.DBConn();
    if (!db.transaction() || !WriteStandardTables(db, *tables, &error)) {
        qWarning("%s", qPrintable(error));
        db.rollback();
        return false;
    }
    return db.commit();
}

// Every column of every score row of the year, by key.
QMap<QString, QVariantList> yearRows(TFDM& dm)
{
    Dataset rows;
    rows.setConnection(dm.DBConn(), &dm.dialect());
    rows.setSql(QStringLiteral("select * from CJB where XN=? order by ID"), {kYear});
    QMap<QString, QVariantList> out;
    if (!rows.open())
        return out;
    const int id = rows.fieldIndex(u"ID");
    for (int r = 0; r < rows.rowCount(); ++r) {
        QVariantList values;
        for (int f = 0; f < rows.fieldCount(); ++f)
            values.append(rows.value(r, f));
        out.insert(rows.value(r, id).toString(), values);
    }
    return out;
}

QString differences(const QVariantList& a, const QVariantList& b)
{
    QStringList out;
    for (int i = 0; i < a.size(); ++i) {
        if (!Dataset::sameValue(a[i], b[i]) || a[i].isNull() != b[i].isNull())
            out.append(
                QStringLiteral("#%1: %2 vs %3").arg(i).arg(a[i].toString(), b[i].toString()));
    }
    return out.join(u"; ");
}

} // namespace

class TestRescore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A whole year re-scored in one batch with the tables in memory gives, column for column,
    // what the per-keystroke statements give for each row; a second run changes nothing.
    void batchEqualsStatements_data() { TestDatabase::addEngineRows(); }
    void batchEqualsStatements()
    {
        QFETCH(Dialect::Kind, engine);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        QVERIFY(loadShippedStandard(db.dm()));
        QVERIFY(InsertScoreYear(db.dm().DBConn(), kYear, 600, 7));
        QVERIFY(InsertScoreYear(db.dm().DBConn(), kYear + 1, 5, 8));
        const auto before = yearRows(db.dm());
        QCOMPARE(before.size(), 600);

        // The statements, row by row, without writing.
        QMap<QString, QVariantList> expected;
        int changed = 0;
        {
            Dataset rows;
            rows.setConnection(db.dm().DBConn(), &db.dm().dialect());
            rows.setSql(QStringLiteral("select * from CJB where XN=? order by ID"), {kYear});
            QVERIFY(rows.open());
            SqlStandardSource statements;
            RowScorer scorer(rows, statements);
            QVERIFY(scorer.isValid());
            for (int r = 0; r < rows.rowCount(); ++r) {
                QVERIFY(rows.setCurrentRow(r));
                scorer.rescoreCurrent();
                QVariantList values;
                for (int f = 0; f < rows.fieldCount(); ++f)
                    values.append(rows.fieldValue(f));
                const QString key = values[rows.fieldIndex(u"ID")].toString();
                changed += differences(before[key], values).isEmpty() ? 0 : 1;
                expected.insert(key, values);
                rows.cancel();
            }
        }
        QVERIFY(changed > 500);

        CachedStandardSource tables;
        QVERIFY(tables.load());
        int lastProgress = 0;
        const RescoreResult result = RescoreYear(db.dm(), kYear, tables, [&](int done, int all) {
            QCOMPARE(all, 600);
            QVERIFY(done > lastProgress);
            lastProgress = done;
        });
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.rows, 600);
        QCOMPARE(result.changed, changed);
        QCOMPARE(lastProgress, 600);

        const auto after = yearRows(db.dm());
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QVERIFY2(differences(it.value(), after.value(it.key())).isEmpty(),
                     qPrintable(it.key() + ": " + differences(it.value(), after.value(it.key()))));

        const RescoreResult again = RescoreYear(db.dm(), kYear, tables);
        QVERIFY(again.ok);
        QCOMPARE(again.changed, 0);
        QSqlQuery other(db.dm().DBConn());
        QVERIFY(other.exec("select count(*) from CJB where XN=2027 and TBZF is not null"));
        QVERIFY(other.next());
        QCOMPARE(other.value(0).toInt(), 0);
    }

    // The rules of re-scoring one row, through the command line as an administrator runs it.
    void rowRules()
    {
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        QTemporaryDir home;
        QCOMPARE(runAdmin({"demo", "--dir", home.path(), "--students", "0"}, home.path()).exitCode,
                 0);
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "rescore-rules");
        db.setDatabaseName(home.filePath("OrvaneDemo.db"));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("delete from CJB"));
        // ID, sex, grade mark, pull-ups, their grade, bonus value, bonus points, 1000 m, bonus
        // value, sit and reach, its grade
        const char* const rows[] = {
            // capped at 19 with 4 more: rebuilt 23, still 4 bonus points
            "'a','男','1A',19,'优秀',4,0.4,NULL,0,NULL,NULL",
            // typed 15 after a bonus was recorded: not rebuilt, the stale bonus stays
            "'b','男','1A',15,'及格',4,0.4,NULL,0,NULL,NULL",
            // 1000 m capped at 3'17\" with 10 s faster: rebuilt 3'07\"
            "'c','男','2B',NULL,NULL,0,0,3.17,0.10,NULL,NULL",
            // sit and reach not to be tested; typed values stay unscored
            "'d','男','1A',NULL,'-1',0,0,NULL,0,12.5,NULL",
        };
        for (const char* row : rows) {
            QVERIFY2(q.exec(QStringLiteral("insert into CJB (ID,XB,NJBZ,YTCJ,YTPJ,YTJFCJ,YTJFDF,"
                                           "QMCJ,QMJFCJ,QQCJ,QQPJ,XN,BZ) values (%1,2026,0.3)")
                                .arg(QString::fromUtf8(row))),
                     qPrintable(q.lastError().text()));
        }
        QVERIFY(q.exec("update CJB set QMPJ='-1' where ID='c'"));
        db.close();

        const AdminRun run =
            runAdmin({"rescore", "--dir", home.path(), "--year", "2026"}, home.path());
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QCOMPARE(run.out.trimmed(), QString("rows=4 changed=4"));
        QVERIFY(run.err.contains("rescoring 4/4 rows"));

        QVERIFY(db.open());
        auto row = [&](const char* id, const char* columns) {
            QSqlQuery r(db);
            r.exec(QStringLiteral("select %1 from CJB where ID='%2'").arg(columns, id));
            r.next();
            QStringList out;
            for (int i = 0; i < r.record().count(); ++i)
                out.append(r.value(i).isNull() ? "NULL" : r.value(i).toString());
            return out.join(u' ');
        };
        QCOMPARE(row("a", "YTCJ,YTDF,YTPJ,YTJFCJ,YTJFDF"), QString("19 10 优秀 4 4"));
        QCOMPARE(row("b", "YTCJ,YTDF,YTPJ,YTJFCJ,YTJFDF,JF"), QString("15 8 良好 4 0.4 0.4"));
        QCOMPARE(row("c", "QMCJ,QMDF,QMPJ,QMJFCJ,QMJFDF"), QString("3.17 20 优秀 0.1 2"));
        QCOMPARE(row("d", "QQCJ,QQDF,QQPJ,YTPJ"), QString("12.5 NULL NULL -1"));
        db.close();
        QSqlDatabase::removeDatabase("rescore-rules");
    }
};

QTEST_MAIN(TestRescore)
#include "tst_rescore.moc"
