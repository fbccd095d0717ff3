#include "pie_colors.h"

#include <QPieSeries>
#include <QPieSlice>

void ColorPieByRating(QPieSeries* series)
{
    if (!series)
        return;
    for (QPieSlice* slice : series->slices()) {
        const QString label = slice->label();
        if (label == QStringLiteral("优秀") || label == QStringLiteral("正常体重"))
            slice->setColor(QColor(0, 255, 0));
        else if (label == QStringLiteral("良好") || label == QStringLiteral("较低体重"))
            slice->setColor(QColor(0, 255, 255));
        else if (label == QStringLiteral("及格") || label == QStringLiteral("超    重"))
            slice->setColor(QColor(255, 255, 0));
        else if (label == QStringLiteral("不及格") || label == QStringLiteral("营养不良"))
            slice->setColor(QColor(255, 0, 0));
        else if (label == QStringLiteral("肥    胖"))
            slice->setColor(QColor(0, 0, 255));
    }
}
