#pragma once

#include "base/ProgramConstants.h"

#include <QString>

#include <array>

namespace ekaldo {

struct WindowPlacement {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const WindowPlacement&) const = default;
};

// What the program keeps between runs (the settings file) and the folders it
// works in.
struct ProgramSettings {
    // The program's data folder (the document folders, the default database
    // path), the folder of what the program ships (the help file and the
    // guide beside it; empty: the data folder) and the settings file. Chosen
    // at start (core/shell/ProgramFolders.h: both beside the executable in a build
    // tree; the shared folder and the user's data folder once installed; the
    // settings in the user's configuration folder); tests and the
    // command-line tool may point them elsewhere.
    QString ProgramFolder;  // with a trailing separator
    QString ResourceFolder; // with a trailing separator
    QString SettingsPath;

    QString ImportsDir, ExportsDir, TemplatesDir;

    QString BackFontName = QStringLiteral("Arial");
    QString ForeFontName = QStringLiteral("Arial");
    quint32 BackColor = 0; // 0x00BBGGRR
    quint32 ForeColor = 0;

    WindowPlacement MainPlacement{10, 10, 450, 350};
    WindowPlacement DataManagerPlacement{20, 20, 325, 252};
    WindowPlacement PreviewPlacement{20, 20, 760, 540};
    WindowPlacement FilterPlacement{20, 20, 680, 580};
    WindowPlacement ViewPlacement{20, 20, 680, 520};
    WindowPlacement PostPlacement{20, 20, 740, 520};

    int SplitW = 180;
    int SplitH = 180;
    int LevelW = 148, ClassW = 148, CourseW = 148;

    // Widths of the main window's list columns 2 onwards (columns 0 and 1 are not stored).
    std::array<int, 6> InBoxWidths{240, 128, 128, 128, 128, 128};
    std::array<int, 3> OutBoxWidths{240, 128, 128};
    std::array<int, 2> TemplateWidths{240, 128};

    // The folders last used in the send and receive dialogs, and the label of
    // the school year last opened; all three kept between runs.
    QString LastSendFolder, LastReceiveFolder;
    QString LastSchoolYear;

    // The posting runs of each school year whose backups are kept; older
    // ones go after a run that ends well.
    int BackupRunsKept = Program::kBackupRunsKept;

    // Sets the three document folders from the program folder and creates the
    // missing ones; throws FileError when one cannot be made.
    void SetDocumentFolders();

    QString HelpFilePath() const;

    // The settings path of this user.
    static QString DefaultSettingsPath();
};

} // namespace ekaldo
