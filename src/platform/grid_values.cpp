#include "grid_values.h"

#include "platform/gbk_text.h"

#include <QDate>
#include <QDateTime>

#include <cstring>

namespace GridValues {

bool isNull(const QVariant& value)
{
    return !value.isValid() || value.isNull();
}

bool isNumber(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

QString displayText(const QVariant& value)
{
    if (isNull(value))
        return QString();
    switch (value.metaType().id()) {
    case QMetaType::QDateTime: {
        const QDateTime t = value.toDateTime();
        return t.toString(t.time() == QTime(0, 0) ? QStringLiteral("yyyy-MM-dd")
                                                  : QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    }
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}

QString key(const QVariant& value)
{
    if (isNull(value))
        return QString();
    if (isNumber(value))
        return QString::number(value.toDouble(), 'g', 15);
    return displayText(value).trimmed();
}

int compare(const QVariant& a, const QVariant& b)
{
    const bool nullA = key(a).isEmpty(), nullB = key(b).isEmpty();
    if (nullA || nullB)
        return nullA == nullB ? 0 : (nullA ? -1 : 1);
    if (isNumber(a) && isNumber(b)) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const QByteArray x = toGbk(key(a)), y = toGbk(key(b));
    const int c = std::memcmp(x.constData(), y.constData(), size_t(std::min(x.size(), y.size())));
    if (c != 0)
        return c < 0 ? -1 : 1;
    return x.size() < y.size() ? -1 : (x.size() > y.size() ? 1 : 0);
}

} // namespace GridValues
