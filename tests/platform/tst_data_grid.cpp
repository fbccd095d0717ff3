#include "data/dataset.h"
#include "data/dataset_model.h"
#include "platform/column_filter_proxy_model.h"
#include "platform/column_settings_proxy_model.h"
#include "platform/data_grid.h"
#include "platform/grid_header.h"
#include "platform/grouping_proxy_model.h"
#include "platform/id_tree_proxy_model.h"
#include "platform/tree_grid.h"
#include "support/test_database.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {
// Twelve students in three colleges; one name in Latin letters for the case-blind filter.
const char* const kStudents[][6] = {
    {"2006001", "张伟", "男", "体育学院", "2006", "1"},
    {"2006002", "王芳", "女", "体育学院", "2006", "1"},
    {"2006003", "李强", "男", "体育学院", "2005", "1"},
    {"2006004", "Anna", "女", "体育学院", "2005", "1"},
    {"2006005", "刘洋", "男", "体育学院", "2006", "1"},
    {"2006006", "陈静", "女", "文学院", "2006", "2"},
    {"2006007", "杨帆", "男", "文学院", "2005", "2"},
    {"2006008", "赵敏", "女", "文学院", "2006", "2"},
    {"2006009", "黄磊", "男", "文学院", "2006", "2"},
    {"2006010", "周杰", "男", "理学院", "2005", "3"},
    {"2006011", "吴昊", "男", "理学院", "2006", "3"},
    {"2006012", "孙悦", "男", "理学院", "2006", "3"},
};

// Colleges and majors linked by PID: two roots, a PID with no row, a cycle, a self link.
const char* const kColleges[][4] = {
    {"1", "0", "体育学院", ""},
    {"2", nullptr, "文学院", ""},
    {"3", "0", "理学院", ""},
    {"11", "1", "体育学院", "运动训练"},
    {"12", "1", "体育学院", "社会体育"},
    {"21", "2", "文学院", "汉语言"},
    {"50", "99", "外校", "孤儿"},
    {"60", "61", "甲", "甲"},
    {"61", "60", "乙", "乙"},
    {"70", "70", "自己", "自己"},
};

QVariant orNull(const char* text)
{
    return text ? QVariant(QString::fromUtf8(text)) : QVariant();
}

struct Fixture
{
    TestDatabase db{Dialect::Kind::SQLite};
    std::unique_ptr<Dataset> students;
    std::unique_ptr<Dataset> colleges; // ID, PID, XY, ZY: all rows
    std::unique_ptr<Dataset> lookup;   // ID, XY: the colleges only
    bool ok = false;

    Fixture()
    {
        if (!db.createSchema())
            return;
        QSqlQuery q(db.dm().DBConn());
        q.prepare("INSERT INTO XSB (ID, XM, XB, XY, NJ, XYID) VALUES (?, ?, ?, ?, ?, ?)");
        for (const auto& s : kStudents) {
            for (const char* v : s)
                q.addBindValue(orNull(v));
            if (!q.exec())
                return;
        }
        q.prepare("INSERT INTO XYZYB (ID, PID, XY, ZY) VALUES (?, ?, ?, ?)");
        for (const auto& c : kColleges) {
            for (const char* v : c)
                q.addBindValue(orNull(v));
            if (!q.exec())
                return;
        }
        students = open("SELECT ID, XM, XB, XY, NJ, XYID FROM XSB ORDER BY ID");
        colleges = open("SELECT ID, PID, XY, ZY FROM XYZYB ORDER BY ID");
        lookup = open("SELECT ID, XY FROM XYZYB WHERE PID = 0 OR PID IS NULL ORDER BY ID");
        ok = students->rowCount() == 12 && colleges->rowCount() == 10 && lookup->rowCount() == 3;
    }

    std::unique_ptr<Dataset> open(const QString& sql)
    {
        auto ds = std::make_unique<Dataset>();
        ds->setConnection(db.dm().DBConn(), &db.dm().dialect());
        ds->setSql(sql);
        ds->open();
        return ds;
    }

    int field(const char* name) const { return students->fieldIndex(QString::fromLatin1(name)); }
    QString value(int row, const char* name) const
    {
        return students->value(row, field(name)).toString();
    }
    int rowOf(const QString& id) const
    {
        for (int r = 0; r < students->rowCount(); ++r) {
            if (value(r, "ID") == id)
                return r;
        }
        return -1;
    }
    // Appends and posts a student.
    void add(const QString& id, const QString& xm, const QString& xb, const QString& xy)
    {
        students->append();
        students->setFieldValue(u"ID", id);
        students->setFieldValue(u"XM", xm);
        students->setFieldValue(u"XB", xb);
        students->setFieldValue(u"XY", xy);
        students->post();
    }
    void set(const QString& id, const char* name, const QVariant& v)
    {
        students->setCurrentRow(rowOf(id));
        students->edit();
        students->setFieldValue(QString::fromLatin1(name), v);
        students->post();
    }
};

