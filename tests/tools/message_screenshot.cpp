// Shows message dialogs in a real window and saves a screenshot of the screen for each, so a
// person can look at them (run under Xvfb: xvfb-run -a message_screenshot OUTDIR).

#include "shell/message_dialog.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);

    const QList<std::pair<QString, MessageRequest>> shots = {
        {"error-message", {QStringLiteral("导出失败!"), 1, 4, 0, true}},
        {"ask-yes-no", {QStringLiteral("主数据库不存在,是否创建?"), 6, 8 + 16, 0, true}},
        {"long-text",
         {QStringLiteral("&数据库处理出错!\r\n") + QString(70, QChar(0x4E2D)), 0, 4, 0, true}},
        {"three-buttons", {QStringLiteral("帮助内容"), 3, 1 + 2 + 32, 7, true}},
    };
    for (const auto& [name, request] : shots) {
        TFXDias dialog;
        dialog.setMessage(request);
        dialog.show();
        QEventLoop loop;
        QTimer::singleShot(400, &loop, &QEventLoop::quit);
        loop.exec();
        const QRect area = dialog.frameGeometry().adjusted(-20, -20, 20, 20);
        QScreen* screen = dialog.screen();
        screen->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .save(QDir(out).filePath(name + QStringLiteral(".png")));
        dialog.done(2);
    }
    return 0;
}
