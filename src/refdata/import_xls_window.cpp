#include "import_xls_window.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QListWidget* listIn(QWidget* parent, QHBoxLayout* row, const QString& caption, const char* name,
                    QWidget* extra = nullptr)
{
    auto* box = new QGroupBox(caption, parent);
    auto* layout = new QVBoxLayout(box);
    if (extra)
        layout->addWidget(extra);
    auto* list = new QListWidget(box);
    list->setObjectName(QLatin1String(name));
    layout->addWidget(list);
    row->addWidget(box);
    return list;
}
} // namespace

TFImportXls::TFImportXls(const QStringList& targetFields, const QStringList& sourceColumns,
                         QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FImportXls"));
    setWindowTitle(QStringLiteral("数据转换器"));
    resize(493, 370);
    auto* layout = new QVBoxLayout(this);
    auto* toolbar = new QHBoxLayout;
    BOk = new QPushButton(QStringLiteral("确认"), this);
    BOk->setObjectName(QStringLiteral("BOk"));
    BExit = new QPushButton(QStringLiteral("退出"), this);
    BExit->setObjectName(QStringLiteral("BExit"));
    toolbar->addWidget(BOk);
    toolbar->addWidget(BExit);
    toolbar->addStretch();
    layout->addLayout(toolbar);

    auto* row = new QHBoxLayout;
    layout->addLayout(row, 1);
    DStr = listIn(this, row, QStringLiteral("目的数据库"), "DStr");
    auto* pairButtons = new QWidget(this);
    auto* pairLayout = new QHBoxLayout(pairButtons);
    pairLayout->setContentsMargins(0, 0, 0, 0);
    BAdd = new QPushButton(QStringLiteral("加入"), pairButtons);
    BAdd->setObjectName(QStringLiteral("BAdd"));
    BDel = new QPushButton(QStringLiteral("删除"), pairButtons);
    BDel->setObjectName(QStringLiteral("BDel"));
    pairLayout->addWidget(BAdd);
    pairLayout->addWidget(BDel);
    DCon = listIn(this, row, QStringLiteral("连接"), "DCon", pairButtons);
    SStr = listIn(this, row, QStringLiteral("源数据库"), "SStr");

    DStr->addItems(targetFields);
    SStr->addItems(sourceColumns);

    connect(BAdd, &QPushButton::clicked, this, &TFImportXls::BAddClick);
    connect(BDel, &QPushButton::clicked, this, &TFImportXls::BDelClick);
    connect(BOk, &QPushButton::clicked, this, [this] {
        m_mapping.clear();
        for (int i = 0; i < DCon->count(); ++i)
            m_mapping.append(DCon->item(i)->text());
        m_confirmed = true;
        accept();
    });
    connect(BExit, &QPushButton::clicked, this, [this] {
        m_confirmed = false;
        reject();
    });
}

void TFImportXls::BAddClick()
{
    QListWidgetItem* target = DStr->currentItem();
    QListWidgetItem* source = SStr->currentItem();
    if (!target || !source || !target->isSelected() || !source->isSelected())
        return;
    DCon->addItem(target->text() + QStringLiteral("<-->") + source->text());
    delete DStr->takeItem(DStr->row(target));
    delete SStr->takeItem(SStr->row(source));
}

void TFImportXls::BDelClick()
{
    QListWidgetItem* pair = DCon->currentItem();
    if (!pair || !pair->isSelected())
        return;
    const QString text = pair->text();
    DStr->addItem(text.left(text.indexOf(u'<')));
    SStr->addItem(text.mid(text.indexOf(u'>') + 1));
    delete DCon->takeItem(DCon->row(pair));
}
