// Re-scoring a school year: the batch path (standard tables in memory) against the statements
// a keystroke uses, and against reading and writing the same rows with no scoring at all.
// SQLite, and PostgreSQL when ORVANE_TEST_PG_SERVER is set; argument 0 = SQLite, 1 = PostgreSQL.

#include "data/dataset.h"
#include "fitness/rescore.h"
#include "fitness/scoring_engine.h"
#include "fitness/standard_data.h"
#include "support/score_year.h"
#include "support/test_database.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

constexpr int kYearRows = 20000;
constexpr int kYear = 2026;
// The statements are slow enough that a smaller year gives their per-row time.
constexpr int kStatementRows = 2000;
constexpr int kStatementYear = 2025;

const char* const kScoreColumns[] = {"SGTZCJ", "SGTZDF", "FHLDF", "WSDF",  "TYDF", "QQDF",
                                     "YTDF",   "YWDF",   "QMDF",  "BBDF",  "TBZF", "JF",
                                     "ZF",     "TBDF",   "DJ",    "SGTZPJ"};
const char* const kMarkedGrades[] = {"FHLPJ", "WSPJ", "TYPJ", "QQPJ",
                                     "YTPJ",  "YWPJ", "QMPJ", "BBPJ"};

std::map<Dialect::Kind, std::unique_ptr<TestDatabase>>& databases()
{
    static std::map<Dialect::Kind, std::unique_ptr<TestDatabase>> all;
    return all;
}

TestDatabase& database(Dialect::Kind kind)
{
    auto& db = databases()[kind];
    if (!db) {
        db = std::make_unique<TestDatabase>(kind);
        db->createSchema();
        QString error;
        const auto tables = ReadStandardTables(ShippedStandardFolder(), &error);
        QSqlDatabase c = db->dm().DBConn();
        if (!tables || !c.transaction() || !WriteStandardTables(c, *tables, &error) || !c.commit())
            qFatal("cannot load the standard: %s", qPrintable(error));
        if (!InsertScoreYear(c, kYear, kYearRows, 11) ||
            !InsertScoreYear(c, kStatementYear, kStatementRows, 12))
            qFatal("cannot insert the score rows");
    }
    return *db;
}

Dialect::Kind kindOf(const benchmark::State& state)
{
    return state.range(0) == 0 ? Dialect::Kind::SQLite : Dialect::Kind::PostgreSQL;
}

// Back to the rows as generated: no scores, the markers in place.
void resetScores(TestDatabase& db, int year)
{
    QStringList sets;
    for (const char* c : kScoreColumns)
        sets.append(QStringLiteral("%1=NULL").arg(QLatin1String(c)));
    for (const char* c : kMarkedGrades)
        sets.append(QStringLiteral("%1=CASE WHEN %1 IS NULL THEN NULL ELSE '-1' END")
                        .arg(QLatin1String(c)));
    QSqlQuery q(db.dm().DBConn());
    if (!q.exec(QStringLiteral("UPDATE CJB SET %1 WHERE XN=%2")
                    .arg(sets.join(u','), QString::number(year))))
        qFatal("cannot reset the scores");
}

