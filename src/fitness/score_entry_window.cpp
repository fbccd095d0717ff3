#include "score_entry_window.h"

#include "app/config.h"
#include "app/current_operator.h"
#include "data/data_module.h"
#include "data/dataset.h"
#include "data/exchange_files.h"
#include "data/services.h"
#include "fitness/scoring_engine.h"
#include "platform/data_grid.h"
#include "refdata/grid_output.h"
#include "refdata/grid_services.h"
#include "shell/main_window.h"
#include "shell/messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QToolTip>
#include <QVBoxLayout>

namespace {
const QString kExcelStem = QStringLiteral("学生体标测验成绩表_");

QPushButton* toolButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(caption.trimmed() + QStringLiteral("..."));
    b->setAutoDefault(false);
    // The focus stays in the entry box a value was typed into.
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QLineEdit* lineEdit(QWidget* parent, const char* name, int width = 80)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMinimumWidth(width);
    e->setMaximumWidth(width + 40);
    return e;
}

QColor infoColour()
{
    return QToolTip::palette().color(QPalette::ToolTipBase);
}

QColor buttonFace()
{
    return QApplication::palette().color(QPalette::Button);
}

void paint(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, colour);
    w->setPalette(p);
}

// A combo box that can be read-only like the boxes beside it.
class ReadOnlyComboBox : public QComboBox
{
public:
    using QComboBox::QComboBox;
    void setReadOnly(bool on) { m_readOnly = on; }
    bool isReadOnly() const { return m_readOnly; }

protected:
    void showPopup() override
    {
        if (!m_readOnly)
            QComboBox::showPopup();
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        if (!m_readOnly)
            QComboBox::keyPressEvent(e);
    }
    void wheelEvent(QWheelEvent* e) override
    {
        if (!m_readOnly)
            QComboBox::wheelEvent(e);
    }

private:
    bool m_readOnly = false;
};

void setComboReadOnly(QComboBox* box, bool on)
{
    static_cast<ReadOnlyComboBox*>(box)->setReadOnly(on);
}

bool comboReadOnly(QComboBox* box)
{
    return static_cast<ReadOnlyComboBox*>(box)->isReadOnly();
}

QString valueText(const QVariant& v, bool timed)
{
    if (!v.isValid() || v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        // Times keep both digits of their seconds: 3.50 is 3 min 50 s.
        return timed ? QString::number(v.toDouble(), 'f', 2)
                     : QString::number(v.toDouble(), 'g', 15);
    }
    return v.toString();
}

GridColumn col(const char* field, const char* caption, const char* band, int width = 60,
               GridEditor editor = GridEditor::Number)
{
    GridColumn c = MakeGridColumn(field, caption, width, editor);
    c.band = QString::fromUtf8(band);
    return c;
}

GridColumn hidden(GridColumn c)
{
    c.visible = false;
    return c;
}

GridColumn readOnly(GridColumn c)
{
    c.readOnly = true;
    return c;
}

QList<GridColumn> gridColumns()
{
    const char* info = "基本信息";
    GridColumn id = readOnly(col("ID", "索引号", info, 140, GridEditor::Text));
    id.footer = QStringLiteral("共0个");
    GridColumn ms = col("MS", "是否免测", info, 60, GridEditor::ListOnly);
    ms.items = {QStringLiteral("否"), QStringLiteral("是")};
    QList<GridColumn> c = {id,
                           col("XH", "学号", info, 100, GridEditor::Text),
                           col("XSXM", "姓名", info, 70, GridEditor::Text),
                           col("XB", "性别", info, 40, GridEditor::Text),
                           col("XN", "学年", info, 50),
                           col("XQ", "学期", info, 60),
                           col("JSID", "教师编号", info, 70),
                           readOnly(col("XZBMC", "体育部班级名称", info, 110, GridEditor::Text)),
                           readOnly(col("NJBZ", "年级标志", info, 60, GridEditor::Text)),
                           ms,
                           col("MEMO", "备注", info, 100, GridEditor::Text),
                           col("SG", "身高", "BMI"),
                           col("TZ", "体重", "BMI"),
                           col("SGTZCJ", "成绩", "BMI"),
                           col("SGTZDF", "得分", "BMI"),
                           col("FHLCJ", "成绩", "肺活量"),
                           hidden(col("FHLZS", "肺活量指数", "肺活量")),
                           col("FHLDF", "得分", "肺活量"),
                           hidden(col("ZYSL", "左眼", "视力")),
                           hidden(col("YYSL", "右眼", "视力")),
                           hidden(col("SLDF", "得分", "视力")),
                           col("TYCJ", "成绩", "立定跳远"),
                           col("TYDF", "得分", "立定跳远"),
                           col("QQCJ", "成绩", "坐位体前屈"),
                           col("QQDF", "得分", "坐位体前屈"),
                           col("WSCJ", "成绩", "50米跑"),
                           col("WSDF", "得分", "50米跑")};
    for (const auto& [band, prefix] : {std::pair{"引体向上", "YT"},
                                       {"仰卧起坐(女)", "YW"},
                                       {"1000米跑(男)", "QM"},
                                       {"800米跑(女)", "BB"}}) {
        const QByteArray p(prefix);
        c << col(p + "CJ", "成绩", band) << col(p + "DF", "得分", band)
          << col(p + "JFCJ", "加分成绩", band, 70) << col(p + "JFDF", "加分得分", band, 70);
    }
    c << hidden(col("TJCJ", "成绩", "台阶试验")) << hidden(col("TJDF", "得分", "台阶试验"))
      << hidden(col("WLCJ", "成绩", "握力体重指数"))
      << hidden(col("WLZS", "握力指数", "握力体重指数"))
      << hidden(col("WLDF", "得分", "握力体重指数"));
    for (const auto& [band, prefix] : {std::pair{"掷实心球", "SX"},
                                       {"跳绳", "TS"},
                                       {"篮球运球", "LQ"},
                                       {"足球运球", "ZQ"},
                                       {"排球垫球", "PQ"}}) {
        const QByteArray p(prefix);
        c << hidden(col(p + "CJ", "成绩", band)) << hidden(col(p + "DF", "得分", band));
    }
    c << col("TBZF", "成绩", "体标总分") << col("JF", "加分", "体标总分")
      << col("ZF", "总分", "体标总分") << col("DJ", "评价等级", "体标总分", 70, GridEditor::Text)
      << col("CQCJ", "成绩", "表现和出勤") << col("CQBZ", "比重", "表现和出勤")
      << col("CQDF", "得分", "表现和出勤") << col("BZ", "比重", "体标得分成绩")
      << col("TBDF", "得分", "体标得分成绩");
    return c;
}
} // namespace

