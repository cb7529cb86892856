// Checking and posting sheets into a real GRADE.DB, the backup and journal of a run, and the undo.
#include "core/review/GradePosting.h"

#include "ReviewTestSupport.h"

#include "base/RegionalFormats.h"
#include "core/exchange/GradeDataFile.h"
#include "core/review/PostingJournal.h"
#include "core/shell/AppState.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/TableLock.h"
#include "support/OtherProgramsLock.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <numeric>
#include <optional>
#include <tuple>

using namespace ekaldo;
using namespace ekaldo::testing;
using schooldb::FieldValue;

namespace {

constexpr GradingScheme kTutoring = GradingScheme::Tutoring;
constexpr GradingScheme kPublic = GradingScheme::PublicSchool;

const QString kAlpha(QChar(0x0391));

// A row's key and its grade cells, the student's own columns left out.
QStringList KeyAndGrades(const GradeSheet& sheet, int row) {
    QStringList cells{sheet.Cell(row, 0)};
    for (int c = 8; c < sheet.ColCount(); ++c)
        cells << sheet.Cell(row, c);
    return cells;
}

// A sheet of the given subject titles and student rows, each row its key then its grade cells.
GradeSheet Sheet(const QStringList& titles, const QList<QStringList>& rows) {
    QStringList lines{TitlesLine(titles)};
    for (const QStringList& row : rows)
        lines << StudentLine(row.front(), QStringLiteral("Α"), row.mid(1));
    return SheetOf(lines);
}

QString StateOf(const QString& cell) {
    const qsizetype bar = cell.indexOf(QLatin1Char('|'));
    return bar < 0 ? QString() : cell.mid(bar + 1);
}

class Posting : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareState(state, dir.Path());
        ui.SetNow(QDateTime(QDate(2026, 6, 20), QTime(10, 30, 0)));
        state.CurrentFileName = QStringLiteral("Τμήμα Α.agd");
        state.CurrentFilePath = QDir(state.ImportsDir).filePath(state.CurrentFileName);
        state.GradeFileHeader.FileID = QStringLiteral("46000.5");
        state.GradeFileHeader.SchoolYear = QStringLiteral("2025-2026");
    }

    QString GradeTable() const { return QDir(SchoolFolder(dir.Path())).filePath(QStringLiteral("GRADE.DB")); }
    FieldValue Field(int student, int subject, const QString& field) {
        return StoredField(state, student, subject, field);
    }
    // Another writer's store into one grade field, straight into the table.
    void Store(int student, int subject, const char* field, const FieldValue& value) {
        schooldb::Table table(state.MorvenDataBase());
        table.SetTableName(QStringLiteral("GRADE.DB"));
        table.Open();
        while (!table.Eof() && (table.FieldByName("STUDENTID").AsInteger() != student ||
                                table.FieldByName("SUBJECTID").AsInteger() != subject))
            table.Next();
        ASSERT_FALSE(table.Eof());
        table.Edit();
        if (value.IsNull())
            table.FieldByName(field).Clear();
        else
            table.FieldByName(field).SetAsFloat(value.FloatValue());
        ASSERT_TRUE(table.Post());
    }
    void UseDatabase(const QString& folder) {
        state.MorvenDataBase().SetParams({QStringLiteral("PATH=") + folder});
    }
    QStringList RunFolders() const {
        return QDir(QDir(dir.Path()).filePath(QStringLiteral("Backups/2025-2026")))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }

    ScanSummary Post(GradeSheet& sheet, int column, ScanObserver* observer = nullptr) {
        return posting().PostGrades(sheet, PostedFileOf(state), column, observer);
    }
    UndoOutcome Undo() { return posting().UndoLastPosting(PostedFileOf(state)); }
    // The window's posting of the open file, made at first use.
    GradePosting& posting() {
        if (!m_posting)
            m_posting.emplace(state, state.ImportsDir, ui, kTutoring);
        return *m_posting;
    }

    TempFolder dir;
    AppState state;
    ScriptedUiServices ui;
    std::optional<GradePosting> m_posting;
};

// Stops the scan after a given row, as the Abort button does.
class StopAfter : public ScanObserver {
public:
    explicit StopAfter(int row) : m_row(row) {}
    void RowStarting(int row) override { started.push_back(row); }
    bool RowFinished(int row) override { return row < m_row; }
    std::vector<int> started;

private:
    int m_row;
};

} // namespace

TEST_F(Posting, DecimalSeparatorOfTheRegionalSettingsDecides) {
    for (const bool greek : {true, false}) {
        UseLocale(greek ? GreekLocale() : EnglishLocale());
        GradeSheet sheet = Sheet({"Άλγεβρα", "Φυσική"}, {{"1;1;20", "12,5", "12.5"}});
        const ScanSummary summary = posting().CheckGrades(sheet, 0);
        EXPECT_EQ(summary.errorCells, 1);
        // A row with a good grade ends a check unstamped.
        const QStringList expected =
            greek ? QStringList{"1;1;20", "12,5", "12.5|Err2"} : QStringList{"1;1;20", "12,5|Err2", "12.5"};
        EXPECT_EQ(KeyAndGrades(sheet, 1), expected);
    }
}

