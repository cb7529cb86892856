// Composing sheets from a school database written by the builder.
#include "core/compose/SheetComposition.h"
#include "core/compose/ColumnSettings.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeTemplateFile.h"
#include "core/shell/AppState.h"
#include "schooldb/SchoolDatabase.h"
#include "schooldb/TablePasswords.h"
#include "schooldb/builder/SchoolTables.h"
#include "schooldb/builder/TableBuilder.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QDir>

using namespace ekaldo;
using namespace ekaldo::schooldb;
using namespace ekaldo::testing;

namespace {

// Two levels, three classes (two named "Α"), courses, subjects with a branch
// subject, two methods (1-20 and 0-10); students with and without guardians,
// grades and switched-off subjects; student 6's only grade record is of a
// subject whose class is gone.
void WriteSchool(const QString& folder) {
    QDir().mkpath(folder);
    SchoolTables::Level().Rows({{"ΓΥ", "Γυμνάσιο"}, {"ΛΥ", "Λύκειο"}}).Write(folder);
    SchoolTables::Method().Rows({{1, 1.0, 20.0}, {2, 0.0, 10.0}}).Write(folder);
    SchoolTables::Class()
        .Rows({{1, "ΓΥ", QVariant(), 1, "Α"},
               {2, "ΛΥ", QVariant(), 2, "Α"},
               {3, "ΛΥ", QVariant(), 2, "Β \"Θετική\""}})
        .Write(folder);
    SchoolTables::Course().Rows({{10, 1, "Α1"}, {20, 2, "ΑΛ1"}, {30, 3, "ΒΛ1"}}).Write(folder);
    SchoolTables::Subject()
        .Rows({{1, "Άλγεβρα", QVariant(), 1, true},
               {2, QVariant(), "Θετική", 2, true},
               {3, "Φυσική", QVariant(), 2, true},
               {4, "Άλγεβρα", QVariant(), 3, true},
               {5, "Φυσική", QVariant(), 9, true}})
        .Write(folder);
    SchoolTables::Student()
        .Rows({{1, "Ωραίος", "Νίκος", "Μ1", 10},
               {2, "Άγγελος", "Ελένη", "Μ2", 10},
               {3, "αβραμίδης", "Γιώργος", "Μ3", 20},
               {4, "Βλάχος", "Άννα", "Μ4", 20},
               {5, "Γεωργίου", "Ζωή", "Μ5", 30},
               {6, "Δήμου", "Ίων", "Μ6", 20}})
        .Write(folder);
    SchoolTables::Guardian()
        .Rows({{1, "Πέτρος"}, {2, "Σπύρος"}, {3, "Ιωάννης"}, {5, "Κώστας"}, {6, "Λάμπρος"}})
        .Write(folder);
    TableBuilder grade = SchoolTables::Grade();
    grade.Key(0);
    grade
        .Rows({SchoolTables::GradeRow(3, 3, true, {{"GRD1", 7.5}, {"GRD2", 9.0}, {"Oral1", "17"}}),
               SchoolTables::GradeRow(1, 1, true, {{"GRD1", 12.0}, {"GRD2", 13.5}, {"Oral1", "19"}}),
               SchoolTables::GradeRow(3, 2, false, {{"GRD1", 4.0}}),
               SchoolTables::GradeRow(5, 4, true, {{"GRD1", 8.0}}),
               // The second record of the same subject is never reached.
               SchoolTables::GradeRow(5, 4, false, {{"GRD1", 1.0}}),
               // A subject whose class is gone: the chain is broken.
               SchoolTables::GradeRow(6, 5, false)})
        .Write(folder);
}

struct ComposeFixture : ::testing::Test {
    TempFolder dir;
    AppState state;
    SheetOrder order;
    SheetComposition c;
    void SetUp() override {
        const QString folder = dir.Path(QStringLiteral("MV202526.SYR"));
        WriteSchool(folder);
        state.DatabaseSession().AddPassword(DataTablePassword());
        state.MorvenDataBase().SetParams({QStringLiteral("PATH=") + folder});
        state.MorvenDataBase().Open();
        state.SchoolYearLabel = QStringLiteral("Σχ.Έτος 2025-2026");
        order.ColumnOrder = DefaultColumnOrder();
        order.SortOrder = DefaultSortOrder();
        FillSelectionGrids(c, state.MorvenDataBase());
    }
    int RowOf(const SelectionGrid& grid, const QString& caption) {
        for (int r = 1; r < grid.RowCount(); ++r)
            if (grid.Caption(r) == caption)
                return r;
        ADD_FAILURE() << "no row " << caption.toStdString();
        return -1;
    }
    void Compose(GradingScheme scheme = GradingScheme::Tutoring) { ComposeSheet(c, state, order, scheme); }
    QStringList Column(int col) {
        QStringList cells;
        for (int r = 1; r < c.Sheet.RowCount(); ++r)
            cells << c.Sheet.Cell(r, col);
        return cells;
    }
};

const QStringList kBaseQuery = {
    "SELECT STUDENT.\"STUDENTID\" ,STUDENT.\"LASTNAME\" ,",
    " STUDENT.\"FIRSTNAME\" , STUDENT.\"RGSNO\" ,",
    " GUARDIAN.\"FATHFNAME\" ,",
    " COURSES.\"COURSENAME\" ,",
    " CLASSES.\"CLASSNAME\",",
    " LEVELS.\"LEVELNAME\"",
    "FROM \"STUDENT.DB\" STUDENT ,",
    "     \"GUARDIAN.DB\" GUARDIAN ,",
    "     \"COURSE.DB\" COURSES,",
    "     \"CLASS.DB\" CLASSES,",
    "     \"LEVEL.DB\" LEVELS",
    "WHERE ( STUDENT.STUDENTID = GUARDIAN.STUDENTID )",
    "  AND ( STUDENT.COURSEID = COURSES.COURSEID )",
    "  AND ( CLASSES.CLASSID = COURSES.CLASSID )",
    "  AND ( LEVELS.LEVELID = CLASSES.LEVELID )",
};
const QStringList kDefaultOrder = {"LEVELNAME", "CLASSNAME", "COURSENAME", "LASTNAME",
                                   "FIRSTNAME", "FATHFNAME", "RGSNO"};

} // namespace

