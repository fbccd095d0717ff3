// The scoring-standard windows: members of the standard grid window that differ in their
// columns, in what 增加 copies from the last row, and in offering no Excel export.

#include "standard_windows.h"

#include "data/data_module.h"
#include "platform/grid_values.h"
#include "refdata/std_grid_window.h"
#include "shell/main_window.h"

#include <QPushButton>
#include <QShowEvent>

namespace {
GridColumn column(const char* field, const char* caption, int width = 90,
                  GridEditor editor = GridEditor::Text, const QStringList& items = {})
{
    GridColumn c;
    c.field = QLatin1String(field);
    c.caption = QString::fromUtf8(caption);
    c.width = width;
    c.editor = editor;
    c.items = items;
    return c;
}

GridColumn keyColumn()
{
    GridColumn c = column("ID", "索引号", 90);
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

    GridColumn group = column("NJBZ", "年级标志", 90, GridEditor::ListOnly,
                              {QStringLiteral("12"), QStringLiteral("34")});
    group.displayText = DBGNJBZGetText;
    GridColumn code = column("GL", "标准编码", 90, GridEditor::Lookup);
    code.lookup.dataset = dm.QGL;
    code.lookup.keyField = QStringLiteral("ZBBM");
    code.lookup.shownFields = {QStringLiteral("ZBBM"), QStringLiteral("ZBMC"),
                               QStringLiteral("ZBLBBM"), QStringLiteral("ZBLBMC")};
    code.lookup.captions = {QStringLiteral("指标编码"), QStringLiteral("指标名称"),
                            QStringLiteral("指标类别编码"), QStringLiteral("指标类别名称")};
    code.lookup.displayField = QStringLiteral("ZBBM");
    p.columns = {keyColumn(),
                 group,
                 column("XB", "性别", 60, GridEditor::ListOnly, kSexes),
                 column("XM", "项目", 110),
                 code,
                 column("XXZ", "下限值", 90, GridEditor::Number),
                 column("SXZ", "上限值", 90, GridEditor::Number),
                 column("FZ", "分值", 70, GridEditor::Number),
                 column("BZ", "权重", 70, GridEditor::Number),
                 column("DJ", "等级", 80, GridEditor::ListOnly,
                        {QStringLiteral("优秀"), QStringLiteral("良好"), QStringLiteral("及格"),
                         QStringLiteral("不及格")})};
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
    p.columns = {
        keyColumn(),
        column("XB", "性别", 60, GridEditor::ListOnly, kSexes),
        column("SGXXZ", "BMI下限值", 100, GridEditor::Number),
        column("SGSXZ", "BMI上限值", 100, GridEditor::Number),
        column("FZ", "分值", 70, GridEditor::Number),
        column("BZ", "权重", 70, GridEditor::Number),
        column("DJ", "等级", 100, GridEditor::ListOnly,
               {QStringLiteral("营养不良"), QStringLiteral("较低体重"), QStringLiteral("正常体重"),
                QStringLiteral("超    重"), QStringLiteral("肥    胖")})};
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