TEST_F(Posting, MarkersNeverErrOutOfRangeNumbersAndLettersDo) {
    UseLocale(GreekLocale());
    const QStringList trials = {"",   kAlpha, kAlpha + "Π", "*",  "-", "-x", // markers
                                "-5", "0",    "21",         "20", "1",       // numbers
                                "x",  "A",    "α",          " -"};           // not grades
    const QStringList expected = {"",     "", "", "",     "",     "",     "Err3", "Err3",
                                  "Err3", "", "", "Err2", "Err2", "Err2", "Err2"};
    // Every column of one title is checked against the student's one record of it.
    const QStringList titles(trials.size(), QStringLiteral("Άλγεβρα")),
        wrong(trials.size(), QStringLiteral("x"));
    GradeSheet sheet =
        SheetOf({TitlesLine(titles), StudentLine("1;1;20", "Α", trials), StudentLine("2;1;20", "Β", wrong)});
    const ScanSummary summary = posting().CheckGrades(sheet, 0);
    EXPECT_EQ(summary.errorCells, 7 + int(trials.size()));
    EXPECT_EQ(summary.errorRows, 1);
    for (int i = 0; i < trials.size(); ++i)
        EXPECT_EQ(StateOf(sheet.Cell(1, 8 + i)), expected[i]) << "value " << trials[i].toStdString();
    EXPECT_EQ(StateOf(sheet.Cell(1, 0)), QString()) << "a row with good grades ends a check unstamped";
    EXPECT_EQ(StateOf(sheet.Cell(2, 0)), QStringLiteral("Err1")) << "every cell in error";
}

TEST_F(Posting, RangeComesFromTheRowKeyAndSurvivesTheMarks) {
    // Keys of 0..10; a key that does not convert falls back to 1..20.
    GradeSheet sheet =
        Sheet({"Άλγεβρα", "Έκθεση"},
              {{"1;0;10", "0", ""}, {"2;0;10", "11", ""}, {"5;x;", "0", ""}, {"4;x;", "", "20"}});
    for (int pass = 0; pass < 2; ++pass) {
        posting().CheckGrades(sheet, 0);
        EXPECT_EQ(sheet.Cell(1, 8), QStringLiteral("0"));
        EXPECT_EQ(sheet.Cell(2, 8), QStringLiteral("11|Err3"));
        EXPECT_EQ(sheet.Cell(3, 8), QStringLiteral("0|Err3"));
        EXPECT_EQ(sheet.Cell(4, 9), QStringLiteral("20"));
        // Student 2 has no Έκθεση and the cell asks for nothing: no state, so the row is not Err1.
        EXPECT_EQ(sheet.Cell(2, 0), QStringLiteral("2;0;10")) << "pass " << pass;
    }
}

TEST_F(Posting, SubjectCodesAndSwitchedOffSubjects) {
    // Student 2: Άλγεβρα is now on ("-2" in the file is a number out of range);
    // Φυσική is switched off (left untouched, whatever it holds); no Ιστορία record.
    GradeSheet sheet = Sheet({"Άλγεβρα", "Φυσική", "Χημεία"}, {{"2;1;20", "-2", "x", "-1"}});
    posting().CheckGrades(sheet, 0);
    EXPECT_EQ(KeyAndGrades(sheet, 1), (QStringList{"2;1;20", "-2|Err3", "x", "-1"}));
}

// A cell of no subject of the student's is Err4 unless it asks for nothing; titles match exactly.
TEST_F(Posting, CellsOfSubjectsTheStudentDoesNotHaveAreMarked) {
    GradeSheet sheet = Sheet({"[κλάδος] Θετική", "άλγεβρα", "Άλγεβρα ", "Χημεία", "Έκθεση", "Φυσική"},
                             {{"1;1;20", "x", "12", "13", "-2", "", "14"}});
    const ScanSummary summary = Post(sheet, 4);
    EXPECT_EQ(KeyAndGrades(sheet, 1),
              (QStringList{"1;1;20|Posted", "x|Err2", "12|Err4", "13|Err4", "-2", "", "14"}));
    EXPECT_EQ(summary.unmatchedCells, 2);
    EXPECT_EQ(summary.storedRecords, 1) << "Φυσική";
    EXPECT_TRUE(summary.Incomplete());
    EXPECT_FALSE(PostingStateReason(PostingState::Err4).isEmpty());
}

