#pragma once

#include <QFont>
#include <QString>

// A font as the windows name it: family, size in points (fractions allowed) and weight.
inline QFont window_font(const QString& family, double points, bool bold = false) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}
