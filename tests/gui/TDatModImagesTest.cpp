#include "gui/TDatModImages.h"

#include <QDirIterator>
#include <QImage>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace ekaldo;

// Every file among the picture resources loads, and every picture the windows ask for comes out at its
// size with a shape on it; the highlighted and disabled sets come from the normal one and stay apart
// from it, and each arrow points the way it is asked for.
TEST(TDatModImagesTest, EveryPictureLoadsAndRendersAtItsSize) {
    struct Picture {
        QString name;
        QPixmap pixmap;
        QSize size;
    };
    std::vector<Picture> pictures;
    for (int i = 0; i < ToolImageCount; ++i) {
        const QIcon icon = TDatModImages::ToolIcon(static_cast<ToolImage>(i));
        for (QIcon::Mode mode : {QIcon::Normal, QIcon::Active, QIcon::Disabled}) {
            const QString name = QStringLiteral("tool %1 mode %2").arg(i).arg(mode);
            pictures.push_back(
                {name, TDatModImages::ToolPixmap(static_cast<ToolImage>(i), mode), QSize(27, 27)});
            pictures.push_back(
                {name + QStringLiteral(" 2x"), icon.pixmap(QSize(54, 54), 1.0, mode), QSize(54, 54)});
        }
    }
    for (int i = 0; i < StateImageCount; ++i)
        pictures.push_back(
            {QStringLiteral("state %1").arg(i), TDatModImages::State(StateImage(i)), QSize(16, 16)});
    for (int i = 0; i < MarkImageCount; ++i)
        pictures.push_back(
            {QStringLiteral("mark %1").arg(i), TDatModImages::Mark(MarkImage(i)), QSize(11, 11)});
    for (bool open : {false, true})
        pictures.push_back(
            {QStringLiteral("folder %1").arg(open), TDatModImages::Folder(open), QSize(15, 14)});
    for (Qt::ArrowType arrow : {Qt::UpArrow, Qt::DownArrow, Qt::LeftArrow, Qt::RightArrow})
        for (bool lit : {false, true})
            pictures.push_back({QStringLiteral("arrow %1 %2").arg(arrow).arg(lit),
                                TDatModImages::Arrow(arrow, lit), QSize(17, 17)});
    pictures.push_back({QStringLiteral("banner"), TDatModImages::Banner(), QSize(360, 200)});
    for (int size : {16, 32, 48, 256})
        pictures.push_back({QStringLiteral("app %1").arg(size),
                            TDatModImages::AppIcon().pixmap(QSize(size, size), 1.0), QSize(size, size)});

    for (const Picture& picture : pictures) {
        SCOPED_TRACE(picture.name.toStdString());
        const QImage image = picture.pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), picture.size);
        int shown = 0, darkest = 255, lightest = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qAlpha(image.pixel(x, y)) < 200)
                    continue;
                ++shown;
                darkest = std::min(darkest, qGray(image.pixel(x, y)));
                lightest = std::max(lightest, qGray(image.pixel(x, y)));
            }
        }
        EXPECT_GE(shown, image.width() * image.height() / 8);
        EXPECT_GE(lightest - darkest, 16); // an outline or a sign, not one flat colour
    }

    for (int i = 0; i < ToolImageCount; ++i) {
        SCOPED_TRACE(i);
        const QImage normal = TDatModImages::ToolPixmap(ToolImage(i), QIcon::Normal).toImage();
        const QImage lit = TDatModImages::ToolPixmap(ToolImage(i), QIcon::Active).toImage();
        const QImage grey = TDatModImages::ToolPixmap(ToolImage(i), QIcon::Disabled).toImage();
        EXPECT_NE(grey, normal);
        int glow = 0; // the highlighted set lights up around its shape
        for (int y = 0; y < 27; ++y) {
            for (int x = 0; x < 27; ++x) {
                ASSERT_LE(grey.pixelColor(x, y).hsvSaturation(), 20) << x << "," << y;
                glow += qAlpha(normal.pixel(x, y)) == 0 && qAlpha(lit.pixel(x, y)) > 24;
            }
        }
        EXPECT_GT(glow, 20);
    }

    // The head is the heavier end of an arrow.
    auto pointsTo = [](Qt::ArrowType arrow) {
        const QImage image = TDatModImages::Arrow(arrow, false).toImage();
        std::map<Qt::ArrowType, int> weight;
        for (int y = 0; y < 17; ++y) {
            for (int x = 0; x < 17; ++x) {
                const int a = qAlpha(image.pixel(x, y));
                weight[y < 8 ? Qt::UpArrow : y > 8 ? Qt::DownArrow : Qt::NoArrow] += a;
                weight[x < 8 ? Qt::LeftArrow : x > 8 ? Qt::RightArrow : Qt::NoArrow] += a;
            }
        }
        weight.erase(Qt::NoArrow);
        return std::max_element(weight.begin(), weight.end(),
                                [](const auto& a, const auto& b) { return a.second < b.second; })
            ->first;
    };
    for (Qt::ArrowType arrow : {Qt::UpArrow, Qt::DownArrow, Qt::LeftArrow, Qt::RightArrow})
        EXPECT_EQ(pointsTo(arrow), arrow);

    int files = 0;
    for (QDirIterator it(QStringLiteral(":/pictures"), QDirIterator::Subdirectories); it.hasNext();) {
        const QString file = it.next();
        if (it.fileInfo().isDir())
            continue;
        ++files;
        QSvgRenderer svg(file);
        EXPECT_TRUE(svg.isValid()) << file.toStdString();
        EXPECT_FALSE(svg.defaultSize().isEmpty()) << file.toStdString();
    }
    EXPECT_EQ(files, ToolImageCount + StateImageCount + MarkImageCount + 5); // folders, arrow, banner, icon
}
