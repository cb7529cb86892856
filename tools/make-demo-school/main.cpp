// make-demo-school OUTPUT_FOLDER: writes the demo tutoring centre's
// school-year folder, the one the program finds on its first run.
#include "base/FileErrors.h"
#include "schooldb/builder/SchoolGenerator.h"

#include <QCoreApplication>
#include <QTextStream>

#include <exception>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    const QString usage = QStringLiteral("Χρήση: make-demo-school ΦΑΚΕΛΟΣ\n");
    // An option is never taken for the folder to write into.
    if (args.size() == 2 && (args[1] == QStringLiteral("--help") || args[1] == QStringLiteral("-h"))) {
        QTextStream(stdout) << usage;
        return 0;
    }
    if (args.size() != 2 || args[1].startsWith(QLatin1Char('-'))) {
        err << usage;
        return 2;
    }
    try {
        ekaldo::schooldb::WriteDemoSchool(args[1]);
    } catch (const ekaldo::EkaldoError& e) {
        err << e.Message() << '\n';
        return 1;
    } catch (const std::exception& e) {
        err << e.what() << '\n';
        return 1;
    }
    return 0;
}
