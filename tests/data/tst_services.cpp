#include "app/current_operator.h"
#include "data/data_module.h"
#include "data/services.h"
#include "support/scripted_interaction.h"
#include "support/test_database.h"

#include <QLineEdit>
#include <QSqlQuery>
#include <QtTest>

class TestServices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundValue_data()
    {
        QTest::addColumn<int>("digits");
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("tie to even down") << 2 << 0 << 0.125 << 0.12;
        QTest::newRow("tie to even up") << 2 << 0 << 0.375 << 0.38;
        QTest::newRow("59.995 is not a tie") << 2 << 0 << 59.995 << 60.0;
        QTest::newRow("negative tie") << 0 << 0 << -2.5 << -2.0;
        QTest::newRow("no digits") << 0 << 0 << 3.5 << 4.0;
        QTest::newRow("truncate") << 2 << 1 << 3.999 << 3.99;
        QTest::newRow("truncate whole") << 2 << 1 << 4.0 << 4.0;
        QTest::newRow("truncate negative") << 1 << 1 << -1.27 << -1.2;
        QTest::newRow("other mode is ceiling") << 2 << 2 << 3.01 << 4.0;
    }
    void roundValue()
    {
        QFETCH(int, digits);
        QFETCH(int, mode);
        QFETCH(double, value);
        QTEST(RoundValue(digits, mode, value), "expected");
    }

    void minSecDatesAndPadding()
    {
        QCOMPARE(MinSecToSeconds(3.5), 230);
        QCOMPARE(MinSecToSeconds(3.45), 225);
        QCOMPARE(MinSecToSeconds(0), 0);
        QCOMPARE(MinSecToSeconds(-1.2), 0);
        QCOMPARE(MinSecToSeconds(qQNaN()), 0);

        const QDate fallback(1988, 8, 8);
        QCOMPARE(ParseDateText("20070915"), QDate(2007, 9, 15));
        QCOMPARE(ParseDateText("2007-9-15"), QDate(2007, 9, 15));
        QCOMPARE(ParseDateText("2007-09-15"), QDate(2007, 9, 15));
        QCOMPARE(ParseDateText("2007-9月-15"), fallback);
        QCOMPARE(ParseDateText(""), fallback);
        QCOMPARE(ParseDateText("20071345"), fallback);
        QCOMPARE(ParseDateText("2007-02-30"), fallback);
        QCOMPARE(ParseDateText("15.09.2007"), fallback);

        QCOMPARE(PadNumber(7, 4, u'0', false), QString("0007"));
        QCOMPARE(PadText("abcde", 3, u'*', false), QString("abcde"));
        QCOMPARE(PadText("abcde", 3, u'*', true), QString("***"));
        QCOMPARE(PadText("ab", -1, u'0', true), QString("ab"));
    }

    void keys_data() { TestDatabase::addEngineRows(); }
    void keys()
    {
        QFETCH(Dialect::Kind, engine);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        TFDM& dm = db.dm();

        Dataset& teachers = *dm.JSB;
        QVERIFY(teachers.open());
        QCOMPARE(NextKeyValue(teachers, "ID", 102001), 102001);
        QSqlQuery q(dm.DBConn());
        QVERIFY(q.exec("INSERT INTO JSB (ID, XM) VALUES (102007, '甲')"));
        QVERIFY(teachers.refresh());
        QCOMPARE(NextKeyValue(teachers, "ID", 102001), 102008);
        Dataset closed;
        QCOMPARE(NextKeyValue(closed, "ID", 102001), 0);

        Dataset& classes = *dm.XZBB;
        QVERIFY(classes.open());
        QCOMPARE(NextOperIntId(classes, "ID", "12", 1), 120001);
        QCOMPARE(NextOperIntId(classes, "ID", "-1", 1), -9999);
        QCOMPARE(NextOperIntId(classes, "ID", "", 7), 7);
        QCOMPARE(NextOperIntId(classes, "ID", "300000", 1), qint32(quint32(300000u * 10000u + 1u)));
        QVERIFY(q.exec("INSERT INTO XZBB (ID) VALUES (120001)"));
        QVERIFY(classes.refresh());
        QCOMPARE(NextOperIntId(classes, "ID", "12", 1), 120001);
        QVERIFY(q.exec("INSERT INTO XZBB (ID) VALUES (250003)"));
        QVERIFY(classes.refresh());
        QCOMPARE(NextOperIntId(classes, "ID", "12", 1), 250004);

        currentOperator().CurOperId = "501001";
        Dataset& roster = *dm.HMCB;
        QVERIFY(roster.open());
        QString key;
        QVERIFY(NextOperRecordId(roster, "200601", key));
        QCOMPARE(key, QString("501001.200601.0001"));
        QCOMPARE(roster.state(), Dataset::State::Insert);
        roster.setFieldValue(u"ID", QString("501001.200601.0009"));
        QVERIFY(roster.post());
        QVERIFY(NextOperRecordId(roster, "200601", key));
        QCOMPARE(key, QString("501001.200601.0010"));
        roster.setFieldValue(u"ID", QString("501001.200601.9999"));
        QVERIFY(roster.post());
        const int rows = roster.rowCount();
        QVERIFY(!NextOperRecordId(roster, "200601", key));
        QCOMPARE(key, QString("501001.200601"));
        QCOMPARE(roster.rowCount(), rows);
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY(ui.messages[0].text.contains("9999"));
        roster.cancelBatch();

        currentOperator().CurOperId = "-1";
        roster.append();
        roster.setFieldValue(u"ID", QString("-1.200601.0001"));
        roster.post();
        QVERIFY(!NextOperRecordId(roster, "200601", key));
        QCOMPARE(key, QString("-1.200601"));
        QCOMPARE(roster.rowCount(), 1);
    }

    void sqlHelpersBindUserText_data() { TestDatabase::addEngineRows(); }
    void sqlHelpersBindUserText()
    {
        QFETCH(Dialect::Kind, engine);
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        TestDatabase db(engine);
        QVERIFY(db.createSchema());
        TFDM& dm = db.dm();
        const QString nasty = "x';DROP TABLE XSB;--"; // fits ZBMC's 20 bytes

        QVERIFY(ExecCommand(dm.DBConn(),
                            "INSERT INTO ZBLBB (ID, ZBBM, ZBMC, XXZ, SXZ) VALUES (1, ?, ?, 0.5, 3)",
                            "正在写入...", {QString("01"), nasty}));
        QCOMPARE(ui.events, (QStringList{"notice:正在写入...", "close-notice"}));
        QCOMPARE(IndicatorLowerLimit("01"), 0.5);
        QCOMPARE(IndicatorUpperLimit("01"), 3.0);
        QCOMPARE(IndicatorUpperLimit(nasty), 0.0);
        QVERIFY(OpenBoundQuery(*dm.QADO, "SELECT ZBMC FROM ZBLBB WHERE ZBMC = ?", {nasty}));
        QCOMPARE(dm.QADO->rowCount(), 1);
        QCOMPARE(dm.QADO->fieldValue(0).toString(), nasty);
        QVERIFY(dm.DBConn().tables().contains("xsb", Qt::CaseInsensitive));

        QVERIFY(!OpenQuery(*dm.QADO, "   "));
        QVERIFY(!OpenQuery(*dm.QADO, "SELECT * FROM NO_SUCH_TABLE", "请稍候..."));
        QVERIFY(!ui.noticeOpen()); // closed on failure too
        ui.clear();

        QVERIFY(!ExecCommandList(dm.DBConn(), {"UPDATE ZBLBB SET XXZ = 1", "bogus statement"},
                                 "保存失败!"));
        QCOMPARE(ui.messageTexts(), QStringList{"保存失败!"});
        QVERIFY(!ExecCommandList(dm.DBConn(), {"bogus"}, QString()));
        QCOMPARE(ui.messages.size(), 1);

        // Field helpers.
        QVERIFY(OpenQuery(*dm.QADO, "SELECT * FROM ZBLBB ORDER BY ID"));
        QVERIFY(SetFieldValueByName(*dm.QADO, "ZBMC", QString("肺活量")));
        QCOMPARE(dm.QADO->state(), Dataset::State::Browse);
        QCOMPARE(LookupFieldText(QString("01"), *dm.QADO, "ZBMC", "ZBBM"), QString("肺活量"));
        QCOMPARE(LookupFieldText(QString("02"), *dm.QADO, "ZBMC", "ZBBM"), QString());
        QCOMPARE(SetFieldValue(nullptr, "ZBMC", 1), -1);
        QCOMPARE(SetFieldValue(dm.QADO, "NOPE", 1), -1);
        QVERIFY(dm.QADO->updateBatch());
        QCOMPARE(LookupFieldText(QString("01"), *dm.QADO, "ZBMC", "ZBBM"), QString("肺活量"));
    }

    void checkScoreEdit()
    {
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        QLineEdit box;
        QVERIFY(CheckScoreEdit(&box, 0, 0)); // empty
        box.setText("3.5");
        QVERIFY(!CheckScoreEdit(&box, 0, 0)); // no indicator row: limits 0 and 0
        QCOMPARE(ui.messageTexts().last(), QString("录入的成绩有误!"));
        QCOMPARE(box.selectedText(), QString("3.5"));
        box.setText("0");
        QVERIFY(CheckScoreEdit(&box, 0, 0));
        box.setText("3,5");
        QVERIFY(!CheckScoreEdit(&box, 0, 10));
        QCOMPARE(ui.messageTexts().last(), QString("录入的成绩中有非法字符!"));
        box.setText("10");
        QVERIFY(CheckScoreEdit(&box, 0, 10)); // limits allowed
        box.setReadOnly(true);
        box.setText("abc");
        QVERIFY(CheckScoreEdit(&box, 0, 10));
    }
};

QTEST_MAIN(TestServices)
#include "tst_services.moc"
