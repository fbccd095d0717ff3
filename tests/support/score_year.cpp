#include "support/score_year.h"

#include <QRandomGenerator>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

// A number with the given decimals, as a teacher types it.
double typed(QRandomGenerator& r, double lo, double hi, int decimals)
{
    const double v = lo + r.generateDouble() * (hi - lo);
    return QString::number(v, 'f', decimals).toDouble();
}

// A minutes.seconds time between two times in seconds.
double time(QRandomGenerator& r, int loSeconds, int hiSeconds)
{
    const int s = loSeconds + int(r.bounded(hiSeconds - loSeconds + 1));
    return QStringLiteral("%1.%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0')).toDouble();
}

} // namespace

bool InsertScoreYear(QSqlDatabase db, int year, int rows, quint32 seed)
{
    QRandomGenerator r(seed);
    const QStringList columns = {"ID",   "XH",    "XSXM",   "XB",     "JSID",   "XZBMC", "NJBZ",
                                 "XN",   "XQ",    "MS",     "BZ",     "TBDF",   "DJ",    "SG",
                                 "TZ",   "FHLCJ", "WSCJ",   "TYCJ",   "QQCJ",   "YTCJ",  "YWCJ",
                                 "QMCJ", "BBCJ",  "WSPJ",   "TYPJ",   "QQPJ",   "YTPJ",  "YWPJ",
                                 "QMPJ", "BBPJ",  "YTJFCJ", "YTJFDF", "QMJFCJ", "QMJFDF"};
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i)
        marks.append(QStringLiteral("?"));
    if (!db.transaction())
        return false;
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT INTO CJB (%1) VALUES (%2)")
                       .arg(columns.join(u','), marks.join(u','))))
        return false;
    const QVariant null;
    const char* const gradeMarks[] = {"1A", "1B", "2A", "3A", "4B"};
    for (int i = 0; i < rows; ++i) {
        const bool male = r.bounded(2) == 0;
        const bool unmeasured = r.bounded(10) == 0; // nothing typed yet
        auto value = [&](double v) {
            return unmeasured || r.bounded(20) == 0 ? null : QVariant(v);
        };
        const QVariant marker = QStringLiteral("-1");
        // The pull-up bonus recorded earlier: the capped value and the excess.
        const bool pullUpBonus = male && !unmeasured && r.bounded(8) == 0;
        const bool runBonus = male && !unmeasured && r.bounded(8) == 0;
        const QVariantList row = {
            QStringLiteral("%1.%2.%3")
                .arg(102001 + i % 4)
                .arg(year)
                .arg(i, 5, 10, QLatin1Char('0')),
            QStringLiteral("%1%2").arg(year).arg(i, 6, 10, QLatin1Char('0')),
            male ? QStringLiteral("张伟") : QStringLiteral("王芳"),
            male ? QStringLiteral("男") : QStringLiteral("女"),
            102001 + i % 4,
            QStringLiteral("篮球%1班").arg(i % 12 + 1),
            QString::fromLatin1(gradeMarks[r.bounded(int(std::size(gradeMarks)))]),
            year,
            year * 100 + 9,
            QStringLiteral("否"),
            0.3,
            0.0,
            QStringLiteral("不及格"),
            value(typed(r, 1.50, 1.95, 2)),
            value(typed(r, 40, 105, 1)),
            value(male ? typed(r, 2000, 5600, 0) : typed(r, 1600, 3700, 0)),
            value(male ? typed(r, 6.3, 10.6, 1) : typed(r, 7.2, 11.8, 1)),
            value(male ? typed(r, 175, 285, 0) : typed(r, 120, 215, 0)),
            value(male ? typed(r, -3, 27, 1) : typed(r, 0, 28, 1)),
            male ? (pullUpBonus ? QVariant(19.0) : value(typed(r, 0, 32, 0))) : null,
            male ? null : value(typed(r, 8, 72, 0)),
            male ? (runBonus ? QVariant(3.17) : value(time(r, 180, 400))) : null,
            male ? null : value(time(r, 170, 340)),
            marker,
            marker,
            r.bounded(20) == 0 ? null : marker, // an item left out of the test
            male ? marker : null,
            male ? null : marker,
            male ? marker : null,
            male ? null : marker,
            pullUpBonus ? QVariant(double(r.bounded(1, 11))) : QVariant(0.0),
            pullUpBonus ? QVariant(0.5) : QVariant(0.0),
            runBonus ? QVariant(time(r, 4, 40)) : QVariant(0.0),
            runBonus ? QVariant(1.0) : QVariant(0.0),
        };
        for (const QVariant& v : row)
            q.addBindValue(v);
        if (!q.exec()) {
            db.rollback();
            return false;
        }
    }
    return db.commit();
}