// What cannot be gone through whole is refused before any store, naming the row.
TEST_F(Posting, SheetsThatCannotBePostedAreRefusedBeforeTheFirstStore) {
    const QByteArray before = ReadBytes(GradeTable());
    const struct {
        QStringList lines;
        const char* message; // a part of it
    } refused[] = {
        {{StudentLine("1;1;20", "Α", {"11"}), StudentLine("2;1;20", "Β", {"12"})}, "γραμμή τίτλων"},
        {{TitlesLine({"Άλγεβρα"}), StudentLine("1;1;20", "Α", {"11"}), StudentLine("abc;1;20", "Β", {"12"})},
         "Γραμμή 2 του φύλλου: ο κωδικός μαθητή \"abc\""},
        {{TitlesLine({"Άλγεβρα"}), StudentLine("1;1;20", "Α", {"11"}),
          StudentLine("1 OR 1;1;20", "Α", {"x"})},
         "Γραμμή 2"},
        {{TitlesLine({"Άλγεβρα"}), StudentLine("1;1;20", "Α", {"11"}), "[Header]", "File=MORVEN Grades Data"},
         "Γραμμή 2 του φύλλου: η ενότητα \"[Header]\""},
    };
    for (const auto& c : refused) {
        for (const bool post : {false, true}) {
            GradeSheet sheet = SheetOf(c.lines);
            const QString refusal =
                ErrorOf<SheetError>([&] { post ? Post(sheet, 4) : posting().CheckGrades(sheet, 0); });
            EXPECT_TRUE(refusal.contains(QString::fromUtf8(c.message))) << refusal.toStdString();
            EXPECT_EQ(sheet.Cell(1, 0), SheetOf(c.lines).Cell(1, 0)) << "nothing marked: " << c.message;
        }
    }
    EXPECT_EQ(ReadBytes(GradeTable()), before);
    EXPECT_TRUE(RunFolders().isEmpty());
    // Blank lines hold no student; a student twice is an error on both rows,
    // neither posted; a student without a grade record is one of its own.
    GradeSheet sheet = SheetOf({TitlesLine({"Άλγεβρα"}), StudentLine("1;1;20", "Α", {"11"}), "",
                                StudentLine("2;1;20", "Β", {"12"}), StudentLine("1;1;20", "Α", {"13"}),
                                StudentLine("99;1;20", "Ω", {"14"})});
    const ScanSummary summary = Post(sheet, 4);
    EXPECT_EQ(summary.rows, 4);
    EXPECT_EQ(summary.duplicateRows, 2);
    EXPECT_EQ(summary.unknownStudents, 1);
    EXPECT_EQ(summary.storedRecords, 1);
    for (const auto& [row, cells] : {std::pair{1, QStringList{"1;1;20|Err6", "11"}},
                                     {3, {"2;1;20|Posted", "12"}},
                                     {4, {"1;1;20|Err6", "13"}},
                                     {5, {"99;1;20|Err5", "14|Err4"}}})
        EXPECT_EQ(KeyAndGrades(sheet, row), cells) << row;
    EXPECT_EQ(Field(1, 1, "GRD4"), FieldValue()) << "neither row of the student named twice";
    EXPECT_EQ(Field(2, 1, "GRD4"), FieldValue::Float(12));
}

TEST_F(Posting, NoSubjectColumnMakesEveryRowErr1) {
    GradeSheet sheet = Sheet({}, {{"1;1;20"}});
    EXPECT_EQ(posting().CheckGrades(sheet, 0).errorRows, 1);
    EXPECT_EQ(sheet.Cell(1, 0), QStringLiteral("1;1;20|Err1"));
}

TEST_F(Posting, CheckWithAPeriodFindsTheCellsThatWouldChangeAndWritesNothing) {
    UseLocale(GreekLocale());
    const QByteArray before = ReadBytes(GradeTable());
    // GRD2: student 5's Άλγεβρα holds 9 already; an empty cell is never written;
    // Ιστορία is locked; student 3's record holds a GRD1 outside its range, so
    // no store of it goes through.
    GradeSheet sheet = Sheet({"Άλγεβρα", "Φυσική", "Ιστορία", "[κλάδος] Θετική", "Χημεία"},
                             {{"1;1;20", "12", "13,5", "14", "", "-2"},
                              {"3;0;10", "-2", "-2", "-2", "-2", "5"},
                              {"5;1;20", "9", "", "-2", "-2", "-2"}});
    const ScanSummary summary = posting().CheckGrades(sheet, 2);
    EXPECT_EQ(summary.changedCells, 2);
    EXPECT_EQ(summary.refusedStores, 2) << "the locked subject and the record out of its range";
    ASSERT_EQ(posting().Changes().size(), 2u);
    const CellChange& c = posting().Changes().back();
    EXPECT_EQ(std::tie(c.row, c.column, c.field, c.before, c.after),
              std::tuple(1, 9, QStringLiteral("GRD2"), FieldValue(), FieldValue::Float(13.5)));
    EXPECT_TRUE(posting().WouldChange(1, 8));
    EXPECT_TRUE(posting().WouldChange(1, 9));
    EXPECT_FALSE(posting().WouldChange(1, 10));
    EXPECT_FALSE(posting().WouldChange(3, 8)) << "the same value changes nothing";
    EXPECT_EQ(ReadBytes(GradeTable()), before);
    EXPECT_TRUE(RunFolders().isEmpty()) << "a check leaves no backup";
    // Without a period only errors are looked for.
    posting().CheckGrades(sheet, 0);
    EXPECT_TRUE(posting().Changes().empty());
    EXPECT_FALSE(posting().WouldChange(1, 9));
}