TFtbcjgl::TFtbcjgl(TFDM& dm, QWidget* parent) : QWidget(parent), m_dm(dm)
{
    setObjectName(QStringLiteral("TFtbcjgl"));
    setWindowTitle(QStringLiteral("体标测验成绩管理"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);

    QXZB = new Dataset(this);
    QXZB->setObjectName(QStringLiteral("QXZB"));
    QXZB->setConnection(dm.DBConn(), &dm.dialect());
    Scoring::InstallScoreHooks(*QXZB);

    buildToolbar();
    layout->addWidget(RzToolbar2);
    buildQueryPanel();
    layout->addWidget(RzPanel1);

    Splitter = new QSplitter(Qt::Vertical, this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setChildrenCollapsible(false);
    auto* top = new QWidget(Splitter);
    auto* topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(buildInfoGroup());
    topLayout->addWidget(buildEntryArea(), 1);
    Splitter->addWidget(top);
    buildGrid();
    Splitter->addWidget(DBG);
    Splitter->setStretchFactor(0, 0);
    Splitter->setStretchFactor(1, 1);
    layout->addWidget(Splitter, 1);

    connect(QXZB, &Dataset::currentChanged, this, [this] { QXZBAfterScroll(); });
    connect(QXZB, &Dataset::rowChanged, this, [this](int row) {
        if (row == QXZB->currentRow())
            refreshBoxes(false);
    });
    connect(QXZB, &Dataset::reset, this, [this] { refreshBoxes(false); });
    connect(DBMS, &QComboBox::activated, this, [this] {
        if (comboReadOnly(DBMS) || !QXZB->isOpen() || QXZB->isEmpty())
            return;
        if (QXZB->state() == Dataset::State::Browse)
            QXZB->edit();
        QXZB->setFieldValue(u"MS", DBMS->currentText());
    });

    // FormCreate: browsing, entry area locked.
    setEditingFlag(false);
    SetGridEditing(DBG, false);
    SetConfirmButtons(BOK, BCan, false);
    lockEntryArea();
}

TFtbcjgl::~TFtbcjgl() = default;

void TFtbcjgl::buildToolbar()
{
    RzToolbar2 = new QWidget(this);
    RzToolbar2->setObjectName(QStringLiteral("RzToolbar2"));
    auto* bar = new QHBoxLayout(RzToolbar2);
    bar->setContentsMargins(2, 2, 2, 2);
    bar->setSpacing(2);
    BQuery = toolButton(RzToolbar2, "BQuery", QStringLiteral("查询"));
    BTMod0 = toolButton(RzToolbar2, "BTMod0", QStringLiteral("修改"));
    SpeedButton1 = toolButton(RzToolbar2, "SpeedButton1", QStringLiteral(" 删除"));
    BOK = toolButton(RzToolbar2, "BOK", QStringLiteral("确认"));
    BCan = toolButton(RzToolbar2, "BCan", QStringLiteral("取消"));
    SpeedButton5 = toolButton(RzToolbar2, "SpeedButton5", QStringLiteral("分组"));
    SpeedButton9 = toolButton(RzToolbar2, "SpeedButton9", QStringLiteral("过滤"));
    BPrint = toolButton(RzToolbar2, "BPrint", QStringLiteral("打印"));
    SpeedButton6 = toolButton(RzToolbar2, "SpeedButton6", QStringLiteral("导出Excel表"));
    SpeedButton7 = toolButton(RzToolbar2, "SpeedButton7", QStringLiteral("显示字段"));
    BImport = toolButton(RzToolbar2, "BImport", QStringLiteral("导入"));
    BExport = toolButton(RzToolbar2, "BExport", QStringLiteral("导出"));
    BGet = toolButton(RzToolbar2, "BGet", QStringLiteral("从测试仪获取成绩"));
    SpeedButton8 = toolButton(RzToolbar2, "SpeedButton8", QStringLiteral("退出"));
    for (QPushButton* b :
         {BQuery, BTMod0, SpeedButton1, BOK, BCan, SpeedButton5, SpeedButton9, BPrint, SpeedButton6,
          SpeedButton7, BImport, BExport, BGet, SpeedButton8})
        bar->addWidget(b);
    bar->addStretch(1);
    BTMod0->setEnabled(false);
    BGet->hide(); // no tester is attached

    connect(BQuery, &QPushButton::clicked, this, &TFtbcjgl::BQueryClick);
    connect(BTMod0, &QPushButton::clicked, this, &TFtbcjgl::BTMod0Click);
    connect(SpeedButton1, &QPushButton::clicked, this, &TFtbcjgl::SpeedButton1Click);
    connect(BOK, &QPushButton::clicked, this, &TFtbcjgl::BOKClick);
    connect(BCan, &QPushButton::clicked, this, &TFtbcjgl::BCanClick);
    connect(SpeedButton5, &QPushButton::clicked, this, &TFtbcjgl::SpeedButton5Click);
    connect(SpeedButton9, &QPushButton::clicked, this, &TFtbcjgl::SpeedButton4Click);
    connect(BPrint, &QPushButton::clicked, this, &TFtbcjgl::BPrintClick);
    connect(SpeedButton6, &QPushButton::clicked, this, &TFtbcjgl::SpeedButton6Click);
    connect(SpeedButton7, &QPushButton::clicked, this, &TFtbcjgl::SpeedButton7Click);
    connect(BImport, &QPushButton::clicked, this, &TFtbcjgl::BImportClick);
    connect(BExport, &QPushButton::clicked, this, &TFtbcjgl::BExportClick);
    connect(SpeedButton8, &QPushButton::clicked, this, &TFtbcjgl::SpeedButton8Click);
}

void TFtbcjgl::buildQueryPanel()
{
    RzPanel1 = new QWidget(this);
    RzPanel1->setObjectName(QStringLiteral("RzPanel1"));
    auto* row = new QHBoxLayout(RzPanel1);
    row->setContentsMargins(4, 2, 4, 2);
    RXQ = lineEdit(RzPanel1, "RXQ", 60);
    CBJ = new QComboBox(RzPanel1);
    CBJ->setObjectName(QStringLiteral("CBJ"));
    CBJ->setEditable(true);
    CBJ->setInsertPolicy(QComboBox::NoInsert);
    CBJ->setMinimumWidth(160);
    LXH = lineEdit(RzPanel1, "LXH", 120);
    LXH->setToolTip(QStringLiteral("输入学号后按回车键查询.."));
    LXH->setPlaceholderText(QStringLiteral("输入学号后按回车键查询.."));
    row->addWidget(new QLabel(QStringLiteral("学年:"), RzPanel1));
    row->addWidget(RXQ);
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("体育部班级名称:"), RzPanel1));
    row->addWidget(CBJ);
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("查询学号:"), RzPanel1));
    row->addWidget(LXH);
    row->addStretch(1);
    RXQ->installEventFilter(this);
    LXH->installEventFilter(this);
}

