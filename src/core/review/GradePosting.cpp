#include "core/review/GradePosting.h"

#include "core/exchange/GradeSheet.h"
#include "base/RegionalFormats.h"
#include "base/UiServices.h"
#include "schooldb/GradeColumns.h"
#include "schooldb/SchoolDatabase.h"
#include "core/shell/AppState.h"
#include "base/SharedRoutines.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
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

} // namespace

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

bool SheetOfOpenSchoolYear(const AppState& state) {
    return SchoolYearOfLabel(state.SchoolYearLabel) == state.GradeFileHeader.SchoolYear;
}

struct GradePosting::Impl {
    Impl(AppState& s, UiServices& u, GradingScheme g)
        : state(s), ui(u), scheme(g), db(s.MorvenDataBase()), key(db), grades(db), subjects(db), classes(db),
          method(db) {}

    AppState& state;
    UiServices& ui;
    GradingScheme scheme;
    schooldb::Database& db;
    StudentKey key;
    Table grades, subjects, classes, method;
    bool open = false;

    int fSubjectId = -1, fSubjectOn = -1, fMethodId = -1;
    QHash<qint64, QString> titles; // by SUBJECTID, read through the subject table

    // The store under way in a posting run.
    PostingJournal* journal = nullptr;
    bool bypassRules = false;
    std::vector<int> candidates;
    std::vector<FieldValue> before;
    int chosenField = -1;
    qint64 studentId = 0, subjectId = 0;
    int appended = 0;
    std::optional<CellChange> pendingChange;
    int cellRow = 0, cellColumn = 0;
    qint64 handlerNanos = 0, rulesNanos = 0, journalNanos = 0;
    int journalEntries = 0;

    QSet<quint64> marks;

    static quint64 MarkKey(int row, int column) { return (quint64(quint32(row)) << 32) | quint32(column); }

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
    int preparedMethod = -1, preparedColumn = -1;

    bool BeforePost(Table& table) {
        if (bypassRules)
            return true;
        QElapsedTimer timer;
        timer.start();
        const bool allowed = ApplyRecordRules(table, scheme, subjects, method);
        const qint64 rules = timer.nsecsElapsed();
        rulesNanos += rules;
        if (allowed && journal) {
            for (std::size_t i = 0; i < candidates.size(); ++i) {
                const FieldValue after = table.Fields(candidates[i]).Value();
                if (after == before[i])
                    continue;
                JournalEntry entry{studentId, subjectId, table.FieldName(candidates[i]), before[i], after};
                // Written through before the store it describes.
                journal->Append(entry);
                ++appended;
                if (candidates[i] == chosenField)
                    pendingChange =
                        CellChange{cellRow, cellColumn, studentId, subjectId, entry.field, before[i], after};
            }
        }
        const qint64 all = timer.nsecsElapsed();
        journalNanos += all - rules;
        handlerNanos += all;
        return allowed;
    }
};

GradePosting::GradePosting(AppState& state, UiServices& ui, GradingScheme scheme)
    : m(std::make_unique<Impl>(state, ui, scheme)) {}

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
    return m->BeforePost(grades);
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
    Scanner(GradePosting::Impl& impl, std::vector<CellChange>& changes, GradeSheet& sheet, int gradeColumn,
            ScanMode mode, ScanSummary& summary)
        : m(impl), m_changes(changes), m_sheet(sheet), m_gradeColumn(gradeColumn), m_mode(mode),
          m_summary(summary) {
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

    GradePosting::Impl& m;
    std::vector<CellChange>& m_changes;
    GradeSheet& m_sheet;
    int m_gradeColumn;
    ScanMode m_mode;
    ScanSummary& m_summary;
    QHash<QString, std::vector<int>> m_columnsOfTitle;
    int m_row = 0;
};

