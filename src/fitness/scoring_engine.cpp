#include "fitness/scoring_engine.h"

#include "data/data_module.h"
#include "data/dataset.h"
#include "data/services.h"
#include "platform/grid_values.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <array>
#include <cmath>
#include <unordered_map>

namespace Scoring {

namespace {

using enum Bonus;

// code, name, value, score, grade, bonus value, bonus points, grouped, XXZ <=, SXZ >=, rounded,
// bonus, zero is a measurement, indicator
const std::vector<ItemSpec> kItems = {
    {"03", "台阶试验", "TJCJ", "TJDF", "TJPJ", nullptr, nullptr, false, true, true, false, None,
     false, "03"},
    {"04", "肺活量", "FHLCJ", "FHLDF", "FHLPJ", nullptr, nullptr, true, true, false, true, None,
     false, "04"},
    {"05", "50米跑", "WSCJ", "WSDF", "WSPJ", nullptr, nullptr, true, false, true, true, None, false,
     "05"},
    {"06", "立定跳远", "TYCJ", "TYDF", "TYPJ", nullptr, nullptr, true, true, false, true, None,
     false, "06"},
    {"07", "坐位体前屈", "QQCJ", "QQDF", "QQPJ", nullptr, nullptr, true, true, false, true, None,
     true, "07"},
    {"08", "握力体重指数", "WLCJ", "WLDF", "WLPJ", nullptr, nullptr, false, true, true, false, None,
     false, "08"},
    {"10", "800米跑(女)", "BBCJ", "BBDF", "BBPJ", "BBJFCJ", "BBJFDF", true, false, true, true,
     Timed, false, "10"},
    {"11", "1000米跑(男)", "QMCJ", "QMDF", "QMPJ", "QMJFCJ", "QMJFDF", true, false, true, true,
     Timed, false, "11"},
    {"12", "仰卧起坐(女)", "YWCJ", "YWDF", "YWPJ", "YWJFCJ", "YWJFDF", true, true, false, true,
     Counted, true, "12"},
    {"14", "引体向上(男)", "YTCJ", "YTDF", "YTPJ", "YTJFCJ", "YTJFDF", true, true, false, true,
     Counted, true, "14"},
    {"15", "掷实心球", "SXCJ", "SXDF", "SXPJ", nullptr, nullptr, false, true, true, false, None,
     false, "15"},
    {"18", "跳绳", "TSCJ", "TSDF", "TSPJ", nullptr, nullptr, false, true, true, false, None, true,
     "18"},
    {"19", "篮球运球", "LQCJ", "LQDF", "LQPJ", nullptr, nullptr, false, true, true, false, None,
     false, "19"},
    {"20", "足球运球", "ZQCJ", "ZQDF", "ZQPJ", nullptr, nullptr, false, true, true, false, None,
     false, "20"},
    {"21", "排球垫球", "PQCJ", "PQDF", "PQPJ", nullptr, nullptr, false, true, true, false, None,
     true, "21"},
};

// The sum of the totals, in this order.
constexpr std::array kScoreColumns = {"SGTZDF", "TJDF", "QMDF", "BBDF", "FHLDF", "WSDF",
                                      "TYDF",   "QQDF", "YWDF", "WLDF", "SXDF",  "YTDF",
                                      "TSDF",   "LQDF", "ZQDF", "PQDF", "SLDF"};
constexpr std::array kBonusPointColumns = {"YTJFDF", "YWJFDF", "QMJFDF", "BBJFDF"};

StandardSource* g_source = nullptr;

using GridValues::isNull;

double toNumber(const QVariant& v)
{
    if (isNull(v))
        return 0;
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && std::isfinite(d) ? d : 0;
}

long double round2(long double value)
{
    return std::nearbyintl(value * 100.0L) / 100.0L;
}

double minSecValue(int seconds)
{
    const int s = std::abs(seconds);
    const QString text = QStringLiteral("%1%2.%3")
                             .arg(seconds < 0 ? QStringLiteral("-") : QString())
                             .arg(s / 60)
                             .arg(s % 60, 2, 10, QLatin1Char('0'));
    return text.toDouble();
}

QString numberText(double value)
{
    return QString::number(value, 'g', 15);
}

} // namespace

const std::vector<ItemSpec>& Items()
{
    return kItems;
}

const ItemSpec* ItemByCode(QStringView code)
{
    for (const ItemSpec& item : kItems) {
        if (code == QLatin1String(item.code))
            return &item;
    }
    return nullptr;
}

const ItemSpec* ItemByValueField(QStringView field)
{
    for (const ItemSpec& item : kItems) {
        if (field.compare(QLatin1String(item.valueField), Qt::CaseInsensitive) == 0)
            return &item;
    }
    return nullptr;
}

QString GradeGroup(const QString& gradeMark)
{
    if (gradeMark.isEmpty())
        return QString();
    const QChar c = gradeMark.at(0);
    if (c == u'1' || c == u'2')
        return QStringLiteral("12");
    if (c == u'3' || c == u'4')
        return QStringLiteral("34");
    return QString();
}

double StatementNumber(double value)
{
    return numberText(value).toDouble();
}

double Round2(double value)
{
    return RoundValue(2, 0, value);
}

bool IsMinSecTime(double value)
{
    if (!std::isfinite(value))
        return false;
    const QString text = QString::number(std::fabs(value), 'f', 6);
    const qsizetype dot = text.indexOf(u'.');
    // Beyond two digits of seconds the time means nothing either.
    if (text.mid(dot + 3).toInt() != 0)
        return false;
    return text.mid(dot + 1, 2).toInt() < 60;
}

QString TotalGrade(double total)
{
    // Item scores that add up to 90 in decimal must not fall to 89.99999999999999.
    const double t = double(std::nearbyintl(static_cast<long double>(total) * 1e9L) / 1e9L);
    if (t == 0)
        return QStringLiteral("不及格");
    if (t <= 59.99)
        return QStringLiteral("不及格");
    if (t >= 60 && t <= 79.99)
        return QStringLiteral("及格");
    if (t >= 80 && t <= 89.99)
        return QStringLiteral("良好");
    if (t >= 90)
        return QStringLiteral("优秀");
    return QString();
}

// --- the statements ---------------------------------------------------------------------

namespace {

QString itemCondition(const ItemSpec& item, double v)
{
    const QString n = numberText(v);
    return (item.lowerInclusive ? QStringLiteral(" and XXZ <=") : QStringLiteral(" and XXZ <")) +
           n +
           (item.upperInclusive ? QStringLiteral(" and SXZ >=") : QStringLiteral(" and SXZ >")) + n;
}

QString groupCondition(const ItemSpec& item, const QString& group)
{
    return item.grouped ? QStringLiteral(" and NJBZ='%1'").arg(group) : QString();
}

std::optional<Interval> firstInterval(Dataset& q)
{
    if (q.isEmpty())
        return std::nullopt;
    q.first();
    return Interval{toNumber(q.fieldValue(u"FZ")), q.fieldValue(u"DJ").toString(),
                    toNumber(q.fieldValue(u"BZ"))};
}

} // namespace

std::optional<Interval> SqlStandardSource::findItem(const ItemSpec& item, const QString& sex,
                                                    const QString& group, double v)
{
    TFDM* dm = TFDM::instance();
    if (!dm || !std::isfinite(v))
        return std::nullopt;
    // The number goes in as text (it comes from a double, never from the user); the sex is bound.
    const QString sql = QStringLiteral("Select FZ,DJ,BZ from TZJKB where XB=?") +
                        itemCondition(item, v) + QStringLiteral(" and GL='%1'").arg(item.code) +
                        groupCondition(item, group);
    if (!OpenBoundQuery(*dm->QADOT, sql, {sex}))
        return std::nullopt;
    return firstInterval(*dm->QADOT);
}

double SqlStandardSource::fullScoreThreshold(const ItemSpec& item, const QString& sex,
                                             const QString& group)
{
    TFDM* dm = TFDM::instance();
    if (!dm)
        return 0;
    const QString bound =
        item.bonus == Bonus::Timed ? QStringLiteral("SXZ") : QStringLiteral("XXZ");
    const QString sql = QStringLiteral("Select %1 from TZJKB where XB=? and FZ=100 and GL='%2'")
                            .arg(bound, QLatin1String(item.code)) +
                        groupCondition(item, group);
    Dataset& q = *dm->QADO;
    if (!OpenBoundQuery(q, sql, {sex}) || q.isEmpty())
        return 0;
    q.first();
    return toNumber(q.fieldValue(0));
}

std::pair<double, double> SqlStandardSource::bmiSpan(const QString& sex)
{
    TFDM* dm = TFDM::instance();
    if (!dm)
        return {0, 0};
    Dataset& q = *dm->QADOT;
    auto one = [&](const QString& sql) {
        if (!OpenBoundQuery(q, sql, {sex}) || q.isEmpty())
            return 0.0;
        q.first();
        return toNumber(q.fieldValue(0));
    };
    const double lo = one(QStringLiteral("Select Min(SGXXZ) from SGTZB where XB=?"));
    const double hi = one(QStringLiteral("Select Max(SGSXZ) from SGTZB where XB=?"));
    return {lo, hi};
}

std::optional<Interval> SqlStandardSource::findBmi(const QString& sex, double bmi)
{
    TFDM* dm = TFDM::instance();
    if (!dm || !std::isfinite(bmi))
        return std::nullopt;
    const QString n = numberText(bmi);
    const QString sql = QStringLiteral("Select FZ,DJ,BZ from SGTZB where XB=? and SGXXZ <=") + n +
                        QStringLiteral(" and SGSXZ >") + n;
    if (!OpenBoundQuery(*dm->QADOT, sql, {sex}))
        return std::nullopt;
    return firstInterval(*dm->QADOT);
}

// --- the tables in memory ----------------------------------------------------------------

struct CachedStandardSource::Tables
{
    struct ItemRow
    {
        QString sex, code, group;
        std::optional<double> lower, upper, points;
        double weight = 0;
        QString grade;
    };
    struct BmiRow
    {
        QString sex;
        std::optional<double> lower, upper;
        double points = 0, weight = 0;
        QString grade;
    };
    // In the order the database gives them, as the statements see them.
    std::vector<ItemRow> items;
    // Rows of one item and sex (and group), in that order: what a statement's condition on
    // GL, XB and NJBZ leaves to test against the bounds.
    std::unordered_map<QString, std::vector<const ItemRow*>> byItem;
    const std::vector<const ItemRow*>& rowsOf(const ItemSpec& item, const QString& sex,
                                              const QString& group) const
    {
        static const std::vector<const ItemRow*> none;
        const QString code = QLatin1String(item.code) + QChar(0x1f) + sex;
        const auto it = byItem.find(item.grouped ? code + QChar(0x1f) + group : code);
        return it == byItem.end() ? none : it->second;
    }
    std::vector<BmiRow> bmi;
    QString error;
};

namespace {

std::optional<double> optionalNumber(const QVariant& v)
{
    if (isNull(v))
        return std::nullopt;
    return toNumber(v);
}

} // namespace

CachedStandardSource::CachedStandardSource() : m_tables(std::make_unique<Tables>()) {}

CachedStandardSource::~CachedStandardSource() = default;

QString CachedStandardSource::lastError() const
{
    return m_tables->error;
}

bool CachedStandardSource::load()
{
    m_tables->items.clear();
    m_tables->bmi.clear();
    m_tables->byItem.clear();
    TFDM* dm = TFDM::instance();
    if (!dm) {
        m_tables->error = QStringLiteral("没有数据库连接");
        return false;
    }
    QSqlQuery q(dm->DBConn());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("Select XB,GL,NJBZ,XXZ,SXZ,FZ,BZ,DJ from TZJKB"))) {
        m_tables->error = q.lastError().text();
        return false;
    }
    while (q.next()) {
        m_tables->items.push_back({q.value(0).toString(), q.value(1).toString(),
                                   q.value(2).toString(), optionalNumber(q.value(3)),
                                   optionalNumber(q.value(4)), optionalNumber(q.value(5)),
                                   toNumber(q.value(6)), q.value(7).toString()});
    }
    for (const Tables::ItemRow& r : m_tables->items) {
        m_tables->byItem[r.code + QChar(0x1f) + r.sex].push_back(&r);
        m_tables->byItem[r.code + QChar(0x1f) + r.sex + QChar(0x1f) + r.group].push_back(&r);
    }
    if (!q.exec(QStringLiteral("Select XB,SGXXZ,SGSXZ,FZ,BZ,DJ from SGTZB"))) {
        m_tables->error = q.lastError().text();
        return false;
    }
    while (q.next()) {
        m_tables->bmi.push_back({q.value(0).toString(), optionalNumber(q.value(1)),
                                 optionalNumber(q.value(2)), toNumber(q.value(3)),
                                 toNumber(q.value(4)), q.value(5).toString()});
    }
    return true;
}

