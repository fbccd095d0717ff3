#include "platform/gbk_text.h"
#include "shell/message_layout.h"

#include <QtTest>

namespace {
// Synthetic metrics: 7 pixels per byte of text, 8 per byte of title, text 14 high.
MessageMetrics metrics(int screenHeight = 768)
{
    MessageMetrics m;
    m.titleWidth = [](const QString& s) { return int(gbkLength(s)) * 8; };
    m.textWidth = [](const QString& s) { return int(gbkLength(s)) * 7; };
    m.textHeight = 14;
    m.screenHeight = screenHeight;
    return m;
}

QList<int> byteLengths(const QStringList& lines)
{
    QList<int> lengths;
    for (const QString& line : lines)
        lengths.append(int(gbkLength(line)));
    return lengths;
}
} // namespace

class TestMessageLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linesAreCutAt68Bytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("bytes");
        const QString han70 = QString(70, QChar(0x4E2D)); // 中 × 70
        QTest::newRow("70 Chinese characters") << han70 << QList<int>{68, 68, 4};
        QTest::newRow("a cut inside a character moves back")
            << u'a' + han70 << QList<int>{67, 68, 6};
        QTest::newRow("ASCII") << QString(150, u'x') << QList<int>{68, 68, 14};
        QTest::newRow("exactly 68") << QString(34, QChar(0x4E2D)) << QList<int>{68};
        QTest::newRow("four-byte character is not split")
            << QString(33, QChar(0x4E2D)) + QString::fromUcs4(U"\U00020000") << QList<int>{66, 4};
        QTest::newRow("breaks of every kind") << "a\r\nb\nc\rd" << QList<int>{1, 1, 1, 1};
        QTest::newRow("a final break adds no line") << "a\r\n" << QList<int>{1};
        QTest::newRow("blank lines kept") << "a\r\n\r\nb" << QList<int>{1, 0, 1};
        QTest::newRow("empty") << "" << QList<int>{};
    }
    void linesAreCutAt68Bytes()
    {
        QFETCH(QString, text);
        QTEST(byteLengths(splitMessageText(text, nullptr)), "bytes");
        // Nothing is lost or reordered by cutting.
        QString title;
        QCOMPARE(splitMessageText(text, &title).join(QString()),
                 QString(text).remove(u'\r').remove(u'\n'));
    }

    void ampersandFirstLineBecomesTheTitle()
    {
        const MessageLayout l = computeMessageLayout("&数据库处理出错!\r\n没有返回的数据...", 0, 4,
                                                     "Orvane", metrics());
        QCOMPARE(l.title, QString("数据库处理出错!"));
        QCOMPARE(l.lines, QStringList{"没有返回的数据..."});
        QCOMPARE(l.titleColor, QColor(255, 0, 0));

        // Only the first line counts.
        const MessageLayout later = computeMessageLayout("x\r\n&y", 2, 4, "Orvane", metrics());
        QCOMPARE(later.title, QString("提示[Orvane]"));
        QCOMPARE(later.lines, (QStringList{"x", "&y"}));
    }

    void kindsSetTitleAndColour_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QColor>("color");
        const QColor teal(0, 128, 128), navy(0, 0, 128), red(255, 0, 0);
        QTest::newRow("0") << 0 << "错误[Orvane]" << red;
        QTest::newRow("1") << 1 << "警告[Orvane]" << navy;
        QTest::newRow("2") << 2 << "提示[Orvane]" << teal;
        QTest::newRow("3") << 3 << "帮助[Orvane]" << teal;
        QTest::newRow("4") << 4 << "错误[Orvane]" << red;
        QTest::newRow("5") << 5 << "警告[Orvane]" << navy;
        QTest::newRow("6") << 6 << "提示[Orvane]" << teal;
        QTest::newRow("other") << 9 << "错误[Orvane]" << red;
    }
    void kindsSetTitleAndColour()
    {
        QFETCH(int, kind);
        const MessageLayout l = computeMessageLayout("x", kind, 4, "Orvane", metrics());
        QTEST(l.title, "title");
        QTEST(l.titleColor, "color");
        QCOMPARE(invertedColor(QColor(0, 0, 128)), QColor(255, 255, 127));
    }

    void buttonsPlacementCaptionsAndFocus_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("visible"); // O, C, H in that order
        QTest::addColumn<QString>("okCaption");
        QTest::addColumn<QString>("cancelCaption");
        QTest::addColumn<int>("okLeft");
        QTest::addColumn<int>("cancelLeft");
        QTest::addColumn<int>("helpLeft");
        QTest::addColumn<MessageFocus>("focus");
        // W = 295 throughout: centre 147.
        QTest::newRow("error: one 明白") << 1 << 4 << "O"
                                         << "明白(&Y)"
                                         << "取消(&C)" << 105 << 105 << 105 << MessageFocus::None;
        QTest::newRow("question 8+16") << 2 << 24 << "OC"
                                       << "是的(&Y)"
                                       << "不是(&C)" << 42 << 167 << 0 << MessageFocus::None;
        QTest::newRow("question default-no")
            << 6 << 24 << "OC"
            << "是的(&Y)"
            << "不是(&C)" << 42 << 167 << 0 << MessageFocus::Cancel;
        QTest::newRow("later bits override captions")
            << 5 << 1 + 2 + 4 + 8 + 16 << "OC"
            << "是的(&Y)"
            << "不是(&C)" << 42 << 167 << 0 << MessageFocus::Cancel;
        QTest::newRow("ok and help") << 3 << 1 + 32 << "OH"
                                     << "确定(&Y)"
                                     << "取消(&C)" << 167 << 167 << 42 << MessageFocus::Help;
        QTest::newRow("cancel and help") << 4 << 2 + 32 << "CH"
                                         << "确定(&Y)"
                                         << "取消(&C)" << 167 << 167 << 42 << MessageFocus::Cancel;
        QTest::newRow("three") << 3 << 1 + 2 + 32 << "OCH"
                               << "确定(&Y)"
                               << "取消(&C)" << 105 << 191 << 19 << MessageFocus::Help;
        QTest::newRow("help kind without help button")
            << 3 << 4 << "O"
            << "明白(&Y)"
            << "取消(&C)" << 105 << 105 << 105 << MessageFocus::None;
        QTest::newRow("none") << 2 << 0 << ""
                              << "确定(&Y)"
                              << "取消(&C)" << 0 << 0 << 0 << MessageFocus::None;
    }
    void buttonsPlacementCaptionsAndFocus()
    {
        QFETCH(int, kind);
        QFETCH(int, buttons);
        QFETCH(QString, visible);
        const MessageLayout l = computeMessageLayout("x", kind, buttons, "Orvane", metrics());
        QCOMPARE(l.width, 295);
        QCOMPARE(l.buttons.okVisible, visible.contains(u'O'));
        QCOMPARE(l.buttons.cancelVisible, visible.contains(u'C'));
        QCOMPARE(l.buttons.helpVisible, visible.contains(u'H'));
        QTEST(l.buttons.okCaption, "okCaption");
        QTEST(l.buttons.cancelCaption, "cancelCaption");
        if (l.buttons.okVisible)
            QTEST(l.okLeft, "okLeft");
        if (l.buttons.cancelVisible)
            QTEST(l.cancelLeft, "cancelLeft");
        if (l.buttons.helpVisible)
            QTEST(l.helpLeft, "helpLeft");
        QTEST(l.focus, "focus");
    }

    void widthAndHeightRules()
    {
        // Base size for a short text: the title fits, the line fits.
        MessageLayout l = computeMessageLayout("短", 2, 4, "Orvane", metrics());
        QCOMPARE(l.width, 295);
        QCOMPARE(l.lineHeight, 22);
        QCOMPARE(l.height, 2 * 22 + 100);
        QCOMPARE(l.lineY(0), 11);
        QCOMPARE(l.lineY(2), 55);

        // A 68-byte line widens the form to its width + 96.
        l = computeMessageLayout(QString(34, QChar(0x4E2D)), 2, 4, "Orvane", metrics());
        QCOMPARE(l.width, 68 * 7 + 96);

        // A long title widens it to the title's width + 40.
        l = computeMessageLayout("&" + QString(40, QChar(0x4E2D)) + "\r\nx", 0, 4, "Orvane",
                                 metrics());
        QCOMPARE(l.width, 80 * 8 + 40);

        // More lines than the screen holds: screen height - 28.
        l = computeMessageLayout(QString("行\r\n").repeated(200), 2, 4, "Orvane", metrics(600));
        QCOMPARE(l.height, 600 - 28);
        QCOMPARE(l.lines.size(), 200);
    }
};

QTEST_GUILESS_MAIN(TestMessageLayout)
#include "tst_message_layout.moc"