TEST_F(ComposeFixture, QueryTextForTheExamples) {
    // Every all row and "<Κανένα>" ticked: the base lines, sorted by the result's columns.
    EXPECT_EQ(BuildStudentQuery(c, order.SortOrder).lines, kBaseQuery);
    EXPECT_EQ(BuildStudentQuery(c, order.SortOrder).orderFields, kDefaultOrder);
    // Two classes ticked: four lines.
    c.Classes.Toggle(RowOf(c.Classes, "Α"));
    c.Classes.Toggle(RowOf(c.Classes, "Β \"Θετική\""));
    const StudentQueryText q = BuildStudentQuery(c, order.SortOrder);
    const QStringList classLines = {"  AND ( ", "          ( CLASSES.CLASSNAME = :class1 )",
                                    "       OR ( CLASSES.CLASSNAME = :class2 )", "      )"};
    EXPECT_EQ(q.lines, kBaseQuery + classLines);
    EXPECT_EQ(q.bindings.value(QStringLiteral(":class2")).toString(), QStringLiteral("Β \"Θετική\""));
    // Ticks under a ticked all row add nothing.
    c.Levels.SetTicked(2, true);
    EXPECT_EQ(BuildStudentQuery(c, order.SortOrder).lines.size(), q.lines.size());
}