QList<DataGrid::Column> studentColumns(Dataset* lookup)
{
    DataGrid::Column id{.field = "ID", .caption = "学号", .width = 90, .footer = "共0条"};
    id.band = "学生";
    DataGrid::Column xm{.field = "XM", .caption = "姓名", .footer = "共,0个", .band = "学生"};
    DataGrid::Column xb{.field = "XB", .caption = "性别", .width = 50};
    xb.editor = DataGrid::Editor::ListOnly;
    xb.items = QStringList{"男", "女"};
    DataGrid::Column xy{.field = "XY", .caption = "学院", .width = 100};
    DataGrid::Column nj{.field = "NJ", .caption = "入学年度", .footer = "平均0.00分"};
    nj.editor = DataGrid::Editor::Number;
    DataGrid::Column xyid{.field = "XYID", .caption = "学院(查)", .width = 100};
    xyid.editor = DataGrid::Editor::Lookup;
    xyid.lookup = {lookup, "ID", {"ID", "XY"}, {"编号", "学院"}, "XY"};
    return {id, xm, xb, xy, nj, xyid};
}

// The tree as lines: two blanks per level, column 0's text.
QStringList dump(const QAbstractItemModel& model, const QModelIndex& parent = {}, int depth = 0)
{
    QStringList lines;
    for (int r = 0; r < model.rowCount(parent); ++r) {
        const QModelIndex i = model.index(r, 0, parent);
        lines << QString(depth * 2, u' ') + i.data().toString();
        lines += dump(model, i, depth + 1);
    }
    return lines;
}

// Types text as key presses (QTest::keyClicks takes Latin-1 only).
void type(QWidget* widget, const QString& text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QWidget* editorOf(QTreeView* view)
{
    QWidget* editor = view->indexWidget(view->currentIndex());
    while (editor && editor->focusProxy())
        editor = editor->focusProxy();
    return editor;
}

// The view index of a dataset row's cell in a grid.
QModelIndex cellOf(const DataGrid& grid, int datasetRow, const char* field)
{
    const QAbstractItemModel* model = grid.view()->model();
    const int column = grid.dataset()->fieldIndex(QString::fromLatin1(field));
    std::function<QModelIndex(const QModelIndex&)> find = [&](const QModelIndex& parent) {
        for (int r = 0; r < model->rowCount(parent); ++r) {
            const QModelIndex i = model->index(r, column, parent);
            if (i.data(GroupingProxyModel::IsGroupRole).toBool()) {
                if (QModelIndex found = find(model->index(r, 0, parent)); found.isValid())
                    return found;
            } else if (i.siblingAtColumn(0).data().toString() ==
                       grid.dataset()->value(datasetRow, 0).toString()) {
                return i;
            }
        }
        return QModelIndex();
    };
    return find(QModelIndex());
}

void makeCurrent(const DataGrid& grid, const QModelIndex& index)
{
    grid.view()->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                              QItemSelectionModel::Rows);
}
} // namespace

