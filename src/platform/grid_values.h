#pragma once

#include <QString>
#include <QVariant>

// How the grids see cell values: the text a cell shows, the key two cells are "the same" by
// (grouping, lookups, tree links) and the order groups come in.
namespace GridValues {
bool isNull(const QVariant& value);
bool isNumber(const QVariant& value);
// Dates as yyyy-MM-dd (with the time when there is one), numbers without trailing zeros.
QString displayText(const QVariant& value);
// NULL and blank text are one key; numbers compare by value; text is trimmed.
QString key(const QVariant& value);
// NULL and blank first, numbers by value, text by its GBK bytes (pinyin order for common
// characters), as the Dataset sorts.
int compare(const QVariant& a, const QVariant& b);
} // namespace GridValues
