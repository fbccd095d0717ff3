// The scoring-standard windows: members of the standard grid window that differ in their
// columns, in what 增加 copies from the last row, and in offering no Excel export.

#include "standard_windows.h"

#include "data/data_module.h"
#include "platform/grid_values.h"
#include "refdata/grid_services.h"
#include "refdata/std_grid_window.h"
#include "shell/main_window.h"

#include <QPushButton>
#include <QShowEvent>

namespace {
GridColumn keyColumn()
{
    GridColumn c = MakeGridColumn("ID", "索引号", 90);
    c.footer = QStringLiteral("共0个");
    return c;
}

const QStringList kSexes = {QStringLiteral("男"), QStringLiteral("女")};

// The standard tables are not for spreadsheets: the Excel button stays hidden and disabled
// whenever the window is shown.
class StandardTableWindow : public TFStdGrid
{
public:
    StandardTableWindow(TFDM& dm, const Params& params) : TFStdGrid(dm, params)
    {
        BExcel = SpeedButton6;
        BExcel->setObjectName(QStringLiteral("BExcel"));
        hideExcel();
    }

    QPushButton* BExcel = nullptr;

protected:
    void showEvent(QShowEvent* event) override
    {
        TFStdGrid::showEvent(event);
        hideExcel();
    }

private:
    void hideExcel()
    {
        BExcel->setVisible(false);
        BExcel->setEnabled(false);
    }
};
} // namespace

QString DBGNJBZGetText(const QVariant& value)
{
    const QString text = GridValues::displayText(value);
    if (text == QLatin1String("12"))
        return QStringLiteral("大一大二");
    if (text == QLatin1String("34"))
        return QStringLiteral("大三大四");
    return text;
}

TFStdGrid* makeScoringStandardWindow(TFDM& dm)
{
    if (dm.QGL && !dm.QGL->isOpen())
        dm.QGL->open();
    TFStdGrid::Params p;
    p.objectName = QStringLiteral("TFtbpc");
    p.caption = QStringLiteral("体标测验评分标准字典库");
    p.sql = QStringLiteral("Select * from TZJKB order by ID");
    p.keyField = QStringLiteral("ID");
    p.firstKey = 202001;
    p.title = QStringLiteral("体标测验评分标准分值表");
    p.exchangeTitle = QStringLiteral("体标测验评分标准字典库");
    p.copyFromLast = {QStringLiteral("XB"), QStringLiteral("XM"), QStringLiteral("GL")};

    GridColumn group = MakeGridColumn("NJBZ", "年级标志", 90, GridEditor::ListOnly,
                                      {QStringLiteral("12"), QStringLiteral("34")});
    group.displayText = DBGNJBZGetText;
    const GridColumn code = LayoutLookupColumn(dm, u"DBGZB", "GL", "标准编码", 90, "ZBBM");
    p.columns = {keyColumn(),
                 group,
                 MakeGridColumn("XB", "性别", 60, GridEditor::ListOnly, kSexes),
                 MakeGridColumn("XM", "项目", 110),
                 code,
                 MakeGridColumn("XXZ", "下限值", 90, GridEditor::Number),
                 MakeGridColumn("SXZ", "上限值", 90, GridEditor::Number),
                 MakeGridColumn("FZ", "分值", 70, GridEditor::Number),
                 MakeGridColumn("BZ", "权重", 70, GridEditor::Number),
                 MakeGridColumn("DJ", "等级", 80, GridEditor::ListOnly,
                                {QStringLiteral("优秀"), QStringLiteral("良好"),
                                 QStringLiteral("及格"), QStringLiteral("不及格")})};
    return new StandardTableWindow(dm, p);
}

TFStdGrid* makeBmiStandardWindow(TFDM& dm)
{
    TFStdGrid::Params p;
    p.objectName = QStringLiteral("TFsgtz");
    p.caption = QStringLiteral("体重指数字典库");
    p.sql = QStringLiteral("Select * from SGTZB order by ID");
    p.keyField = QStringLiteral("ID");
    p.firstKey = 201001;
    p.title = QStringLiteral("体重指数表");
    p.exchangeTitle = QStringLiteral("体重指数表字典库");
    p.copyFromLast = {QStringLiteral("XB"), QStringLiteral("SGXXZ"), QStringLiteral("SGSXZ")};
    p.columns = {keyColumn(),
                 MakeGridColumn("XB", "性别", 60, GridEditor::ListOnly, kSexes),
                 MakeGridColumn("SGXXZ", "BMI下限值", 100, GridEditor::Number),
                 MakeGridColumn("SGSXZ", "BMI上限值", 100, GridEditor::Number),
                 MakeGridColumn("FZ", "分值", 70, GridEditor::Number),
                 MakeGridColumn("BZ", "权重", 70, GridEditor::Number),
                 MakeGridColumn("DJ", "等级", 100, GridEditor::ListOnly,
                                {QStringLiteral("营养不良"), QStringLiteral("较低体重"),
                                 QStringLiteral("正常体重"), QStringLiteral("超    重"),
                                 QStringLiteral("肥    胖")})};
    return new StandardTableWindow(dm, p);
}

void registerStandardTableWindows()
{
    TFmain::registerWindow(QStringLiteral("TFtbpc"), [](TFDM& dm, TFmain&) -> QWidget* {
        return makeScoringStandardWindow(dm);
    });
    TFmain::registerWindow(QStringLiteral("TFsgtz"),
                           [](TFDM& dm, TFmain&) -> QWidget* { return makeBmiStandardWindow(dm); });
}