std::optional<Interval> CachedStandardSource::findItem(const ItemSpec& item, const QString& sex,
                                                       const QString& group, double v)
{
    if (!std::isfinite(v))
        return std::nullopt;
    for (const Tables::ItemRow* r : m_tables->rowsOf(item, sex, group)) {
        if (!r->lower || !r->upper)
            continue;
        const bool lowerOk = item.lowerInclusive ? *r->lower <= v : *r->lower < v;
        const bool upperOk = item.upperInclusive ? *r->upper >= v : *r->upper > v;
        if (lowerOk && upperOk)
            return Interval{r->points.value_or(0), r->grade, r->weight};
    }
    return std::nullopt;
}

double CachedStandardSource::fullScoreThreshold(const ItemSpec& item, const QString& sex,
                                                const QString& group)
{
    for (const Tables::ItemRow* r : m_tables->rowsOf(item, sex, group)) {
        if (r->points && *r->points == 100) {
            const auto& bound = item.bonus == Bonus::Timed ? r->upper : r->lower;
            return bound.value_or(0);
        }
    }
    return 0;
}

std::pair<double, double> CachedStandardSource::bmiSpan(const QString& sex)
{
    std::optional<double> lo, hi;
    for (const Tables::BmiRow& r : m_tables->bmi) {
        if (r.sex != sex)
            continue;
        if (r.lower && (!lo || *r.lower < *lo))
            lo = r.lower;
        if (r.upper && (!hi || *r.upper > *hi))
            hi = r.upper;
    }
    return {lo.value_or(0), hi.value_or(0)};
}

