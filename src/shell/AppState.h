#pragma once

#include "shell/ProgramConstants.h"

#include <QString>
#include <QStringList>

#include <array>
#include <memory>

namespace ekaldo {

namespace schooldb {
class Database;
class Session;
} // namespace schooldb

struct WindowPlacement {
    int x = 0, y = 0, w = 0, h = 0;
    bool operator==(const WindowPlacement&) const = default;
};

// The header of the grade data file read last.
struct GradeHeader {
    QString File, Version, Copyright, FileName, FileID, Created, Exported, Modified, Imported, Posted,
        SchoolYear;
    bool operator==(const GradeHeader&) const = default;
};

// The header of the grade template file read last.
struct TemplateHeader {
    QString File, Version, Copyright, FileName, FileID, Created;
    bool operator==(const TemplateHeader&) const = default;
};

// Every process-wide variable of the program. The program makes one at start
// and hands it to its windows; each test makes its own.
struct AppState {
    // The program's data folder (the document folders, the default database
    // path), the folder of what the program ships (the help file and the
    // guide beside it; empty: the data folder) and the settings file. Chosen
    // at start (shell/ProgramFolders.h: both beside the executable in a build
    // tree; the shared folder and the user's data folder once installed; the
    // settings in the user's configuration folder); tests and the
    // command-line tool may point them elsewhere.
    QString ProgramFolder;  // with a trailing separator
    QString ResourceFolder; // with a trailing separator
    QString SettingsPath;

    QString ImportsDir, ExportsDir, TemplatesDir;
    QString DBPath;
    QString SchoolYearLabel = Program::NoSchoolYearLabel;
    QString SchoolYearCode;

    QString BackFontName = QStringLiteral("Arial");
    QString ForeFontName = QStringLiteral("Arial");
    quint32 BackColor = 0;  // 0x00BBGGRR
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

    QString CurrentFileName, CurrentFilePath;
    QString CurrentTemplateName, CurrentTemplatePath;
    GradeHeader GradeFileHeader;
    TemplateHeader TemplateFileHeader;

    // The folders last used in the send and receive dialogs, and the label of
    // the school year last opened; all three kept between runs.
    QString LastSendFolder, LastReceiveFolder;
    QString LastSchoolYear;

    // The title of the last report prepared, and the printer the next one
    // goes to (empty: the system's default printer, else the PDF printer).
    QString ReportTitle;
    QString PrinterName;

    // The order of the seven student columns of a sheet (their column keys) and
    // the sort order of the student query; each sheet window resets them to
    // their defaults when it opens (compose/ColumnSettings.h).
    QStringList ColumnOrder, SortOrder;

    // The signed-in user of the open school year.
    int UserLevel = 5;  // 1 to 4 by group; 5 nobody
    QString UserRights = QString(32, QLatin1Char('0'));
    QString CurrentUserName, CurrentUserPassword;
    // Flag 8 of the user's rights allows posting grades.
    bool PostingRight() const { return UserRights.size() >= 8 && UserRights.at(7) == QLatin1Char('1'); }

    // The table-password session and the database every table and query of
    // the program goes through, made on first use.
    schooldb::Session& DatabaseSession();
    schooldb::Database& MorvenDataBase();

    AppState();
    ~AppState();
    AppState(AppState&&) noexcept;
    AppState& operator=(AppState&&) = delete;

    bool SchoolYearOpen() const { return SchoolYearLabel != Program::NoSchoolYearLabel; }

    // Sets the three document folders from the program folder and creates the
    // missing ones; throws FileError when one cannot be made.
    void SetDocumentFolders();

    QString HelpFilePath() const;

    // The settings path of this user.
    static QString DefaultSettingsPath();

private:
    std::unique_ptr<schooldb::Session> m_session;
    std::unique_ptr<schooldb::Database> m_database;
};

} // namespace ekaldo