// Student 4 has no guardian record: the inner join leaves that student out.
// Row keys: the method of the first grade record's class, none at all gives
// 0;0, or 1;20 in a public school.
TEST_F(ComposeFixture, AllStudentsNoSubjectsInSortOrder) {
    UseLocale(GreekLocale());
    Compose();
    EXPECT_EQ(c.Sheet.ColCount(), 8);
    EXPECT_EQ(c.GridFixedColumns, 1);
    EXPECT_EQ(c.StudentCount, 5);
    EXPECT_EQ(Column(1), (QStringList{"Άγγελος", "Ωραίος", "αβραμίδης", "Δήμου", "Γεωργίου"}))
        << "level, class, course, then surname in Greek order";
    EXPECT_EQ(c.CountLine, QStringLiteral("Σχ.Έτος: 2025-2026 - Μαθητές: 5"));
    EXPECT_EQ(Column(0), (QStringList{"2;0;0", "1;1;20", "3;0;10", "6;0;0", "5;0;10"}));
    Compose(GradingScheme::PublicSchool);
    EXPECT_EQ(Column(0), (QStringList{"2;1;20", "1;1;20", "3;1;20", "6;1;20", "5;1;20"}));
    // A column order without the register number shows it nowhere, least of all over the row key.
    order.ColumnOrder.removeAll(QStringLiteral("ΜΗΤΡΩΟ"));
    Compose();
    EXPECT_EQ(Column(0), (QStringList{"2;0;0", "1;1;20", "3;0;10", "6;0;0", "5;0;10"}));
    for (int col = 1; col < c.Sheet.ColCount(); ++col)
        EXPECT_FALSE(Column(col).contains(QStringLiteral("Μ2"))) << col;
}

// Rows: Άγγελος(2), Ωραίος(1), αβραμίδης(3), Δήμου(6), Γεωργίου(5); Δήμου's Φυσική record,
// of a class that is gone, is switched off.
TEST_F(ComposeFixture, SubjectCellsGradesMarkersAndBranchTitles) {
    UseLocale(GreekLocale());
    c.Subjects.Toggle(2); // "<Όλα>"
    c.PeriodIndex = 1;
    Compose();
    ASSERT_EQ(c.Sheet.ColCount(), 11);
    EXPECT_EQ(c.GridFixedColumns, 8);
    EXPECT_EQ(Column(0), (QStringList{"2;0;0", "1;1;20", "3;0;10", "6;0;0", "5;0;10"}))
        << "the same keys as a sheet without subjects";
    EXPECT_EQ(c.Sheet.Cell(0, 8), QStringLiteral("[κλάδος] Θετική"));
    EXPECT_EQ(c.Sheet.Cell(0, 9), QStringLiteral("Άλγεβρα"));
    EXPECT_EQ(Column(8), (QStringList{"-2", "-2", "-1", "-2", "-2"}));
    EXPECT_EQ(Column(9), (QStringList{"-2", "12", "-2", "-2", "8"}));
    EXPECT_EQ(Column(10), (QStringList{"-2", "-2", "7,5", "-1", "-2"}));
    c.PeriodIndex = 2;
    Compose();
    EXPECT_EQ(c.Sheet.Cell(2, 9), QStringLiteral("13,5"));
    EXPECT_EQ(c.Sheet.Cell(3, 10), QStringLiteral("9"));
    c.PeriodIndex = 0;
    Compose();
    EXPECT_EQ(c.Sheet.Cell(2, 9), QString()) << "no grade column: no values";
    EXPECT_EQ(c.Sheet.Cell(3, 8), QStringLiteral("-1")) << "markers stay";
    EXPECT_EQ(c.Sheet.StoredCells(3), 10) << "an empty last cell is not stored: no tab ends the line";
    c.PeriodIndex = 1;
    Compose(GradingScheme::PublicSchool);
    EXPECT_EQ(c.Sheet.Cell(2, 9), QStringLiteral("19")) << "a text grade as the table holds it";
    EXPECT_EQ(c.Sheet.Cell(3, 10), QStringLiteral("17"));
    EXPECT_EQ(c.Sheet.Cell(5, 9), QString()) << "no text: an empty cell";
}

