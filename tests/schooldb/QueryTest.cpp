// Local SQL over the school's tables: Greek order, bound values, reloading
// changed tables, errors.
#include "SchoolDbTestSupport.h"

#include "schooldb/SchoolDatabase.h"
#include "schooldb/SqlEngine.h"
#include "schooldb/TablePasswords.h"
#include "support/TestSupport.h"

#include <QRandomGenerator>

using namespace ekaldo::schooldb;
using namespace ekaldo::testing;

namespace {

class SchoolQuery : public ::testing::Test {
protected:
    void SetUp() override {
        WriteSmallSchool(m_folder.Path());
        m_db.SetParams({QStringLiteral("PATH=") + m_folder.Path()});
        m_session.AddPassword(DataTablePassword());
    }
    // Stores GRD1 of GRADE.DB's first record through a database of its own.
    void WriteFirstGradeAsAnotherProgram(double grade) {
        Session other;
        other.AddPassword(DataTablePassword());
        Database writer(other);
        writer.SetParams({QStringLiteral("PATH=") + m_folder.Path()});
        Table table(writer);
        table.SetTableName(QStringLiteral("GRADE.DB"));
        table.Open();
        table.Edit();
        table.FieldByName(QStringLiteral("GRD1")).SetAsFloat(grade);
        ASSERT_TRUE(table.Post());
    }
    QStringList Column(Query& query, const QString& field) {
        QStringList values;
        for (query.First(); !query.Eof(); query.Next())
            values.append(query.FieldByName(field).AsString());
        return values;
    }
    TempFolder m_folder;
    Session m_session;
    Database m_db{m_session};
};

// Names that differ only in case and accents, out of order.
void WriteNames(const QString& folder, const QStringList& names) {
    TableBuilder t(QStringLiteral("NAMES.DB"));
    t.Long("ID").Alpha("NAME", 40);
    int id = 0;
    for (const QString& name : names)
        t.Row({++id, name});
    t.Write(folder);
}

} // namespace

TEST_F(SchoolQuery, GreekOrderIgnoresCaseAndAccentsFirstAndNeverMergesNames) {
    WriteNames(m_folder.Path(), {"ωμέγα", "Ίων", "αλφα", "Βήτα", "Άλφα", "ιώ", "Ωμέγα", "άλφα", "Ιωάννα",
                                 "Αλφα", "Ζήτα", "ζητα"});
    Query query(m_db);
    query.SetSql({QStringLiteral("SELECT N.\"NAME\" FROM \"NAMES.DB\" N ORDER BY N.\"NAME\"")});
    query.Open();
    EXPECT_EQ(Column(query, QStringLiteral("NAME")),
              (QStringList{"Άλφα", "Αλφα", "άλφα", "αλφα", "Βήτα", "Ζήτα", "ζητα", "ιώ", "Ιωάννα", "Ίων",
                           "Ωμέγα", "ωμέγα"}));
    query.Close();
    query.SetSql(
        {QStringLiteral("SELECT N.\"NAME\" FROM \"NAMES.DB\" N GROUP BY N.\"NAME\" ORDER BY N.\"NAME\"")});
    query.Open();
    EXPECT_EQ(query.RecordCount(), 12) << "GROUP BY compares exactly";
    query.Close();
    query.SetSql({QStringLiteral("SELECT N.\"ID\" FROM \"NAMES.DB\" N WHERE N.\"NAME\" = ?")});
    query.AddBindValue(QStringLiteral("Άλφα"));
    query.Open();
    EXPECT_EQ(Column(query, QStringLiteral("ID")), (QStringList{"5"}));

    EXPECT_LT(GreekTextCompare(u"ας", u"αστ"), 0) << "final sigma sorts as sigma";
    EXPECT_LT(GreekTextCompare(u"ΐ", u"ικ"), 0) << "dialytika and tonos dropped";
    EXPECT_GT(GreekTextCompare(u"café", u"cafe"), 0) << "same letters, the exact text decides";
    EXPECT_LT(GreekTextCompare(u"café", u"cafg"), 0) << "accents of other scripts are dropped too";
    for (const char16_t mark : {u'\u0300', u'\u036F', u'\u1DC0', u'\u1DFF'}) {
        const char16_t marked[] = {u'a', mark, u'a', 0};
        EXPECT_LT(GreekTextCompare(marked, u"ab"), 0) << "combining mark " << int(mark) << " skipped";
    }
}

