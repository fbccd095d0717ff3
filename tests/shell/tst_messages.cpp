#include "platform/gbk_text.h"
#include "shell/dialog_interaction.h"
#include "shell/message_dialog.h"
#include "shell/messages.h"
#include "support/scripted_interaction.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestMessages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theThreeWrappersAskForTheRightDialog()
    {
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);

        QCOMPARE(ShowErrorMessage("导出失败!"), 1);
        ui.answerNext(2);
        QCOMPARE(ShowErrorMessage("导出失败!"), 2);
        QCOMPARE(ShowInfoMessage("成功完成导出...", true), qint64(1));
        ui.answerYes();
        QVERIFY(AskYesNo("主数据库不存在,是否创建?", true));
        ui.answerNo();
        QVERIFY(!AskYesNo("是否退出?"));

        QCOMPARE(ui.messages.size(), 5);
        const auto check = [&](int i, int kind, int buttons, const QString& text) {
            QCOMPARE(ui.messages[i].kind, kind);
            QCOMPARE(ui.messages[i].buttons, buttons);
            QCOMPARE(ui.messages[i].text, text);
            QVERIFY(ui.messages[i].modal);
        };
        check(0, 1, 4, "导出失败!");
        check(2, 2, 4, "成功完成导出...");
        check(3, 6, 24, "主数据库不存在,是否创建?");
        check(4, 2, 24, "是否退出?");
        QCOMPARE(ui.unansweredQuestions, 0);
    }

    void noticesAndTheirClosing()
    {
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);

        QCOMPARE(ShowInfoMessage("正在导入,请稍候...", false), qint64(4242));
        QVERIFY(ui.noticeOpen());
        QCOMPARE(ui.messages.last().buttons, 0);
        QVERIFY(!ui.messages.last().modal);

        // Blank text closes the notice and shows nothing.
        QCOMPARE(ShowInfoMessage("  \r\n ", false), qint64(1));
        QVERIFY(!ui.noticeOpen());
        QCOMPARE(ui.messages.size(), 1);

        // A modal message while a notice is open closes the notice and is shown.
        ShowInfoMessage("正在导入,请稍候...", false);
        ui.answerYes();
        QVERIFY(AskYesNo("继续?"));
        QCOMPARE(ui.events,
                 (QStringList{"notice:正在导入,请稍候...", "close-notice",
                              "notice:正在导入,请稍候...", "close-notice", "message:2:继续?"}));
    }

    void exportedEntryTakesGbkText()
    {
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        const QByteArray gbk = toGbk(u"导出失败!");
        QCOMPARE(gbk.size(), 9);
        QCOMPARE(ShowXDiaFromGbk(gbk.constData(), 1, 4, 0, 1), 1);
        QCOMPARE(ui.messages.last().text, QString("导出失败!"));
        QCOMPARE(ShowXDiaFromGbk(nullptr, 2, 0, 0, 0), 4242);
    }

    void realDialogShowsAnErrorMessage()
    {
        TFXDias dialog;
        QCOMPARE(dialog.objectName(), QString("FXDias"));
        dialog.setMessage({"导出失败!", 1, 4, 0, true});
        QCOMPARE(dialog.PANT->text(), QString("警告[Orvane]"));
        QCOMPARE(dialog.titleColor(), QColor(0, 0, 128));
        QVERIFY(dialog.BTOK->isVisibleTo(&dialog));
        QVERIFY(!dialog.BTCancel->isVisibleTo(&dialog));
        QVERIFY(!dialog.BTHelp->isVisibleTo(&dialog));
        QCOMPARE(dialog.BTOK->text(), QString("明白(&Y)"));
        QCOMPARE(dialog.BTOK->x(), (dialog.width() - 85) / 2);
        QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(dialog.Image1->pixmap().size(), QSize(dialog.width() - 10, dialog.height() - 100));

        // The button answers 1, closing answers 2.
        dialog.open();
        QTest::mouseClick(dialog.BTOK, Qt::LeftButton);
        QCOMPARE(dialog.result(), 1);
        dialog.open();
        dialog.close();
        QCOMPARE(dialog.result(), 2);
    }

    void realDialogDefaultNoTakesEnterAsNo()
    {
        TFXDias dialog;
        dialog.setMessage({"是否删除?", 6, 8 + 16, 0, true});
        QCOMPARE(dialog.BTOK->text(), QString("是的(&Y)"));
        QCOMPARE(dialog.BTCancel->text(), QString("不是(&C)"));
        QCOMPARE(dialog.BTOK->x(), dialog.width() / 2 - 85 - 20);
        QCOMPARE(dialog.BTCancel->x(), dialog.width() / 2 + 20);
        dialog.open();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.BTCancel);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(dialog.result(), 2);

        // Without default-no, Enter takes the OK side.
        TFXDias yes;
        yes.setMessage({"是否删除?", 2, 8 + 16, 0, true});
        yes.open();
        QVERIFY(QTest::qWaitForWindowActive(&yes));
        QTest::keyClick(&yes, Qt::Key_Return);
        QCOMPARE(yes.result(), 1);
    }

    void titleFlashes()
    {
        TFXDias dialog;
        dialog.setMessage({"提示", 2, 4, 0, true});
        dialog.open();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QVERIFY(dialog.Timer1->isActive());
        QCOMPARE(dialog.Timer1->interval(), 3000);
        dialog.Timer1Timer();
        QCOMPARE(dialog.titleColor(), QColor(255, 127, 127));
        QCOMPARE(dialog.Timer1->interval(), 200);
        dialog.Timer1Timer();
        QCOMPARE(dialog.titleColor(), QColor(0, 128, 128));
        QCOMPARE(dialog.Timer1->interval(), 3000);
        dialog.done(1);
    }

    void longTextIsDrawnOnSeveralLines()
    {
        TFXDias dialog;
        dialog.setMessage({QString(70, QChar(0x4E2D)), 2, 4, 0, true});
        QCOMPARE(dialog.messageLayout().lines.size(), 3);
        QVERIFY(dialog.width() > 295);
        QCOMPARE(dialog.height(), 4 * dialog.messageLayout().lineHeight + 100);
    }

    void realFacadeKeepsOneNotice()
    {
        DialogInteraction dialogs;
        QVERIFY(!dialogs.noticeOpen());
        const qint64 handle = dialogs.showMessage({"请稍候...", 2, 0, 0, false});
        QVERIFY(handle != 0);
        QVERIFY(dialogs.noticeOpen());
        QCOMPARE(dialogs.showMessage({"还在处理...", 2, 0, 0, false}), handle);
        dialogs.closeNotice();
        QVERIFY(!dialogs.noticeOpen());
    }
};

QTEST_MAIN(TestMessages)
#include "tst_messages.moc"