QWidget* TFtbcjgl::buildInfoGroup()
{
    RzDBRadioGroup1 = new QGroupBox(QStringLiteral("基本信息"), this);
    RzDBRadioGroup1->setObjectName(QStringLiteral("RzDBRadioGroup1"));
    auto* grid = new QGridLayout(RzDBRadioGroup1);
    EXH = lineEdit(RzDBRadioGroup1, "EXH", 110);
    EXM = lineEdit(RzDBRadioGroup1, "EXM", 110);
    EXB = lineEdit(RzDBRadioGroup1, "EXB", 110);
    DBMS = new ReadOnlyComboBox(RzDBRadioGroup1);
    DBMS->setObjectName(QStringLiteral("DBMS"));
    DBMS->addItems({QStringLiteral("否"), QStringLiteral("是")});
    DBMS->setCurrentIndex(-1);
    EZF = lineEdit(RzDBRadioGroup1, "EZF", 110);
    EPJ = lineEdit(RzDBRadioGroup1, "EPJ", 110);
    const std::pair<const char*, QWidget*> rows[] = {{"学号", EXH},  {"姓名", EXM}, {"性别", EXB},
                                                     {"免测", DBMS}, {"总分", EZF}, {"评价", EPJ}};
    int r = 0;
    for (const auto& [caption, box] : rows) {
        grid->addWidget(new QLabel(QString::fromUtf8(caption), RzDBRadioGroup1), r, 0);
        grid->addWidget(box, r, 1);
        ++r;
    }
    grid->setRowStretch(r, 1);
    for (QLineEdit* e : {EXH, EXM, EXB, EZF, EPJ}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::ClickFocus);
        paint(e, buttonFace());
    }
    m_displays = {{EXH, "XH"}, {EXM, "XSXM"}, {EXB, "XB"}, {EZF, "ZF"}, {EPJ, "DJ"}};
    return RzDBRadioGroup1;
}

