#include "data/data_module.h"
#include "data/dataset.h"
#include "fitness/scoring_engine.h"
#include "support/scripted_interaction.h"
#include "support/test_database.h"

#include <QRandomGenerator>
#include <QSqlQuery>
#include <QtTest>

using namespace Scoring;

namespace {

// A few intervals that put every bound rule, the groups and both bonus kinds to work.
// (XB, NJBZ, GL, XXZ, SXZ, FZ, BZ, DJ)
const char* const kStandardRows[] = {
    // 50 m, less is better: XXZ < v <= SXZ (rows out of order, so a wrong bound rule shows)
    "'男','12','05',6.7,7.0,85,0.2,'良好'",
    "'男','12','05',0,6.7,100,0.2,'优秀'",
    "'男','12','05',7.0,9.1,60,0.2,'及格'",
    "'男','34','05',0,7.0,100,0.2,'优秀'",
    // long jump, more is better: XXZ <= v < SXZ
    "'男','12','06',248,256,80,0.1,'良好'",
    "'男','12','06',256,263,85,0.1,'良好'",
    // sit and reach; 0 and below are measurements
    "'男','12','07',-999,-1.3,0,0.1,'不及格'",
    "'男','12','07',-1.3,3.7,20,0.1,'不及格'",
    "'男','12','07',3.7,99999,60,0.1,'及格'",
    // vital capacity, group 34 only
    "'女','34','04',2050,3450,78,0.15,'及格'",
    // grip index, no group, both bounds included
    "'男','12','08',0,60,50,0.2,'不及格'",
    "'男','34','08',61,100,70,0.2,'及格'",
    // pull-ups with a bonus row: threshold 19
    "'男','12','14',-999,5,0,0.1,'不及格'",
    "'男','12','14',5,19,60,0.1,'及格'",
    "'男','12','14',19,20,100,0.1,'优秀'",
    "'男','12','14',20,99999,108,0.1,'优秀'",
    // 1000 m with a bonus row: threshold 3.20
    "'男','12','11',3.20,4.32,60,0.2,'及格'",
    "'男','12','11',3.16,3.20,100,0.2,'优秀'",
    "'男','12','11',0,3.16,110,0.2,'优秀'",
    // 800 m: a bonus row but no full-score row
    "'女','12','10',0,3.18,105,0.2,'优秀'",
    "'女','12','10',3.18,5.24,60,0.2,'及格'",
};

// (XB, SGXXZ, SGSXZ, FZ, BZ, DJ)
const char* const kBmiRows[] = {
    "'男',14,17.85,80,0.15,'较低体重'",
    "'男',17.85,23.95,100,0.15,'正常体重'",
    "'男',23.95,27.95,80,0.15,'超    重'",
    "'男',27.95,40,60,0.15,'肥    胖'",
};

bool loadStandard(TFDM& dm)
{
    QSqlQuery q(dm.DBConn());
    int id = 202001;
    for (const char* row : kStandardRows) {
        if (!q.exec(QStringLiteral("INSERT INTO TZJKB (ID,XB,NJBZ,GL,XXZ,SXZ,FZ,BZ,DJ) "
                                   "VALUES (%1,%2)")
                        .arg(id++)
                        .arg(QString::fromUtf8(row))))
            return false;
    }
    id = 201001;
    for (const char* row : kBmiRows) {
        if (!q.exec(QStringLiteral("INSERT INTO SGTZB (ID,XB,SGXXZ,SGSXZ,FZ,BZ,DJ) VALUES (%1,%2)")
                        .arg(id++)
                        .arg(QString::fromUtf8(row))))
            return false;
    }
    return true;
}

// One unsaved score row to score.
struct ScoreRow
{
    Dataset rows;
    ScoreRow(TFDM& dm, const QString& sex, const QVariant& gradeMark)
    {
        rows.setConnection(dm.DBConn(), &dm.dialect());
        rows.setSql(QStringLiteral("select * from CJB where 1=0"));
        if (!rows.open() || !rows.append())
            qFatal("cannot open a score row: %s", qPrintable(rows.lastError()));
        set("XB", sex);
        set("NJBZ", gradeMark);
    }
    void set(const char* field, const QVariant& value)
    {
        QVERIFY2(rows.setFieldValue(QString::fromLatin1(field), value), field);
    }
    QVariant get(const char* field) const { return rows.fieldValue(QString::fromLatin1(field)); }
};

} // namespace

class TestScoringEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numbers()
    {
        QCOMPARE(QString::number(StatementNumber(2.675), 'g', 17), QString::number(2.675, 'g', 17));
        QCOMPARE(StatementNumber(0.1 + 0.2), 0.3);
        QCOMPARE(GradeGroup("1A"), QString("12"));
        QCOMPARE(GradeGroup("4"), QString("34"));
        QCOMPARE(GradeGroup("A1"), QString());
        QCOMPARE(GradeGroup(""), QString());
        QVERIFY(IsMinSecTime(3.59));
        QVERIFY(IsMinSecTime(4));
        QVERIFY(!IsMinSecTime(3.65));
        QVERIFY(!IsMinSecTime(3.605));
        QCOMPARE(Round2(0.125), 0.12);
        QCOMPARE(Round2(0.375), 0.38);
    }

    void totalGrade_data()
    {
        QTest::addColumn<double>("total");
        QTest::addColumn<QString>("grade");
        QTest::newRow("0") << 0.0 << "不及格";
        QTest::newRow("59.99") << 59.99 << "不及格";
        QTest::newRow("59.995 falls between") << 59.995 << "";
        QTest::newRow("60") << 60.0 << "及格";
        QTest::newRow("79.99") << 79.99 << "及格";
        QTest::newRow("79.995") << 79.995 << "";
        QTest::newRow("80") << 80.0 << "良好";
        QTest::newRow("89.995") << 89.995 << "";
        QTest::newRow("90 less binary noise") << 89.99999999999999 << "优秀";
        QTest::newRow("110") << 110.0 << "优秀";
    }
    void totalGrade()
    {
        QFETCH(double, total);
        QTEST(TotalGrade(total), "grade");
    }

    // Each case scores one item with both the statements and the tables in memory.
    void items_data() { TestDatabase::addEngineRows(); }
    void items()
    {
        QFETCH(Dialect::Kind, engine);
        // Expected: score column, grade column, value column afterwards, bonus value, bonus
        // points.
        struct Case
        {
            const char* name;
            const char* sex;
            QVariant mark;
            const char* code;
            QVariant value;
            QVariantList expected;
        };
        const QVariant none;
        const Case cases[] = {
            {"50m at SXZ matches the row", "男", "1A", "05", 7.0, {17.0, "良好", 7.0, none, none}},
            {"50m at XXZ does not", "男", "1A", "05", 6.7, {20.0, "优秀", 6.7, none, none}},
            {"50m group 34", "男", "3", "05", 7.0, {20.0, "优秀", 7.0, none, none}},
            {"50m 0 is not measured", "男", "1A", "05", 0.0, {0.0, "", 0.0, none, none}},
            {"50m empty grade mark", "男", "", "05", 7.0, {0.0, "", 7.0, none, none}},
            {"50m letter grade mark", "男", "B1", "05", 7.0, {0.0, "", 7.0, none, none}},
            {"50m in a gap", "男", "1A", "05", 9.5, {0.0, "", 9.5, none, none}},
            {"jump at XXZ matches", "男", "2", "06", 256, {8.5, "良好", 256, none, none}},
            {"jump at SXZ does not", "男", "2", "06", 263, {0.0, "", 263, none, none}},
            {"reach 0 is measured", "男", "1", "07", 0.0, {2.0, "不及格", 0.0, none, none}},
            {"reach negative", "男", "1", "07", -2.0, {0.0, "不及格", -2.0, none, none}},
            {"reach empty is not", "男", "1", "07", none, {0.0, "", none, none, none}},
            {"vital capacity rounded", "女", "3B", "04", 2500, {11.7, "及格", 2500, none, none}},
            {"pull-ups 0 is measured", "男", "1", "14", 0.0, {0.0, "不及格", 0.0, none, none}},
            {"pull-ups full", "男", "1", "14", 19, {10.0, "优秀", 19, none, none}},
            {"pull-ups bonus", "男", "1", "14", 23, {10.0, "优秀", 19.0, 4.0, 0.8}},
            {"1000m borrowed minute", "男", "1", "11", 2.58, {20.0, "优秀", 3.2, 0.22, 2.0}},
            {"1000m same minute", "男", "1", "11", 3.05, {20.0, "优秀", 3.2, 0.15, 2.0}},
            {"1000m two minutes apart", "男", "1", "11", 1.55, {20.0, "优秀", 3.2, 0.0, 2.0}},
            {"1000m at the threshold", "男", "1", "11", 3.20, {20.0, "优秀", 3.20, none, none}},
            {"800m bonus without a full row", "女", "1", "10", 3.0, {20.0, "", 0.0, 0.0, 1.0}},
        };
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        QVERIFY(loadStandard(db.dm()));
        CachedStandardSource cached;
        QVERIFY(cached.load());
        SqlStandardSource statements;

        for (const Case& c : cases) {
            const ItemSpec& spec = *ItemByCode(QString::fromLatin1(c.code));
            for (StandardSource* source : {static_cast<StandardSource*>(&statements),
                                           static_cast<StandardSource*>(&cached)}) {
                ScoreRow row(db.dm(), QString::fromUtf8(c.sex), c.mark);
                row.set(spec.valueField, c.value);
                ScoreItem(row.rows, spec, *source);
                const QVariantList got{
                    row.get(spec.scoreField), row.get(spec.gradeField), row.get(spec.valueField),
                    spec.bonusValueField ? row.get(spec.bonusValueField) : QVariant(),
                    spec.bonusPointsField ? row.get(spec.bonusPointsField) : QVariant()};
                for (int i = 0; i < got.size(); ++i) {
                    const QVariant& want = c.expected[i];
                    QVERIFY2(Dataset::sameValue(got[i], want) && got[i].isNull() == want.isNull(),
                             qPrintable(QStringLiteral("%1 (%2), column %3: got %4, expected %5")
                                            .arg(QString::fromUtf8(c.name))
                                            .arg(source == &cached ? "cached" : "statements")
                                            .arg(i)
                                            .arg(got[i].toString(), want.toString())));
                }
            }
        }
    }

    void bmiAndGrip_data() { TestDatabase::addEngineRows(); }
    void bmiAndGrip()
    {
        QFETCH(Dialect::Kind, engine);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        QVERIFY(loadStandard(db.dm()));

        struct Case
        {
            double height, weight;
            QVariant bmi, score;
            const char* grade;
        };
        const Case cases[] = {
            {1.75, 70, 22.86, 15.0, "正常体重"},
            {1.80, 60, 18.52, 15.0, "正常体重"},
            {1.80, 35, 10.8, 12.0, "较低体重"},         // below the span: the lowest interval
            {1.50, 100, 44.44, 0.0, ""},                // above: lowered to 40, which no row holds
            {1.75, 0, QVariant(), QVariant(), nullptr}, // nothing written
        };
        for (const Case& c : cases) {
            ScoreRow row(db.dm(), "男", "1");
            row.set("SG", c.height);
            row.set("TZ", c.weight);
            const double returned = DBGSGTZDFGetValue(row.rows);
            for (const auto& [field, want] : {std::pair{"SGTZCJ", c.bmi}, {"SGTZDF", c.score}}) {
                const QVariant got = row.get(field);
                QVERIFY2(Dataset::sameValue(got, want) && got.isNull() == want.isNull(), field);
            }
            QCOMPARE(row.get("SGTZPJ").isNull(), c.grade == nullptr);
            if (c.grade)
                QCOMPARE(row.get("SGTZPJ").toString(), QString::fromUtf8(c.grade));
            QCOMPARE(returned, c.score.toDouble());
        }

        // Grip index: grip / weight * 100, cut; 0 when the weight is 0.
        ScoreRow grip(db.dm(), "男", QVariant());
        grip.set("WLCJ", 41.5);
        grip.set("TZ", 70.0);
        DBGWLDFGetValue(grip.rows);
        QCOMPARE(grip.get("WLZS").toInt(), 59);
        QCOMPARE(grip.get("WLDF").toDouble(), 10.0);
        QCOMPARE(grip.get("WLPJ").toString(), QString("不及格"));
        grip.set("TZ", 0.0);
        DBGWLDFGetValue(grip.rows);
        QCOMPARE(grip.get("WLZS").toInt(), 0);
        QCOMPARE(grip.get("WLDF").toDouble(), 0.0);
        grip.set("WLCJ", 0.0);
        grip.set("TZ", 70.0);
        DBGWLDFGetValue(grip.rows);
        QCOMPARE(grip.get("WLZS").toInt(), 0);
        QCOMPARE(grip.get("WLDF").toDouble(), 0.0);
        QCOMPARE(grip.get("WLPJ").toString(), QString(""));
    }

    void totals_data() { TestDatabase::addEngineRows(); }
    void totals()
    {
        QFETCH(Dialect::Kind, engine);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());

        ScoreRow row(db.dm(), "男", "1");
        // Seven item scores that make 90 in decimal but 89.99999999999999 as doubles.
        const char* fields[] = {"SGTZDF", "TJDF", "QMDF", "FHLDF", "WSDF", "TYDF", "QQDF"};
        const double scores[] = {17.7, 19.4, 8.8, 2.3, 12.0, 16.5, 13.3};
        for (int i = 0; i < 7; ++i)
            row.set(fields[i], scores[i]);
        row.set("BZ", 0.3);
        QVERIFY(RecalcTotals(row.rows));
        QCOMPARE(row.get("TBZF").toDouble(), 90.0);
        QCOMPARE(row.get("ZF").toDouble(), 90.0);
        QCOMPARE(row.get("JF").toDouble(), 0.0);
        QCOMPARE(row.get("DJ").toString(), QString("优秀"));

        // Bonus points count in ZF and in the weighted result.
        row.set("YTJFDF", 0.8);
        row.set("QMJFDF", 2.0);
        QVERIFY(RecalcTotals(row.rows));
        QCOMPARE(row.get("JF").toDouble(), 2.8);
        QCOMPARE(row.get("ZF").toDouble(), 92.8);
        QCOMPARE(row.get("TBDF").toDouble(), 27.84);

        // An all-empty row is a fail, not an empty grade.
        ScoreRow empty(db.dm(), "女", "1");
        QVERIFY(RecalcTotals(empty.rows));
        QCOMPARE(empty.get("ZF").toDouble(), 0.0);
        QCOMPARE(empty.get("DJ").toString(), QString("不及格"));

        // A dataset without the score columns cannot be totalled.
        Dataset narrow;
        narrow.setConnection(db.dm().DBConn(), &db.dm().dialect());
        narrow.setSql("select ID, XB from CJB where 1=0");
        QVERIFY(narrow.open() && narrow.append());
        QVERIFY(!RecalcTotals(narrow));
    }

    // The window's hooks: typing a value scores its item; the totals wait for Enter.
    void hooks_data() { TestDatabase::addEngineRows(); }
    void hooks()
    {
        QFETCH(Dialect::Kind, engine);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        QVERIFY(loadStandard(db.dm()));

        ScoreRow row(db.dm(), "男", "1");
        InstallScoreHooks(row.rows);
        row.set("YTCJ", 23);
        QCOMPARE(row.get("YTCJ").toDouble(), 19.0);
        QCOMPARE(row.get("YTJFCJ").toDouble(), 4.0);
        QCOMPARE(row.get("YTDF").toDouble(), 10.0);
        QVERIFY(row.get("ZF").isNull());

        // Dropping below the bonus range keeps the recorded bonus.
        row.set("YTCJ", 10);
        QCOMPARE(row.get("YTDF").toDouble(), 6.0);
        QCOMPARE(row.get("YTPJ").toString(), QString("及格"));
        QCOMPARE(row.get("YTJFDF").toDouble(), 0.8);

        row.set("SG", 1.75);
        row.set("TZ", 70.0);
        QCOMPARE(row.get("SGTZDF").toDouble(), 15.0);
        QCOMPARE(row.get("SGTZPJ").toString(), QString("正常体重"));
        row.set("TZ", 0.0);
        QCOMPARE(row.get("SGTZDF").toDouble(), 0.0);
        QCOMPARE(row.get("SGTZPJ").toString(), QString(""));
    }

    // Many rows: the tables in memory give exactly what the statements give.
    void cachedEqualsStatements_data() { TestDatabase::addEngineRows(); }
    void cachedEqualsStatements()
    {
        QFETCH(Dialect::Kind, engine);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        QVERIFY(loadStandard(db.dm()));
        CachedStandardSource cached;
        QVERIFY(cached.load());
        SqlStandardSource statements;

        // Values on and around every bound, plus noise.
        const QVariant pool[] = {QVariant(), 0.0, -2.0, 3.7,  5,    6.7,   6.8,  7.0,
                                 9.1,        19,  20,   23,   256,  262.9, 263,  2500,
                                 3.16,       3.2, 2.58, 1.55, 3.18, 4.32,  41.5, 44.0};
        const char* const marks[] = {"1A", "2", "3", "4B", "", "X"};
        const char* const sexes[] = {"男", "女", ""};
        QRandomGenerator random(20261211);
        auto pick = [&](const auto& array) { return array[random.bounded(int(std::size(array)))]; };
        for (int n = 0; n < 300; ++n) {
            const QString sex = QString::fromUtf8(pick(sexes));
            const QString mark = QString::fromUtf8(pick(marks));
            QVariantList values;
            for (size_t i = 0; i < Items().size() + 2; ++i)
                values.append(pick(pool));
            std::vector<QVariant> results[2];
            QStringList names;
            int s = 0;
            for (StandardSource* source : {static_cast<StandardSource*>(&statements),
                                           static_cast<StandardSource*>(&cached)}) {
                ScoreRow row(db.dm(), sex, mark);
                for (size_t i = 0; i < Items().size(); ++i)
                    row.set(Items()[i].valueField, values[int(i)]);
                row.set("SG", values[int(Items().size())].toDouble() / 20 + 0.5);
                row.set("TZ", values[int(Items().size()) + 1]);
                row.set("BZ", 0.3);
                RowScorer scorer(row.rows, *source);
                QVERIFY(scorer.isValid());
                for (const ItemSpec& item : Items())
                    scorer.scoreItem(item);
                scorer.scoreBmi();
                QVERIFY(scorer.recalcTotals());
                for (int f = 0; f < row.rows.fieldCount(); ++f) {
                    results[s].push_back(row.rows.fieldValue(f));
                    names.append(row.rows.field(f).name);
                }
                ++s;
            }
            for (size_t f = 0; f < results[0].size(); ++f) {
                QVERIFY2(Dataset::sameValue(results[0][f], results[1][f]) &&
                             results[0][f].isNull() == results[1][f].isNull(),
                         qPrintable(QStringLiteral("row %1, %2: %3 vs %4")
                                        .arg(n)
                                        .arg(names[qsizetype(f)])
                                        .arg(results[0][f].toString(), results[1][f].toString())));
            }
        }
    }
};

QTEST_MAIN(TestScoringEngine)
#include "tst_scoring_engine.moc"
