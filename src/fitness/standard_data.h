#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

// The national standard as shipped: TZJKB.csv, SGTZB.csv and ZBLBB.csv in one folder, each
// with a header row of field names.
struct StandardTables
{
    struct Table
    {
        QString name;             // TZJKB, SGTZB or ZBLBB
        QStringList fields;       // as the header gives them, declared names
        QList<QVariantList> rows; // typed as the columns are declared; NULL for empty cells
    };
    Table tzjkb;
    Table sgtzb;
    Table zblbb;

    // The indicator codes the ZBLBB rows carry: the rows of these codes are replaced.
    QStringList indicatorCodes() const;
};

// The folder the build puts beside the executables.
QString ShippedStandardFolder();

// Reads and checks the three files; nullopt and why (file, row, field) on any fault, so that a
// damaged file never reaches the database.
std::optional<StandardTables> ReadStandardTables(const QString& folder, QString* error);

// Replaces every TZJKB and SGTZB row and the ZBLBB rows of the shipped codes. Runs no
// transaction of its own: the caller opens one, and rolls it back when this returns false.
// ZBLBB rows keep their shipped keys unless another indicator row holds one; then they are
// numbered after the largest key.
bool WriteStandardTables(QSqlDatabase db, const StandardTables& tables, QString* error);
