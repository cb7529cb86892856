// Tables made by other software read as they should; the tables our builder
// writes read back through pxlib exactly as through the engine.
#include "SchoolDbTestSupport.h"

#include "schooldb/DatabaseError.h"
#include "schooldb/ParadoxTable.h"
#include "schooldb/builder/SchoolGenerator.h"
#include "schooldb/builder/SchoolTables.h"
#include "schooldb/TablePasswords.h"
#include "support/TestSupport.h"

#include <QDir>

using namespace ekaldo::schooldb;
using namespace ekaldo::testing;

namespace {

std::unique_ptr<ParadoxTable> Sample(const QString& name, const ParadoxTable::PasswordCheck& check = {}) {
    return ParadoxTable::Open(QDir(SamplesFolder()).filePath(name), check);
}

QList<FieldValue> Column(const ParadoxTable& t, int field) {
    QList<FieldValue> values;
    for (qint64 r = 0; r < t.RecordCount(); ++r)
        values.append(t.Value(r, field));
    return values;
}

FieldValue T(const char* text) {
    return FieldValue::Text(QString::fromUtf8(text));
}
FieldValue I(qint64 v) {
    return FieldValue::Integer(v);
}
FieldValue F(double v) {
    return FieldValue::Float(v);
}

} // namespace

TEST(ParadoxSamples, ReadAsTheirReadmeSays) {
    if (SamplesFolder().isEmpty())
        GTEST_SKIP() << "the shared Paradox samples are not here";
    const auto decimal = Sample(QStringLiteral("DECIMAL.DB"));
    EXPECT_EQ(decimal->Layout().codePageNumber, 1252);
    EXPECT_EQ(Column(*decimal, 0), (QList<FieldValue>{F(-200), F(-20), F(-1), F(1), F(20), F(200), F(200.36),
                                                      F(1.37), F(-1.387)}));

    const auto logical = Sample(QStringLiteral("logical.db"));
    EXPECT_EQ(Column(*logical, 0), (QList<FieldValue>{FieldValue::Logical(true), FieldValue::Logical(false),
                                                      FieldValue::Logical(true), FieldValue::Logical(true)}));

    const auto longs = Sample(QStringLiteral("long.db"));
    EXPECT_EQ(longs->Layout().primaryKeyFields, 1);
    EXPECT_EQ(longs->Field(0).type, FieldType::AutoIncrement);
    EXPECT_EQ(Column(*longs, 0), (QList<FieldValue>{I(1), I(2), I(3)}));
    // The third value is stored as four zero bytes, the blank of a Long
    // Integer; pxlib, which made the README's list, shows it as -2147483648.
    EXPECT_EQ(Column(*longs, 1), (QList<FieldValue>{I(1), I(2), FieldValue()}));

    const auto server = Sample(QStringLiteral("SERVER.DB"));
    EXPECT_EQ(server->Field(2).length, 255);
    EXPECT_EQ(server->RecordCount(), 4);
    EXPECT_EQ(server->Value(0, 1), T("/MAILLIST.HTM"));
    EXPECT_EQ(server->Value(3, 3), T("OUTPUT_FILTERED_MAIL_LIST"));
    EXPECT_EQ(server->Value(2, 0), T("P"));
    EXPECT_EQ(server->Value(2, 2), T("HERCULES"));

    const auto states = Sample(QStringLiteral("STATES.DB"));
    EXPECT_EQ(states->Layout().versionId, 3);
    ASSERT_EQ(states->RecordCount(), 53);
    EXPECT_EQ(states->Field(2).name, QStringLiteral("Zip From"));
    const QList<FieldValue> first{T("AK"), T("Alaska"), T("995"), T("999")};
    const QList<FieldValue> second{T("AL"), T("Alabama"), T("350"), T("369")};
    const QList<FieldValue> last{T("WY"), T("Wyoming"), T("820"), T("831")};
    for (int f = 0; f < 4; ++f) {
        EXPECT_EQ(states->Value(0, f), first[f]);
        EXPECT_EQ(states->Value(1, f), second[f]);
        EXPECT_EQ(states->Value(52, f), last[f]);
    }
}