TEST_F(Posting, PostStoresPassingGradesAndStampsRows) {
    UseLocale(GreekLocale());
    GradeSheet sheet =
        Sheet({"Άλγεβρα", "Φυσική", "[κλάδος] Θετική"},
              {{"1;1;20", "17,5", "x", kAlpha}, {"2;1;20", "x", "15", "-2"}, {"5;1;20", "8", "", ""}});
    const ScanSummary summary = Post(sheet, 3);
    EXPECT_EQ(Field(1, 1, "GRD3"), FieldValue::Float(17.5));
    EXPECT_EQ(Field(1, 6, "GRD3"), FieldValue()) << "a marker stores nothing in a number field";
    EXPECT_EQ(Field(5, 1, "GRD3"), FieldValue::Float(8));
    EXPECT_EQ(Field(2, 2, "GRD3"), FieldValue()) << "a switched-off subject gets nothing";
    EXPECT_EQ(Field(1, 1, "GRD1"), FieldValue::Float(12)) << "other grade columns stay";
    EXPECT_EQ(sheet.Cell(1, 0), QStringLiteral("1;1;20|Posted"));
    EXPECT_EQ(sheet.Cell(1, 9), QStringLiteral("x|Err2"));
    EXPECT_EQ(sheet.Cell(2, 0), QStringLiteral("2;1;20|Posted"))
        << "the switched-off subject's cell carries no state, so the row is not all in error";
    EXPECT_EQ(sheet.Cell(3, 0), QStringLiteral("5;1;20|Posted"));
    EXPECT_EQ(summary.changedCells, 2);
}

TEST_F(Posting, RefusedStoresLeaveRecordsAndOtherStudentsUntouchedByteForByte) {
    const QList<QByteArray> before = RecordBytes(GradeTable());
    // Ιστορία is locked; student 3's GRD1 of 12 lies outside 0..10, so any store of it is refused.
    GradeSheet sheet = Sheet({"Ιστορία", "Χημεία", "Άλγεβρα"},
                             {{"1;1;20", "15", "-2", "-2|Err3"}, {"3;0;10", "-2", "7", "-2"}});
    const ScanSummary summary = Post(sheet, 4);
    EXPECT_EQ(summary.refusedStores, 2);
    EXPECT_EQ(summary.journalEntries, 0);
    // Student 1's Άλγεβρα held GRD1 12 and the file's "-2" is out of range: never stored.
    EXPECT_EQ(sheet.Cell(1, 10), QStringLiteral("-2|Err3"));
    // A refused store is marked, not an error.
    EXPECT_EQ(KeyAndGrades(sheet, 2), (QStringList{"3;0;10|Posted", "-2", "7|Refused", "-2"}));
    EXPECT_EQ(RecordBytes(GradeTable()), before);
}

TEST_F(Posting, OnlyTheStudentsOfTheSheetChange) {
    const QList<QByteArray> before = RecordBytes(GradeTable());
    GradeSheet sheet = Sheet({"Άλγεβρα", "Φυσική"}, {{"1;1;20", "11", "19"}});
    Post(sheet, 2);
    const QList<QByteArray> after = RecordBytes(GradeTable());
    ASSERT_EQ(after.size(), before.size());
    int changed = 0;
    for (int i = 0; i < before.size(); ++i)
        changed += before[i] != after[i];
    EXPECT_EQ(changed, 2) << "student 1's Άλγεβρα and Φυσική, nothing else";
    EXPECT_EQ(Field(5, 1, "GRD2"), FieldValue::Float(9));
}

TEST_F(Posting, AbortStopsAfterTheCurrentRow) {
    GradeSheet sheet = Sheet({"Άλγεβρα"}, {{"1;1;20", "11"}, {"2;1;20", "12"}, {"5;1;20", "13"}});
    StopAfter stop(2);
    const ScanSummary summary = Post(sheet, 5, &stop);
    EXPECT_TRUE(summary.aborted);
    EXPECT_EQ(stop.started, (std::vector<int>{1, 2}));
    EXPECT_EQ(Field(1, 1, "GRD5"), FieldValue::Float(11));
    EXPECT_EQ(Field(2, 1, "GRD5"), FieldValue::Float(12));
    EXPECT_EQ(Field(5, 1, "GRD5"), FieldValue()) << "rows after the abort are not posted";
    EXPECT_EQ(sheet.Cell(2, 0), QStringLiteral("2;1;20|Posted"));
    EXPECT_EQ(sheet.Cell(3, 0), QStringLiteral("5;1;20")) << "keeps its previous state";
}

TEST_F(Posting, PublicSchoolHundredScaleAndNormalisedOralGrades) {
    // Student 4's Έκθεση is of the numeric-written method: grade column 5 is R100Writen,
    // and RWriten follows it; its Oral2 "7" goes back as "07" with any store.
    GradeSheet sheet = Sheet({"Έκθεση"}, {{"4;0;100", "85"}});
    GradePosting posting(state, state.ImportsDir, ui, kPublic);
    const ScanSummary summary = posting.PostGrades(sheet, PostedFileOf(state), 5);
    EXPECT_EQ(Field(4, 5, "R100Writen"), FieldValue::Float(85));
    EXPECT_EQ(Field(4, 5, "RWriten"), FieldValue::Float(17));
    EXPECT_EQ(Field(4, 5, "Oral2"), FieldValue::Text("07"));
    EXPECT_EQ(summary.journalEntries, 3) << "R100Writen, RWriten and the widened Oral2";
    // A method other than 7 keeps no grade in column 5, yet the record is stored and normalised.
    GradeSheet other = Sheet({"Άλγεβρα", "Φυσική"}, {{"1;1;20", "15", kAlpha}});
    posting.PostGrades(other, PostedFileOf(state), 5);
    EXPECT_EQ(Field(1, 1, "Oral1"), FieldValue::Text("07"));
    // A single "Α" typed for an oral grade is kept as "ΑΑ".
    posting.PostGrades(other, PostedFileOf(state), 2);
    EXPECT_EQ(Field(1, 2, "Oral2"), FieldValue::Text(kAlpha + kAlpha));
    EXPECT_EQ(Field(1, 1, "Oral2"), FieldValue::Text("15"));
}

