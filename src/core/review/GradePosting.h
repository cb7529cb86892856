#pragma once

#include "base/FileErrors.h"
#include "base/ProgramConstants.h"
#include "core/exchange/DocumentInHand.h"
#include "core/review/PostingJournal.h"
#include "schooldb/FieldValue.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ekaldo {

class GradeSheet;
struct SchoolYearSession;
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
inline const QString Err4 = QStringLiteral("Err4");     // a cell of a subject the student does not have
inline const QString Err5 = QStringLiteral("Err5");     // the row's student has no grade record at all
inline const QString Err6 = QStringLiteral("Err6");     // the row's student has another row in the sheet
// A grade that passed the check but that the record rules will not store (a
// subject closed to grades, a record holding another out-of-range grade).
// Not an error of the sheet: the row is still posted.
inline const QString Refused = QStringLiteral("Refused");
} // namespace PostingState

// What a state means, in words for the user; empty for no state or an unknown one.
QString PostingStateReason(QStringView state);

// The tooltip of a cell of the posting grid, for people: the value and, for a
// cell with a state, the reason in Greek (the row's range for a grade out of
// it; the decimal separator to use for a number written with the other one).
// Empty for an empty cell. rowKey is the row's key cell ("id;min;max").
QString PostingCellToolTip(QStringView cell, QStringView rowKey);

// A sheet that cannot be checked or posted at all (no title row, a row that
// names no student, a section inside the data). Raised before anything is
// read from the database or stored; the message names the row.
class SheetError : public EkaldoError {
public:
    using EkaldoError::EkaldoError;
};

inline const QString kOtherSchoolYearMessage =
    QStringLiteral("Τα δεδομένα Βαθμολογίας ανήκουν σε άλλο Σχ. Έτος!");
inline const QString kNoPeriodMessage = QStringLiteral("Δεν έχετε επιλέξει Βαθμολογική Περίοδο!");
inline const QString kCheckOperation = QStringLiteral("Ελέγχου");
inline const QString kPostOperation = QStringLiteral("Καταχώρησης");

// "Πρόκειται να επικαλύψετε την Βαθμολογία της περιόδου: "caption"!" and the question.
QString PostConfirmationText(const QString& caption);
QString AbortQuestion(const QString& operationName);
QString UndoConfirmationText(const PostingJournal::Run& run);

// Whether the sheet of the header belongs to the school year of the label.
bool SheetOfOpenSchoolYear(const QString& schoolYearLabel, const GradeHeader& header);
// Why the file at filePath does not: a file whose text cannot be read is
// named as such, any other file gets the message of another school year.
QString OtherSchoolYearReason(const QString& filePath);

// The received grade file a posting run posts or an undo undoes: where it
// lies, its name as the journal records it, and its header.
struct PostedFile {
    QString path, name;
    GradeHeader header;
};
// The grade file the program has in hand.
PostedFile PostedFileOf(const DocumentInHand& document);

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

// A store of a posting run that did not go through for a reason other than
// the record rules: the record changed by another program, a write error.
struct StoreFailure {
    int row = 0;
    int column = 0;
    qint64 studentId = 0;
    qint64 subjectId = 0;
    QString reason;
};

struct ScanSummary {
    int rows = 0;            // student rows gone through
    int errorCells = 0;      // cells marked with a state beginning with "Err"
    int errorRows = 0;       // rows marked Err1, Err5 or Err6
    int unmatchedCells = 0;  // of them: Err4, a subject the student does not have
    int unknownStudents = 0; // rows marked Err5
    int duplicateRows = 0;   // rows marked Err6, never stored
    int storedRecords = 0;   // grade records stored (posting)
    int refusedStores = 0;   // stores the record rules refused; their cells are marked Refused
    int changedCells = 0;    // cells that would change (check) or changed (post) the chosen grade column
    int journalEntries = 0;  // fields the run changed, every field the record rules touched included
    std::vector<StoreFailure> failures;
    bool aborted = false;
    QString backupFolder; // where a posting run left its copy and journal
    // Some grade of the sheet is not in the database, and not because the record rules refused it.
    bool Incomplete() const {
        return errorCells > 0 || unknownStudents > 0 || duplicateRows > 0 || !failures.empty();
    }
};

