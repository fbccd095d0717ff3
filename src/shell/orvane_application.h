#pragma once

#include <QApplication>

// The application object: errors that escape an event handler are shown, not fatal.
class OrvaneApplication : public QApplication
{
    Q_OBJECT

public:
    OrvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
    static QIcon applicationIcon();
};