TEST_F(Posting, PostCopiesTheTableAndJournalsEveryChangedField) {
    const QByteArray before = ReadBytes(GradeTable());
    GradeSheet sheet = Sheet({"Άλγεβρα", "Φυσική"}, {{"1;1;20", "12", "19"}, {"2;1;20", "7", "3"}});
    const ScanSummary summary = Post(sheet, 1);
    ASSERT_EQ(RunFolders(), QStringList{QStringLiteral("2026-06-20 10.30.00")});
    EXPECT_EQ(ReadBytes(QDir(summary.backupFolder).filePath(QStringLiteral("GRADE.DB"))), before);

    const auto run = PostingJournal::Read(QDir(summary.backupFolder).filePath(PostingJournal::kJournalName));
    ASSERT_TRUE(run);
    const auto& h = run->header;
    EXPECT_EQ(std::tie(h.fileName, h.fileId, h.gradeColumn, h.caption, run->outcome),
              std::tuple(state.CurrentFileName, "46000.5", 1, "1ος Βαθμός", "completed"));
    // Student 1's Άλγεβρα already held 12: no change; Φυσική of student 2 is switched off.
    const std::vector<JournalEntry> expected = {{1, 2, "GRD1", FieldValue(), FieldValue::Float(19)},
                                                {2, 1, "GRD1", FieldValue(), FieldValue::Float(7)}};
    EXPECT_EQ(run->entries, expected);
    // A second run of the same second gets a folder of its own.
    Post(sheet, 2);
    EXPECT_EQ(RunFolders().size(), 2);
}

TEST_F(Posting, JournalValuesReadBackExactly) {
    for (const FieldValue& v :
         {FieldValue(), FieldValue::Text("a\tb\\c\nd"), FieldValue::Text(""), FieldValue::Integer(-42),
          FieldValue::Float(0.1 + 0.2), FieldValue::Float(-1e300), FieldValue::Logical(true),
          FieldValue::Logical(false)}) {
        const auto back = PostingJournal::DecodeValue(PostingJournal::EncodeValue(v));
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, v);
    }
    for (const char* bad : {"", "X1", "Iabc", "L2", "Nx", "Ta\\q"})
        EXPECT_FALSE(PostingJournal::DecodeValue(QString::fromLatin1(bad))) << bad;
}

TEST_F(Posting, UndoRestoresTheTableExactly) {
    for (const GradingScheme scheme : {kTutoring, kPublic}) {
        WritePostingSchool(SchoolFolder(dir.Path()));
        const QByteArray before = ReadBytes(GradeTable());
        GradeSheet sheet = Sheet({"Άλγεβρα", "Φυσική", "Έκθεση"},
                                 {{"1;1;20", "14", "19", "-2"}, {"4;0;100", "-2", "-2", "85"}});
        GradePosting posting(state, state.ImportsDir, ui, scheme);
        posting.PostGrades(sheet, PostedFileOf(state), scheme == kPublic ? 5 : 2);
        ASSERT_NE(ReadBytes(GradeTable()), before);
        EXPECT_TRUE(posting.UndoLastPosting(PostedFileOf(state)).Complete());
        EXPECT_EQ(ReadBytes(GradeTable()), before) << "scheme " << int(scheme);
        // Undone runs are not undone twice.
        EXPECT_FALSE(posting.LastPosting(PostedFileOf(state)));
        EXPECT_FALSE(posting.UndoLastPosting(PostedFileOf(state)).found);
        posting.CloseTables();
    }
}

TEST_F(Posting, UndoLeavesFieldsChangedSinceAndReportsThem) {
    GradeSheet sheet = Sheet({"Άλγεβρα", "Φυσική"}, {{"1;1;20", "14", "19"}});
    Post(sheet, 2);
    Store(1, 2, "GRD2", FieldValue::Float(16)); // someone changes the grade after the posting
    posting().CloseTables();                    // re-read what the other table stored
    const UndoOutcome outcome = Undo();
    EXPECT_FALSE(outcome.Complete());
    EXPECT_EQ(outcome.restored, 1);
    ASSERT_EQ(outcome.leftAlone.size(), 1);
    EXPECT_TRUE(outcome.leftAlone.front().contains("GRD2")) << outcome.leftAlone.front().toStdString();
    EXPECT_EQ(Field(1, 1, "GRD2"), FieldValue());
    EXPECT_EQ(Field(1, 2, "GRD2"), FieldValue::Float(16)) << "left as the later change made it";
    EXPECT_EQ(RunFolders().size(), 2) << "the undo keeps a copy of what it found";
}