std::optional<Interval> CachedStandardSource::findBmi(const QString& sex, double bmi)
{
    if (!std::isfinite(bmi))
        return std::nullopt;
    for (const Tables::BmiRow& r : m_tables->bmi) {
        if (r.sex == sex && r.lower && r.upper && *r.lower <= bmi && *r.upper > bmi)
            return Interval{r.points, r.grade, r.weight};
    }
    return std::nullopt;
}

StandardSource& CurrentStandardSource()
{
    static SqlStandardSource statements;
    return g_source ? *g_source : statements;
}

ScopedStandardSource::ScopedStandardSource(StandardSource& source) : m_previous(g_source)
{
    g_source = &source;
}

ScopedStandardSource::~ScopedStandardSource()
{
    g_source = m_previous;
}

// --- scoring a row -------------------------------------------------------------------------

struct RowScorer::Impl
{
    Dataset& rows;
    StandardSource& source;
    bool valid = true;

    struct ItemColumns
    {
        int value, score, grade, bonusValue = -1, bonusPoints = -1;
    };
    std::vector<ItemColumns> items; // parallel to kItems
    int xb, njbz, sg, tz, bmiValue, bmiScore, bmiGrade, gripIndex;
    std::array<int, kScoreColumns.size()> scores{};
    std::array<int, kBonusPointColumns.size()> bonusPoints{};
    int tbzf, jf, zf, tbdf, dj, bz;

