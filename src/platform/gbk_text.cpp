#include "gbk_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
// Opening a converter is costly; each thread keeps one of each.
QStringEncoder& encoder()
{
    thread_local QStringEncoder e("GB18030");
    return e;
}

QStringDecoder& decoder()
{
    thread_local QStringDecoder d("GB18030");
    return d;
}

bool isAscii(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}
} // namespace

QByteArray toGbk(QStringView text)
{
    // ASCII is the same bytes in GB18030; the converter costs far more than this check.
    if (isAscii(text))
        return text.toLatin1();
    QStringEncoder& e = encoder();
    e.resetState();
    return e.encode(text);
}

QString fromGbk(QByteArrayView bytes)
{
    QStringDecoder& d = decoder();
    d.resetState();
    return d.decode(bytes);
}

qsizetype gbkLength(QStringView text)
{
    if (isAscii(text))
        return text.size();
    return toGbk(text).size();
}
