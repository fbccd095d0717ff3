#include "platform/xerrors.h"
#include "shell/error_display.h"
#include "shell/orvane_application.h"
#include "support/scripted_interaction.h"

#include <QtTest>

#include <any>
#include <ios>
#include <system_error>

namespace {
class Thrower : public QObject
{
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw XException(QStringLiteral("处理事件时出错"), 17);
        if (e->type() == QEvent::Type(QEvent::User + 1))
            throw XAbort();
        return QObject::event(e);
    }
};
} // namespace

Q_DECLARE_METATYPE(std::shared_ptr<std::exception>)

class TestErrorDisplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mappingTable_data()
    {
        QTest::addColumn<std::shared_ptr<std::exception>>("error");
        QTest::addColumn<bool>("isMapped");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, std::shared_ptr<std::exception> e, bool m,
                            const QString& t) { QTest::newRow(name) << e << m << t; };
        row("own error", std::make_shared<XException>("坏了", 7), true,
            "&自定义错误!\r\n坏了\r\n错误代码:7");
        row("own error with title", std::make_shared<XException>("&标题\r\n内容", 3), true,
            "&标题\r\n内容\r\n错误代码:3");
        const auto os = std::make_shared<std::system_error>(
            std::error_code(2, std::generic_category()), "open");
        row("operating system", os, true,
            "&操作系统(Win32)错误!\r\n" + QString::fromUtf8(os->what()) +
                "\r\n由'RaiseLastWin32Error'获得的错误代码:2");
        row("no result set", std::make_shared<XDatabaseError>("M", true), true,
            "&数据库处理出错!\r\n没有返回的数据...\r\n可能是没有使用'Select'命令...\r\nM");
        row("other database error", std::make_shared<XDatabaseError>("M"), false, "M");
        row("stream read", std::make_shared<XStreamError>(XStreamError::Kind::ReadFailed, "M"),
            true, "&内存堆错误!\r\n装订过程失败...\r\n读取数据时出错,数据已损坏...\r\nM");
        row("stream write", std::make_shared<XStreamError>(XStreamError::Kind::WriteFailed, "M"),
            true, "&内存堆错误!\r\n装订过程失败...\r\n保存数据时出错...\r\nM");
        row("file create", std::make_shared<XStreamError>(XStreamError::Kind::FileCreate, "M"),
            true, "&数据流操作错误!\r\n创建文件流失败...\r\n可能是文件名错或权限不够...\r\nM");
        row("file open", std::make_shared<XStreamError>(XStreamError::Kind::FileOpen, "M"), true,
            "&数据流操作错误!\r\n打开文件流失败...\r\n未找到文件或文件数据不对...\r\nM");
        row("other stream", std::make_shared<XStreamError>(XStreamError::Kind::Other, "M"), false,
            "M");
        row("range", std::make_shared<std::out_of_range>("M"), true,
            "&系统错误!\r\n范围检查错误,越界...\r\nM");
        row("conversion", std::make_shared<XConvertError>("M"), true,
            "&程序设计错误!\r\n类型转换或赋值时出错...\r\nM");
        row("allocation", std::make_shared<std::bad_alloc>(), true,
            "&内存堆错误!\r\n内存空间不够...\r\nstd::bad_alloc");
        row("overflow", std::make_shared<std::overflow_error>("M"), true,
            "&系统错误!\r\n浮点计算时出错!\r\n浮点数太大...\r\nM");
        row("variant", std::make_shared<std::bad_any_cast>(), true,
            "&系统错误!\r\n自动类型数据(Variant)出错...\r\nbad any_cast");
        row("list", std::make_shared<std::length_error>("M"), true,
            "&系统错误!\r\n列表数据错误...\r\n可能是越界或重复...\r\nM");
        const auto io = std::make_shared<std::ios_base::failure>(
            "M", std::error_code(5, std::generic_category()));
        row("in/out", io, true,
            "&输入输出(InOut)错误!\r\n\r\n" + QString::fromUtf8(io->what()) + "错误代码:5");
        row("cast", std::make_shared<std::bad_cast>(), true,
            "&程序错误!\r\n使用'As'运算时出错...\r\nstd::bad_cast");
        row("abort", std::make_shared<XAbort>(), true, "Operation aborted");
        row("any other", std::make_shared<std::runtime_error>("M"), true, "M");
    }
    void mappingTable()
    {
        QFETCH(std::shared_ptr<std::exception>, error);
        const ErrorMapping m = mapErrorMessage(*error);
        QTEST(m.mapped, "isMapped");
        QTEST(m.text, "text");
    }

    void typeNamesAreDemangled()
    {
        QCOMPARE(errorTypeNamesLine(XConvertError("x")),
                 QString("\r\nClassName:XConvertError; ClassParent:std::invalid_argument"));
        QCOMPARE(errorTypeNamesLine(std::out_of_range("x")),
                 QString("\r\nClassName:std::out_of_range; ClassParent:std::logic_error"));
        QCOMPARE(errorTypeNamesLine(XException("x")),
                 QString("\r\nClassName:XException; ClassParent:std::runtime_error"));
    }

    void standardDisplayUntilStartedThenMapping()
    {
        ScriptedInteraction ui;
        ScopedInteraction installed(ui);
        Thrower thrower;

        // Caught where the event was delivered, shown by the standard display.
        QEvent ev(QEvent::User);
        QCoreApplication::sendEvent(&thrower, &ev);
        QCOMPARE(ui.systemMessages.size(), 1);
        QCOMPARE(ui.systemMessages[0].text, QString("处理事件时出错"));
        QCOMPARE(ui.systemMessages[0].caption, QString("Orvane"));
        QVERIFY(ui.messages.isEmpty());

        // A silent cancellation shows nothing.
        QEvent abort(QEvent::Type(QEvent::User + 1));
        QCoreApplication::sendEvent(&thrower, &abort);
        QCOMPARE(ui.systemMessages.size(), 1);

        QCOMPARE(ErrorDisplay::start("owner"), 1);
        QCoreApplication::sendEvent(&thrower, &ev);
        QCOMPARE(ui.messages.size(), 1);
        QCOMPARE(ui.messages[0].kind, 0);
        QCOMPARE(ui.messages[0].buttons, 4);
        QCOMPARE(ui.messages[0].text,
                 QString("&自定义错误!\r\n处理事件时出错\r\n错误代码:17\r\nClassName:XException; "
                         "ClassParent:std::runtime_error"));

        // Not mapped: still the standard display; an open notice is closed for the error.
        ShowInfoMessageForTest(ui);
        const XDatabaseError db("连接断开");
        QCOMPARE(ErrorDisplay::show(&db), 1);
        QCOMPARE(ui.systemMessages.last().text, QString("连接断开"));
        const std::out_of_range range("下标 12");
        QCOMPARE(ErrorDisplay::show(&range), 1);
        QVERIFY(!ui.noticeOpen());
        QVERIFY(ui.events.indexOf("close-notice") < ui.events.size() - 1);

        QCOMPARE(ErrorDisplay::shut(), 1);
        QCOMPARE(ErrorDisplay::shut(), 1);
        QVERIFY(!ErrorDisplay::mappingActive());
        QCOMPARE(ErrorDisplay::show(&range), 1);
        QCOMPARE(ui.systemMessages.last().text, QString("下标 12"));
        QCOMPARE(ErrorDisplay::show(nullptr), -1);
    }

private:
    static void ShowInfoMessageForTest(ScriptedInteraction& ui)
    {
        ui.showMessage({"请稍候...", 2, 0, 0, false});
        QVERIFY(ui.noticeOpen());
    }
};

int main(int argc, char** argv)
{
    OrvaneApplication app(argc, argv);
    TestErrorDisplay test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_error_display.moc"
