// make-app-icons FOLDER SIZE...: writes the program's icon as
// FOLDER/SIZExSIZE/apps/ekaldo.png for each size, the layout of an icon
// theme, for the desktop menu of an installed program. The icon is painted in
// code like every picture of the program, so the build makes these files.
#include "gui/TDatModImages.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QTextStream>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    if (args.size() < 3) {
        err << "Χρήση: make-app-icons ΦΑΚΕΛΟΣ ΜΕΓΕΘΟΣ...\n";
        return 2;
    }
    const QIcon icon = ekaldo::TDatModImages::AppIcon();
    for (qsizetype i = 2; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        if (!ok || size < 1) {
            err << "Άκυρο μέγεθος: " << args[i] << '\n';
            return 2;
        }
        const QString folder = QDir(args[1]).filePath(QStringLiteral("%1x%1/apps").arg(size));
        // An exact size: a theme's folder promises it, and a smaller picture
        // would be stretched by the menu.
        QImage image = icon.pixmap(QSize(size, size)).toImage();
        if (image.size() != QSize(size, size))
            image = image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString file = QDir(folder).filePath(QStringLiteral("ekaldo.png"));
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            err << "Το αρχείο \"" << file << "\" δεν γράφτηκε.\n";
            return 1;
        }
    }
    return 0;
}