    Impl(Dataset& d, StandardSource& s) : rows(d), source(s)
    {
        auto col = [&](const char* name) {
            const int i = rows.fieldIndex(QString::fromLatin1(name));
            if (i < 0)
                valid = false;
            return i;
        };
        for (const ItemSpec& item : kItems) {
            ItemColumns c{col(item.valueField), col(item.scoreField), col(item.gradeField)};
            if (item.bonus != Bonus::None) {
                c.bonusValue = col(item.bonusValueField);
                c.bonusPoints = col(item.bonusPointsField);
            }
            items.push_back(c);
        }
        xb = col("XB");
        njbz = col("NJBZ");
        sg = col("SG");
        tz = col("TZ");
        bmiValue = col("SGTZCJ");
        bmiScore = col("SGTZDF");
        bmiGrade = col("SGTZPJ");
        gripIndex = col("WLZS");
        for (size_t i = 0; i < kScoreColumns.size(); ++i)
            scores[i] = col(kScoreColumns[i]);
        for (size_t i = 0; i < kBonusPointColumns.size(); ++i)
            bonusPoints[i] = col(kBonusPointColumns[i]);
        tbzf = col("TBZF");
        jf = col("JF");
        zf = col("ZF");
        tbdf = col("TBDF");
        dj = col("DJ");
        bz = col("BZ");
    }

