#include "data/data_module.h"
#include "data/schema.h"
#include "support/scripted_interaction.h"
#include "support/test_database.h"

#include <QSqlQuery>
#include <QtTest>

namespace {
QStringList stepsWith(const TFDM& dm, SchemaStep::Outcome outcome)
{
    QStringList names;
    for (const SchemaStep& s : dm.schemaSteps()) {
        if (s.outcome == outcome)
            names.append(s.name);
    }
    return names;
}
} // namespace

class TestSchema : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createsEverythingOnceThenNothing_data() { TestDatabase::addEngineRows(); }
    void createsEverythingOnceThenNothing()
    {
        QFETCH(Dialect::Kind, engine);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.isOpen());
        QCOMPARE(db.dm().CreateTablesAndKeys(), 1);
        QCOMPARE(stepsWith(db.dm(), SchemaStep::Outcome::Failed), QStringList());
        QCOMPARE(stepsWith(db.dm(), SchemaStep::Outcome::Created).mid(0, 28).size(), 28);
        QCOMPARE(int(db.dm().schemaSteps().size()), 28 + 32);
        // Every index that exists only through its statement was created.
        for (const char* ix : {"IX_HMCB", "IX1_HMCB", "IX_CJB", "IX1_CJB", "IX_RCCJB", "IX1_RCCJB",
                               "IX_BXCQCJB", "IX1_BXCQCJB", "ISFZB"})
            QVERIFY2(stepsWith(db.dm(), SchemaStep::Outcome::Created).contains(ix), ix);

        QCOMPARE(db.dm().CreateTablesAndKeys(), 1);
        QCOMPARE(stepsWith(db.dm(), SchemaStep::Outcome::Created), QStringList());
        QCOMPARE(stepsWith(db.dm(), SchemaStep::Outcome::Failed), QStringList());
        QCOMPARE(stepsWith(db.dm(), SchemaStep::Outcome::Existed).size(), 60);
        QVERIFY(ui.messages.isEmpty());
        QVERIFY(db.dm().OpenSharedDatasets());
    }

    void createsOnlyWhatIsMissing_data() { TestDatabase::addEngineRows(); }
    void createsOnlyWhatIsMissing()
    {
        QFETCH(Dialect::Kind, engine);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        QSqlQuery q(db.dm().DBConn());
        QVERIFY(q.exec("DROP TABLE SYB"));
        // A table spelled in lower case counts as present.
        QVERIFY(q.exec("DROP TABLE XZBB"));
        QVERIFY(q.exec("CREATE TABLE xzbb (ID INTEGER NOT NULL PRIMARY KEY, MC VARCHAR(30))"));

        QCOMPARE(db.dm().CreateTablesAndKeys(), 1);
        QStringList createdTables;
        for (const QString& name : stepsWith(db.dm(), SchemaStep::Outcome::Created)) {
            if (findTable(name))
                createdTables.append(name);
        }
        QCOMPARE(createdTables, QStringList{"SYB"});
        QVERIFY(stepsWith(db.dm(), SchemaStep::Outcome::Created).contains("PK_SYB") ||
                stepsWith(db.dm(), SchemaStep::Outcome::Existed).contains("PK_SYB"));
    }

    void aFailedTableStopsTheRest_data() { TestDatabase::addEngineRows(); }
    void aFailedTableStopsTheRest()
    {
        QFETCH(Dialect::Kind, engine);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QSqlQuery q(db.dm().DBConn());
        // A view is not a table, so CJB counts as missing and its creation fails.
        QVERIFY(q.exec("CREATE VIEW CJB AS SELECT 1 AS ID"));
        QCOMPARE(db.dm().CreateTablesAndKeys(), 0);
        QCOMPARE(ui.messageTexts(), QStringList{"创建成绩表失败!\r\n请检查数据库..."});
        QCOMPARE(ui.messages[0].kind, 1);
        QCOMPARE(db.dm().schemaSteps().back().name, QString("CJB"));
        QVERIFY(!db.dm().DBConn().tables().contains("cpgz", Qt::CaseInsensitive));
        QVERIFY(db.dm().DBConn().tables().contains("zblbb", Qt::CaseInsensitive));
    }

    void operatorKeyDefaultAndUniqueness_data() { TestDatabase::addEngineRows(); }
    void operatorKeyDefaultAndUniqueness()
    {
        QFETCH(Dialect::Kind, engine);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        QSqlQuery q(db.dm().DBConn());
        QVERIFY(q.exec("INSERT INTO CZYB (JSXM) VALUES ('甲')"));
        QVERIFY(q.exec("SELECT ID FROM CZYB"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 501001);
        QVERIFY(!q.exec("INSERT INTO CZYB (JSXM) VALUES ('乙')"));
        // Bonus columns default to 0; the identity column numbers itself.
        QVERIFY(q.exec("INSERT INTO CJB (ID) VALUES ('x')"));
        QVERIFY(q.exec("SELECT SGTZCJ FROM CJB"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toDouble(), 0.0);
        QVERIFY(q.exec("INSERT INTO CSXMB (BJBH) VALUES ('1')"));
        QVERIFY(q.exec("INSERT INTO CSXMB (BJBH) VALUES ('2')"));
        QVERIFY(q.exec("SELECT ID FROM CSXMB ORDER BY ID"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 2);
    }

    void gradeCategoryQueryPerDialect_data() { TestDatabase::addEngineRows(); }
    void gradeCategoryQueryPerDialect()
    {
        QFETCH(Dialect::Kind, engine);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        const QString sql = db.dm().gradeCategorySql();
        QVERIFY(sql.contains(engine == Dialect::Kind::PostgreSQL ? "Substring(BM,2,1)"
                                                                 : "substr(BM,2,1)"));
        QSqlQuery q(db.dm().DBConn());
        int id = 0;
        for (const char* bm : {"1", "1A", "12", "2B", "34"}) {
            q.prepare("INSERT INTO NJB (ID, BM) VALUES (?, ?)");
            q.addBindValue(++id);
            q.addBindValue(QString::fromLatin1(bm));
            QVERIFY2(q.exec(), bm);
        }
        QVERIFY(q.exec(sql));
        QStringList found;
        while (q.next())
            found.append(q.value("BM").toString());
        found.sort();
        QCOMPARE(found, (QStringList{"1", "1A", "2B"}));
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
