#include "app/config.h"
#include "app/connection_dialogs.h"
#include "app/startup.h"
#include "data/data_module.h"
#include "platform/settings_store.h"
#include "shell/dialog_interaction.h"
#include "shell/error_display.h"
#include "shell/main_window.h"
#include "shell/orvane_application.h"

#include <QScreen>

int main(int argc, char** argv)
{
    OrvaneApplication app(argc, argv);
    setProgramFolder(QCoreApplication::applicationDirPath());
    prepareWorkingFolders();
    SettingsStore::configureForProgramFolder(ProgramFolder());

    DialogInteraction dialogs;
    ScopedInteraction installed(dialogs);
    TFDM::setFirstRunDialog(&TFSDataCon::ask);

    TFDM dm;
    std::unique_ptr<TFmain> mainWindow;
    try {
        if (!dm.create())
            return 1;
        mainWindow = StartOrvane(dm);
    } catch (...) {
        ErrorDisplay::showUnhandled(std::current_exception());
        return 1;
    }
    if (!mainWindow)
        return 0;
    // Without a window manager "maximised" means nothing; start with the screen's size.
    if (const QScreen* screen = mainWindow->screen())
        mainWindow->setGeometry(screen->availableGeometry());
    mainWindow->showMaximized();
    const int code = app.exec();
    mainWindow.reset();
    return code;
}
