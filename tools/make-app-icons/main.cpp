// make-app-icons SVG FOLDER SIZE...: renders the program's icon, drawn once as
// SVG, to FOLDER/SIZExSIZE/apps/ekaldo.png for each size, the layout of an
// icon theme, for the desktop menus that take bitmaps only.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

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
        const QString file = QDir(folder).filePath(QStringLiteral("ekaldo.png"));
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            err << "Το αρχείο \"" << file << "\" δεν γράφτηκε.\n";
            return 1;
        }
    }
    return 0;
}
