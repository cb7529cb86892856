#include "gui/TDatModImages.h"

#include <QCoreApplication>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <functional>

namespace ekaldo {

namespace {

// Every picture is painted from one set of named colours, so that the three sets of a button differ
// only in the colours (and the highlighted set in its halo), never in the drawing.
struct Palette {
    QColor Ink;       // outlines and dark strokes
    QColor Paper;     // sheets, white glyphs
    QColor PaperEdge; // folded corners, sheet shading
    QColor Rule;      // lines written on a sheet
    QColor Blue;
    QColor BlueLight;
    QColor Green;
    QColor Red;
    QColor Yellow; // folders, pencils
    QColor YellowDark;
    QColor Metal; // printers, trays, gears
    QColor MetalLight;
    QColor Brown;
    QColor Maroon;
    QColor Violet;
};

enum class Look { Normal, Highlighted, Disabled };

Palette BasePalette() {
    Palette p;
    p.Ink = QColor(0x2b, 0x3a, 0x4f);
    p.Paper = QColor(0xff, 0xff, 0xff);
    p.PaperEdge = QColor(0xd5, 0xdf, 0xeb);
    p.Rule = QColor(0x8f, 0xaa, 0xc8);
    p.Blue = QColor(0x2a, 0x6c, 0xc0);
    p.BlueLight = QColor(0x9c, 0xc4, 0xef);
    p.Green = QColor(0x2f, 0x9e, 0x4c);
    p.Red = QColor(0xd3, 0x3f, 0x32);
    p.Yellow = QColor(0xf4, 0xc4, 0x4e);
    p.YellowDark = QColor(0xc6, 0x8b, 0x1e);
    p.Metal = QColor(0x7d, 0x8c, 0xa0);
    p.MetalLight = QColor(0xc8, 0xd2, 0xde);
    p.Brown = QColor(0xa0, 0x6a, 0x3a);
    p.Maroon = QColor(0x80, 0x1c, 0x2a);
    p.Violet = QColor(0x73, 0x52, 0xb8);
    return p;
}

Palette Mapped(Palette p, const std::function<QColor(const QColor&)>& f) {
    for (QColor* c : {&p.Ink, &p.Paper, &p.PaperEdge, &p.Rule, &p.Blue, &p.BlueLight, &p.Green, &p.Red,
                      &p.Yellow, &p.YellowDark, &p.Metal, &p.MetalLight, &p.Brown, &p.Maroon, &p.Violet})
        *c = f(*c);
    return p;
}

Palette PaletteFor(Look look) {
    const Palette base = BasePalette();
    switch (look) {
    case Look::Normal:
        return base;
    case Look::Highlighted:
        // Brighter, the hue and most of the saturation kept, so that the button seems lit, not washed.
        return Mapped(base, [](const QColor& c) {
            float h, s, v, a;
            c.getHsvF(&h, &s, &v, &a);
            return QColor::fromHsvF(h, s * 0.9f, std::min(1.0f, v * 1.1f + 0.06f), a);
        });
    case Look::Disabled:
        // A narrow band of light greys: the shapes stay readable, the button reads as unavailable.
        return Mapped(base, [](const QColor& c) {
            const double luma = 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF();
            const int grey = qRound(255 * (0.50 + 0.46 * luma));
            return QColor(grey, grey, grey);
        });
    }
    return base;
}

using Painting = std::function<void(QPainter&, const Palette&)>;

QPen Outline(const QColor& c, double width = 1.0) {
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Adds a soft light ring around whatever the image holds: the highlighted set's halo.
void AddHalo(QImage& image, double radius) {
    const int w = image.width();
    const int h = image.height();
    const int r = std::max(1, qCeil(radius));
    QImage halo(w, h, QImage::Format_ARGB32_Premultiplied);
    halo.fill(Qt::transparent);
    const QColor glow(0xff, 0xe2, 0x7a);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double best = 0;
            for (int dy = -r; dy <= r; ++dy) {
                for (int dx = -r; dx <= r; ++dx) {
                    const int sx = x + dx;
                    const int sy = y + dy;
                    if (sx < 0 || sy < 0 || sx >= w || sy >= h)
                        continue;
                    const double d = std::hypot(dx, dy);
                    if (d > radius + 0.5)
                        continue;
                    const double a = qAlpha(image.pixel(sx, sy)) / 255.0 * (1.0 - d / (radius + 1.0));
                    best = std::max(best, a);
                }
            }
            if (best > 0) {
                QColor c = glow;
                c.setAlphaF(std::min(1.0, best * 1.1));
                halo.setPixelColor(x, y, c);
            }
        }
    }
    QPainter p(&halo);
    p.drawImage(0, 0, image);
    p.end();
    image = halo;
}

// Paints a picture drawn in a logical box of the given size at scale times that size.
QImage Render(QSize logical, double scale, const Painting& paint, Look look) {
    QImage image(qRound(logical.width() * scale), qRound(logical.height() * scale),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        paint(p, PaletteFor(look));
    }
    if (look == Look::Highlighted)
        AddHalo(image, 1.8 * scale);
    return image;
}

// ---- Shapes shared by several pictures -------------------------------------------------------------

// A sheet of paper with its top-right corner folded.
void Sheet(QPainter& p, const Palette& c, const QRectF& r, double fold = 5) {
    QPainterPath outline;
    outline.moveTo(r.topLeft());
    outline.lineTo(r.right() - fold, r.top());
    outline.lineTo(r.right(), r.top() + fold);
    outline.lineTo(r.bottomRight());
    outline.lineTo(r.bottomLeft());
    outline.closeSubpath();
    p.setPen(Outline(c.Ink));
    p.setBrush(c.Paper);
    p.drawPath(outline);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    corner.closeSubpath();
    p.setBrush(c.PaperEdge);
    p.drawPath(corner);
}

// Lines of writing on a sheet, from the top down, each a little shorter than the space allows.
void Writing(QPainter& p, const Palette& c, const QRectF& r, int lines, double step = 3) {
    p.setPen(Outline(c.Rule, 1.0));
    for (int i = 0; i < lines; ++i) {
        const double y = r.top() + i * step;
        const double shorten = (i % 3 == 2) ? r.width() * 0.35 : 0;
        p.drawLine(QPointF(r.left(), y), QPointF(r.right() - shorten, y));
    }
}

// A round badge in the lower right corner, the sign of what a command does to its object.
void Badge(QPainter& p, const Palette& c, QPointF centre, double radius, const QColor& fill) {
    p.setPen(QPen(c.Paper, 1.2));
    p.setBrush(fill);
    p.drawEllipse(centre, radius, radius);
    p.setPen(Outline(fill.darker(135), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, radius - 0.4, radius - 0.4);
}

void PlusGlyph(QPainter& p, QPointF centre, double half, const QColor& colour, double width = 1.8) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(centre.x() - half, centre.y()), QPointF(centre.x() + half, centre.y()));
    p.drawLine(QPointF(centre.x(), centre.y() - half), QPointF(centre.x(), centre.y() + half));
}

void CrossGlyph(QPainter& p, QPointF centre, double half, const QColor& colour, double width = 1.8) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(-half, -half), centre + QPointF(half, half));
    p.drawLine(centre + QPointF(-half, half), centre + QPointF(half, -half));
}

