#pragma once

#include "data/schema.h"

#include <QString>

class QSqlDatabase;

// What differs between the embedded and the server database, kept in one place.
class Dialect
{
public:
    enum class Kind { SQLite, PostgreSQL, None };

    explicit Dialect(Kind kind = Kind::SQLite) : m_kind(kind) {}
    Kind kind() const { return m_kind; }

    // "SQLite"/"Access" → SQLite, "PostgreSQL"/"SQL2000"/"SQL7" → PostgreSQL, compared exactly.
    static Kind kindForDatabaseType(const QString& databaseType);
    // The Qt driver name of the kind.
    QString driverName() const;

    QString createTableSql(const TableDef& table) const;
    QString columnTypeSql(const ColumnDef& column) const;
    // The statement that adds the key or index (run only when it does not exist yet).
    QString createKeySql(const KeyDef& key) const;
    // Whether a key or index of that name exists (for a primary key: or the table has one).
    bool keyExists(const QSqlDatabase& db, const KeyDef& key) const;

    // A NULL-safe equality with one bound value: "col IS ?" or "col IS NOT DISTINCT FROM ?".
    QString nullSafeEquals(const QString& column) const;
    // substring(text, start, length) and the length of a text.
    QString substring(const QString& expr, int start, int length) const;
    QString length(const QString& expr) const;
    // Quotes an identifier for statements that must carry a name as text.
    static QString quoteIdentifier(const QString& name);
    // A text literal with its quotes doubled, for the rare statement that cannot bind.
    static QString quoteText(const QString& text);

private:
    Kind m_kind;
};