QWidget* TFtbcjgl::buildEntryArea()
{
    RR = new QGroupBox(QStringLiteral("测验数据录入区"), this);
    RR->setObjectName(QStringLiteral("RR"));
    auto* grid = new QGridLayout(RR);
    grid->setHorizontalSpacing(6);
    ESG = lineEdit(RR, "ESG");
    ETZ = lineEdit(RR, "ETZ");
    EFHL = lineEdit(RR, "EFHL");
    EQQ = lineEdit(RR, "EQQ");
    EYT = lineEdit(RR, "EYT");
    EYW = lineEdit(RR, "EYW");
    ETY = lineEdit(RR, "ETY");
    EWS = lineEdit(RR, "EWS");
    EQM = lineEdit(RR, "EQM");
    EBB = lineEdit(RR, "EBB");
    EWL = lineEdit(RR, "EWL");
    ETJ = lineEdit(RR, "ETJ");
    ETS = lineEdit(RR, "ETS");
    ELQ = lineEdit(RR, "ELQ");
    EZQ = lineEdit(RR, "EZQ");
    EPQ = lineEdit(RR, "EPQ");
    ESX = lineEdit(RR, "ESX");
    EZY = lineEdit(RR, "EZY");
    EYY = lineEdit(RR, "EYY");
    ETBZF = lineEdit(RR, "ETBZF");
    ETBBZ = lineEdit(RR, "ETBBZ");
    EJF = lineEdit(RR, "EJF");

    m_entries = {
        {ESG, "SG", "01", DBGSGTZDFGetValue, nullptr, false},
        {ETZ, "TZ", "02", DBGSGTZDFGetValue, nullptr, false},
        {EFHL, "FHLCJ", "04", DBGFHLDFGetValue, nullptr, false},
        {EQQ, "QQCJ", "07", DBGQQDFGetValue, "QQPJ", false},
        {EYT, "YTCJ", "14", DBGYTDFGetValue, "YTPJ", false},
        {EYW, "YWCJ", "12", DBGYWDFGetValue, "YWPJ", false},
        {ETY, "TYCJ", "06", DBGTYDFGetValue, "TYPJ", false},
        {EWS, "WSCJ", "05", DBGWSDFGetValue, "WSPJ", false},
        {EQM, "QMCJ", "11", DBGQMDFGetValue, "QMPJ", true},
        {EBB, "BBCJ", "10", DBGBBDFGetValue, "BBPJ", true},
        {EWL, "WLCJ", "08", DBGWLDFGetValue, "WLPJ", false},
        {ESX, "SXCJ", "15", DBGSXDFGetValue, "SXPJ", false},
        {ETJ, "TJCJ", "03", DBGTJDFGetValue, "TJPJ", false},
        {ETS, "TSCJ", "18", DBGTSDFGetValue, "TSPJ", false},
        {ELQ, "LQCJ", "19", DBGLQDFGetValue, "LQPJ", false},
        {EZQ, "ZQCJ", "20", DBGZQDFGetValue, "ZQPJ", false},
        {EPQ, "PQCJ", "21", DBGPQDFGetValue, "PQPJ", false},
        {EZY, "ZYSL", nullptr, nullptr, nullptr, false},
        {EYY, "YYSL", nullptr, nullptr, nullptr, false},
    };
    m_displays.push_back({ETBZF, "TBZF"});
    m_displays.push_back({ETBBZ, "BZ"});
    m_displays.push_back({EJF, "JJFNR"});

    struct Place
    {
        QLineEdit* box;
        const char* label;
        const char* unit;
    };
    // Three columns in the order the values are typed; the hidden items below them.
    const Place visible[] = {
        {ESG, "身高", "米"},
        {ETZ, "体重", "kg"},
        {EFHL, "肺活量", "ml"},
        {EQQ, "*坐位体前屈", "cm"},
        {EYT, "*引体向上(男)", "次"},
        {EYW, "*仰卧起坐(女)", "次/分钟"},
        {ETY, "*立定跳远", "厘米"},
        {EWS, "*50米跑", "秒"},
        {EQM, "*1000米跑(男)", "分.秒"},
        {EBB, "*800米跑(女)", "分.秒"},
        {ETBZF, "体标成绩", ""},
        {ETBBZ, "体标比重", ""},
    };
    const Place hiddenPlaces[] = {
        {EWL, "*握力", "kg"},     {ETJ, "*台阶试验", ""},   {ETS, "*跳绳", "次/分钟"},
        {ELQ, "*篮球运球", "秒"}, {EZQ, "*足球运球", "秒"}, {EPQ, "*排球垫球", "次"},
        {ESX, "*掷实心球", "米"}, {EZY, "左眼视力", ""},    {EYY, "右眼视力", ""},
        {EJF, "加减分", ""},
    };
    int i = 0;
    for (const Place& p : visible) {
        const int row = i / 3;
        const int column = (i % 3) * 4;
        auto* label = new QLabel(QString::fromUtf8(p.label), RR);
        label->setBuddy(p.box);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(label, row, column);
        grid->addWidget(p.box, row, column + 1);
        grid->addWidget(new QLabel(QString::fromUtf8(p.unit), RR), row, column + 2);
        ++i;
    }
    const int hiddenRow = (i + 2) / 3;
    i = 0;
    for (const Place& p : hiddenPlaces) {
        auto* label = new QLabel(QString::fromUtf8(p.label), RR);
        auto* unit = new QLabel(QString::fromUtf8(p.unit), RR);
        grid->addWidget(label, hiddenRow + i / 3, (i % 3) * 4);
        grid->addWidget(p.box, hiddenRow + i / 3, (i % 3) * 4 + 1);
        grid->addWidget(unit, hiddenRow + i / 3, (i % 3) * 4 + 2);
        for (QWidget* w : {static_cast<QWidget*>(label), static_cast<QWidget*>(p.box),
                           static_cast<QWidget*>(unit)})
            w->hide();
        ++i;
    }
    for (int c = 0; c < 3; ++c)
        grid->setColumnMinimumWidth(c * 4 + 3, 16);
    grid->setColumnStretch(11, 1);

    Note = new QLabel(QStringLiteral("说明: 分'秒按 分.秒 录入 (10'10\" 录入为 10.10); "
                                     "每录入一项成绩后按回车键; 全部录入后按 确认 保存."),
                      RR);
    Note->setObjectName(QStringLiteral("Note"));
    Note->setWordWrap(true);
    grid->addWidget(Note, hiddenRow + 4, 0, 1, 12);
    grid->setRowStretch(hiddenRow + 5, 1);

    for (auto& [box, field] : m_displays) {
        box->setReadOnly(true);
        paint(box, buttonFace());
    }
    EJF->setFocusPolicy(Qt::NoFocus);
    for (const Entry& e : m_entries)
        e.box->installEventFilter(this);
    ETBBZ->installEventFilter(this);
    return RR;
}

