// Tables of a school-year folder through the database name: connection,
// keys, the master-detail chain, edit and post.
#include "SchoolDbTestSupport.h"

#include "schooldb/SchoolDatabase.h"
#include "schooldb/TablePasswords.h"
#include "schooldb/builder/TableBuilder.h"
#include "support/TestSupport.h"

using namespace ekaldo::schooldb;
using namespace ekaldo::testing;

namespace {

class SchoolTable : public ::testing::Test {
protected:
    void SetUp() override {
        WriteSmallSchool(m_folder.Path());
        m_db.SetParams({QStringLiteral("PATH=") + m_folder.Path()});
        m_session.AddPassword(DataTablePassword());
    }
    QString Path(const QString& table) const { return m_folder.Path(table); }
    // Names the table, and its index when one is given, and opens it.
    void Open(Table& table, const char* name, const char* index = nullptr) {
        table.SetTableName(QString::fromLatin1(name));
        if (index)
            table.SetIndexName(QString::fromLatin1(index));
        table.Open();
    }

    TempFolder m_folder;
    Session m_session;
    Database m_db{m_session};
};

} // namespace

TEST_F(SchoolTable, ConnectionFailuresNameWhatIsMissing) {
    Database other(m_session);
    other.SetParams({QStringLiteral("PATH=") + m_folder.Path("NOSUCH.SYR")});
    EXPECT_TRUE(ErrorOf<DatabaseError>([&] { other.Open(); }).contains(QStringLiteral("NOSUCH.SYR")));
    other.SetDriverName(QStringLiteral("MSACCESS"));
    EXPECT_TRUE(ErrorOf<DatabaseError>([&] { other.Open(); }).contains(QStringLiteral("MSACCESS")));

    Table missing(m_db);
    missing.SetTableName(QStringLiteral("TEACHER.DB"));
    EXPECT_TRUE(ErrorOf<DatabaseError>([&] { missing.Open(); }).contains(QStringLiteral("TEACHER.DB")));
    EXPECT_FALSE(missing.Active());
    EXPECT_FALSE(m_db.Connected()) << "a failed open keeps no connection";

    Table grade(m_db);
    Open(grade, "GRADE.DB");
    EXPECT_THROW(m_db.SetParams({QStringLiteral("PATH=/elsewhere")}), DatabaseError) << "while connected";
    const QString noField = ErrorOf<DatabaseError>([&] { grade.FieldByName(QStringLiteral("GRD25")); });
    EXPECT_TRUE(noField.contains(QStringLiteral("GRD25")) && noField.contains(QStringLiteral("GRADE.DB")));
    EXPECT_THROW(grade.SetIndexName(QStringLiteral("Grade_Teacher_Inx")), DatabaseError);
}

