// make-app-icons SVG FOLDER SIZE...: renders the program's icon, drawn once as
// SVG, to FOLDER/SIZExSIZE/apps/ekaldo.png for each size, the layout of an
// icon theme, for the desktop menus that take bitmaps only, and beside it the
// icons of its two file kinds (FOLDER/SIZExSIZE/mimetypes/...) for the file
// manager.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>
#include <QTextStream>

#include <algorithm>

namespace {

// A sheet of paper with a folded corner and lines of a table; a grade sheet
// has its grade column filled in, a template leaves it empty. The program's
// icon sits in the lower right corner, so that the file is known as ours.
QImage FileIcon(int size, bool grades, const QImage& appIcon) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const qreal left = s * 0.16, right = s * 0.84, top = s * 0.06, bottom = s * 0.94, fold = s * 0.22;
    QPainterPath page;
    page.moveTo(left, top);
    page.lineTo(right - fold, top);
    page.lineTo(right, top + fold);
    page.lineTo(right, bottom);
    page.lineTo(left, bottom);
    page.closeSubpath();
    const qreal pen = std::max<qreal>(1.0, s / 32.0);
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), pen));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(QColor(0xdd, 0xdd, 0xdd));
    p.drawPolygon(QPolygonF(
        {QPointF(right - fold, top), QPointF(right - fold, top + fold), QPointF(right, top + fold)}));
    // The table: a row of titles in navy, then rows with the grade column.
    const qreal rowHeight = s * 0.09;
    qreal y = top + fold + rowHeight * 0.4;
    const qreal gradeLeft = left + (right - left) * 0.62;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x00, 0x00, 0x80));
    p.drawRect(QRectF(left + pen * 2, y, right - left - pen * 4, rowHeight * 0.6));
    for (int row = 0; row < 5 && y + rowHeight * 2 < bottom; ++row) {
        y += rowHeight;
        p.setBrush(QColor(0x80, 0x80, 0x80));
        p.drawRect(QRectF(left + pen * 2, y, gradeLeft - left - pen * 4, rowHeight * 0.45));
        if (grades) {
            p.setBrush(QColor(0x80, 0x00, 0x00));
            p.drawRect(QRectF(gradeLeft, y, (right - gradeLeft) * 0.55, rowHeight * 0.45));
        }
    }
    if (size >= 24) {
        const int badge = size / 2;
        p.drawImage(QRect(size - badge, size - badge, badge, badge),
                    appIcon.scaled(badge, badge, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    return image;
}

bool Save(const QImage& image, const QString& folder, const QString& name, QTextStream& err) {
    const QString file = QDir(folder).filePath(name);
    if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
        err << "Το αρχείο \"" << file << "\" δεν γράφτηκε.\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() < 4) {
        err << "Χρήση: make-app-icons SVG ΦΑΚΕΛΟΣ ΜΕΓΕΘΟΣ...\n";
        return 2;
    }
    QSvgRenderer svg(args[1]);
    if (!svg.isValid()) {
        err << "Το αρχείο \"" << args[1] << "\" δεν διαβάστηκε ως SVG.\n";
        return 1;
    }
    for (qsizetype i = 3; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        if (!ok || size < 1) {
            err << "Άκυρο μέγεθος: " << args[i] << '\n';
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        svg.render(&painter);
        painter.end();
        const QString folder = QDir(args[2]).filePath(QStringLiteral("%1x%1/apps").arg(size));
        const QString mimeFolder = QDir(args[2]).filePath(QStringLiteral("%1x%1/mimetypes").arg(size));
        if (!Save(image, folder, QStringLiteral("ekaldo.png"), err) ||
            !Save(FileIcon(size, true, image), mimeFolder, QStringLiteral("application-x-ekaldo-grades.png"),
                  err) ||
            !Save(FileIcon(size, false, image), mimeFolder,
                  QStringLiteral("application-x-ekaldo-template.png"), err))
            return 1;
    }
    return 0;
}
