#pragma once

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

namespace ekaldo {

// One option of a command. The name is given without its dashes; a flag has
// no value placeholder.
struct CliOption {
    QString name;
    QString valueName;
    QString description;
    bool required = false;   // shown without brackets in the usage line
    bool repeatable = false; // every value given counts, not just the last

    bool TakesValue() const { return !valueName.isEmpty(); }
};

// One command as the parser, the general help and the command's own help see it.
struct CliCommandSpec {
    QString name;
    QString arguments; // the placeholders of the command's own words
    int minArguments = 0;
    int maxArguments = 0;
    QString description;
    QList<CliOption> options;
};

// Every command with every option it takes, and the options every command takes.
const QList<CliCommandSpec>& CliCommands();
const QList<CliOption>& CommonCliOptions();
const CliCommandSpec* FindCliCommand(const QString& name);

// The first word that is neither an option nor an option's value: the
// command's name, or empty. Options may stand before or after it.
QString CommandNameIn(const QStringList& arguments);

// The outcome of reading the command line: a command to run with its words
// and options, a help text for standard output, or an error with the usage
// for standard error.
struct ParsedCommandLine {
    enum class Outcome { Run, Help, Error };
    Outcome outcome = Outcome::Error;
    const CliCommandSpec* command = nullptr;
    QString text;
    QStringList arguments;             // the command's own words
    QMap<QString, QStringList> values; // "--name" -> values, in order
    QSet<QString> flags;               // "--name" of the flags given
};

// The arguments without the program's own name.
ParsedCommandLine ParseCommandLine(const QStringList& arguments);

QString GeneralHelp();
QString CommandHelp(const CliCommandSpec& command);

} // namespace ekaldo