TEST_F(SchoolTable, DetailChainFollowsTheStudentQuery) {
    Query students(m_db);
    students.SetSql(
        {QStringLiteral("SELECT S.\"STUDENTID\" FROM \"STUDENT.DB\" S ORDER BY S.\"STUDENTID\"")});
    Table grade(m_db), subject(m_db), klass(m_db), method(m_db);
    grade.SetTableName(QStringLiteral("GRADE.DB"));
    grade.SetIndexName(QStringLiteral("Grade_StudentID_Inx"));
    grade.SetMasterSource(&students, QStringLiteral("STUDENTID"));
    MakeDetail(subject, "SUBJECT.DB", &grade, "SUBJECTID");
    MakeDetail(klass, "CLASS.DB", &subject, "CLASSID");
    MakeDetail(method, "METHOD.DB", &klass, "METHODID");
    for (DataSet* set : std::initializer_list<DataSet*>{&students, &grade, &subject, &klass, &method})
        set->Open();
    // Student 1: two grade records, in the table's stored order (subject 2, then 1).
    EXPECT_EQ(students.FieldByName(QStringLiteral("STUDENTID")).AsInteger(), 1);
    EXPECT_EQ(grade.RecordCount(), 2);
    EXPECT_EQ(grade.FieldByName(QStringLiteral("SUBJECTID")).AsInteger(), 2);
    EXPECT_TRUE(subject.FieldByName(QStringLiteral("SUBJNAME")).IsNull());
    EXPECT_EQ(subject.FieldByName(QStringLiteral("SUBSUBJNAM")).AsString(), QStringLiteral("Θετική"));
    EXPECT_EQ(method.FieldByName(QStringLiteral("GRDMAX")).AsFloat(), 20.0);
    grade.Next();
    EXPECT_EQ(subject.FieldByName(QStringLiteral("SUBJNAME")).AsString(), QStringLiteral("Άλγεβρα"));
    EXPECT_EQ(grade.FieldByName(QStringLiteral("GRD1")).AsFloat(), 12.0);
    grade.Next();
    EXPECT_TRUE(grade.Eof());
    students.Next(); // student 2: subject switched off
    EXPECT_EQ(grade.RecordCount(), 1);
    EXPECT_FALSE(grade.FieldByName(QStringLiteral("SubjectON")).AsBoolean());
    EXPECT_TRUE(grade.FieldByName(QStringLiteral("GRD1")).IsNull());
    students.Next(); // student 3: a subject of the other class, method 0 to 10
    EXPECT_EQ(method.FieldByName(QStringLiteral("GRDMAX")).AsFloat(), 10.0);
    students.Next(); // student 4: no grade records, the chain below is empty
    EXPECT_TRUE(grade.Eof());
    EXPECT_TRUE(subject.Eof());
    EXPECT_TRUE(method.Eof());
    EXPECT_TRUE(method.FieldByName(QStringLiteral("GRDMAX")).IsNull());
    students.First();
    EXPECT_EQ(grade.RecordCount(), 2) << "moving the master back refills the details";
    students.Close();
    EXPECT_TRUE(grade.Eof()) << "a closed master leaves its detail empty";
}

// A detail sorted by its link field finds each key's records as one run of
// its order; 0 and -0 sort as equal yet link apart, so their records, mixed
// in the order, still reach only the master holding the same one.
TEST_F(SchoolTable, ADetailLinksZeroAndMinusZeroApartThoughTheyInterleave) {
    // The builder writes -0 as 0, as most programs do; another program's
    // table may hold it: its bytes are put in place here.
    const QByteArray zero = QByteArray::fromHex("8000000000000000");
    const QByteArray minusZero = QByteArray::fromHex("7fffffffffffffff");
    const auto patch = [&](const QString& table, const QByteArray& before, const QByteArray& after) {
        QByteArray bytes = ReadBytes(Path(table));
        const qsizetype at = bytes.indexOf(before);
        ASSERT_GE(at, 0);
        bytes.replace(at, before.size(), after);
        WriteBytes(Path(table), bytes);
    };
    TableBuilder master(QStringLiteral("MASTER.DB"));
    master.Number("K").Rows({{0.0}, {0.0}, {5.0}});
    master.Write(m_folder.Path());
    patch(QStringLiteral("MASTER.DB"), zero + zero + QByteArray::fromHex("c014"),
          zero + minusZero + QByteArray::fromHex("c014"));
    TableBuilder detail(QStringLiteral("DETAIL.DB"));
    detail.Long("ID").Number("K").Rows({{1, 5.0}, {2, 0.0}, {3, 0.0}, {4, 0.0}, {5, 0.0}, {6, 5.0}});
    detail.Write(m_folder.Path());
    for (const char* id : {"80000003", "80000005"})
        patch(QStringLiteral("DETAIL.DB"), QByteArray::fromHex(id) + zero,
              QByteArray::fromHex(id) + minusZero);
    Table keys(m_db), records(m_db);
    keys.SetTableName(QStringLiteral("MASTER.DB"));
    records.SetTableName(QStringLiteral("DETAIL.DB"));
    records.SetIndexFieldNames(QStringLiteral("K"));
    records.SetMasterSource(&keys, QStringLiteral("K"));
    keys.Open();
    records.Open();
    const auto ids = [&] {
        QList<qint64> found;
        for (records.First(); !records.Eof(); records.Next())
            found.append(records.FieldByName(QStringLiteral("ID")).AsInteger());
        return found;
    };
    EXPECT_EQ(ids(), (QList<qint64>{2, 4}));
    keys.Next();
    EXPECT_EQ(ids(), (QList<qint64>{3, 5}));
    keys.Next();
    EXPECT_EQ(ids(), (QList<qint64>{1, 6})) << "in the table's order within a key";
}

