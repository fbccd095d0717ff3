#pragma once

#include <QString>

#include <optional>

class GridReport;
class QDialog;

// A request for the message dialog: kind and button set as the message facility defines them.
struct MessageRequest
{
    QString text;
    int kind = 0;
    int buttons = 0;
    int helpContext = 0;
    bool modal = true;
};

enum class SystemMessageIcon { Information, Warning, Error };

struct FileRequest
{
    bool save = false;
    QString title;
    QString folder;
    QString fileName;
    QString filter;
    QString defaultExtension;
};

// Every modal interaction of the program goes through one replaceable facade: the program
// installs the real dialogs, tests install a scripted one. Nothing else calls exec().
class Interaction
{
public:
    virtual ~Interaction();

    // The message dialog. Modal: its result (1 for the OK button, 2 for cancel or closing).
    // Not modal: a handle of the notice, which stays open until closeNotice().
    virtual qint64 showMessage(const MessageRequest& request) = 0;
    virtual bool noticeOpen() const = 0;
    virtual void closeNotice() = 0;

    // The platform's own message box (used before the message dialog can be trusted, and as
    // the standard display of unhandled errors).
    virtual void showSystemMessage(const QString& text, const QString& caption,
                                   SystemMessageIcon icon) = 0;

    // A file dialog; nullopt when the operator cancels.
    virtual std::optional<QString> chooseFile(const FileRequest& request) = 0;

    // A one-line input box; nullopt when the operator cancels.
    virtual std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                             const QString& initial) = 0;

    // Runs a modal dialog and returns its result code.
    virtual int runDialog(QDialog& dialog) = 0;

    // The print preview of a report (modal); the operator prints or saves a PDF from it.
    virtual void showPrintPreview(const GridReport& report, const QString& caption) = 0;

    // The installed facade; a console one (messages on stderr, every question answered No,
    // every choice cancelled) until the program or a test installs its own.
    static Interaction& current();
    // Installs a facade (not owned); nullptr puts the console one back.
    static void install(Interaction* interaction);
};

// Installs a facade for the lifetime of the guard and puts the previous one back.
class ScopedInteraction
{
public:
    explicit ScopedInteraction(Interaction& interaction);
    ~ScopedInteraction();
    ScopedInteraction(const ScopedInteraction&) = delete;
    ScopedInteraction& operator=(const ScopedInteraction&) = delete;

private:
    Interaction* m_previous;
};

// The facade for command-line tools: messages go to stderr, questions are answered No.
class ConsoleInteraction : public Interaction
{
public:
    qint64 showMessage(const MessageRequest& request) override;
    bool noticeOpen() const override { return m_noticeOpen; }
    void closeNotice() override { m_noticeOpen = false; }
    void showSystemMessage(const QString& text, const QString& caption,
                           SystemMessageIcon icon) override;
    std::optional<QString> chooseFile(const FileRequest& request) override;
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& initial) override;
    int runDialog(QDialog& dialog) override;
    void showPrintPreview(const GridReport& report, const QString& caption) override;

private:
    bool m_noticeOpen = false;
};
