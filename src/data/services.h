#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

class Dataset;
class QLineEdit;

// The shared services of the data module. None raises an error to its caller: each turns a
// failure into its documented result. User text goes into SQL only as bound values.

// Running SQL. A wait text that is not blank is shown as a notice while the work runs.
bool OpenQuery(Dataset& query, const QString& sql, const QString& waitText = QString());
// The same with values bound to the statement's "?" marks.
bool OpenBoundQuery(Dataset& query, const QString& sql, const QVariantList& binds,
                    const QString& waitText = QString());
bool ExecQuery(Dataset& query, const QString& sql, const QString& waitText = QString());
bool ExecCommand(QSqlDatabase db, const QString& sql, const QString& waitText = QString(),
                 const QVariantList& binds = {});
bool ExecCommandList(QSqlDatabase db, const QStringList& statements, const QString& errorText);
bool SetFieldValueByName(Dataset& query, const QString& field, const QVariant& value);

// Fields and rows.
int SetFieldValue(Dataset* dataset, const QString& field, const QVariant& value);
// The result field of the first row whose key field equals the value; the current row stays.
QString LookupFieldText(const QVariant& value, const Dataset& dataset, const QString& resultField,
                        const QString& keyField);

// Keys; the datasets are ordered by their key.
int NextKeyValue(Dataset& dataset, const QString& field, int firstValue);
int NextOperIntId(Dataset& dataset, const QString& field, const QString& operNo, int firstValue);
// Builds CurOperId + "." + middle + "." + a four-digit serial, appends a row and puts it into
// edit. On failure the key is the prefix alone and no row is appended; past serial 9999 the
// operator is told why.
bool NextOperRecordId(Dataset& dataset, const QString& middle, QString& key);

// Numbers, dates and limits.
double RoundValue(int digits, int mode, double value);
int MinSecToSeconds(double value);
QDate ParseDateText(const QString& text);
QString PadNumber(qint64 number, int width, QChar fill, bool cut);
QString PadText(const QString& text, int width, QChar fill, bool cut);
double IndicatorLowerLimit(const QString& code);
double IndicatorUpperLimit(const QString& code);
bool CheckScoreEdit(QLineEdit* box, double lower, double upper);
