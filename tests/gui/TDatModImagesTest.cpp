#include "gui/TDatModImages.h"

#include <QImage>

#include <gtest/gtest.h>

#include <vector>

using namespace ekaldo;

namespace {

const QIcon::Mode AllModes[] = {QIcon::Normal, QIcon::Active, QIcon::Disabled};
const Qt::ArrowType AllArrows[] = {Qt::UpArrow, Qt::DownArrow, Qt::LeftArrow, Qt::RightArrow};

std::vector<ToolImage> AllTools() {
    std::vector<ToolImage> tools;
    for (int i = 0; i < ToolImageCount; ++i)
        tools.push_back(static_cast<ToolImage>(i));
    return tools;
}

QImage Pixels(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

int OpaqueCount(const QImage& image, int minAlpha = 128) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) >= minAlpha;
    return n;
}

// Pixels whose colour or coverage differs noticeably: two pictures that differ only in rounding are alike.
int DifferingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            const int d = std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                          std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
            n += d > 48;
        }
    }
    return n;
}

int Saturation(QRgb pixel) {
    return QColor::fromRgb(pixel).hsvSaturation();
}

double Lightness(QRgb pixel) {
    return 0.299 * qRed(pixel) + 0.587 * qGreen(pixel) + 0.114 * qBlue(pixel);
}

} // namespace

TEST(TDatModImagesTest, EveryPictureHasItsSizeInEverySet) {
    for (ToolImage tool : AllTools()) {
        SCOPED_TRACE(static_cast<int>(tool));
        const QIcon icon = TDatModImages::ToolIcon(tool);
        for (QIcon::Mode mode : AllModes) {
            EXPECT_EQ(TDatModImages::ToolPixmap(tool, mode).size(), QSize(27, 27));
            EXPECT_TRUE(icon.availableSizes(mode).contains(QSize(27, 27)));
            EXPECT_EQ(icon.pixmap(QSize(27, 27), 1.0, mode).size(), QSize(27, 27));
        }
    }
    for (int i = 0; i < StateImageCount; ++i)
        EXPECT_EQ(TDatModImages::State(static_cast<StateImage>(i)).size(), QSize(16, 16));
    for (int i = 0; i < MarkImageCount; ++i)
        EXPECT_EQ(TDatModImages::Mark(static_cast<MarkImage>(i)).size(), QSize(11, 11));
    EXPECT_EQ(TDatModImages::Folder(false).size(), QSize(15, 14));
    EXPECT_EQ(TDatModImages::Folder(true).size(), QSize(15, 14));
    for (Qt::ArrowType arrow : AllArrows) {
        EXPECT_EQ(TDatModImages::Arrow(arrow, false).size(), QSize(17, 17));
        EXPECT_EQ(TDatModImages::Arrow(arrow, true).size(), QSize(17, 17));
    }
    EXPECT_EQ(TDatModImages::Banner().size(), QSize(360, 200));
    const QIcon app = TDatModImages::AppIcon();
    for (int size : {16, 32, 48, 256}) {
        EXPECT_TRUE(app.availableSizes().contains(QSize(size, size))) << size;
        EXPECT_EQ(app.pixmap(QSize(size, size), 1.0).size(), QSize(size, size)) << size;
    }
}

