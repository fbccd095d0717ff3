#include "error_display.h"

#include "app/config.h"
#include "platform/interaction.h"
#include "platform/xerrors.h"
#include "shell/messages.h"

#include <QCoreApplication>

#include <any>
#include <cxxabi.h>
#include <functional>
#include <future>
#include <ios>
#include <memory>
#include <optional>
#include <regex>
#include <system_error>
#include <variant>

namespace {
template <typename T>
bool is(const std::exception& e)
{
    return dynamic_cast<const T*>(&e) != nullptr;
}

QString messageOf(const std::exception& e)
{
    return QString::fromUtf8(e.what());
}

QString headed(const char* heading, const QString& message)
{
    return QString::fromUtf8(heading) + QStringLiteral("\r\n") + message;
}

struct KnownType
{
    bool (*matches)(const std::exception&);
    const std::type_info& type;
};

// Most derived first, so the first match other than the error's own type is its parent.
const KnownType kKnownTypes[] = {
    {is<XConvertError>, typeid(XConvertError)},
    {is<XException>, typeid(XException)},
    {is<XDatabaseError>, typeid(XDatabaseError)},
    {is<XStreamError>, typeid(XStreamError)},
    {is<XInflateError>, typeid(XInflateError)},
    {is<XAbort>, typeid(XAbort)},
    {is<std::ios_base::failure>, typeid(std::ios_base::failure)},
    {is<std::system_error>, typeid(std::system_error)},
    {is<std::regex_error>, typeid(std::regex_error)},
    {is<std::future_error>, typeid(std::future_error)},
    {is<std::invalid_argument>, typeid(std::invalid_argument)},
    {is<std::domain_error>, typeid(std::domain_error)},
    {is<std::length_error>, typeid(std::length_error)},
    {is<std::out_of_range>, typeid(std::out_of_range)},
    {is<std::logic_error>, typeid(std::logic_error)},
    {is<std::range_error>, typeid(std::range_error)},
    {is<std::overflow_error>, typeid(std::overflow_error)},
    {is<std::underflow_error>, typeid(std::underflow_error)},
    {is<std::runtime_error>, typeid(std::runtime_error)},
    {is<std::bad_array_new_length>, typeid(std::bad_array_new_length)},
    {is<std::bad_alloc>, typeid(std::bad_alloc)},
    {is<std::bad_any_cast>, typeid(std::bad_any_cast)},
    {is<std::bad_cast>, typeid(std::bad_cast)},
    {is<std::bad_typeid>, typeid(std::bad_typeid)},
    {is<std::bad_variant_access>, typeid(std::bad_variant_access)},
    {is<std::bad_optional_access>, typeid(std::bad_optional_access)},
    {is<std::bad_function_call>, typeid(std::bad_function_call)},
    {is<std::bad_weak_ptr>, typeid(std::bad_weak_ptr)},
    {is<std::bad_exception>, typeid(std::bad_exception)},
    {[](const std::exception&) { return true; }, typeid(std::exception)},
};

using Handler = std::function<void(const std::exception&)>;

struct HandlerState
{
    Handler current;
    std::optional<Handler> remembered; // set while the mapping display is in force
    QString startText;
};

HandlerState& state()
{
    static HandlerState s;
    return s;
}

void dispatch(const std::exception& error)
{
    if (state().current)
        state().current(error);
    else
        ErrorDisplay::showStandard(error);
}
} // namespace

QString demangledTypeName(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return QString::fromUtf8(status == 0 && name ? name.get() : type.name());
}

QString errorTypeNamesLine(const std::exception& error)
{
    const std::type_info& own = typeid(error);
    QString parent;
    for (const KnownType& known : kKnownTypes) {
        if (known.type != own && known.matches(error)) {
            parent = demangledTypeName(known.type);
            break;
        }
    }
    return QStringLiteral("\r\nClassName:") + demangledTypeName(own) +
           QStringLiteral("; ClassParent:") + parent;
}

