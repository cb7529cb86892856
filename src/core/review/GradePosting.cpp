#include "core/review/GradePosting.h"

#include "base/ProgramConstants.h"
#include "base/RegionalFormats.h"
#include "base/SharedRoutines.h"
#include "base/UiServices.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheet.h"
#include "schooldb/GradeColumns.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/SchoolYearSession.h"
#include "schooldb/TableLock.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <csignal>
#include <map>

namespace ekaldo {

using schooldb::DatabaseError;
using schooldb::DataSet;
using schooldb::Field;
using schooldb::FieldValue;
using schooldb::Table;

namespace {

const QChar kBar(QLatin1Char('|'));

// The one-record set whose STUDENTID the grade table follows: moving it puts
// the grade table on that student's records, in the order of the student
// index, through the table's link index instead of a pass over every record.
class StudentKey : public DataSet {
public:
    using DataSet::DataSet;
    QString DisplayName() const override { return QStringLiteral("STUDENTID"); }
    void Select(double studentId) {
        m_id = studentId;
        m_selected = true;
        MovedTo(0);
    }

protected:
    void DoOpen() override {}
    void DoClose() override {}
    int RowCount() const override { return m_selected ? 1 : 0; }
    FieldValue RowValue(int, int) const override { return FieldValue::Float(m_id); }
    int FieldCountImpl() const override { return 1; }
    QString FieldNameImpl(int) const override { return QStringLiteral("STUDENTID"); }

private:
    double m_id = 0;
    bool m_selected = false;
};

// A student id as a filter "STUDENTID=id" takes it; none for anything else.
std::optional<double> StudentIdOf(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^\\s*([-+]?[0-9]+(?:\\.[0-9]+)?)\\s*$"));
    const auto m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toDouble();
}

QString ValueText(const FieldValue& value) {
    if (value.IsNull())
        return QStringLiteral("(κενό)");
    if (value.IsText())
        return QLatin1Char('"') + value.TextValue() + QLatin1Char('"');
    if (value.IsInteger())
        return QString::number(value.IntegerValue());
    if (value.IsFloat())
        return RegionalFormats::ShortestNumberText(value.FloatValue());
    return value.LogicalValue() ? QStringLiteral("True") : QStringLiteral("False");
}

void SetFieldValue(Field field, const FieldValue& value) {
    if (value.IsNull())
        field.Clear();
    else if (value.IsText())
        field.SetAsString(value.TextValue());
    else if (value.IsInteger())
        field.SetAsFloat(static_cast<double>(value.IntegerValue()));
    else if (value.IsFloat())
        field.SetAsFloat(value.FloatValue());
    else
        field.SetAsString(value.LogicalValue() ? QStringLiteral("True") : QStringLiteral("False"));
}

enum class ScanMode { Check, Post };

// A grade that passed the check and goes to its record.
struct CellWork {
    int column = 0;
    QString value;
    bool marker = false;
};

// What a sheet holds before anything of it meets the database: every
// student row's id, and the rows of a student named twice.
struct SheetPlan {
    std::vector<std::optional<double>> ids; // by sheet row; none for a blank row
    QSet<int> duplicates;
};

QString RowKeyOf(const GradeSheet& sheet, int row) {
    return SplitAt(sheet.Cell(row, 0), QLatin1Char('|')).left;
}

SheetPlan PlanSheet(const GradeSheet& sheet) {
    const QString title = sheet.RowCount() > 0 ? RowKeyOf(sheet, 0) : QString();
    if (sheet.RowCount() < 1 || StudentIdOf(SplitAt3(title, QLatin1Char(';')).first))
        throw SheetError(QStringLiteral("Το φύλλο δεν έχει γραμμή τίτλων: η πρώτη γραμμή των δεδομένων (\"") +
                         title + QStringLiteral("\") δεν έχει τους τίτλους των στηλών."));
    SheetPlan plan;
    plan.ids.resize(std::size_t(sheet.RowCount()));
    QHash<qint64, int> rowOf;
    for (int row = 0; row < sheet.RowCount(); ++row) {
        const QString key = RowKeyOf(sheet, row);
        if (key.trimmed().startsWith(QLatin1Char('[')))
            throw SheetError(QStringLiteral("Γραμμή %1 του φύλλου: η ενότητα \"").arg(row) + key.trimmed() +
                             QStringLiteral("\" βρίσκεται μέσα στα δεδομένα· το αρχείο έχει αλλοιωθεί."));
        if (row == 0 || key.trimmed().isEmpty())
            continue;
        const QString idText = SplitAt3(key, QLatin1Char(';')).first;
        const std::optional<double> id = StudentIdOf(idText);
        if (!id)
            throw SheetError(QStringLiteral("Γραμμή %1 του φύλλου: ο κωδικός μαθητή \"").arg(row) + idText +
                             QStringLiteral("\" δεν είναι αριθμός."));
        plan.ids[std::size_t(row)] = id;
        const auto first = rowOf.constFind(qint64(*id));
        if (first == rowOf.constEnd()) {
            rowOf.insert(qint64(*id), row);
        } else {
            plan.duplicates.insert(*first);
            plan.duplicates.insert(row);
        }
    }
    return plan;
}

// The value of a cell that holds no grade: empty, or a subject cell code.
bool AsksForNothing(const QString& value) {
    return value.isEmpty() || value == u"-2" || value == u"-1";
}

} // namespace

QString PostingStateReason(QStringView state) {
    if (state == PostingState::Err1)
        return QStringLiteral("κάθε βαθμός της γραμμής έχει λάθος");
    if (state == PostingState::Err2)
        return QStringLiteral("η τιμή δεν είναι βαθμός");
    if (state == PostingState::Err3)
        return QStringLiteral("ο βαθμός είναι έξω από τα όρια της γραμμής");
    if (state == PostingState::Err4)
        return QStringLiteral("ο μαθητής δεν έχει μάθημα με αυτόν τον τίτλο στη Βάση");
    if (state == PostingState::Err5)
        return QStringLiteral("ο μαθητής δεν έχει καμία εγγραφή βαθμών στη Βάση");
    if (state == PostingState::Err6)
        return QStringLiteral("ο μαθητής υπάρχει και σε άλλη γραμμή του φύλλου· καμία από τις δύο δεν "
                              "καταχωρείται");
    if (state == PostingState::Posted)
        return QStringLiteral("η γραμμή καταχωρήθηκε");
    if (state == PostingState::Refused)
        return QStringLiteral("η Βάση δεν δέχεται τον βαθμό (μάθημα κλειστό σε βαθμούς ή εγγραφή με άλλον "
                              "βαθμό έξω από τα όρια)");
    return QString();
}

QString PostingCellToolTip(QStringView cell, QStringView rowKey) {
    const qsizetype bar = cell.indexOf(kBar);
    const QStringView value = bar < 0 ? cell : cell.left(bar);
    const QStringView state = bar < 0 ? QStringView() : cell.sliced(bar + 1);
    if (state.isEmpty())
        return value.toString();
    QString reason;
    if (state == PostingState::Err3) {
        const QStringView key = rowKey.left(rowKey.indexOf(kBar) < 0 ? rowKey.size() : rowKey.indexOf(kBar));
        const QList<QStringView> parts = key.split(QLatin1Char(';'));
        const QString min =
            parts.size() > 1 && !parts[1].isEmpty() ? parts[1].toString() : QStringLiteral("1");
        const QString max =
            parts.size() > 2 && !parts[2].isEmpty() ? parts[2].toString() : QStringLiteral("20");
        reason = QStringLiteral("ο βαθμός είναι έξω από τα όρια της γραμμής (%1 έως %2)").arg(min, max);
    } else if (state == PostingState::Err2) {
        reason = QStringLiteral("η τιμή δεν είναι αριθμός");
        const QChar ours = RegionalFormats::DecimalSeparator();
        const QChar other = ours == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
        QString swapped = value.toString();
        swapped.replace(other, ours);
        if (value.contains(other) && ClassifyGradeValue(swapped).kind == GradeValueKind::Number)
            reason += ours == QLatin1Char(',') ? QStringLiteral("· χρησιμοποιήστε κόμμα")
                                               : QStringLiteral("· χρησιμοποιήστε τελεία");
    } else {
        reason = PostingStateReason(state);
    }
    if (reason.isEmpty())
        return value.toString();
    return value.isEmpty() ? reason : value.toString() + QStringLiteral(": ") + reason;
}

QString StoreFailureList(const GradeSheet& sheet, const std::vector<StoreFailure>& failures, int limit) {
    QString text;
    for (std::size_t i = 0; i < failures.size() && int(i) < limit; ++i) {
        const StoreFailure& f = failures[i];
        text += QStringLiteral("Γραμμή %1, μαθητής %2, μάθημα \"").arg(f.row).arg(f.studentId) +
                sheet.Cell(0, f.column) + QStringLiteral("\": ") + f.reason + QLatin1Char('\n');
    }
    if (int(failures.size()) > limit)
        text += QStringLiteral("…\n");
    return text;
}

QString PostConfirmationText(const QString& caption) {
    return QStringLiteral("Πρόκειται να επικαλύψετε την Βαθμολογία της περιόδου: \"") + caption +
           QStringLiteral("\"!\nΘέλετε να προχωρήσετε;");
}

QString AbortQuestion(const QString& operationName) {
    return QStringLiteral("Θέλετε να διακόψετε την διαδικασία ") + operationName + QLatin1Char(';');
}

QString UndoConfirmationText(const PostingJournal::Run& run) {
    return QStringLiteral("Πρόκειται να αναιρέσετε την Καταχώρηση του Αρχείου \"") + run.header.fileName +
           QStringLiteral("\" στην περίοδο \"") + run.header.caption + QStringLiteral("\" (") +
           RegionalFormats::DateTimeText(run.header.started) + QStringLiteral(", ") +
           QString::number(run.entries.size()) + QStringLiteral(" τιμές).\nΘέλετε να προχωρήσετε;");
}

bool SheetOfOpenSchoolYear(const QString& schoolYearLabel, const GradeHeader& header) {
    return SchoolYearOfLabel(schoolYearLabel) == header.SchoolYear;
}

PostedFile PostedFileOf(const DocumentInHand& document) {
    return {document.CurrentFilePath, document.CurrentFileName, document.GradeFileHeader};
}

QString OtherSchoolYearReason(const QString& filePath) {
    return GradeFileTextProblem(filePath).value_or(kOtherSchoolYearMessage);
}

namespace {

// What the before-post handler of a posting run needs of the store under way.
struct StoreContext {
    PostingJournal* journal = nullptr;
    PostingTimings* timings = nullptr;
    std::vector<FieldValue> before; // the candidate fields before the store
    int row = 0, column = 0;
    qint64 studentId = 0, subjectId = 0;
    int appended = 0; // journal lines written for this store
    std::optional<CellChange> change;
};

} // namespace

struct GradePosting::Impl {
    Impl(SchoolYearSession& s, const QString& imports, UiServices& u, GradingScheme g)
        : session(s), importsDir(imports), ui(u), scheme(g), db(s.MorvenDataBase()), key(db), grades(db),
          subjects(db), classes(db), method(db) {}