void TFtbcjgl::buildGrid()
{
    DBG = new DataGrid(this);
    DBG->setObjectName(QStringLiteral("DBG"));
    DBG->setDataset(QXZB);
    DBG->setColumns(gridColumns());
    DBG->setGroupSummary(QStringLiteral("小计0个班"));
    connect(DBG, &DataGrid::editFailed, this, [](const QString& why) { ShowErrorMessage(why); });
}

// ---- entry boxes -------------------------------------------------------------------------

const TFtbcjgl::Entry* TFtbcjgl::entryOf(const QObject* box) const
{
    for (const Entry& e : m_entries) {
        if (e.box == box)
            return &e;
    }
    return nullptr;
}

QLineEdit* TFtbcjgl::nextBox(const Entry& entry) const
{
    const bool female = QXZB->fieldValue(u"XB").toString().trimmed() == QStringLiteral("女");
    const QLineEdit* b = entry.box;
    if (b == ESG)
        return ETZ;
    if (b == ETZ)
        return EFHL;
    if (b == EFHL)
        return EQQ;
    if (b == EQQ)
        return female ? EYW : EYT;
    if (b == EYT || b == EYW)
        return ETY;
    if (b == ETY)
        return EWS;
    if (b == EWS || b == ETJ)
        return female ? EBB : EQM;
    if (b == EWL)
        return ESX;
    if (b == ESX)
        return female ? EWS : EYT;
    if (b == ETS)
        return ELQ;
    if (b == ELQ)
        return EZQ;
    if (b == EZQ)
        return EPQ;
    if (b == EPQ)
        return ETJ;
    return nullptr;
}

void TFtbcjgl::focusBox(QLineEdit* box)
{
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
}

