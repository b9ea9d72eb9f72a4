#pragma once

#include <QFont>

// The windows' own typeface, at exact fractional sizes (9.75 pt, not 10).
inline QFont CourierNew(double points, QFont::Weight weight)
{
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}