    // The open school year's folder of the runs' backups.
    QString YearFolder() const { return PostingJournal::YearFolder(importsDir, session.SchoolYearLabel); }

    SchoolYearSession& session;
    QString importsDir;
    UiServices& ui;
    GradingScheme scheme;
    schooldb::Database& db;
    StudentKey key;
    Table grades, subjects, classes, method;
    bool open = false;
    PostingTimings* timings = nullptr;
    std::function<void(WriteStage)> stageHook;
    int backupRunsKept = Program::kBackupRunsKept;

    int fSubjectId = -1, fSubjectOn = -1, fMethodId = -1;
    QHash<qint64, QString> titles; // by SUBJECTID, read through the subject table

    // The fields a store may change, for the method and grade column prepared last.
    std::vector<int> candidates;
    int chosenField = -1;
    int preparedMethod = -1, preparedColumn = -1;

    QSet<quint64> marks;

    static quint64 MarkKey(int row, int column) { return (quint64(quint32(row)) << 32) | quint32(column); }

    QString GradeTablePath() const { return db.TablePath(QStringLiteral("GRADE.DB")); }

    const QString& TitleOfCurrent() {
        const qint64 id = grades.Fields(fSubjectId).AsInteger();
        auto it = titles.constFind(id);
        if (it == titles.constEnd())
            it = titles.insert(id, SubjectTitleOf(subjects));
        return *it;
    }

