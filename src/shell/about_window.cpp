#include "about_window.h"

#include <QDesktopServices>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

QString PublisherInfo::name()
{
    return QStringLiteral("青岚教育软件工作室");
}

QString PublisherInfo::phone()
{
    return QStringLiteral("010-5550 1428, 010-5550 1429");
}

QString PublisherInfo::web()
{
    return QStringLiteral("https://www.qinglan-soft.example");
}

QString PublisherInfo::messaging()
{
    return QStringLiteral("800 055 014");
}

namespace {
QLabel* pair(QWidget* parent, const QString& caption, const QString& value, int y)
{
    auto* label = new QLabel(caption, parent);
    label->setGeometry(40, y, 60, 22);
    label->setStyleSheet(QStringLiteral("color: white;"));
    auto* text = new QLabel(value, parent);
    text->setGeometry(100, y, 300, 22);
    text->setStyleSheet(QStringLiteral("color: white;"));
    return text;
}
} // namespace

TFabout::TFabout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Fabout"));
    setWindowTitle(QStringLiteral("关于本系统..."));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(440, 280);
    LName = pair(this, QStringLiteral("开发商:"), PublisherInfo::name(), 150);
    LPhone = pair(this, QStringLiteral("电话:"), PublisherInfo::phone(), 175);
    LWeb = pair(this, QStringLiteral("网址:"), PublisherInfo::web(), 200);
    LQQ = pair(this, QStringLiteral("QQ:"), PublisherInfo::messaging(), 225);
    LWeb->setCursor(Qt::PointingHandCursor);
    LWeb->setText(QStringLiteral("<a href=\"%1\" style=\"color: #ffffc0;\">%1</a>")
                      .arg(PublisherInfo::web()));
    LWeb->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(LWeb, &QLabel::linkActivated, this,
            [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
}

void TFabout::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, width(), height());
    gradient.setColorAt(0, QColor(0, 110, 110));
    gradient.setColorAt(1, QColor(20, 40, 80));
    painter.fillRect(rect(), gradient);
    QFont title = font();
    title.setPixelSize(34);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 30, width(), 50), Qt::AlignCenter, QStringLiteral("Orvane"));
    QFont sub = font();
    sub.setPixelSize(18);
    painter.setFont(sub);
    painter.drawText(QRect(0, 85, width(), 30), Qt::AlignCenter,
                     QStringLiteral("高校体育教学与体质健康管理系统"));
    painter.setPen(QColor(255, 255, 255, 120));
    painter.drawLine(40, 135, width() - 40, 135);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TFabout::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        accept();
}