// The failed stores of a run for the user, one a line, at most limit of them.
QString StoreFailureList(const GradeSheet& sheet, const std::vector<StoreFailure>& failures, int limit);

// Where the time of a posting run goes; filled only when asked for (the benchmark).
struct PostingTimings {
    qint64 storeNanos = 0;   // inside the stores of grade records, record rules and journal apart
    qint64 rulesNanos = 0;   // the record rules
    qint64 journalNanos = 0; // the journal lines
};

// The moments of a write session a test can step in at.
enum class WriteStage {
    BeforeLock, // the run is about to take the write lock of GRADE.DB
    Locked,     // the lock is held and the tables have been read again
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
    int restored = 0;      // fields that hold their old value again (an undo run again included)
    QStringList leftAlone; // fields changed since the run, described for the user
    PostingJournal::Run run;
    QString posted; // the file's "Posted" stamp now: the latest run still in force, or empty
    bool Complete() const { return found && leftAlone.isEmpty(); }
};

// Checking and posting the grades of a received sheet against the open school
// year's GRADE.DB, with its chain of SUBJECT.DB, CLASS.DB and METHOD.DB. The
// posting window, the command line and the benchmark all drive this.
class GradePosting {
public:
    // The tables of the session's database; the runs' backups and journals
    // go under "Backups" beside importsDir, the clock of ui names them.
    GradePosting(SchoolYearSession& session, const QString& importsDir, UiServices& ui, GradingScheme scheme);
    ~GradePosting();
    GradePosting(const GradePosting&) = delete;
    GradePosting& operator=(const GradePosting&) = delete;

    // The four tables of the school year's database. Throws DatabaseError.
    void OpenTables();
    void CloseTables();
    bool TablesOpen() const;
    schooldb::Table& tblGrades();

    // The record rules of the scheme; false refuses the store. A posting run
    // hands the table a handler of its own that also journals each change.
    bool tblGradesBeforePost(schooldb::Table& grades);

    void SetTimings(PostingTimings* timings);
    // How many posting runs of the school year keep their backups (at least
    // the run just made); older ones are removed after a run that ends well.
    void SetBackupRunsKept(int runs);
    // Called at each stage of a posting run's or an undo's write session.
    void SetWriteStageHook(std::function<void(WriteStage)> hook);

    // Marks the errors of every grade of the sheet. With a grade column
    // (counted from 1) it also finds the cells whose value differs from
    // GRADE.DB's (Changes()); 0 looks for errors only. A sheet that cannot
    // be scanned raises SheetError first; database errors other than
    // refused stores end the scan and are raised.
    ScanSummary CheckGrades(GradeSheet& sheet, int gradeColumn, ScanObserver* observer = nullptr);

    // Checks again and stores every grade that passes into the grade column:
    // takes the write lock of GRADE.DB, reads the tables again, copies
    // GRADE.DB and starts the run's journal, then stores. A store that fails
    // is listed in failures and the run goes on; an error that ends the run
    // after a store says how many were stored. The caller stamps the file's
    // "Posted" key when anything was stored. The journal names file.
    ScanSummary PostGrades(GradeSheet& sheet, const PostedFile& file, int gradeColumn,
                           ScanObserver* observer = nullptr);

    const std::vector<CellChange>& Changes() const { return m_changes; }
    // Forgets the cells of the last run (an undo made them stale).
    void ClearChanges();
    bool WouldChange(int sheetRow, int column) const;

    // The last posting run of file into the open database that has not been
    // undone; the run whose journal is passOver does not count.
    std::optional<PostingJournal::Run> LastPosting(const PostedFile& file,
                                                   const QString& passOver = QString()) const;
    // Gives every field that run changed its old value back, when it still
    // holds the value the run wrote; a field changed since is left alone and
    // listed, one that holds its old value already (an undo run again) is
    // fine. Refuses, naming both, when the run wrote another database.
    // Copies GRADE.DB first; stamps the file with outcome.posted (the run
    // still in force) before the journal notes the undo.
    UndoOutcome UndoLastPosting(const PostedFile& file);

    struct Impl;

private:
    ScanSummary Scan(GradeSheet& sheet, const PostedFile& file, int gradeColumn, bool post,
                     ScanObserver* observer);

    std::unique_ptr<Impl> m;
    std::vector<CellChange> m_changes;
};

} // namespace ekaldo