    int MethodIdOfCurrent() {
        return fMethodId < 0 || classes.Eof() ? 0 : static_cast<int>(classes.Fields(fMethodId).AsInteger());
    }

    // The grade fields a store of this record may change: the grade column's
    // field (and the written grade a grade out of 100 sets), and in the
    // public-school scheme every oral and written grade the record rules
    // normalise.
    void PrepareCandidates(int methodId, int gradeColumn) {
        if (preparedMethod == methodId && preparedColumn == gradeColumn)
            return;
        preparedMethod = methodId;
        preparedColumn = gradeColumn;
        candidates.clear();
        chosenField = -1;
        auto add = [&](const QString& name) {
            const int index = grades.FieldIndex(name);
            if (index >= 0 && std::find(candidates.begin(), candidates.end(), index) == candidates.end())
                candidates.push_back(index);
            return index;
        };
        if (const auto field = GradeFieldName(scheme, methodId, gradeColumn))
            chosenField = add(*field);
        if (scheme == GradingScheme::PublicSchool) {
            for (const char* name : {"Oral1", "Oral2", "Oral3", "Writen1", "OralExt1", "WritenExt1",
                                     "RWriten", "RReWriten", "RReexam", "R100Writen"})
                add(QString::fromLatin1(name));
        }
    }

    bool RecordRules(Table& table) { return ApplyRecordRules(table, scheme, subjects, method); }