TEST_F(SchoolTable, ADetailOutlivesItsMaster) {
    Table grade(m_db);
    grade.SetTableName(QStringLiteral("GRADE.DB"));
    {
        Table student(m_db);
        student.SetTableName(QStringLiteral("student.db")); // names match without regard to case
        grade.SetMasterSource(&student, QStringLiteral("STUDENTID"));
        student.Open();
        grade.Open();
        EXPECT_EQ(grade.RecordCount(), 2);
    }
    grade.SetFiltered(false); // rebuilds without the master that is gone
    EXPECT_EQ(grade.RecordCount(), 4);
}

TEST_F(SchoolTable, PostStoresTheRecordWhereTheOtherReaderSeesIt) {
    UseLocale(GreekLocale());
    Table grade(m_db);
    Open(grade, "GRADE.DB", "Grade_StudentID_Inx");
    grade.SetFilter(QStringLiteral("STUDENTID=1"));
    grade.SetFiltered(true);
    grade.Next(); // subject 1
    EXPECT_THROW(grade.FieldByName(QStringLiteral("GRD2")).SetAsString(QStringLiteral("9")), DatabaseError)
        << "writes need edit state";
    grade.Edit();
    grade.FieldByName(QStringLiteral("GRD2")).SetAsString(QStringLiteral("9,5"));
    grade.FieldByName(QStringLiteral("GRD3")).SetAsFloat(14.25);
    grade.FieldByName(QStringLiteral("GRD1")).SetAsString(QString());
    grade.FieldByName(QStringLiteral("Oral1")).SetAsString(QStringLiteral("ΑΑ"));
    EXPECT_EQ(grade.FieldByName(QStringLiteral("GRD2")).AsFloat(), 9.5) << "the edit is read back at once";
    EXPECT_THROW(grade.Next(), DatabaseError) << "no moving away from an unsaved edit";
    const QString bad = ErrorOf<DatabaseError>(
        [&] { grade.FieldByName(QStringLiteral("GRD4")).SetAsString(QStringLiteral("x")); });
    EXPECT_TRUE(bad.contains(QStringLiteral("GRD4")));
    EXPECT_THROW(grade.FieldByName(QStringLiteral("Oral2")).SetAsString(QStringLiteral("12345")),
                 DatabaseError);
    EXPECT_TRUE(grade.Post());
    EXPECT_FALSE(grade.Editing());
    grade.EndWriting();

    const Records engine = ReadWithEngine(Path("GRADE.DB"), DataTablePassword());
    EXPECT_EQ(ReadWithPxlib(Path("GRADE.DB")), engine);
    const QList<FieldValue>& stored = engine[3]; // student 1, subject 1
    EXPECT_EQ(stored[3], FieldValue::Text(QStringLiteral("ΑΑ")));
    EXPECT_TRUE(stored[13].IsNull());
    EXPECT_EQ(stored[14], FieldValue::Float(9.5));
    EXPECT_EQ(stored[15], FieldValue::Float(14.25));
    EXPECT_EQ(engine[1][13], FieldValue::Float(15.0)) << "the other record of the student is untouched";
}

TEST_F(SchoolTable, AWholeNumberFieldTakesWholeNumbersOnly) {
    UseLocale(GreekLocale());
    Table method(m_db);
    Open(method, "METHOD.DB"); // METHODID is a Short, GRDMAX a Number
    method.Edit();
    const QString refused =
        ErrorOf<DatabaseError>([&] { method.FieldByName(QStringLiteral("METHODID")).SetAsFloat(2.5); });
    EXPECT_TRUE(refused.contains(QStringLiteral("2,5 δεν είναι ακέραιος"))) << refused.toStdString();
    method.FieldByName(QStringLiteral("METHODID")).SetAsFloat(7);
    method.FieldByName(QStringLiteral("GRDMAX")).SetAsFloat(19.5);
    EXPECT_TRUE(method.Post());
    method.EndWriting();
    const Records stored = ReadWithEngine(Path("METHOD.DB"), DataTablePassword());
    EXPECT_EQ(stored[0][0], FieldValue::Integer(7));
    EXPECT_EQ(stored[0][2], FieldValue::Float(19.5));
}