// The undo takes the last run of this file only, by the runs' sequence: the
// clock stepped back before the second run, and another file's run came last.
TEST_F(Posting, UndoTakesTheLastRunOfThisFileOnlyInTheOrderOfTheRuns) {
    GradeSheet sheet = Sheet({"Άλγεβρα"}, {{"1;1;20", "14"}});
    Post(sheet, 2);
    ui.SetNow(QDateTime(QDate(2026, 6, 20), QTime(9, 0, 0)));
    sheet = Sheet({"Άλγεβρα"}, {{"1;1;20", "15"}});
    Post(sheet, 2);
    state.CurrentFileName = QStringLiteral("Άλλο.agd");
    ui.SetNow(QDateTime(QDate(2026, 6, 22), QTime(9, 0, 0)));
    sheet = Sheet({"Φυσική"}, {{"1;1;20", "3"}});
    Post(sheet, 2);
    state.CurrentFileName = QStringLiteral("Τμήμα Α.agd");

    const auto last = posting().LastPosting(PostedFileOf(state));
    ASSERT_TRUE(last);
    EXPECT_EQ(last->header.sequence, 2);
    const UndoOutcome second = Undo();
    EXPECT_TRUE(second.Complete());
    EXPECT_EQ(second.restored, 1);
    EXPECT_EQ(Field(1, 1, "GRD2"), FieldValue::Float(14));
    EXPECT_EQ(Field(1, 2, "GRD2"), FieldValue::Float(3));
    const UndoOutcome first = Undo();
    EXPECT_TRUE(first.Complete());
    EXPECT_EQ(first.run.header.sequence, 1);
    EXPECT_EQ(Field(1, 1, "GRD2"), FieldValue());
}

// A run that ends well removes the backups past the setting (20), oldest first, with their undos'.
TEST_F(Posting, OnlyTheLastRunsKeepTheirBackupsAndUndoHoldsForThem) {
    struct FailAfterTheRow : ScanObserver {
        bool RowFinished(int) override { throw EkaldoError(QStringLiteral("Ο δίσκος γέμισε.")); }
    };
    ui.SetClockStep(1000);
    const auto post = [&](int run, ScanObserver* observer = nullptr) {
        GradeSheet sheet = Sheet({"Άλγεβρα"}, {{"1;1;20", QString::number(2 + run % 19)}});
        Post(sheet, 2, observer);
    };
    const auto runs = [&] {
        std::vector<qint64> sequences;
        QStringList undo;
        const QDir year(QDir(dir.Path()).filePath(QStringLiteral("Backups/2025-2026")));
        for (const QString& name : RunFolders()) {
            if (const auto header = PostingJournal::ReadHeader(year.filePath(name + "/Journal.txt")))
                sequences.push_back(header->sequence);
            else
                undo << name;
        }
        std::sort(sequences.begin(), sequences.end());
        return std::pair(sequences, undo);
    };
    const auto from = [](qint64 first, qint64 last) {
        std::vector<qint64> v(last - first + 1);
        std::iota(v.begin(), v.end(), first);
        return v;
    };
    post(1);
    ASSERT_TRUE(Undo().Complete());
    for (int run = 2; run <= 21; ++run)
        post(run);
    EXPECT_EQ(runs(), std::pair(from(2, 21), QStringList())) << "run 1 went with its undo's backup";
    const QByteArray before = ReadBytes(GradeTable());
    post(22);
    EXPECT_EQ(runs().first, from(3, 22));
    ASSERT_TRUE(Undo().Complete());
    EXPECT_EQ(ReadBytes(GradeTable()), before);
    EXPECT_EQ(runs().second.size(), 1);

    FailAfterTheRow fail;
    EXPECT_THROW(post(23, &fail), EkaldoError);
    EXPECT_EQ(runs().first, from(3, 23)) << "a failed run removes nothing";

    posting().SetBackupRunsKept(2);
    const QByteArray beforeLast = ReadBytes(GradeTable());
    post(24);
    EXPECT_EQ(runs(), std::pair(from(23, 24), QStringList()));
    ASSERT_TRUE(Undo().Complete());
    EXPECT_EQ(ReadBytes(GradeTable()), beforeLast);
}

// A store by another program before the run's lock is kept; a store that fails
// under the lock is a failure of the run: listed, journalled, not silent.
TEST_F(Posting, WritersBeforeTheLockAreSeenAndAFailedStoreIsAFailureOfTheRun) {
    posting().OpenTables(); // the window reads the tables when it opens
    GradeSheet sheet = Sheet({"Άλγεβρα", "Φυσική"}, {{"1;1;20", "11", "19"}});
    WriteStage at = WriteStage::BeforeLock;
    double grade = 4;
    posting().SetWriteStageHook([&](WriteStage stage) {
        if (stage == at)
            Store(1, 2, "GRD5", FieldValue::Float(grade));
    });
    ScanSummary summary = Post(sheet, 6);
    EXPECT_EQ(summary.storedRecords, 2);
    EXPECT_TRUE(summary.failures.empty());
    EXPECT_FALSE(summary.Incomplete());
    EXPECT_EQ(Field(1, 2, "GRD6"), FieldValue::Float(19));
    EXPECT_EQ(Field(1, 2, "GRD5"), FieldValue::Float(4)) << "the other program's grade stays";

    at = WriteStage::Locked;
    grade = 5;
    sheet = Sheet({"Άλγεβρα", "Φυσική"}, {{"1;1;20", "12", "18"}});
    summary = Post(sheet, 7);
    EXPECT_EQ(summary.storedRecords, 1);
    ASSERT_EQ(summary.failures.size(), 1u);
    EXPECT_EQ(summary.failures[0].row, 1);
    EXPECT_EQ(summary.failures[0].column, 9);
    EXPECT_TRUE(summary.failures[0].reason.contains(QStringLiteral("άλλαξε")))
        << summary.failures[0].reason.toStdString();
    EXPECT_TRUE(summary.Incomplete());
    EXPECT_TRUE(StoreFailureList(sheet, summary.failures, 5)
                    .contains(QStringLiteral("Γραμμή 1, μαθητής 1, μάθημα \"Φυσική\"")));
    EXPECT_EQ(Field(1, 2, "GRD7"), FieldValue());
    EXPECT_EQ(Field(1, 2, "GRD5"), FieldValue::Float(5));
    const auto run = PostingJournal::Read(QDir(summary.backupFolder).filePath(PostingJournal::kJournalName));
    ASSERT_TRUE(run);
    ASSERT_EQ(run->entries.size(), 1u) << "the line of the store that failed is taken back";
    EXPECT_EQ(run->entries.front().subjectId, 1);
    EXPECT_EQ(run->outcome, QStringLiteral("completed, 1 stores failed"));
    // So the undo touches only what the run stored.
    EXPECT_TRUE(Undo().Complete());
    EXPECT_EQ(Field(1, 2, "GRD5"), FieldValue::Float(5));
    EXPECT_EQ(Field(1, 1, "GRD7"), FieldValue());
}

