#include "std_grid_window.h"

#include "app/config.h"
#include "data/data_module.h"
#include "data/dataset.h"
#include "data/exchange_files.h"
#include "data/services.h"
#include "platform/data_grid.h"
#include "refdata/grid_output.h"
#include "refdata/grid_services.h"
#include "shell/main_window.h"
#include "shell/messages.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QPushButton* toolButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(caption.trimmed() + QStringLiteral("..."));
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}
} // namespace

TFStdGrid::TFStdGrid(TFDM& dm, const Params& params, QWidget* parent)
    : QWidget(parent), m_dm(dm), m_params(params)
{
    setObjectName(params.objectName);
    setWindowTitle(params.caption);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);

    RzToolbar1 = new QWidget(this);
    RzToolbar1->setObjectName(QStringLiteral("RzToolbar1"));
    auto* bar = new QGridLayout(RzToolbar1);
    bar->setContentsMargins(2, 2, 2, 2);
    bar->setHorizontalSpacing(2);
    bar->setVerticalSpacing(2);
    BTAdd0 = toolButton(RzToolbar1, "BTAdd0", QStringLiteral("增加"));
    BTMod0 = toolButton(RzToolbar1, "BTMod0", QStringLiteral("修改"));
    SpeedButton1 = toolButton(RzToolbar1, "SpeedButton1", QStringLiteral(" 删除"));
    BOK = toolButton(RzToolbar1, "BOK", QStringLiteral("确认"));
    BCan = toolButton(RzToolbar1, "BCan", QStringLiteral("取消"));
    SpeedButton2 = toolButton(RzToolbar1, "SpeedButton2", QStringLiteral("分组"));
    SpeedButton4 = toolButton(RzToolbar1, "SpeedButton4", QStringLiteral("过滤"));
    BPrint = toolButton(RzToolbar1, "BPrint", QStringLiteral("打印"));
    SpeedButton6 = toolButton(RzToolbar1, "SpeedButton6", QStringLiteral("导出Excel表"));
    SpeedButton7 = toolButton(RzToolbar1, "SpeedButton7", QStringLiteral("显示字段"));
    RzToolButton1 = toolButton(RzToolbar1, "RzToolButton1", QStringLiteral("导入"));
    RzToolButton2 = toolButton(RzToolbar1, "RzToolButton2", QStringLiteral("导出"));
    SpeedButton8 = toolButton(RzToolbar1, "SpeedButton8", QStringLiteral("退出"));
    const QList<QPushButton*> first = {BTAdd0, BTMod0,       SpeedButton1, BOK,
                                       BCan,   SpeedButton2, SpeedButton4, BPrint};
    const QList<QPushButton*> second = {SpeedButton6, SpeedButton7, RzToolButton1, RzToolButton2,
                                        SpeedButton8};
    for (int i = 0; i < first.size(); ++i)
        bar->addWidget(first[i], 0, i);
    for (int i = 0; i < second.size(); ++i)
        bar->addWidget(second[i], 1, i);
    bar->setColumnStretch(int(first.size()), 1);
    layout->addWidget(RzToolbar1);

    QP = new Dataset(this);
    QP->setObjectName(QStringLiteral("QP"));
    QP->setConnection(dm.DBConn(), &dm.dialect());
    QP->setSql(params.sql);
    DBG = new DataGrid(this);
    DBG->setObjectName(QStringLiteral("DBG"));
    layout->addWidget(DBG, 1);

    // A value the cache refuses (too long, say) is told at once; nothing is cut.
    connect(DBG, &DataGrid::editFailed, this, [](const QString& why) { ShowErrorMessage(why); });
    connect(BTAdd0, &QPushButton::clicked, this, &TFStdGrid::BTAdd0Click);
    connect(BTMod0, &QPushButton::clicked, this, &TFStdGrid::BTMod0Click);
    connect(SpeedButton1, &QPushButton::clicked, this, &TFStdGrid::SpeedButton1Click);
    connect(BOK, &QPushButton::clicked, this, &TFStdGrid::BOKClick);
    connect(BCan, &QPushButton::clicked, this, &TFStdGrid::BCanClick);
    connect(SpeedButton2, &QPushButton::clicked, this, &TFStdGrid::SpeedButton2Click);
    connect(SpeedButton4, &QPushButton::clicked, this, &TFStdGrid::SpeedButton4Click);
    connect(BPrint, &QPushButton::clicked, this, &TFStdGrid::BPrintClick);
    connect(SpeedButton6, &QPushButton::clicked, this, &TFStdGrid::SpeedButton6Click);
    connect(SpeedButton7, &QPushButton::clicked, this, &TFStdGrid::SpeedButton7Click);
    connect(RzToolButton1, &QPushButton::clicked, this, &TFStdGrid::RzToolButton1Click);
    connect(RzToolButton2, &QPushButton::clicked, this, &TFStdGrid::RzToolButton2Click);
    connect(SpeedButton8, &QPushButton::clicked, this, &TFStdGrid::SpeedButton8Click);

    // FormCreate.
    QP->open();
    DBG->setDataset(QP);
    DBG->setColumns(params.columns);
    SetGridEditing(DBG, false);
    SetConfirmButtons(BOK, BCan, false);
}