// Another program's GRADE.DB may hold the subject as a number or the
// switch as text: the sheet is the same as from the usual types.
TEST_F(ComposeFixture, GradeRecordsOfOtherFieldTypesComposeTheSameSheet) {
    UseLocale(GreekLocale());
    c.Subjects.Toggle(2); // "<Όλα>"
    c.PeriodIndex = 1;
    Compose();
    const GradeSheet usual = c.Sheet;

    for (const bool subjectAsNumber : {true, false}) {
        SCOPED_TRACE(subjectAsNumber ? "SUBJECTID a number" : "SUBJECTON text");
        TableBuilder grade(QStringLiteral("GRADE.DB"));
        grade.Long("STUDENTID");
        if (subjectAsNumber)
            grade.Number("SUBJECTID").Logical("SUBJECTON");
        else
            grade.Long("SUBJECTID").Alpha("SUBJECTON", 5);
        for (const QString& name : SchoolTables::GradeFieldNames())
            grade.Number(name);
        const auto row = [&](int student, int subject, bool on, const char* onText, QVariant grd1,
                             QVariant grd2 = {}) {
            QVariantList values{student, subject, subjectAsNumber ? QVariant(on) : QVariant(onText)};
            for (const QString& name : SchoolTables::GradeFieldNames())
                values.append(name == QLatin1String("GRD1")   ? grd1
                              : name == QLatin1String("GRD2") ? grd2
                                                              : QVariant());
            return values;
        };
        grade
            .Rows({row(3, 3, true, "True", 7.5, 9.0), row(1, 1, true, "T", 12.0, 13.5),
                   row(3, 2, false, "False", 4.0), row(5, 4, true, "yes", 8.0), row(5, 4, false, "F", 1.0),
                   row(6, 5, false, "No", {})})
            .Write(state.MorvenDataBase().Folder());
        Compose();
        EXPECT_EQ(c.Sheet, usual);
        EXPECT_EQ(Column(10), (QStringList{"-2", "-2", "7,5", "-1", "-2"}));
        EXPECT_EQ(Column(9), (QStringList{"-2", "12", "-2", "-2", "8"}));
    }
    // A switch that is neither true nor false is refused, as the cursor reads it.
    TableBuilder odd(QStringLiteral("GRADE.DB"));
    odd.Long("STUDENTID").Long("SUBJECTID").Alpha("SUBJECTON", 5);
    for (const QString& name : SchoolTables::GradeFieldNames())
        odd.Number(name);
    QVariantList maybe{2, 1, QStringLiteral("maybe")};
    for (qsizetype i = 0; i < SchoolTables::GradeFieldNames().size(); ++i)
        maybe.append(QVariant());
    odd.Row(maybe).Write(state.MorvenDataBase().Folder());
    EXPECT_THROW(Compose(), DatabaseError);
}

// A grade record without a student belongs to no row, not even to a student
// numbered 0.
TEST_F(ComposeFixture, AGradeRecordWithoutAStudentBelongsToNoRow) {
    UseLocale(GreekLocale());
    const QString folder = state.MorvenDataBase().Folder();
    SchoolTables::Student()
        .Rows({{0, "Αβέρωφ", "Άρης", "Μ0", 10}, {1, "Ωραίος", "Νίκος", "Μ1", 10}})
        .Write(folder);
    SchoolTables::Guardian().Rows({{0, "Νίκος"}, {1, "Πέτρος"}}).Write(folder);
    QVariantList orphan = SchoolTables::GradeRow(1, 1, true, {{"GRD1", 5.0}});
    orphan[0] = QVariant();
    TableBuilder grade = SchoolTables::Grade();
    grade.Key(0);
    grade.Rows({orphan, SchoolTables::GradeRow(1, 1, true, {{"GRD1", 12.0}})}).Write(folder);
    c.Subjects.Toggle(2); // "<Όλα>"
    c.PeriodIndex = 1;
    Compose();
    EXPECT_EQ(Column(1), (QStringList{"Αβέρωφ", "Ωραίος"}));
    EXPECT_EQ(Column(0), (QStringList{"0;0;0", "1;1;20"}));
    EXPECT_EQ(c.Sheet.Cell(1, 9), QStringLiteral("-2"));
    EXPECT_EQ(c.Sheet.Cell(2, 9), QStringLiteral("12"));
}

