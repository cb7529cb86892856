// Composing sheets and saving templates from the command line, as the filter
// window does.
#include "CliContext.h"

#include "base/FileErrors.h"
#include "base/SharedRoutines.h"
#include "core/compose/ColumnSettings.h"
#include "core/compose/SheetComposition.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeTemplateFile.h"
#include "schooldb/SchoolDatabase.h"

#include <QFileInfo>

namespace ekaldo {
namespace {

int TickNamed(CliContext& cli, SelectionGrid& grid, const QString& option, const QString& what) {
    for (const QString& name : cli.options.value(option)) {
        int found = -1;
        for (int r = grid.FirstItemRow(); r < grid.RowCount() && found < 0; ++r)
            if (grid.Caption(r) == name)
                found = r;
        if (found < 0)
            return Fail(what + QStringLiteral(" \"") + name +
                        QStringLiteral("\" δεν υπάρχει στο σχολικό έτος."));
        if (!grid.Ticked(found) || grid.Ticked(1))
            grid.Toggle(found);
    }
    return 0;
}

// A comma-separated list of column keys: those given first, the rest after in their default order.
bool OrderFrom(const QString& text, QStringList& keys) {
    const QStringList given = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    QStringList order;
    for (const QString& raw : given) {
        const QString key = raw.trimmed();
        if (CaptionOfColumnKey(key).isEmpty() || order.contains(key))
            return false;
        order << key;
    }
    for (const QString& key : DefaultColumnOrder())
        if (!order.contains(key))
            order << key;
    keys = order;
    return true;
}

// Fills the composition's choices and the order of the sheet's columns and rows from the options.
int Prepare(CliContext& cli, SheetComposition& composition, SheetOrder& order) {
    if (const int failed = OpenSchoolYearFromOptions(cli))
        return failed;
    cli.settings.SetDocumentFolders();
    order.ColumnOrder = DefaultColumnOrder();
    order.SortOrder = DefaultSortOrder();
    FillSelectionGrids(composition, cli.session.MorvenDataBase());
    const QString templatePath = cli.Option(QStringLiteral("--template"));
    if (!templatePath.isEmpty()) {
        const QString path = QFileInfo(templatePath).isFile()
                                 ? templatePath
                                 : AddTrailingBackslash(cli.settings.TemplatesDir) + templatePath;
        if (!QFileInfo(path).isFile())
            return Fail(FileMessage(path, QStringLiteral(" δεν υπάρχει!")));
        ClearSelections(composition);
        ReadTemplateSelections(composition, path);
    }
    if (int failed =
            TickNamed(cli, composition.Levels, QStringLiteral("--level"), QStringLiteral("Το επίπεδο")))
        return failed;
    if (int failed = TickNamed(cli, composition.Classes, QStringLiteral("--class"), QStringLiteral("Η τάξη")))
        return failed;
    if (int failed =
            TickNamed(cli, composition.Courses, QStringLiteral("--course"), QStringLiteral("Το τμήμα")))
        return failed;
    if (int failed =
            TickNamed(cli, composition.Subjects, QStringLiteral("--subject"), QStringLiteral("Το μάθημα")))
        return failed;
    if (cli.Flag(QStringLiteral("--all-subjects")) && !composition.Subjects.Ticked(2))
        composition.Subjects.Toggle(2);
    if (const QString period = cli.Option(QStringLiteral("--period")); !period.isEmpty()) {
        bool ok = false;
        const int n = period.toInt(&ok);
        if (!ok || n < 0 || n >= PeriodChoices(Program::kGradingScheme).size())
            return Fail(QStringLiteral("Η βαθμολογική περίοδος \"") + period +
                        QStringLiteral("\" δεν υπάρχει."));
        composition.PeriodIndex = n;
    }
    if (const QString columns = cli.Option(QStringLiteral("--columns")); !columns.isEmpty()) {
        if (!OrderFrom(columns, order.ColumnOrder))
            return Fail(QStringLiteral("Οι στήλες δίνονται με τα κλειδιά τους: ") +
                        DefaultColumnOrder().join(QLatin1Char(',')));
    }
    if (const QString sort = cli.Option(QStringLiteral("--sort")); !sort.isEmpty()) {
        QStringList keys;
        if (!OrderFrom(sort, keys))
            return Fail(QStringLiteral("Η ταξινόμηση δίνεται με τα κλειδιά των στηλών: ") +
                        DefaultColumnOrder().join(QLatin1Char(',')));
        order.SortOrder.clear();
        for (const QString& key : keys)
            order.SortOrder << SortReferenceOfCaption(CaptionOfColumnKey(key));
    }
    return 0;
}

int RefuseExisting(const QString& path) {
    return Fail(FileMessage(path, QStringLiteral(" υπάρχει!")) +
                QStringLiteral("\nΔώστε --overwrite για να επικαλυφθεί."));
}

int Compose(CliContext& cli) {
    const QString save = cli.Option(QStringLiteral("--save"));
    const bool print = cli.Flag(QStringLiteral("--print-sheet"));
    if (save.isEmpty() && !print)
        return Fail(QStringLiteral("Δώστε --save ΟΝΟΜΑ.agd ή --print-sheet."));
    SheetComposition composition;
    SheetOrder order;
    if (const int failed = Prepare(cli, composition, order))
        return failed;
    ComposeSheet(composition, cli.session, order, Program::kGradingScheme);
    if (print) {
        QString out;
        for (int r = 0; r < composition.Sheet.RowCount(); ++r) {
            for (int c = 0; c < composition.Sheet.ColCount(); ++c) {
                if (c > 0)
                    out += QLatin1Char('\t');
                out += composition.Sheet.CellView(r, c);
            }
            out += QLatin1Char('\n');
        }
        PrintOut(out);
        return 0;
    }
    const QString name = WithExtension(QFileInfo(save).fileName(), QStringLiteral(".agd"));
    const QString path = AddTrailingBackslash(cli.settings.ExportsDir) + name;
    if (QFileInfo::exists(path) && !cli.Flag(QStringLiteral("--overwrite")))
        return RefuseExisting(path);
    PrintErr(composition.CountLine + QLatin1Char('\n'));
    return WriteGradeDataFile(path, name, composition.Sheet, SchoolYearOfLabel(cli.session.SchoolYearLabel),
                              cli.ui)
               ? 0
               : 1;
}

int SaveTemplate(CliContext& cli) {
    SheetComposition composition;
    SheetOrder order;
    if (const int failed = Prepare(cli, composition, order))
        return failed;
    const QString name = WithExtension(QFileInfo(cli.arguments.at(0)).fileName(), QStringLiteral(".agt"));
    const QString path = AddTrailingBackslash(cli.settings.TemplatesDir) + name;
    if (QFileInfo::exists(path) && !cli.Flag(QStringLiteral("--overwrite")))
        return RefuseExisting(path);
    return WriteTemplateFile(path, name, composition, cli.ui) ? 0 : 1;
}

} // namespace

void AddComposeCommands(QList<CliCommand>& commands) {
    commands.append({QStringLiteral("compose"), Compose});
    commands.append({QStringLiteral("save-template"), SaveTemplate});
}

} // namespace ekaldo
