#pragma once

#include <QString>

// The message facility. Kinds: 0/4 error (red), 1/5 warning (navy), 2/6 information (teal),
// 3 help; 4 to 6 put the focus on the cancel-side button. Buttons: a bit mask (1 确定,
// 2 取消, 4 明白, 8 是的, 16 不是, 32 帮助).

// Shows the dialog. Modal: 1 for the OK button, 2 for cancel or closing. Not modal: the dialog
// stays open as a notice and the result is its handle. A modal request while a notice is open
// closes the notice first, so no message goes unseen.
qint64 ShowXDia(const QString& text, int kind, int buttons, int helpContext, bool modal);
// The same for 8-bit text in the Chinese code page (the exported entry point).
qint32 ShowXDiaFromGbk(const char* text, quint8 kind, quint8 buttons, qint32 helpContext,
                       quint8 modal);

int ShowErrorMessage(const QString& text);
// Empty text (after trimming) closes any open notice and gives 1.
qint64 ShowInfoMessage(const QString& text, bool modal = true);
bool AskYesNo(const QString& question, bool defaultNo = false);