TEST(TDatModImagesTest, PicturesAreNotBlankAndCarryAnOutline) {
    // A tool picture fills a good part of its box; a picture of one flat colour would show no shape.
    for (ToolImage tool : AllTools()) {
        for (QIcon::Mode mode : AllModes) {
            SCOPED_TRACE(testing::Message() << "tool " << static_cast<int>(tool) << " mode " << mode);
            const QImage image = Pixels(TDatModImages::ToolPixmap(tool, mode));
            EXPECT_GE(OpaqueCount(image), 27 * 27 / 8);
            double darkest = 255, lightest = 0;
            for (int y = 0; y < 27; ++y) {
                for (int x = 0; x < 27; ++x) {
                    if (qAlpha(image.pixel(x, y)) < 200)
                        continue;
                    darkest = std::min(darkest, Lightness(image.pixel(x, y)));
                    lightest = std::max(lightest, Lightness(image.pixel(x, y)));
                }
            }
            EXPECT_GE(lightest - darkest, 40);
        }
    }
    for (int i = 0; i < StateImageCount; ++i)
        EXPECT_GE(OpaqueCount(Pixels(TDatModImages::State(static_cast<StateImage>(i)))), 16 * 16 / 2) << i;
    // Grid marks are whole boxes: nothing of the cell shows through.
    for (int i = 0; i < MarkImageCount; ++i)
        EXPECT_EQ(OpaqueCount(Pixels(TDatModImages::Mark(static_cast<MarkImage>(i))), 255), 11 * 11) << i;
    EXPECT_GE(OpaqueCount(Pixels(TDatModImages::Folder(false))), 15 * 14 / 2);
    EXPECT_GE(OpaqueCount(Pixels(TDatModImages::Folder(true))), 15 * 14 / 2);
    for (Qt::ArrowType arrow : AllArrows)
        EXPECT_GE(OpaqueCount(Pixels(TDatModImages::Arrow(arrow, false))), 17 * 17 / 5) << arrow;
    EXPECT_EQ(OpaqueCount(Pixels(TDatModImages::Banner()), 255), 360 * 200);
    EXPECT_GE(OpaqueCount(Pixels(TDatModImages::AppIcon().pixmap(QSize(16, 16), 1.0))), 16 * 16 / 2);
}

TEST(TDatModImagesTest, DisabledSetIsDrawnInGreysOfItsOwn) {
    for (ToolImage tool : AllTools()) {
        SCOPED_TRACE(static_cast<int>(tool));
        const QImage normal = Pixels(TDatModImages::ToolPixmap(tool, QIcon::Normal));
        const QImage disabled = Pixels(TDatModImages::ToolPixmap(tool, QIcon::Disabled));
        int mostSaturated = 0;
        for (int y = 0; y < 27; ++y)
            for (int x = 0; x < 27; ++x)
                if (qAlpha(disabled.pixel(x, y)) > 24)
                    mostSaturated = std::max(mostSaturated, Saturation(disabled.pixel(x, y)));
        EXPECT_LE(mostSaturated, 20);
        EXPECT_GT(DifferingPixels(normal, disabled), 20);
        // The icon hands out the drawn set, not a greying of the normal one made on the fly.
        const QIcon icon = TDatModImages::ToolIcon(tool);
        EXPECT_EQ(Pixels(icon.pixmap(QSize(27, 27), 1.0, QIcon::Disabled)), disabled);
    }
}

TEST(TDatModImagesTest, NoTwoPicturesOfAKindAreAlike) {
    const auto tools = AllTools();
    for (size_t i = 0; i < tools.size(); ++i) {
        const QImage a = Pixels(TDatModImages::ToolPixmap(tools[i], QIcon::Normal));
        for (size_t j = i + 1; j < tools.size(); ++j) {
            const QImage b = Pixels(TDatModImages::ToolPixmap(tools[j], QIcon::Normal));
            // Zooming in and out differ by one stroke, and that is enough.
            EXPECT_GT(DifferingPixels(a, b), 12) << "tools " << i << " and " << j;
        }
    }
    for (int i = 0; i < StateImageCount; ++i)
        for (int j = i + 1; j < StateImageCount; ++j)
            EXPECT_GT(DifferingPixels(Pixels(TDatModImages::State(static_cast<StateImage>(i))),
                                      Pixels(TDatModImages::State(static_cast<StateImage>(j)))),
                      16)
                << "states " << i << " and " << j;
    for (int i = 0; i < MarkImageCount; ++i)
        for (int j = i + 1; j < MarkImageCount; ++j)
            EXPECT_GT(DifferingPixels(Pixels(TDatModImages::Mark(static_cast<MarkImage>(i))),
                                      Pixels(TDatModImages::Mark(static_cast<MarkImage>(j)))),
                      6)
                << "marks " << i << " and " << j;
    EXPECT_GT(DifferingPixels(Pixels(TDatModImages::Folder(false)), Pixels(TDatModImages::Folder(true))), 10);
}

