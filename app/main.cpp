#include "platform/FileErrors.h"
#include "platform/QtUiServices.h"
#include "shell/AppState.h"
#include "shell/GeneralErrorReport.h"
#include "shell/ProgramConstants.h"
#include "shell/TFormMain.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv) {
    ekaldo::EkaldoApplication app(argc, argv);
    app.setApplicationDisplayName(ekaldo::Program::ApplicationTitle);
    app.setApplicationName(QStringLiteral("ekaldo"));

    // Qt's own dialogs and buttons speak the user's language where Qt has it.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);

    ekaldo::QtUiServices ui;
    app.SetUiServices(&ui);

    ekaldo::AppState state;
    state.ProgramFolder = ekaldo::AppState::DefaultProgramFolder();
    state.SettingsPath = ekaldo::AppState::DefaultSettingsPath();

    try {
        ekaldo::TFormMain mainWindow(state, ui);
        mainWindow.show();
        return app.exec();
    } catch (const ekaldo::EkaldoError& e) {
        ekaldo::EkaldoApplication::ReportError(&ui, e.Message());
        return 1;
    }
}
