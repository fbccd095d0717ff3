#pragma once

#include <QString>
#include <QStringView>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class Dataset;

// The fitness-test scoring engine: turns the measured values of the current row of a dataset
// over CJB into item scores, grade words, bonus columns and totals, by the standard tables
// TZJKB and SGTZB. No widgets; every write goes into the row's pending changes.
namespace Scoring {

enum class Bonus { None, Counted, Timed };

// One test item with a code in TZJKB.
struct ItemSpec
{
    const char* code;       // GL
    const char* name;       // as the tables write it
    const char* valueField; // measured value in CJB
    const char* scoreField;
    const char* gradeField;       // also the to-be-tested marker
    const char* bonusValueField;  // ..JFCJ, nullptr without bonus
    const char* bonusPointsField; // ..JFDF, nullptr without bonus
    bool grouped;                 // rows restricted by NJBZ '12' / '34'
    bool lowerInclusive;          // XXZ <= v (else XXZ < v)
    bool upperInclusive;          // SXZ >= v (else SXZ > v)
    bool rounded;                 // score column written rounded
    Bonus bonus;
    bool zeroIsMeasurement;    // a real 0 is scored; only NULL means not measured
    const char* indicatorCode; // ZBLBB code whose limits check a typed value (= code)
};

// Every item, in the order of the codes.
const std::vector<ItemSpec>& Items();
const ItemSpec* ItemByCode(QStringView code);
const ItemSpec* ItemByValueField(QStringView field);

// One matched row of a standard table.
struct Interval
{
    double points = 0; // FZ
    QString grade;     // DJ
    double weight = 0; // BZ
};

// Where the engine finds the standard rows. The answers are the first row the table gives
// for the condition, as the statements do.
class StandardSource
{
public:
    virtual ~StandardSource() = default;
    // The row of the item, sex and group ("12", "34" or empty for items without groups) whose
    // bounds contain v by the item's rules.
    virtual std::optional<Interval> findItem(const ItemSpec& item, const QString& sex,
                                             const QString& group, double v) = 0;
    // XXZ (counted items) or SXZ (timed items) of the item's FZ = 100 row; 0 when absent.
    virtual double fullScoreThreshold(const ItemSpec& item, const QString& sex,
                                      const QString& group) = 0;
    // Min(SGXXZ), Max(SGSXZ) of the sex; 0 for each when absent.
    virtual std::pair<double, double> bmiSpan(const QString& sex) = 0;
    // The SGTZB row with SGXXZ <= bmi < SGSXZ.
    virtual std::optional<Interval> findBmi(const QString& sex, double bmi) = 0;
};

// One statement per lookup on the data module's scratch queries, as for one keystroke.
class SqlStandardSource final : public StandardSource
{
public:
    std::optional<Interval> findItem(const ItemSpec& item, const QString& sex, const QString& group,
                                     double v) override;
    double fullScoreThreshold(const ItemSpec& item, const QString& sex,
                              const QString& group) override;
    std::pair<double, double> bmiSpan(const QString& sex) override;
    std::optional<Interval> findBmi(const QString& sex, double bmi) override;
};

// The standard tables read once into memory, for scoring many rows; same answers as the
// statements.
class CachedStandardSource final : public StandardSource
{
public:
    CachedStandardSource();
    ~CachedStandardSource() override;
    // Reads TZJKB and SGTZB through the data module's connection; false on a database error.
    bool load();
    QString lastError() const;

    std::optional<Interval> findItem(const ItemSpec& item, const QString& sex, const QString& group,
                                     double v) override;
    double fullScoreThreshold(const ItemSpec& item, const QString& sex,
                              const QString& group) override;
    std::pair<double, double> bmiSpan(const QString& sex) override;
    std::optional<Interval> findBmi(const QString& sex, double bmi) override;

private:
    struct Tables;
    std::unique_ptr<Tables> m_tables;
};

// The source the named operations use: the statements, unless a test or a batch installs
// another for the lifetime of a ScopedStandardSource.
StandardSource& CurrentStandardSource();
class ScopedStandardSource
{
public:
    explicit ScopedStandardSource(StandardSource& source);
    ~ScopedStandardSource();
    ScopedStandardSource(const ScopedStandardSource&) = delete;
    ScopedStandardSource& operator=(const ScopedStandardSource&) = delete;

private:
    StandardSource* m_previous;
};

// The grade group of a row's grade mark: "12" for a first character 1 or 2, "34" for 3 or 4,
// empty otherwise.
QString GradeGroup(const QString& gradeMark);
// A value as the lookup statements see it: written with 15 significant digits, read back.
double StatementNumber(double value);
// Rounded to two decimals, ties to even.
double Round2(double value);
// Whether a minutes.seconds time has fewer than 60 seconds (3.59 yes, 3.65 no).
bool IsMinSecTime(double value);

// Scores one item of the current row and returns the unrounded score.
double ScoreItem(Dataset& row, const ItemSpec& item, StandardSource& source);
double ScoreItem(Dataset& row, const ItemSpec& item);
// BMI from SG and TZ; 0 and nothing written when either is 0.
double ScoreBmi(Dataset& row, StandardSource& source);
double ScoreBmi(Dataset& row);
// Totals and overall grade; false when reading a column failed.
bool RecalcTotals(Dataset& row);

// Overall grade word of a total (rounded to 9 decimals first, then the bands).
QString TotalGrade(double total);

// The change hooks of the value columns: each scores its item (BMI for SG and TZ) and stores
// the returned score in the item's score column. A height or weight cleared to 0 leaves BMI
// score 0 and an empty grade word.
void InstallScoreHooks(Dataset& query);

// Scores rows of one dataset with its columns looked up once; what the free functions above
// do for one call, and what a batch uses for many rows.
class RowScorer
{
public:
    RowScorer(Dataset& rows, StandardSource& source);
    ~RowScorer();
    RowScorer(const RowScorer&) = delete;
    RowScorer& operator=(const RowScorer&) = delete;

    // False when the dataset lacks a column the engine needs.
    bool isValid() const;
    double scoreItem(const ItemSpec& item);
    double scoreBmi();
    bool recalcTotals();
    // Re-scores the current row as a correction of the standard tables does: every item
    // that is to be tested and measured (an item whose grade column is NULL is not to be
    // tested; one still holding the marker "-1" with no value is not measured yet; BMI and
    // vital capacity once they have values), a bonus item's measured value rebuilt from the
    // capped value and its bonus performance, then the totals.
    void rescoreCurrent();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace Scoring

// The item operations by their established names; each scores the current row with the
// current standard source.
double DBGSGTZDFGetValue(Dataset& q);
double DBGTJDFGetValue(Dataset& q);
double DBGFHLDFGetValue(Dataset& q);
double DBGWSDFGetValue(Dataset& q);
double DBGTYDFGetValue(Dataset& q);
double DBGQQDFGetValue(Dataset& q);
double DBGWLDFGetValue(Dataset& q);
double DBGBBDFGetValue(Dataset& q);
double DBGQMDFGetValue(Dataset& q);
double DBGYWDFGetValue(Dataset& q);
double DBGYTDFGetValue(Dataset& q);
double DBGSXDFGetValue(Dataset& q);
double DBGTSDFGetValue(Dataset& q);
double DBGLQDFGetValue(Dataset& q);
double DBGZQDFGetValue(Dataset& q);
double DBGPQDFGetValue(Dataset& q);
