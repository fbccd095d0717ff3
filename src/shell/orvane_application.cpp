#include "orvane_application.h"

#include "app/config.h"
#include "shell/error_display.h"

OrvaneApplication::OrvaneApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QLatin1String(kApplicationTitle));
    setApplicationDisplayName(QLatin1String(kApplicationTitle));
    setApplicationVersion(QStringLiteral(ORVANE_VERSION));
}

bool OrvaneApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ErrorDisplay::showUnhandled(std::current_exception());
        return false;
    }
}
