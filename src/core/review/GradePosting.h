#pragma once

#include "core/review/PostingJournal.h"
#include "schooldb/FieldValue.h"
#include "base/ProgramConstants.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace ekaldo {

struct AppState;
class GradeSheet;
class UiServices;

namespace schooldb {
class Table;
} // namespace schooldb

// The states the posting grid appends to a cell after "|".
namespace PostingState {
inline const QString Err1 = QStringLiteral("Err1");     // every subject cell of the row in error
inline const QString Err2 = QStringLiteral("Err2");     // neither a number nor a no-grade marker
inline const QString Err3 = QStringLiteral("Err3");     // a number outside the row's range
inline const QString Posted = QStringLiteral("Posted"); // posting went through the row
} // namespace PostingState

inline const QString kOtherSchoolYearMessage =
    QStringLiteral("Τα δεδομένα Βαθμολογίας ανήκουν σε άλλο Σχ. Έτος!");
inline const QString kNoPeriodMessage = QStringLiteral("Δεν έχετε επιλέξει Βαθμολογική Περίοδο!");
inline const QString kCheckOperation = QStringLiteral("Ελέγχου");
inline const QString kPostOperation = QStringLiteral("Καταχώρησης");

// "Πρόκειται να επικαλύψετε την Βαθμολογία της περιόδου: "caption"!" and the question.
QString PostConfirmationText(const QString& caption);
QString AbortQuestion(const QString& operationName);
QString UndoConfirmationText(const PostingJournal::Run& run);

// Whether the sheet read last (GradeFileHeader) belongs to the open school year.
bool SheetOfOpenSchoolYear(const AppState& state);

// A subject cell whose value differs from what GRADE.DB holds in the chosen
// grade column: after a Check, what a Post would store; after a Post, what it stored.
struct CellChange {
    int row = 0;
    int column = 0;
    qint64 studentId = 0;
    qint64 subjectId = 0;
    QString field;
    schooldb::FieldValue before, after;
};

struct ScanSummary {
    int rows = 0;           // student rows gone through
    int errorCells = 0;     // cells marked Err2 or Err3
    int errorRows = 0;      // rows marked Err1
    int storedRecords = 0;  // grade records stored (posting)
    int refusedStores = 0;  // stores the record rules refused or that failed
    int changedCells = 0;   // cells that would change (check) or changed (post) the chosen grade column
    int journalEntries = 0; // fields the run changed, every field the record rules touched included
    bool aborted = false;
    double storeSeconds = 0;   // time inside the stores of grade records, record rules and journal apart
    double rulesSeconds = 0;   // the record rules
    double journalSeconds = 0; // the journal lines
    QString backupFolder;      // where a posting run left its copy and journal
};

// What a window does between rows: repaint, let the user press Abort.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    virtual void RowStarting(int sheetRow) { (void)sheetRow; }
    // After the row's outcome is set; false stops the scan there.
    virtual bool RowFinished(int sheetRow) {
        (void)sheetRow;
        return true;
    }
};

struct UndoOutcome {
    bool found = false;    // a run of the file to undo was there
    int restored = 0;      // fields given back their old value
    QStringList leftAlone; // fields changed since the run, described for the user
    PostingJournal::Run run;
    bool Complete() const { return found && leftAlone.isEmpty(); }
};

// Checking and posting the grades of a received sheet against the open school
// year's GRADE.DB, with its chain of SUBJECT.DB, CLASS.DB and METHOD.DB. The
// posting window, the command line and the benchmark all drive this.
class GradePosting {
public:
    // The clock of ui names the runs' backup folders.
    GradePosting(AppState& state, UiServices& ui, GradingScheme scheme);
    ~GradePosting();
    GradePosting(const GradePosting&) = delete;
    GradePosting& operator=(const GradePosting&) = delete;

    // The four tables of the school year's database. Throws DatabaseError.
    void OpenTables();
    void CloseTables();
    bool TablesOpen() const;
    schooldb::Table& tblGrades();

    // The record rules of the scheme, and the journal line of every field the
    // store changes; false refuses the store.
    bool tblGradesBeforePost(schooldb::Table& grades);

    // Marks the errors of every grade of the sheet. With a grade column
    // (counted from 1) it also finds the cells whose value differs from
    // GRADE.DB's (Changes()); 0 looks for errors only. Database errors
    // other than refused stores end the scan and are raised.
    ScanSummary CheckGrades(GradeSheet& sheet, int gradeColumn, ScanObserver* observer = nullptr);

    // Checks again and stores every grade that passes into the grade column,
    // after copying GRADE.DB and starting the run's journal. The caller
    // stamps the file's "Posted" key.
    ScanSummary PostGrades(GradeSheet& sheet, int gradeColumn, ScanObserver* observer = nullptr);

    const std::vector<CellChange>& Changes() const { return m_changes; }
    // Forgets the cells of the last run (an undo made them stale).
    void ClearChanges();
    bool WouldChange(int sheetRow, int column) const;

    // The last posting run of the sheet read last that has not been undone.
    std::optional<PostingJournal::Run> LastPosting() const;
    // Gives every field that run changed its old value back, when it still
    // holds the value the run wrote; a field changed since is left alone and
    // listed. Copies GRADE.DB first. The caller clears "Posted" when Complete().
    UndoOutcome UndoLastPosting();

    struct Impl;

private:
    ScanSummary Scan(GradeSheet& sheet, int gradeColumn, bool post, ScanObserver* observer);

    std::unique_ptr<Impl> m;
    std::vector<CellChange> m_changes;
};

} // namespace ekaldo
