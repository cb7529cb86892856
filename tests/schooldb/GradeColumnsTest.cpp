// Grade columns and the record rules of both grading schemes, on a real school folder.
#include "schooldb/GradeColumns.h"

#include "SchoolDbTestSupport.h"

#include "schooldb/SchoolDatabase.h"
#include "schooldb/TablePasswords.h"
#include "schooldb/builder/SchoolTables.h"
#include "support/TestSupport.h"

#include <QMap>

using namespace ekaldo;
using namespace ekaldo::schooldb;
using namespace ekaldo::testing;

namespace {

constexpr GradingScheme kPublic = GradingScheme::PublicSchool;
constexpr GradingScheme kTutoring = GradingScheme::Tutoring;

const QString kAlpha(QChar(0x0391));

// Methods: 1 grades 1..20, 2 grades 0..10, 3 has GRDMIN 9.5 and a null GRDMAX,
// 7 is the numeric-written method. Class n uses method n (class 4 method 7).
// Subjects: 1 Άλγεβρα (class 1), 2 a branch without a name (class 1),
// 3 Φυσική (class 2), 4 Ιστορία (class 2, grades locked), 5 Έκθεση (class 4),
// 6 Χημεία (class 3), 7 Βιολογία (class 1, SUBJEDIT null).
void WriteSchool(const QString& folder, const QList<QVariantList>& grades) {
    SchoolTables::Method()
        .Rows({{1, 1.0, 20.0}, {2, 0.0, 10.0}, {3, 9.5, QVariant()}, {7, 0.0, 20.0}})
        .Write(folder);
    SchoolTables::Class()
        .Rows(
            {{1, "Α1", "", 1, "Α1"}, {2, "Β1", "", 2, "Β1"}, {3, "Γ1", "", 3, "Γ1"}, {4, "Γ2", "", 7, "Γ2"}})
        .Write(folder);
    SchoolTables::Subject()
        .Rows({{1, "Άλγεβρα", "", 1, true},
               {2, "", "Θετική", 1, true},
               {3, "Φυσική", "", 2, true},
               {4, "Ιστορία", "", 2, false},
               {5, "Έκθεση", "", 4, true},
               {6, "Χημεία", "", 3, true},
               {7, "Βιολογία", "", 1, QVariant()}})
        .Write(folder);
    SchoolTables::Grade().Rows(grades).Write(folder);
}

QVariantList GradeRow(int student, int subject, const QMap<QString, QVariant>& values = {}) {
    return SchoolTables::GradeRow(student, subject, true, values);
}

class GradeColumnsRecords : public ::testing::Test {
protected:
    void SetUp() override {
        m_db.SetParams({QStringLiteral("PATH=") + m_folder.Path()});
        m_session.AddPassword(DataTablePassword());
    }

    // Writes the school and opens the posting window's chain of tables, each
    // store of a grade record running the record rules of the scheme.
    void Open(GradingScheme scheme, const QList<QVariantList>& grades) {
        WriteSchool(m_folder.Path(), grades);
        m_grades.SetTableName(QStringLiteral("GRADE.DB"));
        m_grades.SetIndexName(QStringLiteral("Grade_StudentID_Inx"));
        MakeDetail(m_subjects, "SUBJECT.DB", &m_grades, "SUBJECTID");
        MakeDetail(m_classes, "CLASS.DB", &m_subjects, "CLASSID");
        MakeDetail(m_method, "METHOD.DB", &m_classes, "METHODID");
        m_grades.SetBeforePost(
            [this, scheme](Table& grades) { return ApplyRecordRules(grades, scheme, m_subjects, m_method); });
        for (Table* table : {&m_grades, &m_subjects, &m_classes, &m_method})
            table->Open();
    }

    // Stands on the grade record of student and subject, by a filter on the student.
    void GoTo(int student, int subject) {
        m_grades.SetFilter(QStringLiteral("STUDENTID=%1").arg(student));
        m_grades.SetFiltered(true);
        for (m_grades.First(); !m_grades.Eof(); m_grades.Next())
            if (m_grades.FieldByName(QStringLiteral("SUBJECTID")).AsInteger() == subject)
                return;
        FAIL() << "no grade record " << student << "/" << subject;
    }

    int MethodId() { return static_cast<int>(m_classes.FieldByName(QStringLiteral("METHODID")).AsInteger()); }

