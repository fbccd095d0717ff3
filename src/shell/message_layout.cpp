#include "message_layout.h"

#include "platform/gbk_text.h"

#include <QRegularExpression>

MessageButtons messageButtons(int buttonSet)
{
    MessageButtons b;
    if (buttonSet & 1) {
        b.okVisible = true;
        b.okCaption = QStringLiteral("确定(&Y)");
    }
    if (buttonSet & 2) {
        b.cancelVisible = true;
        b.cancelCaption = QStringLiteral("取消(&C)");
    }
    if (buttonSet & 4) {
        b.okVisible = true;
        b.okCaption = QStringLiteral("明白(&Y)");
    }
    if (buttonSet & 8) {
        b.okVisible = true;
        b.okCaption = QStringLiteral("是的(&Y)");
    }
    if (buttonSet & 16) {
        b.cancelVisible = true;
        b.cancelCaption = QStringLiteral("不是(&C)");
    }
    if (buttonSet & 32)
        b.helpVisible = true;
    return b;
}

QString messageTitle(int kind, const QString& applicationTitle)
{
    const QString tail = u'[' + applicationTitle + u']';
    switch (kind) {
    case 2:
    case 6:
        return QStringLiteral("提示") + tail;
    case 1:
    case 5:
        return QStringLiteral("警告") + tail;
    case 3:
        return QStringLiteral("帮助") + tail;
    default:
        return QStringLiteral("错误") + tail;
    }
}

QColor messageTitleColor(int kind)
{
    switch (kind) {
    case 2:
    case 6:
    case 3:
        return QColor(0, 128, 128);
    case 1:
    case 5:
        return QColor(0, 0, 128);
    default:
        return QColor(255, 0, 0);
    }
}

QColor invertedColor(const QColor& color)
{
    return QColor(255 - color.red(), 255 - color.green(), 255 - color.blue());
}

namespace {
// Lines as a string list takes them: CR, LF or CR LF end a line; a final break adds none.
QStringList splitLines(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(breaks);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Length in characters of the longest head of the line that fits in the byte limit.
qsizetype fittingHead(const QString& line, int maxBytes)
{
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < line.size()) {
        const qsizetype step = line[i].isHighSurrogate() && i + 1 < line.size() ? 2 : 1;
        const qsizetype charBytes = gbkLength(QStringView(line).sliced(i, step));
        if (bytes + charBytes > maxBytes)
            break;
        bytes += charBytes;
        i += step;
    }
    return i;
}
} // namespace

QStringList splitMessageText(const QString& text, QString* titleLine)
{
    QStringList lines = splitLines(text);
    if (!lines.isEmpty() && lines.first().startsWith(u'&')) {
        if (titleLine)
            *titleLine = lines.first().mid(1);
        lines.removeFirst();
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (gbkLength(lines[i]) <= kMessageLineBytes)
            continue;
        qsizetype head = fittingHead(lines[i], kMessageLineBytes);
        if (head == 0)
            head = 1; // a single character wider than the limit still moves on
        lines.insert(i + 1, lines[i].mid(head));
        lines[i].truncate(head);
    }
    return lines;
}

MessageLayout computeMessageLayout(const QString& text, int kind, int buttonSet,
                                   const QString& applicationTitle, const MessageMetrics& metrics)
{
    MessageLayout layout;
    layout.title = messageTitle(kind, applicationTitle);
    layout.titleColor = messageTitleColor(kind);
    layout.width = qMax(layout.width, metrics.titleWidth(layout.title) + 40);

    QString titleLine;
    layout.lines = splitMessageText(text, &titleLine);
    if (!titleLine.isNull()) {
        layout.title = titleLine;
        // The title taken from the text must fit as well as the kind's own.
        layout.width = qMax(layout.width, metrics.titleWidth(layout.title) + 40);
    }
    for (const QString& line : std::as_const(layout.lines))
        layout.width = qMax(layout.width, metrics.textWidth(line) + 96);
    layout.lineHeight = metrics.textHeight + 8;
    layout.height =
        qMin((int(layout.lines.size()) + 1) * layout.lineHeight + 100, metrics.screenHeight - 28);

    layout.buttons = messageButtons(buttonSet);
    const MessageButtons& b = layout.buttons;
    const int w = layout.width;
    const int bw = kMessageButtonWidth;
    const int visible = int(b.okVisible) + int(b.cancelVisible) + int(b.helpVisible);
    if (visible == 1) {
        const int left = (w - bw) / 2;
        layout.okLeft = layout.cancelLeft = layout.helpLeft = left;
    } else if (visible == 2 && b.helpVisible) {
        layout.helpLeft = w / 2 - bw - 20;
        layout.okLeft = layout.cancelLeft = layout.helpLeft + bw + 40;
    } else if (visible == 2) {
        layout.cancelLeft = w / 2 + 20;
        layout.okLeft = w / 2 - bw - 20;
    } else if (visible == 3) {
        layout.okLeft = (w - bw) / 2;
        layout.helpLeft = layout.okLeft - bw - 1;
        layout.cancelLeft = layout.okLeft + bw + 1;
    }

    if (b.cancelVisible && (kind == 4 || kind == 5 || kind == 6))
        layout.focus = MessageFocus::Cancel;
    else if (b.helpVisible && kind == 3)
        layout.focus = MessageFocus::Help;
    return layout;
}