    // The handler of a posting run: the record rules, then a journal line for
    // every field the store changes, written through before the store.
    bool BeforePost(Table& table, StoreContext& store) {
        QElapsedTimer timer;
        if (store.timings)
            timer.start();
        const bool allowed = RecordRules(table);
        const qint64 rules = store.timings ? timer.nsecsElapsed() : 0;
        if (allowed) {
            for (std::size_t i = 0; i < candidates.size(); ++i) {
                const FieldValue after = table.Fields(candidates[i]).Value();
                if (after == store.before[i])
                    continue;
                JournalEntry entry{store.studentId, store.subjectId, table.FieldName(candidates[i]),
                                   store.before[i], after};
                store.journal->Append(entry);
                ++store.appended;
                if (candidates[i] == chosenField)
                    store.change = CellChange{
                        store.row,       store.column, store.studentId, store.subjectId, entry.field,
                        store.before[i], after};
            }
        }
        if (store.timings) {
            const qint64 all = timer.nsecsElapsed();
            store.timings->rulesNanos += rules;
            store.timings->journalNanos += all - rules;
        }
        return allowed;
    }
};

namespace {

// A write session on GRADE.DB, for a posting run or an undo: the write lock
// is taken first and the tables are read again under it, so that nothing
// another program stored before can be mistaken for a change after the read;
// a file-size limit is a write error instead of the end of the program.
// Whatever way the session ends, the journal gets its end, the table its
// sync and the lock and the handlers go back.
class WriteSession {
public:
    using Handler = Table::BeforePostHandler;

    WriteSession(GradePosting& posting, GradePosting::Impl& m, Handler handler)
        : m(m), m_oldSignal(std::signal(SIGXFSZ, SIG_IGN)) {
        try {
            if (m.stageHook)
                m.stageHook(WriteStage::BeforeLock);
            m_lock = std::make_unique<schooldb::TableWriteLock>(m.GradeTablePath());
            posting.CloseTables();
            posting.OpenTables();
            m.grades.BeginWriting();
            m_writing = true;
            m.grades.SetBeforePost(std::move(handler));
            if (m.stageHook)
                m.stageHook(WriteStage::Locked);
        } catch (...) {
            Release();
            throw;
        }
    }
    ~WriteSession() { Release(); }
    WriteSession(const WriteSession&) = delete;
    WriteSession& operator=(const WriteSession&) = delete;

    // The journal the session closes when it ends.
    void Journal(PostingJournal* journal) { m_journal = journal; }
    // What the journal says of a run that ends in an error.
    void SetErrorOutcome(const QString& outcome) { m_errorOutcome = outcome; }

    // The normal end: the journal's end and the sync, whose failures are raised.
    void End(const QString& outcome) {
        if (m_journal)
            m_journal->Finish(outcome);
        m_writing = false;
        m.grades.EndWriting();
        Release();
    }

private:
    void Release() noexcept {
        if (m_journal && !m_journal->Finished()) {
            try {
                m_journal->Finish(m_errorOutcome);
            } catch (...) {
                // A full disk: the journal without its end still tells what was stored.
            }
        }
        m_journal = nullptr;
        if (m_writing) {
            m_writing = false;
            try {
                m.grades.EndWriting();
            } catch (...) {
                // The error that ended the run is the one to report.
            }
        }
        m.grades.SetBeforePost([&m = m](Table& table) { return m.RecordRules(table); });
        m_lock.reset();
        if (m_signalSet) {
            std::signal(SIGXFSZ, m_oldSignal);
            m_signalSet = false;
        }
    }

