#pragma once

#include <QString>
#include <QStringList>

// One run of the administrator's tool (its path comes from ORVANE_ADMIN).
struct AdminRun
{
    int exitCode = -1; // -1 when it crashed or did not finish
    QString out;
    QString err;
};

// With a configuration home of its own when one is given.
AdminRun runAdmin(const QStringList& args, const QString& configHome = QString());