    QVariant read(int field) const { return field < 0 ? QVariant() : rows.fieldValue(field); }
    double number(int field) const { return toNumber(read(field)); }

    // A failed write is let go; the other fields are still written.
    void write(int field, const QVariant& value)
    {
        if (field < 0)
            return;
        const Dataset::State s = rows.state();
        if (s != Dataset::State::Edit && s != Dataset::State::Insert && !rows.edit())
            return;
        rows.setFieldValue(field, value);
    }

    const ItemColumns& columnsOf(const ItemSpec& item) const
    {
        return items[size_t(&item - kItems.data())];
    }

    // The lookup of one value as a run of the item's operation would make it.
    std::optional<Interval> lookup(const ItemSpec& item, const QString& sex, const QString& group,
                                   double v, bool measured)
    {
        if (!measured || (item.grouped && group.isEmpty()))
            return std::nullopt;
        return source.findItem(item, sex, group, StatementNumber(v));
    }

    // bonusScored tells whether the value earned bonus points (and was capped).
    double scoreItem(const ItemSpec& item, bool* bonusScored = nullptr)
    {
        if (bonusScored)
            *bonusScored = false;
        const ItemColumns& c = columnsOf(item);
        if (c.value < 0 || c.score < 0 || c.grade < 0)
            return 0;
        const QString sex = read(xb).toString();
        const QString group = item.grouped ? GradeGroup(read(njbz).toString()) : QString();
        const QVariant raw = read(c.value);
        double v = toNumber(raw);
        bool measured = item.zeroIsMeasurement ? !isNull(raw) : v != 0;
        if (c.value >= 0 && item.valueField == std::string_view("WLCJ")) {
            const double weight = number(tz);
            const double ratio = weight != 0 ? v / weight * 100 : 0;
            const double index = std::isfinite(ratio) ? std::trunc(ratio) : 0;
            write(gripIndex, int(index));
            measured = v != 0 && index != 0;
            v = index;
        }

        const std::optional<Interval> hit = lookup(item, sex, group, v, measured);
        if (hit && hit->points > 100 && item.bonus != Bonus::None) {
            if (bonusScored)
                *bonusScored = true;
            return scoreBonus(item, c, *hit, sex, group, toNumber(raw));
        }

        const double score = hit ? hit->points * hit->weight : 0;
        const QString grade = hit ? hit->grade : QString();
        const QVariant stored = item.rounded ? Round2(score) : score;
        // Vital capacity and the grip index write the grade first.
        if (item.code == std::string_view("04") || item.code == std::string_view("08")) {
            write(c.grade, grade);
            write(c.score, stored);
        } else {
            write(c.score, stored);
            write(c.grade, grade);
        }
        return score;
    }

