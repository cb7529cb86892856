#pragma once

#include "ConsoleUiServices.h"
#include "core/shell/ProgramSettings.h"
#include "schooldb/SchoolYearSession.h"

#include <QMap>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>

class QCoreApplication;

namespace ekaldo {

// What a command gets: its words, its options, the program's settings and
// folders, and the school year it opens.
struct CliContext {
    QStringList arguments;              // the command's own words, options taken out
    QMap<QString, QStringList> options; // "--name" -> values, in order
    QSet<QString> flags;                // "--name" of the flags given
    ProgramSettings settings;
    SchoolYearSession session;
    ConsoleUiServices ui;

    QString Option(const QString& name) const {
        const auto values = options.value(name);
        return values.isEmpty() ? QString() : values.back();
    }
    bool Flag(const QString& name) const { return flags.contains(name); }
};

// The body of a command. Its words, options and help are declared in the
// table of CommandLine.cpp; the parser has checked them before it runs.
struct CliCommand {
    QString name;
    std::function<int(CliContext&)> run;
};

// Each file of commands adds the bodies of its own to the list.
void AddFileCommands(QList<CliCommand>& commands);
void AddTableCommands(QList<CliCommand>& commands);
void AddDocumentCommands(QList<CliCommand>& commands);
void AddSchoolYearCommands(QList<CliCommand>& commands);
void AddComposeCommands(QList<CliCommand>& commands);
void AddReviewCommands(QList<CliCommand>& commands);
void AddPrintCommands(QList<CliCommand>& commands);
// The application object: a GUI one, for fonts and painting, when the command prints.
std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv);

// The folder of the school-year folders: --db-path, else the settings' DBPath.
QString DataFolder(CliContext& cli);
// Opens the school year of --year and signs in (--user and --password, else
// the administrator without asking). 0 on success, else the exit code.
int OpenSchoolYearFromOptions(CliContext& cli);

// Command failures below the windows: a message for standard error and the exit code 1.
int Fail(const QString& message);

} // namespace ekaldo
