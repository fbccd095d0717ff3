#include "interaction.h"

#include <cstdio>

namespace {
Interaction* g_installed = nullptr;

ConsoleInteraction& consoleInteraction()
{
    static ConsoleInteraction console;
    return console;
}

void printLine(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fprintf(stderr, "%s\n", bytes.constData());
    std::fflush(stderr);
}
} // namespace

Interaction::~Interaction() = default;

Interaction& Interaction::current()
{
    return g_installed ? *g_installed : consoleInteraction();
}

void Interaction::install(Interaction* interaction)
{
    g_installed = interaction;
}

ScopedInteraction::ScopedInteraction(Interaction& interaction) : m_previous(g_installed)
{
    g_installed = &interaction;
}

ScopedInteraction::~ScopedInteraction()
{
    g_installed = m_previous;
}

qint64 ConsoleInteraction::showMessage(const MessageRequest& request)
{
    QString text = request.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    printLine(text);
    if (!request.modal) {
        m_noticeOpen = true;
        return 1;
    }
    return 2;
}

void ConsoleInteraction::showSystemMessage(const QString& text, const QString& caption,
                                           SystemMessageIcon)
{
    printLine(caption + QLatin1String(": ") + text);
}

std::optional<QString> ConsoleInteraction::chooseFile(const FileRequest&)
{
    return std::nullopt;
}

std::optional<QString> ConsoleInteraction::inputText(const QString&, const QString&, const QString&)
{
    return std::nullopt;
}

int ConsoleInteraction::runDialog(QDialog&)
{
    return 0;
}

void ConsoleInteraction::showPrintPreview(const GridReport&, const QString& caption)
{
    printLine(caption + QLatin1String(": no preview without a display"));
}
