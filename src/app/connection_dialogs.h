#pragma once

#include "data/data_module.h"

#include <QDialog>
#include <QWidget>

class QLineEdit;
class QPushButton;

// The three boxes of a server login and the rules of 测试 and 确认, shared by both windows.
class ConnectionForm : public QWidget
{
    Q_OBJECT

public:
    explicit ConnectionForm(QWidget* parent = nullptr);

    QLineEdit* SN = nullptr;
    QLineEdit* DU = nullptr;
    QLineEdit* DP = nullptr;

    ServerLogin login() const; // the trimmed texts
    // Checks the boxes and tries the login on a connection of its own; true when it works.
    bool test();
    // Stores the login, scrambled; false (after the message) when no test has succeeded.
    bool confirm(bool& tested);
};

// The first-run dialog: asks for the server login and tests it before the start goes on.
class TFSDataCon : public QDialog
{
    Q_OBJECT

public:
    explicit TFSDataCon(QWidget* parent = nullptr);

    ConnectionForm* form = nullptr;
    QPushButton* BTest = nullptr;
    QPushButton* BOk = nullptr;
    QPushButton* BCan = nullptr;

    ServerLogin login() const { return form->login(); }
    // The tested flag lives for the whole run.
    static bool& tested();

    // Shows the dialog through the interaction facade; the tested login, or nullopt.
    static std::optional<ServerLogin> ask();
};

// The settings window of the server login, a child window of the main window.
class TFSetCon : public QWidget
{
    Q_OBJECT

public:
    explicit TFSetCon(QWidget* parent = nullptr);

    ConnectionForm* form = nullptr;
    QPushButton* BTest = nullptr;
    QPushButton* BOk = nullptr;

Q_SIGNALS:
    void closeRequested();

private:
    bool m_tested = false;
};