// Levels, classes and courses are joined; a caption holding quotes selects
// its own students; a filter that matches nothing leaves one empty row.
TEST_F(ComposeFixture, FiltersJoinLevelsClassesAndCoursesAndANoMatchLeavesOneEmptyRow) {
    c.Levels.Toggle(RowOf(c.Levels, "Λύκειο"));
    c.Classes.Toggle(RowOf(c.Classes, "Α"));
    Compose();
    EXPECT_EQ(Column(1), (QStringList{"αβραμίδης", "Δήμου"}));
    c.Classes.Toggle(RowOf(c.Classes, "Β \"Θετική\""));
    c.Classes.Toggle(RowOf(c.Classes, "Α"));
    Compose();
    EXPECT_EQ(Column(1), QStringList{"Γεωργίου"});
    c.Courses.Toggle(RowOf(c.Courses, "Α1"));
    c.Subjects.Toggle(RowOf(c.Subjects, "Φυσική"));
    Compose();
    EXPECT_EQ(c.StudentCount, 0);
    EXPECT_EQ(c.Sheet.RowCount(), 2);
    EXPECT_EQ(c.Sheet.Cell(1, 0), QString());
    EXPECT_EQ(c.Sheet.Cell(1, 8), QString());
    EXPECT_TRUE(c.CountLine.endsWith(QStringLiteral(" - Μαθητές: 0")));
}

TEST_F(ComposeFixture, ColumnOrderMovesTheStudentColumnsAndFixedOnesNeverSwallowTheGrid) {
    order.ColumnOrder = {"ΜΗΤΡΩΟ", "ΕΠΩΝΥΜΟ", "ΟΝΟΜΑ", "ΠΑΤΡΩΝΥΜΟ", "ΤΜΗΜΑ", "ΤΑΞΗ", "ΕΠΙΠΕΔΟ"};
    order.SortOrder = {"STUDENT.\"RGSNO\"",      "STUDENT.\"LASTNAME\"", "STUDENT.\"FIRSTNAME\"",
                       "GUARDIAN.\"FATHFNAME\"", "LEVELS.\"LEVELNAME\"", "CLASSES.\"CLASSNAME\"",
                       "COURSES.\"COURSENAME\""};
    Compose();
    EXPECT_EQ(c.Sheet.Cell(0, 1), QStringLiteral("ΜΗΤΡΩΟ"));
    EXPECT_EQ(Column(1), (QStringList{"Μ1", "Μ2", "Μ3", "Μ5", "Μ6"}));
    EXPECT_EQ(c.Sheet.Cell(1, 4), QStringLiteral("Πέτρος"));
    EXPECT_EQ(c.Sheet.Cell(1, 7), QStringLiteral("Γυμνάσιο"));

    c.FixedColCount = 8;
    c.Subjects.ClearTicks(); // a template without subjects leaves nothing ticked
    Compose();
    EXPECT_EQ(c.Sheet.ColCount(), 8);
    EXPECT_EQ(c.GridFixedColumns, 7);
    c.Subjects.SetTicked(1, true);
    c.FixedColCount = 4;
    Compose();
    EXPECT_EQ(c.GridFixedColumns, 1) << "\"<Κανένα>\" ticked: one fixed column";
}

TEST_F(ComposeFixture, TemplateRoundTrip) {
    c.Levels.Toggle(1); // the all row stays ticked when nothing else is
    c.Classes.Toggle(RowOf(c.Classes, "Α"));
    c.Subjects.Toggle(RowOf(c.Subjects, "Φυσική"));
    c.Subjects.Toggle(RowOf(c.Subjects, "[κλάδος] Θετική"));
    ScriptedUiServices ui;
    state.CurrentTemplateName = QStringLiteral("Α τάξη.agt");
    state.CurrentTemplatePath = dir.Path(state.CurrentTemplateName);
    ui.ExpectMessage(MessageIcon::Information, QStringLiteral("Η Αποθήκευση στο Αρχείο \"") +
                                                   state.CurrentTemplatePath +
                                                   QStringLiteral("\" ολοκληρώθηκε!"));
    ASSERT_TRUE(WriteTemplateFile(state.CurrentTemplatePath, state.CurrentTemplateName, c, ui));
    ReadTemplateFileHeader(state, state.CurrentTemplatePath);
    EXPECT_EQ(state.TemplateFileHeader.File, QStringLiteral("MORVEN Grades Template"));
    EXPECT_EQ(state.TemplateFileHeader.FileName, QStringLiteral("Α τάξη.agt"));
    const QByteArray bytes = ReadBytes(state.CurrentTemplatePath);
    EXPECT_TRUE(bytes.endsWith(Greek(QStringLiteral(
        "[Levels]\r\n1=<Όλα>\r\nCnt=1\r\n[Classes]\r\n1=Α\r\nCnt=1\r\n"
        "[Courses]\r\n1=<Όλα>\r\nCnt=1\r\n[Subjects]\r\n1=[κλάδος] Θετική\r\n2=Φυσική\r\nCnt=2\r\n"))))
        << bytes.toStdString();

    SheetComposition again;
    FillSelectionGrids(again, state.MorvenDataBase());
    ClearSelections(again);
    ReadTemplateSelections(again, state.CurrentTemplatePath);
    for (SelectionKind kind :
         {SelectionKind::Levels, SelectionKind::Classes, SelectionKind::Courses, SelectionKind::Subjects})
        for (int r = 1; r < c.Grid(kind).RowCount(); ++r)
            EXPECT_EQ(again.Grid(kind).Ticked(r), c.Grid(kind).Ticked(r)) << int(kind) << " row " << r;
}

