// ekaldo-cli: the program's core driven from the command line, for batch
// work in the office and for checking what the program reads and writes.
#include "CliContext.h"
#include "CommandLine.h"

#include "base/FileErrors.h"
#include "base/SharedRoutines.h"
#include "core/shell/ProgramFolders.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>

using namespace ekaldo;

namespace {

QList<CliCommand> AllCommands() {
    QList<CliCommand> commands;
    AddFileCommands(commands);
    AddTableCommands(commands);
    AddDocumentCommands(commands);
    AddSchoolYearCommands(commands);
    AddComposeCommands(commands);
    AddReviewCommands(commands);
    AddPrintCommands(commands);
    return commands;
}

const CliCommand* BodyOf(const QList<CliCommand>& bodies, const QString& name) {
    for (const CliCommand& body : bodies)
        if (body.name == name)
            return &body;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    // A file-size limit must reach our writers as the write error it is (the
    // disk-full message, the old file kept), not end the program mid-write.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::unique_ptr<QCoreApplication> app = MakeCliApplication(argc, argv);
    const QList<CliCommand> commands = AllCommands();

    const ParsedCommandLine parsed = ParseCommandLine(app->arguments().mid(1));
    switch (parsed.outcome) {
    case ParsedCommandLine::Outcome::Help:
        PrintOut(parsed.text);
        return 0;
    case ParsedCommandLine::Outcome::Error:
        PrintErr(parsed.text);
        return 2;
    case ParsedCommandLine::Outcome::Run:
        break;
    }
    // Every command of the table has its body in one of the files of commands.
    const CliCommand* found = BodyOf(commands, parsed.command->name);
    if (!found)
        return Fail(QStringLiteral("Η εντολή ") + parsed.command->name +
                    QStringLiteral(" δεν έχει υλοποίηση."));

    CliContext cli;
    cli.arguments = parsed.arguments;
    cli.options = parsed.values;
    cli.flags = parsed.flags;
    const QString folder = cli.Option(QStringLiteral("--program-folder"));
    if (folder.isEmpty()) {
        // Installed beside the program, the tool shares its data folder and
        // readies it on first use just as the program does.
        const ProgramFolders running = ProgramFolders::OfRunningProgram();
        cli.settings.ProgramFolder = running.DataFolder;
        cli.settings.ResourceFolder = running.ResourceFolder;
        if (!PrepareDataFolder(running, cli.ui))
            return 1;
    } else {
        cli.settings.ProgramFolder = AddTrailingBackslash(QDir(folder).absolutePath());
    }
    const QString settings = cli.Option(QStringLiteral("--settings"));
    cli.settings.SettingsPath =
        settings.isEmpty() ? ProgramSettings::DefaultSettingsPath() : QDir().absoluteFilePath(settings);
    cli.ui.SetAnswerYes(cli.Flag(QStringLiteral("--yes")));

    try {
        const int code = found->run(cli);
        return code == 0 && cli.ui.ErrorShown() ? 1 : code;
    } catch (const EkaldoError& e) {
        return Fail(e.Message());
    }
}
