#pragma once

#include <QSqlDatabase>

// Inserts the score rows of one school year as the roster generates them and teachers fill
// them in: both sexes and grade groups, the items of each sex marked to be tested, values
// around the standard's bounds, some not measured yet, some bonus rows scored earlier.
bool InsertScoreYear(QSqlDatabase db, int year, int rows, quint32 seed);
