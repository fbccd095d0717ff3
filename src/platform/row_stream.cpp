#include "row_stream.h"

#include <QDate>
#include <QDateTime>
#include <QtEndian>

#include <zlib.h>

#include <cstring>

namespace {
constexpr char kMagic[4] = {'O', 'V', 'R', 'T'};
constexpr quint16 kFormatVersion = 1;
constexpr quint32 kMaxFields = 4096;

class Writer
{
public:
    template <typename T>
    void put(T value)
    {
        char raw[sizeof(T)];
        qToLittleEndian(value, raw);
        m_bytes.append(raw, sizeof(T));
    }
    void putBytes(QByteArrayView bytes)
    {
        put<quint32>(quint32(bytes.size()));
        m_bytes.append(bytes.data(), bytes.size());
    }
    void putRaw(const char* data, qsizetype size) { m_bytes.append(data, size); }
    QByteArray& bytes() { return m_bytes; }

private:
    QByteArray m_bytes;
};

class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : m_bytes(bytes) {}
    template <typename T>
    bool get(T& value)
    {
        if (remaining() < qsizetype(sizeof(T)))
            return false;
        value = qFromLittleEndian<T>(m_bytes.data() + m_pos);
        m_pos += sizeof(T);
        return true;
    }
    bool getBytes(QByteArrayView& out)
    {
        quint32 size = 0;
        if (!get(size) || qsizetype(size) > remaining())
            return false;
        out = m_bytes.sliced(m_pos, size);
        m_pos += size;
        return true;
    }
    bool expect(const char* data, qsizetype size)
    {
        if (remaining() < size || std::memcmp(m_bytes.data() + m_pos, data, size) != 0)
            return false;
        m_pos += size;
        return true;
    }
    qsizetype remaining() const { return m_bytes.size() - m_pos; }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

bool validType(quint8 type)
{
    return type >= quint8(RowFieldType::Text) && type <= quint8(RowFieldType::Bytes);
}

void writeValue(Writer& w, RowFieldType type, const QVariant& value)
{
    if (value.isNull() || !value.isValid()) {
        w.put<quint8>(0);
        return;
    }
    w.put<quint8>(1);
    switch (type) {
    case RowFieldType::Text:
        w.putBytes(value.toString().toUtf8());
        break;
    case RowFieldType::Integer:
        w.put<qint64>(value.toLongLong());
        break;
    case RowFieldType::Float:
        w.put<double>(value.toDouble());
        break;
    case RowFieldType::Boolean:
        w.put<quint8>(value.toBool() ? 1 : 0);
        break;
    case RowFieldType::Date:
        w.put<qint64>(value.toDate().toJulianDay());
        break;
    case RowFieldType::DateTime: {
        const QDateTime dt = value.toDateTime();
        w.put<qint64>(dt.date().toJulianDay());
        w.put<qint32>(dt.time().msecsSinceStartOfDay());
        break;
    }
    case RowFieldType::Bytes:
        w.putBytes(value.toByteArray());
        break;
    }
}

bool readValue(Reader& r, RowFieldType type, QVariant& value)
{
    quint8 present = 0;
    if (!r.get(present) || present > 1)
        return false;
    if (!present) {
        value = QVariant();
        return true;
    }
    switch (type) {
    case RowFieldType::Text: {
        QByteArrayView bytes;
        if (!r.getBytes(bytes))
            return false;
        value = QString::fromUtf8(bytes);
        return true;
    }
    case RowFieldType::Integer: {
        qint64 v = 0;
        if (!r.get(v))
            return false;
        value = v;
        return true;
    }
    case RowFieldType::Float: {
        double v = 0;
        if (!r.get(v))
            return false;
        value = v;
        return true;
    }
    case RowFieldType::Boolean: {
        quint8 v = 0;
        if (!r.get(v) || v > 1)
            return false;
        value = bool(v);
        return true;
    }
    case RowFieldType::Date: {
        qint64 day = 0;
        if (!r.get(day))
            return false;
        const QDate date = QDate::fromJulianDay(day);
        if (!date.isValid())
            return false;
        value = date;
        return true;
    }
    case RowFieldType::DateTime: {
        qint64 day = 0;
        qint32 ms = 0;
        if (!r.get(day) || !r.get(ms) || ms < 0 || ms >= 86400000)
            return false;
        const QDate date = QDate::fromJulianDay(day);
        if (!date.isValid())
            return false;
        value = QDateTime(date, QTime::fromMSecsSinceStartOfDay(ms));
        return true;
    }
    case RowFieldType::Bytes: {
        QByteArrayView bytes;
        if (!r.getBytes(bytes))
            return false;
        value = bytes.toByteArray();
        return true;
    }
    }
    return false;
}
} // namespace

