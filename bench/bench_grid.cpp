// A grid window's work on 50,000 XSB rows: opening, grouping, filtering, exporting to .xlsx and
// importing a 10,000-row .xlsx, against the same file work with no grid involved (SQLite).

#include "data/dataset.h"
#include "data/excel_import.h"
#include "platform/data_grid.h"
#include "platform/spreadsheet.h"
#include "support/test_database.h"

#include <QApplication>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {
constexpr int kRows = 50000;
constexpr int kImportRows = 10000;

std::unique_ptr<TestDatabase>& holder()
{
    static std::unique_ptr<TestDatabase> db;
    return db;
}

TestDatabase& database()
{
    std::unique_ptr<TestDatabase>& db = holder();
    if (!db) {
        db = std::make_unique<TestDatabase>(Dialect::Kind::SQLite);
        db->createSchema();
        QSqlDatabase c = db->dm().DBConn();
        c.transaction();
        QSqlQuery q(c);
        q.prepare("INSERT INTO XSB (ID, XM, XB, MZ, XY, X, ZY, NJ, BJ) VALUES (?, ?, ?, '汉族', ?, "
                  "?, ?, 2026, ?)");
        const QStringList colleges = {"文学院", "理学院", "工学院", "商学院", "艺术学院"};
        for (int i = 0; i < kRows; ++i) {
            q.addBindValue(QStringLiteral("2026%1").arg(i, 6, 10, QLatin1Char('0')));
            q.addBindValue(i % 2 ? QStringLiteral("张三丰") : QStringLiteral("李秀英"));
            q.addBindValue(i % 2 ? QStringLiteral("男") : QStringLiteral("女"));
            q.addBindValue(colleges[i % colleges.size()]);
            q.addBindValue(QStringLiteral("系%1").arg(i % 12));
            q.addBindValue(QStringLiteral("专业%1").arg(i % 30));
            q.addBindValue(QStringLiteral("班%1").arg(i % 200));
            q.exec();
        }
        c.commit();
    }
    return *db;
}

QList<GridColumn> columns()
{
    QList<GridColumn> list;
    for (const char* f : {"ID", "XM", "XB", "MZ", "XY", "X", "ZY", "NJ", "BJ"}) {
        GridColumn c;
        c.field = QLatin1String(f);
        c.caption = QLatin1String(f);
        list.append(c);
    }
    list[0].footer = QStringLiteral("共0条");
    return list;
}

struct Window
{
    Dataset ds;
    DataGrid grid;
    Window()
    {
        ds.setConnection(database().dm().DBConn(), &database().dm().dialect());
        ds.setSql("Select * from XSB order by ID");
    }
    void open()
    {
        ds.open();
        grid.setDataset(&ds);
        grid.setColumns(columns());
    }
};

void OpenGrid(benchmark::State& state)
{
    database();
    for (auto _ : state) {
        Window w;
        w.open();
        benchmark::DoNotOptimize(w.grid.footerText("ID"));
    }
}

void GroupByCollege(benchmark::State& state)
{
    Window w;
    w.open();
    for (auto _ : state) {
        w.grid.setGroupFields({"XY"});
        benchmark::DoNotOptimize(w.grid.displayRows().size());
        state.PauseTiming();
        w.grid.setGroupFields({});
        state.ResumeTiming();
    }
}

void FilterOneColumn(benchmark::State& state)
{
    Window w;
    w.open();
    w.grid.setFilterVisible(true);
    for (auto _ : state) {
        w.grid.setColumnFilter("ZY", "专业1");
        benchmark::DoNotOptimize(w.grid.footerText("ID"));
        state.PauseTiming();
        w.grid.setColumnFilter("ZY", QString());
        state.ResumeTiming();
    }
}

// The export as the window does it: the grid's visible columns, every row.
void ExportThroughGrid(benchmark::State& state)
{
    Window w;
    w.open();
    QTemporaryDir dir;
    for (auto _ : state) {
        QStringList header;
        const QList<GridColumn> visible = w.grid.visibleColumns();
        for (const GridColumn& c : visible)
            header.append(c.caption);
        QList<QVariantList> rows;
        rows.reserve(w.ds.rowCount());
        for (int r = 0; r < w.ds.rowCount(); ++r) {
            QVariantList row;
            for (const GridColumn& c : visible)
                row.append(w.ds.value(r, w.ds.fieldIndex(c.field)));
            rows.append(row);
        }
        QString error;
        writeXlsx(dir.filePath("grid.xlsx"), "XSB", header, rows, &error);
    }
}

// The same cells written with no grid: the rows already in memory.
void ExportBaseline(benchmark::State& state)
{
    Window w;
    w.open();
    QStringList header;
    for (const GridColumn& c : columns())
        header.append(c.caption);
    QList<QVariantList> rows;
    for (int r = 0; r < w.ds.rowCount(); ++r) {
        QVariantList row;
        for (int f = 0; f < 9; ++f)
            row.append(w.ds.value(r, w.ds.fieldIndex(header[f])));
        rows.append(row);
    }
    QTemporaryDir dir;
    for (auto _ : state) {
        QString error;
        writeXlsx(dir.filePath("plain.xlsx"), "XSB", header, rows, &error);
    }
}

QString importFile()
{
    static QTemporaryDir dir;
    const QString path = dir.filePath("import.xlsx");
    if (!QFile::exists(path)) {
        QList<QVariantList> rows;
        for (int i = 0; i < kImportRows; ++i)
            rows.append({QStringLiteral("2027%1").arg(i, 6, 10, QLatin1Char('0')),
                         QStringLiteral("新生"), QStringLiteral("男")});
        QString error;
        writeXlsx(path, "import", {"ID", "XM", "XB"}, rows, &error);
    }
    return path;
}

// Reading and merging into a window's dataset (pending, as the window holds it).
void ImportThroughGrid(benchmark::State& state)
{
    const QString path = importFile();
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<Window>();
        w->open();
        state.ResumeTiming();
        QString error;
        const std::optional<Sheet> sheet = readWorkbook(path, QString(), &error);
        MergeRows(w->ds, *sheet, "ID", {"XM<-->XM", "XB<-->XB"}, QString(), false, 0);
        state.PauseTiming();
        w.reset(); // closing the window is not part of the import
        state.ResumeTiming();
    }
}

void ImportBaseline(benchmark::State& state)
{
    const QString path = importFile();
    for (auto _ : state) {
        QString error;
        benchmark::DoNotOptimize(readWorkbook(path, QString(), &error));
    }
}

void settings(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->Iterations(2);
}
} // namespace

BENCHMARK(OpenGrid)->Apply(settings);
BENCHMARK(GroupByCollege)->Apply(settings);
BENCHMARK(FilterOneColumn)->Apply(settings);
BENCHMARK(ExportThroughGrid)->Apply(settings);
BENCHMARK(ExportBaseline)->Apply(settings);
BENCHMARK(ImportThroughGrid)->Apply(settings);
BENCHMARK(ImportBaseline)->Apply(settings);

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    holder().reset(); // while the application still exists
    return 0;
}
