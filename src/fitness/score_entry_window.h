#pragma once

#include <QString>
#include <QWidget>

#include <vector>

class DataGrid;
class Dataset;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class TFDM;

// The fitness-test score window: a teacher queries the score rows of a school year, types the
// measured values of one student after another in the entry area (Enter scores the item and
// moves on), and 确认 writes the whole cache in one batch.
class TFtbcjgl : public QWidget
{
    Q_OBJECT

public:
    explicit TFtbcjgl(TFDM& dm, QWidget* parent = nullptr);
    ~TFtbcjgl() override;

    // One entry box bound to a value column of the current row.
    struct Entry
    {
        QLineEdit* box = nullptr;
        const char* field = nullptr;
        const char* code = nullptr;       // indicator code of the limits; nullptr: never scored
        double (*op)(Dataset&) = nullptr; // the item's engine operation
        const char* gradeField = nullptr; // to-be-tested marker; nullptr: always editable
        bool timed = false;               // minutes.seconds
    };

    bool isEditing() const { return m_editing; }
    // Exchange-file title text of the current year, class and operator.
    QString exchangeTitle() const;

    // Components, by their established names.
    QWidget* RzToolbar2 = nullptr;
    QPushButton* BQuery = nullptr;       // 查询
    QPushButton* BTMod0 = nullptr;       // 修改
    QPushButton* SpeedButton1 = nullptr; // 删除
    QPushButton* BOK = nullptr;          // 确认
    QPushButton* BCan = nullptr;         // 取消
    QPushButton* SpeedButton5 = nullptr; // 分组
    QPushButton* SpeedButton9 = nullptr; // 过滤
    QPushButton* BPrint = nullptr;       // 打印
    QPushButton* SpeedButton6 = nullptr; // 导出Excel表
    QPushButton* SpeedButton7 = nullptr; // 显示字段
    QPushButton* BImport = nullptr;      // 导入
    QPushButton* BExport = nullptr;      // 导出
    QPushButton* BGet = nullptr;         // 从测试仪获取成绩 (hidden)
    QPushButton* SpeedButton8 = nullptr; // 退出

    QWidget* RzPanel1 = nullptr;
    QLineEdit* RXQ = nullptr;
    QComboBox* CBJ = nullptr;
    QLineEdit* LXH = nullptr;

    QGroupBox* RzDBRadioGroup1 = nullptr;
    QLineEdit* EXH = nullptr;
    QLineEdit* EXM = nullptr;
    QLineEdit* EXB = nullptr;
    QComboBox* DBMS = nullptr;
    QLineEdit* EZF = nullptr;
    QLineEdit* EPJ = nullptr;

    QGroupBox* RR = nullptr;
    QLineEdit* ESG = nullptr;
    QLineEdit* ETZ = nullptr;
    QLineEdit* EFHL = nullptr;
    QLineEdit* EQQ = nullptr;
    QLineEdit* EYT = nullptr;
    QLineEdit* EYW = nullptr;
    QLineEdit* ETY = nullptr;
    QLineEdit* EWS = nullptr;
    QLineEdit* EQM = nullptr;
    QLineEdit* EBB = nullptr;
    QLineEdit* EWL = nullptr;
    QLineEdit* ETJ = nullptr;
    QLineEdit* ETS = nullptr;
    QLineEdit* ELQ = nullptr;
    QLineEdit* EZQ = nullptr;
    QLineEdit* EPQ = nullptr;
    QLineEdit* ESX = nullptr;
    QLineEdit* EZY = nullptr;
    QLineEdit* EYY = nullptr;
    QLineEdit* ETBZF = nullptr;
    QLineEdit* ETBBZ = nullptr;
    QLineEdit* EJF = nullptr; // hidden
    QLabel* Note = nullptr;

    QSplitter* Splitter = nullptr;
    DataGrid* DBG = nullptr;
    Dataset* QXZB = nullptr;

    void BQueryClick();
    void BTMod0Click();
    void SpeedButton1Click();
    bool BOKClick();
    void BCanClick();
    void SpeedButton5Click();
    void SpeedButton4Click();
    void BPrintClick();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void BImportClick();
    void BExportClick();
    void SpeedButton8Click();

    void RXQExit();
    void LXHKeyDown();
    void QXZBAfterScroll();
    // Enter in an entry box (or in 体标比重).
    void EntryKeyDown(QLineEdit* box);

    // Whether the window may close or requery: unsaved changes are saved, dropped, or kept.
    bool mayClose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildToolbar();
    void buildQueryPanel();
    QWidget* buildInfoGroup();
    QWidget* buildEntryArea();
    void buildGrid();

    const Entry* entryOf(const QObject* box) const;
    QLineEdit* nextBox(const Entry& entry) const;
    void focusBox(QLineEdit* box);
    // Writes a typed value into its column (firing its change hook); false when the text is
    // not a valid value, with the message when asked for.
    bool commitEntry(const Entry& entry, bool tell);
    bool commitTypedEntries();
    void refreshBoxes(bool force);
    void applyItemEditability();
    void lockEntryArea();
    void unlockEntryArea();
    void setEditingFlag(bool on);

    TFDM& m_dm;
    std::vector<Entry> m_entries;
    std::vector<std::pair<QLineEdit*, const char*>> m_displays; // read-only boxes and their columns
    bool m_editing = false;
    bool m_shown = false;
};

void registerScoreEntryWindow();