TEST_F(ComposeFixture, TemplatesWithGoneCaptionsShortOrHugeCounts) {
    const QString path = dir.Path(QStringLiteral("t.agt"));
    WriteBytes(path, Greek(QStringLiteral(
                         "[Header]\r\nFile=MORVEN Grades Template\r\n[Levels]\r\nCnt=0\r\n"
                         "[Classes]\r\n1=Γ\r\n2=Α\r\nCnt=5\r\n[Courses]\r\n1=ΑΛ1\r\nCnt=2147483647\r\n"
                         "[Subjects]\r\nCnt=x\r\n")));
    ClearSelections(c);
    ReadTemplateSelections(c, path);
    for (int r = 1; r < c.Levels.RowCount(); ++r)
        EXPECT_FALSE(c.Levels.Ticked(r));
    EXPECT_TRUE(c.Classes.Ticked(RowOf(c.Classes, "Α"))) << "a class that is gone is passed over";
    EXPECT_FALSE(c.Classes.Ticked(1));
    EXPECT_TRUE(c.Courses.Ticked(RowOf(c.Courses, "ΑΛ1")));
    for (int r = 1; r < c.Subjects.RowCount(); ++r)
        EXPECT_FALSE(c.Subjects.Ticked(r));
    // Nothing ticked in the levels grid selects every level.
    Compose();
    EXPECT_EQ(Column(1), (QStringList{QStringLiteral("αβραμίδης"), QStringLiteral("Δήμου")}));
}

// The ticks from row 1 on after each toggle: x ticked, g greyed under a ticked all row, . neither.
TEST(SelectionGridRules, TogglingAndGreyedTicks) {
    const auto ticks = [](const SelectionGrid& grid) {
        QString s;
        for (int r = 1; r < grid.RowCount(); ++r)
            s += grid.Greyed(r) ? u'g' : grid.Ticked(r) ? u'x' : u'.';
        return s;
    };
    // Levels: the all row comes back when the last tick goes, and greys the
    // rows ticked under it; subjects: "<Όλα>" and "<Κανένα>" exclude each other.
    const std::pair<SelectionKind, std::vector<std::pair<int, const char*>>> cases[] = {
        {SelectionKind::Levels, {{2, ".x."}, {2, "x.."}, {2, ".x."}, {3, ".xx"}, {1, "xgg"}, {1, ".xx"}}},
        {SelectionKind::Subjects, {{2, ".x.."}, {2, "x..."}, {3, "..x."}, {2, ".xg."}}},
    };
    for (const auto& [kind, steps] : cases) {
        SelectionGrid grid(kind);
        grid.AddRow(QStringLiteral("Α"));
        grid.AddRow(QStringLiteral("Β"));
        for (const auto& [row, expected] : steps) {
            grid.Toggle(row);
            EXPECT_EQ(ticks(grid), QString::fromLatin1(expected)) << int(kind) << " row " << row;
        }
    }
}

TEST(ColumnSettingsRules, LinesMoveOnlyWithinTheList) {
    QStringList lines = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    EXPECT_EQ(MoveLine(lines, 0, true), 0);
    EXPECT_EQ(MoveLine(lines, 2, false), 2);
    EXPECT_EQ(MoveLine(lines, -1, false), -1);
    EXPECT_EQ(MoveLine(lines, 3, true), 3);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(MoveLine(lines, 2, true), 1);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("b")}));
}
