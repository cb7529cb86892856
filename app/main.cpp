#include "base/FileErrors.h"
#include "base/ProgramConstants.h"
#include "core/shell/AppState.h"
#include "core/shell/ProgramFolders.h"
#include "gui/TDatModImages.h"
#include "gui/shell/GeneralErrorReport.h"
#include "gui/shell/QtUiServices.h"
#include "gui/shell/TFormMain.h"
#include "gui/shell/THelpWindow.h"

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <csignal>
#include <memory>

int main(int argc, char** argv) {
    // A file-size limit must reach our writers as the write error it is (the
    // disk-full message, the old file kept), not end the program mid-write.
    std::signal(SIGXFSZ, SIG_IGN);
    ekaldo::EkaldoApplication app(argc, argv);
    // No display name: Qt would add it to every window title, the main
    // window's own "e-Κάλντο: Κεντρικό Σύστημα" included.
    app.setApplicationName(QStringLiteral("ekaldo"));

    // The program speaks Greek whatever the desktop's language: Qt's own Greek
    // translation, where the system has one, goes before the program's texts
    // for Qt's dialogs.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Greek, QLocale::Greece), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);

    ekaldo::QtUiServices ui;
    app.SetUiServices(&ui);

    const ekaldo::ProgramFolders folders = ekaldo::ProgramFolders::OfRunningProgram();
    ekaldo::AppState state;
    state.ProgramFolder = folders.DataFolder;
    state.ResourceFolder = folders.ResourceFolder;
    state.SettingsPath = ekaldo::AppState::DefaultSettingsPath();

    app.setWindowIcon(ekaldo::TDatModImages::AppIcon());
    // The windows are laid out in pixels for a compact 8-point sans serif, the
    // grids' own font family; a desktop's larger default would clip them.
    QFont font(ekaldo::Program::GridFontName);
    font.setPointSize(8);
    app.setFont(font);
    // One help window for the whole run, opened at the section asked for.
    std::unique_ptr<ekaldo::THelpWindow> help;
    ui.SetHelpHandler([&](int context) {
        if (!help)
            help = std::make_unique<ekaldo::THelpWindow>(state.HelpFilePath(), ui);
        help->ShowContext(context);
    });

    if (!ekaldo::PrepareDataFolder(folders, ui))
        return 1;
    try {
        ekaldo::TFormMain mainWindow(state, ui);
        mainWindow.show();
        // "Open with" from the file manager hands over a grade sheet to receive.
        const QStringList args = app.arguments();
        if (args.size() > 1 && args[1].endsWith(QStringLiteral(".agd"), Qt::CaseInsensitive))
            mainWindow.OfferToReceive(args[1]);
        return app.exec();
    } catch (const ekaldo::EkaldoError& e) {
        ekaldo::EkaldoApplication::ReportError(&ui, e.Message());
        return 1;
    }
}
