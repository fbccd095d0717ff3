#include "app/config.h"
#include "data/data_module.h"
#include "platform/settings_store.h"
#include "shell/dialog_interaction.h"
#include "shell/error_display.h"
#include "shell/messages.h"
#include "shell/orvane_application.h"

int main(int argc, char** argv)
{
    OrvaneApplication app(argc, argv);
    setProgramFolder(QCoreApplication::applicationDirPath());
    prepareWorkingFolders();
    SettingsStore::configureForProgramFolder(ProgramFolder());

    DialogInteraction dialogs;
    ScopedInteraction installed(dialogs);

    TFDM dm;
    try {
        if (!dm.create())
            return 1;
    } catch (...) {
        ErrorDisplay::showUnhandled(std::current_exception());
        return 1;
    }

    const AppSettings& s = appSettings();
    ShowInfoMessage(QStringLiteral("已连接数据库 %1 (%2)\r\n单位: %3\r\n登录窗口尚未完成, 程序到此结束。")
                        .arg(s.DatabaseName, s.DatabaseType, s.InstitutionName));
    return 0;
}
