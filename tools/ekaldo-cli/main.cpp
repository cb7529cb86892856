// ekaldo-cli: the program's core driven from the command line, for batch
// work in the office and for checking what the program reads and writes.
#include "CliContext.h"

#include "base/FileErrors.h"
#include "core/shell/ProgramFolders.h"
#include "base/SharedRoutines.h"

#include <QCoreApplication>
#include <QDir>

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

void PrintUsage(const QList<CliCommand>& commands) {
    QString text = QStringLiteral("Χρήση: ekaldo-cli [--settings ΑΡΧΕΙΟ] [--program-folder ΦΑΚΕΛΟΣ] ΕΝΤΟΛΗ ...\n"
                                  "Εντολές:\n");
    for (const auto& c : commands)
        text += QStringLiteral("  ") + c.name + QLatin1Char(' ') + c.usage + QLatin1Char('\n');
    PrintErr(text);
}

} // namespace

int main(int argc, char** argv) {
    const std::unique_ptr<QCoreApplication> app = MakeCliApplication(argc, argv);
    const QList<CliCommand> commands = AllCommands();

    CliContext cli;
    QString commandName;
    const QStringList args = app->arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a.startsWith(QStringLiteral("--")) && a.size() > 2) {
            QString name = a;
            QString value;
            const qsizetype eq = a.indexOf(QLatin1Char('='));
            if (eq > 0) {
                name = a.left(eq);
                value = a.mid(eq + 1);
            }
            if (ValueOptions().contains(name)) {
                if (eq < 0) {
                    if (i + 1 >= args.size())
                        return Fail(QStringLiteral("Η επιλογή ") + name + QStringLiteral(" θέλει τιμή."));
                    value = args[++i];
                }
                cli.options[name].append(value);
            } else {
                cli.flags.insert(name);
            }
        } else if (commandName.isEmpty()) {
            commandName = a;
        } else {
            cli.arguments.append(a);
        }
    }
    if (cli.Flag(QStringLiteral("--help")) || commandName.isEmpty()) {
        PrintUsage(commands);
        return commandName.isEmpty() && !cli.Flag(QStringLiteral("--help")) ? 2 : 0;
    }
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [&](const CliCommand& c) { return c.name == commandName; });
    if (found == commands.end()) {
        PrintErr(QStringLiteral("Άγνωστη εντολή: ") + commandName + QLatin1Char('\n'));
        PrintUsage(commands);
        return 2;
    }
    if (cli.arguments.size() < found->minArguments || cli.arguments.size() > found->maxArguments) {
        PrintErr(QStringLiteral("Χρήση: ekaldo-cli ") + found->name + QLatin1Char(' ') + found->usage +
                 QLatin1Char('\n'));
        return 2;
    }

    const QString folder = cli.Option(QStringLiteral("--program-folder"));
    if (folder.isEmpty()) {
        // Installed beside the program, the tool shares its data folder and
        // readies it on first use just as the program does.
        const ProgramFolders running = ProgramFolders::OfRunningProgram();
        cli.state.ProgramFolder = running.DataFolder;
        cli.state.ResourceFolder = running.ResourceFolder;
        if (!PrepareDataFolder(running, cli.ui))
            return 1;
    } else {
        cli.state.ProgramFolder = AddTrailingBackslash(QDir(folder).absolutePath());
    }
    const QString settings = cli.Option(QStringLiteral("--settings"));
    cli.state.SettingsPath = settings.isEmpty() ? AppState::DefaultSettingsPath() : QDir().absoluteFilePath(settings);
    cli.ui.SetAnswerYes(cli.Flag(QStringLiteral("--yes")));

    try {
        const int code = found->run(cli);
        return code == 0 && cli.ui.ErrorShown() ? 1 : code;
    } catch (const EkaldoError& e) {
        return Fail(e.Message());
    }
}
