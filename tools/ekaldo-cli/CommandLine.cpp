// The commands of ekaldo-cli and their options, declared once: the parser,
// the general help (and the manual page made from it) and each command's
// help all read this table.
#include "CommandLine.h"

#include "base/ProgramConstants.h"
#include "core/compose/ColumnSettings.h"
#include "schooldb/GradeColumns.h"

#include <QCommandLineParser>

#include <algorithm>

namespace ekaldo {
namespace {

const QString kProgram = QStringLiteral("ekaldo-cli");

CliOption Flag(const char* name, const QString& description, bool required = false) {
    return {QString::fromLatin1(name), QString(), description, required, false};
}

CliOption Value(const char* name, const QString& valueName, const QString& description, bool required = false,
                bool repeatable = false) {
    return {QString::fromLatin1(name), valueName, description, required, repeatable};
}

// The options of every command that opens a school year and signs in.
QList<CliOption> SchoolYearOptions() {
    return {
        Value("year", QStringLiteral("ΕΤΟΣ"),
              QStringLiteral("το σχολικό έτος, π.χ. 2025-2026 ή \"Σχ.Έτος 2025-2026\""), true),
        Value("db-path", QStringLiteral("ΦΑΚΕΛΟΣ"),
              QStringLiteral("ο φάκελος των σχολικών ετών (αλλιώς το DBPath των ρυθμίσεων)")),
        Value("user", QStringLiteral("ΨΕΥΔΩΝΥΜΟ"),
              QStringLiteral("ο χρήστης που συνδέεται· χωρίς αυτόν, σιωπηλή σύνδεση του διαχειριστή")),
        Value("password", QStringLiteral("ΣΥΝΘΗΜΑ"),
              QStringLiteral("το σύνθημα του χρήστη· τα γράμματα γίνονται κεφαλαία, όπως στο παράθυρο "
                             "«Σύνθημα»")),
    };
}

QString ColumnKeys() {
    return DefaultColumnOrder().join(QStringLiteral(", "));
}

// What the filter window chooses: the four selections, the grade shown and the columns.
QList<CliOption> SelectionOptions() {
    const int grades = static_cast<int>(GradeColumnCaptions(Program::kGradingScheme).size());
    return {
        Value("template", QStringLiteral("ΥΠΟΔΕΙΓΜΑ.agt"),
              QStringLiteral("οι επιλογές ενός υποδείγματος (διαδρομή ή όνομα στον φάκελο Templates)")),
        Value("level", QStringLiteral("ΕΠΙΠΕΔΟ"), QStringLiteral("επιλέγει ένα επίπεδο"), false, true),
        Value("class", QStringLiteral("ΤΑΞΗ"), QStringLiteral("επιλέγει μια τάξη"), false, true),
        Value("course", QStringLiteral("ΤΜΗΜΑ"), QStringLiteral("επιλέγει ένα τμήμα"), false, true),
        Value("subject", QStringLiteral("ΜΑΘΗΜΑ"), QStringLiteral("επιλέγει ένα μάθημα, με τον τίτλο του"),
              false, true),
        Flag("all-subjects", QStringLiteral("επιλέγει όλα τα μαθήματα")),
        Value("period", QStringLiteral("ΑΡΙΘΜΟΣ"),
              QStringLiteral("ο βαθμός που δείχνει το φύλλο: 1 έως %1 στη σειρά της λίστας «Βαθμολογική "
                             "Περίοδος», 0 κανένας")
                  .arg(grades)),
        Value("sort", QStringLiteral("ΚΛΕΙΔΙΑ"),
              QStringLiteral("η σειρά ταξινόμησης, κλειδιά στηλών χωρισμένα με κόμμα, από τα ") +
                  ColumnKeys()),
        Value("columns", QStringLiteral("ΚΛΕΙΔΙΑ"),
              QStringLiteral("η σειρά των στηλών του μαθητή, κλειδιά χωρισμένα με κόμμα, από τα ") +
                  ColumnKeys()),
    };
}

QString PeriodRange() {
    return QStringLiteral("1 έως %1").arg(GradeColumnCaptions(Program::kGradingScheme).size());
}

QList<CliCommandSpec> MakeCommands() {
    const QList<CliOption> year = SchoolYearOptions();
    const QList<CliOption> selection = year + SelectionOptions();
    const QString folders = QStringLiteral("inbox|outbox|templates");
    return {
        {QStringLiteral("show"),
         QStringLiteral("ΑΡΧΕΙΟ"),
         1,
         1,
         QStringLiteral("Δείχνει την κεφαλίδα και τα δεδομένα ενός αρχείου βαθμολογίας (.agd) ή τις "
                        "επιλογές ενός υποδείγματος (.agt)."),
         {}},
        {QStringLiteral("make-sheet"),
         QStringLiteral("ΦΥΛΛΟ.tsv ΕΞΟΔΟΣ.agd"),
         2,
         2,
         QStringLiteral("Γράφει αρχείο βαθμολογίας από φύλλο UTF-8 με στήλες χωρισμένες με tab· η πρώτη "
                        "γραμμή έχει τους τίτλους."),
         {Value("school-year", QStringLiteral("ΕΤΟΣ"),
                QStringLiteral("το σχολικό έτος του φύλλου, π.χ. 2024-2025"), true)}},
        {QStringLiteral("list"),
         folders,
         1,
         1,
         QStringLiteral("Δείχνει τα αρχεία ενός φακέλου: inbox (Εισερχόμενα), outbox (Εξερχόμενα) ή "
                        "templates (Υποδείγματα)."),
         {}},
        {QStringLiteral("send"),
         QStringLiteral("ΟΝΟΜΑ ΠΡΟΟΡΙΣΜΟΣ"),
         2,
         2,
         QStringLiteral("Στέλνει ένα αρχείο των Εξερχομένων σε αρχείο ή φάκελο προορισμού και σημειώνει "
                        "την αποστολή."),
         {Flag("overwrite", QStringLiteral("επικαλύπτει αρχείο που υπάρχει ήδη στον προορισμό")),
          Flag("workbook",
               QStringLiteral("στέλνει το φύλλο ως βιβλίο εργασίας (.xlsx) για λογιστικό φύλλο"))}},
        {QStringLiteral("receive"),
         QStringLiteral("ΑΡΧΕΙΟ"),
         1,
         1,
         QStringLiteral("Λαμβάνει ένα συμπληρωμένο αρχείο στα Εισερχόμενα, με το όνομα της κεφαλίδας του."),
         {Flag("overwrite", QStringLiteral("επικαλύπτει αρχείο που υπάρχει ήδη στα Εισερχόμενα"))}},
        {QStringLiteral("delete"),
         folders + QStringLiteral(" ΟΝΟΜΑ"),
         2,
         2,
         QStringLiteral("Διαγράφει ένα αρχείο από έναν από τους τρεις φακέλους."),
         {Flag("yes", QStringLiteral("επιβεβαιώνει τη διαγραφή"), true)}},
        {QStringLiteral("dump-table"),
         QStringLiteral("ΦΑΚΕΛΟΣ ΠΙΝΑΚΑΣ"),
         2,
         2,
         QStringLiteral("Δείχνει έναν πίνακα Paradox: τα ονόματα και τους τύπους των πεδίων, μετά κάθε "
                        "εγγραφή, με tab ανάμεσα."),
         {Value("password", QStringLiteral("ΣΥΝΘΗΜΑ"), QStringLiteral("σύνθημα πίνακα, όπως γράφτηκε"), false,
                true)}},
        {QStringLiteral("years"),
         QString(),
         0,
         0,
         QStringLiteral("Δείχνει τα σχολικά έτη του φακέλου τους."),
         {Value("db-path", QStringLiteral("ΦΑΚΕΛΟΣ"),
                QStringLiteral("ο φάκελος των σχολικών ετών (αλλιώς το DBPath των ρυθμίσεων)"))}},
        {QStringLiteral("whoami"), QString(), 0, 0,
         QStringLiteral("Ανοίγει ένα σχολικό έτος, συνδέει τον χρήστη και δείχνει το επίπεδο και τα "
                        "δικαιώματά του."),
         year},
        {QStringLiteral("compose"), QString(), 0, 0,
         QStringLiteral("Συνθέτει φύλλο βαθμολογίας, όπως το παράθυρο επιλογής μαθητών, και το αποθηκεύει "
                        "στα Εξερχόμενα ή το δείχνει."),
         selection +
             QList<CliOption>{
                 Value("save", QStringLiteral("ΟΝΟΜΑ.agd"),
                       QStringLiteral("αποθηκεύει το φύλλο στα Εξερχόμενα με αυτό το όνομα")),
                 Flag("print-sheet", QStringLiteral("δείχνει το φύλλο αντί να το αποθηκεύσει")),
                 Flag("overwrite", QStringLiteral("επικαλύπτει αρχείο που υπάρχει ήδη")),
             }},
        {QStringLiteral("save-template"), QStringLiteral("ΟΝΟΜΑ.agt"), 1, 1,
         QStringLiteral("Αποθηκεύει τις επιλογές ως υπόδειγμα στον φάκελο Templates."),
         selection +
             QList<CliOption>{Flag("overwrite", QStringLiteral("επικαλύπτει υπόδειγμα που υπάρχει ήδη"))}},
        {QStringLiteral("check"), QStringLiteral("ΑΡΧΕΙΟ.agd"), 1, 1,
         QStringLiteral("Ελέγχει ένα ληφθέν φύλλο (διαδρομή ή όνομα στα Εισερχόμενα) και δείχνει τα λάθη· "
                        "με --period και τις τιμές που θα άλλαζε η Καταχώρηση. Δεν γράφει τίποτα."),
         year + QList<CliOption>{Value("period", QStringLiteral("ΑΡΙΘΜΟΣ"),
                                       QStringLiteral("ο βαθμός της λίστας «Βαθμολογική Περίοδος» (") +
                                           PeriodRange() + QStringLiteral(") που θα καταχωριζόταν"))}},
        {QStringLiteral("post"), QStringLiteral("ΑΡΧΕΙΟ.agd"), 1, 1,
         QStringLiteral("Καταχωρεί τους βαθμούς ενός ληφθέντος φύλλου στη βάση, με αντίγραφο ασφαλείας και "
                        "ημερολόγιο· θέλει το δικαίωμα Καταχώρησης Βαθμολογίας."),
         year + QList<CliOption>{Value("period", QStringLiteral("ΑΡΙΘΜΟΣ"),
                                       QStringLiteral("ο βαθμός της λίστας «Βαθμολογική Περίοδος» (") +
                                           PeriodRange() + QStringLiteral(") που γράφεται"),
                                       true),
                                 Flag("yes", QStringLiteral("επιβεβαιώνει την Καταχώρηση"), true)}},
        {QStringLiteral("undo-post"), QStringLiteral("ΑΡΧΕΙΟ.agd"), 1, 1,
         QStringLiteral("Αναιρεί την τελευταία Καταχώρηση ενός φύλλου από το αντίγραφό της."),
         year + QList<CliOption>{Flag("yes", QStringLiteral("επιβεβαιώνει την Αναίρεση"), true)}},
        {QStringLiteral("print"),
         QStringLiteral("ΑΡΧΕΙΟ.agd"),
         1,
         1,
         QStringLiteral("Τυπώνει ένα φύλλο (διαδρομή ή όνομα στα Εξερχόμενα ή στα Εισερχόμενα) σε αρχείο "
                        "PDF ή σε εκτυπωτή· δίνεται ένα από τα δύο."),
         {Value("pdf", QStringLiteral("ΕΞΟΔΟΣ.pdf"), QStringLiteral("το αρχείο PDF που γράφεται")),
          Value("printer", QStringLiteral("ΕΚΤΥΠΩΤΗΣ"), QStringLiteral("το όνομα του εκτυπωτή"))}},
    };
}

QString OptionWords(const CliOption& option) {
    QString words =
        (option.name == QStringLiteral("help") ? QStringLiteral("-h, --") : QStringLiteral("--")) +
        option.name;
    if (option.TakesValue())
        words += QLatin1Char(' ') + option.valueName;
    return words;
}

QString UsageLine(const CliCommandSpec& command) {
    QString line = kProgram + QLatin1Char(' ') + command.name;
    if (!command.arguments.isEmpty())
        line += QLatin1Char(' ') + command.arguments;
    bool optional = false;
    for (const CliOption& option : command.options) {
        if (option.required)
            line += QLatin1Char(' ') + OptionWords(option);
        else
            optional = true;
    }
    if (optional)
        line += QStringLiteral(" [ΕΠΙΛΟΓΕΣ]");
    return line;
}

// One option a line, the descriptions in one column two spaces past the longest.
QString OptionLines(const QList<CliOption>& options) {
    int width = 0;
    for (const CliOption& option : options)
        width = std::max(width, static_cast<int>(OptionWords(option).size()));
    QString text;
    for (const CliOption& option : options) {
        QString description = option.description;
        if (option.required)
            description += QStringLiteral(" (υποχρεωτική)");
        if (option.repeatable)
            description += QStringLiteral(" (και περισσότερες φορές)");
        text += QStringLiteral("  ") + OptionWords(option).leftJustified(width + 2) + description +
                QLatin1Char('\n');
    }
    return text;
}

QString CommonOptionsHelp() {
    return QStringLiteral("Κοινές επιλογές:\n") + OptionLines(CommonCliOptions());
}

QString GeneralUsage() {
    QString text =
        QStringLiteral("Χρήση: ") + kProgram + QStringLiteral(" ΕΝΤΟΛΗ [ΟΡΙΣΜΑΤΑ] [ΕΠΙΛΟΓΕΣ]\nΕντολές:\n");
    for (const CliCommandSpec& command : CliCommands())
        text += QStringLiteral("  ") + UsageLine(command) + QLatin1Char('\n');
    return text + QStringLiteral("Βοήθεια για κάθε εντολή: ") + kProgram + QStringLiteral(" ΕΝΤΟΛΗ --help\n");
}

ParsedCommandLine Failure(const QString& message, const CliCommandSpec* command) {
    ParsedCommandLine parsed;
    parsed.outcome = ParsedCommandLine::Outcome::Error;
    parsed.command = command;
    parsed.text = message + QLatin1Char('\n') + (command ? CommandHelp(*command) : GeneralUsage());
    return parsed;
}

QString Dashed(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// Why the parser refused: an option it does not know, a value missing after
// the last word, or a value given to a flag.
QString RefusalOf(const QCommandLineParser& parser, const QStringList& arguments,
                  const QList<CliOption>& options) {
    if (!parser.unknownOptionNames().isEmpty()) {
        QStringList names;
        for (const QString& name : parser.unknownOptionNames())
            names << Dashed(name);
        return QStringLiteral("Άγνωστη επιλογή: ") + names.join(QStringLiteral(", "));
    }
    for (const CliOption& option : options) {
        const QString dashed = QStringLiteral("--") + option.name;
        if (option.TakesValue() && !arguments.isEmpty() && arguments.back() == dashed)
            return QStringLiteral("Η επιλογή ") + dashed + QStringLiteral(" θέλει τιμή.");
        if (!option.TakesValue() && std::any_of(arguments.begin(), arguments.end(), [&](const QString& a) {
                return a.startsWith(dashed + QLatin1Char('='));
            }))
            return QStringLiteral("Η επιλογή ") + dashed + QStringLiteral(" δεν παίρνει τιμή.");
    }
    return parser.errorText();
}

} // namespace

const QList<CliCommandSpec>& CliCommands() {
    static const QList<CliCommandSpec> commands = MakeCommands();
    return commands;
}

const QList<CliOption>& CommonCliOptions() {
    static const QList<CliOption> options = {
        Value("settings", QStringLiteral("ΑΡΧΕΙΟ"),
              QStringLiteral("το αρχείο ρυθμίσεων (αλλιώς το ZENTIK.INI του χρήστη)")),
        Value("program-folder", QStringLiteral("ΦΑΚΕΛΟΣ"),
              QStringLiteral("ο φάκελος εργασίας του προγράμματος, με τους Imports, Exports και Templates")),
        Flag("help", QStringLiteral("η βοήθεια όλων των εντολών· με εντολή, η βοήθεια της εντολής")),
    };
    return options;
}

const CliCommandSpec* FindCliCommand(const QString& name) {
    const auto& commands = CliCommands();
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [&](const CliCommandSpec& c) { return c.name == name; });
    return found == commands.end() ? nullptr : &*found;
}

QString CommandNameIn(const QStringList& arguments) {
    // No name takes a value in one command and none in another, so the
    // words can be told apart before the command is known.
    QSet<QString> valueOptions;
    for (const CliOption& option : CommonCliOptions())
        if (option.TakesValue())
            valueOptions.insert(QStringLiteral("--") + option.name);
    for (const CliCommandSpec& command : CliCommands())
        for (const CliOption& option : command.options)
            if (option.TakesValue())
                valueOptions.insert(QStringLiteral("--") + option.name);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QStringLiteral("--"))
            return arguments.value(i + 1);
        if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            if (valueOptions.contains(a))
                ++i;
            continue;
        }
        return a;
    }
    return QString();
}

