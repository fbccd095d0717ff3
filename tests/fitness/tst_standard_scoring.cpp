// Scores every published level of the shipped standard, and one step on each side of it,
// through the engine, against what the published tables say. Expectations come from the
// transcript of the published tables only, never from the generated rows.

#include "data/data_module.h"
#include "data/dataset.h"
#include "fitness/scoring_engine.h"
#include "fitness/standard_data.h"
#include "support/test_database.h"
#include "support/test_environment.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QtTest>

#include <cmath>

namespace {
// The published tables as the transcript writes them.
struct Published
{
    struct Item
    {
        QString name;
        QString unit; // ml, s, cm, count, min'sec"
        bool more = true;
        double weight = 0;
    };
    struct Table
    {
        QString code, sex, group;
        QStringList values; // per level, "-" where no value earns it
    };
    struct Band
    {
        QString sex;
        QString low, high; // one decimal, "-" for open
        double points = 0;
        QString word;
    };
    QList<int> levels;
    QHash<int, QString> grades;
    QHash<QString, Item> items;
    QList<Table> tables;
    QHash<QString, QList<int>> bonus;
    double bmiWeight = 0;
    QList<Band> bmi;
};

std::optional<Published> readPublished(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    Published p;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList w = line.split(u' ', Qt::SkipEmptyParts);
        if (w[0] == "levels") {
            for (const QString& v : w.mid(1))
                p.levels.append(v.toInt());
        } else if (w[0] == "grade") {
            for (const QString& v : w.mid(2))
                p.grades.insert(v.toInt(), w[1]);
        } else if (w[0] == "item") {
            p.items.insert(w[1], {w[2], w[3], w[4] == "more", w[5].toDouble()});
        } else if (w[0] == "bonus") {
            QList<int>& extra = p.bonus[w[1]];
            for (const QString& v : w.mid(2))
                extra.append(v.toInt());
        } else if (w[0] == "bmiweight") {
            p.bmiWeight = w[1].toDouble();
        } else if (w[0] == "bmi") {
            static const QRegularExpression re("^bmi (\\S+) (\\S+) (\\S+) (\\S+) (.+)$");
            const QRegularExpressionMatch m = re.match(line);
            if (!m.hasMatch())
                return std::nullopt;
            p.bmi.append({m.captured(1), m.captured(2), m.captured(3), m.captured(4).toDouble(),
                          m.captured(5)});
        } else {
            p.tables.append({w[0], w[1], w[2], w.mid(3)});
        }
    }
    return p;
}

// A measured value in the smallest unit it is typed in: ml, tenths of a second or centimetre,
// centimetres, counts, or whole seconds for the runs.
int toSteps(const QString& unit, bool tenths, const QString& text)
{
    if (unit.startsWith("min")) {
        const QStringList parts = QString(text).remove(u'"').split(u'\'');
        return parts[0].toInt() * 60 + parts[1].toInt();
    }
    if (tenths) {
        const bool negative = text.startsWith(u'-');
        const QStringList parts = QString(text).remove(u'-').split(u'.');
        const int tenths = parts[0].toInt() * 10 + parts.value(1, "0").toInt();
        return negative ? -tenths : tenths;
    }
    return text.toInt();
}

bool inTenths(const Published::Table& t, const Published::Item& item)
{
    if (item.unit == "s")
        return true;
    if (item.unit != "cm")
        return false;
    for (const QString& v : t.values) {
        if (v.contains(u'.'))
            return true;
    }
    return false;
}

// The value as a teacher types it.
QString typed(int steps, bool tenths, bool time)
{
    if (time)
        return QString("%1.%2").arg(steps / 60).arg(steps % 60, 2, 10, QLatin1Char('0'));
    if (tenths)
        return QString("%1%2.%3")
            .arg(steps < 0 ? "-" : "")
            .arg(std::abs(steps) / 10)
            .arg(std::abs(steps) % 10);
    return QString::number(steps);
}

struct Expected
{
    double points = 0;
    QString grade;
    int bonus = 0;  // bonus points
    int beyond = 0; // steps beyond the 100-point value (bonus performance)
};

bool near(double a, double b)
{
    return std::abs(a - b) < 1e-6;
}
} // namespace