void Scanner::Row(int row) {
    m_row = row;
    const QString key = SplitAt(m_sheet.Cell(row, 0), kBar).left;
    // A blank line a text editor left in the file holds no student.
    if (key.trimmed().isEmpty())
        return;
    ++m_summary.rows;
    const SplitTriple parts = SplitAt3(key, QLatin1Char(';'));
    const double min = RegionalFormats::ParseNumber(parts.second).value_or(1);
    const double max = RegionalFormats::ParseNumber(parts.rest).value_or(20);
    const std::optional<double> student = StudentIdOf(parts.first);
    if (!student)
        throw DatabaseError(QStringLiteral("Άκυρο φίλτρο \"STUDENTID=") + parts.first +
                            QStringLiteral("\" στον πίνακα \"GRADE.DB\"."));
    m.key.Select(*student);
    m.studentId = static_cast<qint64>(*student);

    // One pass over the student's records: the first record of a subject
    // title takes every column of that title, in column order; later records
    // of the same title take nothing.
    const bool store = m_mode == ScanMode::Post || m_gradeColumn > 0;
    QSet<QString> seen;
    for (m.grades.First(); !m.grades.Eof(); m.grades.Next()) {
        const QString& title = m.TitleOfCurrent();
        const auto columns = m_columnsOfTitle.constFind(title);
        if (columns == m_columnsOfTitle.constEnd() || seen.contains(title))
            continue;
        seen.insert(title);
        if (!m.grades.Fields(m.fSubjectOn).AsBoolean())
            continue;
        m.subjectId = m.grades.Fields(m.fSubjectId).AsInteger();
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

    const int columnCount = m_sheet.ColCount();
    bool allInError = true;
    for (int column = 8; column < columnCount && allInError; ++column) {
        const QStringView cell = m_sheet.CellView(row, column);
        const qsizetype bar = cell.indexOf(kBar);
        allInError = bar >= 0 && cell.sliced(bar + 1).startsWith(u"Err");
    }
    if (allInError) {
        m_sheet.SetCell(row, 0, key + kBar + PostingState::Err1);
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
        allowed = ApplyRecordRules(m.grades, m.scheme, m.subjects, m.method);
        after = m.grades.Fields(field).Value();
    } catch (const DatabaseError&) {
        allowed = false;
    }
    m.grades.Cancel();
    if (!allowed) {
        ++m_summary.refusedStores;
        return;
    }
    if (after == before)
        return;
    m_changes.push_back(
        {m_row, w.column, m.studentId, m.subjectId, m.grades.FieldName(field), before, after});
    m.marks.insert(GradePosting::Impl::MarkKey(m_row, w.column));
    ++m_summary.changedCells;
}

void Scanner::Post(const CellWork& w) {
    const int methodId = m.MethodIdOfCurrent();
    m.PrepareCandidates(methodId, m_gradeColumn);
    m.before.clear();
    for (const int field : m.candidates)
        m.before.push_back(m.grades.Fields(field).Value());
    m.appended = 0;
    m.pendingChange.reset();
    m.cellRow = m_row;
    m.cellColumn = w.column;
    bool stored = false;
    QElapsedTimer timer;
    const qint64 handlerBefore = m.handlerNanos;
    m.grades.Edit();
    try {
        WriteGrade(m.grades, m.scheme, methodId, m_gradeColumn, w.value, w.marker);
        timer.start();
        stored = m.grades.Post();
    } catch (const DatabaseError&) {
        // A refused or failed store is silent and leaves the record as it was.
        m.grades.Cancel();
        stored = false;
    } catch (...) {
        m.grades.Cancel();
        throw;
    }
    if (timer.isValid())
        m_summary.storeSeconds += double(timer.nsecsElapsed() - (m.handlerNanos - handlerBefore)) / 1e9;
    if (!stored) {
        ++m_summary.refusedStores;
        // Lines written for a store that did not happen are taken back.
        if (m.appended > 0 && m.journal)
            m.journal->Revoke(m.appended);
        return;
    }
    ++m_summary.storedRecords;
    m_summary.journalEntries += m.appended;
    if (m.pendingChange) {
        m_changes.push_back(*m.pendingChange);
        m.marks.insert(GradePosting::Impl::MarkKey(m_row, w.column));
        ++m_summary.changedCells;
    }
}

} // namespace

