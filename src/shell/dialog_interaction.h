#pragma once

#include "platform/interaction.h"

#include <memory>

class TFXDias;

// The program's facade: the real message dialog, message boxes and file dialogs.
class DialogInteraction : public Interaction
{
public:
    DialogInteraction();
    ~DialogInteraction() override;

    qint64 showMessage(const MessageRequest& request) override;
    bool noticeOpen() const override;
    void closeNotice() override;
    void showSystemMessage(const QString& text, const QString& caption,
                           SystemMessageIcon icon) override;
    std::optional<QString> chooseFile(const FileRequest& request) override;
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& initial) override;
    int runDialog(QDialog& dialog) override;
    void showPrintPreview(const GridReport& report, const QString& caption) override;

private:
    std::unique_ptr<TFXDias> m_notice;
};