class TestDataGrid : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The proxies under the model tester, through every kind of source change; after each
    // change the live tree equals one grouped afresh from the same rows.
    void proxiesFollowEveryChange_data()
    {
        QTest::addColumn<QStringList>("groups");
        QTest::newRow("flat") << QStringList{};
        QTest::newRow("by college") << QStringList{"XY"};
        QTest::newRow("by college and sex") << QStringList{"XY", "XB"};
    }
    void proxiesFollowEveryChange()
    {
        QFETCH(QStringList, groups);
        Fixture f;
        QVERIFY(f.ok);
        using Mode = QAbstractItemModelTester::FailureReportingMode;
        DatasetModel base(f.students.get());
        ColumnSettingsProxyModel settings;
        settings.setSourceModel(&base);
        ColumnFilterProxyModel filter;
        filter.setSourceModel(&settings);
        GroupingProxyModel grouping;
        grouping.setSourceModel(&filter);
        QList<int> columns;
        for (const QString& g : groups)
            columns << f.students->fieldIndex(g);
        grouping.setGroupColumns(columns);
        QAbstractItemModelTester t1(&settings, Mode::QtTest), t2(&filter, Mode::QtTest),
            t3(&grouping, Mode::QtTest);

        // The same rows grouped from scratch.
        const auto fresh = [&] {
            GroupingProxyModel g;
            g.setSourceModel(&filter);
            g.setGroupColumns(columns);
            return dump(g);
        };
        QStringList log;
        for (auto [signal, name] : {std::pair{&QAbstractItemModel::rowsRemoved, "removed"},
                                    {&QAbstractItemModel::rowsInserted, "inserted"}})
            connect(&grouping, signal, &grouping, [&log, name] { log << name; });
        connect(&grouping, &QAbstractItemModel::modelReset, &grouping, [&log] { log << "reset"; });
        connect(&grouping, &QAbstractItemModel::layoutAboutToBeChanged, &grouping,
                [&log] { log << "layout?"; });
        connect(&grouping, &QAbstractItemModel::layoutChanged, &grouping,
                [&log] { log << "layout"; });
        QSignalSpy changed(&grouping, &QAbstractItemModel::dataChanged);

        f.add("2006013", "新甲", "女", "理学院");   // a new sex under a college
        f.add("2006014", "新乙", "男", "外语学院"); // a new college
        QCOMPARE(dump(grouping), fresh());

        // An edit of a group column moves the row; of another column, it only changes.
        log.clear();
        f.set("2006001", "XY", "理学院");
        QCOMPARE(log, groups.isEmpty() ? QStringList() : QStringList({"removed", "inserted"}));
        QCOMPARE(dump(grouping), fresh());
        log.clear();
        changed.clear();
        f.set("2006002", "XM", "改名");
        QCOMPARE(log, QStringList());
        QVERIFY(!changed.isEmpty());
        QCOMPARE(dump(grouping), fresh());

        // The last row of a group takes the group with it.
        f.students->setCurrentRow(f.rowOf("2006014"));
        f.students->deleteRow();
        QCOMPARE(dump(grouping), fresh());
        QVERIFY(!dump(grouping).join("").contains("外语学院"));

        // A sort is a layout change; a persistent index stays on its student.
        const QPersistentModelIndex tracked = [&] {
            QModelIndex i;
            for (int r = 0; r < grouping.rowCount(i) && grouping.isGroup(grouping.index(r, 0, i));)
                i = grouping.index(r, 0, i);
            return grouping.index(0, 0, i);
        }();
        const QString trackedId = tracked.data().toString();
        log.clear();
        QVERIFY(f.students->setSort("XM DESC"));
        QCOMPARE(log, QStringList({"layout?", "layout"}));
        QCOMPARE(tracked.data().toString(), trackedId);
        QCOMPARE(dump(grouping), fresh());

        filter.setColumnFilter(f.field("XB"), "女");
        QCOMPARE(dump(grouping), fresh());
        filter.setColumnFilter(f.field("XB"), QString());
        f.students->append();
        f.students->cancel();
        QCOMPARE(dump(grouping), fresh());

        f.students->cancelBatch();
        QVERIFY(f.students->refresh());
        QCOMPARE(dump(grouping), fresh());
        QCOMPARE(grouping.rowCount(), groups.isEmpty() ? 12 : 3);
    }

    void groupsTwoLevelsWithSubtotals()
    {
        Fixture f;
        QVERIFY(f.ok);
        DataGrid grid;
        grid.setDataset(f.students.get());
        grid.setColumns(studentColumns(f.lookup.get()));
        grid.setGroupFields({"XY", "XB"});

        QStringList groups;
        for (const DataGrid::DisplayRow& row : grid.displayRows()) {
            if (row.isGroup)
                groups << QString(row.level * 2, u' ') + row.groupText;
            else
                QCOMPARE(row.level, 2);
        }
        // Colleges in pinyin order (理 < 体 < 文), then 男 < 女.
        QCOMPARE(groups, QStringList({"学院: 理学院 (小计3个)", "  性别: 男 (小计3个)",
                                      "学院: 体育学院 (小计5个)", "  性别: 男 (小计3个)",
                                      "  性别: 女 (小计2个)", "学院: 文学院 (小计4个)",
                                      "  性别: 男 (小计2个)", "  性别: 女 (小计2个)"}));
        QCOMPARE(grid.displayRows().size(), 8 + 12);

        // A collapsed group keeps its own row and hides everything under it.
        QAbstractItemModel* model = grid.view()->model();
        grid.view()->collapse(model->index(1, 0));
        QList<DataGrid::DisplayRow> rows = grid.displayRows();
        QCOMPARE(rows.size(), 20 - 2 - 5);
        QCOMPARE(rows[5].groupText, QString("学院: 体育学院 (小计5个)"));
        QCOMPARE(rows[6].groupText, QString("学院: 文学院 (小计4个)"));

        // Selected group rows are left out; data rows come in display order.
        grid.view()->expandAll();
        rows = grid.displayRows();
        QModelIndexList shown; // the view's rows, as displayRows lists them
        for (QModelIndex i = model->index(0, 0); i.isValid(); i = grid.view()->indexBelow(i))
            shown << i;
        QCOMPARE(shown.size(), rows.size());
        QItemSelectionModel* selection = grid.view()->selectionModel();
        grid.clearSelection();
        for (int i : {12, 2, 0, 5}) // out of order, group rows 0 and 5 among them
            selection->select(shown[i], QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(rows[0].isGroup && rows[5].isGroup && !rows[2].isGroup && !rows[12].isGroup);
        const QList<int> expected = {rows[2].datasetRow, rows[12].datasetRow};
        QCOMPARE(grid.selectedDatasetRows(), expected);
        grid.clearSelection();
        QVERIFY(grid.selectedDatasetRows().isEmpty());
    }

    void footerFormats_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("count") << "共0条" << 12.0 << "共12条";
        QTest::newRow("thousands") << "共,0个" << 1234.0 << "共1,234个";
        QTest::newRow("millions") << "共,0个" << 1234567.0 << "共1,234,567个";
        QTest::newRow("below a thousand") << "共,0个" << 999.0 << "共999个";
        QTest::newRow("average") << "平均0.00分" << 72.5 << "平均72.50分";
        QTest::newRow("rounded") << "平均0.00分" << 2005.666666 << "平均2005.67分";
        QTest::newRow("negative") << "平均0.00分" << -3.456 << "平均-3.46分";
        QTest::newRow("optional decimals") << "0.0#" << 1.5 << "1.5";
        QTest::newRow("no number") << "合计" << 5.0 << "合计";
    }
    void footerFormats()
    {
        QFETCH(QString, pattern);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(DataGrid::formatFooter(pattern, value), expected);
    }

    // Filters narrow the rows (lookup columns by the text they show) and the footers count
    // what passes.
    void filtersAndFooters_data()
    {
        QTest::addColumn<QStringList>("filters"); // field, text, field, text...
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("average");
        QTest::newRow("none") << QStringList{} << "共12条"
                              << "平均2005.67分";
        QTest::newRow("college") << QStringList{"XY", "文"} << "共4条"
                                 << "平均2005.75分";
        QTest::newRow("ignoring case") << QStringList{"XM", "aN"} << "共1条"
                                       << "平均2005.00分";
        QTest::newRow("both, none left") << QStringList{"XY", "文", "XM", "an"} << "共0条"
                                         << "平均0.00分";
        QTest::newRow("lookup text") << QStringList{"XYID", "理"} << "共3条"
                                     << "平均2005.67分";
    }
    void filtersAndFooters()
    {
        QFETCH(QStringList, filters);
        QFETCH(QString, count);
        QFETCH(QString, average);
        Fixture f;
        QVERIFY(f.ok);
        DataGrid grid;
        grid.setDataset(f.students.get());
        grid.setColumns(studentColumns(f.lookup.get()));
        grid.setGroupFields({"XY"});
        for (int i = 0; i + 1 < filters.size(); i += 2)
            grid.setColumnFilter(filters[i], filters[i + 1]);
        QCOMPARE(grid.footerText("ID"), count);
        QCOMPARE(grid.footerText("NJ"), average);
        QCOMPARE(grid.footerText("XB"), QString()); // no footer
        int dataRows = 0;
        for (const DataGrid::DisplayRow& row : grid.displayRows())
            dataRows += row.isGroup ? 0 : 1;
        QCOMPARE(QString("共%1条").arg(dataRows), count);

        // The filter row's edits drive the same filters; clearing them shows every row.
        grid.setFilterVisible(true);
        auto* header = static_cast<GridHeader*>(grid.view()->header());
        for (int i = 0; i + 1 < filters.size(); i += 2) {
            QLineEdit* edit = header->filterEdit(f.field(qPrintable(filters[i])));
            QVERIFY(edit);
            QCOMPARE(edit->text(), filters[i + 1]);
            edit->clear();
        }
        QCOMPARE(grid.footerText("ID"), QString("共12条"));
        f.add("2006013", "新", "女", "文学院");
        QCOMPARE(grid.footerText("ID"), QString("共13条"));
        QCOMPARE(grid.footerText("XM"), QString("共13个"));
    }

    // Browsing is read-only on the information colour; editing is white. Row colours come
    // from the hook.
    void editingStateAndRowColours()
    {
        Fixture f;
        QVERIFY(f.ok);
        DataGrid grid;
        grid.setDataset(f.students.get());
        grid.setColumns(studentColumns(f.lookup.get()));
        grid.resize(700, 400);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QTreeView* view = grid.view();
        const QModelIndex cell = cellOf(grid, 0, "XM");

        QVERIFY(!grid.isEditing());
        QCOMPARE(view->palette().color(QPalette::Base),
                 QToolTip::palette().color(QPalette::ToolTipBase));
        QVERIFY(!(cell.flags() & Qt::ItemIsEditable));
        makeCurrent(grid, cell);
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(!editorOf(view));

        grid.setEditing(true);
        QCOMPARE(view->palette().color(QPalette::Base), QColor(Qt::white));
        QVERIFY(cell.flags() & Qt::ItemIsEditable);
        // Back to browsing keeps what an open editor holds.
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(editorOf(view));
        type(editorOf(view), "丙");
        grid.setEditing(false);
        QVERIFY(!editorOf(view));
        QCOMPARE(f.value(0, "XM"), QString("丙")); // the old text was selected, so replaced
        grid.setEditing(true);
        QList<DataGrid::Column> columns = studentColumns(f.lookup.get());
        columns[1].readOnly = true;
        grid.setColumns(columns);
        QVERIFY(!(cell.flags() & Qt::ItemIsEditable));

        grid.setRowColorHook([](int row) { return row == 1 ? QColor(255, 0, 0) : QColor(); });
        makeCurrent(grid, cellOf(grid, 5, "XM"));
        grid.clearSelection();
        QApplication::processEvents();
        const QImage shot = view->viewport()->grab().toImage();
        const QRect red = view->visualRect(cellOf(grid, 1, "XM"));
        const QRect plain = view->visualRect(cellOf(grid, 2, "XM"));
        QCOMPARE(shot.pixelColor(red.right() - 2, red.center().y()), QColor(255, 0, 0));
        QCOMPARE(shot.pixelColor(plain.right() - 2, plain.center().y()), QColor(Qt::white));
    }

    // Each editor kind, typed into like a user would, then left with Tab.
    void editorsWriteWhatTheyAccept_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("before"); // the cell's value first, when not empty
        QTest::addColumn<int>("editor");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("refused"); // the dataset said no, and the grid passed it on
        const auto kind = [](DataGrid::Editor e) { return int(e); };
        using E = DataGrid::Editor;
        QTest::newRow("text") << "XM"
                              << "" << kind(E::Text) << "新名字"
                              << "新名字"
                              << "新名字" << false;
        QTest::newRow("number drops letters") << "NJ"
                                              << "" << kind(E::Number) << "20x07"
                                              << "2007"
                                              << "2007" << false;
        QTest::newRow("number keeps decimals") << "NJ"
                                               << "" << kind(E::Number) << "72.5"
                                               << "72.5"
                                               << "72.5" << false;
        QTest::newRow("list-only refuses others") << "XB"
                                                  << "" << kind(E::ListOnly) << "其他"
                                                  << "男"
                                                  << "男" << false;
        QTest::newRow("list-only keeps an unlisted value") << "XB"
                                                           << "未" << kind(E::ListOnly) << ""
                                                           << "未"
                                                           << "未" << false;
        QTest::newRow("list-only takes its items") << "XB"
                                                   << "" << kind(E::ListOnly) << "女"
                                                   << "女"
                                                   << "女" << false;
        QTest::newRow("pick list takes any text") << "XB"
                                                  << "" << kind(E::PickList) << "未"
                                                  << "未"
                                                  << "未" << false;
        QTest::newRow("lookup stores the key") << "XYID"
                                               << "" << kind(E::Lookup) << "文"
                                               << "2"
                                               << "文学院" << false;
        QTest::newRow("memo") << "XM"
                              << "" << kind(E::Memo) << "多行"
                              << "多行"
                              << "多行" << false;
        QTest::newRow("too long, not cut") << "XB"
                                           << "" << kind(E::PickList) << "未知"
                                           << "男"
                                           << "男" << true;
        QTest::newRow("button cell") << "XM"
                                     << "" << kind(E::Button) << "乙"
                                     << "乙"
                                     << "乙" << false;
    }
    void editorsWriteWhatTheyAccept()
    {
        QFETCH(QString, field);
        QFETCH(QString, before);
        QFETCH(int, editor);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(bool, refused);
        Fixture f;
        QVERIFY(f.ok);
        DataGrid grid;
        grid.setDataset(f.students.get());
        QList<DataGrid::Column> columns = studentColumns(f.lookup.get());
        for (DataGrid::Column& c : columns) {
            if (c.field == field)
                c.editor = DataGrid::Editor(editor);
        }
        grid.setColumns(columns);
        grid.setEditing(true);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        if (!before.isEmpty())
            f.set("2006001", qPrintable(field), before);

        QTreeView* view = grid.view();
        makeCurrent(grid, cellOf(grid, 0, qPrintable(field)));
        QTest::keyClick(view, Qt::Key_Return);
        QWidget* input = editorOf(view);
        QVERIFY(input);
        if (!qobject_cast<QComboBox*>(input) || qobject_cast<QComboBox*>(input)->isEditable())
            QTest::keyClick(input, Qt::Key_A, Qt::ControlModifier); // select all, then replace
        type(input, typed);
        QSignalSpy failed(&grid, &DataGrid::editFailed);
        QTest::keyClick(input, Qt::Key_Tab);
        QCOMPARE(f.students->value(0, f.field(qPrintable(field))).toString(), stored);
        QCOMPARE(grid.cellText(0, field), shown);
        QCoreApplication::processEvents(); // failures are reported once the edit has unwound
        QCOMPARE(failed.count(), refused ? 1 : 0);
        if (refused)
            QVERIFY2(failed[0][0].toString().contains("XB"), qPrintable(failed[0][0].toString()));
    }

    void lookupShowsTheMatchingRow_data()
    {
        QTest::addColumn<QVariant>("key");
        QTest::addColumn<QString>("shown");
        QTest::newRow("number") << QVariant(3) << "理学院";
        QTest::newRow("text with blanks") << QVariant(" 2 ") << "文学院";
        QTest::newRow("no such row") << QVariant(99) << "";
        QTest::newRow("null") << QVariant() << "";
    }
    void lookupShowsTheMatchingRow()
    {
        QFETCH(QVariant, key);
        QFETCH(QString, shown);
        Fixture f;
        QVERIFY(f.ok);
        DataGrid grid;
        grid.setDataset(f.students.get());
        grid.setColumns(studentColumns(f.lookup.get()));
        f.set("2006001", "XYID", key);
        QCOMPARE(grid.cellText(0, "XYID"), shown);
        // A change in the lookup dataset shows at once.
        f.lookup->setCurrentRow(2);
        f.lookup->edit();
        f.lookup->setFieldValue(u"XY", QString("理工学院"));
        f.lookup->post();
        QCOMPARE(grid.cellText(9, "XYID"), QString("理工学院"));
    }

    void buttonCellsReportTheirClick()
    {
        Fixture f;
        QVERIFY(f.ok);
        DataGrid grid;
        grid.setDataset(f.students.get());
        QList<DataGrid::Column> columns = studentColumns(f.lookup.get());
        columns[1].editor = DataGrid::Editor::Button;
        grid.setColumns(columns);
        grid.setEditing(true);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QSignalSpy clicked(&grid, &DataGrid::cellButtonClicked);
        makeCurrent(grid, cellOf(grid, 3, "XM"));
        QTest::keyClick(grid.view(), Qt::Key_Return);
        auto* button =
            grid.view()->indexWidget(grid.view()->currentIndex())->findChild<QToolButton*>();
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked[0][0].toInt(), 3);
        QCOMPARE(clicked[0][1].toString(), QString("XM"));
        QVERIFY(editorOf(grid.view())); // the click did not end the edit
    }

    // Enter opens the editor, Tab walks the row's cells and into the next data row (over a
    // group row when grouped), Down commits and moves.
    void keyboardWalksTheCells_data()
    {
        QTest::addColumn<bool>("grouped");
        QTest::newRow("flat") << false;
        QTest::newRow("grouped") << true;
    }
    void keyboardWalksTheCells()
    {
        QFETCH(bool, grouped);
        Fixture f;
        QVERIFY(f.ok);
        DataGrid grid;
        grid.setDataset(f.students.get());
        QList<DataGrid::Column> columns = studentColumns(f.lookup.get());
        for (DataGrid::Column& c : columns)
            c.visible = c.field == "XM" || c.field == "XB" || c.field == "NJ";
        columns[2].editor = DataGrid::Editor::Text;
        grid.setColumns(columns);
        grid.setGroupFields(grouped ? QStringList{"XY"} : QStringList{});
        grid.setEditing(true);
        grid.resize(600, 500);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QTreeView* view = grid.view();

        // The last data row of the first group (flat: row 3), and the data row after it.
        const QList<DataGrid::DisplayRow> rows = grid.displayRows();
        int at = grouped ? 0 : 3;
        if (grouped) {
            while (!rows[at + 1].isGroup)
                ++at;
            QVERIFY(rows[at + 1].isGroup);
        }
        const int start = rows[at].datasetRow;
        int following = at + 1;
        while (rows[following].isGroup)
            ++following;
        const int next = rows[following].datasetRow;

        makeCurrent(grid, cellOf(grid, start, "XM"));
        QTest::keyClick(view, Qt::Key_Return);
        QVERIFY(editorOf(view));
        QTest::keyClick(editorOf(view), Qt::Key_A, Qt::ControlModifier);
        type(editorOf(view), "甲");
        const char* walk[] = {"XB", "NJ"};
        for (const char* field : walk) {
            QTest::keyClick(editorOf(view), Qt::Key_Tab);
            QCOMPARE(view->currentIndex(), cellOf(grid, start, field));
            QVERIFY(editorOf(view));
        }
        QCOMPARE(f.value(start, "XM"), QString("甲"));
        QTest::keyClick(editorOf(view), Qt::Key_Tab);
        QCOMPARE(view->currentIndex(), cellOf(grid, next, "XM"));
        QCOMPARE(grid.currentDatasetRow(), next);
        QCOMPARE(f.students->currentRow(), next);
        QVERIFY(editorOf(view));

        // Down leaves the open editor with its text kept, one row further.
        QTest::keyClick(editorOf(view), Qt::Key_A, Qt::ControlModifier);
        type(editorOf(view), "乙");
        QTest::keyClick(editorOf(view), Qt::Key_Down);
        QCOMPARE(f.value(next, "XM"), QString("乙"));
        QVERIFY(!editorOf(view));
        QCOMPARE(view->currentIndex(), view->indexBelow(cellOf(grid, next, "XM")));

        // A click edits at once in the current row, and only there.
        const QModelIndex other =
            view->indexBelow(view->currentIndex()).siblingAtColumn(f.field("XB"));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(other).center());
        QCOMPARE(view->currentIndex(), other);
        QVERIFY(!editorOf(view));
        const QModelIndex same = other.siblingAtColumn(f.field("NJ"));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(same).center());
        QCOMPARE(view->currentIndex(), same);
        QVERIFY(editorOf(view));
    }

    void newRowLeftEmptyIsDropped_data()
    {
        QTest::addColumn<QString>("typed"); // into the new row's XM before leaving it
        QTest::addColumn<int>("rows");
        QTest::newRow("untouched") << QString() << 12;
        QTest::newRow("with a value") << QString("新生") << 13;
    }
    void newRowLeftEmptyIsDropped()
    {
        QFETCH(QString, typed);
        QFETCH(int, rows);
        Fixture f;
        QVERIFY(f.ok);
        DataGrid grid;
        grid.setDataset(f.students.get());
        grid.setColumns(studentColumns(f.lookup.get()));
        grid.setEditing(true);
        QVERIFY(f.students->append());
        QCOMPARE(grid.currentDatasetRow(), 12);
        if (!typed.isEmpty())
            f.students->setFieldValue(u"XM", typed);
        makeCurrent(grid, cellOf(grid, 4, "XM"));
        QCOMPARE(f.students->rowCount(), rows);
        QCOMPARE(f.students->state(), Dataset::State::Browse);
        QCOMPARE(f.students->pendingCount(), rows - 12);
        QCOMPARE(f.value(f.students->currentRow(), "ID"), QString("2006005"));
        QCOMPARE(grid.currentDatasetRow(), f.students->currentRow());

        // Sorting does not post an untouched new row either.
        QVERIFY(f.students->append());
        QHeaderView* header = grid.view()->header();
        Q_EMIT header->sectionClicked(f.field("XM"));
        QCOMPARE(f.students->rowCount(), rows);
        QCOMPARE(f.students->sort(), QString("XM"));

        // A dataset destroyed first leaves an empty grid behind.
        f.students.reset();
        QCOMPARE(grid.view()->model()->rowCount(), 0);
        QCOMPARE(grid.currentDatasetRow(), -1);
    }

    // The current row follows the dataset and drives it, through regrouping and header
    // sorts (which sort the dataset itself).
    void currentRowAndSorting()
    {
        Fixture f;
        QVERIFY(f.ok);
        DataGrid grid;
        grid.setDataset(f.students.get());
        grid.setColumns(studentColumns(f.lookup.get()));
        grid.resize(700, 400);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QSignalSpy moved(&grid, &DataGrid::currentRowChanged);

        QVERIFY(f.students->setCurrentRow(5));
        QCOMPARE(grid.currentDatasetRow(), 5);
        QCOMPARE(moved.last()[0].toInt(), 5);
        makeCurrent(grid, cellOf(grid, 7, "XM"));
        QCOMPARE(f.students->currentRow(), 7);
        grid.setGroupFields({"XY"});
        QCOMPARE(grid.currentDatasetRow(), 7);

        QHeaderView* header = grid.view()->header();
        const int xm = f.field("XM");
        const QPoint section(header->sectionViewportPosition(xm) + 10,
                             header->viewport()->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, section);
        QCOMPARE(f.students->sort(), QString("XM"));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, section);
        QCOMPARE(f.students->sort(), QString("XM DESC"));
        QCOMPARE(header->sortIndicatorSection(), xm);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(f.value(f.students->currentRow(), "ID"), QString("2006008"));
        QCOMPARE(grid.currentDatasetRow(), f.students->currentRow());
        // Within each college the rows now come in the dataset's new order.
        int last = -1;
        for (const DataGrid::DisplayRow& row : grid.displayRows()) {
            if (!row.isGroup)
                QVERIFY(row.datasetRow > last);
            last = row.isGroup ? -1 : row.datasetRow;
        }
    }

    void columnChooserHidesAndShows()
    {
        Fixture f;
        QVERIFY(f.ok);
        DataGrid grid;
        grid.setDataset(f.students.get());
        grid.setColumns(studentColumns(f.lookup.get()));
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QHeaderView* header = grid.view()->header();
        auto captions = [&] {
            QStringList list;
            for (const DataGrid::Column& c : grid.visibleColumns())
                list << c.caption;
            return list;
        };
        QCOMPARE(captions(), QStringList({"学号", "姓名", "性别", "学院", "入学年度", "学院(查)"}));

        grid.setColumnVisible("XB", false);
        grid.setColumnVisible("XYID", false);
        QVERIFY(header->isSectionHidden(f.field("XB")));
        QCOMPARE(captions(), QStringList({"学号", "姓名", "学院", "入学年度"}));
        grid.showColumnChooser();
        QWidget* chooser = grid.columnChooser();
        QVERIFY(chooser->isVisible());
        QCOMPARE(chooser->windowTitle(), QString("不可显示字段"));
        auto* list = chooser->findChild<QListWidget*>();
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QString("性别"));

        QListWidgetItem* item = list->item(0);
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(!header->isSectionHidden(f.field("XB")));
        QCOMPARE(list->count(), 1);
        QCOMPARE(captions(), QStringList({"学号", "姓名", "性别", "学院", "入学年度"}));

        // A field the grid was not given stays out of sight.
        QCOMPARE(f.students->fieldCount(), 6);
        grid.setColumns(studentColumns(f.lookup.get()).mid(0, 4));
        QVERIFY(header->isSectionHidden(f.field("NJ")));
        grid.setColumnVisible("NJ", true);
        QVERIFY(header->isSectionHidden(f.field("NJ")));
    }

    // Rows under the row whose ID is their PID; roots, orphans and cycles all shown.
    void treeFollowsIdAndPid()
    {
        Fixture f;
        QVERIFY(f.ok);
        Dataset& ds = *f.colleges;
        DatasetModel base(&ds);
        ColumnSettingsProxyModel settings;
        settings.setSourceModel(&base);
        IdTreeProxyModel tree;
        tree.setSourceModel(&settings);
        tree.setLinkColumns(ds.fieldIndex(u"ID"), ds.fieldIndex(u"PID"));
        QAbstractItemModelTester tester(&tree,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QStringList expected = {"1", "  11", "  12", "2",    "  21",
                                      "3", "50",   "60",   "  61", "70"};
        QCOMPARE(dump(tree), expected);

        QSignalSpy resets(&tree, &QAbstractItemModel::modelReset);
        QSignalSpy changes(&tree, &QAbstractItemModel::dataChanged);
        ds.setCurrentRow(4); // 12
        ds.edit();
        ds.setFieldValue(u"ZY", QString("体育教育"));
        ds.post();
        QCOMPARE(resets.count(), 0);
        QVERIFY(changes.count() > 0);
        ds.edit();
        ds.setFieldValue(u"PID", 2);
        ds.post();
        QCOMPARE(dump(tree),
                 QStringList({"1", "  11", "2", "  12", "  21", "3", "50", "60", "  61", "70"}));
        ds.append();
        ds.setFieldValue(u"ID", 31);
        ds.setFieldValue(u"PID", 3);
        ds.post();
        QVERIFY(dump(tree).join(',').contains("3,  31,"));
        QVERIFY(ds.setSort("ID DESC"));
        QCOMPARE(dump(tree).first(), QString("70"));
        ds.setCurrentRow(0);
        ds.deleteRow();
        ds.cancelBatch();
        QVERIFY(ds.refresh());
        QCOMPARE(dump(tree).size(), expected.size());
        QVERIFY(ds.setSort("ID"));

        TreeGrid grid;
        grid.setDataset(&ds);
        grid.setColumns({{.field = "XY", .caption = "学院"}, {.field = "ZY", .caption = "专业"}});
        grid.setEditing(true);
        QVERIFY(grid.isEditing());
        QTreeView* view = grid.view();
        QVERIFY(view->header()->isSectionHidden(ds.fieldIndex(u"ID")));
        QVERIFY(ds.setCurrentRow(ds.rowCount() - 1));
        QCOMPARE(grid.currentDatasetRow(), ds.rowCount() - 1);
        const QModelIndex college = view->model()->index(0, 0);
        QVERIFY(view->isExpanded(college));
        QVERIFY(view->visualRect(view->model()->index(1, ds.fieldIndex(u"XY"), college)).isValid());
        view->selectionModel()->setCurrentIndex(
            view->model()->index(1, ds.fieldIndex(u"XY"), college),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCOMPARE(ds.value(ds.currentRow(), ds.fieldIndex(u"ZY")).toString(), QString("社会体育"));
        QCOMPARE(grid.selectedDatasetRows(), QList<int>{ds.currentRow()});
    }
};

QTEST_MAIN(TestDataGrid)
#include "tst_data_grid.moc"
