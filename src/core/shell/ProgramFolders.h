#pragma once

#include <QString>

namespace ekaldo {

class UiServices;

// Where a running program reads what it ships (the help file, with the user
// guide in a folder "guide" beside it) and where the user's work lives (the
// folders Imports, Exports and Templates, the school years, the default
// database path). A program run from its build tree keeps both beside the
// executable. An installed program reads from <prefix>/share/ekaldo and keeps
// the user's work in the user's data folder: the executable's folder belongs
// to the system, and every user needs folders of their own.
struct ProgramFolders {
    QString ResourceFolder; // with a trailing separator
    QString DataFolder;     // with a trailing separator
    bool Installed = false;

    // The folders of a program whose executable is in executableFolder.
    // Installed is told by the layout: the help file beside the executable
    // means a build tree; the shared folder of the installed layout (found
    // relative to the executable, so a moved prefix works) or an executable
    // folder the user cannot write means an installed program, whose data
    // folder is userDataFolder.
    static ProgramFolders Choose(const QString& executableFolder, const QString& userDataFolder);
    static ProgramFolders OfRunningProgram();

    // $XDG_DATA_HOME/ekaldo, else ~/.local/share/ekaldo. Built from the
    // generic location rather than the application's own so that the program
    // and ekaldo-cli, two executables of one installation, share it.
    static QString UserDataFolder();
};

// The demo school year an installed program writes into a new data folder.
inline const QString DemoSchoolYearFolderName = QStringLiteral("MV202526.SYR");

// Gets an installed program's data folder ready: on the first start (no data
// folder yet) it makes the folders Imports, Exports and Templates and the demo
// school year there and tells the user where they are. The folder appears
// whole or not at all, so a start that fails half way is tried again the next
// time. Later starts, and programs run from their build tree, say nothing.
// Returns false after showing why the folder could not be made.
bool PrepareDataFolder(const ProgramFolders& folders, UiServices& ui);

} // namespace ekaldo
