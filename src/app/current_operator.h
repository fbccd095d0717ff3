#pragma once

#include <QString>

// The logged-in operator, set at login and read everywhere.
struct CurrentOperator
{
    QString CurOperId = QStringLiteral("-1"); // teacher number as text; "-1" for the super operator
    QString CurOperNo;
    QString CurOperName;
    QString CurOperRole; // "教师", "主任" or "办公室"; empty for the super operator
    QString CurOperPassword;
};

CurrentOperator& currentOperator();
