#include "gui/TDatModImages.h"

#include <QDirIterator>
#include <QImage>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace ekaldo;

// Every file among the picture resources loads, every picture the windows ask
// for comes out at its size with a shape on it, and each arrow points the way
// it is asked for.
TEST(TDatModImagesTest, EveryPictureLoadsAndRendersAtItsSize) {
    std::vector<std::pair<QPixmap, QSize>> pictures;
    for (int i = 0; i < ToolImageCount; ++i)
        for (QIcon::Mode mode : {QIcon::Normal, QIcon::Active, QIcon::Disabled})
            pictures.push_back({TDatModImages::ToolPixmap(static_cast<ToolImage>(i), mode), QSize(27, 27)});
    for (int i = 0; i < StateImageCount; ++i)
        pictures.push_back({TDatModImages::State(StateImage(i)), QSize(16, 16)});
    for (int i = 0; i < MarkImageCount; ++i)
        pictures.push_back({TDatModImages::Mark(MarkImage(i)), QSize(11, 11)});
    for (bool open : {false, true})
        pictures.push_back({TDatModImages::Folder(open), QSize(15, 14)});
    pictures.push_back({TDatModImages::Arrow(Qt::UpArrow, true), QSize(17, 17)});
    pictures.push_back({TDatModImages::Banner(), QSize(360, 200)});
    for (int size : {16, 256})
        pictures.push_back({TDatModImages::AppIcon().pixmap(QSize(size, size), 1.0), QSize(size, size)});
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const QImage image = pictures[i].first.toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), pictures[i].second) << i;
        int shown = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                shown += qAlpha(image.pixel(x, y)) >= 200;
        EXPECT_GE(shown, image.width() * image.height() / 8) << i;
    }

    // The highlighted and disabled sets stay apart from the normal one.
    for (int i = 0; i < ToolImageCount; ++i) {
        const QImage normal = TDatModImages::ToolPixmap(ToolImage(i), QIcon::Normal).toImage();
        EXPECT_NE(TDatModImages::ToolPixmap(ToolImage(i), QIcon::Disabled).toImage(), normal) << i;
        EXPECT_NE(TDatModImages::ToolPixmap(ToolImage(i), QIcon::Active).toImage(), normal) << i;
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
