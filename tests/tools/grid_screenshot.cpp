// Shows a DataGrid and a TreeGrid over a temp SQLite database and saves screenshots of the
// screen, so a person can look at them (run under Xvfb:
// xvfb-run -a -s "-screen 0 1280x800x24" grid_screenshot OUTDIR).

#include "data/dataset.h"
#include "platform/data_grid.h"
#include "platform/tree_grid.h"
#include "support/test_database.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QHeaderView>
#include <QScreen>
#include <QSqlQuery>
#include <QTimer>
#include <QTreeView>

#include <memory>

namespace {
void settle(int ms = 300)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void shoot(const QWidget& window, const QString& file, const QRect& extra = {})
{
    QRect area = window.frameGeometry().adjusted(-10, -10, 10, 10);
    if (extra.isValid())
        area = area.united(extra.adjusted(-10, -10, 10, 10));
    window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(file);
}

bool seed(QSqlDatabase db)
{
    const QStringList colleges = {"体育学院", "文学院", "理学院", "外国语学院"};
    const QStringList surnames = {"张", "王", "李", "赵", "刘", "陈", "杨", "黄", "周", "吴"};
    const QStringList given = {"伟", "芳", "强", "敏", "磊", "静", "洋", "杰", "悦", "昊", "婷"};
    QSqlQuery q(db);
    db.transaction();
    q.prepare("INSERT INTO XSB (ID, XM, XB, XY, NJ, XYID, BJ) VALUES (?, ?, ?, ?, ?, ?, ?)");
    for (int i = 1; i <= 60; ++i) {
        const int college = (i * 7) % colleges.size();
        q.addBindValue(QStringLiteral("2006%1").arg(i, 3, 10, QLatin1Char('0')));
        q.addBindValue(surnames[i % surnames.size()] + given[(i * 3) % given.size()]);
        q.addBindValue(i % 3 ? QStringLiteral("男") : QStringLiteral("女"));
        q.addBindValue(colleges[college]);
        q.addBindValue(2004 + i % 3);
        q.addBindValue(1 + college * 4); // the college's row in XYZYB, majors between
        q.addBindValue(QStringLiteral("体育%1班").arg(1 + i % 4));
        if (!q.exec())
            return false;
    }
    q.prepare("INSERT INTO XYZYB (ID, PID, XY, ZY) VALUES (?, ?, ?, ?)");
    int id = 1;
    for (int c = 0; c < colleges.size(); ++c) {
        const int college = id++;
        q.addBindValue(college);
        q.addBindValue(0);
        q.addBindValue(colleges[c]);
        q.addBindValue(QString());
        q.exec();
        for (const char* major : {"一专业", "二专业", "三专业"}) {
            q.addBindValue(id++);
            q.addBindValue(college);
            q.addBindValue(colleges[c]);
            q.addBindValue(colleges[c].left(2) + QString::fromUtf8(major));
            q.exec();
        }
    }
    return db.commit();
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    QDir().mkpath(out.path());

    TestDatabase db(Dialect::Kind::SQLite);
    if (!db.createSchema() || !seed(db.dm().DBConn()))
        return 1;
    auto open = [&](const QString& sql) {
        auto ds = std::make_unique<Dataset>();
        ds->setConnection(db.dm().DBConn(), &db.dm().dialect());
        ds->setSql(sql);
        ds->open();
        return ds;
    };
    auto students = open("SELECT ID, XM, XB, XY, NJ, XYID, BJ FROM XSB ORDER BY ID");
    auto colleges = open("SELECT ID, XY FROM XYZYB WHERE PID = 0 ORDER BY ID");
    auto majors = open("SELECT ID, PID, XY, ZY FROM XYZYB ORDER BY ID");

    QWidget window;
    window.setWindowTitle("学生名单");
    window.resize(900, 560);
    auto* grid = new DataGrid(&window);
    grid->setGeometry(0, 0, 900, 560);
    QList<DataGrid::Column> columns;
    columns.append(
        {.field = "ID", .caption = "学号", .width = 90, .footer = "共0条", .band = "学生"});
    columns.append({.field = "XM", .caption = "姓名", .footer = "共,0个", .band = "学生"});
    columns.append({.field = "XB",
                    .caption = "性别",
                    .width = 50,
                    .editor = DataGrid::Editor::ListOnly,
                    .items = {"男", "女"},
                    .band = "学生"});
    columns.append({.field = "XY", .caption = "学院", .width = 110, .band = "学籍"});
    columns.append({.field = "NJ",
                    .caption = "入学年度",
                    .editor = DataGrid::Editor::Number,
                    .footer = "平均0.00分",
                    .band = "学籍"});
    columns.append({.field = "XYID",
                    .caption = "学院(查)",
                    .width = 110,
                    .editor = DataGrid::Editor::Lookup,
                    .lookup = {colleges.get(), "ID", {"ID", "XY"}, {"编号", "学院"}, "XY"},
                    .band = "学籍"});
    columns.append({.field = "BJ", .caption = "班级", .width = 90, .band = "学籍"});
    grid->setDataset(students.get());
    grid->setColumns(columns);
    grid->setRowColorHook([&](int row) {
        return students->value(row, students->fieldIndex(u"NJ")).toInt() == 2004
                   ? QColor(255, 220, 220)
                   : QColor();
    });
    grid->setGroupPanelVisible(true);
    window.show();
    settle();
    shoot(window, out.filePath("grid-browse.png"));

    grid->setEditing(true);
    grid->setGroupFields({"XY", "XB"});
    grid->setFilterVisible(true);
    grid->setColumnFilter("BJ", "体育");
    grid->view()->collapse(grid->view()->model()->index(1, 0));
    QTreeView* view = grid->view();
    view->selectionModel()->select(view->model()->index(0, 0, view->model()->index(0, 0)),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    settle();
    shoot(window, out.filePath("grid-grouped.png"));

    grid->setColumnVisible("BJ", false);
    grid->setColumnVisible("XYID", false);
    grid->showColumnChooser();
    settle();
    shoot(window, out.filePath("grid-chooser.png"), grid->columnChooser()->frameGeometry());
    grid->columnChooser()->hide();

    // An open lookup drop-down in the editing grid.
    grid->setGroupFields({});
    grid->setColumnVisible("XYID", true);
    const int xyid = students->fieldIndex(u"XYID");
    view->setCurrentIndex(view->model()->index(2, xyid));
    view->edit(view->currentIndex());
    settle();
    if (auto* combo = qobject_cast<QComboBox*>(view->indexWidget(view->currentIndex())))
        combo->showPopup();
    settle();
    shoot(window, out.filePath("grid-lookup.png"));
    window.hide();

    QWidget treeWindow;
    treeWindow.setWindowTitle("学院专业");
    treeWindow.resize(420, 400);
    auto* tree = new TreeGrid(&treeWindow);
    tree->setGeometry(0, 0, 420, 400);
    tree->setDataset(majors.get());
    tree->setColumns({{.field = "XY", .caption = "学院", .width = 140},
                      {.field = "ZY", .caption = "专业", .width = 140},
                      {.field = "ID", .caption = "编号", .width = 60}});
    treeWindow.show();
    settle();
    shoot(treeWindow, out.filePath("tree-grid.png"));
    return 0;
}