    // One posted grade: edit, write, store. Returns whether the store went through.
    bool Post(GradingScheme scheme, int student, int subject, int column, const QString& value) {
        GoTo(student, subject);
        m_grades.Edit();
        WriteGrade(m_grades, scheme, MethodId(), column, value, IsNoGradeMarker(value));
        return m_grades.Post();
    }

    QByteArray GradeFile() const { return ReadBytes(m_folder.Path(QStringLiteral("GRADE.DB"))); }

    // A refused store: Post says so and GRADE.DB keeps every byte.
    void ExpectRefused(GradingScheme scheme, int student, int subject, int column, const QString& value) {
        const QByteArray before = GradeFile();
        EXPECT_FALSE(Post(scheme, student, subject, column, value))
            << "column " << column << " " << value.toStdString();
        EXPECT_FALSE(m_grades.Editing());
        EXPECT_EQ(GradeFile(), before) << "a refused store wrote to the file";
    }

    // A store that goes through, and the value it leaves in field on disk.
    void ExpectStored(GradingScheme scheme, int student, int subject, int column, const QString& value,
                      const QString& field, const FieldValue& expected) {
        EXPECT_TRUE(Post(scheme, student, subject, column, value)) << column << " " << value.toStdString();
        EXPECT_EQ(OnDisk(student, subject, field), expected) << column << " " << value.toStdString();
    }

    // The value on disk, read by a table of its own.
    FieldValue OnDisk(int student, int subject, const QString& field) {
        Table fresh(m_db);
        fresh.SetTableName(QStringLiteral("GRADE.DB"));
        fresh.Open();
        for (; !fresh.Eof(); fresh.Next())
            if (fresh.FieldByName(QStringLiteral("STUDENTID")).AsInteger() == student &&
                fresh.FieldByName(QStringLiteral("SUBJECTID")).AsInteger() == subject)
                return fresh.FieldByName(field).Value();
        ADD_FAILURE() << "no grade record " << student << "/" << subject;
        return {};
    }

    TempFolder m_folder;
    Session m_session;
    Database m_db{m_session};
    Table m_grades{m_db}, m_subjects{m_db}, m_classes{m_db}, m_method{m_db};
};

const auto Text = [](const QString& text) { return FieldValue::Text(text); };
const auto Number = [](double value) { return FieldValue::Float(value); };

} // namespace

TEST(GradeColumnsLists, CaptionsAndFieldsOfBothSchemes) {
    EXPECT_EQ(GradeColumnCaptions(kPublic).size(), 7);
    EXPECT_EQ(GradeColumnCaptions(kTutoring).size(), 24);
    EXPECT_EQ(GradeColumnCaptions(kTutoring).back(), QStringLiteral("24ος Βαθμός"));

    const QStringList other{"Oral1", "Oral2", "Oral3", "Writen1", "", "OralExt1", "WritenExt1"};
    const QStringList numeric{"Oral1", "Oral2", "", "RWriten", "R100Writen", "RReexam", "RReWriten"};
    for (int column = 1; column <= 7; ++column) {
        EXPECT_EQ(GradeFieldName(kPublic, 1, column).value_or(QString()), other[column - 1]) << column;
        EXPECT_EQ(GradeFieldName(kPublic, 7, column).value_or(QString()), numeric[column - 1]) << column;
    }
    for (int method : {1, 7}) {
        EXPECT_FALSE(GradeFieldName(kPublic, method, 0));
        EXPECT_FALSE(GradeFieldName(kPublic, method, 8));
        EXPECT_FALSE(GradeFieldName(kTutoring, method, 0));
        EXPECT_FALSE(GradeFieldName(kTutoring, method, 25));
        EXPECT_EQ(GradeFieldName(kTutoring, method, 5), QStringLiteral("GRD5")) << "whatever the method";
        EXPECT_EQ(GradeFieldName(kTutoring, method, 24), QStringLiteral("GRD24"));
    }
}