TEST(ParadoxSamples, EncryptedSampleNeedsItsPasswordsChecksum) {
    if (SamplesFolder().isEmpty())
        GTEST_SKIP() << "the shared Paradox samples are not here";
    EXPECT_THROW(Sample(QStringLiteral("encrypted.db")), DatabaseError);
    std::uint32_t asked = 0;
    const auto table = Sample(QStringLiteral("encrypted.db"), [&](std::uint32_t checksum) {
        asked = checksum;
        return checksum == 0x0A25E09Au;
    });
    EXPECT_EQ(asked, 0x0A25E09Au);
    EXPECT_EQ(table->Layout().codePageNumber, 850);
    EXPECT_EQ(Column(*table, 0), (QList<FieldValue>{I(1), I(2), I(3), I(4)}));
    EXPECT_EQ(Column(*table, 1),
              (QList<FieldValue>{T("Value 1"), T("Value 2"), T("Value 3"), T("Last one")}));
}

TEST(SchoolBuilder, DemoSchoolReadsBackThroughPxlibAsThroughTheEngine) {
    TempFolder folder;
    WriteDemoSchool(folder.Path());
    const QStringList tables{"STUDENT.DB", "GUARDIAN.DB", "COURSE.DB", "CLASS.DB", "LEVEL.DB",
                             "SUBJECT.DB", "METHOD.DB",   "GRADE.DB",  "USER.DB"};
    for (const QString& name : tables) {
        const QString password =
            name == QStringLiteral("USER.DB") ? UserTablePassword() : DataTablePassword();
        const Records engine = ReadWithEngine(folder.Path(name), password);
        const PxTable px = ReadWithPxlib(folder.Path(name));
        EXPECT_FALSE(engine.isEmpty()) << name.toStdString();
        EXPECT_EQ(engine, px.records) << name.toStdString();
        EXPECT_THROW(ReadWithEngine(folder.Path(name)), DatabaseError)
            << name.toStdString() << " is protected";
    }
    EXPECT_THROW(ReadWithEngine(folder.Path("USER.DB"), DataTablePassword()), DatabaseError);

    Session session;
    session.AddPassword(DataTablePassword());
    const auto grade = ParadoxTable::Open(folder.Path("GRADE.DB"), session.Check());
    EXPECT_EQ(grade->Layout().primaryKeyFields, 2);
    EXPECT_EQ(grade->Layout().codePageNumber, 1253);
    EXPECT_EQ(grade->FieldCount(), 3 + 10 + 24);
    bool inKeyOrder = true, someSwitchedOff = false, someGraded = false;
    for (qint64 r = 1; r < grade->RecordCount(); ++r) {
        const auto key = [&](qint64 i) {
            return std::pair{grade->Value(i, 0).IntegerValue(), grade->Value(i, 1).IntegerValue()};
        };
        inKeyOrder = inKeyOrder && key(r - 1) < key(r);
        someSwitchedOff = someSwitchedOff || !grade->Value(r, 2).LogicalValue();
        someGraded = someGraded || !grade->Value(r, 13).IsNull();
    }
    EXPECT_TRUE(inKeyOrder);
    EXPECT_TRUE(someSwitchedOff);
    EXPECT_TRUE(someGraded);

    const auto students = ParadoxTable::Open(folder.Path("STUDENT.DB"), session.Check());
    const auto guardians = ParadoxTable::Open(folder.Path("GUARDIAN.DB"), session.Check());
    EXPECT_EQ(students->RecordCount(), 300);
    EXPECT_LT(guardians->RecordCount(), students->RecordCount()) << "some students have no guardian";

    Session users;
    users.AddPassword(UserTablePassword());
    const auto user = ParadoxTable::Open(folder.Path("USER.DB"), users.Check());
    bool admin = false, otherYear = false;
    for (qint64 r = 0; r < user->RecordCount(); ++r) {
        admin = admin || (user->Value(r, 0) == T("TALMIR") && user->Value(r, 1) == T("TALMIR") &&
                          user->Value(r, 3) == I(0) && user->Value(r, 4) == T("2025"));
        otherYear = otherYear || user->Value(r, 4) != T("2025");
    }
    EXPECT_TRUE(admin);
    EXPECT_TRUE(otherYear);
}