// Sorting a result by its columns in the engine gives what SQLite's ORDER BY
// with the Greek collation gives: a column of few texts (placed once), one of
// many (compared where the others tie), numbers, nulls first; ties keep the
// query's order.
TEST_F(SchoolQuery, OrderFieldsSortAsOrderByDoes) {
    const QStringList groups = {"Άλφα", "αλφα", "ΑΛΦΑ", "Βήτα", "ας", "αστ", "ΐ", "ικ", ""};
    const QStringList letters = {"α", "Ά", "β", "ς", "σ", "ΐ", "ι", "z", "Z", "e"};
    QRandomGenerator random(29);
    TableBuilder t(QStringLiteral("MIXED.DB"));
    t.Long("ID").Alpha("GRP", 10).Alpha("NAME", 12).Number("SCORE").Alpha("TOWN", 10);
    const QStringList towns = {"Άργος", "αργος", "Βόλος", ""};
    for (int id = 1; id <= 240; ++id) {
        QString name;
        for (int n = 1 + random.bounded(5); n > 0; --n)
            name += letters[random.bounded(static_cast<int>(letters.size()))];
        const int score = random.bounded(12);
        t.Row({id, groups[random.bounded(static_cast<int>(groups.size()))], id % 17 == 0 ? QString() : name,
               score == 0 ? QVariant() : QVariant(score % 2 ? -score / 4.0 : score * 1e6),
               towns[random.bounded(static_cast<int>(towns.size()))]});
    }
    t.Write(m_folder.Path());
    // MIX holds whole numbers in some rows and fractions in others, as an expression may.
    const QString select = QStringLiteral("SELECT T.\"ID\", T.\"GRP\", T.\"NAME\", T.\"SCORE\", T.\"TOWN\", "
                                          "CASE WHEN T.\"ID\" % 3 = 0 THEN T.\"ID\" % 7 ELSE T.\"ID\" % 7 - "
                                          "0.5 END AS \"MIX\" FROM \"MIXED.DB\" T");
    for (const QStringList& fields :
         {QStringList{"GRP", "NAME", "ID"}, QStringList{"NAME", "ID"}, QStringList{"TOWN", "GRP", "ID"},
          QStringList{"GRP", "TOWN", "NAME", "ID"}, QStringList{"SCORE", "GRP", "ID"},
          QStringList{"GRP", "SCORE", "NAME", "ID"}, QStringList{"MIX", "ID"}}) {
        SCOPED_TRACE(fields.join(u',').toStdString());
        Query byEngine(m_db);
        byEngine.SetSql({select});
        byEngine.SetOrderFields(fields);
        byEngine.Open();
        Query bySqlite(m_db);
        QStringList terms;
        for (const QString& f : fields)
            terms << QStringLiteral("\"%1\"").arg(f);
        bySqlite.SetSql({select, QStringLiteral("ORDER BY ") + terms.join(u", ")});
        bySqlite.Open();
        ASSERT_EQ(byEngine.RecordCount(), 240);
        EXPECT_EQ(Column(byEngine, QStringLiteral("ID")), Column(bySqlite, QStringLiteral("ID")));
    }
    Query stable(m_db);
    stable.SetSql({select});
    stable.SetOrderFields({QStringLiteral("grp")});
    stable.Open();
    int previousId = 0;
    QString previousGroup;
    for (stable.First(); !stable.Eof(); stable.Next()) {
        const int id = static_cast<int>(stable.FieldByName(QStringLiteral("ID")).AsInteger());
        const QString group = stable.FieldByName(QStringLiteral("GRP")).AsString();
        if (group == previousGroup) {
            EXPECT_GT(id, previousId) << "rows of one group keep the table's order";
        }
        previousGroup = group;
        previousId = id;
    }
    Query unknown(m_db);
    unknown.SetSql({select});
    unknown.SetOrderFields({QStringLiteral("GRADE")});
    EXPECT_THROW(unknown.Open(), DatabaseError);
}

TEST_F(SchoolQuery, BoundValuesHoldingQuotesMatchOnlyThemselves) {
    WriteNames(m_folder.Path(), {"Ο \"Μέγας\" Αλέξανδρος", "O'Brien", "x", "1"});
    Query query(m_db);
    query.SetSql({QStringLiteral("SELECT N.\"ID\" FROM \"NAMES.DB\" N WHERE N.\"NAME\" = :name")});
    for (const auto& [name, id] : {std::pair{QStringLiteral("Ο \"Μέγας\" Αλέξανδρος"), QStringLiteral("1")},
                                   std::pair{QStringLiteral("O'Brien"), QStringLiteral("2")}}) {
        query.BindValue(QStringLiteral("name"), name);
        query.Open();
        EXPECT_EQ(Column(query, QStringLiteral("ID")), QStringList{id});
        query.Close();
    }
    query.BindValue(QStringLiteral("name"), QStringLiteral("x' OR '1'='1"));
    query.Open();
    EXPECT_TRUE(query.Eof());
    query.Close();
    query.ClearBindValues();
    EXPECT_THROW(query.Open(), DatabaseError) << "an unbound value is an error, not a null";
}

