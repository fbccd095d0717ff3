#include "app/config.h"
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

    try {
        if (!ReadConfig())
            return 1;
    } catch (...) {
        ErrorDisplay::showUnhandled(std::current_exception());
        return 1;
    }

    const AppSettings& s = appSettings();
    ShowInfoMessage(QStringLiteral("已读取配置:\r\n单位: %1 (%2)\r\n数据库: %3 (%4)\r\n"
                                   "数据模块尚未完成, 程序到此结束。")
                        .arg(s.InstitutionName)
                        .arg(s.UnitCode)
                        .arg(s.DatabaseName, s.DatabaseType));
    return 0;
}