// A tick in a box of the given size, its left end at the box's left.
void TickGlyph(QPainter& p, const QRectF& box, const QColor& colour, double width) {
    QPainterPath tick;
    tick.moveTo(box.left(), box.top() + box.height() * 0.55);
    tick.lineTo(box.left() + box.width() * 0.38, box.bottom());
    tick.lineTo(box.right(), box.top());
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

// A thick arrow from tail to tip, filled and outlined in a darker shade of its colour.
void BlockArrow(QPainter& p, QPointF tail, QPointF tip, double shaft, double head, double headLength,
                const QColor& colour) {
    const QPointF d = tip - tail;
    const double length = std::hypot(d.x(), d.y());
    const QPointF u = d / length;
    const QPointF n(-u.y(), u.x());
    const QPointF base = tip - u * headLength;
    QPolygonF shape;
    shape << tail + n * (shaft / 2) << base + n * (shaft / 2) << base + n * (head / 2) << tip
          << base - n * (head / 2) << base - n * (shaft / 2) << tail - n * (shaft / 2);
    p.setPen(Outline(colour.darker(150), 0.9));
    p.setBrush(colour);
    p.drawPolygon(shape);
}

// A filing tray, open at the top.
void Tray(QPainter& p, const Palette& c, const QRectF& r) {
    QPainterPath body;
    body.moveTo(r.left(), r.top());
    body.lineTo(r.left() + 2, r.bottom());
    body.lineTo(r.right() - 2, r.bottom());
    body.lineTo(r.right(), r.top());
    body.lineTo(r.right() - 5, r.top());
    body.lineTo(r.right() - 6.5, r.top() + 2.5);
    body.lineTo(r.left() + 6.5, r.top() + 2.5);
    body.lineTo(r.left() + 5, r.top());
    body.closeSubpath();
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, c.MetalLight);
    g.setColorAt(1, c.Metal);
    p.setPen(Outline(c.Ink));
    p.setBrush(g);
    p.drawPath(body);
}

// A database drum: the school database.
void Drum(QPainter& p, const Palette& c, const QRectF& r, const QColor& colour) {
    const double e = r.height() * 0.22;
    QPainterPath body;
    body.moveTo(r.left(), r.top() + e / 2);
    body.lineTo(r.left(), r.bottom() - e / 2);
    body.arcTo(QRectF(r.left(), r.bottom() - e, r.width(), e), 180, 180);
    body.lineTo(r.right(), r.top() + e / 2);
    body.arcTo(QRectF(r.left(), r.top(), r.width(), e), 0, -180);
    body.closeSubpath();
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, colour.lighter(120));
    g.setColorAt(0.45, colour.lighter(105));
    g.setColorAt(1, colour.darker(125));
    p.setPen(Outline(c.Ink));
    p.setBrush(g);
    p.drawPath(body);
    p.setBrush(colour.lighter(140));
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), e));
    p.setPen(Outline(colour.darker(140), 0.8));
    p.setBrush(Qt::NoBrush);
    for (double t : {0.42, 0.68}) {
        const double y = r.top() + (r.height() - e) * t;
        p.drawArc(QRectF(r.left() + 0.4, y, r.width() - 0.8, e), 190 * 16, 160 * 16);
    }
}