bool TFtbcjgl::commitEntry(const Entry& entry, bool tell)
{
    QLineEdit* box = entry.box;
    if (box->isReadOnly() || !box->isModified() || !QXZB->isOpen() || QXZB->isEmpty())
        return true;
    const QString text = box->text().trimmed();
    QVariant value;
    if (!text.isEmpty()) {
        const double lower = entry.code ? IndicatorLowerLimit(QLatin1String(entry.code)) : 0;
        const double upper = entry.code ? IndicatorUpperLimit(QLatin1String(entry.code)) : 0;
        if (tell && entry.code && !CheckScoreEdit(box, lower, upper))
            return false;
        bool ok = false;
        const double v = text.toDouble(&ok);
        if (!ok || (entry.code && (v < lower || v > upper)))
            return false;
        // A time's seconds have two digits below 60: 3.65 is no time.
        if (entry.timed && v > 0 && !Scoring::IsMinSecTime(v)) {
            if (tell) {
                ShowErrorMessage(QStringLiteral("录入的成绩有误!"));
                focusBox(box);
            }
            return false;
        }
        value = v;
    }
    box->setModified(false);
    if (Dataset::sameValue(value, QXZB->fieldValue(QString::fromLatin1(entry.field))))
        return true;
    if (QXZB->state() == Dataset::State::Browse)
        QXZB->edit();
    if (!QXZB->setFieldValue(QString::fromLatin1(entry.field), value)) {
        ShowErrorMessage(QXZB->lastError());
        return false;
    }
    return true;
}

bool TFtbcjgl::commitTypedEntries()
{
    for (const Entry& e : m_entries) {
        if (!commitEntry(e, true))
            return false;
    }
    return true;
}

void TFtbcjgl::refreshBoxes(bool force)
{
    const bool hasRow = QXZB->isOpen() && !QXZB->isEmpty() && QXZB->currentRow() >= 0;
    const auto show = [&](QLineEdit* box, const char* field, bool timed) {
        // What the operator typed stays until it is entered or the row changes, also when
        // leaving the box refused it: 确认 still has to tell why.
        if (!force && box->isModified())
            return;
        const QString text =
            hasRow ? valueText(QXZB->fieldValue(QString::fromLatin1(field)), timed) : QString();
        if (box->text() != text || box->isModified())
            box->setText(text);
    };
    for (const Entry& e : m_entries)
        show(e.box, e.field, e.timed);
    for (auto& [box, field] : m_displays)
        show(box, field, false);
    const QString ms = hasRow ? QXZB->fieldValue(u"MS").toString().trimmed() : QString();
    DBMS->setCurrentIndex(DBMS->findText(ms));
}

void TFtbcjgl::EntryKeyDown(QLineEdit* box)
{
    if (!QXZB->isOpen() || QXZB->isEmpty())
        return;
    if (box == ETBBZ) {
        ESG->selectAll();
        Scoring::RecalcTotals(*QXZB);
        QXZB->next();
        focusBox(ESG);
        return;
    }
    const Entry* entry = entryOf(box);
    if (!entry || !entry->op)
        return;
    const QString code = QLatin1String(entry->code);
    if (!CheckScoreEdit(box, IndicatorLowerLimit(code), IndicatorUpperLimit(code)))
        return;
    if (!box->isReadOnly() && !commitEntry(*entry, true))
        return; // refused (a time with 60 seconds or more); the box keeps the focus

    if (box == ESG) {
        // The height reaches the row as the focus leaves for the weight; its hook scores BMI.
        entry->op(*QXZB);
        focusBox(ETZ);
        Scoring::RecalcTotals(*QXZB);
        return;
    }
    if ((QXZB->state() == Dataset::State::Edit || QXZB->state() == Dataset::State::Insert) &&
        !QXZB->post()) {
        ShowErrorMessage(QXZB->lastError());
        return;
    }
    // Scoring writes the grade column, which would turn an item the student does not take
    // (grade NULL) into one he does; the focus still passes through its box.
    const QVariant marker =
        entry->gradeField ? QXZB->fieldValue(QString::fromLatin1(entry->gradeField)) : QVariant(0);
    if (marker.isValid() && !marker.isNull())
        entry->op(*QXZB);
    if (box == EQM || box == EBB) {
        // On to the next student, so that a class is typed without the mouse.
        Scoring::RecalcTotals(*QXZB);
        QXZB->next();
        focusBox(ESG);
        return;
    }
    if (QLineEdit* next = nextBox(*entry))
        focusBox(next);
    Scoring::RecalcTotals(*QXZB);
}

// ---- state -------------------------------------------------------------------------------

void TFtbcjgl::setEditingFlag(bool on)
{
    m_editing = on;
}

void TFtbcjgl::lockEntryArea()
{
    for (const Entry& e : m_entries) {
        e.box->setReadOnly(true);
        paint(e.box, infoColour());
    }
    setComboReadOnly(DBMS, true);
    paint(DBMS, infoColour());
}

void TFtbcjgl::unlockEntryArea()
{
    for (const Entry& e : m_entries) {
        e.box->setReadOnly(false);
        paint(e.box, Qt::white);
    }
    setComboReadOnly(DBMS, false);
    paint(DBMS, Qt::white);
}