    GradePosting::Impl& m;
    void (*m_oldSignal)(int);
    bool m_signalSet = true;
    std::unique_ptr<schooldb::TableWriteLock> m_lock;
    bool m_writing = false;
    PostingJournal* m_journal = nullptr;
    QString m_errorOutcome = QStringLiteral("error");
};

} // namespace

GradePosting::GradePosting(SchoolYearSession& session, const QString& importsDir, UiServices& ui,
                           GradingScheme scheme)
    : m(std::make_unique<Impl>(session, importsDir, ui, scheme)) {}

GradePosting::~GradePosting() {
    CloseTables();
}

void GradePosting::OpenTables() {
    if (m->open)
        return;
    m->grades.SetTableName(QStringLiteral("GRADE.DB"));
    m->grades.SetIndexName(QStringLiteral("Grade_StudentID_Inx"));
    m->grades.SetMasterSource(&m->key, QStringLiteral("STUDENTID"));
    m->subjects.SetTableName(QStringLiteral("SUBJECT.DB"));
    m->subjects.SetIndexFieldNames(QStringLiteral("SUBJECTID"));
    m->subjects.SetMasterSource(&m->grades, QStringLiteral("SUBJECTID"));
    m->classes.SetTableName(QStringLiteral("CLASS.DB"));
    m->classes.SetIndexFieldNames(QStringLiteral("CLASSID"));
    m->classes.SetMasterSource(&m->subjects, QStringLiteral("CLASSID"));
    m->method.SetTableName(QStringLiteral("METHOD.DB"));
    m->method.SetIndexFieldNames(QStringLiteral("METHODID"));
    m->method.SetMasterSource(&m->classes, QStringLiteral("METHODID"));
    m->grades.SetBeforePost([this](Table& table) { return tblGradesBeforePost(table); });
    try {
        m->key.Open();
        m->grades.Open();
        m->subjects.Open();
        m->classes.Open();
        m->method.Open();
        // A table without these fields raises the engine's own message here.
        m->grades.FieldByName(QStringLiteral("SUBJECTID"));
        m->grades.FieldByName(QStringLiteral("SUBJECTON"));
        m->fSubjectId = m->grades.FieldIndex(QStringLiteral("SUBJECTID"));
        m->fSubjectOn = m->grades.FieldIndex(QStringLiteral("SUBJECTON"));
        m->fMethodId = m->classes.FieldIndex(QStringLiteral("METHODID"));
    } catch (...) {
        CloseTables();
        throw;
    }
    m->titles.clear();
    m->preparedMethod = m->preparedColumn = -1;
    m->open = true;
}

void GradePosting::CloseTables() {
    m->method.Close();
    m->classes.Close();
    m->subjects.Close();
    m->grades.Close();
    m->key.Close();
    m->open = false;
}

bool GradePosting::TablesOpen() const {
    return m->open;
}

Table& GradePosting::tblGrades() {
    return m->grades;
}

bool GradePosting::tblGradesBeforePost(Table& grades) {
    return m->RecordRules(grades);
}

void GradePosting::SetTimings(PostingTimings* timings) {
    m->timings = timings;
}

void GradePosting::SetBackupRunsKept(int runs) {
    m->backupRunsKept = std::max(runs, 1);
}

void GradePosting::SetWriteStageHook(std::function<void(WriteStage)> hook) {
    m->stageHook = std::move(hook);
}

void GradePosting::ClearChanges() {
    m_changes.clear();
    m->marks.clear();
}

bool GradePosting::WouldChange(int sheetRow, int column) const {
    return m->marks.contains(Impl::MarkKey(sheetRow, column));
}

namespace {

// The scan CheckGrades and PostGrades share.
class Scanner {
public:
    Scanner(GradePosting::Impl& impl, std::vector<CellChange>& changes, GradeSheet& sheet,
            const SheetPlan& plan, int gradeColumn, ScanMode mode, ScanSummary& summary, StoreContext* store)
        : m(impl), m_changes(changes), m_sheet(sheet), m_plan(plan), m_gradeColumn(gradeColumn), m_mode(mode),
          m_summary(summary), m_store(store) {
        for (int column = 8; column < sheet.ColCount(); ++column)
            m_columnsOfTitle[sheet.Cell(0, column)].push_back(column);
    }

    void Row(int row);

private:
    void Check(const CellWork& work);
    void Post(const CellWork& work);
    void MarkError(int row, int column, const QString& key, const QString& value, const QString& state) {
        m_sheet.SetCell(row, column, value + kBar + state);
        m_sheet.SetCell(row, 0, key + kBar + state);
        ++m_summary.errorCells;
    }
    // Refused by the record rules: no error of the sheet, but nothing stored either.
    void MarkRefused(const CellWork& work) {
        m_sheet.SetCell(m_row, work.column, work.value + kBar + PostingState::Refused);
        ++m_summary.refusedStores;
    }