void rescore(benchmark::State& state, Scoring::StandardSource& source, int year, int rows)
{
    TestDatabase& db = database(kindOf(state));
    for (auto _ : state) {
        state.PauseTiming();
        resetScores(db, year);
        state.ResumeTiming();
        // Reading the tables is part of the batch.
        if (auto* tables = dynamic_cast<Scoring::CachedStandardSource*>(&source);
            tables && !tables->load())
            state.SkipWithError("cannot read the tables");
        const Scoring::RescoreResult result = Scoring::RescoreYear(db.dm(), year, source);
        if (!result.ok || result.rows != rows)
            state.SkipWithError("rescore failed");
        benchmark::DoNotOptimize(result.changed);
    }
    state.counters["rows"] = rows;
    state.counters["per_row"] = benchmark::Counter(
        rows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void RescoreBatch(benchmark::State& state)
{
    Scoring::CachedStandardSource tables;
    rescore(state, tables, kYear, kYearRows);
}

void RescoreStatements(benchmark::State& state)
{
    Scoring::SqlStandardSource statements;
    rescore(state, statements, kStatementYear, kStatementRows);
}

// Scoring alone: every row of an open year scored in memory and dropped again.
void scoreOnly(benchmark::State& state, Scoring::StandardSource& source, int year, int rows)
{
    TestDatabase& db = database(kindOf(state));
    resetScores(db, year);
    Dataset data;
    data.setConnection(db.dm().DBConn(), &db.dm().dialect());
    data.setSql(QStringLiteral("select * from CJB where XN=? order by ID"), {year});
    if (!data.open() || data.rowCount() != rows)
        state.SkipWithError("open failed");
    Scoring::RowScorer scorer(data, source);
    data.disableControls();
    for (auto _ : state) {
        if (auto* tables = dynamic_cast<Scoring::CachedStandardSource*>(&source);
            tables && !tables->load())
            state.SkipWithError("cannot read the tables");
        for (int r = 0; r < data.rowCount(); ++r) {
            data.setCurrentRow(r);
            scorer.rescoreCurrent();
            data.cancel();
        }
    }
    data.enableControls();
    state.counters["rows"] = rows;
    state.counters["per_row"] = benchmark::Counter(
        rows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void ScoreOnlyCached(benchmark::State& state)
{
    Scoring::CachedStandardSource tables;
    scoreOnly(state, tables, kYear, kYearRows);
}

void ScoreOnlyStatements(benchmark::State& state)
{
    Scoring::SqlStandardSource statements;
    scoreOnly(state, statements, kStatementYear, kStatementRows);
}

// The same rows read, the same columns written, in one batch, with no scoring.
void ReadWriteOnly(benchmark::State& state)
{
    TestDatabase& db = database(kindOf(state));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetScores(db, kYear);
        ++round;
        state.ResumeTiming();
        Dataset rows;
        rows.setConnection(db.dm().DBConn(), &db.dm().dialect());
        rows.setSql(QStringLiteral("select * from CJB where XN=? order by ID"), {kYear});
        if (!rows.open())
            state.SkipWithError("open failed");
        std::vector<int> fields;
        for (const char* c : kScoreColumns)
            fields.push_back(rows.fieldIndex(QString::fromLatin1(c)));
        for (const char* c : kMarkedGrades)
            fields.push_back(rows.fieldIndex(QString::fromLatin1(c)));
        rows.disableControls();
        for (int r = 0; r < rows.rowCount(); ++r) {
            rows.setCurrentRow(r);
            rows.edit();
            for (int f : fields) {
                const bool text = rows.field(f).type.id() == QMetaType::QString;
                rows.setFieldValue(f, text ? QVariant(QStringLiteral("良好"))
                                           : QVariant(double(round + r % 7)));
            }
            rows.post();
        }
        if (!rows.updateBatch())
            state.SkipWithError("write failed");
        rows.enableControls();
    }
    state.counters["rows"] = kYearRows;
    state.counters["per_row"] = benchmark::Counter(
        kYearRows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void engines(benchmark::internal::Benchmark* b)
{
    b->Arg(0);
    if (TestDatabase::postgresAvailable())
        b->Arg(1);
    b->ArgName("pg")->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->UseRealTime();
}

} // namespace

BENCHMARK(RescoreBatch)->Apply(engines);
BENCHMARK(RescoreStatements)->Apply(engines);
BENCHMARK(ReadWriteOnly)->Apply(engines);
BENCHMARK(ScoreOnlyCached)->Apply(engines);
BENCHMARK(ScoreOnlyStatements)->Apply(engines);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    databases().clear();
    return 0;
}