void TFtbcjgl::applyItemEditability()
{
    if (!m_editing) {
        lockEntryArea();
        return;
    }
    const bool hasRow = QXZB->isOpen() && !QXZB->isEmpty();
    for (const Entry& e : m_entries) {
        if (e.gradeField) {
            // The to-be-tested marker: an item whose grade column is NULL is not taken.
            const QVariant marker =
                hasRow ? QXZB->fieldValue(QString::fromLatin1(e.gradeField)) : QVariant();
            e.box->setReadOnly(!marker.isValid() || marker.isNull());
        } else if (e.box == ESG || e.box == ETZ || e.box == EFHL) {
            e.box->setReadOnly(false);
        }
        paint(e.box, e.box->isReadOnly() ? buttonFace() : QColor(Qt::white));
    }
    paint(DBMS, comboReadOnly(DBMS) ? buttonFace() : QColor(Qt::white));
}

void TFtbcjgl::QXZBAfterScroll()
{
    refreshBoxes(true);
    applyItemEditability();
}

// ---- toolbar -----------------------------------------------------------------------------

void TFtbcjgl::BQueryClick()
{
    const QString year = RXQ->text().trimmed();
    if (year.isEmpty()) {
        ShowInfoMessage(QStringLiteral("请输入学年"));
        RXQ->setFocus();
        return;
    }
    // A new query would drop what was typed: save it, drop it, or stay.
    if (QXZB->isOpen() && !mayClose())
        return;
    const QString className = CBJ->currentText().trimmed();
    const CurrentOperator& op = currentOperator();
    bool numeric = false;
    const int yearNumber = year.toInt(&numeric);
    const QVariant yearValue = numeric ? QVariant(yearNumber) : QVariant(year);
    QString sql;
    QVariantList binds;
    if (op.CurOperRole == QStringLiteral("教师")) {
        const int teacher = op.CurOperId.toInt(&numeric);
        sql = QStringLiteral("Select * From CJB Where JSID=? and XN=?");
        binds = {numeric ? QVariant(teacher) : QVariant(op.CurOperId), yearValue};
    } else if (op.CurOperRole == QStringLiteral("主任")) {
        sql = QStringLiteral("Select * From CJB Where XN=?");
        binds = {yearValue};
    }
    if (!sql.isEmpty() && !className.isEmpty()) {
        sql += QStringLiteral(" and XZBMC=?");
        binds.append(className);
    }
    sql += QStringLiteral(" Order by XH");
    const bool ok = !binds.isEmpty() && OpenBoundQuery(*QXZB, sql, binds);
    if (!ok || QXZB->isEmpty())
        ShowInfoMessage(QStringLiteral("没有相应记录！"));
    BTMod0->setEnabled(true);
    QXZBAfterScroll();
}

void TFtbcjgl::BTMod0Click()
{
    setEditingFlag(true);
    SetGridEditing(DBG, true);
    SetConfirmButtons(BOK, BCan, true);
    unlockEntryArea();
    applyItemEditability();
    if (QXZB->isOpen() && !QXZB->isEmpty())
        QXZB->edit();
}

void TFtbcjgl::SpeedButton1Click()
{
    if (!QXZB->isOpen() || QXZB->isEmpty())
        return;
    if (!AskYesNo(QStringLiteral("删除所选数据吗?")))
        return;
    DeleteSelectedRows(DBG, *QXZB, QStringLiteral("ID"));
    if (!QXZB->updateBatch())
        ShowErrorMessage(QStringLiteral("更新数据失败\r\n") + QXZB->batchError().message);
    QXZBAfterScroll();
}

bool TFtbcjgl::BOKClick()
{
    // A value typed but not yet entered is checked and written like an entered one.
    if (!commitTypedEntries())
        return false;
    if ((QXZB->state() == Dataset::State::Edit || QXZB->state() == Dataset::State::Insert) &&
        !QXZB->post()) {
        ShowErrorMessage(QStringLiteral("更新数据失败\r\n") + QXZB->lastError());
        return false;
    }
    if (QXZB->isOpen() && !QXZB->updateBatch()) {
        // Everything typed stays, still editable: correct it and confirm again, or cancel.
        ShowErrorMessage(QStringLiteral("更新数据失败\r\n") + QXZB->batchError().message);
        return false;
    }
    setEditingFlag(false);
    lockEntryArea();
    SetConfirmButtons(BOK, BCan, false);
    SetGridEditing(DBG, false);
    return true;
}

void TFtbcjgl::BCanClick()
{
    QXZB->cancel();
    SetGridEditing(DBG, false);
    lockEntryArea();
    SetConfirmButtons(BOK, BCan, false);
    setEditingFlag(false);
    QXZB->cancelBatch();
    refreshBoxes(true);
}

void TFtbcjgl::SpeedButton5Click()
{
    DBG->setGroupPanelVisible(!DBG->groupPanelVisible());
}

void TFtbcjgl::SpeedButton4Click()
{
    DBG->setFilterVisible(!DBG->filterVisible());
}

