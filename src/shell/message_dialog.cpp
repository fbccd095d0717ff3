#include "message_dialog.h"

#include "app/config.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

QFont messageTextFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                      QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(14);
    return font;
}

QFont messageTitleFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("SimHei"), QStringLiteral("黑体"),
                      QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(16);
    return font;
}

TFXDias::TFXDias(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FXDias"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFont(messageTextFont());
    setFixedSize(kMessageBaseWidth, kMessageBaseHeight);

    PANT = new QLabel(QStringLiteral("错 误"), this);
    PANT->setObjectName(QStringLiteral("PANT"));
    PANT->setAlignment(Qt::AlignCenter);
    PANT->setFont(messageTitleFont());
    PANT->setAutoFillBackground(true);
    PANT->installEventFilter(this);
    setTitleColor(QColor(255, 0, 0));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_bottom = new QWidget(this);
    const auto makeButton = [this](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, m_bottom);
        button->setObjectName(QLatin1String(name));
        button->setFixedSize(kMessageButtonWidth, kMessageButtonHeight);
        button->hide();
        return button;
    };
    BTHelp = makeButton("BTHelp", QStringLiteral("帮助(&H)"));
    BTOK = makeButton("BTOK", QStringLiteral("确定(&Y)"));
    BTCancel = makeButton("BTCancel", QStringLiteral("取消(&C)"));
    connect(BTOK, &QPushButton::clicked, this, [this] { done(1); });
    connect(BTCancel, &QPushButton::clicked, this, [this] { done(2); });
    connect(BTHelp, &QPushButton::clicked, this, &TFXDias::BTHelpClick);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(3000);
    connect(Timer1, &QTimer::timeout, this, &TFXDias::Timer1Timer);
}

void TFXDias::setMessage(const MessageRequest& request)
{
    m_request = request;
    const QFontMetrics titleMetrics(messageTitleFont());
    const QFontMetrics textMetrics(messageTextFont());
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    MessageMetrics metrics;
    metrics.titleWidth = [&](const QString& s) { return titleMetrics.horizontalAdvance(s); };
    metrics.textWidth = [&](const QString& s) { return textMetrics.horizontalAdvance(s); };
    metrics.textHeight = textMetrics.height();
    metrics.screenHeight = screen ? screen->geometry().height() : 768;
    m_layout = computeMessageLayout(request.text, request.kind, request.buttons,
                                    QLatin1String(kApplicationTitle), metrics);

    const int w = m_layout.width;
    const int h = m_layout.height;
    setFixedSize(w, h);
    PANT->setGeometry(0, 0, w, kMessageTitleHeight);
    PANT->setText(m_layout.title);
    setTitleColor(m_layout.titleColor);
    Image1->setGeometry(5, kMessageTitleHeight, w - 10,
                        h - kMessageTitleHeight - kMessageBottomHeight);
    m_bottom->setGeometry(0, h - kMessageBottomHeight, w, kMessageBottomHeight);
    drawText();

    const MessageButtons& b = m_layout.buttons;
    const int top = (kMessageBottomHeight - kMessageButtonHeight) / 2;
    BTOK->setText(b.okCaption);
    BTCancel->setText(b.cancelCaption);
    BTHelp->setText(b.helpCaption);
    BTOK->move(m_layout.okLeft, top);
    BTCancel->move(m_layout.cancelLeft, top);
    BTHelp->move(m_layout.helpLeft, top);
    BTOK->setVisible(b.okVisible);
    BTCancel->setVisible(b.cancelVisible);
    BTHelp->setVisible(b.helpVisible);

    // Enter presses the focused button; with no focused button it presses OK.
    for (QPushButton* button : {BTOK, BTCancel, BTHelp}) {
        button->setDefault(false);
        button->setAutoDefault(false);
    }
    QPushButton* focusButton = m_layout.focus == MessageFocus::Cancel ? BTCancel
                               : m_layout.focus == MessageFocus::Help ? BTHelp
                               : b.okVisible                          ? BTOK
                                                                      : nullptr;
    if (focusButton) {
        focusButton->setDefault(true);
        if (m_layout.focus != MessageFocus::None)
            focusButton->setFocus();
    }
    if (m_layout.focus == MessageFocus::None)
        setFocus();

    if (const QScreen* s = screen)
        move(s->geometry().center() - QPoint(w / 2, h / 2));
}

void TFXDias::drawText()
{
    const int w = m_layout.width - 10;
    const int h = m_layout.height - 100;
    if (w <= 0 || h <= 0) {
        Image1->clear();
        return;
    }
    QPixmap picture(w, h);
    picture.fill(palette().color(QPalette::Window));
    QPainter painter(&picture);
    painter.setFont(messageTextFont());
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(messageTextFont());
    for (int j = 0; j < m_layout.lines.size(); ++j)
        painter.drawText(kMessageTextLeft, m_layout.lineY(j) + metrics.ascent(), m_layout.lines[j]);
    painter.end();
    Image1->setPixmap(picture);
}

QColor TFXDias::titleColor() const
{
    return PANT->palette().color(QPalette::Window);
}

bool TFXDias::titleShowsKindColor() const
{
    return titleColor() == messageTitleColor(m_request.kind);
}

void TFXDias::setTitleColor(const QColor& color)
{
    QPalette pal = PANT->palette();
    pal.setColor(QPalette::Window, color);
    pal.setColor(QPalette::WindowText, Qt::white);
    PANT->setPalette(pal);
}

void TFXDias::restoreTitleColor()
{
    setTitleColor(messageTitleColor(m_request.kind));
}

void TFXDias::invertTitleColor()
{
    if (titleShowsKindColor())
        setTitleColor(invertedColor(messageTitleColor(m_request.kind)));
}

void TFXDias::Timer1Timer()
{
    if (titleShowsKindColor()) {
        invertTitleColor();
        Timer1->setInterval(200);
    } else {
        restoreTitleColor();
        Timer1->setInterval(3000);
    }
}

void TFXDias::reject()
{
    done(2);
}

void TFXDias::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        m_dragging = false;
        if (!Timer1->isActive())
            Timer1->start(3000);
    }
    QDialog::changeEvent(event);
}

void TFXDias::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // A borderless box still needs an edge against a light desktop.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool TFXDias::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PANT) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (mouse->button() == Qt::LeftButton) {
                m_dragging = true;
                m_dragOffset = mouse->globalPosition().toPoint() - frameGeometry().topLeft();
            }
            return true;
        case QEvent::MouseMove:
            if (m_dragging)
                move(mouse->globalPosition().toPoint() - m_dragOffset);
            return true;
        case QEvent::MouseButtonRelease:
            m_dragging = false;
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFXDias::BTHelpClick()
{
    if (m_request.helpContext == 0)
        return;
    const QString page = ProgramFolder() + QStringLiteral("help/index.html");
    if (!QFileInfo::exists(page))
        return;
    QUrl url = QUrl::fromLocalFile(page);
    url.setFragment(QStringLiteral("context-%1").arg(m_request.helpContext));
    QDesktopServices::openUrl(url);
}