ScanSummary GradePosting::CheckGrades(GradeSheet& sheet, int gradeColumn, ScanObserver* observer) {
    return Scan(sheet, gradeColumn, false, observer);
}

ScanSummary GradePosting::PostGrades(GradeSheet& sheet, int gradeColumn, ScanObserver* observer) {
    return Scan(sheet, gradeColumn, true, observer);
}

ScanSummary GradePosting::Scan(GradeSheet& sheet, int gradeColumn, bool post, ScanObserver* observer) {
    OpenTables();
    ScanSummary summary;
    m_changes.clear();
    m->marks.clear();
    m->handlerNanos = m->rulesNanos = m->journalNanos = 0;
    PostingJournal journal;
    if (post) {
        JournalHeader header;
        header.filePath = m->state.CurrentFilePath;
        header.fileName = m->state.CurrentFileName;
        header.fileId = m->state.GradeFileHeader.FileID;
        header.schoolYear = m->state.GradeFileHeader.SchoolYear;
        header.gradeColumn = gradeColumn;
        header.caption = GradeColumnCaptions(m->scheme).value(gradeColumn - 1);
        header.user = m->state.CurrentUserName;
        header.started = m->ui.Now();
        // Another program writing GRADE.DB is found out before anything is
        // copied or stored, and none can start while the run writes.
        m->grades.BeginWriting();
        // Nothing is stored unless the copy and the journal are there first.
        journal.Begin(m->state, m->db.TablePath(QStringLiteral("GRADE.DB")), header);
        summary.backupFolder = journal.Folder();
        m->journal = &journal;
    }
    Scanner scanner(*m, m_changes, sheet, gradeColumn, post ? ScanMode::Post : ScanMode::Check, summary);
    QString outcome = QStringLiteral("completed");
    try {
        for (int row = 1; row < sheet.RowCount(); ++row) {
            if (observer)
                observer->RowStarting(row);
            scanner.Row(row);
            if (observer && !observer->RowFinished(row)) {
                summary.aborted = true;
                outcome = QStringLiteral("aborted");
                break;
            }
        }
    } catch (const EkaldoError& e) {
        m->journal = nullptr;
        if (post) {
            m->grades.EndWriting();
            journal.Finish(QStringLiteral("error: ") + e.Message());
        }
        throw;
    }
    m->journal = nullptr;
    summary.rulesSeconds = double(m->rulesNanos) / 1e9;
    summary.journalSeconds = double(m->journalNanos) / 1e9;
    if (post) {
        m->grades.EndWriting();
        journal.Finish(outcome);
    }
    return summary;
}

std::optional<PostingJournal::Run> GradePosting::LastPosting() const {
    return PostingJournal::LastRunOf(m->state, m->state.CurrentFileName, m->state.GradeFileHeader.FileID);
}

UndoOutcome GradePosting::UndoLastPosting() {
    OpenTables();
    UndoOutcome outcome;
    std::optional<PostingJournal::Run> run = LastPosting();
    if (!run)
        return outcome;
    outcome.found = true;
    outcome.run = *run;
    const QDateTime now = m->ui.Now();
    m->grades.BeginWriting();
    const QString folder =
        PostingJournal::MakeRunFolder(PostingJournal::YearFolder(m->state), now, QStringLiteral(" undo"));
    PostingJournal::CopyGradeTable(m->db.TablePath(QStringLiteral("GRADE.DB")), folder);

    auto describe = [](const JournalEntry& e, const QString& why) {
        return QStringLiteral("Μαθητής %1, μάθημα %2, πεδίο %3: ")
                   .arg(e.studentId)
                   .arg(e.subjectId)
                   .arg(e.field) +
               why;
    };
    m->bypassRules = true;
    try {
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
    } catch (...) {
        m->bypassRules = false;
        m->grades.EndWriting();
        throw;
    }
    m->bypassRules = false;
    m->grades.EndWriting();
    PostingJournal::MarkUndone(run->journalPath, now, outcome.restored, int(outcome.leftAlone.size()));
    return outcome;
}

} // namespace ekaldo
