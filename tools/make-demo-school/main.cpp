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
    if (args.size() != 2) {
        err << "Χρήση: make-demo-school ΦΑΚΕΛΟΣ\n";
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
