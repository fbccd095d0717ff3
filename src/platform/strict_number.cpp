#include "strict_number.h"

#include "xerrors.h"

#include <limits>

qint32 StrToInt(const QString& text)
{
    const auto fail = [&text]() {
        return XConvertError(QStringLiteral("'%1'不是有效的整数值").arg(text));
    };

    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' &&
               (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        throw fail();

    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const int digit = QChar(text[i]).isDigit() && text[i].unicode() < 128
                              ? text[i].unicode() - '0'
                          : (base == 16 && text[i].toLower() >= u'a' && text[i].toLower() <= u'f')
                              ? text[i].toLower().unicode() - 'a' + 10
                              : -1;
        if (digit < 0)
            throw fail();
        value = value * base + digit;
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            throw fail();
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<qint32>::max() || value < std::numeric_limits<qint32>::min())
        throw fail();
    return static_cast<qint32>(value);
}