ParsedCommandLine ParseCommandLine(const QStringList& arguments) {
    const QString name = CommandNameIn(arguments);
    const CliCommandSpec* command = name.isEmpty() ? nullptr : FindCliCommand(name);
    if (!name.isEmpty() && !command)
        return Failure(QStringLiteral("Άγνωστη εντολή: ") + name, nullptr);

    const QList<CliOption> options = CommonCliOptions() + (command ? command->options : QList<CliOption>());
    QCommandLineParser parser;
    for (const CliOption& option : options) {
        QStringList names{option.name};
        if (option.name == QStringLiteral("help"))
            names.prepend(QStringLiteral("h"));
        parser.addOption(QCommandLineOption(names, option.description, option.valueName));
    }
    // The program's name first: the parser skips it.
    if (!parser.parse(QStringList{kProgram} + arguments))
        return Failure(RefusalOf(parser, arguments, options), command);

    ParsedCommandLine parsed;
    parsed.command = command;
    if (parser.isSet(QStringLiteral("help"))) {
        parsed.outcome = ParsedCommandLine::Outcome::Help;
        parsed.text = command ? CommandHelp(*command) : GeneralHelp();
        return parsed;
    }
    if (!command)
        return Failure(QStringLiteral("Δώστε μια εντολή."), nullptr);
    parsed.arguments = parser.positionalArguments().mid(1);
    if (parsed.arguments.size() < command->minArguments || parsed.arguments.size() > command->maxArguments)
        return Failure(QStringLiteral("Λάθος πλήθος ορισμάτων για την εντολή ") + command->name +
                           QLatin1Char('.'),
                       command);
    for (const CliOption& option : options) {
        if (!parser.isSet(option.name))
            continue;
        const QString dashed = QStringLiteral("--") + option.name;
        if (option.TakesValue())
            parsed.values.insert(dashed, parser.values(option.name));
        else
            parsed.flags.insert(dashed);
    }
    parsed.outcome = ParsedCommandLine::Outcome::Run;
    return parsed;
}