void TFtbcjgl::BPrintClick()
{
    if (!QXZB->isOpen() || QXZB->isEmpty())
        return;
    PreviewGrid(*DBG, {appSettings().InstitutionName,
                       kExcelStem + RXQ->text().trimmed() + u'_' + currentOperator().CurOperName});
}

void TFtbcjgl::SpeedButton6Click()
{
    if (!QXZB->isOpen() || QXZB->isEmpty())
        return;
    const CurrentOperator& op = currentOperator();
    const QString file = ExcelFolder() + kExcelStem + RXQ->text().trimmed() + u'_' + op.CurOperId +
                         u'_' + op.CurOperName + QStringLiteral(".xlsx");
    ExportGridToExcel(*DBG, *QXZB, file, QStringLiteral("学生体标测验成绩表"));
}

void TFtbcjgl::SpeedButton7Click()
{
    DBG->showColumnChooser();
}

QString TFtbcjgl::exchangeTitle() const
{
    const CurrentOperator& op = currentOperator();
    const QString className = CBJ->currentText().trimmed();
    QString title = QStringLiteral("体标测验成绩表_") + RXQ->text().trimmed() + u'_';
    if (!className.isEmpty())
        title += className + u'_';
    return title + op.CurOperId + u'_' + op.CurOperName;
}

void TFtbcjgl::BImportClick()
{
    // Only into the rows of a query.
    if (!BTMod0->isEnabled() || !QXZB->isOpen())
        return;
    SetGridEditing(DBG, true);
    SetConfirmButtons(BOK, BCan, true);
    ImportExchangeFile(*QXZB, exchangeTitle(), QStringLiteral("ID"));
    QXZBAfterScroll();
}

void TFtbcjgl::BExportClick()
{
    if (!QXZB->isOpen() || QXZB->isEmpty())
        return;
    ExportExchangeFile(*QXZB, exchangeTitle(), QStringLiteral("ID"));
}

void TFtbcjgl::SpeedButton8Click()
{
    if (QWidget* frame = parentWidget())
        frame->close();
    else
        close();
}

// ---- other events ------------------------------------------------------------------------

void TFtbcjgl::RXQExit()
{
    const QString year = RXQ->text().trimmed();
    if (year.isEmpty())
        return;
    CBJ->clear();
    bool numeric = false;
    const int teacher = currentOperator().CurOperId.toInt(&numeric);
    const QVariant teacherValue =
        numeric ? QVariant(teacher) : QVariant(currentOperator().CurOperId);
    const int yearNumber = year.toInt(&numeric);
    const QVariant yearValue = numeric ? QVariant(yearNumber) : QVariant(year);
    Dataset& q = *m_dm.QADO;
    if (!OpenBoundQuery(q, QStringLiteral("Select MC from XZBB where JSID=? and XN=? order by MC"),
                        {teacherValue, yearValue}))
        return;
    QStringList names;
    for (int r = 0; r < q.rowCount(); ++r)
        names.append(q.value(r, 0).toString());
    CBJ->addItems(names);
    CBJ->setCurrentIndex(-1);
    CBJ->setEditText(QString());
}

void TFtbcjgl::LXHKeyDown()
{
    const QString xh = LXH->text();
    if (xh.isEmpty() || !QXZB->isOpen())
        return;
    if (QXZB->locate(u"XH", xh)) {
        focusBox(ESG);
        return;
    }
    ShowErrorMessage(QStringLiteral("当前记录中没有找到此学号!"));
    LXH->setFocus();
    LXH->selectAll();
}

bool TFtbcjgl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == LXH) {
                LXHKeyDown();
                return true;
            }
            if (watched == RXQ)
                return false;
            if (watched == ETBBZ || entryOf(watched)) {
                EntryKeyDown(static_cast<QLineEdit*>(watched));
                return true;
            }
        }
    } else if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // A dialog or another window taking the focus is not leaving the box.
        const bool windowChange =
            reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
        if (watched == RXQ) {
            if (!windowChange)
                RXQExit();
        } else if (const Entry* entry = entryOf(watched)) {
            // Leaving a box hands its valid value to the row, as a data-bound box does.
            commitEntry(*entry, false);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFtbcjgl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        RXQ->setFocus();
    }
}

bool TFtbcjgl::mayClose()
{
    if (!QXZB->isOpen())
        return true;
    if (!commitTypedEntries())
        return false; // the operator has seen why the typed value is refused
    return ConfirmLeavingChanges(
        *QXZB, [this] { return BOKClick(); }, [this] { BCanClick(); });
}

void TFtbcjgl::closeEvent(QCloseEvent* event)
{
    if (!mayClose()) {
        event->ignore();
        return;
    }
    QXZB->close();
    event->accept();
}

void registerScoreEntryWindow()
{
    TFmain::registerWindow(QStringLiteral("TFtbcjgl"),
                           [](TFDM& dm, TFmain&) -> QWidget* { return new TFtbcjgl(dm); });
}