class TestStandardScoring : public QObject
{
    Q_OBJECT

private:
    std::optional<Published> m_published;

    // A database with the shipped rows and one score row.
    bool prepare(TestDatabase& db)
    {
        QString error;
        const std::optional<StandardTables> shipped =
            ReadStandardTables(ORVANE_STANDARD_DIR, &error);
        if (!shipped || !db.createSchema() || !db.dm().DBConn().transaction() ||
            !WriteStandardTables(db.dm().DBConn(), *shipped, &error) ||
            !db.dm().DBConn().commit()) {
            qWarning() << error;
            return false;
        }
        QSqlQuery q(db.dm().DBConn());
        return q.exec("INSERT INTO CJB (ID, XH, XB, NJBZ, BZ) VALUES ('102001.202609.0001', "
                      "'1', '男', '1A', 0.5)");
    }

    static void clearItem(Dataset& row, const Scoring::ItemSpec& item)
    {
        row.setFieldValue(QString::fromLatin1(item.scoreField), QVariant());
        row.setFieldValue(QString::fromLatin1(item.gradeField), QStringLiteral("-1"));
        if (item.bonusValueField) {
            row.setFieldValue(QString::fromLatin1(item.bonusValueField), 0.0);
            row.setFieldValue(QString::fromLatin1(item.bonusPointsField), 0.0);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_published = readPublished(QStringLiteral(ORVANE_STANDARD_DIR "/published.txt"));
        QVERIFY(m_published);
        QCOMPARE(m_published->tables.size(), 24);
        QCOMPARE(m_published->levels.size(), 20);
    }

    void everyLevelAndItsNeighbours_data() { TestDatabase::addEngineRows(); }

    void everyLevelAndItsNeighbours()
    {
        QFETCH(Dialect::Kind, engine);
        TestEnvironment env;
        TestDatabase db(engine);
        QVERIFY(db.isOpen() && prepare(db));
        Dataset row;
        row.setConnection(db.dm().DBConn(), &db.dm().dialect());
        row.setSql("SELECT * FROM CJB");
        QVERIFY(row.open() && row.rowCount() == 1);

        const Published& p = *m_published;
        int checked = 0;
        for (const Published::Table& t : p.tables) {
            const Published::Item item = p.items.value(t.code);
            const Scoring::ItemSpec* spec = Scoring::ItemByCode(t.code);
            QVERIFY2(spec, qPrintable(t.code));
            const bool time = item.unit.startsWith("min");
            const bool tenths = inTenths(t, item);
            const QList<int> extra = p.bonus.value(t.code);
            // Published values in steps, per level; -1 level index where "-".
            QList<std::pair<int, int>> levels; // (points, steps)
            for (int i = 0; i < p.levels.size(); ++i) {
                if (t.values[i] != "-")
                    levels.append({p.levels[i], toSteps(item.unit, tenths, t.values[i])});
            }
            const int top = levels.first().second;
            const auto expect = [&](int v) {
                Expected e;
                const int better = item.more ? v - top : top - v; // steps beyond 100
                if (!extra.isEmpty() && better >= extra.first()) {
                    e.points = 100;
                    e.grade = p.grades.value(100);
                    e.beyond = better;
                    for (int b = 0; b < extra.size(); ++b) {
                        if (better >= extra[b])
                            e.bonus = b + 1;
                    }
                    return e;
                }
                e.grade = QStringLiteral("不及格");
                for (const auto& [points, value] : levels) {
                    if (item.more ? v >= value : v <= value) {
                        e.points = points;
                        e.grade = p.grades.value(points);
                        break;
                    }
                }
                return e;
            };

            QList<int> values;
            for (const auto& level : levels)
                values << level.second - 1 << level.second << level.second + 1;
            for (const int v : values) {
                const QString text = typed(v, tenths, time);
                const QString where =
                    QString("%1 %2 %3 %4 = %5").arg(item.name, t.sex, t.group, text).arg(v);
                const Expected e = expect(v);
                QVERIFY(row.edit());
                row.setFieldValue(u"XB", t.sex);
                row.setFieldValue(u"NJBZ", t.group == "12" ? QString("1A") : QString("34"));
                clearItem(row, *spec);
                row.setFieldValue(QString::fromLatin1(spec->valueField), text.toDouble());
                const double score = Scoring::ScoreItem(row, *spec);
                const double expectedScore = e.points * item.weight;
                QVERIFY2(
                    near(score, expectedScore),
                    qPrintable(where +
                               QString(": score %1, expected %2").arg(score).arg(expectedScore)));
                QVERIFY2(near(row.fieldValue(QString::fromLatin1(spec->scoreField)).toDouble(),
                              Scoring::Round2(expectedScore)),
                         qPrintable(where));
                QVERIFY2(
                    row.fieldValue(QString::fromLatin1(spec->gradeField)).toString() == e.grade,
                    qPrintable(where + ": grade " +
                               row.fieldValue(QString::fromLatin1(spec->gradeField)).toString() +
                               ", expected " + e.grade));
                if (spec->bonusValueField) {
                    const double beyond = time ? e.beyond / 100.0 : e.beyond;
                    QVERIFY2(
                        near(row.fieldValue(QString::fromLatin1(spec->bonusValueField)).toDouble(),
                             beyond),
                        qPrintable(where + ": bonus performance"));
                    QVERIFY2(
                        near(row.fieldValue(QString::fromLatin1(spec->bonusPointsField)).toDouble(),
                             e.bonus),
                        qPrintable(where + ": bonus points"));
                    // In the bonus case the value is capped at the 100-point value.
                    const double stored =
                        row.fieldValue(QString::fromLatin1(spec->valueField)).toDouble();
                    QVERIFY2(near(stored, e.bonus > 0 ? typed(top, tenths, time).toDouble()
                                                      : text.toDouble()),
                             qPrintable(where + ": value"));
                }
                row.cancel();
                ++checked;
            }
            // Bonus performance beyond each published threshold, and one short of it.
            for (int b = 0; b < extra.size(); ++b) {
                for (const int beyond : {extra[b] - 1, extra[b]}) {
                    const int v = item.more ? top + beyond : top - beyond;
                    const Expected e = expect(v);
                    QVERIFY(row.edit());
                    row.setFieldValue(u"XB", t.sex);
                    row.setFieldValue(u"NJBZ", t.group == "12" ? QString("1B") : QString("4"));
                    clearItem(row, *spec);
                    row.setFieldValue(QString::fromLatin1(spec->valueField),
                                      typed(v, tenths, time).toDouble());
                    Scoring::ScoreItem(row, *spec);
                    const QString where =
                        QString("%1 %2 %3 %4")
                            .arg(item.name, t.sex, t.group, typed(v, tenths, time));
                    QVERIFY2(
                        near(row.fieldValue(QString::fromLatin1(spec->bonusPointsField)).toDouble(),
                             e.bonus),
                        qPrintable(where));
                    QVERIFY2(near(row.fieldValue(QString::fromLatin1(spec->scoreField)).toDouble(),
                                  Scoring::Round2(e.points * item.weight)),
                             qPrintable(where));
                    row.cancel();
                }
            }
        }
        QVERIFY(checked > 0);
    }

    void bmiBands_data() { TestDatabase::addEngineRows(); }

    // The band of the BMI rounded half up to one decimal, as published.
    void bmiBands()
    {
        QFETCH(Dialect::Kind, engine);
        TestEnvironment env;
        TestDatabase db(engine);
        QVERIFY(db.isOpen() && prepare(db));
        Dataset row;
        row.setConnection(db.dm().DBConn(), &db.dm().dialect());
        row.setSql("SELECT * FROM CJB");
        QVERIFY(row.open());
        const auto tenths = [](const QString& t) {
            return t == "-" ? -1 : int(std::lround(t.toDouble() * 10));
        };
        for (const Published::Band& band : m_published->bmi) {
            // Hundredths around both edges of the band.
            QList<int> bmis;
            for (const int edge : {tenths(band.low), tenths(band.high)}) {
                if (edge >= 0)
                    bmis << edge * 10 - 6 << edge * 10 - 5 << edge * 10 + 4 << edge * 10 + 5;
            }
            for (const int h : bmis) {
                const int oneDecimal = (h + 5) / 10; // half up
                const Published::Band* expected = nullptr;
                for (const Published::Band& b : m_published->bmi) {
                    if (b.sex == band.sex && (b.low == "-" || oneDecimal >= tenths(b.low)) &&
                        (b.high == "-" || oneDecimal <= tenths(b.high)))
                        expected = &b;
                }
                QVERIFY(expected);
                const double bmi = h / 100.0;
                QVERIFY(row.edit());
                row.setFieldValue(u"XB", band.sex);
                row.setFieldValue(u"SG", 1.0);
                row.setFieldValue(u"TZ", bmi);
                const double score = Scoring::ScoreBmi(row);
                const QString where = QString("%1 BMI %2").arg(band.sex).arg(bmi);
                QVERIFY2(near(score, expected->points * m_published->bmiWeight), qPrintable(where));
                QVERIFY2(row.fieldValue(u"SGTZPJ").toString() == expected->word,
                         qPrintable(where + ": " + row.fieldValue(u"SGTZPJ").toString()));
                row.cancel();
            }
        }
    }

    void examples_data() { TestDatabase::addEngineRows(); }

    // The examples that come with the published tables.
    void examples()
    {
        QFETCH(Dialect::Kind, engine);
        TestEnvironment env;
        TestDatabase db(engine);
        QVERIFY(db.isOpen() && prepare(db));
        Dataset row;
        row.setConnection(db.dm().DBConn(), &db.dm().dialect());
        row.setSql("SELECT * FROM CJB");
        QVERIFY(row.open());
        struct Case
        {
            const char* sex;
            const char* grade;
            const char* code;
            double value;
            double score;
            const char* word;
            double capped; // value afterwards
            double beyond; // bonus performance, -1 when not a bonus case
            double bonus;
        };
        const Case cases[] = {
            {"男", "1A", "05", 7.0, 17, "良好", 7.0, -1, 0},
            {"女", "3", "10", 3.16, 20, "优秀", 3.16, 0, 0},
            {"女", "3", "10", 3.17, 19, "优秀", 3.17, 0, 0},
            {"女", "2B", "12", 58, 10, "优秀", 56, 2, 1},
            {"男", "4", "11", 3.11, 20, "优秀", 3.15, 0.04, 1},
            {"男", "1B", "07", 0, 2, "不及格", 0, -1, 0},
        };
        for (const Case& c : cases) {
            const Scoring::ItemSpec* spec = Scoring::ItemByCode(QString::fromLatin1(c.code));
            QVERIFY(spec);
            QVERIFY(row.edit());
            row.setFieldValue(u"XB", QString::fromUtf8(c.sex));
            row.setFieldValue(u"NJBZ", QString::fromLatin1(c.grade));
            clearItem(row, *spec);
            row.setFieldValue(QString::fromLatin1(spec->valueField), c.value);
            const QString where = QString("%1 %2 %3").arg(c.code).arg(c.value).arg(c.grade);
            QVERIFY2(near(Scoring::ScoreItem(row, *spec), c.score), qPrintable(where));
            QCOMPARE(row.fieldValue(QString::fromLatin1(spec->gradeField)).toString(),
                     QString::fromUtf8(c.word));
            QVERIFY2(
                near(row.fieldValue(QString::fromLatin1(spec->valueField)).toDouble(), c.capped),
                qPrintable(where));
            if (c.beyond >= 0) {
                QVERIFY2(near(row.fieldValue(QString::fromLatin1(spec->bonusValueField)).toDouble(),
                              c.beyond),
                         qPrintable(where));
                QVERIFY2(
                    near(row.fieldValue(QString::fromLatin1(spec->bonusPointsField)).toDouble(),
                         c.bonus),
                    qPrintable(where));
            }
            row.cancel();
        }
        QVERIFY(row.edit());
        row.setFieldValue(u"XB", QString("男"));
        row.setFieldValue(u"SG", 1.80);
        row.setFieldValue(u"TZ", 60.0);
        QVERIFY(near(Scoring::ScoreBmi(row), 15));
        QCOMPARE(row.fieldValue(u"SGTZCJ").toDouble(), 18.52);
        QCOMPARE(row.fieldValue(u"SGTZPJ").toString(), QString("正常体重"));
        row.cancel();
    }
};

QTEST_GUILESS_MAIN(TestStandardScoring)
#include "tst_standard_scoring.moc"