ErrorMapping mapErrorMessage(const std::exception& e)
{
    const QString m = messageOf(e);
    const auto mapped = [](const QString& text) { return ErrorMapping{true, text}; };
    const ErrorMapping notMapped{false, m};

    if (is<XAbort>(e))
        return mapped(m);
    if (const auto* x = dynamic_cast<const XException*>(&e)) {
        const QString code = QStringLiteral("\r\n错误代码:") + QString::number(x->code());
        if (m.startsWith(u'&'))
            return mapped(m + code);
        return mapped(QStringLiteral("&自定义错误!\r\n") + m + code);
    }
    if (const auto* s = dynamic_cast<const std::system_error*>(&e);
        s && !is<std::ios_base::failure>(e) && !is<std::future_error>(e)) {
        return mapped(QStringLiteral("&操作系统(Win32)错误!\r\n") + m +
                      QStringLiteral("\r\n由'RaiseLastWin32Error'获得的错误代码:") +
                      QString::number(s->code().value()));
    }
    if (const auto* d = dynamic_cast<const XDatabaseError*>(&e)) {
        if (!d->noResultSet())
            return notMapped;
        return mapped(
            headed("&数据库处理出错!\r\n没有返回的数据...\r\n可能是没有使用'Select'命令...", m));
    }
    if (const auto* s = dynamic_cast<const XStreamError*>(&e)) {
        switch (s->kind()) {
        case XStreamError::Kind::ReadFailed:
        case XStreamError::Kind::MethodNotFound:
            return mapped(
                headed("&内存堆错误!\r\n装订过程失败...\r\n读取数据时出错,数据已损坏...", m));
        case XStreamError::Kind::WriteFailed:
            return mapped(headed("&内存堆错误!\r\n装订过程失败...\r\n保存数据时出错...", m));
        case XStreamError::Kind::ClassNotFound:
            return mapped(headed("&内存堆错误!\r\n装订过程失败...\r\n未找到类声明...", m));
        case XStreamError::Kind::InvalidResource:
            return mapped(headed(
                "&内存堆错误!\r\n装订过程失败...\r\n资源数据出错...\r\n可能是读写的方法不一致...",
                m));
        case XStreamError::Kind::FileCreate:
            return mapped(
                headed("&数据流操作错误!\r\n创建文件流失败...\r\n可能是文件名错或权限不够...", m));
        case XStreamError::Kind::FileOpen:
            return mapped(
                headed("&数据流操作错误!\r\n打开文件流失败...\r\n未找到文件或文件数据不对...", m));
        case XStreamError::Kind::Other:
            return notMapped;
        }
    }
    if (is<std::overflow_error>(e))
        return mapped(headed("&系统错误!\r\n浮点计算时出错!\r\n浮点数太大...", m));
    if (is<std::underflow_error>(e))
        return mapped(headed("&系统错误!\r\n浮点计算时出错!\r\n浮点数太小...", m));
    if (is<std::out_of_range>(e))
        return mapped(headed("&系统错误!\r\n范围检查错误,越界...", m));
    if (is<std::invalid_argument>(e))
        return mapped(headed("&程序设计错误!\r\n类型转换或赋值时出错...", m));
    if (is<std::bad_variant_access>(e) || is<std::bad_any_cast>(e))
        return mapped(headed("&系统错误!\r\n自动类型数据(Variant)出错...", m));
    if (is<std::length_error>(e))
        return mapped(headed("&系统错误!\r\n列表数据错误...\r\n可能是越界或重复...", m));
    if (is<std::bad_alloc>(e))
        return mapped(headed("&内存堆错误!\r\n内存空间不够...", m));
    if (const auto* io = dynamic_cast<const std::ios_base::failure*>(&e)) {
        return mapped(QStringLiteral("&输入输出(InOut)错误!\r\n\r\n") + m +
                      QStringLiteral("错误代码:") + QString::number(io->code().value()));
    }
    if (is<std::bad_cast>(e))
        return mapped(headed("&程序错误!\r\n使用'As'运算时出错...", m));
    if (is<std::bad_function_call>(e))
        return mapped(headed("&程序错误!\r\n使用了抽象的方法...", m));
    if (is<std::future_error>(e))
        return mapped(headed("&线程错误!\r\n可能是上次的'Synchronize'方法未完成...", m));
    if (is<std::regex_error>(e))
        return mapped(QStringLiteral("&语法错误!\r\n\r\n") + m);
    return mapped(m);
}

void ErrorDisplay::showStandard(const std::exception& error)
{
    Interaction::current().showSystemMessage(messageOf(error), QLatin1String(kApplicationTitle),
                                             SystemMessageIcon::Error);
}

void ErrorDisplay::showMapped(const std::exception& error)
{
    const ErrorMapping mapping = mapErrorMessage(error);
    if (!mapping.mapped) {
        showStandard(error);
        return;
    }
    const auto* own = dynamic_cast<const XException*>(&error);
    ShowXDia(mapping.text + errorTypeNamesLine(error), 0, 4, own ? own->helpContext() : 0, true);
}

void ErrorDisplay::showUnhandled(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const XAbort&) {
        // A silent cancellation.
    } catch (const std::exception& e) {
        dispatch(e);
    } catch (...) {
        Interaction::current().showSystemMessage(QStringLiteral("发生程序不能识别的错误..."),
                                                 QLatin1String(kApplicationTitle),
                                                 SystemMessageIcon::Error);
    }
}

int ErrorDisplay::start(const QString& text)
{
    HandlerState& s = state();
    if (!s.remembered)
        s.remembered = s.current;
    s.startText = text;
    s.current = &ErrorDisplay::showMapped;
    return 1;
}

int ErrorDisplay::shut()
{
    HandlerState& s = state();
    if (s.remembered) {
        s.current = *s.remembered;
        s.remembered.reset();
    }
    return 1;
}

bool ErrorDisplay::mappingActive()
{
    return state().remembered.has_value();
}

int ErrorDisplay::show(const std::exception* error)
{
    if (!error)
        return -1;
    if (mappingActive()) {
        showMapped(*error);
        return 1;
    }
    if (!QCoreApplication::instance())
        return -1;
    showStandard(*error);
    return 1;
}