    double scoreBonus(const ItemSpec& item, const ItemColumns& c, const Interval& hit,
                      const QString& sex, const QString& group, double v)
    {
        const double t = source.fullScoreThreshold(item, sex, group);
        const double score = hit.weight * 100;
        const double points = (hit.points - 100) * hit.weight;
        if (item.bonus == Bonus::Counted) {
            write(c.bonusValue, v - t);
            write(c.bonusPoints, points);
            write(c.value, t);
        } else {
            const double mt = std::trunc(t);
            const double mv = std::trunc(v);
            double d = 0;
            if (mt == mv)
                d = t - v;
            else if (mt - mv == 1)
                d = (t - mt) + 0.6 - (v - mv); // one minute borrowed as 60 seconds
            write(c.bonusValue, Round2(d));
            write(c.bonusPoints, Round2(points));
            write(c.value, Round2(t));
        }
        // The grade of the interval that holds the threshold: the full-score row's.
        const bool measured = item.zeroIsMeasurement || t != 0;
        const std::optional<Interval> top = lookup(item, sex, group, t, measured);
        write(c.score, Round2(score));
        write(c.grade, top ? top->grade : QString());
        return score;
    }

    double scoreBmi()
    {
        const double height = number(sg);
        const double weight = number(tz);
        if (height == 0 || weight == 0)
            return 0;
        const QString sex = read(xb).toString();
        const double ratio = weight / (height * height);
        const double bmi = std::isfinite(ratio) ? Round2(ratio) : 0;
        write(bmiValue, bmi);
        const auto [lo, hi] = source.bmiSpan(sex);
        double probe = bmi;
        if (probe < lo)
            probe = lo;
        else if (probe > hi)
            probe = hi;
        std::optional<Interval> hit;
        if (probe != 0)
            hit = source.findBmi(sex, StatementNumber(probe));
        const double score = hit ? hit->points * hit->weight : 0;
        write(bmiScore, Round2(score));
        write(bmiGrade, hit ? hit->grade : QString());
        return score;
    }

    bool recalcTotals()
    {
        for (int i : scores) {
            if (i < 0)
                return false;
        }
        long double sum = 0;
        for (int i : scores)
            sum += number(i);
        write(tbzf, double(round2(sum)));
        long double bonus = 0;
        for (int i : bonusPoints)
            bonus += number(i);
        const double bonusRounded = double(round2(bonus));
        write(jf, bonusRounded);
        const long double total = bonusRounded + sum;
        write(zf, double(round2(total)));
        write(tbdf, double(round2(number(bz) * total)));
        write(dj, TotalGrade(double(total)));
        return true;
    }

    // Puts the measured value back together from the capped value and the bonus
    // performance. Only a value at full marks was capped: one typed lower after the bonus was
    // recorded leaves a stale bonus performance that must not be added to it.
    bool rebuildBonus(const ItemSpec& item, const ItemColumns& c)
    {
        const double capped = number(c.value);
        const double extra = number(c.bonusValue);
        const QString sex = read(xb).toString();
        const QString group = GradeGroup(read(njbz).toString());
        const std::optional<Interval> at = lookup(item, sex, group, capped, true);
        if (!at || at->points < 100)
            return false;
        write(c.value, item.bonus == Bonus::Counted
                           ? StatementNumber(capped + extra)
                           : minSecValue(MinSecToSeconds(capped) - MinSecToSeconds(extra)));
        return true;
    }

    void rescoreCurrent()
    {
        for (const ItemSpec& item : kItems) {
            const ItemColumns& c = columnsOf(item);
            const QVariant grade = read(c.grade);
            const QVariant value = read(c.value);
            const bool alwaysTested = item.code == std::string_view("04");
            if (isNull(grade) && !(alwaysTested && !isNull(value)))
                continue; // not to be tested
            if (grade.toString() == QLatin1String("-1") && isNull(value))
                continue; // not measured yet: keep the marker
            if (item.bonus != Bonus::None && number(c.bonusValue) > 0 && rebuildBonus(item, c)) {
                bool bonus = false;
                scoreItem(item, &bonus);
                // The excess is back in the value; a bonus the tables no longer give is gone.
                if (!bonus) {
                    write(c.bonusValue, 0.0);
                    write(c.bonusPoints, 0.0);
                }
                continue;
            }
            scoreItem(item);
        }
        scoreBmi();
        recalcTotals();
    }
};

