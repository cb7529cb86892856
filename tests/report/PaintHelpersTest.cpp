#include "report/PaintHelpers.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace ekaldo;

namespace {

// The bounding box of every non-white pixel.
QRect InkBounds(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != Qt::white)
                box |= QRect(x, y, 1, 1);
    return box;
}

QRect Draw(int angle) {
    QImage image(200, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    painter.setFont(font);
    const QFont before = painter.font();
    TextOutAngle(painter, 100, 100, QStringLiteral("Άλγεβρα Γεωμετρία"), angle);
    EXPECT_EQ(painter.font(), before) << "the painter is left as it was";
    EXPECT_TRUE(painter.transform().isIdentity());
    painter.end();
    return InkBounds(image);
}

} // namespace

TEST(TextOutAngle, NineHundredWritesUpwards) {
    const QRect flat = Draw(0);
    ASSERT_FALSE(flat.isEmpty());
    EXPECT_GT(flat.width(), flat.height() * 3) << "horizontal text is wide";
    EXPECT_GE(flat.left(), 100);
    const QRect up = Draw(900);
    ASSERT_FALSE(up.isEmpty());
    EXPECT_GT(up.height(), up.width() * 3) << "turned text is tall";
    EXPECT_LE(up.bottom(), 101) << "it rises from the given point";
    EXPECT_GE(up.left(), 99);
}
