// The four functions the executable exports for other programs: the message dialog and the
// take-over of the error display. Their 8-bit text arrives in the Chinese code page.

#include "platform/gbk_text.h"
#include "shell/error_display.h"
#include "shell/messages.h"

#include <QtGlobal>

#include <cstdint>
#include <cstring>
#include <exception>

extern "C" {

Q_DECL_EXPORT int32_t Show_XDia(uint32_t /*owner*/, const char* text, uint8_t kind, uint8_t buttons,
                                int32_t helpContext, uint8_t modal)
{
    return ShowXDiaFromGbk(text, kind, buttons, helpContext, modal);
}

Q_DECL_EXPORT int32_t Start_XError(const char* text)
{
    return ErrorDisplay::start(text ? fromGbk(QByteArrayView(text, qsizetype(std::strlen(text))))
                                    : QString());
}

Q_DECL_EXPORT int32_t Shut_XError()
{
    return ErrorDisplay::shut();
}

Q_DECL_EXPORT int32_t Show_XError(void* /*sender*/, const std::exception* error)
{
    return ErrorDisplay::show(error);
}
}