QString CommandHelp(const CliCommandSpec& command) {
    QString text = QStringLiteral("Χρήση: ") + UsageLine(command) + QLatin1Char('\n') + command.description +
                   QLatin1Char('\n');
    if (!command.options.isEmpty())
        text += QStringLiteral("\nΕπιλογές:\n") + OptionLines(command.options);
    return text + QLatin1Char('\n') + CommonOptionsHelp();
}

QString GeneralHelp() {
    QString text =
        QStringLiteral("Χρήση: ") + kProgram + QStringLiteral(" ΕΝΤΟΛΗ [ΟΡΙΣΜΑΤΑ] [ΕΠΙΛΟΓΕΣ]\n\n") +
        QStringLiteral(
            "Ο πυρήνας του e-Κάλντο από τη γραμμή εντολών, χωρίς παράθυρα, για μαζικές εργασίες "
            "της γραμματείας. Οι επιλογές μπαίνουν πριν ή μετά το όνομα της εντολής· η τιμή μιας "
            "επιλογής δίνεται ως η επόμενη λέξη ή μετά από \"=\" (--year=2025-2026). Γράφει UTF-8· "
            "τα σφάλματα πηγαίνουν στην έξοδο σφαλμάτων.\n\n") +
        CommonOptionsHelp();
    // Laid out for help2man too: a line ending in ":" heads a part of the
    // manual page, and option lines follow a blank line.
    for (const CliCommandSpec& command : CliCommands()) {
        text += QLatin1Char('\n') + UsageLine(command) + QStringLiteral(":\n  ") + command.description +
                QLatin1Char('\n');
        if (!command.options.isEmpty())
            text += QLatin1Char('\n') + OptionLines(command.options);
    }
    return text + QStringLiteral("\nΚωδικοί εξόδου:\n"
                                 "  0  η εντολή ολοκληρώθηκε\n"
                                 "  1  η εντολή απέτυχε, ή ο έλεγχος βρήκε λάθη· το μήνυμα στην έξοδο "
                                 "σφαλμάτων\n"
                                 "  2  λάθος στη γραμμή εντολών: άγνωστη εντολή ή επιλογή, επιλογή χωρίς "
                                 "τιμή, λάθος πλήθος ορισμάτων ή άκυρη βαθμολογική περίοδος\n");
}

} // namespace ekaldo