// Two databases of one year share the backups: each undo takes only its own
// database's runs and refuses a run whose GRADE.DB has been replaced.
TEST_F(Posting, UndoTakesOnlyRunsOfTheOpenDatabase) {
    const QString a = SchoolFolder(dir.Path());
    const QString b = QDir(dir.Path()).filePath(QStringLiteral("data/MV202526B.SYR"));
    WritePostingSchool(b);
    UseDatabase(b);
    Store(1, 1, "GRD2", FieldValue::Float(7)); // B held another grade before the sheet came
    GradeSheet sheet = Sheet({"Άλγεβρα"}, {{"1;1;20", "14"}});
    for (const QString& folder : {a, b}) {
        UseDatabase(folder);
        GradePosting posting(state, state.ImportsDir, ui, kTutoring);
        posting.PostGrades(sheet, PostedFileOf(state), 2);
    }
    UseDatabase(a);
    {
        GradePosting posting(state, state.ImportsDir, ui, kTutoring);
        const UndoOutcome outcome = posting.UndoLastPosting(PostedFileOf(state));
        EXPECT_TRUE(outcome.Complete());
        EXPECT_EQ(Field(1, 1, "GRD2"), FieldValue()) << "A's own old grade, not B's";
        EXPECT_FALSE(posting.LastPosting(PostedFileOf(state)));
    }
    UseDatabase(b);
    {
        GradePosting posting(state, state.ImportsDir, ui, kTutoring);
        EXPECT_EQ(Field(1, 1, "GRD2"), FieldValue::Float(14)) << "B untouched";
        ASSERT_TRUE(posting.LastPosting(PostedFileOf(state))) << "B's run still in force";
        // B's GRADE.DB replaced by another file since the run: the backup is not its own.
        const QString table = QDir(b).filePath(QStringLiteral("GRADE.DB"));
        const QByteArray bytes = ReadBytes(table);
        // Moved aside, not removed: the old file keeps its inode, so the new one cannot reuse it.
        ASSERT_TRUE(QFile::rename(table, QDir(dir.Path()).filePath(QStringLiteral("GRADE.DB.old"))));
        WriteBytes(table, bytes);
        const QString refusal = ErrorOf<EkaldoError>([&] { posting.UndoLastPosting(PostedFileOf(state)); });
        EXPECT_EQ(refusal.count(QFileInfo(b).canonicalFilePath()), 2) << refusal.toStdString();
        EXPECT_EQ(ReadBytes(table), bytes);
    }
}

// A second run that changed nothing keeps the file posted when it is undone;
// an undo cut short and run again finishes quietly.
TEST_F(Posting, UndoAgainFinishesQuietlyAndPostedFollowsTheRunsInForce) {
    GradeSheet sheet = Sheet({"Άλγεβρα", "Φυσική"}, {{"1;1;20", "14", "19"}});
    Post(sheet, 2);
    const QDateTime first = ui.Now();
    ui.SetNow(first.addSecs(3600));
    Post(sheet, 2);
    UndoOutcome outcome = Undo();
    EXPECT_TRUE(outcome.Complete());
    EXPECT_EQ(outcome.restored, 0);
    EXPECT_EQ(outcome.posted, RegionalFormats::DateTimeText(first)) << "the first run is still in force";
    EXPECT_EQ(Field(1, 1, "GRD2"), FieldValue::Float(14));
    // An undo of the first run killed after it gave Άλγεβρα back.
    Store(1, 1, "GRD2", FieldValue());
    outcome = Undo();
    EXPECT_TRUE(outcome.Complete()) << outcome.leftAlone.join('\n').toStdString();
    EXPECT_EQ(outcome.restored, 2);
    EXPECT_EQ(outcome.posted, QString());
    EXPECT_EQ(Field(1, 2, "GRD2"), FieldValue());
}