qsizetype RowTable::fieldIndex(QStringView name) const
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (QStringView(fields[i].name).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QByteArray encodeRowTable(const RowTable& table)
{
    Writer w;
    w.putRaw(kMagic, sizeof kMagic);
    w.put<quint16>(kFormatVersion);
    w.put<quint16>(0);
    w.put<quint32>(quint32(table.fields.size()));
    for (const RowField& field : table.fields) {
        w.put<quint8>(quint8(field.type));
        w.put<qint32>(field.size);
        w.putBytes(field.name.toUtf8());
    }
    w.put<quint32>(quint32(table.rows.size()));
    for (const QVariantList& row : table.rows) {
        for (qsizetype f = 0; f < table.fields.size(); ++f)
            writeValue(w, table.fields[f].type, f < row.size() ? row[f] : QVariant());
    }
    const uLong crc =
        crc32(0L, reinterpret_cast<const Bytef*>(w.bytes().constData()), uInt(w.bytes().size()));
    w.put<quint32>(quint32(crc));
    return w.bytes();
}

std::optional<RowTable> decodeRowTable(QByteArrayView bytes)
{
    if (bytes.size() < qsizetype(sizeof kMagic) + 4)
        return std::nullopt;
    const QByteArrayView body = bytes.first(bytes.size() - 4);
    const quint32 stored = qFromLittleEndian<quint32>(bytes.data() + body.size());
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()));
    if (quint32(crc) != stored)
        return std::nullopt;

    Reader r(body);
    quint16 version = 0;
    quint16 reserved = 0;
    quint32 fieldCount = 0;
    if (!r.expect(kMagic, sizeof kMagic) || !r.get(version) || version != kFormatVersion ||
        !r.get(reserved) || !r.get(fieldCount) || fieldCount > kMaxFields)
        return std::nullopt;

    RowTable table;
    table.fields.reserve(fieldCount);
    for (quint32 i = 0; i < fieldCount; ++i) {
        quint8 type = 0;
        qint32 size = 0;
        QByteArrayView name;
        if (!r.get(type) || !validType(type) || !r.get(size) || !r.getBytes(name))
            return std::nullopt;
        table.fields.append({QString::fromUtf8(name), RowFieldType(type), size});
    }
    quint32 rowCount = 0;
    if (!r.get(rowCount))
        return std::nullopt;
    // Every value takes at least its one presence byte; this also bounds the reservation.
    if (fieldCount == 0 ? rowCount != 0 : quint64(rowCount) * fieldCount > quint64(r.remaining()))
        return std::nullopt;
    table.rows.reserve(rowCount);
    for (quint32 i = 0; i < rowCount; ++i) {
        QVariantList row;
        row.reserve(fieldCount);
        for (const RowField& field : std::as_const(table.fields)) {
            QVariant value;
            if (!readValue(r, field.type, value))
                return std::nullopt;
            row.append(value);
        }
        table.rows.append(std::move(row));
    }
    if (r.remaining() != 0)
        return std::nullopt;
    return table;
}
