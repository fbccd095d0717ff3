#pragma once

#include "platform/grid_column.h"

#include <QVariant>
#include <QWidget>

class DataGrid;
class Dataset;
class QPushButton;
class TFDM;

// The standard grid window: a two-row toolbar over a grid showing one table, batch-edited in
// the window's cache and written by 确认 or dropped by 取消. Each member states its table, key,
// first key, title text and columns, and overrides what it does differently.
class TFStdGrid : public QWidget
{
    Q_OBJECT

public:
    struct Params
    {
        QString objectName; // the window class, e.g. "TFMz"
        QString caption;    // window caption
        QString sql;        // "Select * from <table> order by <key>"
        QString keyField;
        QVariant firstKey; // used when the table is empty
        QString title;     // print title line, Excel and exchange file names
        QList<GridColumn> columns;
        QString exchangeTitle;    // exchange file names, when they differ from title
        QStringList copyFromLast; // fields a new row takes from the last row
    };

    TFStdGrid(TFDM& dm, const Params& params, QWidget* parent = nullptr);
    ~TFStdGrid() override;

    const Params& params() const { return m_params; }
    bool isEditing() const { return m_editing; }

    // Components, by their established names.
    QWidget* RzToolbar1 = nullptr;
    QPushButton* BTAdd0 = nullptr;        // 增加
    QPushButton* BTMod0 = nullptr;        // 修改
    QPushButton* SpeedButton1 = nullptr;  // 删除
    QPushButton* BOK = nullptr;           // 确认
    QPushButton* BCan = nullptr;          // 取消
    QPushButton* SpeedButton2 = nullptr;  // 分组
    QPushButton* SpeedButton4 = nullptr;  // 过滤
    QPushButton* BPrint = nullptr;        // 打印
    QPushButton* SpeedButton6 = nullptr;  // 导出Excel表
    QPushButton* SpeedButton7 = nullptr;  // 显示字段
    QPushButton* RzToolButton1 = nullptr; // 导入
    QPushButton* RzToolButton2 = nullptr; // 导出
    QPushButton* SpeedButton8 = nullptr;  // 退出
    DataGrid* DBG = nullptr;
    Dataset* QP = nullptr;

    void BTAdd0Click();
    void BTMod0Click();
    void SpeedButton1Click();
    bool BOKClick();
    void BCanClick();
    void SpeedButton2Click();
    void SpeedButton4Click();
    void BPrintClick();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void RzToolButton1Click();
    void RzToolButton2Click();
    void SpeedButton8Click();

    // Whether the window may close: with unsaved changes the operator saves, discards or stays.
    bool mayClose();

Q_SIGNALS:
    void closeRequested();

protected:
    // The key of a new row; by default NextKeyValue of the key field from the first key.
    virtual QVariant nextKey();
    void closeEvent(QCloseEvent* event) override;
    void setEditing(bool on);
    TFDM& dm() { return m_dm; }

private:
    void updateToolbar();
    QString exchangeTitle() const;

    TFDM& m_dm;
    Params m_params;
    bool m_editing = false;
};

// The five small dictionaries.
TFStdGrid* makeNationWindow(TFDM& dm);       // TFMz
TFStdGrid* makeGradeWindow(TFDM& dm);        // TFNJ
TFStdGrid* makeIndicatorWindow(TFDM& dm);    // TFSetZBLB
TFStdGrid* makeDiagnosisWindow(TFDM& dm);    // TFZD
TFStdGrid* makePrescriptionWindow(TFDM& dm); // TFCF
void registerDictionaryWindows();
