// Checking, posting and undoing the posting of a received grade sheet from the
// command line, through the same core as the posting window.
#include "CliContext.h"

#include "base/FileErrors.h"
#include "base/RegionalFormats.h"
#include "base/SharedRoutines.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheet.h"
#include "core/review/GradePosting.h"
#include "core/shell/DocumentFolders.h"
#include "core/shell/Settings.h"
#include "schooldb/GradeColumns.h"

#include <QFileInfo>

namespace ekaldo {
namespace {

const QString kStudentSurname = QStringLiteral("ΕΠΩΝΥΜΟ");
const QString kStudentName = QStringLiteral("ΟΝΟΜΑ");

// FILE is a path, or the name of a file in the InBox: the file with its header.
PostedFile ChooseFile(CliContext& cli) {
    cli.settings.SetDocumentFolders();
    const QString given = cli.arguments.at(0);
    PostedFile file;
    file.path = QFileInfo(given).isFile() ? QFileInfo(given).absoluteFilePath()
                                          : DocumentPath(cli.settings, DocumentPage::InBox, given);
    file.name = QFileInfo(file.path).fileName();
    file.header = ReadGradeHeader(file.path);
    return file;
}

bool LoadSheet(CliContext& cli, const PostedFile& file, GradeSheet& sheet) {
    sheet.SetSize(2, 8);
    sheet.SetCell(0, 0, u"α/α");
    return ReadGradeDataRows(file.path, cli.ui, sheet, nullptr);
}

// The school year of the sheet is the open one; else the reason it is not, for standard error.
std::optional<QString> OtherSchoolYear(const CliContext& cli, const PostedFile& file) {
    if (SheetOfOpenSchoolYear(cli.session.SchoolYearLabel, file.header))
        return std::nullopt;
    return OtherSchoolYearReason(file.path);
}

// --period N: a grade column of the scheme's list, counted from 1; 0 when not given.
std::optional<int> PeriodOf(CliContext& cli, bool required) {
    const QString text = cli.Option(QStringLiteral("--period"));
    const QStringList captions = GradeColumnCaptions(Program::kGradingScheme);
    if (text.isEmpty()) {
        if (required) {
            Fail(QStringLiteral("Δώστε τη Βαθμολογική Περίοδο με --period (1 έως %1).").arg(captions.size()));
            return std::nullopt;
        }
        return 0;
    }
    bool ok = false;
    const int period = text.toInt(&ok);
    if (!ok || period < 1 || period > captions.size()) {
        Fail(QStringLiteral("Άγνωστη Βαθμολογική Περίοδος \"") + text +
             QStringLiteral("\": δώστε αριθμό από 1 έως %1.").arg(captions.size()));
        return std::nullopt;
    }
    return period;
}

QString StudentOf(const GradeSheet& sheet, int row) {
    QString text = SplitAt3(SplitAt(sheet.Cell(row, 0), QLatin1Char('|')).left, QLatin1Char(';')).first;
    for (const QString& key : {kStudentSurname, kStudentName}) {
        for (int column = 1; column < std::min(sheet.ColCount(), 8); ++column)
            if (sheet.CellView(0, column) == key)
                text += QLatin1Char(' ') + sheet.Cell(row, column);
    }
    return text;
}

QString ValueText(const schooldb::FieldValue& value) {
    if (value.IsNull())
        return QString();
    if (value.IsText())
        return value.TextValue();
    if (value.IsInteger())
        return QString::number(value.IntegerValue());
    if (value.IsFloat())
        return RegionalFormats::ShortestNumberText(value.FloatValue());
    return value.LogicalValue() ? QStringLiteral("True") : QStringLiteral("False");
}

// The error cells, one a line: row, student, subject, value, state; a row
// that is in error as a whole has a line with no subject and no value. The
// states met are explained after the list.
int PrintErrors(const GradeSheet& sheet) {
    int errors = 0;
    QStringList states;
    auto line = [&](int row, const QString& subject, const QString& value, const QString& state) {
        if (errors++ == 0)
            PrintOut(QStringLiteral("Γραμμή\tΜαθητής\tΜάθημα\tΤιμή\tΚατάσταση\n"));
        PrintOut(QString::number(row) + QLatin1Char('\t') + StudentOf(sheet, row) + QLatin1Char('\t') +
                 subject + QLatin1Char('\t') + value + QLatin1Char('\t') + state + QLatin1Char('\n'));
        if (!states.contains(state))
            states.append(state);
    };
    for (int row = 1; row < sheet.RowCount(); ++row) {
        const QString rowState = SplitAt(sheet.Cell(row, 0), QLatin1Char('|')).right;
        if (rowState == PostingState::Err5 || rowState == PostingState::Err6)
            line(row, QString(), QString(), rowState);
        for (int column = 8; column < sheet.ColCount(); ++column) {
            const SplitPair cell = SplitAt(sheet.Cell(row, column), QLatin1Char('|'));
            if (cell.right.startsWith(QStringLiteral("Err")))
                line(row, sheet.Cell(0, column), cell.left, cell.right);
        }
    }
    states.sort();
    for (const QString& state : std::as_const(states))
        PrintOut(state + QStringLiteral(": ") + PostingStateReason(state) + QLatin1Char('\n'));
    return errors;
}

// The stores that failed, one a line.
void PrintFailures(const GradeSheet& sheet, const std::vector<StoreFailure>& failures) {
    if (failures.empty())
        return;
    PrintOut(QStringLiteral("Βαθμοί που δεν αποθηκεύτηκαν:\nΓραμμή\tΜαθητής\tΜάθημα\tΤιμή\tΑιτία\n"));
    for (const StoreFailure& f : failures)
        PrintOut(QString::number(f.row) + QLatin1Char('\t') + StudentOf(sheet, f.row) + QLatin1Char('\t') +
                 sheet.Cell(0, f.column) + QLatin1Char('\t') + sheet.Cell(f.row, f.column) +
                 QLatin1Char('\t') + f.reason + QLatin1Char('\n'));
}

void PrintChanges(const GradeSheet& sheet, const std::vector<CellChange>& changes, const QString& title) {
    if (changes.empty())
        return;
    PrintOut(title + QStringLiteral("\nΓραμμή\tΜαθητής\tΜάθημα\tΠεδίο\tΤώρα\tΝέα τιμή\n"));
    for (const CellChange& c : changes)
        PrintOut(QString::number(c.row) + QLatin1Char('\t') + StudentOf(sheet, c.row) + QLatin1Char('\t') +
                 sheet.Cell(0, c.column) + QLatin1Char('\t') + c.field + QLatin1Char('\t') +
                 ValueText(c.before) + QLatin1Char('\t') + ValueText(c.after) + QLatin1Char('\n'));
}

int RequirePostingRight(CliContext& cli) {
    if (cli.session.PostingRight())
        return 0;
    return Fail(QStringLiteral("Ο χρήστης \"") + cli.session.CurrentUserName +
                QStringLiteral("\" δεν έχει δικαίωμα Καταχώρησης Βαθμολογίας."));
}

int Check(CliContext& cli) {
    const std::optional<int> period = PeriodOf(cli, false);
    if (!period)
        return 2;
    if (const int failed = OpenSchoolYearFromOptions(cli))
        return failed;
    const PostedFile file = ChooseFile(cli);
    GradeSheet sheet;
    if (!LoadSheet(cli, file, sheet))
        return 1;
    if (const auto other = OtherSchoolYear(cli, file))
        return Fail(*other);
    GradePosting posting(cli.session, cli.settings.ImportsDir, cli.ui, Program::kGradingScheme);
    const ScanSummary summary = posting.CheckGrades(sheet, *period);
    PrintErrors(sheet);
    PrintChanges(sheet, posting.Changes(), QStringLiteral("Τιμές που θα αλλάξουν με την Καταχώρηση:"));
    QString line = QStringLiteral("Μαθητές: %1, Λάθη: %2").arg(summary.rows).arg(summary.errorCells);
    if (*period > 0)
        line += QStringLiteral(", Αλλαγές: %1, Δεν θα αποθηκευτούν: %2")
                    .arg(summary.changedCells)
                    .arg(summary.refusedStores);
    PrintOut(line + QLatin1Char('\n'));
    return summary.Incomplete() ? 1 : 0;
}

int Post(CliContext& cli) {
    const std::optional<int> period = PeriodOf(cli, true);
    if (!period)
        return 2;
    if (const int failed = OpenSchoolYearFromOptions(cli))
        return failed;
    if (const int failed = RequirePostingRight(cli))
        return failed;
    const PostedFile file = ChooseFile(cli);
    GradeSheet sheet;
    if (!LoadSheet(cli, file, sheet))
        return 1;
    const QString caption = GradeColumnCaptions(Program::kGradingScheme).value(*period - 1);
    if (cli.ui.ShowMessage(MessageIcon::Question, PostConfirmationText(caption), MessageButtons::YesNo) !=
        MessageAnswer::Yes)
        return Fail(QStringLiteral("Η Καταχώρηση δεν έγινε: δώστε --yes για να προχωρήσει."));
    if (const auto other = OtherSchoolYear(cli, file))
        return Fail(*other);
    GradePosting posting(cli.session, cli.settings.ImportsDir, cli.ui, Program::kGradingScheme);
    posting.SetBackupRunsKept(BackupRunsKeptIn(cli.settings.SettingsPath));
    const ScanSummary summary = posting.PostGrades(sheet, file, *period);
    if (summary.storedRecords > 0)
        WriteGradeFileHeaderKey(file.path, QStringLiteral("Posted"),
                                RegionalFormats::DateTimeText(cli.ui.Now()));
    PrintErrors(sheet);
    PrintFailures(sheet, summary.failures);
    PrintOut(
        QStringLiteral("Μαθητές: %1, Λάθη: %2, Εγγραφές που αποθηκεύτηκαν: %3, που δεν αποθηκεύτηκαν: %4, "
                       "Τιμές που άλλαξαν: %5\nΑντίγραφο και ημερολόγιο: %6\n")
            .arg(summary.rows)
            .arg(summary.errorCells)
            .arg(summary.storedRecords)
            .arg(summary.refusedStores)
            .arg(summary.journalEntries)
            .arg(summary.backupFolder));
    // Every grade the sheet asked for is in the database, or the record rules refused it.
    return summary.Incomplete() ? 1 : 0;
}

int UndoPost(CliContext& cli) {
    if (const int failed = OpenSchoolYearFromOptions(cli))
        return failed;
    if (const int failed = RequirePostingRight(cli))
        return failed;
    const PostedFile file = ChooseFile(cli);
    if (const auto other = OtherSchoolYear(cli, file))
        return Fail(*other);
    GradePosting posting(cli.session, cli.settings.ImportsDir, cli.ui, Program::kGradingScheme);
    const std::optional<PostingJournal::Run> run = posting.LastPosting(file);
    if (!run)
        return Fail(QStringLiteral("Δεν υπάρχει Καταχώρηση του Αρχείου \"") + file.name +
                    QStringLiteral("\" για αναίρεση."));
    if (cli.ui.ShowMessage(MessageIcon::Question, UndoConfirmationText(*run), MessageButtons::YesNo) !=
        MessageAnswer::Yes)
        return Fail(QStringLiteral("Η Αναίρεση δεν έγινε: δώστε --yes για να προχωρήσει."));
    const UndoOutcome outcome = posting.UndoLastPosting(file);
    PrintOut(QStringLiteral("Τιμές που επανήλθαν: %1\n").arg(outcome.restored));
    for (const QString& left : outcome.leftAlone)
        PrintOut(QStringLiteral("Έμεινε: ") + left + QLatin1Char('\n'));
    return outcome.Complete() ? 0 : 1;
}

} // namespace

void AddReviewCommands(QList<CliCommand>& commands) {
    commands.append({QStringLiteral("check"), Check});
    commands.append({QStringLiteral("post"), Post});
    commands.append({QStringLiteral("undo-post"), UndoPost});
}

} // namespace ekaldo