TEST_F(GradeColumnsRecords, RangesComeFromTheMethodOfTheSubjectsClass) {
    UseLocale(GreekLocale());
    Open(kTutoring, {GradeRow(1, 1), GradeRow(2, 3), GradeRow(3, 6), GradeRow(4, 5)});
    GoTo(2, 3);
    EXPECT_EQ(GradeRangeOf(kTutoring, MethodId(), m_method), (GradeRange{0, 10}));
    EXPECT_EQ(RowKeyText(2, GradeRangeOf(kTutoring, MethodId(), m_method)), QStringLiteral("2;0;10"));
    GoTo(3, 6); // GRDMIN 9.5, GRDMAX null
    EXPECT_EQ(RowKeyText(3, GradeRangeOf(kTutoring, MethodId(), m_method)), QStringLiteral("3;9,5;0"));
    // The public-school scheme goes by the method number alone.
    GoTo(4, 5);
    EXPECT_EQ(GradeRangeOf(kPublic, MethodId(), m_method), (GradeRange{0, 100}));
    GoTo(2, 3);
    EXPECT_EQ(RowKeyText(2, GradeRangeOf(kPublic, MethodId(), m_method)), QStringLiteral("2;1;20"));
    // A student without grade records: the chain is empty and its fields read as 0.
    GoTo(1, 1);
    m_grades.SetFilter(QStringLiteral("STUDENTID=9"));
    ASSERT_TRUE(m_method.Eof());
    EXPECT_EQ(GradeRangeOf(kTutoring, 0, m_method), (GradeRange{0, 0}));
    EXPECT_EQ(GradeRangeOf(kPublic, 0, m_method), (GradeRange{1, 20}));
}

TEST_F(GradeColumnsRecords, UnreadableMethodLimitsFallBackToOneAndTwenty) {
    WriteSchool(m_folder.Path(), {GradeRow(1, 1)});
    // No GRDMAX at all, and a GRDMIN that is no number.
    TableBuilder(QStringLiteral("METHOD.DB"))
        .Password(DataTablePassword())
        .Short("METHODID")
        .Alpha("GRDMIN", 10)
        .Key(1)
        .Rows({{1, "χαμηλός"}, {2, "9,5"}})
        .Write(m_folder.Path());
    Table method(m_db);
    method.SetTableName(QStringLiteral("METHOD.DB"));
    method.Open();
    EXPECT_EQ(GradeRangeOf(kTutoring, 1, method), (GradeRange{1, 20}));
    method.Next();
    UseLocale(GreekLocale());
    EXPECT_EQ(GradeRangeOf(kTutoring, 2, method), (GradeRange{9.5, 20}));
    method.Close();
    EXPECT_EQ(GradeRangeOf(kTutoring, 2, method), (GradeRange{1, 20}))
        << "a closed table has no fields to read";
}

TEST_F(GradeColumnsRecords, CellTextsOfTheChosenColumn) {
    UseLocale(GreekLocale());
    Open(kPublic, {GradeRow(1, 1, {{"Oral3", "15"}, {"R100Writen", 85.0}, {"GRD2", 9.5}}), GradeRow(1, 2),
                   GradeRow(4, 5, {{"Oral3", "12"}, {"R100Writen", 85.0}})});
    GoTo(1, 1);
    EXPECT_EQ(ReadGradeText(m_grades, kPublic, MethodId(), 3), QStringLiteral("15"));
    EXPECT_EQ(ReadGradeText(m_grades, kPublic, MethodId(), 5), QString())
        << "no hundred-scale field for method 1";
    EXPECT_EQ(ReadGradeText(m_grades, kPublic, MethodId(), 0), QString());
    EXPECT_EQ(ReadGradeText(m_grades, kTutoring, MethodId(), 2), QStringLiteral("9,5"));
    EXPECT_EQ(ReadGradeText(m_grades, kTutoring, MethodId(), 1), QString()) << "null";
    EXPECT_EQ(SubjectTitleOf(m_subjects), QStringLiteral("Άλγεβρα"));
    m_grades.Next();
    EXPECT_EQ(SubjectTitleOf(m_subjects), QStringLiteral("[κλάδος] Θετική"));
    GoTo(4, 5);
    EXPECT_EQ(ReadGradeText(m_grades, kPublic, MethodId(), 5), QStringLiteral("85"));
    EXPECT_EQ(ReadGradeText(m_grades, kPublic, MethodId(), 3), QString()) << "method 7 keeps no third period";
}

