#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QTimer;
class TFDM;

// The main window: a maximised frame whose menu opens every other window as a child inside it.
class TFmain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFmain(TFDM& dm, QWidget* parent = nullptr);
    ~TFmain() override;

    // Makes a window for a slot key; registered by the subsystems that own the windows.
    using WindowFactory = std::function<QWidget*(TFDM&, TFmain&)>;
    static void registerWindow(const QString& key, WindowFactory factory, bool createdOnce = false);

    // Opens the window of a slot: brings an open one to the front, else creates it as a child
    // window, maximised unless it is created once (a small fixed window).
    QWidget* OpenChildWindow(const QString& key);
    QWidget* openWindow(const QString& key) const; // the window in the slot, or nullptr
    QAction* menuAction(const QString& name) const;
    QMdiArea* mdiArea() const { return m_mdi; }

    // Runs a menu command by the item's name (as a click would).
    void trigger(const QString& name);

    QLabel* SOper = nullptr;
    QLabel* Clock = nullptr;
    QLabel* Version = nullptr;
    QLabel* RSDType = nullptr;
    QLabel* RC = nullptr;
    QTimer* BlinkTimer = nullptr;
    QTimer* BackgroundTimer = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void buildStatusBar();
    void runCommand(const QString& opens);
    void nextBackground();
    void paintBackground();
    void openHelp();

    TFDM& m_dm;
    QMdiArea* m_mdi = nullptr;
    QHash<QString, QAction*> m_actions;
    QHash<QString, QPointer<QMdiSubWindow>> m_slots;
    QStringList m_pictures;
    int m_picture = -1;
    bool m_rightsApplied = false;
};

// The help page shipped with the program.
QString HelpPagePath();