TEST_F(SchoolQuery, ReloadsATableWhoseFileChanged) {
    Query query(m_db);
    query.SetSql({QStringLiteral("SELECT G.\"GRD1\" FROM \"GRADE.DB\" G WHERE G.\"STUDENTID\" = 3")});
    Table grade(m_db);
    grade.SetTableName(QStringLiteral("GRADE.DB"));
    grade.Open(); // keeps the connection, and the loaded copy, alive
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("GRD1")).AsFloat(), 7.5);
    query.Close();
    grade.Edit();
    grade.FieldByName(QStringLiteral("GRD1")).SetAsFloat(8.5);
    ASSERT_TRUE(grade.Post());
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("GRD1")).AsFloat(), 8.5);
}

// What a query adds to the tables' own refusals: its fields and its text.
TEST_F(SchoolQuery, FailuresNameTheMissingTableOrField) {
    Query query(m_db);
    query.SetSql({QStringLiteral("SELECT S.\"AGE\" FROM \"STUDENT.DB\" S")});
    EXPECT_TRUE(ErrorOf<DatabaseError>([&] { query.Open(); }).contains(QStringLiteral("AGE")));
    EXPECT_FALSE(query.Active());
    query.SetSql({QStringLiteral("SELEKT * FROM \"STUDENT.DB\" S")});
    EXPECT_FALSE(ErrorOf<DatabaseError>([&] { query.Open(); }).isEmpty());
    EXPECT_THROW(query.FieldByName(QStringLiteral("LASTNAME")), DatabaseError)
        << "a closed query has no fields";
}

// The tables a query loaded outlive the disconnection after its last set
// closes, but never a change of their file, of the folder or of the passwords.
TEST_F(SchoolQuery, LoadedTablesOutliveDisconnectionButNotAChangeOfFileFolderOrPassword) {
    const QStringList sql{QStringLiteral("SELECT G.\"GRD1\" FROM \"GRADE.DB\" G WHERE G.\"STUDENTID\" = 3")};
    Query query(m_db);
    query.SetSql(sql);
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("GRD1")).AsFloat(), 7.5);
    query.Close();
    ASSERT_FALSE(m_db.Connected());

    WriteFirstGradeAsAnotherProgram(9.25); // while nothing of ours is open
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("GRD1")).AsFloat(), 9.25);
    query.Close();

    TempFolder second;
    WriteSmallSchool(second.Path());
    m_db.SetParams({QStringLiteral("PATH=") + second.Path()});
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("GRD1")).AsFloat(), 7.5) << "the second folder's own table";
    query.Close();

    m_session.RemovePassword(DataTablePassword());
    EXPECT_THROW(query.Open(), DatabaseError) << "a table loaded under a withdrawn password stays closed";
    m_session.AddPassword(DataTablePassword());
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("GRD1")).AsFloat(), 7.5);
}

// A result repeats texts row after row and the engine shares them; hundreds
// of distinct ones among the repeats still come out each as itself.
TEST_F(SchoolQuery, ManyDistinctTextsAmongRepeatsComeOutEachAsItself) {
    QStringList names;
    for (int i = 0; i < 300; ++i)
        names.append(i % 3 == 0 ? QStringLiteral("Γυμνάσιο")
                                : QStringLiteral("Όνομα %1").arg(i * 7919 % 1000));
    WriteNames(m_folder.Path(), names);
    Query query(m_db);
    query.SetSql({QStringLiteral("SELECT N.\"NAME\" FROM \"NAMES.DB\" N ORDER BY N.\"ID\"")});
    query.Open();
    EXPECT_EQ(Column(query, QStringLiteral("NAME")), names);
}

// A file system that keeps whole seconds shows a second write within the same
// second with the size, time and inode of the first: a table stamped so is
// read again after each disconnection all the same.
TEST_F(SchoolQuery, ATableStampedInWholeSecondsIsReadAgainAfterDisconnection) {
    const QString grade = m_folder.Path(QStringLiteral("GRADE.DB"));
    const auto stampWholeSecond = [&] {
        QFile file(grade);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            file.setFileTime(QDateTime::fromSecsSinceEpoch(1700000000), QFileDevice::FileModificationTime));
    };
    stampWholeSecond();
    Query query(m_db);
    query.SetSql({QStringLiteral("SELECT G.\"GRD1\" FROM \"GRADE.DB\" G WHERE G.\"STUDENTID\" = 3")});
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("GRD1")).AsFloat(), 7.5);
    query.Close();
    WriteFirstGradeAsAnotherProgram(9.25);
    stampWholeSecond();
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("GRD1")).AsFloat(), 9.25);
}
