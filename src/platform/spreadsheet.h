#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

// Spreadsheet files in place of Excel automation: one sheet is read as a header row plus rows
// of typed cells, and tables are written as .xlsx.

struct Sheet
{
    QString name;
    // The first row as text. Extra columns that only data rows reach get an empty name, so no
    // cell is ever dropped.
    QStringList header;
    // The rows below, each exactly header.size() cells: QString for text, qint64 for a whole
    // number stored as such, double for other numbers, bool, QDate / QDateTime when the cell's
    // number format says date, QTime for a time of day, and a null QVariant for an empty cell
    // (an empty text counts as empty). Trailing empty rows are left out. In .csv every non-empty
    // cell is text.
    QList<QVariantList> rows;
};

// Reads the sheet named sheetName (exact match first, then ignoring case), else the first sheet,
// of a .xls, .xlsx or .csv file; the extension decides the format. A .csv is UTF-8 (with or
// without BOM) or else GB18030. nullopt and a message naming the file on any failure, including
// damaged files, parts that unpack to more than 256 MiB and sheets of more than 5,000,000 cells.
// A .xls is parsed in a short-lived child process (FreeXL is not safe on damaged files).
std::optional<Sheet> readWorkbook(const QString& path, const QString& sheetName, QString* error);
// The same from bytes; format is "xls", "xlsx" or "csv".
std::optional<Sheet> readWorkbookBytes(const QByteArray& bytes, const QString& format,
                                       const QString& sheetName, QString* error);

// Writes one sheet: the header row, then the rows. qint64 / int / double are numbers (whole
// numbers of more than 15 digits become text, which Excel would round), bool a boolean,
// QDate / QDateTime / QTime a date or time with a matching format (dates before 1900 become
// ISO text, which Excel cannot hold as dates), null or empty an empty cell, everything else its
// text, so "0012" stays "0012". The file is replaced only when the new one is complete.
bool writeXlsx(const QString& path, const QString& sheetName, const QStringList& header,
               const QList<QVariantList>& rows, QString* error);