TEST_F(GradeColumnsRecords, PublicSchoolNumericMethodWritesNumbersOnly) {
    UseLocale(GreekLocale());
    Open(kPublic, {GradeRow(4, 5, {{"Oral3", "11"}, {"RWriten", 12.0}, {"RReexam", 8.0}})});
    ExpectStored(kPublic, 4, 5, 5, "87,5", "RWriten",
                 Number(17.5)); // the written grade follows, scaled to 20

    // Markers leave the numeric fields alone, the derived written grade included.
    ExpectStored(kPublic, 4, 5, 4, "16", "RWriten", Number(16));
    ExpectStored(kPublic, 4, 5, 5, kAlpha + kAlpha, "R100Writen", Number(87.5));
    EXPECT_EQ(OnDisk(4, 5, "RWriten"), Number(16));
    ExpectStored(kPublic, 4, 5, 6, "-", "RReexam", Number(8));

    ExpectStored(kPublic, 4, 5, 7, "13,25", "RReWriten", Number(13.3)); // rounded half up to tenths
    ExpectStored(kPublic, 4, 5, 4, "13,24", "RWriten", Number(13.2));
    ExpectStored(kPublic, 4, 5, 2, kAlpha, "Oral2",
                 Text(kAlpha + kAlpha));                       // oral periods keep markers, widened
    ExpectStored(kPublic, 4, 5, 3, "19", "Oral3", Text("11")); // no third period for this method
}

TEST_F(GradeColumnsRecords, PublicSchoolWidensOneCharacterGradesOnEveryStore) {
    Open(kPublic,
         {GradeRow(1, 1, {{"Oral2", "7"}, {"Oral3", "*"}, {"OralExt1", "20"}, {"WritenExt1", "01ab"}}),
          GradeRow(2, 3, {{"Oral1", "12"}})});
    ExpectStored(kPublic, 1, 1, 1, "18", "Oral1", Text("18"));
    EXPECT_EQ(OnDisk(1, 1, "Oral2"), Text("07")) << "posting another period normalises this one";
    EXPECT_EQ(OnDisk(1, 1, "Oral3"), Text("**"));
    EXPECT_EQ(OnDisk(1, 1, "OralExt1"), Text("20"));
    EXPECT_EQ(OnDisk(1, 1, "WritenExt1"), Text("01ab")) << "only the first two characters are judged";

    ExpectStored(kPublic, 2, 3, 4, "-", "Writen1", Text("--"));
    ExpectStored(kPublic, 2, 3, 6, "9", "OralExt1", Text("09"));
    ExpectStored(kPublic, 2, 3, 2, "15", "Oral2", Text("15"));
    ExpectStored(kPublic, 2, 3, 7, "**", "WritenExt1", Text("**")); // markers are stored as text
    ExpectStored(kPublic, 2, 3, 1, QString(), "Oral1", Text("12")); // an empty value is never written
}

TEST_F(GradeColumnsRecords, PublicSchoolBadTextGradeRefusesEveryStoreOfItsRecord) {
    Open(kPublic, {GradeRow(1, 1, {{"Oral2", "25"}}), GradeRow(1, 2, {{"Oral3", "x"}}),
                   GradeRow(3, 1, {{"Writen1", "0"}}), GradeRow(2, 3, {{"OralExt1", "21"}}),
                   GradeRow(2, 6, {{"Oral1", "A"}})});
    for (int column : {1, 3, 4, 5, 6, 7})
        ExpectRefused(kPublic, 1, 1, column, QStringLiteral("10"));
    ExpectRefused(kPublic, 1, 2, 1, QStringLiteral("10"));
    ExpectRefused(kPublic, 3, 1, 1, QStringLiteral("10")); // "0" widens to "00": no grade 0
    ExpectRefused(kPublic, 2, 3, 1, QStringLiteral("10"));
    ExpectRefused(kPublic, 2, 6, 2, QStringLiteral("10")); // a Latin A is no marker
    GoTo(1, 1);
    EXPECT_EQ(m_grades.FieldByName(QStringLiteral("Oral1")).Value(), FieldValue())
        << "the refused changes are cancelled";
    EXPECT_EQ(OnDisk(1, 1, "Oral2"), Text("25"));
    EXPECT_TRUE(Post(kPublic, 1, 1, 2, QStringLiteral("10")))
        << "posting the bad period itself mends the record";
    EXPECT_TRUE(Post(kPublic, 1, 1, 1, QStringLiteral("10")));
    EXPECT_EQ(OnDisk(1, 1, "Oral1"), Text("10"));
}

