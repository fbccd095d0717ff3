// The five small dictionaries: standard grid windows that differ only in their parameters.

#include "refdata/grid_services.h"
#include "refdata/std_grid_window.h"

#include "data/data_module.h"
#include "data/dataset.h"
#include "shell/main_window.h"

namespace {
GridColumn withFooter(GridColumn c, const char* footer)
{
    c.footer = QString::fromUtf8(footer);
    return c;
}

GridColumn lookup(const char* field, const char* caption, Dataset* from, const char* keyField,
                  const QStringList& shown, const QStringList& captions, const char* display)
{
    return MakeLookupColumn(field, caption, 120, from, keyField, shown, captions, display);
}

const QStringList kSexes = {QStringLiteral("男"), QStringLiteral("女"), QStringLiteral("全部")};

QStringList gradeWords()
{
    return {
        QStringLiteral("优秀"),     QStringLiteral("良好"),         QStringLiteral("及格"),
        QStringLiteral("不及格"),   QStringLiteral("营养不良"),     QStringLiteral("较低体重"),
        QStringLiteral("正常体重"), QStringLiteral("超        重"), QStringLiteral("肥        胖")};
}

// The ethnicity codes are text; the next one is one more than the largest code read as a
// number (in text order "9" sorts after "56" and would give "10" again).
class TFMz : public TFStdGrid
{
public:
    using TFStdGrid::TFStdGrid;

protected:
    QVariant nextKey() override
    {
        const int dm = QP->fieldIndex(u"DM");
        qint64 largest = 0;
        for (int r = 0; r < QP->rowCount(); ++r) {
            bool ok = false;
            const qint64 code = QP->value(r, dm).toString().trimmed().toLongLong(&ok);
            if (ok)
                largest = qMax(largest, code);
        }
        return QString::number(largest + 1);
    }
};

void refresh(Dataset* shared)
{
    if (shared && !shared->isOpen())
        shared->open();
}
} // namespace

TFStdGrid* makeNationWindow(TFDM& dm)
{
    TFStdGrid::Params p;
    p.objectName = QStringLiteral("TFMz");
    p.caption = QStringLiteral("民族字典库");
    p.sql = QStringLiteral("Select * from tNation order by DM");
    p.keyField = QStringLiteral("DM");
    p.firstKey = QStringLiteral("1");
    p.title = QStringLiteral("民族字典表");
    p.columns = {withFooter(MakeGridColumn("DM", "编码", 80), "共0条"),
                 MakeGridColumn("MC", "民族", 160)};
    return new TFMz(dm, p);
}

TFStdGrid* makeGradeWindow(TFDM& dm)
{
    TFStdGrid::Params p;
    p.objectName = QStringLiteral("TFNJ");
    p.caption = QStringLiteral("年级类别管理");
    p.sql = QStringLiteral("Select * from NJB order by ID");
    p.keyField = QStringLiteral("ID");
    p.firstKey = 600101;
    p.title = QStringLiteral("年级类别表");
    p.columns = {
        withFooter(MakeGridColumn("ID", "索引号", 90), "共0条"),
        MakeGridColumn(
            "BM", "编码", 90, GridEditor::ListOnly,
            QStringLiteral("D D14 D1 D1A D1B D2 D2A D2B D3 D3A D3B D4 D4A D4B XC GD").split(u' ')),
        MakeGridColumn("DYNJ", "对应年级", 160)};
    return new TFStdGrid(dm, p);
}

TFStdGrid* makeIndicatorWindow(TFDM& dm)
{
    refresh(dm.QGL);
    TFStdGrid::Params p;
    p.objectName = QStringLiteral("TFSetZBLB");
    p.caption = QStringLiteral("指标类别管理");
    p.sql = QStringLiteral("Select * from ZBLBB order by ID");
    p.keyField = QStringLiteral("ID");
    p.firstKey = 207001;
    p.title = QStringLiteral("指标类别表");
    p.columns = {withFooter(MakeGridColumn("ID", "索引号", 90), "共0个"),
                 MakeGridColumn(
                     "ZBBM", "指标编码", 80, GridEditor::ListOnly,
                     QStringLiteral(
                         "01 02 04 11 10 03 13 09 14 12 15 16 07 08 05 17 06 18 19 20 21 22 23 24 "
                         "25 26 27 61 62 63 64")
                         .split(u' ')),
                 MakeGridColumn("ZBMC", "指标名称", 140),
                 MakeGridColumn("ZBLBBM", "指标类别编码", 100, GridEditor::PickList,
                                QStringLiteral("1 2 3 4 5 6").split(u' ')),
                 MakeGridColumn("ZBLBMC", "指标类别名称", 140),
                 MakeGridColumn("XB", "性别", 60, GridEditor::ListOnly, kSexes),
                 MakeGridColumn("XXZ", "正常下限值", 90, GridEditor::Number),
                 MakeGridColumn("SXZ", "正常上限值", 90, GridEditor::Number)};
    return new TFStdGrid(dm, p);
}

