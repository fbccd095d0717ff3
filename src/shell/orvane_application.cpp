#include "orvane_application.h"

#include "app/config.h"
#include "shell/error_display.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>

OrvaneApplication::OrvaneApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QLatin1String(kApplicationTitle));
    setApplicationDisplayName(QLatin1String(kApplicationTitle));
    setApplicationVersion(QStringLiteral(ORVANE_VERSION));
    setWindowIcon(applicationIcon());
}

QIcon OrvaneApplication::applicationIcon()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0, 128, 128));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(pixmap.rect().adjusted(2, 2, -2, -2), 12, 12);
    QFont font;
    font.setPixelSize(44);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("O"));
    painter.end();
    return QIcon(pixmap);
}

bool OrvaneApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ErrorDisplay::showUnhandled(std::current_exception());
        return false;
    }
}