RowScorer::RowScorer(Dataset& rows, StandardSource& source)
    : d(std::make_unique<Impl>(rows, source))
{
}

RowScorer::~RowScorer() = default;

bool RowScorer::isValid() const
{
    return d->valid;
}

double RowScorer::scoreItem(const ItemSpec& item)
{
    return d->scoreItem(item);
}

double RowScorer::scoreBmi()
{
    return d->scoreBmi();
}

bool RowScorer::recalcTotals()
{
    return d->recalcTotals();
}

void RowScorer::rescoreCurrent()
{
    d->rescoreCurrent();
}

double ScoreItem(Dataset& row, const ItemSpec& item, StandardSource& source)
{
    return RowScorer(row, source).scoreItem(item);
}

double ScoreItem(Dataset& row, const ItemSpec& item)
{
    return ScoreItem(row, item, CurrentStandardSource());
}

double ScoreBmi(Dataset& row, StandardSource& source)
{
    return RowScorer(row, source).scoreBmi();
}

double ScoreBmi(Dataset& row)
{
    return ScoreBmi(row, CurrentStandardSource());
}

bool RecalcTotals(Dataset& row)
{
    return RowScorer(row, CurrentStandardSource()).recalcTotals();
}

void InstallScoreHooks(Dataset& query)
{
    auto storeScore = [](Dataset& q, const char* scoreField, double score) {
        q.setFieldValue(QString::fromLatin1(scoreField), score);
    };
    auto bmiHook = [storeScore](Dataset& q, int) {
        const double score = ScoreBmi(q);
        storeScore(q, "SGTZDF", score);
        // A cleared height or weight leaves no grade beside the 0 score.
        if (toNumber(q.fieldValue(u"SG")) == 0 || toNumber(q.fieldValue(u"TZ")) == 0)
            q.setFieldValue(u"SGTZPJ", QString());
    };
    query.setFieldHook(u"SG", bmiHook);
    query.setFieldHook(u"TZ", bmiHook);
    for (const ItemSpec& item : kItems) {
        query.setFieldHook(QString::fromLatin1(item.valueField),
                           [&item, storeScore](Dataset& q, int) {
                               storeScore(q, item.scoreField, ScoreItem(q, item));
                           });
    }
}

} // namespace Scoring

namespace {
double scoreByCode(Dataset& q, const char* code)
{
    return Scoring::ScoreItem(q, *Scoring::ItemByCode(QString::fromLatin1(code)));
}
} // namespace

double DBGSGTZDFGetValue(Dataset& q)
{
    return Scoring::ScoreBmi(q);
}
double DBGTJDFGetValue(Dataset& q)
{
    return scoreByCode(q, "03");
}
double DBGFHLDFGetValue(Dataset& q)
{
    return scoreByCode(q, "04");
}
double DBGWSDFGetValue(Dataset& q)
{
    return scoreByCode(q, "05");
}
double DBGTYDFGetValue(Dataset& q)
{
    return scoreByCode(q, "06");
}
double DBGQQDFGetValue(Dataset& q)
{
    return scoreByCode(q, "07");
}
double DBGWLDFGetValue(Dataset& q)
{
    return scoreByCode(q, "08");
}
double DBGBBDFGetValue(Dataset& q)
{
    return scoreByCode(q, "10");
}
double DBGQMDFGetValue(Dataset& q)
{
    return scoreByCode(q, "11");
}
double DBGYWDFGetValue(Dataset& q)
{
    return scoreByCode(q, "12");
}
double DBGYTDFGetValue(Dataset& q)
{
    return scoreByCode(q, "14");
}
double DBGSXDFGetValue(Dataset& q)
{
    return scoreByCode(q, "15");
}
double DBGTSDFGetValue(Dataset& q)
{
    return scoreByCode(q, "18");
}
double DBGLQDFGetValue(Dataset& q)
{
    return scoreByCode(q, "19");
}
double DBGZQDFGetValue(Dataset& q)
{
    return scoreByCode(q, "20");
}
double DBGPQDFGetValue(Dataset& q)
{
    return scoreByCode(q, "21");
}
