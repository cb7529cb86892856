#include "report/PaintHelpers.h"

#include <QFontMetrics>
#include <QPainter>

namespace ekaldo {

void TextOutAngle(QPainter& painter, int x, int y, const QString& text, int angle) {
    painter.save();
    painter.translate(x, y);
    painter.rotate(-angle / 10.0);
    // (x, y) is the top-left corner of the text cell, as for an unrotated text.
    painter.drawText(0, painter.fontMetrics().ascent(), text);
    painter.restore();
}

} // namespace ekaldo
