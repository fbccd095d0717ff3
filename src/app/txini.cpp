#include "txini.h"

#include "data/txfile.h"

int TXIni::setFileName(const QString& path)
{
    m_fileName = path;
    m_open = false;
    m_table = RowTable();
    try {
        TXFile container;
        container.LoadFromFile(path);
        std::optional<RowTable> table = decodeRowTable(container.payload());
        if (!table)
            return -1;
        m_table = std::move(*table);
        m_open = true;
        return int(m_table.rows.size());
    } catch (const std::exception&) {
        return -1;
    }
}

QString TXIni::ReadValue(const QString& key) const
{
    if (!m_open)
        return QString();
    const qsizetype keyField = m_table.fieldIndex(u"IDX");
    const qsizetype valueField = m_table.fieldIndex(u"X");
    if (keyField < 0 || valueField < 0)
        return QString();
    for (const QVariantList& row : m_table.rows) {
        if (row[keyField].toString().compare(key, Qt::CaseInsensitive) == 0)
            return row[valueField].toString();
    }
    return QString();
}

QByteArray TXIni::encodeRows(const QList<std::pair<QString, QString>>& rows)
{
    RowTable table;
    table.fields = {{QStringLiteral("IDX"), RowFieldType::Text, 0},
                    {QStringLiteral("X"), RowFieldType::Text, 0}};
    for (const auto& [key, value] : rows)
        table.rows.append({key, value});
    return encodeRowTable(table);
}