TFStdGrid::~TFStdGrid() = default;

void TFStdGrid::setEditing(bool on)
{
    m_editing = on;
    SetGridEditing(DBG, on);
    SetConfirmButtons(BOK, BCan, on);
}

QVariant TFStdGrid::nextKey()
{
    return NextKeyValue(*QP, m_params.keyField, m_params.firstKey.toInt());
}

void TFStdGrid::BTAdd0Click()
{
    setEditing(true);
    const QVariant key = nextKey();
    // The row the key continues from (nextKey leaves the last row current).
    QList<std::pair<QString, QVariant>> copied;
    if (!QP->isEmpty() && QP->last()) {
        for (const QString& field : std::as_const(m_params.copyFromLast))
            copied.append({field, QP->fieldValue(field)});
    }
    bool ok = QP->append() && QP->setFieldValue(m_params.keyField, key);
    for (const auto& [field, value] : std::as_const(copied))
        ok = ok && QP->setFieldValue(field, value);
    if (!ok || !QP->post()) {
        const QString why = QP->lastError();
        QP->cancel();
        ShowErrorMessage(QStringLiteral("增加记录失败!\r\n") + why);
    }
}

void TFStdGrid::BTMod0Click()
{
    setEditing(true);
    QP->edit();
}

void TFStdGrid::SpeedButton1Click()
{
    if (QP->isEmpty())
        return;
    if (!AskYesNo(QStringLiteral("删除所选数据吗?")))
        return;
    DeleteSelectedRows(DBG, *QP, m_params.keyField);
    if (!QP->updateBatch())
        ShowErrorMessage(QStringLiteral("更新数据失败\r\n") + QP->batchError().message);
}

bool TFStdGrid::BOKClick()
{
    if (!QP->updateBatch()) {
        // Everything typed stays in the window, still editable: correct and confirm again.
        ShowErrorMessage(QStringLiteral("更新数据失败\r\n") + QP->batchError().message);
        return false;
    }
    setEditing(false);
    return true;
}

void TFStdGrid::BCanClick()
{
    QP->cancel();
    setEditing(false);
    QP->cancelBatch();
}

void TFStdGrid::SpeedButton2Click()
{
    DBG->setGroupPanelVisible(!DBG->groupPanelVisible());
}

void TFStdGrid::SpeedButton4Click()
{
    DBG->setFilterVisible(!DBG->filterVisible());
}

void TFStdGrid::BPrintClick()
{
    if (QP->isEmpty())
        return;
    PreviewGrid(*DBG, {appSettings().InstitutionName, m_params.title});
}

void TFStdGrid::SpeedButton6Click()
{
    if (QP->isEmpty())
        return;
    ExportGridToExcel(*DBG, *QP, ExcelFolder() + m_params.title + QStringLiteral(".xlsx"),
                      m_params.title);
}

void TFStdGrid::SpeedButton7Click()
{
    DBG->showColumnChooser();
}

void TFStdGrid::RzToolButton1Click()
{
    setEditing(true);
    ImportExchangeFile(*QP, exchangeTitle(), m_params.keyField);
}

void TFStdGrid::RzToolButton2Click()
{
    if (QP->isEmpty())
        return;
    ExportExchangeFile(*QP, exchangeTitle(), m_params.keyField);
}

QString TFStdGrid::exchangeTitle() const
{
    return m_params.exchangeTitle.isEmpty() ? m_params.title : m_params.exchangeTitle;
}

void TFStdGrid::SpeedButton8Click()
{
    if (QWidget* frame = parentWidget())
        frame->close();
    else
        close();
}

bool TFStdGrid::mayClose()
{
    return ConfirmLeavingChanges(
        *QP, [this] { return BOKClick(); }, [this] { BCanClick(); });
}

void TFStdGrid::closeEvent(QCloseEvent* event)
{
    if (!mayClose()) {
        event->ignore();
        return;
    }
    QP->close();
    event->accept();
}
