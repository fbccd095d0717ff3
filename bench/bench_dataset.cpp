// The Dataset against the same SQL run directly: batch writes of 10,000 CJB rows and reading
// 100,000 rows, on SQLite and (when ORVANE_TEST_PG_SERVER is set) PostgreSQL.

#include "data/dataset.h"
#include "support/test_database.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QSqlRecord>

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <map>
#include <memory>

namespace {
constexpr int kBatchRows = 10000;
// Fewer rows may be asked for when profiling under valgrind.
const int kOpenRows = qEnvironmentVariableIntValue("ORVANE_BENCH_OPEN_ROWS") > 0
                          ? qEnvironmentVariableIntValue("ORVANE_BENCH_OPEN_ROWS")
                          : 100000;

// One database per engine for the whole run: CJB holds kOpenRows rows.
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
        QSqlDatabase c = db->dm().DBConn();
        c.transaction();
        QSqlQuery q(c);
        q.prepare("INSERT INTO CJB (ID, XH, XSXM, XB, JSID, XZBMC, SG, TZ, FHLCJ, WSCJ, MS, XN, "
                  "XQ, NJBZ) "
                  "VALUES (?, ?, ?, ?, 501001, ?, ?, ?, ?, ?, '否', 2026, 202609, '1A')");
        for (int i = 0; i < kOpenRows; ++i) {
            q.addBindValue(QStringLiteral("5%1.200609.%2")
                               .arg(i / 10000, 5, 10, QLatin1Char('0'))
                               .arg(i % 10000, 4, 10, QLatin1Char('0')));
            q.addBindValue(QStringLiteral("2026%1").arg(i, 6, 10, QLatin1Char('0')));
            q.addBindValue(i % 2 ? QStringLiteral("张三丰") : QStringLiteral("李秀英"));
            q.addBindValue(i % 2 ? QStringLiteral("男") : QStringLiteral("女"));
            q.addBindValue(QStringLiteral("篮球1班"));
            q.addBindValue(1.6 + (i % 40) * 0.01);
            q.addBindValue(50.0 + (i % 30));
            q.addBindValue(3000 + i % 2000);
            q.addBindValue(7.5 + (i % 20) * 0.1);
            q.exec();
        }
        c.commit();
    }
    return *db;
}

Dialect::Kind kindOf(const benchmark::State& state)
{
    return state.range(0) == 0 ? Dialect::Kind::SQLite : Dialect::Kind::PostgreSQL;
}

QString batchSql()
{
    return QStringLiteral("SELECT * FROM CJB WHERE ID < '500001' ORDER BY ID");
}

void UpdateBatchModified(benchmark::State& state)
{
    TestDatabase& db = database(kindOf(state));
    Dataset ds;
    ds.setConnection(db.dm().DBConn(), &db.dm().dialect());
    ds.setSql(batchSql());
    ds.open();
    const int tz = ds.fieldIndex(u"TZ");
    double value = 100;
    for (auto _ : state) {
        state.PauseTiming();
        value += 1;
        ds.disableControls();
        for (int r = 0; r < ds.rowCount(); ++r) {
            ds.setCurrentRow(r);
            ds.edit();
            ds.setFieldValue(tz, value);
            ds.post();
        }
        ds.enableControls();
        state.ResumeTiming();
        if (!ds.updateBatch())
            state.SkipWithError(qPrintable(ds.batchError().message));
    }
    state.counters["rows"] = ds.rowCount();
}

void PreparedUpdates(benchmark::State& state)
{
    TestDatabase& db = database(kindOf(state));
    QSqlDatabase c = db.dm().DBConn();
    Dataset ds; // only to read the keys and current values
    ds.setConnection(c, &db.dm().dialect());
    ds.setSql(batchSql());
    ds.open();
    const int id = ds.fieldIndex(u"ID"), tz = ds.fieldIndex(u"TZ");
    std::vector<QVariant> keys, values;
    for (int r = 0; r < ds.rowCount(); ++r) {
        keys.push_back(ds.value(r, id));
        values.push_back(ds.value(r, tz));
    }
    const QString sql =
        "UPDATE CJB SET TZ = ? WHERE ID = ? AND " + db.dm().dialect().nullSafeEquals("TZ");
    double value = 5000;
    for (auto _ : state) {
        value += 1;
        c.transaction();
        QSqlQuery q(c);
        q.prepare(sql);
        for (size_t i = 0; i < keys.size(); ++i) {
            q.bindValue(0, value);
            q.bindValue(1, keys[i]);
            q.bindValue(2, values[i]);
            q.exec();
            values[i] = value;
        }
        c.commit();
    }
}

