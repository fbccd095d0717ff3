#include "scripted_interaction.h"

#include "platform/grid_report.h"
#include "shell/message_layout.h"

#include <QDir>
#include <QUuid>

qint64 ScriptedInteraction::showMessage(const MessageRequest& request)
{
    messages.append(
        {request.kind, request.buttons, request.text, request.modal, request.helpContext});
    if (!request.modal) {
        m_noticeOpen = true;
        noticeText = request.text;
        events.append(QStringLiteral("notice:") + request.text);
        return 4242;
    }
    events.append(QStringLiteral("message:%1:").arg(request.kind) + request.text);
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    if (messageButtons(request.buttons).cancelVisible) {
        ++unansweredQuestions;
        return 2;
    }
    return 1;
}

void ScriptedInteraction::closeNotice()
{
    if (m_noticeOpen)
        events.append(QStringLiteral("close-notice"));
    m_noticeOpen = false;
    noticeText.clear();
}

void ScriptedInteraction::showSystemMessage(const QString& text, const QString& caption,
                                            SystemMessageIcon icon)
{
    systemMessages.append({text, caption, icon});
    events.append(QStringLiteral("system:") + text);
}

std::optional<QString> ScriptedInteraction::chooseFile(const FileRequest& request)
{
    fileRequests.append(request);
    return m_files.isEmpty() ? std::nullopt : m_files.dequeue();
}

std::optional<QString> ScriptedInteraction::inputText(const QString&, const QString&,
                                                      const QString&)
{
    return m_inputs.isEmpty() ? std::nullopt : m_inputs.dequeue();
}

int ScriptedInteraction::runDialog(QDialog& dialog)
{
    return m_dialogHandler ? m_dialogHandler(dialog) : 0;
}

QStringList ScriptedInteraction::messageTexts() const
{
    QStringList texts;
    for (const RecordedMessage& m : messages)
        texts.append(m.text);
    return texts;
}

void ScriptedInteraction::clear()
{
    messages.clear();
    systemMessages.clear();
    fileRequests.clear();
    events.clear();
    unansweredQuestions = 0;
}

void ScriptedInteraction::showPrintPreview(const GridReport& report, const QString& caption)
{
    const QString folder = previewFolder.isEmpty() ? QDir::tempPath() : previewFolder;
    const QString path =
        QDir(folder).filePath(QStringLiteral("preview-") +
                              QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".pdf"));
    report.writePdf(path);
    previews.append(path);
    previewCaptions.append(caption);
    events.append(QStringLiteral("preview:") + caption);
    if (duringPreview)
        duringPreview();
}
