#include "startup.h"

#include "app/connection_dialogs.h"
#include "app/login.h"
#include "data/data_module.h"
#include "fitness/score_entry_window.h"
#include "fitness/standard_windows.h"
#include "platform/interaction.h"
#include "refdata/std_grid_window.h"
#include "shell/about_window.h"
#include "shell/backup.h"
#include "shell/main_window.h"

#include <QMdiSubWindow>

namespace {
// A child window that asks to close takes its frame with it.
template <typename W>
W* closingWithFrame(W* window)
{
    QObject::connect(window, &W::closeRequested, window, [window] {
        if (QWidget* frame = window->parentWidget())
            frame->close();
        else
            window->close();
    });
    return window;
}
} // namespace

void registerStandardWindows()
{
    TFmain::registerWindow(
        QStringLiteral("TFSetCon"),
        [](TFDM&, TFmain&) -> QWidget* { return closingWithFrame(new TFSetCon); }, true);
    TFmain::registerWindow(
        QStringLiteral("TFBR"),
        [](TFDM& dm, TFmain&) -> QWidget* { return closingWithFrame(new TFBR(dm)); }, true);
    registerDictionaryWindows();
    registerScoreEntryWindow();
    registerStandardTableWindows();
}

std::unique_ptr<TFmain> StartOrvane(TFDM& dm)
{
    {
        TFabout about;
        Interaction::current().runDialog(about);
    }
    bool accepted = false;
    {
        TFWstart login(dm);
        Interaction::current().runDialog(login);
        accepted = login.LoginAccepted();
    }
    if (!accepted)
        return nullptr;
    registerStandardWindows();
    return std::make_unique<TFmain>(dm);
}