// A magnifying glass: its lens centre and radius.
void Lens(QPainter& p, const Palette& c, QPointF centre, double radius) {
    const QPointF handleFrom = centre + QPointF(radius * 0.72, radius * 0.72);
    const QPointF handleTo = handleFrom + QPointF(radius * 0.85, radius * 0.85);
    p.setPen(QPen(c.Ink, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(handleFrom, handleTo);
    p.setPen(QPen(c.Brown, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(handleFrom + QPointF(0.8, 0.8), handleTo);
    QRadialGradient glass(centre - QPointF(radius * 0.35, radius * 0.35), radius * 1.3);
    glass.setColorAt(0, c.Paper);
    glass.setColorAt(1, c.BlueLight);
    p.setPen(Outline(c.Ink, 1.6));
    p.setBrush(glass);
    p.drawEllipse(centre, radius, radius);
}

void Printer(QPainter& p, const Palette& c, const QRectF& r) {
    // Paper waiting at the back, the body, and the printed sheet coming out at the front.
    Sheet(p, c, QRectF(r.left() + 5, r.top(), r.width() - 10, 8), 2.5);
    QPainterPath body;
    body.addRoundedRect(QRectF(r.left(), r.top() + 6.5, r.width(), 9.5), 2, 2);
    QLinearGradient g(0, r.top() + 6.5, 0, r.top() + 16);
    g.setColorAt(0, c.MetalLight);
    g.setColorAt(1, c.Metal);
    p.setPen(Outline(c.Ink));
    p.setBrush(g);
    p.drawPath(body);
    p.setPen(Qt::NoPen);
    p.setBrush(c.Green);
    p.drawEllipse(QPointF(r.right() - 3, r.top() + 9.5), 1.0, 1.0);
    QRectF out(r.left() + 4.5, r.top() + 13, r.width() - 9, r.bottom() - r.top() - 13);
    p.setPen(Outline(c.Ink));
    p.setBrush(c.Paper);
    p.drawRect(out);
    Writing(p, c, QRectF(out.left() + 2, out.top() + 2.5, out.width() - 4, 0), 2, 2.5);
}

void Gear(QPainter& p, const Palette& c, QPointF centre, double outer, int teeth, const QColor& colour) {
    const double inner = outer * 0.74;
    QPolygonF shape;
    for (int i = 0; i < teeth * 4; ++i) {
        const double a = (i - 0.5) * M_PI * 2 / (teeth * 4);
        const double r = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
        shape << centre + QPointF(std::cos(a) * r, std::sin(a) * r);
    }
    QPainterPath gear;
    gear.addPolygon(shape);
    gear.closeSubpath();
    gear.addEllipse(centre, outer * 0.32, outer * 0.32);
    gear.setFillRule(Qt::OddEvenFill);
    QRadialGradient g(centre - QPointF(outer * 0.3, outer * 0.3), outer * 1.4);
    g.setColorAt(0, colour.lighter(130));
    g.setColorAt(1, colour.darker(110));
    p.setPen(Outline(c.Ink, 0.9));
    p.setBrush(g);
    p.drawPath(gear);
}

// A folder in a box of any size; open shows a sheet and the front flap tilted down.
void FolderShape(QPainter& p, const Palette& c, const QRectF& r, bool open, double pen = 1.0) {
    const double tabW = r.width() * 0.4;
    const double tabH = r.height() * 0.16;
    QPainterPath back;
    back.moveTo(r.left(), r.bottom());
    back.lineTo(r.left(), r.top() + tabH);
    back.lineTo(r.left() + 1, r.top());
    back.lineTo(r.left() + tabW - 1, r.top());
    back.lineTo(r.left() + tabW, r.top() + tabH);
    back.lineTo(r.right(), r.top() + tabH);
    back.lineTo(r.right(), r.bottom());
    back.closeSubpath();
    p.setPen(Outline(c.Ink, pen));
    p.setBrush(c.YellowDark);
    p.drawPath(back);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, c.Yellow.lighter(112));
    g.setColorAt(1, c.Yellow);
    if (open) {
        const QRectF sheet(r.left() + r.width() * 0.18, r.top() + tabH * 0.6, r.width() * 0.64,
                           r.height() * 0.6);
        p.setBrush(c.Paper);
        p.drawRect(sheet);
        QPainterPath flap;
        flap.moveTo(r.left(), r.bottom());
        flap.lineTo(r.left() + r.width() * 0.2, r.top() + r.height() * 0.45);
        flap.lineTo(r.right() + r.width() * 0.06, r.top() + r.height() * 0.45);
        flap.lineTo(r.right(), r.bottom());
        flap.closeSubpath();
        p.setBrush(g);
        p.drawPath(flap);
    } else {
        QPainterPath front;
        front.addRect(QRectF(r.left(), r.top() + tabH * 2.2, r.width(), r.height() - tabH * 2.2));
        p.setBrush(g);
        p.drawPath(front);
    }
}

void Floppy(QPainter& p, const Palette& c, const QRectF& r, const QColor& colour) {
    QPainterPath body;
    body.moveTo(r.topLeft());
    body.lineTo(r.right() - 3, r.top());
    body.lineTo(r.right(), r.top() + 3);
    body.lineTo(r.bottomRight());
    body.lineTo(r.bottomLeft());
    body.closeSubpath();
    p.setPen(Outline(c.Ink));
    p.setBrush(colour);
    p.drawPath(body);
    // The shutter at the top and the label below.
    p.setBrush(c.MetalLight);
    p.drawRect(QRectF(r.left() + r.width() * 0.28, r.top(), r.width() * 0.44, r.height() * 0.3));
    p.setBrush(colour.darker(160));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(r.left() + r.width() * 0.52, r.top() + 1.5, r.width() * 0.12, r.height() * 0.3 - 3));
    const QRectF label(r.left() + 2.5, r.top() + r.height() * 0.5, r.width() - 5, r.height() * 0.5 - 1);
    p.setPen(Outline(c.Ink, 0.8));
    p.setBrush(c.Paper);
    p.drawRect(label);
    Writing(p, c, QRectF(label.left() + 1.5, label.top() + 2.2, label.width() - 3, 0), 2, 2.4);
}

// A small table: a header row and columns, as on the program's sheets.
void TableShape(QPainter& p, const Palette& c, const QRectF& r, int columns, int rows, int marked = -1) {
    p.setPen(Outline(c.Ink));
    p.setBrush(c.Paper);
    p.drawRect(r);
    const double cw = r.width() / columns;
    const double rh = r.height() / rows;
    if (marked >= 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(c.BlueLight);
        p.drawRect(QRectF(r.left() + marked * cw, r.top(), cw, r.height()));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(c.PaperEdge);
    p.drawRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 1, rh - 0.5));
    p.setPen(Outline(c.Rule, 0.8));
    for (int i = 1; i < columns; ++i)
        p.drawLine(QPointF(r.left() + i * cw, r.top()), QPointF(r.left() + i * cw, r.bottom()));
    for (int i = 1; i < rows; ++i)
        p.drawLine(QPointF(r.left(), r.top() + i * rh), QPointF(r.right(), r.top() + i * rh));
    p.setPen(Outline(c.Ink));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

// The page buttons' shapes: filled from light at the top to the colour at the bottom.
void Triangle(QPainter& p, const QPolygonF& points, const QColor& colour) {
    const QRectF box = points.boundingRect();
    QLinearGradient g(box.topLeft(), box.bottomLeft());
    g.setColorAt(0, colour.lighter(150));
    g.setColorAt(1, colour);
    p.setPen(Outline(colour.darker(150), 0.9));
    p.setBrush(g);
    p.drawPolygon(points);
}

// ---- The tool pictures, in a 27 × 27 box -------------------------------------------------------------

void PaintHelp(QPainter& p, const Palette& c) {
    QRadialGradient g(QPointF(10.5, 9.5), 14);
    g.setColorAt(0, c.Blue.lighter(135));
    g.setColorAt(1, c.Blue);
    p.setPen(Outline(c.Blue.darker(150), 1.0));
    p.setBrush(g);
    p.drawEllipse(QPointF(13.5, 13.5), 11, 11);
    QPainterPath q;
    q.moveTo(9.6, 10.6);
    q.cubicTo(9.6, 6.4, 17.6, 6.0, 17.6, 10.4);
    q.cubicTo(17.6, 13.4, 13.5, 13.2, 13.5, 16.4);
    p.setPen(QPen(c.Paper, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(q);
    p.setPen(Qt::NoPen);
    p.setBrush(c.Paper);
    p.drawEllipse(QPointF(13.5, 20.0), 1.6, 1.6);
}

void PaintParams(QPainter& p, const Palette& c) {
    // Settings: the folder where the school years lie, and a gear.
    FolderShape(p, c, QRectF(2.5, 4.5, 17, 13), false);
    Gear(p, c, QPointF(17.5, 17.5), 8, 8, c.Metal);
}

void PaintFolders(QPainter& p, const Palette& c) {
    FolderShape(p, c, QRectF(2.5, 3.5, 19, 15), true);
    Drum(p, c, QRectF(14.5, 12.5, 10, 12), c.Blue);
}

void PaintExit(QPainter& p, const Palette& c) {
    // A door frame, the door standing open, and the way out.
    p.setPen(Outline(c.Ink));
    p.setBrush(c.PaperEdge);
    p.drawRect(QRectF(3.5, 3.5, 12, 20));
    QPainterPath door;
    door.moveTo(3.5, 3.5);
    door.lineTo(10.5, 6.0);
    door.lineTo(10.5, 26.0);
    door.lineTo(3.5, 23.5);
    door.closeSubpath();
    QLinearGradient g(3.5, 0, 10.5, 0);
    g.setColorAt(0, c.Brown.lighter(115));
    g.setColorAt(1, c.Brown);
    p.setBrush(g);
    p.drawPath(door);
    p.setPen(Qt::NoPen);
    p.setBrush(c.Yellow);
    p.drawEllipse(QPointF(9.0, 15.5), 0.9, 0.9);
    BlockArrow(p, QPointF(12.5, 13.5), QPointF(25.5, 13.5), 4.2, 9.5, 5.5, c.Red);
}

void PaintNewItem(QPainter& p, const Palette& c) {
    Sheet(p, c, QRectF(4.5, 2.5, 15, 20));
    Writing(p, c, QRectF(7.5, 8.5, 9, 0), 4);
    Badge(p, c, QPointF(19.5, 19.5), 6, c.Green);
    PlusGlyph(p, QPointF(19.5, 19.5), 3.3, c.Paper, 2.0);
}

void PaintExportItem(QPainter& p, const Palette& c) {
    Sheet(p, c, QRectF(2.5, 2.5, 15, 20));
    Writing(p, c, QRectF(5.5, 8.5, 9, 0), 4);
    BlockArrow(p, QPointF(10.5, 18.5), QPointF(25.5, 18.5), 4.0, 9.0, 5.5, c.Blue);
}

void PaintImportItem(QPainter& p, const Palette& c) {
    Sheet(p, c, QRectF(9.5, 2.5, 15, 20));
    Writing(p, c, QRectF(12.5, 8.5, 9, 0), 4);
    BlockArrow(p, QPointF(1.5, 18.5), QPointF(16.5, 18.5), 4.0, 9.0, 5.5, c.Green);
}

void PaintDeleteItem(QPainter& p, const Palette& c) {
    Sheet(p, c, QRectF(4.5, 2.5, 15, 20));
    Writing(p, c, QRectF(7.5, 8.5, 9, 0), 4);
    Badge(p, c, QPointF(19.5, 19.5), 6, c.Red);
    CrossGlyph(p, QPointF(19.5, 19.5), 2.6, c.Paper, 2.0);
}

void PaintRun(QPainter& p, const Palette& c) {
    // A filled-in sheet on its way into the school database.
    Sheet(p, c, QRectF(2.5, 1.5, 14, 18));
    Writing(p, c, QRectF(5.0, 7.0, 8.5, 0), 4);
    TickGlyph(p, QRectF(5.0, 15.0, 5, 3), c.Green, 1.4);
    Drum(p, c, QRectF(14.5, 13.5, 10, 12), c.Blue);
    BlockArrow(p, QPointF(13.0, 6.0), QPointF(21.0, 12.8), 2.6, 6.4, 3.6, c.Green);
}

void PaintView(QPainter& p, const Palette& c) {
    // An eye: looking at a sheet without changing it.
    QPainterPath eye;
    eye.moveTo(1.5, 13.5);
    eye.cubicTo(6.5, 5.5, 20.5, 5.5, 25.5, 13.5);
    eye.cubicTo(20.5, 21.5, 6.5, 21.5, 1.5, 13.5);
    eye.closeSubpath();
    p.setPen(Outline(c.Ink, 1.3));
    p.setBrush(c.Paper);
    p.drawPath(eye);
    QRadialGradient iris(QPointF(12.5, 12), 6);
    iris.setColorAt(0, c.Blue.lighter(140));
    iris.setColorAt(1, c.Blue);
    p.setPen(Outline(c.Blue.darker(150), 0.9));
    p.setBrush(iris);
    p.drawEllipse(QPointF(13.5, 13.5), 5.2, 5.2);
    p.setPen(Qt::NoPen);
    p.setBrush(c.Ink);
    p.drawEllipse(QPointF(13.5, 13.5), 2.3, 2.3);
    p.setBrush(c.Paper);
    p.drawEllipse(QPointF(11.8, 11.8), 1.1, 1.1);
}

void PaintInBoxItem(QPainter& p, const Palette& c) {
    Sheet(p, c, QRectF(7.5, 8.5, 12, 10), 3);
    Tray(p, c, QRectF(2.5, 15.5, 22, 9));
    BlockArrow(p, QPointF(13.5, 1.5), QPointF(13.5, 15.5), 4.2, 10, 5.5, c.Green);
}

void PaintOutBoxItem(QPainter& p, const Palette& c) {
    Sheet(p, c, QRectF(7.5, 8.5, 12, 10), 3);
    Tray(p, c, QRectF(2.5, 15.5, 22, 9));
    BlockArrow(p, QPointF(13.5, 15.5), QPointF(13.5, 1.5), 4.2, 10, 5.5, c.Blue);
}

void PaintTemplatesItem(QPainter& p, const Palette& c) {
    // A pad of ruled forms: the choices of a sheet kept for use again.
    Sheet(p, c, QRectF(8.5, 2.5, 15, 18));
    Sheet(p, c, QRectF(5.5, 4.5, 15, 18));
    Sheet(p, c, QRectF(2.5, 6.5, 15, 18));
    TableShape(p, c, QRectF(4.5, 12.5, 11, 10), 3, 3);
    p.setPen(QPen(c.Maroon, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4.5, 9.5), QPointF(11.5, 9.5));
}

void PaintSave(QPainter& p, const Palette& c) {
    Floppy(p, c, QRectF(3.5, 3.5, 20, 20), c.Blue);
}

void PaintSaveTemplate(QPainter& p, const Palette& c) {
    Floppy(p, c, QRectF(1.5, 1.5, 18, 18), c.Green);
    Sheet(p, c, QRectF(13.5, 11.5, 11, 14), 3);
    TableShape(p, c, QRectF(15.0, 16.5, 7.5, 7), 2, 3);
}

void PaintColumns(QPainter& p, const Palette& c) {
    TableShape(p, c, QRectF(2.5, 2.5, 22, 17), 4, 4, 1);
    BlockArrow(p, QPointF(13.5, 23.0), QPointF(25.5, 23.0), 2.4, 6.0, 3.4, c.Blue);
    BlockArrow(p, QPointF(13.5, 23.0), QPointF(1.5, 23.0), 2.4, 6.0, 3.4, c.Blue);
}

void PaintSort(QPainter& p, const Palette& c) {
    // Rows of growing length and the direction of the order.
    p.setPen(QPen(c.Ink, 2.2, Qt::SolidLine, Qt::RoundCap));
    const double lengths[] = {5, 8, 11, 14};
    for (int i = 0; i < 4; ++i) {
        const double y = 5.5 + i * 5.5;
        p.drawLine(QPointF(3.5, y), QPointF(3.5 + lengths[i], y));
    }
    BlockArrow(p, QPointF(21.5, 2.0), QPointF(21.5, 25.5), 3.4, 8.5, 5.5, c.Blue);
}

void PaintCopy(QPainter& p, const Palette& c) {
    Sheet(p, c, QRectF(2.5, 2.5, 13, 17), 4);
    Writing(p, c, QRectF(5.0, 7.5, 7.5, 0), 4);
    Sheet(p, c, QRectF(10.5, 8.5, 13, 17), 4);
    Writing(p, c, QRectF(13.0, 13.5, 7.5, 0), 4);
}

void PaintPrint(QPainter& p, const Palette& c) {
    Printer(p, c, QRectF(2.5, 3.5, 22, 20));
}

void PaintPrinterSetup(QPainter& p, const Palette& c) {
    Printer(p, c, QRectF(1.5, 1.5, 19, 18));
    Gear(p, c, QPointF(19.0, 19.0), 6.6, 7, c.Metal);
}

void PaintCheck(QPainter& p, const Palette& c) {
    // A sheet read through a lens, and found right.
    Sheet(p, c, QRectF(2.5, 2.5, 15, 20));
    Writing(p, c, QRectF(5.5, 7.5, 9, 0), 5);
    Lens(p, c, QPointF(14.5, 14.5), 5.5);
    TickGlyph(p, QRectF(11.6, 12.0, 6, 4.5), c.Green, 1.8);
}

void PaintPost(QPainter& p, const Palette& c) {
    Drum(p, c, QRectF(5.5, 10.5, 16, 15), c.Blue);
    BlockArrow(p, QPointF(13.5, 0.5), QPointF(13.5, 12.5), 4.0, 10, 5.5, c.Green);
}

void PaintAbort(QPainter& p, const Palette& c) {
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        const double a = (i + 0.5) * M_PI / 4;
        octagon << QPointF(13.5 + 11 * std::cos(a), 13.5 + 11 * std::sin(a));
    }
    QRadialGradient g(QPointF(10, 9), 16);
    g.setColorAt(0, c.Red.lighter(125));
    g.setColorAt(1, c.Red);
    p.setPen(Outline(c.Red.darker(150), 1.0));
    p.setBrush(g);
    p.drawPolygon(octagon);
    p.setPen(QPen(c.Paper, 3.4, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(7.0, 13.5), QPointF(20.0, 13.5));
}

void PaintZoomIn(QPainter& p, const Palette& c) {
    Lens(p, c, QPointF(11.5, 11.5), 8);
    PlusGlyph(p, QPointF(11.5, 11.5), 4.2, c.Ink, 2.2);
}

void PaintZoomOut(QPainter& p, const Palette& c) {
    Lens(p, c, QPointF(11.5, 11.5), 8);
    p.setPen(QPen(c.Ink, 2.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(7.3, 11.5), QPointF(15.7, 11.5));
}

void PaintFitWidth(QPainter& p, const Palette& c) {
    Sheet(p, c, QRectF(5.5, 2.5, 16, 22));
    Writing(p, c, QRectF(8.0, 6.5, 11, 0), 2);
    Writing(p, c, QRectF(8.0, 20.5, 11, 0), 1);
    BlockArrow(p, QPointF(13.5, 13.5), QPointF(26.0, 13.5), 2.6, 7.0, 4.0, c.Blue);
    BlockArrow(p, QPointF(13.5, 13.5), QPointF(1.0, 13.5), 2.6, 7.0, 4.0, c.Blue);
}

void PaintFitPage(QPainter& p, const Palette& c) {
    Sheet(p, c, QRectF(7.5, 5.5, 12, 16), 3.5);
    Writing(p, c, QRectF(9.5, 10.0, 7, 0), 3);
    // The four corners of the window the page is fitted to.
    p.setPen(QPen(c.Blue, 2.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    const double a = 2.5, b = 24.5, k = 6;
    for (const QPointF& corner : {QPointF(a, a), QPointF(b, a), QPointF(b, b), QPointF(a, b)}) {
        const double sx = corner.x() == a ? 1 : -1;
        const double sy = corner.y() == a ? 1 : -1;
        QPolygonF l;
        l << corner + QPointF(0, sy * k) << corner << corner + QPointF(sx * k, 0);
        p.drawPolyline(l);
    }
}

QPolygonF PointingTriangle(double tipX, double y, double length, double half) {
    QPolygonF t;
    t << QPointF(tipX, y) << QPointF(tipX + length, y - half) << QPointF(tipX + length, y + half);
    return t;
}

void Bar(QPainter& p, double x, const QColor& colour) {
    Triangle(p, QPolygonF(QRectF(x, 6.5, 3, 14)), colour);
}

void PaintFirstPage(QPainter& p, const Palette& c) {
    Bar(p, 4.5, c.Blue);
    Triangle(p, PointingTriangle(8.5, 13.5, 13, 7.5), c.Blue);
}

void PaintPriorPage(QPainter& p, const Palette& c) {
    Triangle(p, PointingTriangle(6.5, 13.5, 14, 8), c.Blue);
}

void PaintNextPage(QPainter& p, const Palette& c) {
    Triangle(p, PointingTriangle(20.5, 13.5, -14, 8), c.Blue);
}

void PaintLastPage(QPainter& p, const Palette& c) {
    Triangle(p, PointingTriangle(18.5, 13.5, -13, 7.5), c.Blue);
    Bar(p, 19.5, c.Blue);
}

void PaintClose(QPainter& p, const Palette& c) {
    // A window with its title bar, closed.
    p.setPen(Outline(c.Ink));
    p.setBrush(c.Paper);
    p.drawRect(QRectF(2.5, 3.5, 22, 19));
    p.setBrush(c.Blue);
    p.drawRect(QRectF(2.5, 3.5, 22, 5));
    Badge(p, c, QPointF(19.5, 19.5), 6, c.Red);
    CrossGlyph(p, QPointF(19.5, 19.5), 2.6, c.Paper, 2.0);
}

Painting ToolPainting(ToolImage image) {
    switch (image) {
    case ToolImage::Help:
        return PaintHelp;
    case ToolImage::Params:
        return PaintParams;
    case ToolImage::Folders:
        return PaintFolders;
    case ToolImage::Exit:
        return PaintExit;
    case ToolImage::NewItem:
        return PaintNewItem;
    case ToolImage::ExportItem:
        return PaintExportItem;
    case ToolImage::ImportItem:
        return PaintImportItem;
    case ToolImage::DeleteItem:
        return PaintDeleteItem;
    case ToolImage::Run:
        return PaintRun;
    case ToolImage::View:
        return PaintView;
    case ToolImage::InBoxItem:
        return PaintInBoxItem;
    case ToolImage::OutBoxItem:
        return PaintOutBoxItem;
    case ToolImage::TemplatesItem:
        return PaintTemplatesItem;
    case ToolImage::Save:
        return PaintSave;
    case ToolImage::SaveTemplate:
        return PaintSaveTemplate;
    case ToolImage::Columns:
        return PaintColumns;
    case ToolImage::Sort:
        return PaintSort;
    case ToolImage::Copy:
        return PaintCopy;
    case ToolImage::Print:
        return PaintPrint;
    case ToolImage::PrinterSetup:
        return PaintPrinterSetup;
    case ToolImage::Check:
        return PaintCheck;
    case ToolImage::Post:
        return PaintPost;
    case ToolImage::Abort:
        return PaintAbort;
    case ToolImage::ZoomIn:
        return PaintZoomIn;
    case ToolImage::ZoomOut:
        return PaintZoomOut;
    case ToolImage::FitWidth:
        return PaintFitWidth;
    case ToolImage::FitPage:
        return PaintFitPage;
    case ToolImage::FirstPage:
        return PaintFirstPage;
    case ToolImage::PriorPage:
        return PaintPriorPage;
    case ToolImage::NextPage:
        return PaintNextPage;
    case ToolImage::LastPage:
        return PaintLastPage;
    case ToolImage::Close:
        return PaintClose;
    }
    return PaintHelp;
}

// ---- State icons, 16 × 16: a round badge each, so that they line up in the lists' icon column --------

void StateDisc(QPainter& p, const QColor& colour) {
    QRadialGradient g(QPointF(6, 5.5), 10);
    g.setColorAt(0, colour.lighter(130));
    g.setColorAt(1, colour);
    p.setPen(Outline(colour.darker(150), 1.0));
    p.setBrush(g);
    p.drawEllipse(QPointF(8, 8), 7.2, 7.2);
}

void PaintStateEdit(QPainter& p, const Palette& c) {
    StateDisc(p, c.YellowDark);
    // A pencil, writing towards the lower left.
    p.save();
    p.translate(8, 8);
    p.rotate(-45);
    QPolygonF body;
    body << QPointF(-2.4, -1.6) << QPointF(4.6, -1.6) << QPointF(4.6, 1.6) << QPointF(-2.4, 1.6);
    p.setPen(Outline(c.Ink, 0.8));
    p.setBrush(c.Paper);
    p.drawPolygon(body);
    QPolygonF tip;
    tip << QPointF(-2.4, -1.6) << QPointF(-5.4, 0) << QPointF(-2.4, 1.6);
    p.setBrush(c.Paper);
    p.drawPolygon(tip);
    p.setPen(Qt::NoPen);
    p.setBrush(c.Ink);
    p.drawPolygon(QPolygonF() << QPointF(-4.2, -0.65) << QPointF(-5.4, 0) << QPointF(-4.2, 0.65));
    p.restore();
}

void PaintStatePost(QPainter& p, const Palette& c) {
    StateDisc(p, c.Green);
    TickGlyph(p, QRectF(4.2, 5.0, 7.6, 5.6), c.Paper, 2.0);
}

void PaintStateGet(QPainter& p, const Palette& c) {
    StateDisc(p, c.Blue);
    p.setPen(QPen(c.Paper, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(4.0, 8.0), QPointF(11.5, 8.0));
    p.drawPolyline(QPolygonF() << QPointF(8.6, 5.0) << QPointF(11.6, 8.0) << QPointF(8.6, 11.0));
}

void PaintStateAlarm(QPainter& p, const Palette& c) {
    StateDisc(p, c.Red);
    p.setPen(QPen(c.Paper, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 3.8), QPointF(8, 8.8));
    p.setPen(Qt::NoPen);
    p.setBrush(c.Paper);
    p.drawEllipse(QPointF(8, 11.8), 1.3, 1.3);
}

void PaintStatePub(QPainter& p, const Palette& c) {
    StateDisc(p, c.Violet);
    // A source and the rings it sends out: made public.
    p.setPen(Qt::NoPen);
    p.setBrush(c.Paper);
    p.drawEllipse(QPointF(5.2, 10.8), 1.5, 1.5);
    p.setPen(QPen(c.Paper, 1.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5.2 - 4.2, 10.8 - 4.2, 8.4, 8.4), 0, 90 * 16);
    p.drawArc(QRectF(5.2 - 7.6, 10.8 - 7.6, 15.2, 15.2), 5 * 16, 80 * 16);
}

// ---- Grid marks, 11 × 11: a sunken square, dark at the top and left, light at the bottom and right ----

void MarkBox(QPainter& p, const Palette& c, const QColor& fill) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(0, 0, 11, 11, fill);
    p.setPen(c.Ink.darker(200));
    p.drawLine(0, 0, 10, 0);
    p.drawLine(0, 0, 0, 10);
    p.setPen(c.MetalLight);
    p.drawLine(1, 10, 10, 10);
    p.drawLine(10, 1, 10, 10);
    p.setRenderHint(QPainter::Antialiasing, true);
}

void PaintMark(QPainter& p, MarkImage mark) {
    const Palette c = PaletteFor(Look::Normal);
    const Palette grey = PaletteFor(Look::Disabled);
    switch (mark) {
    case MarkImage::Tick:
        MarkBox(p, c, c.Paper);
        TickGlyph(p, QRectF(2.2, 2.6, 6.6, 5.4), c.Ink.darker(200), 1.7);
        break;
    case MarkImage::GreyTick:
        MarkBox(p, c, c.Paper);
        TickGlyph(p, QRectF(2.2, 2.6, 6.6, 5.4), grey.Metal.darker(115), 1.7);
        break;
    case MarkImage::RedCross:
        MarkBox(p, c, c.Red);
        CrossGlyph(p, QPointF(5.5, 5.5), 2.4, c.Paper, 1.6);
        break;
    case MarkImage::YellowCross:
        MarkBox(p, c, c.Yellow);
        CrossGlyph(p, QPointF(5.5, 5.5), 2.4, grey.Metal.darker(130), 1.6);
        break;
    }
}

// ---- The banner's lettering: the program's name in strokes of its own --------------------------------

// One letter in a box whose baseline is y = 0 and whose capitals reach y = -1; returns its advance.
double Letter(QPainterPath& path, QChar ch, double x) {
    auto line = [&](double x1, double y1, double x2, double y2) {
        path.moveTo(x + x1, y1);
        path.lineTo(x + x2, y2);
    };
    const double xh = 0.62; // height of the small letters
    switch (ch.unicode()) {
    case u'e':
        path.moveTo(x + 0.05, -xh / 2);
        path.lineTo(x + 0.53, -xh / 2);
        path.arcTo(QRectF(x + 0.03, -xh, 0.50, xh), 0, 300);
        return 0.60;
    case u'-':
        line(0.06, -0.32, 0.34, -0.32);
        return 0.42;
    case u'Κ':
        line(0.06, 0, 0.06, -1);
        line(0.60, -1, 0.08, -0.40);
        line(0.26, -0.60, 0.64, 0);
        return 0.72;
    case u'ά':
        path.addEllipse(QRectF(x + 0.03, -xh, 0.44, xh));
        path.moveTo(x + 0.50, -xh);
        path.lineTo(x + 0.50, -0.12);
        path.quadTo(x + 0.51, 0, x + 0.63, -0.02);
        line(0.30, -0.76, 0.40, -0.94);
        return 0.70;
    case u'λ':
        path.moveTo(x + 0.0, -1.0);
        path.quadTo(x + 0.14, -1.02, x + 0.20, -0.86);
        path.lineTo(x + 0.56, 0);
        line(0.31, -0.58, 0.04, 0);
        return 0.64;
    case u'ν':
        path.moveTo(x + 0.02, -xh);
        path.lineTo(x + 0.26, 0);
        path.quadTo(x + 0.52, -0.34, x + 0.50, -xh);
        return 0.58;
    case u'τ':
        line(0.02, -xh, 0.54, -xh);
        path.moveTo(x + 0.28, -xh);
        path.lineTo(x + 0.28, -0.12);
        path.quadTo(x + 0.29, 0, x + 0.42, -0.02);
        return 0.60;
    case u'ο':
        path.addEllipse(QRectF(x + 0.03, -xh, 0.50, xh));
        return 0.60;
    // Figures, for the grades of the banner's sheet.
    case u'0':
        path.addEllipse(QRectF(x + 0.04, -1, 0.44, 1));
        return 0.62;
    case u'1':
        path.moveTo(x + 0.08, -0.76);
        path.lineTo(x + 0.30, -1);
        path.lineTo(x + 0.30, 0);
        return 0.50;
    case u'2':
        path.moveTo(x + 0.06, -0.78);
        path.cubicTo(x + 0.12, -1.08, x + 0.56, -1.06, x + 0.48, -0.70);
        path.cubicTo(x + 0.44, -0.50, x + 0.16, -0.30, x + 0.04, 0);
        path.lineTo(x + 0.52, 0);
        return 0.62;
    case u'3':
        path.moveTo(x + 0.06, -0.86);
        path.cubicTo(x + 0.18, -1.06, x + 0.52, -1.02, x + 0.48, -0.76);
        path.cubicTo(x + 0.46, -0.58, x + 0.32, -0.54, x + 0.20, -0.54);
        path.cubicTo(x + 0.44, -0.54, x + 0.56, -0.40, x + 0.52, -0.24);
        path.cubicTo(x + 0.48, 0.04, x + 0.12, 0.04, x + 0.04, -0.14);
        return 0.62;
    case u'4':
        path.moveTo(x + 0.38, 0);
        path.lineTo(x + 0.38, -1);
        path.lineTo(x + 0.02, -0.30);
        path.lineTo(x + 0.54, -0.30);
        return 0.62;
    case u'5':
        path.moveTo(x + 0.48, -1);
        path.lineTo(x + 0.12, -1);
        path.lineTo(x + 0.08, -0.56);
        path.cubicTo(x + 0.34, -0.72, x + 0.54, -0.56, x + 0.52, -0.30);
        path.cubicTo(x + 0.50, 0.06, x + 0.14, 0.06, x + 0.04, -0.14);
        return 0.62;
    case u'6':
        path.addEllipse(QRectF(x + 0.06, -0.54, 0.44, 0.54));
        path.moveTo(x + 0.44, -0.98);
        path.cubicTo(x + 0.12, -0.96, x + 0.04, -0.60, x + 0.07, -0.24);
        return 0.62;
    case u'7':
        path.moveTo(x + 0.04, -1);
        path.lineTo(x + 0.52, -1);
        path.lineTo(x + 0.20, 0);
        return 0.60;
    case u'8':
        path.addEllipse(QRectF(x + 0.09, -1, 0.36, 0.46));
        path.addEllipse(QRectF(x + 0.05, -0.54, 0.44, 0.54));
        return 0.62;
    case u'9':
        path.addEllipse(QRectF(x + 0.06, -1, 0.44, 0.54));
        path.moveTo(x + 0.50, -0.74);
        path.cubicTo(x + 0.52, -0.30, x + 0.40, 0, x + 0.10, -0.02);
        return 0.62;
    default:
        return 0.5;
    }
}

QPainterPath Lettering(const QString& text) {
    QPainterPath path;
    double x = 0;
    for (QChar ch : text)
        x += Letter(path, ch, x);
    return path;
}

// The program's own picture: a blue grade book with a sheet on it, the sheet ruled as the program's
// sheets are, a maroon upward title and a tick; a 64 × 64 design. Below 32 pixels only the main shapes.
void PaintAppIcon(QPainter& p, const Palette& c, bool small) {
    QPainterPath cover;
    cover.addRoundedRect(QRectF(4, 3, 54, 58), 7, 7);
    QLinearGradient g(0, 3, 0, 61);
    g.setColorAt(0, c.Blue.lighter(120));
    g.setColorAt(1, c.Blue.darker(130));
    p.setPen(QPen(c.Blue.darker(170), small ? 2.5 : 1.5));
    p.setBrush(g);
    p.drawPath(cover);
    // The binding.
    p.setPen(Qt::NoPen);
    p.setBrush(c.Blue.darker(150));
    p.drawRoundedRect(QRectF(4, 3, 9, 58), 4, 4);
    // The sheet.
    const QRectF sheet(17, 9, 37, 47);
    p.setPen(QPen(c.Ink, small ? 2.5 : 1.5));
    p.setBrush(c.Paper);
    p.drawRect(sheet);
    if (!small) {
        p.setPen(QPen(c.Maroon, 2.4, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(38.5 + i * 5.5, 22), QPointF(38.5 + i * 5.5, 13));
        p.setPen(QPen(c.Blue.darker(120), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(21, 21), QPointF(32, 21));
        p.setPen(QPen(c.Rule, 1.2));
        for (int i = 0; i < 5; ++i)
            p.drawLine(QPointF(17, 26 + i * 6), QPointF(54, 26 + i * 6));
        p.drawLine(QPointF(35.5, 9), QPointF(35.5, 56));
        p.setPen(QPen(c.Metal, 2.0, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 4; ++i)
            p.drawLine(QPointF(21, 29 + i * 6), QPointF(i % 2 ? 29 : 32, 29 + i * 6));
    } else {
        p.setPen(QPen(c.Rule, 3.0));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(21, 19 + i * 9), QPointF(50, 19 + i * 9));
    }
    // A tick: a sheet checked.
    QPainterPath tick;
    tick.moveTo(38, 47);
    tick.lineTo(44, 53);
    tick.lineTo(58, 35);
    p.setPen(QPen(c.Red, small ? 6 : 4.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

void PaintBanner(QPainter& p, const Palette& c) {
    const QRectF all(0, 0, 360, 200);
    QLinearGradient bg(0, 0, 0, 200);
    bg.setColorAt(0, QColor(0xf3, 0xf7, 0xfc));
    bg.setColorAt(1, QColor(0xe6, 0xee, 0xf7));
    p.fillRect(all, bg);
    // The calm middle band under the version and copyright lines.
    p.fillRect(QRectF(0, 74, 360, 62), QColor(0xfb, 0xfc, 0xfe));
    p.setPen(QPen(c.PaperEdge, 1));
    p.drawLine(QPointF(0, 74.5), QPointF(360, 74.5));
    p.drawLine(QPointF(0, 135.5), QPointF(360, 135.5));

    // Top: the program's picture and its name.
    p.save();
    p.translate(20, 10);
    p.scale(56 / 64.0, 56 / 64.0);
    PaintAppIcon(p, c, false);
    p.restore();
    p.save();
    p.translate(92, 55);
    p.scale(38, 38);
    QPen letters(c.Blue.darker(150), 3.6 / 38, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(letters);
    p.setBrush(Qt::NoBrush);
    p.drawPath(Lettering(QStringLiteral("e-Κάλντο")));
    p.restore();
    p.setPen(QPen(c.Yellow, 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(94, 64), QPointF(318, 64));

    // Bottom: a strip of a grade sheet as the program shows it: navy headings, maroon subject titles
    // written upwards, grey student rows, grades with the occasional cross.
    const double top = 142, left = 20, right = 340, rowH = 10.5;
    const QRectF table(left + 0.5, top + 0.5, right - left - 1, 52);
    p.setPen(QPen(c.Rule, 1));
    p.setBrush(c.Paper);
    p.drawRect(table);
    const double nameW = 120;
    const int subjects = 12;
    const double subjectW = (table.width() - nameW - 24) / subjects;
    p.setPen(QPen(c.Rule, 1));
    p.drawLine(QPointF(table.left() + 24, table.top()), QPointF(table.left() + 24, table.bottom()));
    for (int i = 0; i <= subjects; ++i) {
        const double x = table.left() + 24 + nameW + i * subjectW;
        p.drawLine(QPointF(x, table.top()), QPointF(x, table.bottom()));
    }
    const double headBottom = table.top() + 20;
    p.drawLine(QPointF(table.left(), headBottom), QPointF(table.right(), headBottom));
    for (int r = 1; r < 3; ++r)
        p.drawLine(QPointF(table.left(), headBottom + r * rowH),
                   QPointF(table.right(), headBottom + r * rowH));
    p.setPen(QPen(c.Blue.darker(140), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(table.left() + 30, headBottom - 5), QPointF(table.left() + 70, headBottom - 5));
    p.setPen(QPen(c.Maroon, 2.2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < subjects; ++i) {
        const double x = table.left() + 24 + nameW + (i + 0.5) * subjectW;
        p.drawLine(QPointF(x, headBottom - 4), QPointF(x, headBottom - 10 - (i * 7 % 9)));
    }
    const double nameLengths[] = {78, 64, 90};
    const char* grades[] = {"18", "15", "20", "17", "19", "16", "14", "12", "9", "10", "13", "16"};
    auto write = [&](const QString& text, QPointF at, double height, const QColor& colour, bool right) {
        QPainterPath path = Lettering(text);
        const double width = path.boundingRect().width() * height;
        p.save();
        p.translate(right ? at.x() - width : at.x() - width / 2, at.y());
        p.scale(height, height);
        p.setPen(QPen(colour, 1.1 / height, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.restore();
    };
    for (int r = 0; r < 3; ++r) {
        const double y = headBottom + r * rowH + rowH / 2;
        write(QString::number(r + 1), QPointF(table.left() + 20, y + 3.5), 7, c.Ink, true);
        p.setPen(QPen(c.Metal, 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(table.left() + 30, y), QPointF(table.left() + 30 + nameLengths[r], y));
        for (int i = 0; i < subjects; ++i) {
            const QRectF cell(table.left() + 24 + nameW + i * subjectW, y - rowH / 2, subjectW, rowH);
            const int kind = (r * 5 + i * 3) % 11;
            if (kind == 4) {
                p.fillRect(cell.adjusted(3, 2, -3, -2), c.Red);
                CrossGlyph(p, cell.center(), 2.0, c.Paper, 1.3);
            } else if (kind == 9) {
                p.fillRect(cell.adjusted(3, 2, -3, -2), c.Yellow);
                CrossGlyph(p, cell.center(), 2.0, c.Metal, 1.3);
            } else {
                write(QString::fromLatin1(grades[(i * 7 + r * 5) % 12]), cell.center() + QPointF(0, 3.3), 6.6,
                      c.Ink, false);
            }
        }
    }
    p.setPen(QPen(c.PaperEdge.darker(115), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 359, 199));
}

// ---- The cache ----------------------------------------------------------------------------------------

// The pictures are kept for the whole run, but let go of while the application object still exists,
// since pixmaps cannot outlive it.
QHash<QString, QPixmap>& PixmapCache() {
    static QHash<QString, QPixmap> cache;
    static const bool registered = [] {
        qAddPostRoutine([] { cache.clear(); });
        return true;
    }();
    Q_UNUSED(registered);
    return cache;
}

QHash<QString, QIcon>& IconCache() {
    static QHash<QString, QIcon> cache;
    static const bool registered = [] {
        qAddPostRoutine([] { cache.clear(); });
        return true;
    }();
    Q_UNUSED(registered);
    return cache;
}

QPixmap Cached(const QString& key, const std::function<QImage()>& make) {
    auto& cache = PixmapCache();
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    return *cache.insert(key, QPixmap::fromImage(make()));
}

Look LookOf(QIcon::Mode mode) {
    switch (mode) {
    case QIcon::Active:
    case QIcon::Selected:
        return Look::Highlighted;
    case QIcon::Disabled:
        return Look::Disabled;
    case QIcon::Normal:
        break;
    }
    return Look::Normal;
}

QPixmap ToolPixmapAt(ToolImage image, QIcon::Mode mode, int scale) {
    const Look look = LookOf(mode);
    const QString key = QStringLiteral("tool/%1/%2/%3").arg(int(image)).arg(int(look)).arg(scale);
    return Cached(key, [&] {
        return Render(QSize(TDatModImages::ToolSize, TDatModImages::ToolSize), scale, ToolPainting(image),
                      look);
    });
}

} // namespace

QIcon TDatModImages::ToolIcon(ToolImage image) {
    auto& cache = IconCache();
    const QString key = QStringLiteral("tool/%1").arg(int(image));
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    QIcon icon;
    for (int scale : {1, 2}) {
        icon.addPixmap(ToolPixmapAt(image, QIcon::Normal, scale), QIcon::Normal);
        icon.addPixmap(ToolPixmapAt(image, QIcon::Active, scale), QIcon::Active);
        icon.addPixmap(ToolPixmapAt(image, QIcon::Disabled, scale), QIcon::Disabled);
    }
    return *cache.insert(key, icon);
}

QPixmap TDatModImages::ToolPixmap(ToolImage image, QIcon::Mode mode) {
    return ToolPixmapAt(image, mode, 1);
}

QPixmap TDatModImages::State(StateImage image) {
    return Cached(QStringLiteral("state/%1").arg(int(image)), [image] {
        Painting paint;
        switch (image) {
        case StateImage::Edit:
            paint = PaintStateEdit;
            break;
        case StateImage::Post:
            paint = PaintStatePost;
            break;
        case StateImage::Get:
            paint = PaintStateGet;
            break;
        case StateImage::Alarm:
            paint = PaintStateAlarm;
            break;
        case StateImage::Pub:
            paint = PaintStatePub;
            break;
        }
        return Render(QSize(StateSize, StateSize), 1, paint, Look::Normal);
    });
}

QPixmap TDatModImages::Mark(MarkImage image) {
    return Cached(QStringLiteral("mark/%1").arg(int(image)), [image] {
        return Render(
            QSize(MarkSize, MarkSize), 1, [image](QPainter& p, const Palette&) { PaintMark(p, image); },
            Look::Normal);
    });
}

QPixmap TDatModImages::Folder(bool open) {
    return Cached(QStringLiteral("folder/%1").arg(open), [open] {
        return Render(
            FolderSize, 1,
            [open](QPainter& p, const Palette& c) {
                FolderShape(p, c, QRectF(0.5, 1.5, open ? 13 : 14, 11.5), open);
            },
            Look::Normal);
    });
}

QPixmap TDatModImages::Arrow(Qt::ArrowType direction, bool highlighted) {
    return Cached(QStringLiteral("arrow/%1/%2").arg(int(direction)).arg(highlighted), [=] {
        auto paint = [direction](QPainter& p, const Palette& c) {
            QPointF tail(8.5, 15.5), tip(8.5, 1.5);
            switch (direction) {
            case Qt::DownArrow:
                std::swap(tail, tip);
                break;
            case Qt::LeftArrow:
                tail = QPointF(15.5, 8.5);
                tip = QPointF(1.5, 8.5);
                break;
            case Qt::RightArrow:
                tail = QPointF(1.5, 8.5);
                tip = QPointF(15.5, 8.5);
                break;
            default:
                break;
            }
            BlockArrow(p, tail, tip, 4.0, 11.0, 6.5, c.Blue);
        };
        return Render(QSize(ArrowSize, ArrowSize), 1, paint, highlighted ? Look::Highlighted : Look::Normal);
    });
}

QPixmap TDatModImages::Banner() {
    return Cached(QStringLiteral("banner"), [] { return Render(BannerSize, 1, PaintBanner, Look::Normal); });
}

QIcon TDatModImages::AppIcon() {
    auto& cache = IconCache();
    const QString key = QStringLiteral("app");
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const double scale = size / 64.0;
        const bool small = size < 32;
        icon.addPixmap(QPixmap::fromImage(Render(
            QSize(64, 64), scale, [small](QPainter& p, const Palette& c) { PaintAppIcon(p, c, small); },
            Look::Normal)));
    }
    return *cache.insert(key, icon);
}

} // namespace ekaldo