void UpdateBatchInserted(benchmark::State& state)
{
    TestDatabase& db = database(kindOf(state));
    Dataset ds;
    ds.setConnection(db.dm().DBConn(), &db.dm().dialect());
    ds.setSql("SELECT * FROM CJB WHERE ID >= 'Z' ORDER BY ID");
    ds.open();
    const int id = ds.fieldIndex(u"ID"), xh = ds.fieldIndex(u"XH"), tz = ds.fieldIndex(u"TZ");
    for (auto _ : state) {
        state.PauseTiming();
        QSqlQuery(db.dm().DBConn()).exec("DELETE FROM CJB WHERE ID >= 'Z'");
        ds.open();
        ds.disableControls();
        for (int i = 0; i < kBatchRows; ++i) {
            ds.append();
            ds.setFieldValue(id,
                             QStringLiteral("Z01001.200609.%1").arg(i, 4, 10, QLatin1Char('0')));
            ds.setFieldValue(xh, QStringLiteral("2026%1").arg(i, 6, 10, QLatin1Char('0')));
            ds.setFieldValue(tz, 60.5);
            ds.post();
        }
        ds.enableControls();
        state.ResumeTiming();
        if (!ds.updateBatch())
            state.SkipWithError(qPrintable(ds.batchError().message));
    }
}

void PreparedInserts(benchmark::State& state)
{
    TestDatabase& db = database(kindOf(state));
    QSqlDatabase c = db.dm().DBConn();
    for (auto _ : state) {
        state.PauseTiming();
        QSqlQuery(c).exec("DELETE FROM CJB WHERE ID >= 'Z'");
        state.ResumeTiming();
        c.transaction();
        QSqlQuery q(c);
        q.prepare("INSERT INTO CJB (ID, XH, TZ) VALUES (?, ?, ?)");
        for (int i = 0; i < kBatchRows; ++i) {
            q.bindValue(0, QStringLiteral("Z01001.200609.%1").arg(i, 4, 10, QLatin1Char('0')));
            q.bindValue(1, QStringLiteral("2026%1").arg(i, 6, 10, QLatin1Char('0')));
            q.bindValue(2, 60.5);
            q.exec();
        }
        c.commit();
    }
}

void OpenDataset(benchmark::State& state)
{
    TestDatabase& db = database(kindOf(state));
    QSqlQuery(db.dm().DBConn()).exec("DELETE FROM CJB WHERE ID >= 'Z'");
    size_t bytes = 0;
    int rows = 0;
    for (auto _ : state) {
        Dataset ds;
        ds.setConnection(db.dm().DBConn(), &db.dm().dialect());
        ds.setSql("SELECT * FROM CJB");
        const size_t before = mallinfo2().uordblks;
        ds.open();
        bytes = mallinfo2().uordblks - before;
        rows = ds.rowCount();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = rows;
    state.counters["bytes_per_row"] = rows ? double(bytes) / rows : 0;
}

void ForwardIterate(benchmark::State& state)
{
    TestDatabase& db = database(kindOf(state));
    for (auto _ : state) {
        QSqlQuery q(db.dm().DBConn());
        q.setForwardOnly(true);
        q.exec("SELECT * FROM CJB");
        const int n = q.record().count();
        int rows = 0;
        while (q.next()) {
            for (int i = 0; i < n; ++i)
                benchmark::DoNotOptimize(q.value(i));
            ++rows;
        }
        state.counters["rows"] = rows;
    }
}

void engines(benchmark::internal::Benchmark* b)
{
    b->ArgName("pg")->Arg(0);
    if (TestDatabase::postgresAvailable())
        b->Arg(1);
    b->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->Iterations(3);
}
} // namespace

BENCHMARK(UpdateBatchModified)->Apply(engines);
BENCHMARK(PreparedUpdates)->Apply(engines);
BENCHMARK(UpdateBatchInserted)->Apply(engines);
BENCHMARK(PreparedInserts)->Apply(engines);
BENCHMARK(OpenDataset)->Apply(engines);
BENCHMARK(ForwardIterate)->Apply(engines);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    databases().clear(); // while the application still exists
    return 0;
}