    GradePosting::Impl& m;
    std::vector<CellChange>& m_changes;
    GradeSheet& m_sheet;
    const SheetPlan& m_plan;
    int m_gradeColumn;
    ScanMode m_mode;
    ScanSummary& m_summary;
    StoreContext* m_store;
    QHash<QString, std::vector<int>> m_columnsOfTitle;
    int m_row = 0;
    qint64 m_studentId = 0, m_subjectId = 0;
};

void Scanner::Row(int row) {
    m_row = row;
    const std::optional<double> student = m_plan.ids[std::size_t(row)];
    // A blank line a text editor left in the file holds no student.
    if (!student)
        return;
    ++m_summary.rows;
    const QString key = RowKeyOf(m_sheet, row);
    const SplitTriple parts = SplitAt3(key, QLatin1Char(';'));
    const double min = RegionalFormats::ParseNumber(parts.second).value_or(1);
    const double max = RegionalFormats::ParseNumber(parts.rest).value_or(20);
    m.key.Select(*student);
    m_studentId = static_cast<qint64>(*student);
    const bool duplicate = m_plan.duplicates.contains(row);

    // One pass over the student's records: the first record of a subject
    // title takes every column of that title, in column order; later records
    // of the same title take nothing.
    const bool store = !duplicate && (m_mode == ScanMode::Post || m_gradeColumn > 0);
    QSet<QString> seen;
    bool anyRecord = false;
    for (m.grades.First(); !m.grades.Eof(); m.grades.Next()) {
        anyRecord = true;
        const QString& title = m.TitleOfCurrent();
        const auto columns = m_columnsOfTitle.constFind(title);
        if (columns == m_columnsOfTitle.constEnd() || seen.contains(title))
            continue;
        seen.insert(title);
        if (!m.grades.Fields(m.fSubjectOn).AsBoolean())
            continue;
        m_subjectId = m.grades.Fields(m.fSubjectId).AsInteger();
        for (const int column : *columns) {
            const QString cell = m_sheet.Cell(row, column);
            const SplitPair valueAndState = SplitAt(cell, kBar);
            const QString& value = valueAndState.left;
            if (value.size() != cell.size())
                m_sheet.SetCell(row, column, value);
            const GradeValue grade = ClassifyGradeValue(value);
            if (grade.kind == GradeValueKind::NotAGrade) {
                MarkError(row, column, key, value, PostingState::Err2);
                continue;
            }
            if (grade.kind == GradeValueKind::Number && (grade.number < min || grade.number > max)) {
                MarkError(row, column, key, value, PostingState::Err3);
                continue;
            }
            if (!store)
                continue;
            const CellWork work{column, value, grade.kind == GradeValueKind::NoGradeMarker};
            if (m_mode == ScanMode::Check)
                Check(work);
            else
                Post(work);
        }
    }
    // A column whose title the student has no record of asks for a grade
    // that has nowhere to go: a title with a trailing blank, a file re-saved
    // in another encoding, a subject the student does not take.
    if (seen.size() < m_columnsOfTitle.size()) {
        for (auto it = m_columnsOfTitle.cbegin(); it != m_columnsOfTitle.cend(); ++it) {
            if (seen.contains(it.key()))
                continue;
            for (const int column : it.value()) {
                const QString value = SplitAt(m_sheet.Cell(row, column), kBar).left;
                if (AsksForNothing(value))
                    continue;
                MarkError(row, column, key, value, PostingState::Err4);
                ++m_summary.unmatchedCells;
            }
        }
    }

    QString rowState;
    if (duplicate) {
        rowState = PostingState::Err6;
        ++m_summary.duplicateRows;
    } else if (!anyRecord) {
        rowState = PostingState::Err5;
        ++m_summary.unknownStudents;
    } else {
        const int columnCount = m_sheet.ColCount();
        bool allInError = true;
        for (int column = 8; column < columnCount && allInError; ++column) {
            const QStringView cell = m_sheet.CellView(row, column);
            const qsizetype bar = cell.indexOf(kBar);
            allInError = bar >= 0 && cell.sliced(bar + 1).startsWith(u"Err");
        }
        if (allInError)
            rowState = PostingState::Err1;
    }
    if (!rowState.isEmpty()) {
        m_sheet.SetCell(row, 0, key + kBar + rowState);
        ++m_summary.errorRows;
    } else {
        m_sheet.SetCell(row, 0, m_mode == ScanMode::Check ? key : key + kBar + PostingState::Posted);
    }
}

void Scanner::Check(const CellWork& w) {
    const int methodId = m.MethodIdOfCurrent();
    m.PrepareCandidates(methodId, m_gradeColumn);
    const int field = m.chosenField;
    if (field < 0)
        return;
    const FieldValue before = m.grades.Fields(field).Value();
    FieldValue after;
    bool allowed = false;
    m.grades.Edit();
    try {
        WriteGrade(m.grades, m.scheme, methodId, m_gradeColumn, w.value, w.marker);
        allowed = m.RecordRules(m.grades);
        after = m.grades.Fields(field).Value();
    } catch (const DatabaseError&) {
        allowed = false;
    }
    m.grades.Cancel();
    if (!allowed) {
        MarkRefused(w);
        return;
    }
    if (after == before)
        return;
    m_changes.push_back(
        {m_row, w.column, m_studentId, m_subjectId, m.grades.FieldName(field), before, after});
    m.marks.insert(GradePosting::Impl::MarkKey(m_row, w.column));
    ++m_summary.changedCells;
}

void Scanner::Post(const CellWork& w) {
    StoreContext& store = *m_store;
    const int methodId = m.MethodIdOfCurrent();
    m.PrepareCandidates(methodId, m_gradeColumn);
    store.before.clear();
    for (const int field : m.candidates)
        store.before.push_back(m.grades.Fields(field).Value());
    store.appended = 0;
    store.change.reset();
    store.row = m_row;
    store.column = w.column;
    store.studentId = m_studentId;
    store.subjectId = m_subjectId;
    bool stored = false;
    QString failure;
    QElapsedTimer timer;
    PostingTimings* timings = store.timings;
    const qint64 handlerBefore = timings ? timings->rulesNanos + timings->journalNanos : 0;
    m.grades.Edit();
    try {
        WriteGrade(m.grades, m.scheme, methodId, m_gradeColumn, w.value, w.marker);
        if (timings)
            timer.start();
        stored = m.grades.Post();
    } catch (const DatabaseError& error) {
        // Changed by another program, a write error: not the record rules.
        m.grades.Cancel();
        failure = error.Message();
    } catch (...) {
        m.grades.Cancel();
        throw;
    }
    if (timings && timer.isValid())
        timings->storeNanos +=
            timer.nsecsElapsed() - (timings->rulesNanos + timings->journalNanos - handlerBefore);
    if (!stored) {
        // Lines written for a store that did not happen are taken back.
        if (store.appended > 0)
            store.journal->Revoke(store.appended);
        if (failure.isEmpty()) {
            MarkRefused(w);
            return;
        }
        store.journal->Failure(m_row, m_studentId, m_subjectId, failure);
        m_summary.failures.push_back({m_row, w.column, m_studentId, m_subjectId, failure});
        return;
    }
    ++m_summary.storedRecords;
    m_summary.journalEntries += store.appended;
    if (store.change) {
        m_changes.push_back(*store.change);
        m.marks.insert(GradePosting::Impl::MarkKey(m_row, w.column));
        ++m_summary.changedCells;
    }
}

QString OutcomeText(const ScanSummary& summary) {
    QString outcome = summary.aborted ? QStringLiteral("aborted") : QStringLiteral("completed");
    if (!summary.failures.empty())
        outcome += QStringLiteral(", %1 stores failed").arg(summary.failures.size());
    return outcome;
}

} // namespace

ScanSummary GradePosting::CheckGrades(GradeSheet& sheet, int gradeColumn, ScanObserver* observer) {
    return Scan(sheet, PostedFile(), gradeColumn, false, observer);
}

ScanSummary GradePosting::PostGrades(GradeSheet& sheet, const PostedFile& file, int gradeColumn,
                                     ScanObserver* observer) {
    return Scan(sheet, file, gradeColumn, true, observer);
}

ScanSummary GradePosting::Scan(GradeSheet& sheet, const PostedFile& file, int gradeColumn, bool post,
                               ScanObserver* observer) {
    // Nothing is read or stored of a sheet that cannot be gone through whole.
    const SheetPlan plan = PlanSheet(sheet);
    // A posting run reads the tables under its write lock.
    if (!post)
        OpenTables();
    ScanSummary summary;
    m_changes.clear();
    m->marks.clear();
    const auto scanRows = [&](StoreContext* store) {
        Scanner scanner(*m, m_changes, sheet, plan, gradeColumn, post ? ScanMode::Post : ScanMode::Check,
                        summary, store);
        for (int row = 1; row < sheet.RowCount(); ++row) {
            if (observer)
                observer->RowStarting(row);
            scanner.Row(row);
            if (observer && !observer->RowFinished(row)) {
                summary.aborted = true;
                break;
            }
        }
    };
    if (!post) {
        scanRows(nullptr);
        return summary;
    }

    JournalHeader header;
    header.filePath = file.path;
    header.fileName = file.name;
    header.fileId = file.header.FileID;
    header.schoolYear = file.header.SchoolYear;
    header.gradeColumn = gradeColumn;
    header.caption = GradeColumnCaptions(m->scheme).value(gradeColumn - 1);
    header.user = m->session.CurrentUserName;
    header.started = m->ui.Now();
    PostingJournal journal;
    StoreContext store;
    store.journal = &journal;
    store.timings = m->timings;
    // Another program writing GRADE.DB is found out before anything is
    // copied or stored, and none can start while the run writes.
    WriteSession session(*this, *m, [this, &store](Table& table) { return m->BeforePost(table, store); });
    header.database = DatabaseIdentity::Of(m->GradeTablePath());
    // Nothing is stored unless the copy and the journal are there first.
    journal.Begin(m->YearFolder(), m->GradeTablePath(), header);
    session.Journal(&journal);
    summary.backupFolder = journal.Folder();
    try {
        scanRows(&store);
    } catch (const EkaldoError& e) {
        session.SetErrorOutcome(QStringLiteral("error: ") + e.Message());
        if (summary.storedRecords == 0)
            throw;
        throw EkaldoError(e.Message() +
                          QStringLiteral("\nΗ Καταχώρηση σταμάτησε αφού αποθήκευσε %1 εγγραφές βαθμών· η "
                                         "Αναίρεση Καταχώρησης τις επαναφέρει.")
                              .arg(summary.storedRecords));
    }
    session.End(OutcomeText(summary));
    // Only a run that went through to its end makes room: after one the user
    // stopped, or one that failed, the office may want to go further back.
    if (!summary.aborted)
        PostingJournal::PruneRuns(m->YearFolder(), m->backupRunsKept, journal.Folder());
    return summary;
}

std::optional<PostingJournal::Run> GradePosting::LastPosting(const PostedFile& file,
                                                             const QString& passOver) const {
    return PostingJournal::LastRunOf(m->YearFolder(), DatabaseIdentity::Of(m->GradeTablePath()).folder,
                                     file.name, file.header.FileID, passOver);
}

UndoOutcome GradePosting::UndoLastPosting(const PostedFile& file) {
    OpenTables();
    UndoOutcome outcome;
    std::optional<PostingJournal::Run> run = LastPosting(file);
    if (!run)
        return outcome;
    outcome.found = true;
    outcome.run = *run;
    const DatabaseIdentity open = DatabaseIdentity::Of(m->GradeTablePath());
    const DatabaseIdentity& wrote = run->header.database;
    if (wrote.folder.isEmpty())
        throw EkaldoError(
            QStringLiteral("Η Καταχώρηση του Αρχείου \"") + run->header.fileName +
            QStringLiteral("\" έγινε με παλαιότερη έκδοση, που δεν σημείωνε σε ποια Βάση έγραψε· "
                           "η Αναίρεση δεν έγινε, για να μη γραφτούν βαθμοί σε άλλη Βάση από τη ") +
            open.Describe() + QStringLiteral(". Το αντίγραφο του GRADE.DB είναι στο \"") +
            QFileInfo(run->journalPath).absolutePath() + QStringLiteral("\"."));
    if (wrote.folder != open.folder || !wrote.SameTableAs(open))
        throw EkaldoError(QStringLiteral("Η Καταχώρηση του Αρχείου \"") + run->header.fileName +
                          QStringLiteral("\" έγραψε στη Βάση ") + wrote.Describe() +
                          QStringLiteral(" και όχι στην ανοιχτή Βάση ") + open.Describe() +
                          QStringLiteral("· η Αναίρεση δεν έγινε."));
    const QDateTime now = m->ui.Now();
    // The undo writes the old values back as they were: no record rules.
    WriteSession session(*this, *m, nullptr);
    const QString undoBackup =
        PostingJournal::MakeBackup(m->YearFolder(), m->GradeTablePath(), now, PostingJournal::kUndoSuffix);

    auto describe = [](const JournalEntry& e, const QString& why) {
        return QStringLiteral("Μαθητής %1, μάθημα %2, πεδίο %3: ")
                   .arg(e.studentId)
                   .arg(e.subjectId)
                   .arg(e.field) +
               why;
    };
    // Last change first, so that a field written twice in the run goes back
    // step by step; each student's records are gone through once.
    std::map<qint64, QHash<qint64, std::vector<const JournalEntry*>>> byStudent;
    for (auto it = run->entries.rbegin(); it != run->entries.rend(); ++it)
        byStudent[it->studentId][it->subjectId].push_back(&*it);
    for (auto& [studentId, bySubject] : byStudent) {
        m->key.Select(static_cast<double>(studentId));
        for (m->grades.First(); !m->grades.Eof() && !bySubject.isEmpty(); m->grades.Next()) {
            const auto found = bySubject.find(m->grades.Fields(m->fSubjectId).AsInteger());
            if (found == bySubject.end())
                continue;
            for (const JournalEntry* e : *found) {
                const int field = m->grades.FieldIndex(e->field);
                if (field < 0) {
                    outcome.leftAlone.append(describe(*e, QStringLiteral("το πεδίο δεν υπάρχει πια.")));
                    continue;
                }
                const FieldValue current = m->grades.Fields(field).Value();
                if (current != e->after) {
                    // Back already: an undo of this run that was cut short.
                    if (current == e->before) {
                        ++outcome.restored;
                        continue;
                    }
                    outcome.leftAlone.append(
                        describe(*e, QStringLiteral("άλλαξε μετά την Καταχώρηση (τώρα ") +
                                         ValueText(current) + QStringLiteral(", η Καταχώρηση έγραψε ") +
                                         ValueText(e->after) + QStringLiteral(").")));
                    continue;
                }
                m->grades.Edit();
                try {
                    SetFieldValue(m->grades.Fields(field), e->before);
                    m->grades.Post();
                } catch (const DatabaseError& error) {
                    m->grades.Cancel();
                    outcome.leftAlone.append(describe(*e, error.Message()));
                    continue;
                }
                ++outcome.restored;
            }
            bySubject.erase(found);
        }
        // Records gone since the run.
        for (const auto& entries : std::as_const(bySubject))
            for (const JournalEntry* e : entries)
                outcome.leftAlone.append(describe(*e, QStringLiteral("η εγγραφή δεν υπάρχει πια.")));
    }
    session.End(QString());
    // The sheet's stamp before the journal's note: an undo cut short between
    // the two is still in force and finishes when run again, where the other
    // order would leave a sheet marked as posted with nothing left to undo.
    if (const auto inForce = LastPosting(file, run->journalPath))
        outcome.posted = RegionalFormats::DateTimeText(inForce->header.started);
    if (QFileInfo::exists(file.path))
        WriteGradeFileHeaderKey(file.path, QStringLiteral("Posted"), outcome.posted);
    PostingJournal::MarkUndone(run->journalPath, now, outcome.restored, int(outcome.leftAlone.size()),
                               QFileInfo(undoBackup).fileName());
    return outcome;
}

} // namespace ekaldo
