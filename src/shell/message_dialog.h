#pragma once

#include "platform/interaction.h"
#include "shell/message_layout.h"

#include <QDialog>
#include <QPoint>

class QLabel;
class QPushButton;
class QTimer;

// The system's own message dialog: a borderless, always-on-top box with a coloured title bar
// naming the kind of message, the text drawn below it and up to three buttons.
class TFXDias : public QDialog
{
    Q_OBJECT

public:
    explicit TFXDias(QWidget* parent = nullptr);

    // Stores the request and lays out title, text and buttons.
    void setMessage(const MessageRequest& request);
    const MessageLayout& messageLayout() const { return m_layout; }
    const MessageRequest& request() const { return m_request; }

    QColor titleColor() const;
    bool titleShowsKindColor() const;
    // Puts the title back to the kind's colour, or inverts it when it shows that colour.
    void restoreTitleColor();
    void invertTitleColor();

    QLabel* PANT = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* BTHelp = nullptr;
    QPushButton* BTOK = nullptr;
    QPushButton* BTCancel = nullptr;
    QTimer* Timer1 = nullptr;

public Q_SLOTS:
    void reject() override;
    void Timer1Timer();

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setTitleColor(const QColor& color);
    void drawText();
    void BTHelpClick();

    MessageRequest m_request;
    MessageLayout m_layout;
    QWidget* m_bottom = nullptr;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

// The fonts of the dialog: 宋体 14 px for the text, 黑体 16 px for the title, with
// free fallbacks that have Chinese glyphs.
QFont messageTextFont();
QFont messageTitleFont();
