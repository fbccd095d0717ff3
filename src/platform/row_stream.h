#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

// A self-describing table stream: typed fields with their names, then the rows, NULLs kept,
// texts in UTF-8, closed by a CRC-32 of everything before it. A damaged stream decodes to
// nothing rather than to wrong rows.
enum class RowFieldType : quint8 {
    Text = 1,
    Integer = 2,
    Float = 3,
    Boolean = 4,
    Date = 5,
    DateTime = 6,
    Bytes = 7
};

struct RowField
{
    QString name;
    RowFieldType type = RowFieldType::Text;
    qint32 size = 0; // declared size of a text field, 0 when not bounded
};

struct RowTable
{
    QList<RowField> fields;
    QList<QVariantList> rows; // each row holds one value per field; a null QVariant is NULL

    // Index of the field with this name, ignoring case; -1 when absent.
    qsizetype fieldIndex(QStringView name) const;
};

QByteArray encodeRowTable(const RowTable& table);
std::optional<RowTable> decodeRowTable(QByteArrayView bytes);
