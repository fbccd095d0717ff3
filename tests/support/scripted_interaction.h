#pragma once

#include "platform/interaction.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>

struct RecordedMessage
{
    int kind = 0;
    int buttons = 0;
    QString text;
    bool modal = true;
    int helpContext = 0;
};

struct RecordedSystemMessage
{
    QString text;
    QString caption;
    SystemMessageIcon icon = SystemMessageIcon::Information;
};

// The tests' facade: records every message (kind, buttons, exact text) and answers from a
// script. A modal message with only an OK-side button is answered 1 when nothing is scripted;
// a question nobody scripted is answered 2 and counted in unansweredQuestions.
class ScriptedInteraction : public Interaction
{
public:
    void answerNext(int result) { m_answers.enqueue(result); }
    void answerYes() { answerNext(1); }
    void answerNo() { answerNext(2); }
    void chooseNextFile(const std::optional<QString>& path) { m_files.enqueue(path); }
    void inputNext(const std::optional<QString>& text) { m_inputs.enqueue(text); }
    // Called for each dialog run; without a handler the dialog is answered 0 (rejected).
    void onDialog(std::function<int(QDialog&)> handler) { m_dialogHandler = std::move(handler); }

    qint64 showMessage(const MessageRequest& request) override;
    bool noticeOpen() const override { return m_noticeOpen; }
    void closeNotice() override;
    void showSystemMessage(const QString& text, const QString& caption,
                           SystemMessageIcon icon) override;
    std::optional<QString> chooseFile(const FileRequest& request) override;
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& initial) override;
    int runDialog(QDialog& dialog) override;
    // Renders the report to a PDF in previewFolder (the temp folder by default) and records it.
    void showPrintPreview(const GridReport& report, const QString& caption) override;

    QStringList messageTexts() const;
    void clear();

    QList<RecordedMessage> messages;
    QList<RecordedSystemMessage> systemMessages;
    QList<FileRequest> fileRequests;
    QStringList events; // "message:<kind>:<text>", "notice:<text>", "close-notice"
    QString noticeText;
    QString previewFolder;
    QStringList previews; // PDF files written, one per preview
    QStringList previewCaptions;
    // Runs while a preview is "open" (to try things a modal preview would allow or block).
    std::function<void()> duringPreview;
    int unansweredQuestions = 0;

private:
    QQueue<int> m_answers;
    QQueue<std::optional<QString>> m_files;
    QQueue<std::optional<QString>> m_inputs;
    std::function<int(QDialog&)> m_dialogHandler;
    bool m_noticeOpen = false;
};