// The disk fills while the journal is written: whole lines only, and the undo holds.
TEST_F(Posting, AFullDiskLeavesAWholeJournalAndAnUndoThatHolds) {
    // A journal longer than GRADE.DB, so that the limit can stop it and not the stores.
    state.CurrentFilePath = QString(int(QFileInfo(GradeTable()).size()), QLatin1Char('p'));
    class FillDisk : public ScanObserver {
    public:
        explicit FillDisk(const QString& year) : m_year(year) {}
        void RowStarting(int row) override {
            if (row != 1)
                return;
            const QString folder = QDir(m_year).entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0);
            journal = QDir(QDir(m_year).filePath(folder)).filePath(PostingJournal::kJournalName);
            full.emplace(QFileInfo(journal).size() + 30); // one change line
        }
        std::optional<DiskFullAfter> full;
        QString journal;

    private:
        QString m_year;
    } fill(QDir(dir.Path()).filePath(QStringLiteral("Backups/2025-2026")));
    GradeSheet sheet = Sheet({"Άλγεβρα", "Φυσική"}, {{"1;1;20", "14", "19"}, {"5;1;20", "3", "4"}});
    const QString failure = ErrorOf<EkaldoError>([&] { Post(sheet, 2, &fill); });
    EXPECT_TRUE(failure.contains(QStringLiteral("αφού αποθήκευσε 1 εγγραφές"))) << failure.toStdString();
    fill.full.reset();
    EXPECT_TRUE(ReadBytes(fill.journal).endsWith('\n')) << "no line cut short";
    EXPECT_EQ(Field(1, 1, "GRD2"), FieldValue::Float(14));
    EXPECT_EQ(Field(1, 2, "GRD2"), FieldValue()) << "no store without its journal line";

    EXPECT_TRUE(Undo().Complete());
    EXPECT_EQ(Field(1, 1, "GRD2"), FieldValue());
    EXPECT_FALSE(posting().LastPosting(PostedFileOf(state))) << "the undone run is not offered again";
    // A journal cut in the middle of a line, by a kill, still takes its undo mark.
    const QString cut = dir.Path(QStringLiteral("Journal.txt"));
    WriteBytes(cut, ReadBytes(fill.journal) + "C\t5\t1\tGR");
    EXPECT_EQ(PostingJournal::Read(cut)->entries.size(), 1u);
    PostingJournal::MarkUndone(cut, ui.Now(), 1, 0);
    EXPECT_TRUE(PostingJournal::Read(cut)->undone);
}

TEST_F(Posting, ARunFindsAnotherProgramHoldingTheTableBeforeItCopiesOrStoresAnything) {
    const QByteArray before = ReadBytes(GradeTable());
    GradeSheet sheet = Sheet({"Άλγεβρα", "Φυσική"}, {{"1;1;20", "11", "19"}});
    {
        OtherProgramsLock other(GradeTable(), F_RDLCK);
        ASSERT_TRUE(other.Taken());
        const QString refusal = ErrorOf<schooldb::TableLockedError>([&] { Post(sheet, 6); });
        EXPECT_TRUE(refusal.contains(QStringLiteral("GRADE.DB"))) << refusal.toStdString();
        EXPECT_TRUE(RunFolders().isEmpty()) << "no copy and no journal of a run that did not start";
        EXPECT_EQ(ReadBytes(GradeTable()), before);
    }
    // Once the other program has let go, the same window posts, and lets go in turn.
    const ScanSummary summary = Post(sheet, 6);
    EXPECT_EQ(summary.storedRecords, 2);
    EXPECT_EQ(Field(1, 2, "GRD6"), FieldValue::Float(19));
    OtherProgramsLock after(GradeTable(), F_WRLCK);
    EXPECT_TRUE(after.Taken()) << "the run's write lock ends with the run";
}

// The undo stamps the sheet before the journal notes it, so one cut short in
// between (a sheet it cannot write) stays in force and finishes when run again.
TEST_F(Posting, AnUndoStampsTheSheetBeforeItsNoteSoThatOneCutShortRunsAgain) {
    const QStringList lines{TitlesLine({"Άλγεβρα"}), StudentLine("1;1;20", "Α", {"14"})};
    const QString path = state.CurrentFilePath;
    WriteSheetFile(path, lines);
    GradeSheet sheet = SheetOf(lines);
    GradePosting posting(state, state.ImportsDir, ui, kTutoring);
    const QByteArray before = ReadBytes(GradeTable());
    posting.PostGrades(sheet, PostedFileOf(state), 2);
    WriteGradeFileHeaderKey(path, QStringLiteral("Posted"), QStringLiteral("20/06/2026"));
    ASSERT_TRUE(QFile::rename(path, path + QStringLiteral(".away")) && QDir().mkpath(path));
    EXPECT_ANY_THROW(posting.UndoLastPosting(PostedFileOf(state)));
    EXPECT_EQ(ReadBytes(GradeTable()), before);
    ASSERT_TRUE(posting.LastPosting(PostedFileOf(state))) << "the run is still there to undo";

    ASSERT_TRUE(QDir(path).removeRecursively() && QFile::rename(path + QStringLiteral(".away"), path));
    const UndoOutcome outcome = posting.UndoLastPosting(PostedFileOf(state));
    EXPECT_TRUE(outcome.Complete());
    EXPECT_GT(outcome.restored, 0);
    EXPECT_EQ(ReadGradeHeader(path).Posted, QString());
    EXPECT_FALSE(posting.LastPosting(PostedFileOf(state)));
}
