#include "support/admin_process.h"

#include <QTemporaryDir>
#include <QtTest>

// The published examples of the national standard, scored by the administrator's tool against
// the standard the demo installation ships.
class TestAdminScore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    AdminRun score(const QStringList& args)
    {
        return runAdmin(QStringList{"score", "--dir", m_dir.path()} + args, m_dir.filePath("home"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        const AdminRun demo =
            runAdmin({"demo", "--dir", m_dir.path(), "--students", "0"}, m_dir.filePath("home"));
        QVERIFY2(demo.exitCode == 0, qPrintable(demo.err));
    }

    void publishedExamples_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("line");
        QTest::newRow("男 12 50米跑 7.0")
            << QStringList{"--sex", "男", "--group", "12", "--item", "05", "--value", "7.0"}
            << "score=17 grade=良好 value=7 bonus_value=0 bonus_points=0";
        QTest::newRow("女 34 800米跑 3.16")
            << QStringList{"--sex", "女", "--group", "34", "--item", "10", "--value", "3.16"}
            << "score=20 grade=优秀 value=3.16 bonus_value=0 bonus_points=0";
        QTest::newRow("女 34 800米跑 3.17")
            << QStringList{"--sex", "女", "--group", "34", "--item", "10", "--value", "3.17"}
            << "score=19 grade=优秀 value=3.17 bonus_value=0 bonus_points=0";
        QTest::newRow("女 12 仰卧起坐 58")
            << QStringList{"--sex", "女", "--group", "12", "--item", "12", "--value", "58"}
            << "score=10 grade=优秀 value=56 bonus_value=2 bonus_points=1";
        QTest::newRow("男 34 1000米跑 3.11")
            << QStringList{"--sex", "男", "--group", "34", "--item", "11", "--value", "3.11"}
            << "score=20 grade=优秀 value=3.15 bonus_value=0.04 bonus_points=1";
        QTest::newRow("男 12 坐位体前屈 0")
            << QStringList{"--sex", "男", "--group", "12", "--item", "07", "--value", "0"}
            << "score=2 grade=不及格 value=0 bonus_value=0 bonus_points=0";
        QTest::newRow("男 BMI 1.80 60")
            << QStringList{"--sex", "男", "--bmi", "--height", "1.80", "--weight", "60"}
            << "bmi=18.52 score=15 grade=正常体重";
        QTest::newRow("女 BMI 23.95 is overweight")
            << QStringList{"--sex", "女", "--bmi", "--height", "1.60", "--weight", "61.312"}
            << "bmi=23.95 score=12 grade=超    重";
    }
    void publishedExamples()
    {
        QFETCH(QStringList, args);
        const AdminRun r = score(args);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QTEST(r.out.trimmed(), "line");
    }

    void refusedInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("seconds of 60")
            << QStringList{"--sex", "男", "--group", "12", "--item", "11", "--value", "3.65"}
            << "录入的成绩有误!";
        QTest::newRow("not a number")
            << QStringList{"--sex", "男", "--group", "12", "--item", "05", "--value", "7,0"}
            << "录入的成绩中有非法字符!";
        QTest::newRow("unknown item")
            << QStringList{"--sex", "男", "--group", "12", "--item", "99", "--value", "1"}
            << "unknown item code 99";
        QTest::newRow("other group")
            << QStringList{"--sex", "男", "--group", "56", "--item", "05", "--value", "7"}
            << "the group is 12 or 34";
    }
    void refusedInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const AdminRun r = score(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_MAIN(TestAdminScore)
#include "tst_admin_score.moc"
