#pragma once

#include <QString>

class QPainter;

namespace ekaldo {

// Writes text at (x, y) with the painter's current font turned by angle tenths
// of a degree, counter-clockwise as a rotated font runs; the painter is left
// as it was. The sheet grids write their column titles upwards with 900.
void TextOutAngle(QPainter& painter, int x, int y, const QString& text, int angle);

} // namespace ekaldo
