#pragma once

#include "platform/row_stream.h"

#include <QString>

// The configuration file's key/value table: rows with the text fields IDX (key) and X (value),
// read from a TXFile container.
class TXIni
{
public:
    // Loads the file: the number of rows, or -1 when any step fails (silently).
    int setFileName(const QString& path);
    QString fileName() const { return m_fileName; }

    // The in-memory table; not open until a file loaded.
    const RowTable& MD() const { return m_table; }
    bool isOpen() const { return m_open; }

    // The value of the first row whose key equals the given one ignoring case, as stored;
    // empty text when the table is not open or has no such row.
    QString ReadValue(const QString& key) const;

    // The payload of a configuration file holding these rows.
    static QByteArray encodeRows(const QList<std::pair<QString, QString>>& rows);

private:
    QString m_fileName;
    RowTable m_table;
    bool m_open = false;
};
