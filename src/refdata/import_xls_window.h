#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

// The converter window of the Excel import: the operator pairs the table's fields (left) with
// the sheet's columns (right); the pairs in the middle become the field mapping.
class TFImportXls : public QDialog
{
    Q_OBJECT

public:
    TFImportXls(const QStringList& targetFields, const QStringList& sourceColumns,
                QWidget* parent = nullptr);

    QListWidget* DStr = nullptr; // target field names
    QListWidget* DCon = nullptr; // pairs "target<-->source"
    QListWidget* SStr = nullptr; // source column names
    QPushButton* BOk = nullptr;
    QPushButton* BExit = nullptr;
    QPushButton* BAdd = nullptr;
    QPushButton* BDel = nullptr;

    // The pairs after 确认 (empty after 退出).
    QStringList mapping() const { return m_mapping; }
    bool confirmed() const { return m_confirmed; }

    void BAddClick();
    void BDelClick();

private:
    QStringList m_mapping;
    bool m_confirmed = false;
};
