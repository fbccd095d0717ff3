#pragma once

#include <QHash>
#include <QString>

class Dataset;
class QVariant;

// A dataset's rows by their key, so a merge finds the target of each incoming row without
// scanning. Keys are compared as key texts; rows are visible row numbers, which stay valid while
// the merge only appends rows and leaves the order alone.
class KeyIndex
{
public:
    KeyIndex(const Dataset& dataset, int keyField);

    // Whole numbers without ".0" (a sheet gives every number as a double), other numbers to 15
    // digits, text trimmed; empty for NULL or blank.
    static QString keyText(const QVariant& value);

    // The first row with this key, -1 when there is none (always for an empty key).
    int find(const QString& key) const;
    // A row appended with this key; a key already known keeps its first row, as a scan would.
    void add(const QString& key, int row);

private:
    QHash<QString, int> m_rows;
};
