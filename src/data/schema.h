#pragma once

#include <QString>

#include <vector>

// The database schema, declared once as data; DDL is generated from it per dialect.

enum class ColumnType { Int, Float, Varchar, Text, DateTime, Identity };

struct ColumnDef
{
    const char* name;
    ColumnType type;
    int size; // bytes of a varchar in the Chinese code page; 0 otherwise
    bool notNull;
    const char* defaultValue; // SQL literal as declared ("0", "'12'", "501001"), or nullptr
    const char* label;        // caption the windows show (UTF-8), or nullptr
};

struct TableDef
{
    const char* name;
    const char* description; // used in the creation failure message (UTF-8)
    const char* primaryKey;  // nullptr for the tables without one
    std::vector<ColumnDef> columns;

    const ColumnDef* column(QStringView name) const; // ignoring case
};

struct KeyDef
{
    const char* name;
    const char* table;
    bool primaryKey;
    std::vector<const char*> columns;
};

// The 28 tables in creation order.
const std::vector<TableDef>& schemaTables();
// The 32 key and index statements in the order they are issued.
const std::vector<KeyDef>& schemaKeys();
// The table of that name (ignoring case), or nullptr.
const TableDef* findTable(QStringView name);