TEST_F(GradeColumnsRecords, PublicSchoolNumericGradesAreRoundedThenRangeChecked) {
    Open(kPublic,
         {GradeRow(1, 1, {{"RWriten", 13.25}, {"RReexam", 20.04}, {"R100Writen", 100.04}}),
          GradeRow(1, 2, {{"RReWriten", 20.05}}), GradeRow(2, 3, {{"R100Writen", 100.05}}),
          GradeRow(2, 6, {{"RWriten", -0.5}}), GradeRow(4, 5, {{"R100Writen", 85.0}, {"GRD1", 99.0}})});
    EXPECT_TRUE(Post(kPublic, 1, 1, 1, QStringLiteral("10")));
    EXPECT_EQ(OnDisk(1, 1, "RWriten"), Number(13.3));
    EXPECT_EQ(OnDisk(1, 1, "RReexam"), Number(20)) << "rounded into range, then accepted";
    EXPECT_EQ(OnDisk(1, 1, "R100Writen"), Number(100));
    EXPECT_EQ(OnDisk(1, 1, "RReWriten"), FieldValue()) << "a null stays null";

    ExpectRefused(kPublic, 1, 2, 1, QStringLiteral("10")); // 20.1 after rounding
    ExpectRefused(kPublic, 2, 3, 1, QStringLiteral("10")); // 100.1
    ExpectRefused(kPublic, 2, 6, 1, QStringLiteral("10")); // below 0
    EXPECT_TRUE(Post(kPublic, 4, 5, 1, QStringLiteral("10")))
        << "85 is within the hundred scale; numbered grades are not this scheme's";
    EXPECT_TRUE(Post(kPublic, 4, 5, 5, QStringLiteral("100")));
    ExpectRefused(kPublic, 4, 5, 5, QStringLiteral("101"));
}

TEST_F(GradeColumnsRecords, SubjectsClosedToGradesNeverReceiveThem) {
    Open(kPublic, {GradeRow(2, 4), GradeRow(3, 7)});
    ExpectRefused(kPublic, 2, 4, 1, QStringLiteral("15"));
    ExpectRefused(kTutoring, 2, 4, 1, QStringLiteral("5"));
    ExpectRefused(kPublic, 3, 7, 1, QStringLiteral("15")); // SUBJEDIT null reads false
    EXPECT_EQ(OnDisk(2, 4, "Oral1"), FieldValue());
}

TEST_F(GradeColumnsRecords, TutoringRefusesAnyStoreWhileAGradeIsOutOfRange) {
    UseLocale(GreekLocale());
    Open(kTutoring, {GradeRow(2, 3, {{"GRD1", 12.0}}), GradeRow(3, 3, {{"GRD24", -1.0}}), GradeRow(4, 3),
                     GradeRow(5, 6)});
    for (int column : {2, 3, 24})
        ExpectRefused(kTutoring, 2, 3, column, QStringLiteral("5"));
    ExpectRefused(kTutoring, 3, 3, 1, QStringLiteral("5"));
    EXPECT_EQ(OnDisk(2, 3, "GRD2"), FieldValue());
    ExpectStored(kTutoring, 2, 3, 1, "5", "GRD1", Number(5)); // posting over the bad grade mends the record
    ExpectStored(kTutoring, 2, 3, 2, "5", "GRD2", Number(5));

    ExpectStored(kTutoring, 4, 3, 2, "0", "GRD2", Number(0));   // the lowest grade is inside
    ExpectStored(kTutoring, 4, 3, 3, "10", "GRD3", Number(10)); // the highest too
    ExpectRefused(kTutoring, 4, 3, 4, QStringLiteral("10,5"));
    EXPECT_EQ(OnDisk(4, 3, "GRD4"), FieldValue());
    // Method 3 runs from 9.5 to a null (0) maximum: only nulls can be stored,
    // so the null fields of the record never stand in the way.
    ExpectRefused(kTutoring, 5, 6, 1, QStringLiteral("9,5"));
    EXPECT_TRUE(Post(kTutoring, 5, 6, 1, QString()));
}

TEST_F(GradeColumnsRecords, TutoringWritesNumbersAndIgnoresTextPeriods) {
    UseLocale(GreekLocale());
    Open(kTutoring, {GradeRow(1, 1, {{"Oral2", "25"}, {"GRD5", 14.0}}), GradeRow(1, 2, {{"GRD1", 20.0}})});
    // A bad oral text is no concern of the tutoring scheme.
    ExpectStored(kTutoring, 1, 1, 3, "12,5", "GRD3", Number(12.5));
    EXPECT_EQ(OnDisk(1, 1, "Oral2"), Text("25"));
    ExpectStored(kTutoring, 1, 1, 5, kAlpha + kAlpha, "GRD5", Number(14)); // a marker writes nothing
    ExpectStored(kTutoring, 1, 1, 5, QString(), "GRD5", Number(14));
    ExpectStored(kTutoring, 1, 2, 24, "1", "GRD24", Number(1));
    ExpectRefused(kTutoring, 1, 2, 23, QStringLiteral("21"));
}
