#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>

// The geometry of the message dialog, computed without widgets so it can be checked exactly.

inline constexpr int kMessageBaseWidth = 295;
inline constexpr int kMessageBaseHeight = 165;
inline constexpr int kMessageTitleHeight = 29;
inline constexpr int kMessageBottomHeight = 45;
inline constexpr int kMessageButtonWidth = 85;
inline constexpr int kMessageButtonHeight = 29;
inline constexpr int kMessageLineBytes = 68;
inline constexpr int kMessageTextLeft = 43;

struct MessageButtons
{
    bool okVisible = false;
    bool cancelVisible = false;
    bool helpVisible = false;
    QString okCaption = QStringLiteral("确定(&Y)");
    QString cancelCaption = QStringLiteral("取消(&C)");
    QString helpCaption = QStringLiteral("帮助(&H)");
};

enum class MessageFocus { None, Ok, Cancel, Help };

// The button set's bits, later bits overriding the captions of earlier ones.
MessageButtons messageButtons(int buttonSet);
QString messageTitle(int kind, const QString& applicationTitle);
QColor messageTitleColor(int kind);
QColor invertedColor(const QColor& color);

// Splits the text at line breaks, takes a first line beginning with "&" out as the title
// (without the "&"), and cuts every line longer than 68 bytes of the Chinese code page without
// splitting a character.
QStringList splitMessageText(const QString& text, QString* titleLine);

struct MessageMetrics
{
    std::function<int(const QString&)> titleWidth; // in the title font
    std::function<int(const QString&)> textWidth;  // in the text font
    int textHeight = 0;                            // of "高" in the text font
    int screenHeight = 0;
};

struct MessageLayout
{
    QString title;
    QColor titleColor;
    QStringList lines;
    int width = kMessageBaseWidth;
    int height = kMessageBaseHeight;
    int lineHeight = 0;
    MessageButtons buttons;
    int okLeft = 0;
    int cancelLeft = 0;
    int helpLeft = 0;
    MessageFocus focus = MessageFocus::None;

    int lineY(int line) const { return line * lineHeight + lineHeight / 2; }
};

MessageLayout computeMessageLayout(const QString& text, int kind, int buttonSet,
                                   const QString& applicationTitle, const MessageMetrics& metrics);
