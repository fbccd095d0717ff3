#include "dialog_interaction.h"

#include "platform/grid_report.h"
#include "shell/message_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>

DialogInteraction::DialogInteraction() = default;
DialogInteraction::~DialogInteraction() = default;

qint64 DialogInteraction::showMessage(const MessageRequest& request)
{
    if (request.modal) {
        TFXDias dialog;
        dialog.setMessage(request);
        return dialog.exec();
    }
    if (!m_notice)
        m_notice = std::make_unique<TFXDias>();
    m_notice->setMessage(request);
    if (m_notice->isHidden())
        m_notice->show();
    m_notice->repaint();
    return qint64(m_notice->winId());
}

bool DialogInteraction::noticeOpen() const
{
    return m_notice && m_notice->isVisible();
}

void DialogInteraction::closeNotice()
{
    m_notice.reset();
}

void DialogInteraction::showSystemMessage(const QString& text, const QString& caption,
                                          SystemMessageIcon icon)
{
    const QMessageBox::Icon boxIcon = icon == SystemMessageIcon::Error ? QMessageBox::Critical
                                      : icon == SystemMessageIcon::Warning
                                          ? QMessageBox::Warning
                                          : QMessageBox::Information;
    QMessageBox box(boxIcon, caption, text, QMessageBox::Ok);
    box.exec();
}

namespace {
// "description|pattern|description|pattern" as the system writes filters, in Qt's form.
QString qtFilter(const QString& filter)
{
    if (!filter.contains(u'|'))
        return filter;
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries.append(parts[i] + QStringLiteral(" (") + parts[i + 1] + u')');
    return entries.join(QStringLiteral(";;"));
}
} // namespace

std::optional<QString> DialogInteraction::chooseFile(const FileRequest& request)
{
    QFileDialog dialog(nullptr, request.title, request.folder, qtFilter(request.filter));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> DialogInteraction::inputText(const QString& caption, const QString& prompt,
                                                    const QString& initial)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(nullptr, caption, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

int DialogInteraction::runDialog(QDialog& dialog)
{
    return dialog.exec();
}

void DialogInteraction::showPrintPreview(const GridReport& report, const QString& caption)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer);
    preview.setWindowTitle(caption);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&report](QPrinter* p) { report.paint(*p); });
    // Every preview can also be kept as a PDF.
    if (auto* bar = preview.findChild<QToolBar*>()) {
        bar->addSeparator();
        QAction* save = bar->addAction(QStringLiteral("保存PDF..."));
        QObject::connect(save, &QAction::triggered, &preview, [this, &report, &preview] {
            FileRequest request;
            request.save = true;
            request.title = QStringLiteral("保存PDF");
            request.filter = QStringLiteral("PDF文件 (*.pdf)");
            request.defaultExtension = QStringLiteral("pdf");
            if (const std::optional<QString> path = chooseFile(request)) {
                if (!report.writePdf(*path))
                    QMessageBox::warning(&preview, preview.windowTitle(),
                                         QStringLiteral("无法写入文件 %1").arg(*path));
            }
        });
    }
    preview.resize(900, 700);
    preview.exec();
}
