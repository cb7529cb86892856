#include "gui/TDatModImages.h"

#include <QCoreApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <span>

// The pictures live in a static library, whose resources the linker would drop unless asked for by name;
// this lies outside the namespace because the registration function is declared at global scope.
static void RegisterPictures() {
    Q_INIT_RESOURCE(pictures);
}

namespace ekaldo {

namespace {

// The files under :/pictures, in the order of the enumerations.
const char* const ToolFiles[] = {
    "help",          "params",    "folders",   "exit",     "new-item",  "export-item",   "import-item",
    "delete-item",   "run",       "view",      "in-box",   "out-box",   "templates",     "save",
    "save-template", "columns",   "sort",      "copy",     "print",     "printer-setup", "check",
    "post",          "abort",     "zoom-in",   "zoom-out", "fit-width", "fit-page",      "first-page",
    "prior-page",    "next-page", "last-page", "close"};
static_assert(std::size(ToolFiles) == ToolImageCount);
const char* const StateFiles[] = {"edit", "post", "get", "alarm", "pub"};
static_assert(std::size(StateFiles) == StateImageCount);
const char* const MarkFiles[] = {"tick", "grey-tick", "red-cross", "yellow-cross", "part-tick"};
static_assert(std::size(MarkFiles) == MarkImageCount);

QImage Render(const QString& file, QSize size) {
    static const bool registered = (RegisterPictures(), true);
    Q_UNUSED(registered);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer svg(QStringLiteral(":/pictures/%1.svg").arg(file));
    QPainter p(&image);
    svg.render(&p);
    return image;
}

// The highlighted and the disabled sets are the normal set through this one filter: under the mouse a
// little brighter, the hue kept, with a warm rim of light around the shape; unavailable, a narrow band of
// light greys, so that the shapes stay readable.
QImage Filtered(const QImage& normal, QIcon::Mode mode) {
    if (mode == QIcon::Normal)
        return normal;
    QImage image = normal.convertToFormat(QImage::Format_ARGB32);
    // Rows of 32-bit pixels follow each other without gaps.
    for (QRgb& pixel : std::span(reinterpret_cast<QRgb*>(image.bits()), image.sizeInBytes() / sizeof(QRgb))) {
        const QColor c = QColor::fromRgba(pixel);
        if (mode == QIcon::Disabled) {
            const int grey =
                qRound(255 * (0.50 + 0.46 * (0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF())));
            pixel = qRgba(grey, grey, grey, c.alpha());
        } else {
            float h, s, v, a;
            c.getHsvF(&h, &s, &v, &a);
            pixel = QColor::fromHsvF(h, s * 0.9f, std::min(1.0f, v * 1.1f + 0.06f), a).rgba();
        }
    }
    if (mode == QIcon::Disabled)
        return image;
    QImage rim = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&rim);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(rim.rect(), QColor(0xff, 0xe2, 0x7a));
    }
    QImage lit(image.size(), QImage::Format_ARGB32_Premultiplied);
    lit.fill(Qt::transparent);
    QPainter p(&lit);
    // Faint copies of the shape around it, fainter with the distance; where they overlap they add up to
    // about the strength of a single near one.
    const double radius = 1.8 * image.width() / TDatModImages::ToolSize;
    const int reach = qCeil(radius);
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            const double d = std::hypot(dx, dy);
            if (d > radius + 0.5)
                continue;
            p.setOpacity(0.4 * (1.0 - d / (radius + 1.0)));
            p.drawImage(dx, dy, rim);
        }
    }
    p.setOpacity(1.0);
    p.drawImage(0, 0, image);
    p.end();
    return lit;
}

// The pictures are kept for the whole run, but let go of while the application object still exists,
// since pixmaps cannot outlive it.
template <typename T> QHash<QString, T>& Cache() {
    static QHash<QString, T> cache;
    static const bool registered = (qAddPostRoutine([] { cache.clear(); }), true);
    Q_UNUSED(registered);
    return cache;
}

template <typename T> T Cached(const QString& key, const std::function<T()>& make) {
    auto& cache = Cache<T>();
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    return *cache.insert(key, make());
}

QPixmap Picture(const QString& file, QSize size, QIcon::Mode mode = QIcon::Normal) {
    return Cached<QPixmap>(
        QStringLiteral("%1/%2x%3/%4").arg(file).arg(size.width()).arg(size.height()).arg(mode),
        [&] { return QPixmap::fromImage(Filtered(Render(file, size), mode)); });
}

QString ToolFile(ToolImage image) {
    return QStringLiteral("tools/") + QLatin1String(ToolFiles[static_cast<int>(image)]);
}

} // namespace

QIcon TDatModImages::ToolIcon(ToolImage image) {
    return Cached<QIcon>(ToolFile(image), [image] {
        QIcon icon;
        for (int scale : {1, 2})
            for (QIcon::Mode mode : {QIcon::Normal, QIcon::Active, QIcon::Disabled})
                icon.addPixmap(Picture(ToolFile(image), QSize(ToolSize, ToolSize) * scale, mode), mode);
        return icon;
    });
}

QPixmap TDatModImages::ToolPixmap(ToolImage image, QIcon::Mode mode) {
    return Picture(ToolFile(image), QSize(ToolSize, ToolSize),
                   mode == QIcon::Selected ? QIcon::Active : mode);
}

QPixmap TDatModImages::State(StateImage image) {
    return Picture(QStringLiteral("states/") + QLatin1String(StateFiles[static_cast<int>(image)]),
                   QSize(StateSize, StateSize));
}

QPixmap TDatModImages::Mark(MarkImage image) {
    return Picture(QStringLiteral("marks/") + QLatin1String(MarkFiles[static_cast<int>(image)]),
                   QSize(MarkSize, MarkSize));
}

QPixmap TDatModImages::Folder(bool open) {
    return Picture(open ? QStringLiteral("folder-open") : QStringLiteral("folder-closed"), FolderSize);
}

QPixmap TDatModImages::Arrow(Qt::ArrowType direction, bool highlighted) {
    // One drawing, pointing up; the other directions are quarter turns of it.
    int degrees = 0;
    if (direction == Qt::RightArrow)
        degrees = 90;
    else if (direction == Qt::DownArrow)
        degrees = 180;
    else if (direction == Qt::LeftArrow)
        degrees = 270;
    return Cached<QPixmap>(QStringLiteral("arrow/%1/%2").arg(degrees).arg(highlighted), [=] {
        const QPixmap up = Picture(QStringLiteral("arrow"), QSize(ArrowSize, ArrowSize),
                                   highlighted ? QIcon::Active : QIcon::Normal);
        return up.transformed(QTransform().rotate(degrees));
    });
}

QPixmap TDatModImages::Banner() {
    return Picture(QStringLiteral("banner"), BannerSize);
}

QIcon TDatModImages::AppIcon() {
    return Cached<QIcon>(QStringLiteral("app"), [] {
        QIcon icon;
        for (int size : {16, 24, 32, 48, 64, 128, 256})
            icon.addPixmap(Picture(QStringLiteral("ekaldo"), QSize(size, size)));
        return icon;
    });
}

} // namespace ekaldo
