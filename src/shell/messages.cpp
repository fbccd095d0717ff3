#include "messages.h"

#include "platform/gbk_text.h"
#include "platform/interaction.h"

#include <cstring>

qint64 ShowXDia(const QString& text, int kind, int buttons, int helpContext, bool modal)
{
    Interaction& ui = Interaction::current();
    if (modal && ui.noticeOpen())
        ui.closeNotice();
    return ui.showMessage({text, kind, buttons, helpContext, modal});
}

qint32 ShowXDiaFromGbk(const char* text, quint8 kind, quint8 buttons, qint32 helpContext,
                       quint8 modal)
{
    const QString decoded =
        text ? fromGbk(QByteArrayView(text, qsizetype(std::strlen(text)))) : QString();
    return qint32(ShowXDia(decoded, kind, buttons, helpContext, modal != 0));
}

int ShowErrorMessage(const QString& text)
{
    return int(ShowXDia(text, 1, 4, 0, true));
}

qint64 ShowInfoMessage(const QString& text, bool modal)
{
    if (text.trimmed().isEmpty()) {
        Interaction::current().closeNotice();
        return 1;
    }
    if (modal)
        return ShowXDia(text, 2, 4, 0, true);
    return ShowXDia(text, 2, 0, 0, false);
}

bool AskYesNo(const QString& question, bool defaultNo)
{
    return ShowXDia(question, defaultNo ? 6 : 2, 8 + 16, 0, true) == 1;
}