TEST(TDatModImagesTest, ArrowsPointTheWayTheyAreAskedFor) {
    // The head is the widest part of an arrow, so its widest line across lies in the half it points to.
    auto widestRow = [](const QImage& image) {
        int best = -1, bestCount = -1;
        for (int y = 0; y < image.height(); ++y) {
            const int n = OpaqueCount(image.copy(0, y, image.width(), 1));
            if (n > bestCount) {
                best = y;
                bestCount = n;
            }
        }
        return best;
    };
    auto widestColumn = [&](const QImage& image) {
        return widestRow(image.transformed(QTransform().rotate(90)));
    };
    const int up = widestRow(Pixels(TDatModImages::Arrow(Qt::UpArrow, false)));
    const int down = widestRow(Pixels(TDatModImages::Arrow(Qt::DownArrow, false)));
    // Turned a quarter clockwise, the left edge becomes the top.
    const int left = widestColumn(Pixels(TDatModImages::Arrow(Qt::LeftArrow, false)));
    const int right = widestColumn(Pixels(TDatModImages::Arrow(Qt::RightArrow, false)));
    EXPECT_LT(up, 8);
    EXPECT_GT(down, 8);
    EXPECT_LT(left, 8);
    EXPECT_GT(right, 8);
}

TEST(TDatModImagesTest, GridMarksKeepTheirMeaningInColour) {
    auto countWhere = [](MarkImage mark, auto predicate) {
        const QImage image = Pixels(TDatModImages::Mark(mark));
        int n = 0;
        for (int y = 1; y < 10; ++y)
            for (int x = 1; x < 10; ++x)
                n += predicate(QColor::fromRgb(image.pixel(x, y)));
        return n;
    };
    auto reddish = [](const QColor& c) { return c.hsvSaturation() > 120 && (c.hue() < 15 || c.hue() > 345); };
    auto yellowish = [](const QColor& c) {
        return c.hsvSaturation() > 100 && c.hue() >= 35 && c.hue() <= 60;
    };
    auto saturated = [](const QColor& c) { return c.hsvSaturation() > 40; };
    auto black = [](const QColor& c) { return c.lightness() < 60; };
    auto white = [](const QColor& c) { return c.lightness() > 235; };
    EXPECT_GT(countWhere(MarkImage::RedCross, reddish), 40);
    EXPECT_GT(countWhere(MarkImage::RedCross, white), 3); // the white cross on it
    EXPECT_GT(countWhere(MarkImage::YellowCross, yellowish), 40);
    EXPECT_EQ(countWhere(MarkImage::YellowCross, reddish), 0);
    // The plain tick is black on white; the greyed tick has no black in it, and no colour either.
    EXPECT_GT(countWhere(MarkImage::Tick, black), 4);
    EXPECT_GT(countWhere(MarkImage::Tick, white), 40);
    EXPECT_EQ(countWhere(MarkImage::GreyTick, black), 0);
    EXPECT_EQ(countWhere(MarkImage::GreyTick, saturated), 0);
    EXPECT_GT(countWhere(MarkImage::GreyTick, [](const QColor& c) { return c.lightness() < 200; }), 4);
}

TEST(TDatModImagesTest, BannerLeavesItsTextBandLightAndQuiet) {
    const QImage banner = Pixels(TDatModImages::Banner());
    const QRect band = TDatModImages::BannerTextBand;
    ASSERT_TRUE(banner.rect().contains(band));
    EXPECT_LE(band.left(), 36);
    EXPECT_GE(band.right(), 329);
    EXPECT_LE(band.top(), 88);
    EXPECT_GE(band.bottom(), 124); // the copyright line's box ends there
    double darkest = 255, lightest = 0;
    for (int y = band.top(); y <= band.bottom(); ++y) {
        for (int x = band.left(); x <= band.right(); ++x) {
            darkest = std::min(darkest, Lightness(banner.pixel(x, y)));
            lightest = std::max(lightest, Lightness(banner.pixel(x, y)));
        }
    }
    EXPECT_GE(darkest, 225);
    EXPECT_LE(lightest - darkest, 24);
    // Outside the band the picture has something to show.
    int dark = 0;
    for (int y = 0; y < banner.height(); ++y)
        for (int x = 0; x < banner.width(); ++x)
            dark += Lightness(banner.pixel(x, y)) < 120;
    EXPECT_GT(dark, 500);
}