namespace {
QList<GridColumn> diagnosisColumns(TFDM& dm, GridColumn itemColumn)
{
    const QStringList gradeShown = {QStringLiteral("BM"), QStringLiteral("DYNJ")};
    const QStringList gradeCaptions = {QStringLiteral("编码"), QStringLiteral("对应年级")};
    return {withFooter(MakeGridColumn("ID", "索引号", 90), "共0个"),
            itemColumn,
            MakeGridColumn("DJ", "等级", 90, GridEditor::ListOnly, gradeWords()),
            lookup("LB", "年级类别", dm.QLB, "BM", gradeShown, gradeCaptions, "DYNJ"),
            LayoutLookupColumn(dm, u"DBGNJ", "NJ", "年级", 120, "DYNJ"),
            MakeGridColumn("XB", "性别", 60, GridEditor::ListOnly, kSexes),
            MakeGridColumn("NR", "诊断内容", 260, GridEditor::Memo)};
}
} // namespace

TFStdGrid* makeDiagnosisWindow(TFDM& dm)
{
    refresh(dm.QGL);
    refresh(dm.NJB);
    TFStdGrid::Params p;
    p.objectName = QStringLiteral("TFZD");
    p.caption = QStringLiteral("诊断信息管理");
    p.sql = QStringLiteral("Select * from ZDB order by ID");
    p.keyField = QStringLiteral("ID");
    p.firstKey = 205001;
    p.title = QStringLiteral("诊断信息表");
    p.columns =
        diagnosisColumns(dm, LayoutLookupColumn(dm, u"DBGZB", "GL", "项目标志", 120, "ZBMC"));
    return new TFStdGrid(dm, p);
}

TFStdGrid* makePrescriptionWindow(TFDM& dm)
{
    refresh(dm.QGL);
    refresh(dm.NJB);
    TFStdGrid::Params p;
    p.objectName = QStringLiteral("TFCF");
    p.caption = QStringLiteral("处方信息管理");
    p.sql = QStringLiteral("Select * from CFB order by ID");
    p.keyField = QStringLiteral("ID");
    p.firstKey = 206001;
    p.title = QStringLiteral("处方信息表");
    // The indicator list again, choosing a category by its code.
    GridColumn category = LayoutLookupColumn(dm, u"DBGZB", "ZBLB", "指标类别", 120, "ZBLBMC");
    category.lookup.keyField = QStringLiteral("ZBLBBM");
    p.columns = diagnosisColumns(dm, category);
    return new TFStdGrid(dm, p);
}

void registerDictionaryWindows()
{
    TFmain::registerWindow(QStringLiteral("TFMz"),
                           [](TFDM& dm, TFmain&) -> QWidget* { return makeNationWindow(dm); });
    TFmain::registerWindow(QStringLiteral("TFNJ"),
                           [](TFDM& dm, TFmain&) -> QWidget* { return makeGradeWindow(dm); });
    TFmain::registerWindow(QStringLiteral("TFSetZBLB"),
                           [](TFDM& dm, TFmain&) -> QWidget* { return makeIndicatorWindow(dm); });
    TFmain::registerWindow(QStringLiteral("TFZD"),
                           [](TFDM& dm, TFmain&) -> QWidget* { return makeDiagnosisWindow(dm); });
    TFmain::registerWindow(QStringLiteral("TFCF"), [](TFDM& dm, TFmain&) -> QWidget* {
        return makePrescriptionWindow(dm);
    });
}
